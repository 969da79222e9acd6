#pragma once

#include <cstddef>
#include <cstdint>

// Folds len bytes into the CRC-32 register reg (not inverted) with PCLMULQDQ and returns the new
// register. len is at least 64 and a multiple of 16. Only call it when the processor has
// PCLMULQDQ and SSE4.1.
std::uint32_t Crc32FoldClmul(std::uint32_t reg, const unsigned char* data, std::size_t len);
