// Any bytes through the encoder and back: decode(encode(x)) == x, never larger than spelling
// every byte. The first byte picks the recorded character.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "lz/decode.h"
#include "lz/encode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t missing = size > 0 ? data[0] : 0;
    std::vector<uint8_t> packed;
    if (!quorin::EncodeSzdd(data, size, missing, packed))
        std::abort();
    if (packed.size() > 14 + size + (size + 7) / 8)
        std::abort();
    std::vector<uint8_t> back;
    quorin::SzddHeader header;
    if (quorin::DecodeSzdd(packed.data(), packed.size(), back, &header) != quorin::SzddStatus::Ok)
        std::abort();
    if (back.size() != size || (size > 0 && std::vector<uint8_t>(data, data + size) != back) ||
        header.missingChar != missing)
        std::abort();
    return 0;
}
