#include "lz/encode.h"

#include <algorithm>
#include <cstring>

#include "lz/format.h"

namespace quorin {
namespace {

using namespace szdd;

constexpr uint32_t kNone = UINT32_MAX;
// The format also allows 4096, a copy starting at the very position about to be written; it
// would share its tree slot with the position being inserted, and one byte less costs nothing
// measurable.
constexpr uint32_t kMaxDistance = kWindowSize - 1;
// The window starts as spaces. Eighteen spaces before the data stand for all of it: every
// match into the initial window reads at most the 18 spaces right before the data.
constexpr size_t kPrefix = kMaxMatch;
// Tree steps per position; the walk is exact below this, which real data never reaches.
constexpr uint32_t kMaxDepth = 1024;
// Positions parsed together; bounds the parse's memory whatever the input size.
constexpr size_t kBlock = size_t{1} << 20;

struct Match {
    uint32_t len = 0;
    uint32_t distance = 0;
};

// Binary trees of the strings starting at the last 4095 positions, ordered by their next 18
// bytes, one tree per hash of the first three. Strings that share three bytes share a tree, so
// inserting a position walks past every candidate for a match and finds the longest on the way.
// (Strings of other prefixes in the same tree only lengthen the walk.)
class MatchFinder {
public:
    MatchFinder(const uint8_t* buf, size_t size)
        : buf_(buf), size_(size), head_(size_t{1} << kHashBits, kNone), tree_(2 * kWindowSize, kNone) {}

    Match FindAndInsert(uint32_t pos) {
        Match best;
        const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(kMaxMatch, size_ - pos));
        // Too close to the end to start a match; later positions are closer still, so the
        // position need not be in the tree either.
        if (limit < kMinMatch)
            return best;
        const uint8_t* cur = buf_ + pos;
        const uint32_t prefix = cur[0] | cur[1] << 8 | static_cast<uint32_t>(cur[2]) << 16;
        uint32_t& headSlot = head_[(prefix * 2654435761u) >> (32 - kHashBits)];
        uint32_t candidate = headSlot;
        headSlot = pos;

        uint32_t* smaller = &tree_[2 * (pos & kWindowMask)];
        uint32_t* larger = smaller + 1;
        uint32_t lenSmaller = 0;
        uint32_t lenLarger = 0;
        for (uint32_t depth = kMaxDepth;; --depth) {
            if (candidate == kNone || pos - candidate > kMaxDistance || depth == 0) {
                *smaller = kNone;
                *larger = kNone;
                return best;
            }
            uint32_t* pair = &tree_[2 * (candidate & kWindowMask)];
            const uint8_t* other = buf_ + candidate;
            uint32_t len = std::min(lenSmaller, lenLarger);
            while (len < limit && other[len] == cur[len])
                ++len;
            if (len > best.len)
                best = {len, pos - candidate};
            if (len == limit) {
                // Equal as far as it matters: the new position takes the old one's place.
                *smaller = pair[0];
                *larger = pair[1];
                return best;
            }
            if (other[len] < cur[len]) {
                *smaller = candidate;
                smaller = pair + 1;
                candidate = *smaller;
                lenSmaller = len;
            } else {
                *larger = candidate;
                larger = pair;
                candidate = *larger;
                lenLarger = len;
            }
        }
    }

private:
    // As many trees as window positions: few collisions, and a table small enough to set up
    // quickly for small files.
    static constexpr int kHashBits = 12;

    const uint8_t* buf_;
    size_t size_;
    std::vector<uint32_t> head_;
    std::vector<uint32_t> tree_;
};

class TokenWriter {
public:
    explicit TokenWriter(std::vector<uint8_t>& out) : out_(out) {}

    void Literal(uint8_t byte) {
        NextFlag(true);
        out_.push_back(byte);
    }
    // `outIndex` is the output position the match is written at.
    void Copy(size_t outIndex, uint32_t distance, uint32_t len) {
        NextFlag(false);
        const uint32_t pos = (static_cast<uint32_t>(outIndex) + kStartPosition - distance) & kWindowMask;
        out_.push_back(static_cast<uint8_t>(pos & 0xFF));
        out_.push_back(static_cast<uint8_t>((pos >> 4 & 0xF0) | (len - kMinMatch)));
    }

private:
    void NextFlag(bool literal) {
        if (used_ == kTokensPerFlag) {
            flagAt_ = out_.size();
            out_.push_back(0);
            used_ = 0;
        }
        if (literal)
            out_[flagAt_] |= static_cast<uint8_t>(1u << used_);
        ++used_;
    }

    std::vector<uint8_t>& out_;
    size_t flagAt_ = 0;
    int used_ = kTokensPerFlag;
};

void WriteHeader(uint8_t missingChar, uint32_t length, std::vector<uint8_t>& out) {
    out.insert(out.end(), kSignature.begin(), kSignature.end());
    out.push_back(kModeA);
    out.push_back(missingChar);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(length >> shift));
}

// The cheapest encoding of each suffix of a block, given the longest match at each position
// (`choice` in); leaves in `choice` the token to take at each position, 1 for a literal. Any
// shorter prefix of the longest match is a match too, so every length from 3 up to it is a
// candidate.
void ChooseTokens(size_t n, std::vector<uint8_t>& choice, std::vector<uint32_t>& cost) {
    cost[n] = 0;
    for (size_t i = n; i-- > 0;) {
        uint32_t best = cost[i + 1] + kLiteralBits;
        uint8_t take = 1;
        for (uint32_t len = kMinMatch; len <= choice[i]; ++len) {
            const uint32_t c = cost[i + len] + kMatchBits;
            if (c <= best) {
                best = c;
                take = static_cast<uint8_t>(len);
            }
        }
        cost[i] = best;
        choice[i] = take;
    }
}

} // namespace

bool EncodeSzdd(const uint8_t* data, size_t size, uint8_t missingChar, std::vector<uint8_t>& out) {
    if (size > UINT32_MAX)
        return false;
    out.reserve(out.size() + kHeaderSize + size + size / 8 + 1);
    WriteHeader(missingChar, static_cast<uint32_t>(size), out);
    if (size == 0)
        return true;

    std::vector<uint8_t> buf(kPrefix + size, kWindowFill);
    std::memcpy(buf.data() + kPrefix, data, size);
    MatchFinder finder(buf.data(), buf.size());
    for (uint32_t p = 0; p < kPrefix; ++p)
        finder.FindAndInsert(p);

    TokenWriter writer(out);
    const size_t block = std::min(size, kBlock);
    std::vector<uint8_t> choice(block);
    std::vector<uint16_t> distance(block);
    std::vector<uint32_t> cost(block + 1);
    for (size_t start = 0; start < size; start += block) {
        const size_t n = std::min(block, size - start);
        for (size_t i = 0; i < n; ++i) {
            const Match m = finder.FindAndInsert(static_cast<uint32_t>(kPrefix + start + i));
            choice[i] = static_cast<uint8_t>(std::min<size_t>(m.len, n - i));
            distance[i] = static_cast<uint16_t>(m.distance);
        }
        ChooseTokens(n, choice, cost);
        for (size_t i = 0; i < n; i += choice[i]) {
            if (choice[i] == 1)
                writer.Literal(data[start + i]);
            else
                writer.Copy(start + i, distance[i], choice[i]);
        }
    }
    return true;
}

} // namespace quorin
