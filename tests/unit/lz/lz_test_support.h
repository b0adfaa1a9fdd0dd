// Helpers shared by the codec tests: building streams by hand and reading tokens back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lz/format.h"

namespace szdd_test {

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

inline Bytes Header(uint32_t length, uint8_t missing = 0, uint8_t mode = quorin::szdd::kModeA) {
    Bytes h(quorin::szdd::kSignature.begin(), quorin::szdd::kSignature.end());
    h.push_back(mode);
    h.push_back(missing);
    for (int shift = 0; shift < 32; shift += 8)
        h.push_back(static_cast<uint8_t>(length >> shift));
    return h;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A match token for absolute window position `pos` and length 3..18.
inline Bytes MatchToken(uint32_t pos, uint32_t len) {
    return {static_cast<uint8_t>(pos & 0xFF), static_cast<uint8_t>(((pos >> 4) & 0xF0) | (len - 3))};
}

// A stream of literals only, full flag bytes of 0xFF.
inline Bytes LiteralStream(const Bytes& data) {
    Bytes out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 8 == 0)
            out.push_back(0xFF);
        out.push_back(data[i]);
    }
    return out;
}

// Builds a token stream with its flag bytes, eight tokens to a flag byte.
class StreamBuilder {
public:
    StreamBuilder& Literal(uint8_t b) {
        Flag(true);
        bytes_.push_back(b);
        return *this;
    }
    StreamBuilder& Literals(const Bytes& data) {
        for (uint8_t b : data)
            Literal(b);
        return *this;
    }
    StreamBuilder& Match(uint32_t pos, uint32_t len) {
        Flag(false);
        Bytes m = MatchToken(pos, len);
        bytes_.insert(bytes_.end(), m.begin(), m.end());
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }

private:
    void Flag(bool literal) {
        if (used_ == 8) {
            flagAt_ = bytes_.size();
            bytes_.push_back(0);
            used_ = 0;
        }
        if (literal)
            bytes_[flagAt_] |= static_cast<uint8_t>(1u << used_);
        ++used_;
    }
    Bytes bytes_;
    size_t flagAt_ = 0;
    int used_ = 8;
};

struct TokenCounts {
    size_t literals = 0;
    size_t matches = 0;
    bool wellFormed = true;
    // Bits the tokens cost, flag bits included.
    uint64_t Bits() const {
        return literals * uint64_t{quorin::szdd::kLiteralBits} + matches * uint64_t{quorin::szdd::kMatchBits};
    }
};

// Walks the tokens of a stream (header skipped) until `length` output bytes are accounted for.
inline TokenCounts CountTokens(const Bytes& file, uint32_t length) {
    TokenCounts counts;
    size_t in = quorin::szdd::kHeaderSize;
    uint64_t produced = 0;
    while (produced < length) {
        if (in >= file.size()) {
            counts.wellFormed = false;
            break;
        }
        const unsigned flags = file[in++];
        for (int bit = 0; bit < 8 && produced < length; ++bit) {
            if (in + (flags >> bit & 1 ? 0 : 1) >= file.size()) {
                counts.wellFormed = false;
                return counts;
            }
            if (flags >> bit & 1) {
                ++in;
                ++produced;
                ++counts.literals;
            } else {
                produced += (file[in + 1] & 0x0F) + 3u;
                in += 2;
                ++counts.matches;
            }
        }
    }
    if (in != file.size())
        counts.wellFormed = false;
    return counts;
}

} // namespace szdd_test
