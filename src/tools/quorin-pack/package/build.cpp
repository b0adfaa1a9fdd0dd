#include "package/build.h"

#include <algorithm>
#include <map>

#include "base/cp932.h"
#include "basic/string_routines.h"
#include "package/check.h"
#include "installer/paths.h"
#include "lz/encode.h"
#include "lz/names.h"
#include "package/manifest.h"

namespace quorin::pack {
namespace {

constexpr size_t kMaxTextBytes = ini::kSetupBufferSize - 1;

// Problems of the manifest, each with its section and key.
struct ManifestProblems {
    std::string file;
    std::vector<Problem>& list;
    void operator()(std::string section, std::string key, std::string message) const {
        list.push_back({file, std::move(section), std::move(key), std::move(message)});
    }
};

// Text as the script holds it, in code page 932; none when a character has no exact form there
// (a best-fit stand-in would not read back as written).
std::optional<std::string> ScriptText(const std::string& utf8) {
    return cp932::EncodeExact(FromUtf8(utf8));
}

// A name directly in the package folder.
bool PlainName(const std::string& name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string::npos && name != "." && name != ".." &&
           StaysInsideFolder(FromUtf8(name));
}

bool SameName(const std::string& a, const std::string& b) {
    return EqualsNoCase(FromUtf8(a), FromUtf8(b));
}

struct PackageFile {
    std::string name; // in the package folder (UTF-8)
    Path source;      // empty for the script, which is written, not copied
    bool compress = false;
    uint8_t missingChar = 0;
};

// What goes into the package folder, and the script that lists the entries.
struct Plan {
    std::vector<PackageFile> contents;
    std::vector<std::string> finalNames;
    std::string script;
};

void TakeSourceOverrides(const BuildOptions& options, Manifest& m, const ManifestProblems& report) {
    for (const auto& [name, path] : options.sources) {
        bool matched = false;
        for (ManifestFile& f : m.files)
            if (SameName(f.name, name)) {
                f.source = path;
                matched = true;
            }
        if (!matched)
            report("File", "Name", "--source " + name + ": no [File] has that name");
    }
}

// Setup.EXE or Setup.DLL: given, named in the manifest, or found in dist/win32 (from the current
// folder, or beside a tool that lies in dist/bin or dist/win32).
void PlanSetupFile(const BuildOptions& options, const std::optional<Path>& given,
                   const std::optional<Path>& inManifest, const char* name, const char* key,
                   const char* option, Plan& plan, const ManifestProblems& report) {
    std::vector<Path> candidates = {Path("dist") / "win32" / name, options.toolFolder / ".." / "win32" / name,
                                    options.toolFolder / name};
    if (given || inManifest)
        candidates = {given ? *given : *inManifest};
    for (const Path& p : candidates)
        if (IsFile(p)) {
            plan.contents.push_back({name, p});
            return;
        }
    if (given)
        report("", "", given->Utf8() + ": no such file");
    else if (inManifest)
        report("Package", key, inManifest->Utf8() + ": no such file");
    else
        report("Package", key,
               std::string(name) + " not found in dist/win32; name it here or give " + option);
}

// [Main]: the title and the document.
void PlanMainSection(const Manifest& m, Plan& plan, const ManifestProblems& report) {
    const std::optional<std::string> title = ScriptText(m.title);
    if (m.title.empty())
        report("Package", "Title", "missing or empty");
    else if (!title)
        report("Package", "Title", "has characters that code page 932 cannot hold");
    else if (title->size() > kMaxTextBytes)
        report("Package", "Title",
               std::to_string(title->size()) + " bytes in code page 932; Setup reads at most " +
                   std::to_string(kMaxTextBytes));
    const std::optional<std::string> document = ScriptText(m.document);
    if (!document)
        report("Package", "Document", "has characters that code page 932 cannot hold");
    else if (!m.document.empty() && !PlainName(m.document))
        report("Package", "Document", "must be a plain file name");
    if (m.files.size() > 32767)
        report("", "", "more than 32767 [File] sections");
    plan.script = "[Main]\r\nTitle=" + title.value_or("") + "\r\n";
    if (!m.document.empty())
        plan.script += "Document=" + document.value_or("") + "\r\n";
    plan.script +=
        "All=" + std::to_string(m.files.size()) + "\r\nLzTrash=" + (m.lzTrash ? "YES" : "NO") + "\r\n";
}

// A numbered section for each [File], and its compressed file in the folder.
void PlanEntries(const Manifest& m, Plan& plan, const ManifestProblems& report) {
    for (size_t i = 0; i < m.files.size(); ++i) {
        const ManifestFile& f = m.files[i];
        const std::string section = "File " + std::to_string(i + 1);
        if (!PlainName(f.name)) {
            report(section, "Name", "\"" + f.name + "\" must be a plain file name");
            continue;
        }
        if (!IsFile(f.source))
            report(section, "Source", f.source.Utf8() + ": no such file");
        const CompressedName shipped = CompressedNameFor(f.name, true);
        const std::optional<std::string> source = ScriptText(shipped.name);
        const std::optional<std::string> target = ScriptText(f.name);
        if (!source || !target) {
            report(section, "Name", "has characters that code page 932 cannot hold");
            continue;
        }
        if (source->find(',') != std::string::npos)
            report(section, "Name", "a comma would split the Lz value in the wrong place");
        plan.contents.push_back({shipped.name, f.source, true, shipped.missingChar});
        plan.finalNames.push_back(f.name);
        plan.script += "\r\n[" + std::to_string(i + 1) + "]\r\nLz=" + *source + "," + *target +
                       "\r\nSelfRegister=" + (f.selfRegister ? "YES" : "NO") + "\r\n";
    }
}

// Two files under one name would overwrite each other, and a final name equal to a file of the
// package would collide at install time; the document must be one of them.
void CheckNames(const Manifest& m, const Plan& plan, const ManifestProblems& report) {
    std::map<Text, std::string> taken;
    auto claim = [&](const std::string& name, const std::string& what) {
        Text folded;
        for (char16_t c : FromUtf8(name))
            folded.push_back(FoldCase(c));
        auto [it, inserted] = taken.emplace(folded, what);
        if (!inserted)
            report("", "", what + ": the name \"" + name + "\" is also used by " + it->second);
    };
    claim("Setup.INF", "package file");
    for (const PackageFile& c : plan.contents)
        claim(c.name, c.compress ? "compressed file" : "package file");
    for (const std::string& name : plan.finalNames)
        claim(name, "installed file");
    if (m.document.empty())
        return;
    const bool known = std::any_of(plan.contents.begin(), plan.contents.end(),
                                   [&](const PackageFile& c) { return SameName(c.name, m.document); }) ||
                       std::any_of(plan.finalNames.begin(), plan.finalNames.end(),
                                   [&](const std::string& name) { return SameName(name, m.document); });
    if (!known)
        report("Package", "Document", "\"" + m.document + "\" is neither copied nor installed");
}

bool WritePackage(const Path& output, const Plan& plan, std::vector<Problem>& problems, Output& log) {
    const size_t before = problems.size();
    if (!MakeFolders(output)) {
        problems.push_back({output.Utf8(), "", "", "cannot create the folder"});
        return false;
    }
    for (const PackageFile& c : plan.contents) {
        std::vector<uint8_t> data, packed;
        if (!ReadWholeFile(c.source, data)) {
            problems.push_back({c.source.Utf8(), "", "", "cannot read"});
            continue;
        }
        const size_t size = data.size();
        if (c.compress && !EncodeSzdd(data.data(), data.size(), c.missingChar, packed)) {
            problems.push_back({c.source.Utf8(), "", "", "too large for the LZ format (4 GiB)"});
            continue;
        }
        if (c.compress)
            data.swap(packed);
        const Path out = output / c.name;
        if (!WriteFileAtomically(out, data)) {
            problems.push_back({out.Utf8(), "", "", "cannot write"});
            continue;
        }
        log << "  " << c.name << "  (" << (c.compress ? "compressed " + std::to_string(size) + " -> " : "")
            << data.size() << " bytes, from " << c.source.Utf8() << ")\n";
    }
    const Path scriptPath = output / "Setup.INF";
    if (WriteFileAtomically(scriptPath, std::vector<uint8_t>(plan.script.begin(), plan.script.end())))
        log << "  Setup.INF  (" << plan.script.size() << " bytes, code page 932)\n";
    else
        problems.push_back({scriptPath.Utf8(), "", "", "cannot write"});
    return problems.size() == before;
}

// The values must arrive as written (the profile reader trims blanks and quotes, for one).
void CompareWithSetupsReading(const Path& output, const Manifest& m, const ManifestProblems& report) {
    const SetupSettings s = ReadPackageScript(output).loaded.settings;
    if (s.Title != FromUtf8(m.title))
        report("Package", "Title", "Setup would read it as \"" + ToUtf8(s.Title) + "\"");
    if (s.Document != FromUtf8(m.document))
        report("Package", "Document", "Setup would read it as \"" + ToUtf8(s.Document) + "\"");
    for (size_t i = 0; i < m.files.size() && i < s.Entries.size(); ++i) {
        const SetupEntry& e = s.Entries[i];
        if (e.LzTarget != FromUtf8(m.files[i].name) ||
            e.LzSource != FromUtf8(CompressedNameFor(m.files[i].name, true).name))
            report("File " + std::to_string(i + 1), "Name",
                   "Setup would read the entry as \"" + ToUtf8(e.LzSource) + "\",\"" + ToUtf8(e.LzTarget) +
                       "\"");
    }
}

} // namespace

bool BuildPackage(const BuildOptions& options, std::vector<Problem>& problems, Output& log) {
    const size_t before = problems.size();
    Manifest m;
    if (!ReadManifest(options.manifest, m, problems))
        return false;
    const ManifestProblems report{options.manifest.Utf8(), problems};
    TakeSourceOverrides(options, m, report);
    Plan plan;
    PlanSetupFile(options, options.setupExe, m.setupExe, "Setup.EXE", "SetupExe", "--setup-exe", plan,
                  report);
    PlanSetupFile(options, options.setupDll, m.setupDll, "Setup.DLL", "SetupDll", "--setup-dll", plan,
                  report);
    for (const auto& [name, source] : m.copies) {
        if (!PlainName(name))
            report("Copy", name, "must be a plain file name");
        plan.contents.push_back({name, source});
    }
    PlanMainSection(m, plan, report);
    PlanEntries(m, plan, report);
    CheckNames(m, plan, report);
    if (problems.size() != before || !WritePackage(options.output, plan, problems, log))
        return false;
    CheckPackage(options.output, problems);
    CompareWithSetupsReading(options.output, m, report);
    return !HasProblems(problems, before);
}

} // namespace quorin::pack
