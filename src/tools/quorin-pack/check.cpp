// Checks a package's Setup.INF the way Setup reads it: the portable profile reader and the
// setup-script rules of the core, then the files the entries name.
#include <map>

#include "base/cp932.h"
#include "ini/profile.h"
#include "installer/procedures.h"
#include "installer/placement.h"
#include "installer/setup_script.h"
#include "lz/decode.h"
#include "basic/string_routines.h"
#include "pack.h"
#include "installer/paths.h"

namespace quorin::pack {
namespace {

constexpr size_t kMaxTextBytes = ini::kSetupBufferSize - 1;

std::string Utf8(const Text& text) {
    return ToUtf8(text);
}

std::string Quoted(const Text& text) {
    return "\"" + Utf8(text) + "\"";
}

// Setup registers a final name by its extension: EXE, DLL and OCX in any letter case.
bool ExtensionRegisters(const Text& name) {
    const size_t dot = name.rfind(u'.');
    const Text extension = dot == Text::npos ? Text() : name.substr(dot + 1);
    return EqualsNoCase(extension, u"EXE") || EqualsNoCase(extension, u"DLL") ||
           EqualsNoCase(extension, u"OCX");
}

// When Setup's 255-byte buffer cuts a text value: the message telling its length in the code
// page.
std::optional<std::string> CutBySetup(const ini::Profile& profile, const std::string& section,
                                      const char* key) {
    const size_t bytes = profile.GetString(section, key, "", std::string::npos).size();
    if (bytes <= kMaxTextBytes)
        return std::nullopt;
    return std::to_string(bytes) + " bytes in code page 932; Setup reads only the first " +
           std::to_string(kMaxTextBytes);
}

} // namespace

int CheckPackage(const fs::path& folder, std::vector<Problem>& problems) {
    const std::optional<fs::path> found = FindNoCase(folder, "Setup.INF");
    const fs::path scriptPath = found ? *found : folder / "Setup.INF";
    const std::string file = PathToUtf8(scriptPath);
    std::vector<uint8_t> bytes;
    if (!found || !ReadWholeFile(scriptPath, bytes)) {
        problems.push_back({file, "", "", "no setup script (Setup.INF) in the package folder"});
        return 0;
    }
    const ini::Profile profile =
        ini::Profile::Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    IniProfileReader reader(profile);
    const ScriptLoadResult loaded = LoadSetupScriptFrom(reader);
    const SetupSettings& s = loaded.settings;
    const std::string main = Utf8(kSectionMain);

    // [Main]
    if (s.Title.empty())
        problems.push_back(
            {file, main, "Title", "empty or missing: Setup shows it and files the install record under it"});
    else if (s.Title.find(u'\\') != Text::npos)
        problems.push_back(
            {file, main, "Title",
             Quoted(s.Title) +
                 " holds \"\\\": Setup writes no entry in the list of installed programs for it"});
    for (const char* key : {"Title", "Document"})
        if (const auto cut = CutBySetup(profile, "Main", key))
            problems.push_back({file, main, key, *cut});

    std::map<size_t, bool> bad; // entries already reported by the script rules
    const std::vector<ScriptProblem>& rules = loaded.problems;
    for (size_t i = 0; i < rules.size(); ++i) {
        const ScriptProblem& p = rules[i];
        if (p.kind == ScriptProblemKind::AllOutOfRange) {
            problems.push_back({file, main, "All", Utf8(p.value) + " is outside 0 to 32767"});
            continue;
        }
        const std::string section = Utf8(p.section);
        const size_t number = std::stoul(section);
        bad[number - 1] = true;
        if (p.kind != ScriptProblemKind::MissingLz) {
            problems.push_back(
                {file, section, "Lz", Quoted(p.value) + " has no comma between compressed and final name"});
            continue;
        }
        // A run of missing sections (an All larger than the script) is one line, not thousands.
        size_t last = number;
        while (i + 1 < rules.size() && rules[i + 1].kind == ScriptProblemKind::MissingLz &&
               rules[i + 1].section == FromAscii(std::to_string(last + 1))) {
            bad[last] = true;
            ++last;
            ++i;
        }
        const std::string message = "missing: each section 1 to All needs Lz=compressed,final";
        if (last == number)
            problems.push_back({file, section, "Lz", message});
        else
            problems.push_back(
                {file, section, "Lz",
                 message + "; so " +
                     (last - number == 1 ? "is the section"
                                         : "are the " + std::to_string(last - number) + " sections") +
                     " after it, up to [" + std::to_string(last) + "] (is All too large?)"});
    }

    // The entries.
    std::map<Text, std::string> targets; // folded target -> section that has it
    for (size_t i = 0; i < s.Entries.size(); ++i) {
        const SetupEntry& e = s.Entries[i];
        const std::string section = std::to_string(i + 1);
        if (const auto cut = CutBySetup(profile, section, "Lz"))
            problems.push_back(
                {file, section, "Lz", *cut + ", so the final name arrives as " + Quoted(e.LzTarget)});
        if (bad.count(i))
            continue;
        if (e.SelfRegister && !ExtensionRegisters(e.LzTarget))
            problems.push_back({file, section, "SelfRegister",
                                Quoted(e.LzTarget) + " is no EXE, DLL or OCX; Setup does not register it",
                                true});
        bool namesOk = true;
        for (const Text* name : {&e.LzSource, &e.LzTarget}) {
            const char* which = name == &e.LzSource ? "compressed" : "final";
            if (name->empty()) {
                problems.push_back({file, section, "Lz", std::string("the ") + which + " name is empty"});
                namesOk = false;
            } else if (NamesDevice(*name)) {
                problems.push_back({file, section, "Lz",
                                    std::string("the ") + which + " name " + Quoted(*name) +
                                        " names a device (CON, NUL, COM1, ...), not a file of the package"});
                namesOk = false;
            } else if (!StaysInsideFolder(*name)) {
                problems.push_back(
                    {file, section, "Lz",
                     std::string("the ") + which + " name " + Quoted(*name) +
                         " leaves the package folder (absolute path, drive, colon or \"..\")"});
                namesOk = false;
            }
        }
        if (!namesOk)
            continue;
        // Setup never replaces its own files, nor deletes them as compressed files.
        for (const char16_t* own : {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"}) {
            if (NamesSameFile(e.LzTarget, own))
                problems.push_back({file, section, "Lz",
                                    "the final name " + Quoted(e.LzTarget) +
                                        " is Setup's own file; Setup leaves the entry alone"});
            if (s.LzTrash && NamesSameFile(e.LzSource, own))
                problems.push_back({file, section, "Lz",
                                    "the compressed name " + Quoted(e.LzSource) +
                                        " is Setup's own file, which LzTrash would delete; Setup leaves the "
                                        "entry alone"});
        }
        const Text& last = e.LzTarget;
        if (last.back() == u'\\' || last.back() == u'/' ||
            (FindNoCase(folder, Utf8(e.LzTarget)) && fs::is_directory(*FindNoCase(folder, Utf8(e.LzTarget)))))
            problems.push_back({file, section, "Lz",
                                "the final name " + Quoted(e.LzTarget) + " names a folder, not a file"});

        auto [it, inserted] = targets.emplace(PathKey(e.LzTarget), section);
        if (!inserted)
            problems.push_back(
                {file, section, "Lz",
                 "the final name " + Quoted(e.LzTarget) + " is also the final name of [" + it->second + "]"});

        const std::optional<fs::path> source = FindNoCase(folder, Utf8(e.LzSource));
        std::vector<uint8_t> data;
        if (!source || !ReadWholeFile(*source, data)) {
            problems.push_back(
                {file, section, "Lz", "the compressed file " + Quoted(e.LzSource) + " is missing"});
            continue;
        }
        if (data.empty()) {
            problems.push_back({file, section, "Lz",
                                "the compressed file " + Quoted(e.LzSource) +
                                    " does not decode (it is empty); Setup installs no empty file"});
            continue;
        }
        std::vector<uint8_t> expanded;
        const SzddStatus status = DecodeSzdd(data.data(), data.size(), expanded);
        // A file without the signature is an uncompressed one, which Setup copies as it is.
        if (status != SzddStatus::Ok && status != SzddStatus::BadSignature)
            problems.push_back({file, section, "Lz",
                                "the compressed file " + Quoted(e.LzSource) + " does not decode (" +
                                    SzddStatusText(status) + ")"});
    }

    // The document the Welcome button opens: in the folder, or placed by an entry.
    if (!s.Document.empty()) {
        if (!StaysInsideFolder(s.Document))
            problems.push_back({file, main, "Document", Quoted(s.Document) + " leaves the package folder"});
        else if (!FindNoCase(folder, Utf8(s.Document)) && !targets.count(PathKey(s.Document)))
            problems.push_back({file, main, "Document",
                                Quoted(s.Document) + " is neither in the package nor installed by it"});
    }
    return static_cast<int>(s.Entries.size());
}

} // namespace quorin::pack
