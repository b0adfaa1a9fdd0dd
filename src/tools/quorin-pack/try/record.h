// What one trial of a package under Wine saw, as the Windows driver (quorin-pack-try.exe) collects
// it and the tool reads it back: the runs of Setup (state offered, message boxes, how each run
// ended) and full snapshots of the package folder and the registry between them. The driver only
// collects; judging and reporting are done from this record by portable code. The record travels
// as a line-oriented UTF-8 file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorin::pack {

// What Setup's window offered once it had decided the product's state.
enum class Offered {
    Unknown,   // the window never settled (no window, or Setup ended first)
    Install,   // the Install button
    Uninstall, // the Uninstall button
    Neither,   // neither button: the product is installed in another folder
};
const char* OfferedName(Offered offered);

// A message box as the user read it (UTF-8).
struct SeenBox {
    std::string caption;
    std::string text;
};

// The starts of Setup a trial makes, in order. The copy elsewhere is started only when pictures
// are wanted: it shows the window's fourth state.
inline constexpr char kRunInstall[] = "install";                        // first start: Install, Yes
inline constexpr char kRunInstalledElsewhere[] = "installed-elsewhere"; // a copy in another folder
inline constexpr char kRunUninstall[] = "uninstall";                    // second start: Uninstall, Yes
inline constexpr char kRunAfterUninstall[] = "after-uninstall";         // third start: Install again

// One start of Setup.
struct SetupRunRecord {
    std::string name;                   // the phase: "install", "installed-elsewhere", ...
    Offered toPress = Offered::Unknown; // the button the driver was to press (Install, Uninstall), or none
    Offered offered = Offered::Unknown;
    bool pressed = false;       // that button was offered and pressed
    std::vector<SeenBox> boxes; // in the order shown
    bool started = false;       // the process was created
    bool ended = false;         // it ended by itself (after Cancel); false: the driver ended it
    int64_t exitCode = 0;
    double seconds = 0;
    std::vector<std::string> screenshots; // file names written
    std::vector<std::string> problems;    // what the driver could not do
};

// A file or folder in the package folder, by path relative to it ("/" between folders).
struct FileFacts {
    bool folder = false;
    uint64_t size = 0;
    uint64_t hash = 0; // of the contents
    bool operator==(const FileFacts& o) const {
        return folder == o.folder && size == o.size && hash == o.hash;
    }
    bool operator!=(const FileFacts& o) const { return !(*this == o); }
};
using FolderSnapshot = std::map<std::string, FileFacts>;

// A registry value: its type's name ("REG_SZ", ...) and its data as text (see FormatRegistryData).
struct RegistryValue {
    std::string type;
    std::string data;
    bool operator==(const RegistryValue& o) const { return type == o.type && data == o.data; }
    bool operator!=(const RegistryValue& o) const { return !(*this == o); }
};
using RegistryKey = std::map<std::string, RegistryValue>; // value name ("" = the default value)
// Full key path ("HKEY_CURRENT_USER\Software\...") -> its values; every key is present, also
// those without values.
using RegistrySnapshot = std::map<std::string, RegistryKey>;

struct Snapshot {
    FolderSnapshot folder;
    RegistrySnapshot registry;
};

// Snapshot names the driver takes.
inline constexpr char kSnapshotBefore[] = "before";           // before the install
inline constexpr char kSnapshotInstalled[] = "installed";     // after the install
inline constexpr char kSnapshotUninstalled[] = "uninstalled"; // after the uninstall

struct TrialRecord {
    std::string title;                  // [Main] Title as Setup reads it
    std::string folder;                 // the package copy Setup ran in (Windows path)
    std::map<int, std::string> strings; // Setup's message texts by id, as a box shows them
    // The compressed files the script's LzTrash deletes once their entries are installed (none
    // when LzTrash is NO): an uninstall does not bring them back.
    std::vector<std::string> lzTrash;
    std::vector<SetupRunRecord> runs; // in order
    std::map<std::string, Snapshot> snapshots;
    std::vector<std::string> notes; // what else the driver noticed (a picture not saved, ...)
};

// The record's text form: one item per line, fields separated by tabs, each field escaped the
// way C writes them (\\ \t \n \r, and \xHH for other control characters) so that names and
// data survive.
//
//   quorin-pack-try-record 1
//   title T | folder F | note N | string ID TEXT | lztrash NAME
//   run NAME                 then, for that run: press BUTTON | offered STATE | pressed 0|1 |
//                            box CAPTION TEXT | process STARTED ENDED EXITCODE SECONDS |
//                            screenshot FILE | problem TEXT
//   snapshot NAME            then, for that snapshot: d PATH | f PATH SIZE HASH | k KEY |
//                            v NAME TYPE DATA (a value of the last k)
//   end
inline constexpr char kRecordMagic[] = "quorin-pack-try-record 1";
std::string WriteTrialRecord(const TrialRecord& record);
// False, with the line and what is wrong in `error`, when the text is not a complete record.
bool ParseTrialRecord(std::string_view text, TrialRecord& record, std::string& error);

// Registry data as the record and the report show it: strings as UTF-8 text (a REG_MULTI_SZ's
// strings separated by "\n"), 32- and 64-bit numbers in decimal, anything else as hex bytes.
// `bytes` is the data as the registry returns it (strings in UTF-16LE).
RegistryValue FormatRegistryData(uint32_t type, const uint8_t* bytes, size_t size);

// The contents' fingerprint kept in folder snapshots (64-bit FNV-1a).
uint64_t ContentHash(const uint8_t* bytes, size_t size, uint64_t hash = 0xcbf29ce484222325ull);

} // namespace quorin::pack
