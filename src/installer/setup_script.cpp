#include "installer/setup_script.h"

#include <string>

namespace quorin {

bool ParseYesNo(TextView text) noexcept {
    if (text.size() != 3)
        return false;
    const char16_t* yes = u"yes";
    for (size_t i = 0; i < 3; ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 0x20);
        if (c != yes[i])
            return false;
    }
    return true;
}

void SplitLz(const Text& value, Text& lzSource, Text& lzTarget) {
    size_t comma = value.find(u',');
    if (comma == Text::npos) {
        lzSource = value;
        lzTarget.clear();
        return;
    }
    lzSource = value.substr(0, comma);
    lzTarget = value.substr(comma + 1);
}

ScriptLoadResult LoadSetupScriptFrom(ProfileReader& reader, ScriptProblems wanted) {
    ScriptLoadResult result;
    SetupSettings& s = result.settings;
    s.Title = reader.ReadText(kSectionMain, kKeyTitle, Text());
    s.Document = reader.ReadText(kSectionMain, kKeyDocument, Text());
    const int32_t all = reader.ReadNumber(kSectionMain, kKeyAll, 0);
    const Text allText = reader.ReadText(kSectionMain, kKeyAll, Text());
    const int64_t written = ini::ReadWrittenInteger(allText);
    if (written < 0 || written > 32767 || written != all) {
        result.problems.push_back({ScriptProblemKind::AllOutOfRange, kSectionMain, kKeyAll, allText});
        if (wanted == ScriptProblems::UntilFirst)
            return result;
    } else if (all > 0) {
        s.All = static_cast<int16_t>(all);
        s.Entries.resize(static_cast<size_t>(s.All));
        for (int i = 0; i < s.All; ++i) {
            const Text section = FromAscii(std::to_string(i + 1));
            SetupEntry& entry = s.Entries[static_cast<size_t>(i)];
            const Text lz = reader.ReadText(section, kKeyLz, Text());
            SplitLz(lz, entry.LzSource, entry.LzTarget);
            if (lz.find(u',') == Text::npos) {
                // A present value never comes back as the comma default, so this tells a missing
                // key (or section) from a value without a comma.
                const bool missing = reader.ReadText(section, kKeyLz, u",") == u",";
                result.problems.push_back(
                    {missing ? ScriptProblemKind::MissingLz : ScriptProblemKind::LzWithoutComma, section,
                     kKeyLz, lz});
                if (wanted == ScriptProblems::UntilFirst)
                    return result;
            }
            entry.SelfRegister = reader.ReadYesNo(section, kKeySelfRegister, false);
        }
    }
    s.LzTrash = reader.ReadYesNo(kSectionMain, kKeyLzTrash, false);
    return result;
}

} // namespace quorin
