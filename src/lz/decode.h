// Decoder for the LZ32 file format (see lz/format.h). Works on a whole file image in memory;
// never reads or writes outside its buffers, whatever the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lz/header.h"

namespace quorin {

// Decodes a whole compressed file. `out` receives every byte the stream yields, also when the
// result is an error, so the caller decides what to keep; `header`, when given, receives the
// header once it has been read.
SzddStatus DecodeSzdd(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                      SzddHeader* header = nullptr);

} // namespace quorin
