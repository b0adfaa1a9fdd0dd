// The record the joystick control keeps in streams and storages: a 32-bit little-endian body
// length, then the body: interval and port (signed 32-bit), the two repeat switches (signed
// 16-bit), all little-endian. Later versions may append to the body; a reader skips what it
// does not know. The length is bounded so that a corrupt record cannot make a container skip
// gigabytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "joystick_logic/property_bag.h"

namespace quorin::joystick {

inline constexpr size_t StreamHeaderSize = 4;
inline constexpr size_t StreamBodySize = 12;
inline constexpr size_t StreamRecordSize = StreamHeaderSize + StreamBodySize;
inline constexpr uint32_t StreamMaxBodyLength = 4096;

enum class StreamStatus : uint8_t { Ok, Truncated, BadLength };

void EncodeStreamRecord(const PersistedProperties& fields, uint8_t (&out)[StreamRecordSize]) noexcept;
// Checks the header; bodyLength is the number of body bytes that follow it.
StreamStatus DecodeStreamHeader(const uint8_t* header, size_t size, uint32_t& bodyLength) noexcept;
// Reads the known part of a body of at least StreamBodySize bytes.
StreamStatus DecodeStreamBody(const uint8_t* body, size_t size, PersistedProperties& fields) noexcept;
// A whole record from memory; consumed is header plus the declared body length.
StreamStatus DecodeStreamRecord(const uint8_t* data, size_t size, PersistedProperties& fields,
                                size_t& consumed) noexcept;

} // namespace quorin::joystick
