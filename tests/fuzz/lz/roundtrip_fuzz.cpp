// Any bytes through the encoder and back: decode(encode(x)) == x, never larger than spelling
// every byte. The first byte picks the recorded character.
#include <cstdint>
#include <vector>

#include "../fuzz_check.h"
#include "lz/decode.h"
#include "lz/encode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t missing = size > 0 ? data[0] : 0;
    std::vector<uint8_t> packed;
    Check(quorin::EncodeSzdd(data, size, missing, packed));
    Check(packed.size() <= 14 + size + (size + 7) / 8);
    std::vector<uint8_t> back;
    quorin::SzddHeader header;
    Check(quorin::DecodeSzdd(packed.data(), packed.size(), back, &header) == quorin::SzddStatus::Ok);
    Check(back == std::vector<uint8_t>(data, data + size) && header.missingChar == missing);
    return 0;
}
