// Builds a package folder from a manifest: Setup.EXE and Setup.DLL, the documents, the files
// compressed under their shipped names, and Setup.INF in code page 932; then reads the result
// back the way Setup will.
#include <map>

#include "base/cp932.h"
#include "ini/profile.h"
#include "installer/procedures.h"
#include "installer/setup_script.h"
#include "lz/encode.h"
#include "lz/names.h"
#include "basic/string_routines.h"
#include "pack.h"
#include "installer/paths.h"

namespace quorin::pack {
namespace {

constexpr size_t kMaxTextBytes = ini::kSetupBufferSize - 1;

// A name directly in the package folder.
bool PlainName(const std::string& name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string::npos && name != "." && name != ".." &&
           StaysInsideFolder(FromUtf8(name));
}

std::optional<fs::path> FirstExisting(const std::vector<fs::path>& candidates) {
    for (const fs::path& p : candidates) {
        if (fs::is_regular_file(p))
            return p;
    }
    return std::nullopt;
}

struct PackageFile {
    std::string name; // in the package folder (UTF-8)
    fs::path source;
    bool compress = false;
    uint8_t missingChar = 0;
};

} // namespace

bool BuildPackage(const BuildOptions& options, std::vector<Problem>& problems, Output& log) {
    const size_t before = problems.size();
    Manifest m;
    if (!ReadManifest(options.manifest, m, problems))
        return false;
    const std::string file = PathToUtf8(options.manifest);

    for (const auto& [name, path] : options.sources) {
        bool matched = false;
        for (ManifestFile& f : m.files)
            if (EqualsNoCase(FromUtf8(f.name), FromUtf8(name))) {
                f.source = path;
                matched = true;
            }
        if (!matched)
            problems.push_back({file, "File", "Name", "--source " + name + ": no [File] has that name"});
    }

    // Setup.EXE and Setup.DLL: given, named in the manifest, or found in dist/win32 (from the
    // current folder, or beside a tool that lies in dist/bin or dist/win32).
    auto locate = [&](const std::optional<fs::path>& given, const std::optional<fs::path>& inManifest,
                      const char* name, const char* key, const char* option) -> std::optional<fs::path> {
        if (given || inManifest) {
            const fs::path p = given ? *given : *inManifest;
            if (FirstExisting({p}))
                return p;
            problems.push_back(
                {file, given ? "" : "Package", given ? "" : key, PathToUtf8(p) + ": no such file"});
            return std::nullopt;
        }
        std::optional<fs::path> p =
            FirstExisting({fs::path("dist") / "win32" / name, options.toolFolder / ".." / "win32" / name,
                           options.toolFolder / name});
        if (!p)
            problems.push_back(
                {file, "Package", key,
                 std::string(name) + " not found in dist/win32; name it here or give " + option});
        return p;
    };
    const std::optional<fs::path> setupExe =
        locate(options.setupExe, m.setupExe, "Setup.EXE", "SetupExe", "--setup-exe");
    const std::optional<fs::path> setupDll =
        locate(options.setupDll, m.setupDll, "Setup.DLL", "SetupDll", "--setup-dll");

    // What goes into the folder; names must be distinct as the platform compares them.
    std::vector<PackageFile> contents;
    if (setupExe)
        contents.push_back({"Setup.EXE", *setupExe});
    if (setupDll)
        contents.push_back({"Setup.DLL", *setupDll});
    contents.push_back({"Setup.INF", {}});
    for (const auto& [name, source] : m.copies) {
        if (!PlainName(name))
            problems.push_back({file, "Copy", name, "must be a plain file name"});
        contents.push_back({name, source});
    }

    // [Main]
    std::optional<std::string> title = Utf8ToCp932(m.title);
    if (m.title.empty())
        problems.push_back({file, "Package", "Title", "missing or empty"});
    else if (!title)
        problems.push_back({file, "Package", "Title", "has characters that code page 932 cannot hold"});
    else if (title->size() > kMaxTextBytes)
        problems.push_back({file, "Package", "Title",
                            std::to_string(title->size()) + " bytes in code page 932; Setup reads at most " +
                                std::to_string(kMaxTextBytes)});
    std::optional<std::string> document = Utf8ToCp932(m.document);
    if (!document)
        problems.push_back({file, "Package", "Document", "has characters that code page 932 cannot hold"});
    else if (!m.document.empty() && !PlainName(m.document))
        problems.push_back({file, "Package", "Document", "must be a plain file name"});
    if (m.files.size() > 32767)
        problems.push_back({file, "", "", "more than 32767 [File] sections"});

    // The entries.
    std::string entries;
    std::vector<std::string> finalNames;
    for (size_t i = 0; i < m.files.size(); ++i) {
        const ManifestFile& f = m.files[i];
        const std::string section = "File " + std::to_string(i + 1);
        if (!PlainName(f.name)) {
            problems.push_back({file, section, "Name", "\"" + f.name + "\" must be a plain file name"});
            continue;
        }
        if (!FirstExisting({f.source}))
            problems.push_back({file, section, "Source", PathToUtf8(f.source) + ": no such file"});
        const CompressedName shipped = CompressedNameFor(f.name, true);
        const std::optional<std::string> source = Utf8ToCp932(shipped.name);
        const std::optional<std::string> target = Utf8ToCp932(f.name);
        if (!source || !target) {
            problems.push_back({file, section, "Name", "has characters that code page 932 cannot hold"});
            continue;
        }
        if (source->find(',') != std::string::npos)
            problems.push_back(
                {file, section, "Name", "a comma would split the Lz value in the wrong place"});
        contents.push_back({shipped.name, f.source, true, shipped.missingChar});
        finalNames.push_back(f.name);
        entries += "\r\n[" + std::to_string(i + 1) + "]\r\nLz=" + *source + "," + *target +
                   "\r\nSelfRegister=" + (f.selfRegister ? "YES" : "NO") + "\r\n";
    }

    // Distinct names: two files under one name would overwrite each other, and a final name
    // equal to a file of the package would collide at install time.
    std::map<Text, std::string> taken;
    auto claim = [&](const std::string& name, const std::string& what) {
        Text folded;
        for (char16_t c : FromUtf8(name))
            folded.push_back(FoldCase(c));
        auto [it, inserted] = taken.emplace(folded, what);
        if (!inserted)
            problems.push_back(
                {file, "", "", what + ": the name \"" + name + "\" is also used by " + it->second});
    };
    for (const PackageFile& c : contents)
        claim(c.name, c.compress ? "compressed file" : "package file");
    for (const std::string& name : finalNames)
        claim(name, "installed file");
    if (!m.document.empty()) {
        bool known = false;
        for (const PackageFile& c : contents)
            known = known || EqualsNoCase(FromUtf8(c.name), FromUtf8(m.document));
        for (const std::string& name : finalNames)
            known = known || EqualsNoCase(FromUtf8(name), FromUtf8(m.document));
        if (!known)
            problems.push_back(
                {file, "Package", "Document", "\"" + m.document + "\" is neither copied nor installed"});
    }
    if (problems.size() != before)
        return false;

    // Write.
    if (!fs::create_directories(options.output)) {
        problems.push_back({PathToUtf8(options.output), "", "", "cannot create the folder"});
        return false;
    }
    for (const PackageFile& c : contents) {
        if (c.name == "Setup.INF")
            continue;
        std::vector<uint8_t> data;
        if (!ReadWholeFile(c.source, data)) {
            problems.push_back({PathToUtf8(c.source), "", "", "cannot read"});
            continue;
        }
        const size_t size = data.size();
        if (c.compress) {
            std::vector<uint8_t> packed;
            if (!EncodeSzdd(data.data(), data.size(), c.missingChar, packed)) {
                problems.push_back({PathToUtf8(c.source), "", "", "too large for the LZ format (4 GiB)"});
                continue;
            }
            data.swap(packed);
        }
        const fs::path out = options.output / PathFromUtf8(c.name);
        if (!WriteFileAtomically(out, data)) {
            problems.push_back({PathToUtf8(out), "", "", "cannot write"});
            continue;
        }
        log << "  " << c.name << "  ("
            << (c.compress ? "compressed " + std::to_string(size) + " -> " : std::string()) << data.size()
            << " bytes, from " << PathToUtf8(c.source) << ")\n";
    }
    std::string script = "[Main]\r\nTitle=" + *title + "\r\n";
    if (!m.document.empty())
        script += "Document=" + *document + "\r\n";
    script += "All=" + std::to_string(m.files.size()) + "\r\nLzTrash=" + (m.lzTrash ? "YES" : "NO") + "\r\n" +
              entries;
    const fs::path scriptPath = options.output / "Setup.INF";
    if (!WriteFileAtomically(scriptPath, std::vector<uint8_t>(script.begin(), script.end())))
        problems.push_back({PathToUtf8(scriptPath), "", "", "cannot write"});
    else
        log << "  Setup.INF  (" << script.size() << " bytes, code page 932)\n";
    if (problems.size() != before)
        return false;

    // Read back as Setup will: the values must arrive unchanged (the profile reader trims
    // blanks and quotes, for one).
    CheckPackage(options.output, problems);
    std::vector<uint8_t> written;
    ReadWholeFile(scriptPath, written);
    const ini::Profile profile =
        ini::Profile::Parse(std::string_view(reinterpret_cast<const char*>(written.data()), written.size()));
    IniProfileReader reader(profile);
    const SetupSettings s = LoadSetupScriptFrom(reader).settings;
    if (s.Title != FromUtf8(m.title))
        problems.push_back({file, "Package", "Title", "Setup would read it as \"" + ToUtf8(s.Title) + "\""});
    if (s.Document != FromUtf8(m.document))
        problems.push_back(
            {file, "Package", "Document", "Setup would read it as \"" + ToUtf8(s.Document) + "\""});
    for (size_t i = 0; i < m.files.size() && i < s.Entries.size(); ++i) {
        if (s.Entries[i].LzTarget != FromUtf8(m.files[i].name) ||
            s.Entries[i].LzSource != FromUtf8(CompressedNameFor(m.files[i].name, true).name))
            problems.push_back({file, "File " + std::to_string(i + 1), "Name",
                                "Setup would read the entry as \"" + ToUtf8(s.Entries[i].LzSource) + "\",\"" +
                                    ToUtf8(s.Entries[i].LzTarget) + "\""});
    }
    return !HasProblems(problems, before);
}

} // namespace quorin::pack
