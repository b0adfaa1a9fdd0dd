#include "joystick_logic/stream_record.h"

namespace quorin::joystick {

namespace {

void PutLe32(uint8_t* p, uint32_t v) noexcept {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
void PutLe16(uint8_t* p, uint16_t v) noexcept {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
uint32_t GetLe32(const uint8_t* p) noexcept {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t GetLe16(const uint8_t* p) noexcept {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace

void EncodeStreamRecord(const PersistedProperties& fields, uint8_t (&out)[StreamRecordSize]) noexcept {
    PutLe32(out, static_cast<uint32_t>(StreamBodySize));
    PutLe32(out + 4, static_cast<uint32_t>(fields.interval));
    PutLe32(out + 8, static_cast<uint32_t>(fields.port));
    PutLe16(out + 12, static_cast<uint16_t>(fields.repeatButton));
    PutLe16(out + 14, static_cast<uint16_t>(fields.repeatCursor));
}

StreamStatus DecodeStreamHeader(const uint8_t* header, size_t size, uint32_t& bodyLength) noexcept {
    if (size < StreamHeaderSize)
        return StreamStatus::Truncated;
    const uint32_t length = GetLe32(header);
    if (length < StreamBodySize || length > StreamMaxBodyLength)
        return StreamStatus::BadLength;
    bodyLength = length;
    return StreamStatus::Ok;
}

StreamStatus DecodeStreamBody(const uint8_t* body, size_t size, PersistedProperties& fields) noexcept {
    if (size < StreamBodySize)
        return StreamStatus::Truncated;
    fields.interval = static_cast<int32_t>(GetLe32(body));
    fields.port = static_cast<int32_t>(GetLe32(body + 4));
    fields.repeatButton = static_cast<int16_t>(GetLe16(body + 8));
    fields.repeatCursor = static_cast<int16_t>(GetLe16(body + 10));
    return StreamStatus::Ok;
}

StreamStatus DecodeStreamRecord(const uint8_t* data, size_t size, PersistedProperties& fields,
                                size_t& consumed) noexcept {
    uint32_t bodyLength = 0;
    if (auto s = DecodeStreamHeader(data, size, bodyLength); s != StreamStatus::Ok)
        return s;
    if (size - StreamHeaderSize < bodyLength)
        return StreamStatus::Truncated;
    PersistedProperties decoded;
    if (auto s = DecodeStreamBody(data + StreamHeaderSize, bodyLength, decoded); s != StreamStatus::Ok)
        return s;
    fields = decoded;
    consumed = StreamHeaderSize + bodyLength;
    return StreamStatus::Ok;
}

} // namespace quorin::joystick
