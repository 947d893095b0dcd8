// The inner loops of the Base64 functions, one portable version and one for AVX2 (chosen at run time by
// the public functions). Exposed so that tests and the fuzz target can hold each path to the same rules.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

namespace base64kernels {

bool cpuHasAVX2();

// Encodes whole groups and the final partial group (with "=" padding) of in[0, length): exactly
// 4 x ceil(length / 3) characters, no line breaks. Returns the number of characters written.
size_t encodePortable(const uint8_t* in, size_t length, char* out);
size_t encodeAVX2(const uint8_t* in, size_t length, char* out);

// Whole 54-byte lines, each as 72 characters and CR LF, for as long as the vector loads stay inside the
// input. Returns the input bytes consumed (a multiple of 54; 0 without AVX2).
size_t encodeLinesAVX2(const uint8_t* in, size_t length, char* out);

// Decodes with the decoder's rules (skip white space and non-alphabet bytes, NUL is 0, stop at "=").
// `out` must hold EstimateBas64DecodedDataSize(length) bytes; the AVX2 version may write anywhere below
// that bound. Returns the decoded length.
size_t decodePortable(const uint8_t* in, size_t length, uint8_t* out);
size_t decodeAVX2(const uint8_t* in, size_t length, uint8_t* out);

}  // namespace base64kernels

}  // namespace qv
