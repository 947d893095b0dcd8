#include <gtest/gtest.h>

#include <string>

#include "qv/platform/MD5.h"

using namespace qv;

TEST(MD5Test, LowercaseHexOfTheDigestBytesInOrder) {
  EXPECT_EQ(md5(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(MD5Test, TextEndsAtTheFirstNul) {
  EXPECT_EQ(md5(std::string("abc\0def", 7)), md5("abc"));
}
