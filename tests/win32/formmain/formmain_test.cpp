// FormMain in this process: the layout table converted at the screen's DPI, fonts and colours,
// tab order and keys through the dialog manager, the install state at activation, the message
// boxes with their icons, the close button, and the Install button's procedure with its message
// boxes answered by a watcher thread. The Welcome button runs in copies of this program.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "../message_box_icon.h"
#include "../test_thread.h"
#include "FormMain.h"
#include "GeneralMain.h"
#include "GeneralWin32ExAPI.h"
#include "SettingsStore.h"
#include "installer/procedures.h"
#include "winsupport/ansi.h"
#include "winsupport/unique_handle.h"

using quorin::Text;
using quorin_test::BoxIcon;
using setup::FormMainControl;
using setup::FormMainControlWindow;
using setup::FormMainWindow;

namespace {

const Text kTitle = u"Quorin FormMain Test";
const wchar_t kRecordSection[] = L"Software\\Ombrel's Quorin\\Installer";

std::wstring Wide(const Text& t) {
    return std::wstring(reinterpret_cast<const wchar_t*>(t.c_str()));
}

std::wstring TextOf(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return buf;
}

HWND C(FormMainControl c) {
    return FormMainControlWindow(c);
}

RECT ClientRectOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, FormMainWindow(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Px(int twips) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return MulDiv(twips, dpi, 1440);
}

// Answers the window's message boxes from another thread, in order, and keeps their texts.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::deque<int> answers) : answers_(std::move(answers)), thread_([this] { Run(); }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.Join();
    }
    std::vector<std::wstring> Texts() {
        quorin_test::TestLock::Hold hold(lock_);
        return texts_;
    }
    std::vector<BoxIcon> Icons() {
        quorin_test::TestLock::Hold hold(lock_);
        return icons_;
    }

private:
    void Run() {
        HWND last = nullptr;
        while (!stop_) {
            HWND box = nullptr;
            while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr)
                if (box != last && IsWindowVisible(box) && GetWindow(box, GW_OWNER) == FormMainWindow())
                    break;
            if (box != nullptr) {
                wchar_t text[1024] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 1024);
                int answer = IDOK;
                {
                    quorin_test::TestLock::Hold hold(lock_);
                    texts_.push_back(text);
                    icons_.push_back(quorin_test::IconOfBox(box));
                    if (!answers_.empty()) {
                        answer = answers_.front();
                        answers_.pop_front();
                    }
                }
                last = box;
                PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
            }
            Sleep(30);
        }
    }
    std::deque<int> answers_;
    std::vector<std::wstring> texts_;
    std::vector<BoxIcon> icons_;
    quorin_test::TestLock lock_;
    std::atomic<bool> stop_{false};
    quorin_test::TestThread thread_; // last: starts once the members it reads exist
};

// Runs the thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
    while (!done()) {
        if (static_cast<int>(end - GetTickCount()) <= 0)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(FormMainWindow(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(10);
    }
    return true;
}

class FormMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clean();
        setup::SetupSettings = quorin::SetupSettings();
        setup::SetupSettings.Title = kTitle;
        setup::SetupSettings.Document = u"README.TXT";
        setup::FormMainLoad();
        ASSERT_NE(FormMainWindow(), nullptr);
    }
    void TearDown() override {
        setup::FormMainUnload();
        Clean();
    }
    static void Clean() {
        quorin::win::UniqueHKey h;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRecordSection, 0, KEY_SET_VALUE, h.put()) == ERROR_SUCCESS)
            RegDeleteValueW(h.get(), Wide(kTitle).c_str());
        h.reset();
        RegDeleteKeyW(HKEY_LOCAL_MACHINE,
                      (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Wide(kTitle)).c_str());
    }
    // Shows the window as the modal display does and raises the activation.
    void ShowAndActivate() {
        ShowWindow(FormMainWindow(), SW_SHOWNORMAL);
        setup::Form_Activate();
    }
    void SetRecord(const Text& folder) {
        setup::RegistrySettingsStore().SaveSetting(quorin::kRecordApplication, quorin::kRecordSection, kTitle,
                                                   folder);
    }
};

TEST_F(FormMainTest, LayoutInTwipsAtTheScreenDpi) {
    RECT client{};
    GetClientRect(FormMainWindow(), &client);
    EXPECT_EQ(client.right, Px(4800));
    EXPECT_EQ(client.bottom, Px(3600));
    struct Case {
        FormMainControl control;
        int left, top, width, height;
    } cases[] = {
        {FormMainControl::LabelTitle, 750, 150, 3900, 195},
        {FormMainControl::LabelCopyright, 750, 375, 3900, 420},
        {FormMainControl::FrameTip, 150, 1050, 4515, 840},
        {FormMainControl::LabelTip, 150 + 750, 1050 + 225, 3615, 465},
        {FormMainControl::ImageTip, 150 + 150, 1050 + 225, 480, 480},
        {FormMainControl::LabelInfo, 150, 2025, 2865, 240},
        {FormMainControl::TextTitle, 150, 2250, 2865, 315},
        {FormMainControl::LabelPath, 150, 2700, 1425, 180},
        {FormMainControl::CommandInstall, 3150, 2025, 1515, 840},
        {FormMainControl::CommandUninstall, 3150, 2025, 1515, 840},
        {FormMainControl::CommandWelcome, 150, 3150, 1515, 315},
        {FormMainControl::CommandCancel, 3150, 3150, 1515, 315},
        {FormMainControl::ImageTitle, 150, 150, 480, 480},
    };
    for (const auto& c : cases) {
        const RECT r = ClientRectOf(C(c.control));
        const RECT expected{Px(c.left), Px(c.top), Px(c.left + c.width), Px(c.top + c.height)};
        EXPECT_TRUE(EqualRect(&r, &expected)) << "control " << static_cast<int>(c.control) << ": " << r.left
                                              << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

TEST_F(FormMainTest, FontsAndCaptionsAtLoad) {
    struct Case {
        FormMainControl control;
        const wchar_t* face;
        int sizeTimes100;
        int weight;
        bool underline;
        BYTE charset;
    } cases[] = {
        {FormMainControl::LabelTitle, L"Tahoma", 825, FW_BOLD, false, ANSI_CHARSET},
        {FormMainControl::LabelCopyright, L"Tahoma", 825, FW_NORMAL, false, ANSI_CHARSET},
        {FormMainControl::LabelPath, L"MS UI Gothic", 900, FW_NORMAL, true, SHIFTJIS_CHARSET},
        {FormMainControl::LabelInfo, L"MS UI Gothic", 900, FW_NORMAL, false, SHIFTJIS_CHARSET},
        {FormMainControl::TextTitle, L"MS UI Gothic", 900, FW_NORMAL, false, SHIFTJIS_CHARSET},
        {FormMainControl::CommandCancel, L"MS UI Gothic", 900, FW_NORMAL, false, SHIFTJIS_CHARSET},
    };
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    for (const auto& c : cases) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(C(c.control), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW lf{};
        GetObjectW(font, sizeof lf, &lf);
        EXPECT_STREQ(lf.lfFaceName, c.face);
        EXPECT_EQ(lf.lfHeight, -MulDiv(c.sizeTimes100, dpi, 7200)) << static_cast<int>(c.control);
        EXPECT_EQ(lf.lfWeight, c.weight);
        EXPECT_EQ(lf.lfUnderline != 0, c.underline);
        EXPECT_EQ(lf.lfCharSet, c.charset);
    }
    EXPECT_EQ(TextOf(FormMainWindow()), L"Ombrel's Quorin Installer");
    EXPECT_EQ(TextOf(C(FormMainControl::LabelTitle)), Wide(setup::LoadResString(1)));
    EXPECT_EQ(TextOf(C(FormMainControl::LabelCopyright)), Wide(setup::LoadResString(2)));
    EXPECT_EQ(TextOf(C(FormMainControl::LabelInfo)), L"\x30D7\x30ED\x30B0\x30E9\x30E0(&P)");
    EXPECT_EQ(TextOf(C(FormMainControl::CommandInstall)), L"\x8FFD\x52A0\x3059\x308B(&I)...");
    EXPECT_EQ(TextOf(C(FormMainControl::CommandUninstall)), L"\x524A\x9664\x3059\x308B(&U)...");
    // Before activation: both procedure buttons hidden, Welcome disabled, no status text.
    EXPECT_FALSE(IsWindowVisible(C(FormMainControl::CommandInstall)));
    EXPECT_FALSE(IsWindowVisible(C(FormMainControl::CommandUninstall)));
    EXPECT_FALSE(IsWindowEnabled(C(FormMainControl::CommandWelcome)));
    EXPECT_EQ(TextOf(C(FormMainControl::LabelTip)), L"");
}

TEST_F(FormMainTest, ColoursOfTheLabelsAndTheTitleBox) {
    HDC dc = CreateCompatibleDC(nullptr);
    struct Case {
        FormMainControl control;
        UINT message;
        COLORREF back, fore;
    } cases[] = {
        {FormMainControl::LabelPath, WM_CTLCOLORSTATIC, GetSysColor(COLOR_BTNFACE),
         GetSysColor(COLOR_HOTLIGHT)},
        {FormMainControl::LabelTitle, WM_CTLCOLORSTATIC, GetSysColor(COLOR_WINDOW),
         GetSysColor(COLOR_WINDOWTEXT)},
        {FormMainControl::LabelCopyright, WM_CTLCOLORSTATIC, GetSysColor(COLOR_WINDOW),
         GetSysColor(COLOR_WINDOWTEXT)},
        {FormMainControl::LabelTip, WM_CTLCOLORSTATIC, GetSysColor(COLOR_BTNFACE),
         GetSysColor(COLOR_BTNTEXT)},
        {FormMainControl::TextTitle, WM_CTLCOLOREDIT, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)},
    };
    for (const auto& c : cases) {
        HBRUSH brush =
            reinterpret_cast<HBRUSH>(SendMessageW(FormMainWindow(), c.message, reinterpret_cast<WPARAM>(dc),
                                                  reinterpret_cast<LPARAM>(C(c.control))));
        ASSERT_NE(brush, nullptr);
        LOGBRUSH lb{};
        GetObjectW(brush, sizeof lb, &lb);
        EXPECT_EQ(lb.lbColor, c.back) << static_cast<int>(c.control);
        EXPECT_EQ(GetBkColor(dc), c.back) << static_cast<int>(c.control);
        EXPECT_EQ(GetTextColor(dc), c.fore) << static_cast<int>(c.control);
    }
    DeleteDC(dc);
}

TEST_F(FormMainTest, HandPointerOverThePathLabelOnly) {
    ShowAndActivate();
    SendMessageW(FormMainWindow(), WM_SETCURSOR, reinterpret_cast<WPARAM>(C(FormMainControl::LabelPath)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    SendMessageW(FormMainWindow(), WM_SETCURSOR, reinterpret_cast<WPARAM>(C(FormMainControl::CommandCancel)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(FormMainTest, ActivationDecidesTheStateOnce) {
    struct Case {
        const char* what;
        Text record;
        quorin::InstallState state;
        bool install, uninstall, path;
        const wchar_t* pathText;
        size_t messages;
    } cases[] = {
        {"no record", Text(), quorin::InstallState::NotInstalled, true, false, true,
         L"\x8FFD\x52A0\x3059\x308B\x5834\x6240\x306F...", 0},
        {"this folder", setup::ProgramFolder(), quorin::InstallState::InstalledHere, false, true, true,
         L"\x524A\x9664\x3059\x308B\x5834\x6240\x306F...", 0},
        {"another folder", u"C:\\Elsewhere", quorin::InstallState::InstalledElsewhere, false, false, false,
         L"\x30D7\x30ED\x30B0\x30E9\x30E0\x306E\x5834\x6240\x306F...", 1},
    };
    for (const auto& c : cases) {
        setup::FormMainUnload();
        Clean();
        if (!c.record.empty())
            SetRecord(c.record);
        setup::FormMainLoad();
        BoxAnswerer answerer({IDOK});
        ShowAndActivate();
        setup::Form_Activate(); // a second activation changes nothing and shows nothing
        EXPECT_EQ(setup::InstallState, c.state) << c.what;
        EXPECT_EQ(IsWindowVisible(C(FormMainControl::CommandInstall)) != 0, c.install) << c.what;
        EXPECT_EQ(IsWindowVisible(C(FormMainControl::CommandUninstall)) != 0, c.uninstall) << c.what;
        EXPECT_EQ(IsWindowVisible(C(FormMainControl::LabelPath)) != 0, c.path) << c.what;
        EXPECT_EQ(TextOf(C(FormMainControl::LabelPath)), c.pathText) << c.what;
        EXPECT_TRUE(IsWindowEnabled(C(FormMainControl::CommandWelcome))) << c.what;
        EXPECT_EQ(TextOf(C(FormMainControl::LabelTip)), Wide(setup::LoadResString(11))) << c.what;
        EXPECT_EQ(TextOf(C(FormMainControl::TextTitle)), Wide(kTitle)) << c.what;
        EXPECT_EQ(answerer.Texts().size(), c.messages) << c.what;
        if (c.messages == 1) {
            // 101, with the stop icon.
            EXPECT_EQ(answerer.Texts()[0], Wide(u"すでに他の場所にインストールされています\n"
                                                u"アンインストールして再び起動してください"));
            EXPECT_EQ(answerer.Icons(), std::vector<BoxIcon>{BoxIcon::Stop});
        }
    }
    // Without a document Welcome stays disabled.
    setup::FormMainUnload();
    Clean();
    setup::SetupSettings.Document.clear();
    setup::FormMainLoad();
    ShowAndActivate();
    EXPECT_FALSE(IsWindowEnabled(C(FormMainControl::CommandWelcome)));
}

TEST_F(FormMainTest, TabOrderAccessKeyAndEsc) {
    ShowAndActivate();
    HWND w = FormMainWindow();
    // The focusable controls in tab order (Uninstall hidden, so skipped).
    std::vector<HWND> order;
    HWND h = GetNextDlgTabItem(w, nullptr, FALSE);
    for (int i = 0; i < 6 && h != nullptr; ++i) {
        order.push_back(h);
        h = GetNextDlgTabItem(w, h, FALSE);
    }
    EXPECT_EQ(order, (std::vector<HWND>{C(FormMainControl::TextTitle), C(FormMainControl::CommandInstall),
                                        C(FormMainControl::CommandWelcome), C(FormMainControl::CommandCancel),
                                        C(FormMainControl::TextTitle), C(FormMainControl::CommandInstall)}));

    // Alt+P, sent as the keyboard would through the dialog manager: the focus moves to the
    // title box, whose whole text is selected.
    SendMessageW(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(C(FormMainControl::CommandCancel)), TRUE);
    EXPECT_EQ(GetFocus(), C(FormMainControl::CommandCancel));
    MSG alt{w, WM_SYSCHAR, L'p', 1 << 29, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(w, &alt));
    DWORD start = 1, end = 0;
    PumpUntil([&] { return GetFocus() == C(FormMainControl::TextTitle); }, 2000);
    PumpUntil(
        [&] {
            SendMessageW(C(FormMainControl::TextTitle), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            return start == 0 && end == kTitle.size();
        },
        2000);
    EXPECT_EQ(GetFocus(), C(FormMainControl::TextTitle));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, kTitle.size());

    // Esc presses Cancel, which hides the window.
    MSG esc{C(FormMainControl::TextTitle), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(w, &esc));
    EXPECT_FALSE(IsWindowVisible(w));
}

TEST_F(FormMainTest, InstallWithoutEntriesWritesTheRecordAndTheEntry) {
    setup::SetupSettings.All = 0;
    ShowAndActivate();
    ASSERT_EQ(setup::InstallState, quorin::InstallState::NotInstalled);
    {
        BoxAnswerer answerer({IDNO});
        setup::RunInstall();
        EXPECT_EQ(answerer.Texts().size(), 1u);
    }
    EXPECT_TRUE(IsWindowEnabled(C(FormMainControl::CommandInstall))) << "No changes nothing";
    EXPECT_EQ(setup::RegistrySettingsStore().GetSetting(quorin::kRecordApplication, quorin::kRecordSection,
                                                        kTitle, u"none"),
              u"none");
    std::vector<std::wstring> texts;
    {
        BoxAnswerer answerer({IDYES, IDOK});
        setup::RunInstall();
        texts = answerer.Texts();
    }
    ASSERT_EQ(texts.size(), 2u);
    auto shown = [](uint32_t id) {
        return Wide(quorin::win::FromAnsi(quorin::win::ToAnsi(setup::LoadResString(id))));
    };
    EXPECT_EQ(texts[0], shown(104));
    EXPECT_EQ(texts[1], shown(105));
    EXPECT_FALSE(IsWindowEnabled(C(FormMainControl::CommandInstall)));
    EXPECT_TRUE(IsWindowVisible(C(FormMainControl::CommandInstall)));
    EXPECT_EQ(TextOf(C(FormMainControl::LabelTip)), Wide(setup::LoadResString(11)));
    EXPECT_EQ(setup::RegistrySettingsStore().GetSetting(quorin::kRecordApplication, quorin::kRecordSection,
                                                        kTitle, u"none"),
              setup::ProgramFolder());
    wchar_t display[256] = {};
    DWORD size = sizeof display;
    EXPECT_EQ(
        RegGetValueW(HKEY_LOCAL_MACHINE,
                     (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Wide(kTitle)).c_str(),
                     L"DisplayName", RRF_RT_REG_SZ, nullptr, display, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(display), Wide(kTitle));
}

// The registry refuses for real: a non-volatile key cannot be made under a volatile one, and a
// key that is a link to a place whose parent is missing cannot be created through. The install
// still completes, but says that the record and the entry did not take.
TEST_F(FormMainTest, RefusedRecordAndEntryAreTold) {
    const wchar_t kApp[] = L"Software\\Ombrel's Quorin";
    const std::wstring entry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Wide(kTitle);
    RegDeleteTreeW(HKEY_CURRENT_USER, kApp);
    quorin::win::UniqueHKey app, link, probe;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kApp, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, app.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr,
                              link.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring target = L"\\Registry\\Machine\\Software\\Quorin No Such Parent\\Entry";
    ASSERT_EQ(RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK,
                             reinterpret_cast<const BYTE*>(target.c_str()),
                             static_cast<DWORD>(target.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    link.reset();
    // Both refusals hold before Setup meets them.
    EXPECT_NE(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kApp) + L"\\Installer").c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, probe.put(), nullptr),
              ERROR_SUCCESS);
    probe.reset();
    EXPECT_NE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, probe.put(), nullptr),
              ERROR_SUCCESS);
    probe.reset();

    setup::SetupSettings.All = 0;
    ShowAndActivate();
    std::vector<std::wstring> texts;
    {
        BoxAnswerer answerer({IDYES, IDOK, IDOK, IDOK});
        setup::RunInstall();
        texts = answerer.Texts();
    }
    // Put the registry back before judging.
    app.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kApp);
    HKEY linkKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, entry.c_str(), REG_OPTION_OPEN_LINK, DELETE, &linkKey) ==
        ERROR_SUCCESS) {
        EXPECT_EQ(RegDeleteKeyW(linkKey, L""), ERROR_SUCCESS);
        RegCloseKey(linkKey);
    }
    auto shown = [](uint32_t id) {
        return Wide(quorin::win::FromAnsi(quorin::win::ToAnsi(setup::LoadResString(id))));
    };
    EXPECT_EQ(texts,
              (std::vector<std::wstring>{shown(quorin::kIdAskInstall), shown(quorin::kIdRecordNotSaved),
                                         shown(quorin::kIdEntryNotWritten), shown(quorin::kIdInstallDone)}));
}

TEST_F(FormMainTest, NamesOutsideThePackageAreLeftAloneAndTold) {
    // A file beside the program's folder that a tampered script names for deletion.
    const Text folder = setup::ProgramFolder();
    const Text parent = folder.substr(0, folder.find_last_of(u'\\'));
    const std::wstring sentinel = Wide(parent) + L"\\QuorinSentinel.TXT";
    {
        quorin::win::UniqueFile f(
            CreateFileW(sentinel.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f);
    }
    setup::FormMainUnload();
    SetRecord(folder);
    quorin::SetupEntry outside;
    outside.LzSource = u"QUORIN.TX_";
    outside.LzTarget = u"..\\QuorinSentinel.TXT";
    setup::SetupSettings.Entries = {outside};
    setup::SetupSettings.All = 1;
    setup::FormMainLoad();
    ShowAndActivate();
    ASSERT_EQ(setup::InstallState, quorin::InstallState::InstalledHere);
    std::vector<std::wstring> texts;
    {
        BoxAnswerer answerer({IDYES, IDOK, IDOK});
        setup::RunUninstall();
        texts = answerer.Texts();
    }
    const bool kept = GetFileAttributesW(sentinel.c_str()) != INVALID_FILE_ATTRIBUTES;
    DeleteFileW(sentinel.c_str());
    EXPECT_TRUE(kept) << "a file outside the package folder was deleted";
    ASSERT_EQ(texts.size(), 3u);
    const std::wstring told = Wide(quorin::win::FromAnsi(quorin::win::ToAnsi(setup::EmbedValues(
        setup::LoadResString(quorin::kIdNamesOutsideFolder), {quorin::Variant(outside.LzTarget)}))));
    EXPECT_EQ(texts[1], told);
    EXPECT_NE(texts[1].find(L"..\\QuorinSentinel.TXT"), std::wstring::npos);
    EXPECT_EQ(texts[2], Wide(quorin::win::FromAnsi(quorin::win::ToAnsi(setup::LoadResString(107)))));
}

// Clicking the path label (through its notification, as a click arrives) names the folder in
// quotes, with the exclamation icon.
TEST_F(FormMainTest, LocationMessagesNameTheFolderWithTheExclamationIcon) {
    const Text folder = setup::ProgramFolder();
    const struct {
        const char* what;
        bool installedHere;
        Text text;
    } cases[] = {
        {"not installed", false,
         u"プログラムは次の場所へインストールされます\n\n'" + folder +
             u"'\n\nセットアップを終了し場所を移動して再び起動することもできます"},
        {"installed here", true, u"プログラムは次の場所からアンインストールされます\n\n'" + folder + u"'"},
    };
    for (const auto& c : cases) {
        setup::FormMainUnload();
        Clean();
        if (c.installedHere)
            SetRecord(folder);
        setup::FormMainLoad();
        ShowAndActivate();
        BoxAnswerer answerer({IDOK});
        HWND label = C(FormMainControl::LabelPath);
        SendMessageW(FormMainWindow(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
                     reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(answerer.Texts(), std::vector<std::wstring>{Wide(c.text)}) << c.what;
        EXPECT_EQ(answerer.Icons(), std::vector<BoxIcon>{BoxIcon::Exclamation}) << c.what;
    }
}

// The title bar's close button (and Alt+F4) sends SC_CLOSE: the modal display ends as with
// Cancel, so Main goes on to unload the window and end the program.
TEST_F(FormMainTest, TheCloseButtonEndsTheModalDisplayLikeCancel) {
    std::atomic<bool> returned{false}, rescued{false};
    quorin_test::TestThread guard([&] {
        // Only if the close is not honoured: end the display another way, so the test fails
        // instead of hanging.
        for (int i = 0; i < 400 && !returned; ++i)
            Sleep(50);
        if (!returned) {
            rescued = true;
            PostMessageW(FormMainWindow(), WM_COMMAND, IDCANCEL, 0);
        }
    });
    PostMessageW(FormMainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    setup::FormMainShowModal();
    returned = true;
    guard.Join();
    EXPECT_FALSE(rescued) << "the close button did not end the modal display";
    EXPECT_FALSE(IsWindowVisible(FormMainWindow()));
}

// Presses the platform's way: real input through the system's queue.
void ClickAt(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    INPUT in[3] = {};
    for (INPUT& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = MulDiv((r.left + r.right) / 2, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        i.mi.dy = MulDiv((r.top + r.bottom) / 2, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, in, sizeof(INPUT));
}

void PressKey(WORD key) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// While the procedure pauses, the user presses Esc and Enter, clicks Cancel and Install and
// closes the window. None of it may act later: every message the procedure shows stays up until
// answered, and the window stays open.
TEST_F(FormMainTest, InputDuringTheProcedureChangesNothing) {
    quorin::SetupEntry entry; // a compressed file that is not there: placing it fails at once
    entry.LzSource = u"QuorinNoSuchFile.TX_";
    entry.LzTarget = u"QuorinNoSuchFile.TXT";
    setup::SetupSettings.Entries = {entry};
    setup::SetupSettings.All = 1;
    ShowAndActivate();
    SetForegroundWindow(FormMainWindow());
    ASSERT_EQ(GetForegroundWindow(), FormMainWindow());
    const std::wstring installing = Wide(u"インストールしていますので、しばらくお待ちください...");
    quorin_test::TestThread user([&] {
        // The procedure shows this text before its work; its pause lets sent messages through.
        for (int i = 0; i < 400 && TextOf(C(FormMainControl::LabelTip)) != installing; ++i)
            Sleep(20);
        PressKey(VK_ESCAPE);
        PressKey(VK_RETURN);
        ClickAt(C(FormMainControl::CommandCancel));
        ClickAt(C(FormMainControl::CommandInstall));
        PostMessageW(FormMainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    std::vector<std::wstring> texts;
    {
        BoxAnswerer answerer({IDYES, IDOK, IDOK});
        setup::RunInstall();
        texts = answerer.Texts();
    }
    user.Join();
    // 104, then 303 for the entry that could not be placed, then 105: each answered by the
    // answerer, none by a key held from the pause.
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], Wide(u"プログラムをインストールしてもよろしいですか"));
    EXPECT_EQ(texts[2], Wide(u"インストールが完了しました"));
    // What is still queued runs now, outside the procedure.
    PumpUntil([] { return HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0; }, 5000);
    EXPECT_TRUE(IsWindowVisible(FormMainWindow()));
    EXPECT_FALSE(IsWindowEnabled(C(FormMainControl::CommandInstall)));
}

// Run inside a copy of this program: the Welcome button with the document "READ ME.TXT".
TEST(Child, DISABLED_ClickWelcome) {
    setup::SetupSettings = quorin::SetupSettings();
    setup::SetupSettings.Document = u"READ ME.TXT";
    setup::FormMainLoad();
    setup::CommandWelcome_Click();
    setup::FormMainUnload();
}

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Welcome starts NOTEPAD with the document's full path in quotes, the folder and the name joined
// by one "\", so a drive root gives a doubled separator. A stand-in NOTEPAD beside the copy of
// this program, found first by the platform's search, records the command line.
TEST(Welcome, StartsNotepadWithTheQuotedPath) {
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    const std::wstring notepad =
        ThisProgram().substr(0, ThisProgram().find_last_of(L'\\')) + L"\\NOTEPAD.EXE";
    const struct {
        std::wstring folder;
        std::wstring expected;
    } cases[] = {
        {L"C:\\quorin-welcome-" + pid, L"NOTEPAD \"C:\\quorin-welcome-" + pid + L"\\READ ME.TXT\""},
        {L"C:\\", L"NOTEPAD \"C:\\\\READ ME.TXT\""},
    };
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"quorin-notepad-" + pid + L".txt";
    SetEnvironmentVariableW(L"QUORIN_NOTEPAD_LOG", log.c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(quorin::ToUtf8(quorin::win::FromWide(c.folder.c_str())));
        CreateDirectoryW(c.folder.c_str(), nullptr);
        const std::wstring base = c.folder.back() == L'\\' ? c.folder : c.folder + L"\\";
        const std::wstring copy = base + L"QrnWelcome" + pid + L".EXE", stub = base + L"NOTEPAD.EXE";
        ASSERT_TRUE(CopyFileW(ThisProgram().c_str(), copy.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(notepad.c_str(), stub.c_str(), FALSE));
        DeleteFileW(log.c_str());
        std::wstring commandLine = L"\"" + copy +
                                   L"\" --gtest_filter=Child.DISABLED_ClickWelcome "
                                   L"--gtest_also_run_disabled_tests";
        STARTUPINFOW si{sizeof si};
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        quorin::win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
        EXPECT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
        const bool recorded =
            PumpUntil([&] { return GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000);
        std::wstring seen;
        if (recorded) {
            quorin::win::UniqueFile f(
                CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            wchar_t buffer[1024] = {};
            DWORD n = 0;
            ReadFile(f.get(), buffer, sizeof buffer - sizeof(wchar_t), &n, nullptr);
            seen.assign(buffer, n / sizeof(wchar_t));
        }
        DeleteFileW(log.c_str());
        DeleteFileW(copy.c_str());
        DeleteFileW(stub.c_str());
        if (c.folder.back() != L'\\')
            RemoveDirectoryW(c.folder.c_str());
        EXPECT_TRUE(recorded) << "NOTEPAD was not started";
        EXPECT_EQ(seen, c.expected);
    }
}

} // namespace
