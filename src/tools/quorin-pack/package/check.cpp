#include "package/check.h"

#include <map>
#include <set>

#include "basic/string_routines.h"
#include "installer/paths.h"
#include "installer/procedures.h"
#include "lz/decode.h"

namespace quorin::pack {
namespace {

constexpr size_t kMaxTextBytes = ini::kSetupBufferSize - 1;

std::string Quoted(const Text& text) {
    return "\"" + ToUtf8(text) + "\"";
}

// The checks of one script, in the order a reader of the report meets them.
class ScriptCheck {
public:
    ScriptCheck(const Path& folder, const PackageScript& script, std::vector<Problem>& problems)
        : folder_(folder), file_(script.path.Utf8()), profile_(script.profile),
          settings_(script.loaded.settings), problems_(problems) {}

    void CheckMain() {
        if (settings_.Title.empty())
            Report(main_, "Title", "empty or missing: Setup shows it and files the install record under it");
        else if (settings_.Title.find(u'\\') != Text::npos)
            Report(main_, "Title",
                   Quoted(settings_.Title) +
                       " holds \"\\\": Setup writes no entry in the list of installed programs for it");
        for (const char* key : {"Title", "Document"})
            if (const auto cut = CutBySetup("Main", key))
                Report(main_, key, *cut);
    }

    // What the installer's script rules found; the entries they name are not checked further.
    void ReportScriptRules(const std::vector<ScriptProblem>& rules) {
        for (size_t i = 0; i < rules.size(); ++i) {
            const ScriptProblem& p = rules[i];
            if (p.kind == ScriptProblemKind::AllOutOfRange) {
                Report(main_, "All", ToUtf8(p.value) + " is outside 0 to 32767");
                continue;
            }
            const size_t number = std::stoul(ToUtf8(p.section));
            broken_.insert(number);
            if (p.kind == ScriptProblemKind::LzWithoutComma)
                Report(std::to_string(number), "Lz",
                       Quoted(p.value) + " has no comma between compressed and final name");
            else
                i = ReportMissingRun(rules, i, number);
        }
    }

    void CheckEntries() {
        for (size_t i = 0; i < settings_.Entries.size(); ++i) {
            const std::string section = std::to_string(i + 1);
            if (const auto cut = CutBySetup(section, "Lz"))
                Report(section, "Lz",
                       *cut + ", so the final name arrives as " + Quoted(settings_.Entries[i].LzTarget));
            if (!broken_.count(i + 1))
                CheckEntry(section, settings_.Entries[i]);
        }
    }

    // The document the Welcome button opens: in the folder, or placed by an entry.
    void CheckDocument() {
        if (settings_.Document.empty())
            return;
        if (!StaysInsideFolder(settings_.Document))
            Report(main_, "Document", Quoted(settings_.Document) + " leaves the package folder");
        else if (!FindNoCase(folder_, ToUtf8(settings_.Document)) &&
                 !targets_.count(PathKey(settings_.Document)))
            Report(main_, "Document",
                   Quoted(settings_.Document) + " is neither in the package nor installed by it");
    }

private:
    void Report(const std::string& section, const std::string& key, const std::string& message,
                bool note = false) {
        problems_.push_back({file_, section, key, message, note});
    }

    // When Setup's 255-byte buffer cuts a text value: the message telling its length in the code
    // page.
    std::optional<std::string> CutBySetup(const std::string& section, const char* key) const {
        const size_t bytes = profile_.GetString(section, key, "", std::string::npos).size();
        if (bytes <= kMaxTextBytes)
            return std::nullopt;
        return std::to_string(bytes) + " bytes in code page 932; Setup reads only the first " +
               std::to_string(kMaxTextBytes);
    }

    // A run of missing sections (an All larger than the script) is one line, not thousands.
    // Returns the index of the run's last problem.
    size_t ReportMissingRun(const std::vector<ScriptProblem>& rules, size_t i, size_t first) {
        size_t last = first;
        while (i + 1 < rules.size() && rules[i + 1].kind == ScriptProblemKind::MissingLz &&
               rules[i + 1].section == FromAscii(std::to_string(last + 1))) {
            broken_.insert(++last);
            ++i;
        }
        std::string message = "missing: each section 1 to All needs Lz=compressed,final";
        if (last == first + 1)
            message +=
                "; so is the section after it, up to [" + std::to_string(last) + "] (is All too large?)";
        else if (last > first)
            message += "; so are the " + std::to_string(last - first) + " sections after it, up to [" +
                       std::to_string(last) + "] (is All too large?)";
        Report(std::to_string(first), "Lz", message);
        return i;
    }

    void CheckEntry(const std::string& section, const SetupEntry& e) {
        const Text path = JoinFolder(FromUtf8(folder_.Utf8()), e.LzTarget);
        if (e.SelfRegister && SelfRegistrationOf(path) == SelfRegistration::None)
            Report(section, "SelfRegister",
                   Quoted(e.LzTarget) + " is no EXE, DLL or OCX; Setup does not register it", true);
        const bool sourceUsable = NameUsable(section, "compressed", e.LzSource);
        const bool targetUsable = NameUsable(section, "final", e.LzTarget);
        if (!sourceUsable || !targetUsable)
            return;
        CheckOwnFiles(section, e);
        const std::optional<Path> target = FindNoCase(folder_, ToUtf8(e.LzTarget));
        if (e.LzTarget.back() == u'\\' || e.LzTarget.back() == u'/' || (target && IsFolder(*target)))
            Report(section, "Lz", "the final name " + Quoted(e.LzTarget) + " names a folder, not a file");
        auto [it, inserted] = targets_.emplace(PathKey(e.LzTarget), section);
        if (!inserted)
            Report(section, "Lz",
                   "the final name " + Quoted(e.LzTarget) + " is also the final name of [" + it->second +
                       "]");
        CheckCompressedFile(section, e.LzSource);
    }

    bool NameUsable(const std::string& section, const std::string& which, const Text& name) {
        if (name.empty())
            Report(section, "Lz", "the " + which + " name is empty");
        else if (NamesDevice(name))
            Report(section, "Lz",
                   "the " + which + " name " + Quoted(name) +
                       " names a device (CON, NUL, COM1, ...), not a file of the package");
        else if (!StaysInsideFolder(name))
            Report(section, "Lz",
                   "the " + which + " name " + Quoted(name) +
                       " leaves the package folder (absolute path, drive, colon or \"..\")");
        else
            return true;
        return false;
    }

    // Setup never replaces its own files, nor deletes them as compressed files.
    void CheckOwnFiles(const std::string& section, const SetupEntry& e) {
        for (const char16_t* own : {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"}) {
            if (NamesSameFile(e.LzTarget, own))
                Report(section, "Lz",
                       "the final name " + Quoted(e.LzTarget) +
                           " is Setup's own file; Setup leaves the entry alone");
            if (settings_.LzTrash && NamesSameFile(e.LzSource, own))
                Report(section, "Lz",
                       "the compressed name " + Quoted(e.LzSource) +
                           " is Setup's own file, which LzTrash would delete; Setup leaves the entry alone");
        }
    }

    void CheckCompressedFile(const std::string& section, const Text& name) {
        const std::optional<Path> source = FindNoCase(folder_, ToUtf8(name));
        std::vector<uint8_t> data;
        if (!source || !ReadWholeFile(*source, data)) {
            Report(section, "Lz", "the compressed file " + Quoted(name) + " is missing");
            return;
        }
        if (data.empty()) {
            Report(section, "Lz",
                   "the compressed file " + Quoted(name) +
                       " does not decode (it is empty); Setup installs no empty file");
            return;
        }
        std::vector<uint8_t> expanded;
        const SzddStatus status = DecodeSzdd(data.data(), data.size(), expanded);
        // A file without the signature is an uncompressed one, which Setup copies as it is.
        if (status != SzddStatus::Ok && status != SzddStatus::BadSignature)
            Report(section, "Lz",
                   "the compressed file " + Quoted(name) + " does not decode (" + SzddStatusText(status) +
                       ")");
    }

    const Path& folder_;
    const std::string file_;
    const std::string main_ = "Main";
    const ini::Profile& profile_;
    const SetupSettings& settings_;
    std::vector<Problem>& problems_;
    std::set<size_t> broken_;             // entries (from 1) the script rules reported
    std::map<Text, std::string> targets_; // folded final name -> the section that has it
};

} // namespace

PackageScript ReadPackageScript(const Path& folder, ScriptProblems wanted) {
    PackageScript script;
    const std::optional<Path> found = FindNoCase(folder, "Setup.INF");
    script.path = found ? *found : folder / "Setup.INF";
    std::vector<uint8_t> bytes;
    script.found = found && ReadWholeFile(*found, bytes);
    script.profile =
        ini::Profile::Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    IniProfileReader reader(script.profile);
    script.loaded = LoadSetupScriptFrom(reader, wanted);
    return script;
}

int CheckPackage(const Path& folder, std::vector<Problem>& problems) {
    const PackageScript script = ReadPackageScript(folder);
    if (!script.found) {
        problems.push_back({script.path.Utf8(), "", "", "no setup script (Setup.INF) in the package folder"});
        return 0;
    }
    ScriptCheck check(folder, script, problems);
    check.CheckMain();
    check.ReportScriptRules(script.loaded.problems);
    check.CheckEntries();
    check.CheckDocument();
    return static_cast<int>(script.loaded.settings.Entries.size());
}

} // namespace quorin::pack
