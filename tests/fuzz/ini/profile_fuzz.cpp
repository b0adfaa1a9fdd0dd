// Parsing keeps every byte; every name the reader lists can be read within the buffer; a
// write reads back after the file is parsed again.
#include <cstdint>
#include <string>

#include "../fuzz_check.h"
#include "ini/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16)
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    quorin::ini::Profile profile = quorin::ini::Profile::Parse(bytes);
    Check(profile.Serialize() == bytes);

    size_t asked = 0;
    for (const std::string& section : profile.SectionNames()) {
        for (const std::string& key : profile.KeyNames(section)) {
            if (++asked > 200)
                break;
            Check(profile.GetString(section, key, "d").size() <= quorin::ini::kSetupBufferSize - 1);
            Check(profile.GetString(section, key, "", 8).size() <= 7);
            (void)profile.GetInt(section, key, 0);
        }
    }

    // The same write on a copy, then read back from the written bytes; removed again, a key that
    // was absent is absent again.
    const bool absent = profile.GetString("FuzzSection", "FuzzKey", "missing") == "missing";
    quorin::ini::Profile edited = profile;
    if (edited.Write("FuzzSection", std::string_view("FuzzKey"), std::string_view("value 1"))) {
        const quorin::ini::Profile reread = quorin::ini::Profile::Parse(edited.Serialize());
        Check(reread.GetString("FuzzSection", "FuzzKey", "missing") == "value 1");
        Check(reread.GetString("fuzzsection", "FUZZKEY", "missing") == "value 1");
    }
    if (edited.Write("FuzzSection", std::string_view("FuzzKey"), std::nullopt)) {
        const quorin::ini::Profile reread = quorin::ini::Profile::Parse(edited.Serialize());
        Check(!absent || reread.GetString("FuzzSection", "FuzzKey", "missing") == "missing");
    }
    return 0;
}
