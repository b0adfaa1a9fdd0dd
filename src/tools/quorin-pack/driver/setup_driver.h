// Driving Setup.EXE from another process as a user does: the program started in a package
// folder, its window and message boxes found by their captions, buttons pressed and boxes
// answered; the folder and registry helpers that check the results; and pictures of windows.
// The library behind `quorin-pack try` (quorin-pack-try.exe), also linked by the end-to-end
// tests.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win/unique_handle.h"

namespace quorin::driver {

using Bytes = std::string;
using Clock = std::chrono::steady_clock;
using std::wstring;

// Setup's fixed captions, as its window shows them.
inline constexpr wchar_t kApplicationTitle[] = L"Ombrel's Quorin Installer";
inline constexpr wchar_t kInstallCaption[] = L"\x8FFD\x52A0\x3059\x308B(&I)...";   // 追加する(&I)...
inline constexpr wchar_t kUninstallCaption[] = L"\x524A\x9664\x3059\x308B(&U)..."; // 削除する(&U)...
inline constexpr wchar_t kCancelCaption[] = L"\x30AD\x30E3\x30F3\x30BB\x30EB";     // キャンセル
// The location label: its caption before the state is decided, then the buttons' tag texts.
inline constexpr wchar_t kPathInitial[] =
    L"\x30D7\x30ED\x30B0\x30E9\x30E0\x306E\x5834\x6240\x306F..."; // プログラムの場所は...
inline constexpr wchar_t kInstallTag[] =
    L"\x8FFD\x52A0\x3059\x308B\x5834\x6240\x306F..."; // 追加する場所は...
inline constexpr wchar_t kUninstallTag[] =
    L"\x524A\x9664\x3059\x308B\x5834\x6240\x306F..."; // 削除する場所は...
// Setup's string table: the idle, installing and uninstalling tips.
inline constexpr UINT kTipIdle = 11, kTipInstalling = 12, kTipUninstalling = 13;
inline constexpr int kBoxText = 0xFFFF;
inline constexpr int kIdOk = 1, kIdYes = 6, kIdNo = 7;

// ---------------------------------------------------------------------------------------------
// Files.

std::string Utf8(const wstring& s);
wstring FromUtf8(const std::string& s);
// A Unix path reaches a Windows program through Wine's Z: drive.
wstring WindowsPath(const char* arg);

std::optional<Bytes> ReadBytes(const wstring& path);
bool WriteBytes(const wstring& path, const Bytes& data);
bool Exists(const wstring& path);

// Calls `visit` for everything below `folder`, a folder before what it holds, with its full path
// and its path relative to `folder`.
using FolderVisitor =
    std::function<void(const wstring& path, const wstring& relative, const WIN32_FIND_DATAW& entry)>;
void WalkFolder(const wstring& folder, const FolderVisitor& visit, const wstring& relative = wstring());

// Everything below a folder by full path: a file's contents, "<dir>" for a folder.
using TreeMap = std::map<wstring, Bytes>;
inline constexpr char kFolderMark[] = "<dir>";
TreeMap Tree(const wstring& folder);
void RemoveTree(const wstring& folder);
// A copy of a folder with everything in it, over any earlier copy.
bool CopyTree(const wstring& from, const wstring& to);

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

// ---------------------------------------------------------------------------------------------
// Registry.

std::optional<wstring> RegString(HKEY root, const wstring& key, const wchar_t* name);
bool KeyExists(HKEY root, const wstring& key);

// ---------------------------------------------------------------------------------------------
// Windows of another process.

wstring ClassOf(HWND hwnd);
// The text as the window's own procedure answers it (WM_GETTEXT works across processes).
wstring TextOf(HWND hwnd);
// The visible top-level windows of a process.
std::vector<HWND> TopLevelWindows(DWORD pid);
// The controls of `parent` at any depth, hidden ones too.
std::vector<HWND> Children(HWND parent);
// A control of `parent`, at any depth, by its class and caption (hidden ones too).
HWND Child(HWND parent, const wchar_t* cls, const wstring& caption);
bool Usable(HWND h);
// Presses a button the way the platform's click does, without waiting for its handler.
void Press(HWND button);

// Saves what the screen shows of a window's client area as a PNG file, once two captures in a
// row agree (the window has finished painting).
bool SaveWindowPicture(HWND hwnd, const wstring& path);

// ---------------------------------------------------------------------------------------------
// Setup's string table, read from a Setup.EXE, and the text a box shows for an entry: through
// the ANSI message-box interface, so the round trip through the ANSI code page.

wstring ResString(const wstring& setupExe, UINT id);
wstring AsShownInBox(const wstring& text);
wstring BoxText(const wstring& setupExe, UINT id, const std::vector<wstring>& values = {});

// ---------------------------------------------------------------------------------------------
// One run of Setup.EXE.

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    wstring caption;
    wstring text;
    std::vector<int> buttons;
    int defaultButton = 0; // the one Enter would press; 0 when none is
};

class SetupRun {
public:
    explicit SetupRun(const wstring& folder);
    ~SetupRun() { Terminate(); }
    SetupRun(const SetupRun&) = delete;
    SetupRun& operator=(const SetupRun&) = delete;

    bool started() const { return pid_ != 0; }
    DWORD pid() const { return pid_; }
    HWND main() const { return main_; }
    HWND Button(const wchar_t* caption) const { return main_ ? Child(main_, L"Button", caption) : nullptr; }

    // The main window, once up: not a message box, with the application title.
    HWND FindMain();
    HWND WaitForMain(int timeoutMs = 30000);
    // Whether the window has decided the product's state: the location label shows a button's
    // tag text, or is hidden (installed elsewhere, once that message is answered).
    bool Settled() const;

    // A message box of this process, read: owner, caption, text, visible and default buttons.
    std::optional<MessageBoxSeen> FindBox() const;
    std::optional<MessageBoxSeen> WaitForBox(int timeoutMs = 30000) const;
    // Answers a box by one of its buttons and waits until it is gone.
    bool Answer(const MessageBoxSeen& box, int button) const;

    bool WaitForExit(int timeoutMs = 20000) const;
    // Ends the program at once, as a crash or the task list does; true if it had to be ended.
    bool Terminate();
    DWORD ExitCode() const;

private:
    quorin::win::UniqueHandleObj process_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// What one unattended run of Setup showed and how it ended.
struct Session {
    bool started = false, ended = false;
    DWORD exitCode = 0;
    bool settled = false; // the window decided the state; the two flags below say which
    bool installOffered = false, uninstallOffered = false;
    bool pressed = false;
    std::vector<MessageBoxSeen> boxes;
    double seconds = 0;
};

// Moments of a run that a caller may want to see (for pictures).
struct DriveHooks {
    std::function<void(const SetupRun&)> settled; // the window has decided the state
    std::function<void(const SetupRun&)> busy;    // the procedure runs: the tip shows `busyTip`
    wstring busyTip;
    wstring completion; // the completion message's text: once answered, Cancel is pressed
};

// Starts Setup in `folder`, presses the button captioned `button` when it is offered (null:
// none), answers every box (Yes where offered, otherwise OK) and, once the window is idle again,
// presses Cancel. After `seconds` Setup is terminated and the session counts as not ended.
Session Drive(const wstring& folder, const wchar_t* button, int seconds, const DriveHooks& hooks = {});

} // namespace quorin::driver
