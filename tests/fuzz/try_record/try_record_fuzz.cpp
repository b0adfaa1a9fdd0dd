// Any bytes as a trial record: parsing never fails unsafely, and a record that parses writes out
// to text that parses to the same record.
#include <cstdint>
#include <string>

#include "../fuzz_check.h"
#include "try/record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorin::pack;
    TrialRecord record;
    std::string error;
    if (!ParseTrialRecord(std::string_view(reinterpret_cast<const char*>(data), size), record, error))
        return 0;
    const std::string text = WriteTrialRecord(record);
    TrialRecord again;
    Check(ParseTrialRecord(text, again, error) && WriteTrialRecord(again) == text);
    return 0;
}
