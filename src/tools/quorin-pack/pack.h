// quorin-pack: the package builder. Compresses files the way Setup expects them, expands them
// back, builds a whole package folder from a manifest and checks a package's Setup.INF with
// the same reader and rules as Setup.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quorin::pack {

namespace fs = std::filesystem;

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProblem = 1; // a problem with the input
inline constexpr int kExitUsage = 2;   // a usage error
inline constexpr int kExitNoWine = 3;  // try: Wine, Xvfb or the tool's Windows driver is missing

// Runs one command line (without the program name); arguments are UTF-8.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The folder of the running tool, where build looks for Setup.EXE and Setup.DLL last.
void SetToolFolder(const std::filesystem::path& folder);
std::filesystem::path ToolFolder();

// --- files -------------------------------------------------------------------------------

// UTF-8 text <-> paths, the same on Linux and Windows.
fs::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const fs::path& path);

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& bytes);
// Writes through a temporary file in the same folder and renames it into place, so a failure
// leaves no partial file under `path`. Replaces an existing file.
bool WriteFileAtomically(const fs::path& path, const std::vector<uint8_t>& bytes);
// The entry of `folder` whose name equals `name` without regard to letter case (as Setup's
// platform sees names); "\" and "/" in `name` separate folders. Empty when there is none.
std::optional<fs::path> FindNoCase(const fs::path& folder, const std::string& name);

// --- code page 932 -----------------------------------------------------------------------

// UTF-8 -> code page 932 as Setup's platform converts it; empty when a character has no form
// in the code page.
std::optional<std::string> Utf8ToCp932(const std::string& utf8);

// --- manifest ----------------------------------------------------------------------------

struct ManifestFile {
    fs::path source;  // resolved against the manifest's folder
    std::string name; // final name in the installed product (UTF-8)
    bool selfRegister = false;
    int line = 0; // where its section starts, for messages
};

struct Manifest {
    fs::path path;
    std::string title;
    std::string document;
    bool lzTrash = false;
    std::optional<fs::path> setupExe;
    std::optional<fs::path> setupDll;
    std::vector<std::pair<std::string, fs::path>> copies; // name in the package, source
    std::vector<ManifestFile> files;
};

// A problem found in an input, with where it is.
struct Problem {
    std::string file;    // the file the problem is in (UTF-8 path)
    std::string section; // empty when not about a section
    std::string key;     // empty when not about a key
    std::string message;
};
std::string FormatProblem(const Problem& p);

// Reads a manifest (UTF-8 INI: [Package], [Copy], repeated [File] sections; see --help).
bool ReadManifest(const fs::path& path, Manifest& manifest, std::vector<Problem>& problems);

// --- build and check ---------------------------------------------------------------------

struct BuildOptions {
    fs::path manifest;
    fs::path output;
    std::optional<fs::path> setupExe; // overrides the manifest
    std::optional<fs::path> setupDll;
    std::vector<std::pair<std::string, fs::path>> sources; // NAME=PATH overrides of [File] sources
    fs::path toolFolder;                                   // where quorin-pack lies, for the defaults
};

// Builds the package folder; problems are appended. Returns true when the package is complete
// and checks clean.
bool BuildPackage(const BuildOptions& options, std::vector<Problem>& problems, std::ostream& log);

// Checks DIR/Setup.INF and the files it names; problems are appended. Returns the number of
// entries read.
int CheckPackage(const fs::path& folder, std::vector<Problem>& problems);

// --- try ---------------------------------------------------------------------------------

struct TryOptions {
    std::string package; // DIR as given (UTF-8)
    std::optional<std::string> keepPrefix;
    std::optional<std::string> screenshots;
    bool json = false;
};

// Runs the package's Setup under Wine as a user would and reports; the exit status of try.
int TryPackage(const TryOptions& options, std::ostream& out, std::ostream& err);

// The part that needs Wine (POSIX only): check's problems go into the report.
int TryUnderWine(const TryOptions& options, const std::vector<std::string>& checkProblems, int entries,
                 std::ostream& out, std::ostream& err);

} // namespace quorin::pack
