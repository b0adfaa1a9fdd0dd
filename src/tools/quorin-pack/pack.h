// quorin-pack: the package builder. Compresses files the way Setup expects them, expands them
// back, builds a whole package folder from a manifest and checks a package's Setup.INF with
// the same reader and rules as Setup.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "paths.h"

namespace quorin::pack {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProblem = 1; // a problem with the input
inline constexpr int kExitUsage = 2;   // a usage error
inline constexpr int kExitNoWine = 3;  // try: Wine, Xvfb or the tool's Windows driver is missing

// Where the tool writes its report and its errors: standard output and standard error in the
// program, a string in tests. Not an iostream, which would link the C++ runtime's locale
// machinery into the Windows build.
class Output {
public:
    virtual void Write(std::string_view text) = 0;

    Output& operator<<(std::string_view text) {
        Write(text);
        return *this;
    }
    Output& operator<<(char c) {
        Write(std::string_view(&c, 1));
        return *this;
    }
    template <typename Number,
              typename = std::enable_if_t<std::is_integral_v<Number> && !std::is_same_v<Number, char> &&
                                          !std::is_same_v<Number, bool>>>
    Output& operator<<(Number number) {
        Write(std::to_string(number));
        return *this;
    }

protected:
    ~Output() = default;
};

class StringOutput final : public Output {
public:
    void Write(std::string_view text) override { text_.append(text); }
    const std::string& str() const noexcept { return text_; }

private:
    std::string text_;
};

// Runs one command line (without the program name); arguments are UTF-8.
int Run(const std::vector<std::string>& args, Output& out, Output& err);

// The folder of the running tool, where build looks for Setup.EXE and Setup.DLL last.
void SetToolFolder(const fs::path& folder);
fs::path ToolFolder();

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

// A problem found in an input, with where it is. A note tells something worth knowing that
// does not make the input wrong: it is reported, but the command still succeeds.
struct Problem {
    std::string file;    // the file the problem is in (UTF-8 path)
    std::string section; // empty when not about a section
    std::string key;     // empty when not about a key
    std::string message;
    bool note = false;
};
std::string FormatProblem(const Problem& p);
// Whether problems[from...] holds more than notes.
bool HasProblems(const std::vector<Problem>& problems, size_t from = 0);

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
bool BuildPackage(const BuildOptions& options, std::vector<Problem>& problems, Output& log);

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
int TryPackage(const TryOptions& options, Output& out, Output& err);

// The part that needs Wine (POSIX only): check's problems go into the report.
int TryUnderWine(const TryOptions& options, const std::vector<std::string>& checkProblems, int entries,
                 Output& out, Output& err);

} // namespace quorin::pack
