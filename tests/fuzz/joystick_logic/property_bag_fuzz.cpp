// Loading the joystick control's properties from hostile input. The first byte picks the form:
// even = a stream record (the rest of the input is the stream), odd = a property bag whose
// entries are read from the rest: [key 0-3][kind 0-7][8 payload bytes][text length][UTF-16 text].
// Whatever loads must save and load back to the same fields.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "joystick_logic/stream_record.h"

using namespace quorin::joystick;

namespace {

const char16_t* const kKeys[] = {KeyInterval, KeyPort, KeyRepeatButton, KeyRepeatCursor};

struct Entry {
    bool present = false;
    ValueKind kind = ValueKind::Empty;
    int32_t integer = 0;
    double real = 0.0;
    std::u16string text;
};

class FuzzBag final : public PropertyBagReader, public PropertyBagWriter {
public:
    Entry entries[4];

    ReadOutcome Read(const char16_t* name, PropValue& out) noexcept override {
        for (int i = 0; i < 4; ++i) {
            if (std::u16string_view(name) == kKeys[i]) {
                if (!entries[i].present)
                    return ReadOutcome::Missing;
                const Entry& e = entries[i];
                out = {e.kind, e.integer, e.real, e.text};
                return ReadOutcome::Stored;
            }
        }
        std::abort(); // the loader asked for a key it does not own
    }
    bool Write(const char16_t* name, const PropValue& v) noexcept override {
        for (int i = 0; i < 4; ++i) {
            if (std::u16string_view(name) == kKeys[i]) {
                entries[i] = {true, v.kind, v.integer, v.real, std::u16string(v.text)};
                return true;
            }
        }
        std::abort();
    }
};

void CheckSameAfterSave(const PersistedProperties& loaded) {
    FuzzBag saved;
    if (!SaveProperties(loaded, saved))
        std::abort();
    PersistedProperties again{1, 1, 1, 1};
    if (LoadProperties(saved, again).status != LoadStatus::Ok || !(again == loaded))
        std::abort();
}

void FuzzStream(const uint8_t* data, size_t size) {
    PersistedProperties fields{3, 3, 3, 3};
    size_t consumed = 0;
    const StreamStatus s = DecodeStreamRecord(data, size, fields, consumed);
    if (s != StreamStatus::Ok) {
        if (!(fields == PersistedProperties{3, 3, 3, 3}))
            std::abort();
        return;
    }
    if (consumed > size || consumed < StreamRecordSize)
        std::abort();
    uint8_t bytes[StreamRecordSize];
    EncodeStreamRecord(fields, bytes);
    PersistedProperties back;
    size_t n = 0;
    if (DecodeStreamRecord(bytes, sizeof bytes, back, n) != StreamStatus::Ok || !(back == fields))
        std::abort();
}

void FuzzBagInput(const uint8_t* data, size_t size) {
    FuzzBag bag;
    size_t pos = 0;
    while (pos + 11 <= size) {
        Entry& e = bag.entries[data[pos] % 4];
        e.present = true;
        e.kind = static_cast<ValueKind>(data[pos + 1] % 8);
        std::memcpy(&e.integer, data + pos + 2, 4);
        std::memcpy(&e.real, data + pos + 2, 8);
        if (e.kind == ValueKind::Int16 || e.kind == ValueKind::Bool)
            e.integer = static_cast<int16_t>(e.integer);
        const size_t len = data[pos + 10];
        pos += 11;
        e.text.clear();
        for (size_t i = 0; i < len && pos + 1 < size; ++i, pos += 2)
            e.text.push_back(static_cast<char16_t>(data[pos] | data[pos + 1] << 8));
    }
    PersistedProperties fields{5, 5, 5, 5};
    const LoadResult r = LoadProperties(bag, fields);
    if (r.status == LoadStatus::Ok) {
        if ((fields.repeatButton != 0 && fields.repeatButton != -1) ||
            (fields.repeatCursor != 0 && fields.repeatCursor != -1))
            std::abort();
        CheckSameAfterSave(fields);
    } else if (r.key == nullptr) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] % 2 == 0)
        FuzzStream(data + 1, size - 1);
    else
        FuzzBagInput(data + 1, size - 1);
    return 0;
}
