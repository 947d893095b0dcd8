// Message digests for the kit, on OpenSSL's libcrypto. Any thread may call them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// The 16-byte MD5 digest of `data`; std::nullopt only if the library cannot provide MD5 at all.
std::optional<std::array<uint8_t, 16>> md5Digest(std::span<const uint8_t> data);

}  // namespace qv
QV_EXPORT_END
