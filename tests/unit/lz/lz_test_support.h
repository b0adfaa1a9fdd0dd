// Compressed files built by hand for the codec tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "lz/format.h"

namespace lz_test {

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The 14-byte header for `length` expanded bytes, then `stream`.
inline Bytes File(uint32_t length, const Bytes& stream, uint8_t missing = 0,
                  uint8_t mode = quorin::szdd::kModeA) {
    Bytes h(quorin::szdd::kSignature.begin(), quorin::szdd::kSignature.end());
    h.insert(h.end(), {mode, missing});
    for (int shift = 0; shift < 32; shift += 8)
        h.push_back(static_cast<uint8_t>(length >> shift));
    return Cat({h, stream});
}

// A match token: `len` (3 to 18) bytes from absolute window position `pos`.
inline Bytes Match(uint32_t pos, uint32_t len) {
    return {static_cast<uint8_t>(pos & 0xFF), static_cast<uint8_t>((pos >> 4 & 0xF0) | (len - 3))};
}

// Literals only, in full groups of eight under a flag byte of 0xFF.
inline Bytes Literals(const Bytes& data) {
    Bytes out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 8 == 0)
            out.push_back(0xFF);
        out.push_back(data[i]);
    }
    return out;
}

// 0, 1, 2, ... 250, 0, 1, ...: no two neighbouring bytes alike, so a copy from a wrong place shows.
inline Bytes Counting(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>(i % 251);
    return out;
}

} // namespace lz_test
