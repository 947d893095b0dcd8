// Base64 text to data, the view's decoder for strings handed over by the host: alphabet characters are
// collected in groups of four, every other byte is skipped, the first "=" ends the text (a group of two or
// three characters before it gives one or two bytes) and an unfinished group at the end is dropped.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// std::nullopt stands for a nil string and gives empty data; the result is never absent.
std::vector<uint8_t> base64DataFromString(std::optional<std::string_view> string);

}  // namespace qv
QV_EXPORT_END
