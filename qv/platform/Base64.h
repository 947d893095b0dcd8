// Base64 over caller-owned byte buffers: size estimates, an encoder with optional 72-character lines
// (CR LF after each full line) and a tolerant decoder that skips white space and unknown characters and
// stops at the first "=". Callers size their buffers with the estimates; nothing here allocates.
// Any thread may call these; they keep no state between calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

extern "C" {

// Bytes needed for the encoded text of `inputSize` bytes with line breaks: x + 2 x floor(x / 72) where
// x = 4 x ceil(inputSize / 3). SIZE_MAX when that does not fit in size_t (the buffer functions then fail).
size_t EstimateBas64EncodedDataSize(size_t inputSize);

// Bytes needed for the data decoded from `inputSize` characters: 3 x ceil(inputSize / 4).
size_t EstimateBas64DecodedDataSize(size_t inputSize);

// Encodes `inputSize` bytes into `output`. *ioSize is the capacity on entry and the number of characters
// actually written on return (the estimate counts line breaks even when `wrap` is zero). Fails, writing
// nothing, when the capacity is below the estimate. The text is not NUL-terminated. A non-zero `wrap`
// writes CR LF after every 72 characters.
bool Base64EncodeData(const void* input, size_t inputSize, char* output, size_t* ioSize, int wrap);

// Decodes `inputSize` characters into `output`. *ioSize is the capacity on entry and the decoded length
// on return. Fails, leaving the buffer untouched, when the capacity is below the decoded-size estimate.
// On success the bytes between the decoded length and the capacity are set to '.'.
bool Base64DecodeData(const void* input, size_t inputSize, void* output, size_t* ioSize);
}

}  // namespace qv
QV_EXPORT_END
