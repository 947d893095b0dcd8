#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "qv/platform/Base64.h"
#include "qv/platform/Base64Kernels.h"

using namespace qv;

namespace {

struct Vector {
  const char* data;
  const char* text;
};
// RFC 4648, section 10.
const Vector kVectors[] = {{"", ""},
                           {"f", "Zg=="},
                           {"fo", "Zm8="},
                           {"foo", "Zm9v"},
                           {"foob", "Zm9vYg=="},
                           {"fooba", "Zm9vYmE="},
                           {"foobar", "Zm9vYmFy"}};

std::string encode(const std::string& data, bool wrap, size_t* reported = nullptr) {
  size_t size = EstimateBas64EncodedDataSize(data.size());
  std::string out(size + 8, '#');  // the tail shows whether anything was written past the report
  size_t io = size;
  EXPECT_TRUE(Base64EncodeData(data.data(), data.size(), out.data(), &io, wrap));
  if (reported) *reported = io;
  EXPECT_EQ(out.find_first_not_of('#', io), std::string::npos) << "written past the reported size";
  return out.substr(0, io);
}

std::string decode(const std::string& text) {
  size_t io = EstimateBas64DecodedDataSize(text.size());
  std::string out(io, '\0');
  EXPECT_TRUE(Base64DecodeData(text.data(), text.size(), out.data(), &io));
  return out.substr(0, io);
}

}  // namespace

TEST(Base64Test, EstimatesCountLineBreaksAndRoundUpGroups) {
  const size_t encoded[][2] = {{0, 0}, {1, 4}, {53, 74}, {54, 74}, {55, 78}, {108, 148}};
  for (auto [in, out] : encoded) EXPECT_EQ(EstimateBas64EncodedDataSize(in), out) << in;
  const size_t decoded[][2] = {{0, 0}, {1, 3}, {4, 3}, {5, 6}};
  for (auto [in, out] : decoded) EXPECT_EQ(EstimateBas64DecodedDataSize(in), out) << in;
  // Sizes beyond 32 bits are computed whole; encoded sizes beyond size_t say so.
  EXPECT_EQ(EstimateBas64DecodedDataSize(size_t(1) << 34), size_t(3) << 32);
  EXPECT_EQ(EstimateBas64EncodedDataSize(size_t(3) << 32), (size_t(4) << 32) + (size_t(4) << 32) / 72 * 2);
  EXPECT_EQ(EstimateBas64EncodedDataSize(SIZE_MAX), SIZE_MAX);
  EXPECT_EQ(EstimateBas64DecodedDataSize(SIZE_MAX), (SIZE_MAX / 4 + 1) * 3);
}

TEST(Base64Test, StandardVectorsEncodeAndDecode) {
  for (const auto& v : kVectors) {
    size_t reported = 99;
    EXPECT_EQ(encode(v.data, false, &reported), v.text);
    EXPECT_EQ(reported, std::string(v.text).size());
    EXPECT_EQ(decode(v.text), v.data);
  }
}

TEST(Base64Test, WrappedLinesHold72CharactersAndCRLF) {
  std::mt19937 random(5);
  std::string longer(1000, '\0');
  for (auto& c : longer) c = char(random());
  // A full line is reported with its CRLF; without wrapping only the characters are written and reported.
  size_t reported = 0;
  EXPECT_EQ(encode(longer.substr(0, 54), true, &reported).substr(72), "\r\n");
  EXPECT_EQ(reported, 74u);
  encode(longer.substr(0, 54), false, &reported);
  EXPECT_EQ(reported, 72u);
  // Every length against lines built one by one from the plain encoding, and back.
  for (size_t length = 0; length <= 1000; length += length < 400 ? 1 : 600) {
    const std::string data = longer.substr(0, length);
    std::string expected;
    for (size_t i = 0; i < length; i += 54) {
      expected += encode(data.substr(i, 54), false);
      if (expected.size() % 74 == 72) expected += "\r\n";
    }
    const std::string text = encode(data, true);
    ASSERT_EQ(text, expected) << length;
    ASSERT_EQ(decode(text), data) << length;
  }
}

TEST(Base64Test, TooSmallBuffersFailAndStayUntouched) {
  std::string out(7, '#');
  size_t io = 7;  // 8 needed for 4 bytes
  EXPECT_FALSE(Base64EncodeData("abcd", 4, out.data(), &io, 0));
  EXPECT_EQ(io, 7u);
  EXPECT_EQ(out, "#######");

  io = 5;  // 6 needed for 5 characters
  EXPECT_FALSE(Base64DecodeData("Zm9vY", 5, out.data(), &io));
  EXPECT_EQ(io, 5u);
  EXPECT_EQ(out, "#######");

  EXPECT_FALSE(Base64EncodeData("a", 1, out.data(), nullptr, 0));
  EXPECT_FALSE(Base64DecodeData("Zg", 2, out.data(), nullptr));
}

TEST(Base64Test, DecodeSkipsSpaceAndJunkInAnyOrderAndStopsAtPad) {
  EXPECT_EQ(decode("Zm9v\r\n\tYm Fy"), "foobar");
  EXPECT_EQ(decode("Z!m \x80 ~9\n*v"), "foo");
  // Skipped characters at the end and before "=" never become data.
  EXPECT_EQ(decode("Zm9v "), "foo");
  EXPECT_EQ(decode("Zm9v!"), "foo");
  EXPECT_EQ(decode("Zm9vYg !="), "foob");
  EXPECT_EQ(decode("Zm9vY! ="), "foo");
  // Only the first "=" counts; a lone trailing character gives nothing; NUL decodes as zero.
  EXPECT_EQ(decode("Zg==Zm9v"), "f");
  EXPECT_EQ(decode("Zm9vY"), "foo");
  EXPECT_EQ(decode("Zm9vYm"), "foob");
  EXPECT_EQ(decode(std::string("AA\0A", 4)), std::string(3, '\0'));
}

TEST(Base64Test, VectorEncoderMatchesPortableOnEveryLength) {
  if (!base64kernels::cpuHasAVX2()) GTEST_SKIP() << "no AVX2";
  std::mt19937 random(9);
  std::vector<uint8_t> data(300);
  for (auto& b : data) b = uint8_t(random());
  for (size_t length = 0; length <= data.size(); ++length) {
    std::string a(EstimateBas64EncodedDataSize(length), '#'), b = a;
    const size_t na = base64kernels::encodeAVX2(data.data(), length, a.data());
    const size_t nb = base64kernels::encodePortable(data.data(), length, b.data());
    ASSERT_EQ(na, (length + 2) / 3 * 4);
    ASSERT_EQ(na, nb);
    ASSERT_EQ(a, b) << length;
  }
}
