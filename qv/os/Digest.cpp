#include "qv/os/Digest.h"

#include <openssl/evp.h>

namespace qv {

std::optional<std::array<uint8_t, 16>> md5Digest(std::span<const uint8_t> data) {
  std::array<uint8_t, 16> digest{};
  unsigned int size = 0;
  // EVP_Digest takes a size_t length, so inputs of any size are hashed whole.
  if (EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_md5(), nullptr) != 1 ||
      size != digest.size()) {
    return std::nullopt;
  }
  return digest;
}

}  // namespace qv
