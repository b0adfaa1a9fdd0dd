// The build manifest: a small UTF-8 INI file of the tool's own.
#include "base/text.h"
#include "basic/string_routines.h"
#include "pack.h"

namespace quorin::pack {
namespace {

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return std::string();
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool Same(const std::string& a, const char* b) {
    return EqualsNoCase(FromUtf8(a), FromUtf8(b));
}

bool ValidUtf8(const std::string& s) {
    return ToUtf8(FromUtf8(s)) == s;
}

} // namespace

std::string FormatProblem(const Problem& p) {
    std::string out = p.file + ":";
    if (!p.section.empty())
        out += " [" + p.section + "]";
    if (!p.key.empty())
        out += " " + p.key;
    out +=
        std::string(p.section.empty() && p.key.empty() ? " " : ": ") + (p.note ? "note: " : "") + p.message;
    return out;
}

bool HasProblems(const std::vector<Problem>& problems, size_t from) {
    for (size_t i = from; i < problems.size(); ++i)
        if (!problems[i].note)
            return true;
    return false;
}

bool ReadManifest(const fs::path& path, Manifest& manifest, std::vector<Problem>& problems) {
    const size_t before = problems.size();
    const std::string file = PathToUtf8(path);
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        problems.push_back({file, "", "", "cannot read the manifest"});
        return false;
    }
    std::string text(bytes.begin(), bytes.end());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    if (!ValidUtf8(text)) {
        problems.push_back({file, "", "", "the manifest is not UTF-8 text"});
        return false;
    }
    manifest = Manifest();
    manifest.path = path;
    const fs::path base = path.parent_path();
    auto resolve = [&](const std::string& value) { return base / PathFromUtf8(value); };
    auto yesNo = [&](const std::string& section, const std::string& key, const std::string& value,
                     bool& out) {
        if (Same(value, "YES"))
            out = true;
        else if (Same(value, "NO"))
            out = false;
        else
            problems.push_back({file, section, key, "\"" + value + "\" is neither YES nor NO"});
    };

    enum class Section { None, Package, Copy, File, Unknown } section = Section::None;
    std::string sectionName;
    std::vector<std::string> seenKeys;
    bool fileHasSource = false;
    auto finishFile = [&] {
        if (section == Section::File && !fileHasSource)
            problems.push_back({file, sectionName, "Source", "missing: every [File] needs Source="});
    };

    int number = 0;
    for (size_t next = 0; next < text.size();) {
        size_t end = text.find('\n', next);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(next, end - next));
        next = end + 1;
        ++number;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            finishFile();
            if (line.back() != ']') {
                problems.push_back(
                    {file, "", "", "line " + std::to_string(number) + ": a section line ends in ']'"});
                section = Section::Unknown;
                continue;
            }
            const std::string name = Trim(line.substr(1, line.size() - 2));
            seenKeys.clear();
            fileHasSource = false;
            if (Same(name, "Package")) {
                section = Section::Package;
                sectionName = "Package";
            } else if (Same(name, "Copy")) {
                section = Section::Copy;
                sectionName = "Copy";
            } else if (Same(name, "File")) {
                section = Section::File;
                manifest.files.push_back(ManifestFile());
                manifest.files.back().line = number;
                sectionName = "File " + std::to_string(manifest.files.size());
            } else {
                section = Section::Unknown;
                problems.push_back({file, name, "", "unknown section (line " + std::to_string(number) + ")"});
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            problems.push_back(
                {file, sectionName, "", "line " + std::to_string(number) + ": expected key=value"});
            continue;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (section == Section::Unknown)
            continue;
        if (section == Section::None) {
            problems.push_back(
                {file, "", key, "line " + std::to_string(number) + ": a key before any section"});
            continue;
        }
        if (section != Section::Copy) {
            for (const std::string& seen : seenKeys)
                if (Same(seen, key.c_str()))
                    problems.push_back({file, sectionName, key, "given twice"});
            seenKeys.push_back(key);
        }
        switch (section) {
        case Section::Package:
            if (Same(key, "Title"))
                manifest.title = value;
            else if (Same(key, "Document"))
                manifest.document = value;
            else if (Same(key, "LzTrash"))
                yesNo(sectionName, key, value, manifest.lzTrash);
            else if (Same(key, "SetupExe"))
                manifest.setupExe = resolve(value);
            else if (Same(key, "SetupDll"))
                manifest.setupDll = resolve(value);
            else
                problems.push_back({file, sectionName, key, "unknown key"});
            break;
        case Section::Copy:
            manifest.copies.emplace_back(key, resolve(value.empty() ? key : value));
            break;
        case Section::File: {
            ManifestFile& f = manifest.files.back();
            if (Same(key, "Source")) {
                f.source = resolve(value);
                fileHasSource = !value.empty();
                if (f.name.empty())
                    f.name = PathToUtf8(PathFromUtf8(value).filename());
            } else if (Same(key, "Name")) {
                f.name = value;
            } else if (Same(key, "SelfRegister")) {
                yesNo(sectionName, key, value, f.selfRegister);
            } else {
                problems.push_back({file, sectionName, key, "unknown key"});
            }
            break;
        }
        default:
            break;
        }
    }
    finishFile();
    return problems.size() == before;
}

} // namespace quorin::pack
