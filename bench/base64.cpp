// Base64 of 64 MiB: the kit against OpenSSL. Without line breaks the peer is EVP_EncodeBlock /
// EVP_DecodeBlock; with them it is OpenSSL's streaming coder (64-character lines), since the block
// functions take no line breaks.
#include <openssl/evp.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "qv/platform/Base64.h"

using namespace qv;

namespace {

template <typename F>
double bestSeconds(F&& f, int repeats = 5) {
  double best = 1e30;
  for (int r = 0; r < repeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

void report(const char* what, size_t bytes, double kit, double peer) {
  std::printf("  %-26s kit %6.2f GB/s   OpenSSL %6.2f GB/s   ratio %.2fx\n", what, double(bytes) / 1e9 / kit,
              double(bytes) / 1e9 / peer, peer / kit);
}

}  // namespace

int main() {
  const size_t size = size_t(64) << 20;
  std::vector<uint8_t> data(size);
  std::mt19937_64 random(2);
  for (auto& b : data) b = uint8_t(random());
  bool ok = true;
  std::printf("base64 of 64 MiB (speeds in input bytes per second; ratio = kit/peer)\n");

  for (int wrap = 0; wrap <= 1; ++wrap) {
    std::vector<char> text(EstimateBas64EncodedDataSize(size));
    size_t textSize = 0;
    const double kitEncode = bestSeconds([&] {
      textSize = text.size();
      Base64EncodeData(data.data(), size, text.data(), &textSize, wrap);
    });
    std::vector<uint8_t> peerText(size / 48 * 65 + size / 3 * 4 + 1024);
    int peerTextSize = 0;
    const double peerEncode = bestSeconds([&] {
      if (!wrap) {
        peerTextSize = EVP_EncodeBlock(peerText.data(), data.data(), int(size));
        return;
      }
      EVP_ENCODE_CTX* ctx = EVP_ENCODE_CTX_new();
      EVP_EncodeInit(ctx);
      int n = 0, total = 0;
      EVP_EncodeUpdate(ctx, peerText.data(), &n, data.data(), int(size));
      total = n;
      EVP_EncodeFinal(ctx, peerText.data() + total, &n);
      peerTextSize = total + n;
      EVP_ENCODE_CTX_free(ctx);
    });
    report(wrap ? "encode, line breaks" : "encode, no line breaks", size, kitEncode, peerEncode);

    std::vector<uint8_t> decoded(EstimateBas64DecodedDataSize(textSize));
    size_t decodedSize = 0;
    const double kitDecode = bestSeconds([&] {
      decodedSize = decoded.size();
      Base64DecodeData(text.data(), textSize, decoded.data(), &decodedSize);
    });
    std::vector<uint8_t> peerDecoded(size_t(peerTextSize) / 4 * 3 + 64);
    int peerDecodedSize = 0;
    const double peerDecode = bestSeconds([&] {
      if (!wrap) {
        peerDecodedSize = EVP_DecodeBlock(peerDecoded.data(), peerText.data(), peerTextSize);
        return;
      }
      EVP_ENCODE_CTX* ctx = EVP_ENCODE_CTX_new();
      EVP_DecodeInit(ctx);
      int n = 0, total = 0;
      EVP_DecodeUpdate(ctx, peerDecoded.data(), &n, peerText.data(), peerTextSize);
      total = n;
      EVP_DecodeFinal(ctx, peerDecoded.data() + total, &n);
      peerDecodedSize = total + n;
      EVP_ENCODE_CTX_free(ctx);
    });
    report(wrap ? "decode, line breaks" : "decode, no line breaks", textSize, kitDecode, peerDecode);

    ok = ok && decodedSize == size && std::memcmp(decoded.data(), data.data(), size) == 0 &&
         size_t(peerDecodedSize) >= size && std::memcmp(peerDecoded.data(), data.data(), size) == 0;
    if (!wrap)
      ok = ok && textSize == size_t(peerTextSize) && std::memcmp(text.data(), peerText.data(), textSize) == 0;
  }
  if (!ok) std::printf("MISMATCH between the kit and OpenSSL\n");
  return ok ? 0 : 1;
}
