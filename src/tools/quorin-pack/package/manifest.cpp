#include "package/manifest.h"

#include "base/text.h"
#include "basic/string_routines.h"

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

// Reads the manifest a line at a time: a line opens a section or gives a key of the current one.
class ManifestReader {
public:
    ManifestReader(const Path& path, Manifest& manifest, std::vector<Problem>& problems)
        : file_(path.Utf8()), base_(path.Parent()), manifest_(manifest), problems_(problems) {}

    void ReadLine(const std::string& line) {
        ++number_;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            return;
        if (line[0] == '[') {
            EndSection();
            OpenSection(line);
            return;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            Report("", "line " + std::to_string(number_) + ": expected key=value");
        else
            SetKey(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }

    void EndSection() {
        if (section_ == Section::File && !fileHasSource_)
            Report("Source", "missing: every [File] needs Source=");
    }

private:
    enum class Section { None, Package, Copy, File, Unknown };

    void Report(const std::string& key, const std::string& message) {
        problems_.push_back({file_, sectionName_, key, message});
    }

    void OpenSection(const std::string& line) {
        seenKeys_.clear();
        fileHasSource_ = false;
        section_ = Section::Unknown;
        sectionName_.clear();
        if (line.back() != ']') {
            Report("", "line " + std::to_string(number_) + ": a section line ends in ']'");
            return;
        }
        const std::string name = Trim(line.substr(1, line.size() - 2));
        if (Same(name, "Package")) {
            section_ = Section::Package;
            sectionName_ = "Package";
        } else if (Same(name, "Copy")) {
            section_ = Section::Copy;
            sectionName_ = "Copy";
        } else if (Same(name, "File")) {
            section_ = Section::File;
            manifest_.files.emplace_back();
            sectionName_ = "File " + std::to_string(manifest_.files.size());
        } else {
            problems_.push_back({file_, name, "", "unknown section (line " + std::to_string(number_) + ")"});
        }
    }

    void SetKey(const std::string& key, const std::string& value) {
        if (section_ == Section::Unknown)
            return;
        if (section_ == Section::None) {
            problems_.push_back(
                {file_, "", key, "line " + std::to_string(number_) + ": a key before any section"});
            return;
        }
        if (section_ == Section::Copy) {
            manifest_.copies.emplace_back(key, Resolve(value.empty() ? key : value));
            return;
        }
        for (const std::string& seen : seenKeys_)
            if (Same(seen, key.c_str()))
                Report(key, "given twice");
        seenKeys_.push_back(key);
        const bool known = section_ == Section::Package ? SetPackageKey(key, value) : SetFileKey(key, value);
        if (!known)
            Report(key, "unknown key");
    }

    bool SetPackageKey(const std::string& key, const std::string& value) {
        if (Same(key, "Title"))
            manifest_.title = value;
        else if (Same(key, "Document"))
            manifest_.document = value;
        else if (Same(key, "LzTrash"))
            SetYesNo(key, value, manifest_.lzTrash);
        else if (Same(key, "SetupExe"))
            manifest_.setupExe = Resolve(value);
        else if (Same(key, "SetupDll"))
            manifest_.setupDll = Resolve(value);
        else
            return false;
        return true;
    }

    bool SetFileKey(const std::string& key, const std::string& value) {
        ManifestFile& f = manifest_.files.back();
        if (Same(key, "Source")) {
            f.source = Resolve(value);
            fileHasSource_ = !value.empty();
            if (f.name.empty())
                f.name = Path(value).Name().Utf8();
        } else if (Same(key, "Name")) {
            f.name = value;
        } else if (Same(key, "SelfRegister")) {
            SetYesNo(key, value, f.selfRegister);
        } else {
            return false;
        }
        return true;
    }

    void SetYesNo(const std::string& key, const std::string& value, bool& out) {
        if (Same(value, "YES"))
            out = true;
        else if (Same(value, "NO"))
            out = false;
        else
            Report(key, "\"" + value + "\" is neither YES nor NO");
    }

    Path Resolve(const std::string& value) const { return base_ / value; }

    const std::string file_;
    const Path base_;
    Manifest& manifest_;
    std::vector<Problem>& problems_;
    int number_ = 0;
    Section section_ = Section::None;
    std::string sectionName_;
    std::vector<std::string> seenKeys_;
    bool fileHasSource_ = false;
};

} // namespace

bool ReadManifest(const Path& path, Manifest& manifest, std::vector<Problem>& problems) {
    const size_t before = problems.size();
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        problems.push_back({path.Utf8(), "", "", "cannot read the manifest"});
        return false;
    }
    std::string text(bytes.begin(), bytes.end());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    if (ToUtf8(FromUtf8(text)) != text) {
        problems.push_back({path.Utf8(), "", "", "the manifest is not UTF-8 text"});
        return false;
    }
    manifest = Manifest();
    ManifestReader reader(path, manifest, problems);
    for (size_t next = 0; next < text.size();) {
        size_t end = text.find('\n', next);
        if (end == std::string::npos)
            end = text.size();
        reader.ReadLine(Trim(text.substr(next, end - next)));
        next = end + 1;
    }
    reader.EndSection();
    return problems.size() == before;
}

} // namespace quorin::pack
