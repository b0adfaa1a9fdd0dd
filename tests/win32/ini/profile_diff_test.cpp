// The portable INI reader and writer against the platform's GetPrivateProfileStringA and
// GetPrivateProfileIntA, in one process. For every file of the seed corpus both are asked the
// same questions: every section and key name the file spells, as written and blank-padded in the
// other letter case, with two defaults and buffer sizes, and the lists of names. Then the same
// after the same writes through both writers. The answers must be byte for byte the same.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "ini/profile.h"

namespace {

namespace fs = std::filesystem;
using quorin::ini::Profile;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The name as written and, with `respelled`, padded with its ASCII letters in the other case
// (changed on the decoded text, so trail bytes stay as they are): what the lookups must trim and
// fold.
void AddSpellings(std::set<std::string>& out, const std::string& name, bool respelled) {
    if (name.find('\0') != std::string::npos)
        return; // the A functions cannot pass a NUL inside a name
    quorin::Text text = quorin::cp932::Decode(name);
    for (char16_t& c : text)
        if ((c | 0x20) >= u'a' && (c | 0x20) <= u'z')
            c ^= 0x20;
    out.insert(name);
    if (respelled)
        out.insert(" " + quorin::cp932::Encode(text) + " ");
}

// Names and texts with their bytes escaped, for the failure messages.
std::string Say(const std::string& text, const std::string& key = {}) {
    return ::testing::PrintToString(text) + (key.empty() ? "" : " " + ::testing::PrintToString(key));
}

// Every section and key name the text spells, found the simple way (not with the reader under
// test), and a few that Setup asks for.
void AddNames(const std::string& bytes, bool respelled, std::set<std::string>& sections,
              std::set<std::string>& keys) {
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line, '\n');) {
        const size_t open = line.find('['), close = line.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open)
            AddSpellings(sections, line.substr(open + 1, close - open - 1), respelled);
        AddSpellings(keys, line.substr(0, line.find('=')), respelled);
    }
    for (const char* s : {"Main", "1", "missing", ""})
        AddSpellings(sections, s, respelled);
    for (const char* k : {"Title", "All", "Lz", "missing"})
        AddSpellings(keys, k, respelled);
}

std::vector<std::string> PlatformList(const char* section, const std::string& path) {
    std::vector<char> buffer(1 << 16, '\0');
    ::GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                               path.c_str());
    std::vector<std::string> names;
    for (const char* p = buffer.data(); *p != '\0'; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

// Asks the platform about the file at `path` and the portable reader about `profile`; returns
// the answers that differ. `thorough` asks every name in two spellings and cuts values to a
// small buffer too.
std::vector<std::string> Compare(const std::string& path, const Profile& profile, const std::string& names,
                                 bool thorough) {
    std::set<std::string> sections, keys;
    AddNames(names, thorough, sections, keys);
    std::vector<std::string> differences;
    for (const std::string& sec : sections) {
        for (const std::string& key : keys) {
            if (key.empty())
                continue; // the platform leaves the buffer as it was
            for (const auto& [def, size] :
                 {std::pair<const char*, size_t>{"dflt  ", 255}, {"\"quoted\"", 8}}) {
                if (size != 255 && !thorough)
                    continue;
                std::vector<char> buffer(size + 8, '\0');
                ::GetPrivateProfileStringA(sec.c_str(), key.c_str(), def, buffer.data(),
                                           static_cast<DWORD>(size), path.c_str());
                const std::string portable = profile.GetString(sec, key, def, size);
                if (buffer.data() != portable)
                    differences.push_back(Say(sec, key) + " in " + std::to_string(size) +
                                          " bytes: platform " + Say(buffer.data()) + ", portable " +
                                          Say(portable));
            }
            const int platform =
                static_cast<int>(::GetPrivateProfileIntA(sec.c_str(), key.c_str(), -7, path.c_str()));
            if (platform != profile.GetInt(sec, key, -7))
                differences.push_back(Say(sec, key) + " as a number: platform " + std::to_string(platform));
        }
        if (PlatformList(sec.c_str(), path) != profile.KeyNames(sec))
            differences.push_back("keys of " + Say(sec));
    }
    if (PlatformList(nullptr, path) != profile.SectionNames())
        differences.push_back("section names");
    return differences;
}

TEST(ProfileDifferential, CorpusReadsAlike) {
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(QUORIN_INI_CORPUS)) {
        const std::string bytes = ReadBytes(entry.path());
        for (const std::string& d : Compare(entry.path().string(), Profile::Parse(bytes), bytes, true))
            ADD_FAILURE() << entry.path().filename().string() << ": " << d;
        ++files;
    }
    EXPECT_GE(files, 20u);
}

struct WriteOp {
    const char* section;
    const char* key;   // nullptr: remove the section
    const char* value; // nullptr: remove the key
};

TEST(ProfileDifferential, WritesReadBackAlike) {
    const WriteOp ops[] = {
        {"Main", "Title", "new title"},
        {"Main", "NewKey", "  leading blanks"},
        {"NewSection", "k", "v"},
        {"Main", "All", nullptr},
        {"1", nullptr, nullptr},
        {"2", "Lz", "x,y"},
        {"\x83\x5A\x83\x4E\x83\x56\x83\x87\x83\x93", "\x90\x56\x83\x4C\x81\x5B", "\x92\x6C"},
        {"D", "NoEquals", "now with value"},
        {"Main", nullptr, nullptr},
        {"main", "title", "after removal"},
        {"Missing", nullptr, nullptr},
        {"Main", "Missing", nullptr},
    };
    const fs::path folder =
        fs::temp_directory_path() / ("quorin-ini-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(folder);
    size_t known = 0;
    for (const char* name : {"basic", "dups", "blanks", "sjis", "headers", "nofinal", "cr", "lf",
                             "empty_file", "comments", "bom_utf8", "bom_utf16"}) {
        std::string bytes = ReadBytes(fs::path(QUORIN_INI_CORPUS) / (std::string(name) + ".ini"));
        const std::string path = (folder / (std::string(name) + ".ini")).string();
        std::ofstream(path, std::ios::binary) << bytes;
        Profile profile = Profile::Parse(bytes);
        for (const WriteOp& op : ops) {
            ::WritePrivateProfileStringA(op.section, op.key, op.value, path.c_str());
            EXPECT_TRUE(profile.Write(op.section,
                                      op.key ? std::optional<std::string_view>(op.key) : std::nullopt,
                                      op.value ? std::optional<std::string_view>(op.value) : std::nullopt));
            bytes += std::string("\n[") + op.section + "]\n" + (op.key ? op.key : "") + "=\n";
            for (const std::string& d : Compare(path, profile, bytes, false)) {
                // The platform writes a section with an empty name ("[]", "[ ]") without its
                // header, so that section's keys join "[a]b]" before it when the file is read
                // again; the portable writer keeps every line it does not change.
                if (std::string(name) == "headers" &&
                    (d.find("a]b") != std::string::npos || d.find("A]B") != std::string::npos)) {
                    ++known;
                    continue;
                }
                ADD_FAILURE() << name << " after writing [" << op.section << "]: " << d;
            }
        }
    }
    fs::remove_all(folder);
    EXPECT_GT(known, 0u) << "the platform no longer moves the keys of \"[]\": the readers now agree there";
}

} // namespace
