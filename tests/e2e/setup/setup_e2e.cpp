// Setup.EXE end to end, the way a user meets it: package folders on the C: drive, the program
// started in them, its window and message boxes found by their captions, buttons pressed, and
// the files and registry checked afterwards. The scenarios build on each other and run in the
// order written: a bad script, a fresh install (No, then Yes), a second product, a copy of the
// package elsewhere, the uninstalls. Screenshots of the window go to "screenshots" beside this
// program, as PNG files.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cwctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "lz/encode.h"
#include "setup_driver.h"
#include "win/ansi.h"

using namespace quorin::driver;

namespace {

// ---------------------------------------------------------------------------------------------
// Fixed names.

const wstring kRoot = L"C:\\quorin-e2e";
// Japanese and a blank: the folder travels through the ANSI calls in code page 932, and the
// uninstall command line quotes it.
const wstring kFolderA = kRoot + L"\\\x30B2\x30FC\x30E0 \x30D1\x30C3\x30B1\x30FC\x30B8"; // ゲーム パッケージ
const wstring kFolderB = kRoot + L"\\Extra";
const wstring kFolderCopy = kRoot + L"\\Gantrel Copy";
const wstring kFolderBad = kRoot + L"\\BadScript";
const wstring kTitleA = L"Ombrel's Gantrel \x30C6\x30B9\x30C8"; // "... テスト"
const wstring kTitleB = L"Quorin E2E Extra";
const wstring kRecordSection = L"Software\\Ombrel's Quorin\\Installer";
const wstring kUninstallParent = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wstring kComponentKey = L"Software\\Quorin Test Components\\Gantrel.OCX";

const wchar_t kWelcomeCaption[] = L"\x3088\x3046\x3053\x305D(&W)"; // ようこそ(&W)

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---------------------------------------------------------------------------------------------
// Files.

wstring DriverFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\'));
}

wstring Payload(const wchar_t* name) {
    return DriverFolder() + L"\\payload\\" + name;
}

// A file the scenario cannot do without: failing to write it fails the test.
void WriteAll(const wstring& path, const Bytes& data) {
    ASSERT_TRUE(WriteBytes(path, data)) << Utf8(path);
}

// The names in a folder, sorted, letter case as stored.
std::vector<wstring> Listing(const wstring& folder) {
    std::vector<wstring> names;
    WIN32_FIND_DATAW data;
    quorin::win::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find)
        return names;
    do {
        if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
            names.push_back(data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    std::sort(names.begin(), names.end(),
              [](const wstring& a, const wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    return names;
}

std::string Join(const std::vector<wstring>& names) {
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : ", ") + Utf8(n);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Packages.

struct PackageEntry {
    wstring shipped; // the compressed file's name as the script lists it
    wstring target;  // the installed name
    bool selfRegister;
    const wchar_t* source; // payload file, or null for `content`
    std::string content;
};

Bytes ContentOf(const PackageEntry& e) {
    if (e.source != nullptr)
        return ReadBytes(Payload(e.source)).value_or(Bytes());
    return e.content;
}

// Writes Setup.EXE, Setup.DLL, the compressed entries, README.TXT and Setup.INF (code page
// 932, CRLF). The compressed file records the target's last character, which its shipped name
// replaced with "_".
void BuildPackage(const wstring& folder, const wstring& title, bool lzTrash,
                  const std::vector<PackageEntry>& entries, const std::string& extraScript = {}) {
    RemoveTree(folder);
    CreateDirectoryW(kRoot.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << Utf8(folder);
    ASSERT_TRUE(CopyFileW(Payload(L"Setup.EXE").c_str(), (folder + L"\\Setup.EXE").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Payload(L"Setup.DLL").c_str(), (folder + L"\\Setup.DLL").c_str(), FALSE));
    WriteAll(folder + L"\\README.TXT", "Ombrel's Gantrel\r\n");
    std::string script = "[Main]\r\nTitle=" + quorin::win::ToAnsi(quorin::win::FromWide(title.c_str())) +
                         "\r\nDocument=README.TXT\r\nAll=" + std::to_string(entries.size()) +
                         "\r\nLzTrash=" + (lzTrash ? "YES" : "NO") + "\r\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        const PackageEntry& e = entries[i];
        const Bytes content = ContentOf(e);
        ASSERT_FALSE(content.empty());
        std::vector<uint8_t> packed;
        ASSERT_TRUE(quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(content.data()), content.size(),
                                       static_cast<uint8_t>(towupper(e.target.back())), packed));
        WriteAll(folder + L"\\" + e.shipped, Bytes(packed.begin(), packed.end()));
        script += "\r\n[" + std::to_string(i + 1) + "]\r\nLz=" + Utf8(e.shipped) + "," + Utf8(e.target) +
                  "\r\nSelfRegister=" + (e.selfRegister ? "YES" : "NO") + "\r\n";
    }
    script += extraScript;
    WriteAll(folder + L"\\Setup.INF", script);
}

const std::vector<PackageEntry>& EntriesA() {
    static const std::vector<PackageEntry> entries = {
        {L"GANTREL.OC_", L"Gantrel.OCX", true, L"QTestSolo.dll", {}},
        {L"GANTREL.HL_", L"Gantrel.HLP", false, nullptr, std::string(3000, 'h') + "help"},
        {L"LICENSE.TX_", L"License.TXT", false, nullptr, "Ombrel Works license text\r\n"},
    };
    return entries;
}

const std::vector<PackageEntry>& EntriesB() {
    static const std::vector<PackageEntry> entries = {
        {L"EXTRA.DA_", L"Extra.DAT", false, nullptr, "extra data, extra data, extra data"},
    };
    return entries;
}

// ---------------------------------------------------------------------------------------------
// Registry.

std::vector<wstring> ValueNames(HKEY root, const wstring& key) {
    std::vector<wstring> names;
    quorin::win::UniqueHKey h;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, h.put()) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumValueW(h.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

void CleanRegistry() {
    quorin::win::UniqueHKey h;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRecordSection.c_str(), 0, KEY_SET_VALUE, h.put()) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(h.get(), kTitleA.c_str());
        RegDeleteValueW(h.get(), kTitleB.c_str());
    }
    h.reset();
    if (KeyExists(HKEY_CURRENT_USER, kRecordSection) && ValueNames(HKEY_CURRENT_USER, kRecordSection).empty())
        RegDeleteKeyW(HKEY_CURRENT_USER, kRecordSection.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kUninstallParent + L"\\" + kTitleA).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kUninstallParent + L"\\" + kTitleB).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorin Test Components");
}

// ---------------------------------------------------------------------------------------------
// Windows of another process, beyond what every driver needs.

HWND ChildOfClass(HWND parent, const wchar_t* cls) {
    for (HWND h : Children(parent))
        if (_wcsicmp(ClassOf(h).c_str(), cls) == 0)
            return h;
    return nullptr;
}

// A click with the mouse, as the user makes it: the pointer moved over the middle of the
// control, the left button pressed and released.
void Click(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

// A window's client area in screen coordinates.
RECT ClientOnScreen(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The screen's pixels in a rectangle, as 0x00RRGGBB, rows top first.
std::vector<uint32_t> ScreenPixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    std::vector<uint32_t> pixels;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    quorin::win::UniqueGdi bmp(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp.get());
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        SelectObject(mem, old);
        pixels.resize(static_cast<size_t>(w) * h);
        std::memcpy(pixels.data(), bits, pixels.size() * sizeof(uint32_t));
    }
    bmp.reset();
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    for (auto& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

// Handles this program's own messages for a while.
void PumpFor(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
}

// Lays a magenta window of ours over `target` for a moment and takes it away: whether the
// uncovered window paints itself again within `ms` (no magenta left on it).
bool RepaintsWhenUncovered(HWND target, int ms) {
    constexpr uint32_t kMagenta = 0x00FF00FF;
    static const ATOM cls = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
        wc.lpszClassName = L"QuorinE2ECover";
        return RegisterClassW(&wc);
    }();
    const RECT client = ClientOnScreen(target);
    HWND cover =
        CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, MAKEINTATOM(cls), L"",
                        WS_POPUP | WS_VISIBLE, client.left, client.top, client.right - client.left,
                        client.bottom - client.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(cover);
    PumpFor(300);
    const auto covered = ScreenPixels(client);
    const bool wasCovered = std::count(covered.begin(), covered.end(), kMagenta) > 0;
    DestroyWindow(cover);
    const bool repainted = WaitUntil(
        [&] {
            const auto now = ScreenPixels(client);
            return std::count(now.begin(), now.end(), kMagenta) == 0;
        },
        ms);
    return wasCovered && repainted;
}

// Where screenshots go; set by main.
wstring g_screenshotFolder;

// Saves the client area of a window as it is on the screen.
void Screenshot(HWND hwnd, const wstring& name) {
    CreateDirectoryW(g_screenshotFolder.c_str(), nullptr);
    EXPECT_TRUE(SaveWindowPicture(hwnd, g_screenshotFolder + L"\\" + name + L".png")) << Utf8(name);
}

// The Setup.EXE whose string table the expected texts come from; set by main.
wstring g_stringSource;

// The controls of the main window the scenarios look at.
struct FormView {
    HWND install, uninstall, welcome, cancel, title, path, tip;
};

FormView ViewOf(const SetupRun& run, const wstring& tipText) {
    FormView v{};
    v.install = run.Button(kInstallCaption);
    v.uninstall = run.Button(kUninstallCaption);
    v.welcome = run.Button(kWelcomeCaption);
    v.cancel = run.Button(kCancelCaption);
    v.title = ChildOfClass(run.main(), L"Edit");
    for (const wchar_t* caption : {kInstallTag, kUninstallTag, kPathInitial})
        if (!v.path)
            v.path = Child(run.main(), L"Static", caption);
    v.tip = Child(run.main(), L"Static", tipText);
    return v;
}

// What a step changed: files in the folder, the install record, the uninstall entry.
void Report(const char* step, const wstring& folder, const wstring& title) {
    const auto record = RegString(HKEY_CURRENT_USER, kRecordSection, title.c_str());
    const auto entry = RegString(HKEY_LOCAL_MACHINE, kUninstallParent + L"\\" + title, L"UninstallString");
    std::printf("[e2e] %s\n      files: %s\n      install record: %s\n      uninstall entry: %s\n", step,
                Join(Listing(folder)).c_str(), record ? Utf8(*record).c_str() : "(none)",
                entry ? Utf8(*entry).c_str() : "(none)");
    std::fflush(stdout);
}

// Presses Install or Uninstall, answers Yes and answers the completion message, which must be
// Setup's string `doneMessage`.
void RunToCompletion(const SetupRun& run, const wchar_t* button, UINT doneMessage) {
    Press(run.Button(button));
    auto ask = run.WaitForBox();
    ASSERT_TRUE(ask && run.Answer(*ask, kIdYes));
    auto done = run.WaitForBox(60000);
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(done->text, BoxText(g_stringSource, doneMessage));
    ASSERT_TRUE(run.Answer(*done, kIdOk));
}

// ---------------------------------------------------------------------------------------------
// The environment: clean registry and folders before and after. (System colours are left as
// they are: other programs in the prefix may be drawing with them.)

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        CleanRegistry();
        RemoveTree(kRoot);
        foreignRecords_ = ValueNames(HKEY_CURRENT_USER, kRecordSection).size();
        started_ = Clock::now();
    }
    void TearDown() override {
        std::printf("[e2e] scenarios took %.1f s\n", SecondsSince(started_));
        CleanRegistry();
        RemoveTree(kRoot);
    }
    static size_t foreignRecords_;

private:
    Clock::time_point started_;
};
size_t Environment::foreignRecords_ = 0;

// ---------------------------------------------------------------------------------------------
// Scenarios, in order.

TEST(SetupEndToEnd, ABadScriptIsReportedAndChangesNothing) {
    BuildPackage(kFolderBad, kTitleA, true, EntriesA(), "\r\n[4]\r\nLz=NOCOMMA.DL_\r\n");
    // Section 4 has no comma; All counts it.
    {
        Bytes script = ReadBytes(kFolderBad + L"\\Setup.INF").value();
        script.replace(script.find("All=3"), 5, "All=4");
        WriteAll(kFolderBad + L"\\Setup.INF", script);
    }
    const auto before = Listing(kFolderBad);
    SetupRun run(kFolderBad);
    ASSERT_TRUE(run.started());
    auto box = run.WaitForBox();
    ASSERT_TRUE(box.has_value()) << "no message about the script";
    EXPECT_EQ(box->caption, kApplicationTitle);
    EXPECT_EQ(box->buttons, std::vector<int>{kIdOk});
    EXPECT_EQ(box->text,
              BoxText(g_stringSource, 202, {kFolderBad + L"\\Setup.INF", L"4", L"Lz", L"NOCOMMA.DL_"}));
    EXPECT_FALSE(run.WaitForMain(500)) << "no window for a bad script";
    ASSERT_TRUE(run.Answer(*box, kIdOk));
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(Listing(kFolderBad), before);
    EXPECT_FALSE(RegString(HKEY_CURRENT_USER, kRecordSection, kTitleA.c_str()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallParent + L"\\" + kTitleA));
    RemoveTree(kFolderBad);
}

TEST(SetupEndToEnd, FreshFolderInstallsAfterYes) {
    BuildPackage(kFolderA, kTitleA, true, EntriesA());
    const auto before = Listing(kFolderA);
    Report("package built", kFolderA, kTitleA);
    const auto startedAt = Clock::now();
    SetupRun run(kFolderA);
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.WaitForMain()) << "no main window";
    std::printf("[e2e] window up after %.1f s\n", SecondsSince(startedAt));
    FormView v = ViewOf(run, ResString(g_stringSource, 11));
    ASSERT_TRUE(v.install && v.uninstall && v.welcome && v.cancel && v.title && v.path && v.tip);
    EXPECT_TRUE(IsWindowVisible(v.install));
    EXPECT_TRUE(IsWindowEnabled(v.install));
    EXPECT_FALSE(IsWindowVisible(v.uninstall));
    EXPECT_TRUE(IsWindowVisible(v.path));
    EXPECT_EQ(TextOf(v.path), kInstallTag);
    EXPECT_EQ(TextOf(v.title), kTitleA);
    EXPECT_TRUE(IsWindowEnabled(v.welcome)) << "the script names a document";
    Screenshot(run.main(), L"1-not-installed");

    // Alt+P moves the focus to the title box and selects all of it.
    SendMessageTimeoutW(run.main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(v.cancel), TRUE, SMTO_NORMAL,
                        5000, nullptr);
    PostMessageW(run.main(), WM_SYSCHAR, L'p', 1u << 29);
    GUITHREADINFO gui{sizeof gui};
    const DWORD thread = GetWindowThreadProcessId(run.main(), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == v.title; }, 5000));
    DWORD start = 1, end = 0;
    WaitUntil(
        [&] {
            SendMessageTimeoutW(v.title, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                reinterpret_cast<LPARAM>(&end), SMTO_NORMAL, 5000, nullptr);
            return start == 0 && end == kTitleA.size();
        },
        3000);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, kTitleA.size());

    // The location message, with the folder in quotes.
    Click(v.path);
    auto where = run.WaitForBox();
    ASSERT_TRUE(where.has_value()) << "no location message";
    EXPECT_EQ(where->owner, run.main());
    EXPECT_EQ(where->caption, kApplicationTitle);
    EXPECT_EQ(where->text, BoxText(g_stringSource, 102, {kFolderA}));
    EXPECT_NE(where->text.find(L"'" + kFolderA + L"'"), wstring::npos);
    EXPECT_EQ(where->buttons, std::vector<int>{kIdOk});
    Screenshot(where->hwnd, L"2-location-message");
    ASSERT_TRUE(run.Answer(*where, kIdOk));

    // Install, No: nothing changes.
    Press(v.install);
    auto ask = run.WaitForBox();
    ASSERT_TRUE(ask.has_value());
    EXPECT_EQ(ask->text, BoxText(g_stringSource, 104));
    EXPECT_EQ(ask->buttons, (std::vector<int>{kIdYes, kIdNo}));
    EXPECT_EQ(ask->defaultButton, kIdNo) << "No is preselected";
    ASSERT_TRUE(run.Answer(*ask, kIdNo));
    Sleep(500);
    EXPECT_EQ(Listing(kFolderA), before);
    EXPECT_TRUE(IsWindowEnabled(v.install));
    EXPECT_FALSE(RegString(HKEY_CURRENT_USER, kRecordSection, kTitleA.c_str()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallParent + L"\\" + kTitleA));
    Report("after Install, No", kFolderA, kTitleA);

    // Install, Yes.
    Press(v.install);
    ask = run.WaitForBox();
    ASSERT_TRUE(ask.has_value());
    const auto yesAt = Clock::now();
    ASSERT_TRUE(run.Answer(*ask, kIdYes));
    // The window keeps painting while the procedure pauses: invalidated, it is repainted long
    // before the procedure ends (it takes at least 2 s per entry), not only at its end.
    Sleep(300);
    const bool painted = RepaintsWhenUncovered(run.main(), 1500);
    const bool stillRunning = !run.WaitForBox(0).has_value();
    EXPECT_TRUE(painted && stillRunning) << "the window did not repaint during the procedure";
    EXPECT_FALSE(IsHungAppWindow(run.main()));
    // Busy: the tip says so and the button is disabled.
    HWND busyTip = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] { return (busyTip = Child(run.main(), L"Static", ResString(g_stringSource, 12))) != nullptr; },
        10000));
    EXPECT_FALSE(IsWindowEnabled(v.install));
    Screenshot(run.main(), L"3-installing");
    auto done = run.WaitForBox(60000);
    ASSERT_TRUE(done.has_value()) << "no completion message";
    const double installSeconds = SecondsSince(yesAt);
    std::printf("[e2e] install of %zu entries took %.1f s\n", EntriesA().size(), installSeconds);
    EXPECT_GE(installSeconds, 2.0 * EntriesA().size()) << "2 s pause per entry";
    EXPECT_EQ(done->text, BoxText(g_stringSource, 105));
    EXPECT_EQ(done->buttons, std::vector<int>{kIdOk});
    EXPECT_EQ(done->owner, run.main());
    // The files are in place under their final names, the compressed ones gone (LzTrash YES).
    for (const auto& e : EntriesA()) {
        EXPECT_EQ(ReadBytes(kFolderA + L"\\" + e.target), ContentOf(e)) << Utf8(e.target);
        EXPECT_FALSE(Exists(kFolderA + L"\\" + e.shipped)) << Utf8(e.shipped);
    }
    // The component registered itself through Setup.DLL, from its installed place.
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kComponentKey, L"Path").value_or(L"(none)"),
              kFolderA + L"\\Gantrel.OCX");
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRecordSection, kTitleA.c_str()).value_or(L"(none)"), kFolderA);
    const wstring entry = kUninstallParent + L"\\" + kTitleA;
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, entry, L"DisplayName").value_or(L"(none)"), kTitleA);
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, entry, L"UninstallString").value_or(L"(none)"),
              L"\"" + kFolderA + L"\\Setup.EXE\"");
    ASSERT_TRUE(run.Answer(*done, kIdOk));
    Report("after Install, Yes", kFolderA, kTitleA);

    // Afterwards: Install stays visible and disabled, the tip is back to idle.
    EXPECT_TRUE(IsWindowVisible(v.install));
    EXPECT_FALSE(IsWindowEnabled(v.install));
    EXPECT_FALSE(IsWindowVisible(v.uninstall));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(busyTip) == ResString(g_stringSource, 11); }, 3000));
    Press(v.cancel);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 0u);
}

TEST(SetupEndToEnd, ASecondProductSharesTheRecordSection) {
    BuildPackage(kFolderB, kTitleB, false, EntriesB());
    SetupRun run(kFolderB);
    ASSERT_TRUE(run.WaitForMain());
    ASSERT_NO_FATAL_FAILURE(RunToCompletion(run, kInstallCaption, 105));
    for (const auto& e : EntriesB()) {
        EXPECT_EQ(ReadBytes(kFolderB + L"\\" + e.target), ContentOf(e));
        EXPECT_TRUE(Exists(kFolderB + L"\\" + e.shipped)) << "LzTrash NO keeps the compressed file";
    }
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRecordSection, kTitleB.c_str()).value_or(L"(none)"), kFolderB);
    Report("second product installed", kFolderB, kTitleB);
    // The title bar's close button ends the program as Cancel does.
    PostMessageW(run.main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 0u);
}

TEST(SetupEndToEnd, ACopyElsewhereOffersNeither) {
    ASSERT_TRUE(CopyTree(kFolderA, kFolderCopy));
    SetupRun run(kFolderCopy);
    auto stop = run.WaitForBox();
    ASSERT_TRUE(stop.has_value()) << "no message for a product installed elsewhere";
    ASSERT_TRUE(run.WaitForMain(5000));
    EXPECT_EQ(stop->owner, run.main());
    EXPECT_EQ(stop->caption, kApplicationTitle);
    EXPECT_EQ(stop->text, BoxText(g_stringSource, 101));
    EXPECT_EQ(stop->buttons, std::vector<int>{kIdOk});
    Screenshot(stop->hwnd, L"4-installed-elsewhere-message");
    ASSERT_TRUE(run.Answer(*stop, kIdOk));
    FormView v = ViewOf(run, ResString(g_stringSource, 11));
    EXPECT_FALSE(IsWindowVisible(v.install));
    EXPECT_FALSE(IsWindowVisible(v.uninstall));
    ASSERT_TRUE(v.path);
    EXPECT_FALSE(IsWindowVisible(v.path));
    EXPECT_TRUE(IsWindowEnabled(v.welcome));
    Screenshot(run.main(), L"5-installed-elsewhere");
    // Esc presses Cancel; the message is not shown again on the way.
    PostMessageW(run.main(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ASSERT_TRUE(run.WaitForExit()) << "Esc did not end the program";
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRecordSection, kTitleA.c_str()).value_or(L"(none)"), kFolderA);
    RemoveTree(kFolderCopy);
}

TEST(SetupEndToEnd, SecondStartUninstalls) {
    SetupRun run(kFolderA);
    ASSERT_TRUE(run.WaitForMain());
    FormView v = ViewOf(run, ResString(g_stringSource, 11));
    ASSERT_TRUE(v.install && v.uninstall && v.path && v.welcome);
    EXPECT_FALSE(IsWindowVisible(v.install));
    EXPECT_TRUE(IsWindowVisible(v.uninstall));
    EXPECT_EQ(TextOf(v.path), kUninstallTag);
    Screenshot(run.main(), L"6-installed-here");

    Click(v.path);
    auto where = run.WaitForBox();
    ASSERT_TRUE(where.has_value());
    EXPECT_EQ(where->text, BoxText(g_stringSource, 103, {kFolderA}));
    ASSERT_TRUE(run.Answer(*where, kIdOk));

    // Welcome opens the document in NOTEPAD, which runs on its own.
    Press(v.welcome);
    HWND notepad = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (notepad = FindWindowW(L"Notepad", nullptr)) != nullptr; }, 15000));
    if (notepad != nullptr)
        PostMessageW(notepad, WM_CLOSE, 0, 0);

    Press(v.uninstall);
    auto ask = run.WaitForBox();
    ASSERT_TRUE(ask.has_value());
    EXPECT_EQ(ask->text, BoxText(g_stringSource, 106));
    EXPECT_EQ(ask->defaultButton, kIdNo);
    const auto yesAt = Clock::now();
    ASSERT_TRUE(run.Answer(*ask, kIdYes));
    EXPECT_TRUE(WaitUntil(
        [&] { return Child(run.main(), L"Static", ResString(g_stringSource, 13)) != nullptr; }, 10000));
    auto done = run.WaitForBox(60000);
    ASSERT_TRUE(done.has_value());
    const double seconds = SecondsSince(yesAt);
    std::printf("[e2e] uninstall took %.1f s\n", seconds);
    EXPECT_GE(seconds, 5.0 + 1.0 * (EntriesA().size() - 1))
        << "5 s after the unregistered entry, 1 s after others";
    EXPECT_EQ(done->text, BoxText(g_stringSource, 107));
    EXPECT_EQ(done->buttons, std::vector<int>{kIdOk});
    ASSERT_TRUE(run.Answer(*done, kIdOk));

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kComponentKey)) << "the component was not unregistered";
    for (const auto& e : EntriesA())
        EXPECT_FALSE(Exists(kFolderA + L"\\" + e.target)) << Utf8(e.target);
    for (const wchar_t* kept : {L"Setup.EXE", L"Setup.INF", L"Setup.DLL", L"README.TXT"})
        EXPECT_TRUE(Exists(kFolderA + L"\\" + kept)) << Utf8(kept);
    EXPECT_FALSE(RegString(HKEY_CURRENT_USER, kRecordSection, kTitleA.c_str()));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kRecordSection))
        << "the other product's record keeps the section";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallParent + L"\\" + kTitleA));
    EXPECT_FALSE(IsWindowEnabled(v.uninstall));
    Report("after Uninstall", kFolderA, kTitleA);
    Press(v.cancel);
    ASSERT_TRUE(run.WaitForExit());
}

TEST(SetupEndToEnd, TheLastUninstallTakesTheSection) {
    SetupRun run(kFolderB);
    ASSERT_TRUE(run.WaitForMain());
    ASSERT_NO_FATAL_FAILURE(RunToCompletion(run, kUninstallCaption, 107));
    for (const auto& e : EntriesB()) {
        EXPECT_FALSE(Exists(kFolderB + L"\\" + e.target));
        EXPECT_TRUE(Exists(kFolderB + L"\\" + e.shipped)) << "compressed files left by LzTrash NO stay";
    }
    if (Environment::foreignRecords_ == 0) {
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kRecordSection)) << "the last record takes the section";
    }
    Report("second product uninstalled", kFolderB, kTitleB);
    Press(run.Button(kCancelCaption));
    ASSERT_TRUE(run.WaitForExit());
}

} // namespace

int main(int argc, char** argv) {
    g_screenshotFolder = DriverFolder() + L"\\screenshots";
    g_stringSource = Payload(L"Setup.EXE");
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Environment);
    return RUN_ALL_TESTS();
}
