// Any bytes through the decoder: no out-of-bounds access (the sanitizers watch), and what it
// accepts is consistent: the output has the header's length and survives our own round trip.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "lz/decode.h"
#include "lz/encode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    quorin::SzddHeader header;
    const quorin::SzddStatus status = quorin::DecodeSzdd(data, size, out, &header);
    // One input byte makes at most nine output bytes.
    if (size >= 14 && out.size() > (size - 14) * 9)
        std::abort();
    if (status != quorin::SzddStatus::Ok)
        return 0;
    if (out.size() != header.length)
        std::abort();
    std::vector<uint8_t> again;
    std::vector<uint8_t> back;
    quorin::SzddHeader backHeader;
    if (!quorin::EncodeSzdd(out.data(), out.size(), header.missingChar, again) ||
        quorin::DecodeSzdd(again.data(), again.size(), back, &backHeader) != quorin::SzddStatus::Ok ||
        back != out || backHeader.missingChar != header.missingChar)
        std::abort();
    return 0;
}
