// Any bytes through the decoder and through the format decoded byte by byte, the way it is
// written down: the same bytes out and the same verdict (the sanitizers watch the bounds).
#include <algorithm>
#include <vector>

#include "../fuzz_check.h"
#include "lz/decode.h"
#include "lz/format.h"

namespace {

using namespace quorin::szdd;
using quorin::SzddStatus;

// The stream after the header. `cut` tells whether it ended inside a match.
std::vector<uint8_t> DecodeByteByByte(const uint8_t* in, size_t size, bool& cut) {
    std::vector<uint8_t> out;
    uint8_t window[kWindowSize];
    std::fill(window, window + kWindowSize, kWindowFill);
    uint32_t next = kStartPosition;
    auto emit = [&](uint8_t b) {
        window[next++ & kWindowMask] = b;
        out.push_back(b);
    };
    cut = false;
    for (size_t i = 0; i < size;) {
        const unsigned flags = in[i++];
        for (int bit = 0; bit < kTokensPerFlag && i < size; ++bit) {
            if (flags >> bit & 1) {
                emit(in[i++]);
                continue;
            }
            if (i + 1 == size) {
                cut = true;
                return out;
            }
            const uint32_t from = in[i] | (in[i + 1] & 0xF0u) << 4;
            const uint32_t len = (in[i + 1] & 0x0Fu) + kMinMatch;
            i += 2;
            for (uint32_t k = 0; k < len; ++k)
                emit(window[(from + k) & kWindowMask]);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    quorin::SzddHeader header;
    const SzddStatus status = quorin::DecodeSzdd(data, size, out, &header);
    if (status == SzddStatus::BadSignature || status == SzddStatus::TruncatedHeader ||
        status == SzddStatus::BadMode) {
        Check(out.empty());
        return 0;
    }
    bool cut = false;
    Check(out == DecodeByteByByte(data + kHeaderSize, size - kHeaderSize, cut));
    const SzddStatus expected = cut                          ? SzddStatus::TruncatedToken
                                : out.size() < header.length ? SzddStatus::TruncatedStream
                                : out.size() > header.length ? SzddStatus::LengthMismatch
                                                             : SzddStatus::Ok;
    Check(status == expected);
    return 0;
}
