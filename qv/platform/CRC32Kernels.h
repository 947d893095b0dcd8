// The three ways the CRC state is advanced for polynomials other than the default one (which goes to
// ISA-L): bit by bit, slicing by eight, and carry-less multiplication folding. Each takes the state before
// the data and returns the state after it, without the final complement. Exposed so tests can hold them
// to one another.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

namespace crc32kernels {

uint32_t bitwiseUpdate(uint32_t state, const uint8_t* data, size_t length, uint32_t polynomial);
uint32_t slicingUpdate(uint32_t state, const uint8_t* data, size_t length, uint32_t polynomial);

// Needs length >= 64 and cpuHasCarrylessMultiply().
uint32_t foldingUpdate(uint32_t state, const uint8_t* data, size_t length, uint32_t polynomial);
bool cpuHasCarrylessMultiply();

}  // namespace crc32kernels

}  // namespace qv
