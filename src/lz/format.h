// The LZ file format of the platform's LZ32 library ("SZDD"): a 14-byte header followed by an
// LZSS stream over a 4096-byte window.
//
// Header (little-endian):
//   0  8 bytes  signature
//   8  1 byte   compression mode, always 'A'
//   9  1 byte   the character that the shipped name replaced with '_' (0: none recorded)
//  10  4 bytes  length of the expanded data
//
// Stream: a flag byte governs the next eight tokens, low bit first. A set bit is a literal
// byte; a clear bit is a two-byte match b0 b1 that copies (b1 & 0x0F) + 3 bytes from the
// absolute window position b0 | (b1 & 0xF0) << 4. The window starts filled with spaces and
// the first byte is written at position 4096 - 16; every output byte is also written into
// the window. The stream simply ends; the last flag byte may have unused bits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorin::szdd {

inline constexpr std::array<uint8_t, 8> kSignature = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
inline constexpr uint8_t kModeA = 'A';
inline constexpr size_t kHeaderSize = 14;

inline constexpr uint32_t kWindowSize = 4096;
inline constexpr uint32_t kWindowMask = kWindowSize - 1;
// Window position of the first output byte.
inline constexpr uint32_t kStartPosition = kWindowSize - 16;
// What the window holds before anything is written.
inline constexpr uint8_t kWindowFill = ' ';

inline constexpr uint32_t kMinMatch = 3;
inline constexpr uint32_t kMaxMatch = kMinMatch + 0x0F;
// Tokens per flag byte.
inline constexpr int kTokensPerFlag = 8;

// Encoded token sizes in bits, counting the token's flag bit.
inline constexpr uint32_t kLiteralBits = 9;
inline constexpr uint32_t kMatchBits = 17;

} // namespace quorin::szdd
