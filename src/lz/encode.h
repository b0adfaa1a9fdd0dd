// Encoder for the LZ32 file format (see lz/format.h). Finds the longest match at every
// position (up to 18 bytes, including the spaces the window starts with) and chooses tokens by
// an optimal parse, so the output is the smallest this token format allows for those matches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorin {

// Appends nothing and returns false when the input is longer than the header's 32-bit length
// field can state. `missingChar` is recorded in the header: the character the shipped name
// replaced with '_', or 0 for none.
bool EncodeSzdd(const uint8_t* data, size_t size, uint8_t missingChar, std::vector<uint8_t>& out);

} // namespace quorin
