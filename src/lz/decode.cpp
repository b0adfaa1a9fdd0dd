#include "lz/decode.h"

#include <algorithm>
#include <cstring>

#include "lz/format.h"

namespace quorin {
namespace {

using namespace szdd;

// Input a whole flag group may touch: the flag byte, eight matches, and the 8-byte copy of a
// literal run that starts at the group's last byte.
constexpr size_t kGroupInput = 1 + 2 * kTokensPerFlag + 8;
// Output room a whole group may touch: seven longest matches, then one copied in 8-byte steps
// (three steps for 18 bytes), or an 8-byte literal copy.
constexpr size_t kGroupRoom = (kTokensPerFlag - 1) * kMaxMatch + 24;
// Extra capacity past the expected length, so whole groups are decoded up to the very end.
constexpr size_t kSlack = kGroupRoom + 8;
// One input byte yields at most this many output bytes (a two-byte match copies 18).
constexpr size_t kMaxExpansion = kMaxMatch / 2;

enum class Stop { InputEnd, TokenCut, OutputFull };

struct Cursor {
    const uint8_t* in;
    const uint8_t* end;
    // Flag bits still to use, above a sentinel 1 bit: the value 1 means a flag byte is due.
    uint32_t flags;
    // Output index; output index i went to window position (kStartPosition + i) % 4096.
    size_t outPos;
};

// For flag bits above a sentinel bit: how many tokens from the bottom are literals, up to the
// sentinel.
inline uint32_t LiteralRun(uint32_t flags) noexcept {
#if defined(__GNUC__) || defined(__clang__)
    const uint32_t ones = static_cast<uint32_t>(__builtin_ctz(~flags));
    const uint32_t tokens = 31u - static_cast<uint32_t>(__builtin_clz(flags));
    return ones < tokens ? ones : tokens;
#else
    uint32_t n = 0;
    while ((flags >> n & 1) && (flags >> (n + 1)) != 0)
        ++n;
    return n;
#endif
}

// How far back from output index op the byte at window position pos was written: 1 to 4096.
// A distance beyond op reaches the spaces the window started with.
inline size_t Distance(size_t op, uint32_t pos) noexcept {
    return ((static_cast<uint32_t>(op) + kStartPosition - pos - 1) & kWindowMask) + 1;
}

// Byte by byte, as the format defines a copy: a source that overlaps the destination repeats.
inline void CopyMatchExact(uint8_t* out, size_t op, size_t distance, size_t len) noexcept {
    uint8_t* dst = out + op;
    if (op >= distance) {
        const uint8_t* src = dst - distance;
        for (size_t k = 0; k < len; ++k)
            dst[k] = src[k];
    } else {
        for (size_t k = 0; k < len; ++k)
            dst[k] = op + k >= distance ? out[op + k - distance] : kWindowFill;
    }
}

// The same result, in wide steps; may write up to 24 bytes past op (the caller guarantees room,
// and whatever lands past op + len is overwritten by the tokens that follow).
inline void CopyMatchFast(uint8_t* out, size_t op, size_t distance, size_t len) noexcept {
    if (op < distance) {
        CopyMatchExact(out, op, distance, len);
        return;
    }
    uint8_t* dst = out + op;
    const uint8_t* src = dst - distance;
    if (distance >= 16) {
        // The first 16 source bytes lie wholly before the destination; the last two were
        // written by the time they are read.
        std::memcpy(dst, src, 16);
        dst[16] = src[16];
        dst[17] = src[17];
    } else if (distance >= 8) {
        // Each 8-byte step reads only bytes written before it.
        std::memcpy(dst, src, 8);
        std::memcpy(dst + 8, src + 8, 8);
        std::memcpy(dst + 16, src + 16, 8);
    } else if (distance == 1) {
        std::memset(dst, src[0], len);
    } else {
        for (size_t k = 0; k < len; ++k)
            dst[k] = src[k];
    }
}

inline void ReadMatch(const uint8_t* in, uint32_t& pos, size_t& len) noexcept {
    pos = in[0] | (in[1] & 0xF0u) << 4;
    len = (in[1] & 0x0Fu) + kMinMatch;
}

// Whole flag groups while both buffers have room for a group's worst case, so no token needs a
// check of its own. Returns with a flag byte due.
inline void RunWholeGroups(const uint8_t*& in, const uint8_t* end, uint8_t* out, size_t& op,
                           size_t cap) noexcept {
    while (static_cast<size_t>(end - in) >= kGroupInput && cap - op >= kGroupRoom) {
        uint32_t f = *in++;
        if (f == 0xFF) {
            std::memcpy(out + op, in, 8);
            in += 8;
            op += 8;
            continue;
        }
        // The group's flag bits above a sentinel bit, as in the cursor.
        for (f |= 0x100u; f != 1; f >>= 1) {
            if (f & 1) {
                // A run of literals in one 8-byte copy; the run's length, not the bytes
                // copied, moves the cursors.
                const uint32_t literals = LiteralRun(f);
                std::memcpy(out + op, in, 8);
                in += literals;
                op += literals;
                f >>= literals;
                if (f == 1)
                    break;
            }
            uint32_t pos;
            size_t len;
            ReadMatch(in, pos, len);
            in += 2;
            CopyMatchFast(out, op, Distance(op, pos), len);
            op += len;
        }
    }
}

// Decodes until the input ends, a match is cut, or the next token would not fit below cap.
// Resumable: the cursor keeps the position inside the current flag group.
Stop Run(Cursor& c, uint8_t* out, size_t cap) noexcept {
    const uint8_t* in = c.in;
    uint32_t flags = c.flags;
    size_t op = c.outPos;
    Stop stop;
    for (;; flags >>= 1) {
        if (flags == 1) {
            RunWholeGroups(in, c.end, out, op, cap);
            if (in == c.end) {
                stop = Stop::InputEnd;
                break;
            }
            flags = *in++ | 0x100u;
        }
        if (in == c.end) {
            stop = Stop::InputEnd; // unused flag bits at the end of the stream
            break;
        }
        if (flags & 1) {
            if (op == cap) {
                stop = Stop::OutputFull;
                break;
            }
            out[op++] = *in++;
            continue;
        }
        if (c.end - in < 2) {
            stop = Stop::TokenCut;
            break;
        }
        uint32_t pos;
        size_t len;
        ReadMatch(in, pos, len);
        if (cap - op < len) {
            stop = Stop::OutputFull;
            break;
        }
        CopyMatchExact(out, op, Distance(op, pos), len);
        in += 2;
        op += len;
    }
    c.in = in;
    c.flags = flags;
    c.outPos = op;
    return stop;
}

} // namespace

SzddStatus DecodeSzdd(const uint8_t* data, size_t size, std::vector<uint8_t>& out, SzddHeader* header) {
    out.clear();
    SzddHeader h;
    const SzddStatus headerStatus = ReadSzddHeader(data, size, h);
    if (headerStatus != SzddStatus::Ok)
        return headerStatus;
    if (header)
        *header = h;

    const uint8_t* payload = data + kHeaderSize;
    const size_t payloadSize = size - kHeaderSize;
    // The input bounds every allocation, whatever length the header claims.
    const size_t bound =
        payloadSize > (SIZE_MAX - kSlack) / kMaxExpansion ? SIZE_MAX - kSlack : payloadSize * kMaxExpansion;
    out.resize(std::min<size_t>(h.length, bound) + kSlack);

    Cursor cursor{payload, payload + payloadSize, 1, 0};
    Stop stop;
    while ((stop = Run(cursor, out.data(), out.size())) == Stop::OutputFull) {
        // Only a stream longer than its header gets here.
        const size_t limit = bound + kSlack;
        out.resize(out.size() > limit / 2 ? limit : std::max(out.size() * 2, out.size() + kSlack));
    }
    out.resize(cursor.outPos);

    if (stop == Stop::TokenCut)
        return SzddStatus::TruncatedToken;
    if (cursor.outPos < h.length)
        return SzddStatus::TruncatedStream;
    if (cursor.outPos > h.length)
        return SzddStatus::LengthMismatch;
    return SzddStatus::Ok;
}

} // namespace quorin
