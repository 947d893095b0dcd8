#include <gtest/gtest.h>

#include <string_view>

#include "qv/os/Digest.h"

using namespace qv;

TEST(DigestTest, MD5KnownDigests) {
  const auto empty = md5Digest({});
  ASSERT_TRUE(empty);
  EXPECT_EQ((*empty)[0], 0xD4);
  EXPECT_EQ((*empty)[15], 0x7E);
  std::string_view abc = "abc";
  const auto digest = md5Digest(std::span(reinterpret_cast<const uint8_t*>(abc.data()), abc.size()));
  ASSERT_TRUE(digest);
  const std::array<uint8_t, 16> expected = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                            0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
  EXPECT_EQ(*digest, expected);
}
