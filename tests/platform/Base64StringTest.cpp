#include <gtest/gtest.h>

#include <string>

#include "qv/platform/Base64String.h"

namespace {
std::string decoded(std::optional<std::string_view> text) {
  const auto data = base64DataFromString(text);
  return std::string(data.begin(), data.end());
}
}  // namespace

TEST(Base64StringTest, NilGivesEmptyData) {
  EXPECT_TRUE(base64DataFromString(std::nullopt).empty());
}

TEST(Base64StringTest, PaddedGroupsGiveTheirBytesAndStopTheText) {
  EXPECT_EQ(decoded("Zm9vYmFy"), "foobar");
  EXPECT_EQ(decoded("Zm9vYg=="), "foob");
  EXPECT_EQ(decoded("Zm9vYmE=Zm9v"), "fooba");
  EXPECT_EQ(decoded("=Zm9v"), "");
  // One character before "=" holds six bits: no byte, and nothing from an earlier group leaks in.
  EXPECT_EQ(decoded("Zm9vY="), "foo");
}

TEST(Base64StringTest, UnfinishedGroupsAtTheEndAreDropped) {
  EXPECT_EQ(decoded("Zm9vY"), "foo");
  EXPECT_EQ(decoded("Zm9vYm"), "foo");
  EXPECT_EQ(decoded("Zm9vYmF"), "foo");
}

TEST(Base64StringTest, EveryByteOfNonASCIITextIsLookedAt) {
  EXPECT_EQ(decoded("Zm\r\n9v Ym\tFy"), "foobar");
  EXPECT_EQ(decoded(std::string_view("Zm\0"
                                     "9v",
                                     5)),
            "foo");
  // Four two-byte characters in front: the tail must still be read.
  EXPECT_EQ(decoded("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9Zm9vYmFy"), "foobar");
}
