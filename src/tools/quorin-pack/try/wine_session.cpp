#include "try/command.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "file_system.h"
#include "try/child_process.h"
#include "try/report.h"

// Linux only, and linked dynamically: the standard library's own file system layer costs nothing
// here, unlike in the statically linked Windows tool.
namespace stdfs = std::filesystem;

namespace quorin::pack {
namespace {

constexpr char kDriverName[] = "quorin-pack-try.exe";
constexpr char kDriverVariable[] = "QUORIN_PACK_TRY_DRIVER";
// Marks a prefix this tool made; the number changes when the settings below do.
constexpr char kPrefixMarker[] = ".quorin-pack-try";
constexpr char kPrefixVersion[] = "2\n";
// A kept prefix's registry as it was made, put back before every trial: what one package leaves
// behind must not change what the next trial starts from.
constexpr char kPristineFolder[] = ".quorin-pack-try-pristine";
constexpr const char* kRegistryFiles[] = {"system.reg", "user.reg", "userdef.reg", ".update-timestamp"};
// Where the package copy and the driver's outputs go on the prefix's C: drive.
constexpr char kWorkFolder[] = "quorin-pack-try";
constexpr char kWorkWindows[] = "C:\\quorin-pack-try";

// The prefix's settings: Japanese fonts for the code page 932 texts, no crash debugger (a
// crashing program ends at once instead of waiting in a debugger's window), the usual blue for
// hyperlinks (Wine's default scheme draws them light grey), and Setup's windows left unmanaged:
// without a window manager Wine waits 2 s for each closing window that one would manage, which
// made up two thirds of a trial. The trial looks at neither window frames nor focus, and every
// start still shows which state Setup decided when its window was activated.
constexpr char kPrefixSettings[] = R"(REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
"MS Shell Dlg"="IPAPGothic"
"MS Shell Dlg 2"="IPAPGothic"
"Tahoma"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS PGothic"="IPAPGothic"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"="C:\\windows\\system32\\cmd.exe /c exit"
"Auto"="1"

[HKEY_CURRENT_USER\Control Panel\Colors]
"HotTrackingColor"="0 102 204"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\Setup.EXE\X11 Driver]
"Managed"="N"
)";

std::string ReadText(const stdfs::path& path) {
    std::vector<uint8_t> bytes;
    return ReadWholeFile(path.string(), bytes) ? std::string(bytes.begin(), bytes.end()) : std::string();
}

bool WriteText(const stdfs::path& path, const std::string& text) {
    return WriteFileAtomically(path.string(), std::vector<uint8_t>(text.begin(), text.end()));
}

// What the trial needs of the machine.
struct Tools {
    std::string wine, wineserver;
    bool ownDisplay = false; // no display is set: the trial starts Xvfb
    stdfs::path driver;
};

// The Windows driver: named by the environment, beside the tool, in ../win32 (the dist/ layout:
// dist/bin and dist/win32) or in ../share/quorin-pack (an installed tool).
std::optional<stdfs::path> FindDriver(std::string& tried) {
    std::error_code ec;
    if (const char* named = std::getenv(kDriverVariable); named && *named) {
        tried = std::string(kDriverVariable) + "=" + named;
        return stdfs::is_regular_file(named, ec) ? std::optional<stdfs::path>(stdfs::absolute(named, ec))
                                                 : std::nullopt;
    }
    const stdfs::path tool = ToolFolder().Utf8();
    for (const stdfs::path& p : {tool / kDriverName, tool / ".." / "win32" / kDriverName,
                                 tool / ".." / "share" / "quorin-pack" / kDriverName}) {
        tried += (tried.empty() ? "" : ", ") + p.lexically_normal().string();
        if (stdfs::is_regular_file(p, ec))
            return p.lexically_normal();
    }
    return std::nullopt;
}

// The exit status when something is missing, naming the Debian packages that provide it.
int FindTools(Tools& tools, Output& err) {
    const auto wine = FindOnPath("wine");
    const auto wineserver = FindOnPath("wineserver");
    // Debian's 32-bit loader comes with wine32; without it only 64-bit programs run.
    const bool debian32Missing =
        stdfs::exists("/usr/lib/wine/wine64") && !stdfs::exists("/usr/lib/wine/wine");
    if (!wine || !wineserver || debian32Missing) {
        err << "quorin-pack try: Wine " << (debian32Missing ? "for 32-bit programs " : "")
            << "is missing. On Debian, as root: dpkg --add-architecture i386 && apt-get update && "
               "apt-get install wine wine32\n";
        return kExitNoWine;
    }
    const char* display = std::getenv("DISPLAY");
    tools.ownDisplay = display == nullptr || *display == '\0';
    if (tools.ownDisplay && !FindOnPath("Xvfb")) {
        err << "quorin-pack try: no display is set and Xvfb is missing. On Debian, as root: apt-get install "
               "xvfb (or set DISPLAY to an X server)\n";
        return kExitNoWine;
    }
    std::string tried;
    const std::optional<stdfs::path> driver = FindDriver(tried);
    if (!driver) {
        err << "quorin-pack try: the Windows driver " << kDriverName << " is missing (looked at " << tried
            << "); it is built with the Windows deliverables\n";
        return kExitNoWine;
    }
    tools.wine = *wine;
    tools.wineserver = *wineserver;
    tools.driver = *driver;
    return kExitOk;
}

// Everything the trial started or made, ended and removed in reverse order.
class Session {
public:
    explicit Session(const Tools& tools) : tools_(tools) {}
    ~Session() { End(); }

    void StopServer() {
        // The prefix's server ends its programs; -w waits until it is gone.
        RunToEnd({tools_.wineserver, "-k"}, env_, -1, 30);
        RunToEnd({tools_.wineserver, "-w"}, env_, -1, 30);
    }

    void End() {
        if (!prefix_.empty() && serverMayRun_)
            StopServer();
        serverMayRun_ = false;
        if (xvfb_ > 0) {
            ::kill(xvfb_, SIGTERM);
            int status = 0;
            ::waitpid(xvfb_, &status, 0);
            xvfb_ = -1;
        }
        std::error_code ec;
        if (!work_.empty())
            stdfs::remove_all(work_, ec);
        work_.clear();
        if (temporary_ && !prefix_.empty())
            stdfs::remove_all(prefix_, ec);
        if (lockFd_ >= 0)
            ::close(lockFd_);
        lockFd_ = -1;
        prefix_.clear();
    }

    const Tools& tools_;
    Environment env_;
    stdfs::path prefix_, work_;
    bool temporary_ = false;
    bool serverMayRun_ = false;
    pid_t xvfb_ = -1;
    int lockFd_ = -1;
};

// The kept prefix named (made by this tool, or an empty folder) or a temporary one, locked: two
// trials in one prefix would see each other's changes.
int OpenPrefix(Session& s, const TryOptions& o, Output& err) {
    std::error_code ec;
    if (o.keepPrefix) {
        const stdfs::path p = stdfs::absolute(stdfs::path(*o.keepPrefix), ec);
        const bool empty = !stdfs::exists(p, ec) || (stdfs::is_directory(p, ec) && stdfs::is_empty(p, ec));
        if (!empty && !stdfs::exists(p / kPrefixMarker, ec)) {
            err << "quorin-pack try: " << *o.keepPrefix
                << " is neither empty nor a prefix made by quorin-pack try; it is left alone\n";
            return kExitUsage;
        }
        stdfs::create_directories(p, ec);
        s.prefix_ = p;
    } else {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorin-pack-try-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            err << "quorin-pack try: cannot make a temporary folder in " << pattern << "\n";
            return kExitProblem;
        }
        s.prefix_ = pattern;
        s.temporary_ = true;
    }
    s.lockFd_ = ::open((s.prefix_ / ".quorin-pack-try.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (s.lockFd_ < 0 || ::flock(s.lockFd_, LOCK_EX) != 0) {
        err << "quorin-pack try: cannot lock " << s.prefix_.string() << "\n";
        return kExitProblem;
    }
    return kExitOk;
}

// Starts Xvfb on a free display; its number, or empty.
std::string StartXvfb(Session& s) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    s.xvfb_ = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, s.env_,
                    -1, fds[1]);
    ::close(fds[1]);
    std::string display;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (s.xvfb_ > 0 && Clock::now() < deadline && !Interrupted()) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        display += c;
    }
    ::close(fds[0]);
    return display.empty() ? std::string() : ":" + display;
}

// The children's environment: the prefix, code page 932 and the display.
int SetUpEnvironment(Session& s, Output& err) {
    s.env_.Set("WINEPREFIX", s.prefix_.string());
    s.env_.Set("WINEARCH", "win32");
    s.env_.Set("LC_ALL", "ja_JP.UTF-8"); // the ANSI code page becomes 932
    s.env_.Set("WINEDEBUG", "-all");
    s.env_.Set("WINEDLLOVERRIDES", "mscoree,mshtml="); // no offers to install .NET or a browser engine
    if (!s.tools_.ownDisplay)
        return kExitOk;
    const std::string display = StartXvfb(s);
    if (display.empty()) {
        err << "quorin-pack try: Xvfb did not start\n";
        return kExitNoWine;
    }
    s.env_.Set("DISPLAY", display);
    return kExitOk;
}

// Copies the registry files from one folder to another; false when one cannot be copied.
bool CopyRegistry(const stdfs::path& from, const stdfs::path& to) {
    std::error_code ec;
    stdfs::create_directories(to, ec);
    for (const char* name : kRegistryFiles)
        if (stdfs::exists(from / name, ec) &&
            !stdfs::copy_file(from / name, to / name, stdfs::copy_options::overwrite_existing, ec))
            return false;
    return true;
}

// Makes the prefix on first use, or gives a prefix an earlier version of the tool made the
// settings again.
bool MakePrefix(Session& s, Output& err) {
    std::error_code ec;
    const bool made = stdfs::exists(s.prefix_ / kPrefixMarker, ec);
    if (made && ReadText(s.prefix_ / kPrefixMarker) == kPrefixVersion)
        return true;
    err << "quorin-pack try: " << (made ? "updating" : "making") << " the Wine prefix in "
        << s.prefix_.string() << (made || s.temporary_ ? "\n" : " (once for a kept prefix)\n");
    const stdfs::path settings = s.prefix_ / "quorin-pack-try.reg";
    const Tools& t = s.tools_;
    if ((!made && RunToEnd({t.wine, "wineboot", "-i"}, s.env_, -1, 300) != 0) ||
        !WriteText(settings, kPrefixSettings) ||
        RunToEnd({t.wine, "regedit", "/S", settings.string()}, s.env_, -1, 120) != 0 ||
        RunToEnd({t.wineserver, "-w"}, s.env_, -1, 120) != 0 ||
        !WriteText(s.prefix_ / kPrefixMarker, kPrefixVersion))
        return false;
    stdfs::remove(settings, ec);
    stdfs::remove_all(s.prefix_ / kPristineFolder, ec);
    return true;
}

int PreparePrefix(Session& s, Output& err) {
    // The prefix's first program runs under the display the trial uses: a server started
    // without one keeps a desktop that refuses windows.
    s.serverMayRun_ = true;
    if (!MakePrefix(s, err)) {
        err << "quorin-pack try: Wine could not make the prefix " << s.prefix_.string() << "\n";
        return Interrupted() ? kExitProblem : kExitNoWine;
    }
    if (s.temporary_)
        return kExitOk;
    // With the server down the files are the whole registry and may be replaced.
    s.StopServer();
    std::error_code ec;
    const stdfs::path pristine = s.prefix_ / kPristineFolder;
    if (!(stdfs::exists(pristine, ec) ? CopyRegistry(pristine, s.prefix_)
                                      : CopyRegistry(s.prefix_, pristine))) {
        err << "quorin-pack try: cannot keep or restore the registry of " << s.prefix_.string() << "\n";
        return kExitProblem;
    }
    return kExitOk;
}

// The package is copied, never changed where the user keeps it.
bool CopyPackage(Session& s, const TryOptions& o, Output& err) {
    std::error_code ec;
    s.work_ = s.prefix_ / "drive_c" / kWorkFolder;
    stdfs::remove_all(s.work_, ec);
    stdfs::create_directories(s.work_, ec);
    stdfs::copy(stdfs::path(o.package), s.work_ / "package", stdfs::copy_options::recursive, ec);
    if (ec)
        err << "quorin-pack try: cannot copy " << o.package << " into the prefix: " << ec.message() << "\n";
    return !ec;
}

void Render(const TrialReport& report, bool json, Output& out) {
    if (json)
        RenderTrialJson(report, out);
    else
        RenderTrialText(report, out);
}

// A report of a trial that ended before the driver could record it.
int Unfinished(const TryOptions& o, const std::vector<std::string>& checkProblems, const std::string& why,
               Output& out) {
    TrialReport r;
    r.package = o.package;
    r.checkProblems = checkProblems;
    for (const std::string& p : checkProblems)
        r.reasons.push_back("check: " + p);
    r.reasons.push_back(why);
    Render(r, o.json, out);
    return kExitProblem;
}

void SaveScreenshots(const Session& s, const TrialRecord& record, const std::string& folder, Output& err) {
    std::error_code ec;
    const stdfs::path target = folder;
    stdfs::create_directories(target, ec);
    for (const SetupRunRecord& run : record.runs)
        for (const std::string& shot : run.screenshots)
            if (!stdfs::copy_file(s.work_ / "screenshots" / shot, target / shot,
                                  stdfs::copy_options::overwrite_existing, ec))
                err << "quorin-pack try: cannot save " << (target / shot).string() << ": " << ec.message()
                    << "\n";
}

// Runs the driver on the copy and judges what it recorded.
int RunDriver(Session& s, const TryOptions& o, const std::vector<std::string>& checkProblems, int entries,
              Output& out, Output& err) {
    const std::string work = std::string(kWorkWindows) + "\\";
    std::vector<std::string> args = {s.tools_.wine, s.tools_.driver.string(), work + "package",
                                     work + "record.txt"};
    if (o.screenshots)
        args.insert(args.end(), {"--screenshots", work + "screenshots"});
    err << "quorin-pack try: running " << o.package << " under Wine\n";
    const auto started = Clock::now();
    const pid_t pid = Spawn(args, s.env_, STDERR_FILENO);
    if (pid < 0)
        return Unfinished(o, checkProblems, "the driver could not be started", out);
    // The driver ends every run of Setup that outlasts its own limits; this is the last guard.
    const int limit = 600 + 20 * std::max(entries, 0);
    int status = 0;
    const Waited waited = WaitFor(pid, status, started + std::chrono::seconds(limit));
    if (waited != Waited::Exited) {
        RunToEnd({s.tools_.wineserver, "-k"}, s.env_, -1, 30);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        if (waited == Waited::Interrupted) {
            err << "quorin-pack try: interrupted\n";
            return kExitProblem;
        }
        return Unfinished(o, checkProblems,
                          "the driver did not finish within " + std::to_string(limit) + " s", out);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    TrialRecord record;
    std::string error;
    if (!ParseTrialRecord(ReadText(s.work_ / "record.txt"), record, error)) {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return Unfinished(o, checkProblems,
                          "the driver (" + s.tools_.driver.string() + ") ended with status " +
                              std::to_string(code) + " without a complete record: " + error,
                          out);
    }
    if (o.screenshots)
        SaveScreenshots(s, record, *o.screenshots, err);
    const TrialReport report = JudgeTrial(record, o.package, checkProblems);
    Render(report, o.json, out);
    err << "quorin-pack try: the trial took " << static_cast<int>(seconds + 0.5) << " s\n";
    return report.passed ? kExitOk : kExitProblem;
}

} // namespace

int TryUnderWine(const TryOptions& o, const std::vector<std::string>& checkProblems, int entries, Output& out,
                 Output& err) {
    Tools tools;
    if (const int status = FindTools(tools, err); status != kExitOk)
        return status;
    Session s(tools);
    if (const int status = OpenPrefix(s, o, err); status != kExitOk)
        return status;
    InterruptGuard interrupts;
    if (const int status = SetUpEnvironment(s, err); status != kExitOk)
        return status;
    if (const int status = PreparePrefix(s, err); status != kExitOk)
        return status;
    if (!CopyPackage(s, o, err))
        return kExitProblem;
    return RunDriver(s, o, checkProblems, entries, out, err);
}

} // namespace quorin::pack
