#include "lz/header.h"

#include <algorithm>
#include <cstring>

#include "base/byte_reader.h"
#include "lz/format.h"

namespace quorin {

using namespace szdd;

bool HasSzddSignature(const uint8_t* data, size_t size) noexcept {
    ByteReader reader(data, size);
    return reader.Match(kSignature.data(), kSignature.size());
}

SzddStatus ReadSzddHeader(const uint8_t* data, size_t size, SzddHeader& header) noexcept {
    ByteReader reader(data, size);
    if (!reader.Match(kSignature.data(), kSignature.size())) {
        const size_t present = std::min(size, kSignature.size());
        if (present > 0 && std::memcmp(data, kSignature.data(), present) == 0)
            return SzddStatus::TruncatedHeader;
        return SzddStatus::BadSignature;
    }
    uint8_t mode = 0;
    if (!reader.ReadU8(mode))
        return SzddStatus::TruncatedHeader;
    if (mode != kModeA)
        return SzddStatus::BadMode;
    SzddHeader h;
    if (!reader.ReadU8(h.missingChar) || !reader.ReadU32LE(h.length))
        return SzddStatus::TruncatedHeader;
    header = h;
    return SzddStatus::Ok;
}

const char* SzddStatusText(SzddStatus status) noexcept {
    switch (status) {
    case SzddStatus::Ok:
        return "ok";
    case SzddStatus::TruncatedHeader:
        return "the header is cut short";
    case SzddStatus::BadSignature:
        return "not an LZ (SZDD) compressed file";
    case SzddStatus::BadMode:
        return "unknown compression mode";
    case SzddStatus::TruncatedStream:
        return "the compressed data ends before the recorded length";
    case SzddStatus::TruncatedToken:
        return "the compressed data ends inside a match";
    case SzddStatus::LengthMismatch:
        return "the compressed data is longer than the recorded length";
    }
    return "unknown error";
}

} // namespace quorin
