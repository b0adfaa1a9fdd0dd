// Loading the joystick control's properties from a hostile property bag, whose entries are read
// from the input: [key 0-3][kind 0-7][8 payload bytes][text length][UTF-16 text]. A failed load
// names its key; whatever loads saves and loads back to the same fields. (The stream record, a
// fixed layout behind one length, has each of its branches in its unit test.)
#include <cstdint>
#include <cstring>
#include <string>

#include "../fuzz_check.h"
#include "joystick_logic/property_bag.h"

using namespace quorin::joystick;

namespace {

const char16_t* const Keys[] = {KeyInterval, KeyPort, KeyRepeatButton, KeyRepeatCursor};

int KeyIndex(const char16_t* name) {
    for (int i = 0; i < 4; ++i)
        if (std::u16string_view(name) == Keys[i])
            return i;
    std::abort(); // the loader asked for a key it does not own
}

class FuzzBag final : public PropertyBagReader, public PropertyBagWriter {
public:
    struct Entry {
        bool present = false;
        PropValue value;
        std::u16string text;
    } entries[4];

    ReadOutcome Read(const char16_t* name, PropValue& out) noexcept override {
        Entry& e = entries[KeyIndex(name)];
        out = e.value;
        out.text = e.text;
        return e.present ? ReadOutcome::Stored : ReadOutcome::Missing;
    }
    bool Write(const char16_t* name, const PropValue& v) noexcept override {
        entries[KeyIndex(name)] = {true, v, std::u16string(v.text)};
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBag bag;
    for (size_t pos = 0; pos + 11 <= size;) {
        FuzzBag::Entry& e = bag.entries[data[pos] % 4];
        e.present = true;
        e.value.kind = static_cast<ValueKind>(data[pos + 1] % 8);
        std::memcpy(&e.value.integer, data + pos + 2, 4);
        std::memcpy(&e.value.real, data + pos + 2, 8);
        if (e.value.kind == ValueKind::Int16 || e.value.kind == ValueKind::Bool)
            e.value.integer = static_cast<int16_t>(e.value.integer);
        const size_t length = data[pos + 10];
        e.text.clear();
        for (pos += 11; e.text.size() < length && pos + 1 < size; pos += 2)
            e.text.push_back(static_cast<char16_t>(data[pos] | data[pos + 1] << 8));
    }
    PersistedProperties fields{5, 5, 5, 5};
    const LoadResult r = LoadProperties(bag, fields);
    if (r.status != LoadStatus::Ok) {
        Check(r.key != nullptr);
        return 0;
    }
    Check((fields.repeatButton == 0 || fields.repeatButton == -1) &&
          (fields.repeatCursor == 0 || fields.repeatCursor == -1));
    FuzzBag saved;
    PersistedProperties again{1, 1, 1, 1};
    Check(SaveProperties(fields, saved));
    Check(LoadProperties(saved, again).status == LoadStatus::Ok && again == fields);
    return 0;
}
