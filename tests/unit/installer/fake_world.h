// One recording fake of the installer's platform interfaces: a package folder of files (compressed
// ones in the real LZ format), the settings store's "Installer" section, the registered components
// and the uninstall entries. The procedures' calls, pauses included, are written down in order;
// placement's own calls are counted, not written. Faults: any call by number (failAt), every call
// from a number on (killAt, the process gone), procedure calls by their line (refuse: raise;
// decline: report failure), a full disk.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "installer/paths.h"
#include "installer/placement.h"
#include "installer/procedures.h"
#include "lz/decode.h"
#include "lz/encode.h"

namespace quorin::test {

inline const Text kFolder = u"C:\\PKG";

inline std::string Compressed(const std::string& data, char recorded) {
    std::vector<uint8_t> out;
    EncodeSzdd(reinterpret_cast<const uint8_t*>(data.data()), data.size(), static_cast<uint8_t>(recorded),
               out);
    return std::string(out.begin(), out.end());
}

struct Killed {};

class FakeWorld : public InstallPlatform, public PlacementPlatform, public SettingsStore {
public:
    struct File {
        std::string data;
        bool readOnly = false, hidden = false;
    };
    std::map<Text, File> files; // by PathKey of the name relative to the folder
    std::map<Text, Text> records;
    std::set<Text> registered, entries;

    std::vector<std::string> log;
    long calls = 0, failAt = 0, killAt = 0;
    std::set<std::string> refuse, decline;
    bool diskFull = false, neverAppears = false, renameFails = false;
    int32_t answer = kIdYes;
    InstallState state = InstallState::NotInstalled;

    void Put(const Text& name, const std::string& data) { files[PathKey(name)] = {data}; }
    bool Has(const Text& name) const { return files.count(PathKey(name)) != 0; }
    std::string Data(const Text& name) const {
        auto it = files.find(PathKey(name));
        return it == files.end() ? "(none)" : it->second.data;
    }
    // The folder by name as the platform folds it, and each file's bytes.
    std::map<std::string, std::string> Folder() const {
        std::map<std::string, std::string> out;
        for (const auto& [key, file] : files)
            out[ToUtf8(key)] = file.data;
        return out;
    }
    std::vector<std::string> Told() const { // the report messages (301 to 307)
        std::vector<std::string> out;
        for (const std::string& e : log)
            if (e.rfind("message 30", 0) == 0)
                out.push_back(e);
        return out;
    }

    // --- InstallPlatform
    Text ProgramFolder() override { return Counted(kFolder); }
    int32_t ShowMessage(uint32_t id, uint32_t style, const std::vector<Text>& values) override {
        std::string line = "message " + std::to_string(id) + " " + std::to_string(style);
        for (const Text& v : values)
            line += " [" + ToUtf8(v) + "]";
        Record(line);
        return id == kIdAskInstall || id == kIdAskUninstall ? answer : 1;
    }
    void EnableButton(ProcedureButton b, bool on) override {
        Record(std::string(b == ProcedureButton::Install ? "install" : "uninstall") + (on ? " on" : " off"));
    }
    void ShowTip(uint32_t id) override { Record("tip " + std::to_string(id)); }
    void SetMousePointer(int32_t p) override { Record("pointer " + std::to_string(p)); }
    void Pause(uint32_t ms) override { Record("pause " + std::to_string(ms)); }
    PlaceOutcome PlaceFile(const Text& folder, const SetupEntry& e) override {
        if (Declined("place " + ToUtf8(e.LzSource) + "," + ToUtf8(e.LzTarget)))
            return PlaceOutcome::NotMoved;
        return quorin::PlaceFile(folder, e, *this);
    }
    bool RegisterComponent(const Text& path) override {
        if (Declined("register " + ToUtf8(path)) || !Has(Relative(path)))
            return false;
        registered.insert(PathKey(path));
        return true;
    }
    bool UnregisterComponent(const Text& path) override {
        return !Declined("unregister " + ToUtf8(path)) && registered.erase(PathKey(path)) != 0;
    }
    void RemoveFile(const Text& path) override {
        Record("delete " + ToUtf8(path));
        auto it = files.find(PathKey(Relative(path)));
        if (it == files.end())
            throw RuntimeError(ErrorCode::FileNotFound, ToUtf8(path));
        files.erase(it);
    }
    SettingsStore& Settings() override { return *this; }
    void UpdateUninstallEntry(const SetupSettings& s) override {
        Record("entry " + ToUtf8(s.Title));
        if (state == InstallState::NotInstalled)
            entries.insert(s.Title);
        else
            entries.erase(s.Title);
    }
    std::vector<Text> OwnFiles() override { return {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"}; }

    // --- SettingsStore: the "Installer" section.
    Text GetSetting(const Text&, const Text&, const Text& key, const Text& fallback) override {
        auto it = records.find(key);
        return it == records.end() ? fallback : it->second;
    }
    void SaveSetting(const Text&, const Text&, const Text& key, const Text& value) override {
        Record("save " + ToUtf8(key) + "=" + ToUtf8(value));
        records[key] = value;
    }
    void DeleteSetting(const Text&, const Text&, const Text& key) override {
        Record("delete record " + ToUtf8(key));
        if (records.erase(key) == 0)
            throw RuntimeError(ErrorCode::PlatformFailure, "no such value");
    }
    std::optional<std::vector<std::pair<Text, Text>>> GetAllSettings(const Text&, const Text&) override {
        Record("list");
        if (records.empty())
            return std::nullopt;
        return std::vector<std::pair<Text, Text>>(records.begin(), records.end());
    }
    void DeleteSection(const Text&, const Text&) override {
        Record("delete section");
        records.clear();
    }

    // --- PlacementPlatform, over the same folder; counted, not written down.
    bool IsExisting(const Text& path) override { return Counted(Has(Relative(path))); }
    Text ExpandedName(const Text& path) override {
        Record("");
        auto it = files.find(PathKey(Relative(path)));
        if (it == files.end())
            return Text();
        Text name = path;
        SzddHeader header;
        const auto* bytes = reinterpret_cast<const uint8_t*>(it->second.data.data());
        if (ReadSzddHeader(bytes, it->second.data.size(), header) == SzddStatus::Ok && name.back() == u'_') {
            name.pop_back();
            if (header.missingChar != 0)
                name.push_back(header.missingChar);
        }
        return name.size() > 127 ? Text() : name; // longer than the platform's expanded names
    }
    void Expand(const Text& from, const Text& to) override {
        Record("");
        expansionFailed_ = true;
        auto target = files.find(PathKey(Relative(to)));
        if (target != files.end() && target->second.hidden)
            return; // creating over a hidden or system file is refused
        auto in = files.find(PathKey(Relative(from)));
        const bool readable = in != files.end() && !in->second.readOnly; // opened for writing too
        const std::string data = readable ? in->second.data : std::string();
        File& out = files[PathKey(Relative(to))] = {}; // created (emptied) first
        if (!readable)
            return;
        std::vector<uint8_t> expanded(data.begin(), data.end());
        const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
        bool ok = true;
        if (HasSzddSignature(bytes, data.size()))
            ok = DecodeSzdd(bytes, data.size(), expanded) == SzddStatus::Ok;
        if (diskFull) {
            expanded.resize(expanded.size() / 2);
            ok = false;
        }
        out.data.assign(expanded.begin(), expanded.end());
        expansionFailed_ = !ok;
        if (neverAppears) {
            files.erase(PathKey(Relative(to)));
            expansionFailed_ = false;
        }
    }
    bool ExpansionFailed() override { return Counted(expansionFailed_); }
    bool IsPathExisting(const Text& path) override {
        Record("");
        auto it = files.find(PathKey(Relative(path)));
        return it != files.end() && !it->second.hidden;
    }
    bool CreateNewFile(const Text& path) override {
        Record("");
        return files.emplace(PathKey(Relative(path)), File{}).second;
    }
    void Rename(const Text& from, const Text& to) override {
        Record("");
        auto it = files.find(PathKey(Relative(from)));
        if (renameFails || it == files.end() || (Has(Relative(to)) && PathKey(from) != PathKey(to)))
            throw RuntimeError(ErrorCode::PlatformFailure, "rename");
        File f = it->second;
        files.erase(it);
        files[PathKey(Relative(to))] = f;
    }
    void Delete(const Text& path) override {
        Record("");
        auto it = files.find(PathKey(Relative(path)));
        if (it == files.end() || it->second.readOnly)
            throw RuntimeError(ErrorCode::PlatformFailure, "delete");
        files.erase(it);
    }

private:
    static Text Relative(const Text& path) {
        return path.rfind(kFolder + u"\\", 0) == 0 ? path.substr(kFolder.size() + 1) : path;
    }
    // Counts a call; raises as a refused call does (failAt, refuse) or as a vanished process
    // (killAt); writes it down unless the line is empty.
    void Record(const std::string& line) {
        ++calls;
        if (killAt && calls >= killAt)
            throw Killed();
        if (!line.empty())
            log.push_back(line);
        if (calls == failAt || (!line.empty() && refuse.count(line)))
            throw RuntimeError(ErrorCode::PlatformFailure, "refused: " + line);
    }
    template <typename T> T Counted(T answer) {
        Record("");
        return answer;
    }
    bool Declined(const std::string& line) {
        Record(line);
        return decline.count(line) != 0;
    }
    bool expansionFailed_ = false;
};

// Setup's own files and a package of compressed entries, as its script lists them.
inline SetupSettings Package(FakeWorld& w, const std::vector<SetupEntry>& entries, bool lzTrash,
                             const char16_t* title = u"Gantrel") {
    for (const char16_t* own : {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"})
        w.Put(own, "own " + ToUtf8(own));
    SetupSettings s;
    s.Title = title;
    s.All = static_cast<int16_t>(entries.size());
    s.Entries = entries;
    s.LzTrash = lzTrash;
    for (const SetupEntry& e : entries)
        if (StaysInsideFolder(e.LzSource) && !e.LzSource.empty() && !w.Has(e.LzSource))
            w.Put(e.LzSource,
                  Compressed("content of " + ToUtf8(e.LzTarget), static_cast<char>(e.LzTarget.back())));
    return s;
}

} // namespace quorin::test
