// The setup script's model and its reading, shared by Setup (through ProfileFile and the
// platform's profile functions) and the package builder (through the portable INI reader), so
// both apply the same rules.
#pragma once

#include <cstdint>
#include <vector>

#include "ini/profile.h"
#include "base/text.h"

namespace quorin {

enum class InstallState : int32_t {
    InstalledElsewhere = 0,
    NotInstalled = 1,
    InstalledHere = 2,
};

struct SetupEntry {
    Text LzSource;
    Text LzTarget;
    bool SelfRegister = false;
};

struct SetupSettings {
    Text Title;
    Text Document;
    int16_t All = 0;
    std::vector<SetupEntry> Entries; // indices 0 to All - 1
    bool LzTrash = false;
};

// What the script reader needs of a profile file: text, a number and a YES/NO value, each with
// the value a missing key gives.
class ProfileReader {
public:
    virtual ~ProfileReader() = default;
    virtual Text ReadText(const Text& section, const Text& key, const Text& fallback = Text()) = 0;
    virtual int32_t ReadNumber(const Text& section, const Text& key, int32_t fallback = 0) = 0;
    virtual bool ReadYesNo(const Text& section, const Text& key, bool fallback = false) = 0;
};

// A script fault that Setup cannot install from. Reading stops adding entries at none of
// them; every fault is reported.
enum class ScriptProblemKind {
    AllOutOfRange,  // [Main] All, as written, lies outside 0 to 32767; no numbered section is read
    MissingLz,      // a numbered section 1..All has no Lz key (or the section is missing)
    LzWithoutComma, // its Lz value holds no comma
};

struct ScriptProblem {
    ScriptProblemKind kind;
    Text section; // "Main" or the decimal section number
    Text key;     // "All" or "Lz"
    Text value;   // the offending value as the script writes it (All's text; Lz as read)
};

struct ScriptLoadResult {
    SetupSettings settings;
    std::vector<ScriptProblem> problems;
    bool ok() const noexcept { return problems.empty(); }
};

// The setup script's section and key names.
inline const Text kSectionMain = u"Main";
inline const Text kKeyTitle = u"Title";
inline const Text kKeyDocument = u"Document";
inline const Text kKeyAll = u"All";
inline const Text kKeyLzTrash = u"LzTrash";
inline const Text kKeyLz = u"Lz";
inline const Text kKeySelfRegister = u"SelfRegister";

// Reads the whole script in Setup's order of calls: Title, Document, All (as a number, then as
// text), then for each numbered section Lz and SelfRegister, then LzTrash. An Lz value splits
// at its first comma. A section whose Lz lacks a comma keeps the whole value as LzSource with
// an empty LzTarget and adds a problem; only then a second read, with a default holding a
// comma, tells a missing key from a comma-less value.
//
// All is taken only when the number as written lies between 0 and 32767 and the integer reader
// agrees with it. The reader wraps at 32 bits and Setup keeps 16 of them, so 65538 would
// install 2 entries and 40000 would read as negative; such a value is refused instead (All 0,
// no numbered section read), and the problem shows the text as written.
//
// A checker wants every problem; Setup shows only the first and refuses the script, so it stops
// reading there: a large All over a script with few sections is then refused at once instead of
// after reading every absent section (Entries is left partly filled).
enum class ScriptProblems { All, UntilFirst };
ScriptLoadResult LoadSetupScriptFrom(ProfileReader& reader, ScriptProblems wanted = ScriptProblems::All);

// Splits an Lz value at its first comma: (before, after). No comma: (whole value, empty).
void SplitLz(const Text& value, Text& lzSource, Text& lzTarget);

// A ProfileReader over the portable INI reader: text converted to code page 932 for each
// call and back, the same 255-byte buffer, the same YES/NO rule as ProfileFile. Defined in
// ini_profile_reader.cpp, so that a program reading through the platform does not link it.
class IniProfileReader : public ProfileReader {
public:
    explicit IniProfileReader(const ini::Profile& profile) : profile_(profile) {}
    Text ReadText(const Text& section, const Text& key, const Text& fallback = Text()) override;
    int32_t ReadNumber(const Text& section, const Text& key, int32_t fallback = 0) override;
    bool ReadYesNo(const Text& section, const Text& key, bool fallback = false) override;

private:
    const ini::Profile& profile_;
};

// The YES/NO rule: true exactly for "YES" in any letter case.
bool ParseYesNo(TextView text) noexcept;

} // namespace quorin
