// The 14-byte header of the LZ32 file format (see lz/format.h), read apart from the decoder so a
// program that only looks at headers does not link the decoder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorin {

enum class SzddStatus {
    Ok,
    TruncatedHeader, // fewer than 14 bytes, and those present agree with the format
    BadSignature,
    BadMode,         // a compression mode other than 'A'
    TruncatedStream, // the data ended between tokens before the header's length was produced
    TruncatedToken,  // the data ended between the two bytes of a match
    LengthMismatch,  // the data yields more bytes than the header's length
};

struct SzddHeader {
    uint8_t missingChar = 0; // the name's replaced last character; 0 when none is recorded
    uint32_t length = 0;     // length of the expanded data
};

// Reads and checks the 14-byte header.
SzddStatus ReadSzddHeader(const uint8_t* data, size_t size, SzddHeader& header) noexcept;

// True when the data starts with the format's signature (the platform treats anything else as
// an uncompressed file).
bool HasSzddSignature(const uint8_t* data, size_t size) noexcept;

// A short English description, for messages.
const char* SzddStatusText(SzddStatus status) noexcept;

} // namespace quorin
