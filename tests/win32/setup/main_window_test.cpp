// The main window in this process: its layout at the screen's DPI, fonts, colours, keys and the
// close button, the install state at its first activation, its messages with their icons and
// exact texts, input during the procedures and the Welcome command line.
#include <memory>

#include "installer/procedures.h"
#include "setup/main_window.h"
#include "setup/platform/settings_store.h"
#include "setup/program.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

using Ctl = setup::MainWindowControl;
using Texts = std::vector<std::wstring>;

const Text kTitle = u"Quorin Main Window Test";
const std::wstring kEntryKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorin Main Window Test";

int Px(int twips) {
    quorin::win::ScreenDc screen;
    return ::MulDiv(twips, ::GetDeviceCaps(screen.get(), LOGPIXELSX), 1440);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Forget();
        settings_.Title = kTitle;
        settings_.Document = u"README.TXT";
    }
    void TearDown() override {
        window_.reset();
        Forget();
    }
    static void Forget() {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Ombrel's Quorin\\Installer", Wide(kTitle).c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEntryKey.c_str());
    }
    // A window made and shown as the start-up does, activated unless said otherwise.
    setup::MainWindow& Open(const Text& record = {}, bool activate = true) {
        if (!record.empty())
            setup::RegistrySettingsStore().SaveSetting(quorin::kRecordApplication, quorin::kRecordSection, kTitle, record);
        window_ = std::make_unique<setup::MainWindow>(settings_);
        window_->Create();
        if (activate) {
            ::ShowWindow(window_->hwnd(), SW_SHOWNORMAL);
            window_->Activate();
        }
        return *window_;
    }
    HWND C(Ctl c) const { return window_->Control(c); }

    quorin::SetupSettings settings_;
    std::unique_ptr<setup::MainWindow> window_;
};

void CALLBACK Rescue(HWND window, UINT, UINT_PTR, DWORD) {
    ::ShowWindow(window, SW_HIDE);
}

TEST_F(MainWindowTest, LayoutFontsColoursKeysAndClosing) {
    HWND w = Open({}, false).hwnd();
    EXPECT_FALSE(::IsWindowVisible(C(Ctl::Install)) || ::IsWindowVisible(C(Ctl::Uninstall)) ||
                 ::IsWindowEnabled(C(Ctl::Welcome)) || !TextOf(C(Ctl::Tip)).empty())
        << "offered before the first activation";
    RECT client{};
    ::GetClientRect(w, &client);
    EXPECT_TRUE(client.right == Px(4800) && client.bottom == Px(3600));
    for (const auto& [control, twips] : {std::pair(Ctl::Tip, RECT{900, 1275, 4515, 1740}), // inside its frame
                                         std::pair(Ctl::Uninstall, RECT{3150, 2025, 4665, 2865})}) {
        RECT r{};
        ::GetWindowRect(C(control), &r);
        ::MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left == Px(twips.left) && r.top == Px(twips.top) && r.right == Px(twips.right) &&
                    r.bottom == Px(twips.bottom))
            << static_cast<int>(control);
    }
    std::wstring captions = TextOf(w);
    for (Ctl c : {Ctl::ProductName, Ctl::Copyright, Ctl::ProgramLabel, Ctl::Location, Ctl::Install, Ctl::Uninstall,
                  Ctl::Welcome, Ctl::Cancel})
        captions += L"|" + TextOf(C(c));
    EXPECT_EQ(captions, L"Ombrel's Quorin Installer|Ombrel's Quorin Installer|Copyright (C) 2003~2004 Ombrel Works|"
                        L"プログラム(&P)|プログラムの場所は...|追加する(&I)...|削除する(&U)...|ようこそ(&W)|キャンセル");
    // The location label: underlined "MS UI Gothic" 9 pt in Shift-JIS, in the colours of button
    // faces and hot-tracked items, and the hand pointer.
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(C(Ctl::Location), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_TRUE(std::wstring(lf.lfFaceName) == L"MS UI Gothic" && lf.lfHeight == -Px(180) && lf.lfUnderline &&
                lf.lfCharSet == SHIFTJIS_CHARSET);
    quorin::win::MemoryDc dc(nullptr);
    ::SendMessageW(w, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(C(Ctl::Location)));
    EXPECT_TRUE(::GetBkColor(dc.get()) == ::GetSysColor(COLOR_BTNFACE) &&
                ::GetTextColor(dc.get()) == ::GetSysColor(COLOR_HOTLIGHT));
    ::ShowWindow(w, SW_SHOWNORMAL);
    window_->Activate();
    for (Ctl over : {Ctl::Location, Ctl::Cancel}) {
        ::SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(C(over)), HTCLIENT);
        EXPECT_EQ(::GetCursor() == ::LoadCursorW(nullptr, IDC_HAND), over == Ctl::Location);
    }
    // Tab order (Uninstall hidden), Alt+P selecting the whole title, Esc pressing Cancel.
    std::vector<HWND> order{::GetNextDlgTabItem(w, nullptr, FALSE)};
    for (int i = 0; i < 4; ++i)
        order.push_back(::GetNextDlgTabItem(w, order.back(), FALSE));
    EXPECT_EQ(order, (std::vector<HWND>{C(Ctl::TitleBox), C(Ctl::Install), C(Ctl::Welcome), C(Ctl::Cancel), C(Ctl::TitleBox)}));
    ::SendMessageW(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(C(Ctl::Cancel)), TRUE);
    MSG alt{w, WM_SYSCHAR, L'p', 1 << 29, 0, {}};
    EXPECT_TRUE(::IsDialogMessageW(w, &alt));
    DWORD start = 1, end = 0;
    EXPECT_TRUE(PumpUntil(
        [&] {
            ::SendMessageW(C(Ctl::TitleBox), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            return ::GetFocus() == C(Ctl::TitleBox) && start == 0 && end == kTitle.size();
        },
        3000, w));
    MSG esc{C(Ctl::TitleBox), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    EXPECT_TRUE(::IsDialogMessageW(w, &esc));
    EXPECT_FALSE(::IsWindowVisible(w));
    // The title bar's close button ends the modal display as Cancel does; were it not honoured, a
    // timer would end the display after a while and the test fail.
    ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::SetTimer(w, 1, 10000, Rescue);
    const ULONGLONG shown = ::GetTickCount64();
    window_->ShowModal();
    EXPECT_LT(::GetTickCount64() - shown, 9000u) << "the close button did not end the modal display";
}

TEST_F(MainWindowTest, FirstActivationDecidesTheStateAndTheLocationMessage) {
    const Text here = setup::ProgramFolder();
    const struct {
        Text record;
        quorin::InstallState state;
        bool install, uninstall, location;
        Text box; // at activation, or on a click on the location label
    } cases[] = {
        {{}, quorin::InstallState::NotInstalled, true, false, true,
         u"プログラムは次の場所へインストールされます\n\n'" + here + u"'\n\nセットアップを終了し場所を移動して再び起動することもできます"},
        {here, quorin::InstallState::InstalledHere, false, true, true, u"プログラムは次の場所からアンインストールされます\n\n'" + here + u"'"},
        {u"C:\\Elsewhere", quorin::InstallState::InstalledElsewhere, false, false, false,
         u"すでに他の場所にインストールされています\nアンインストールして再び起動してください"},
    };
    for (const auto& c : cases) {
        Forget();
        BoxAnswerer answerer;
        setup::MainWindow& w = Open(c.record);
        w.Activate(); // a second activation changes nothing and shows nothing
        EXPECT_EQ(w.state(), c.state);
        EXPECT_EQ(::IsWindowVisible(C(Ctl::Install)) != 0, c.install);
        EXPECT_EQ(::IsWindowVisible(C(Ctl::Uninstall)) != 0, c.uninstall);
        EXPECT_EQ(::IsWindowVisible(C(Ctl::Location)) != 0, c.location);
        EXPECT_TRUE(::IsWindowEnabled(C(Ctl::Welcome)));
        EXPECT_EQ(TextOf(C(Ctl::Tip)), L"プログラムの追加と削除を行います。");
        EXPECT_EQ(TextOf(C(Ctl::TitleBox)), Wide(kTitle));
        ::SendMessageW(w.hwnd(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(C(Ctl::Location)), STN_CLICKED),
                       reinterpret_cast<LPARAM>(C(Ctl::Location)));
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(answerer.boxes[0].text, Wide(c.box));
        EXPECT_EQ(answerer.boxes[0].icon, c.location ? Icon::Exclamation : Icon::Stop);
        EXPECT_EQ(answerer.boxes[0].caption, L"Ombrel's Quorin Installer");
    }
    settings_.Document.clear();
    Forget();
    Open();
    EXPECT_FALSE(::IsWindowEnabled(C(Ctl::Welcome))) << "no document";
}

DWORD WINAPI RunOnThread(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}

// The registry refuses the record for real (no non-volatile key under a volatile one), and a
// title holding "\" gets no entry. While the procedure pauses, the user presses Esc and Enter,
// clicks Cancel and Install and closes the window: none of it acts later. The install completes
// and says what did not take, a name outside the package folder included, each message up until
// answered.
TEST_F(MainWindowTest, AnInstallThatDoesNotTakeIsToldAndIgnoresInputMeanwhile) {
    const std::wstring app = L"Software\\Ombrel's Quorin";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, app.c_str());
    quorin::win::UniqueHKey volatileApp;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, app.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                volatileApp.put(), nullptr),
              ERROR_SUCCESS);
    settings_.Title = u"Quorin\\Main Window Test";
    settings_.Entries = {{u"QUORIN.TX_", u"..\\QuorinSentinel.TXT", false},
                         {u"QuorinNoSuchFile.TX_", u"QuorinNoSuchFile.TXT", false}};
    settings_.All = 2;
    setup::MainWindow& w = Open();
    ::SetForegroundWindow(w.hwnd());
    std::function<void()> user = [&] {
        quorin::driver::WaitUntil(
            [&] { return TextOf(C(Ctl::Tip)) == L"インストールしていますので、しばらくお待ちください..."; },
            8000);
        SendKey(VK_ESCAPE);
        SendKey(VK_RETURN);
        for (HWND button : {C(Ctl::Cancel), C(Ctl::Install)}) {
            RECT r{};
            ::GetWindowRect(button, &r);
            ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
            ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        }
        ::PostMessageW(w.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    quorin::win::UniqueHandleObj thread(::CreateThread(nullptr, 0, RunOnThread, &user, 0, nullptr));
    BoxAnswerer answerer({IDYES});
    w.Install();
    ::WaitForSingleObject(thread.get(), INFINITE);
    volatileApp.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, app.c_str());
    // Input that acted late would show here as a further box, a hidden window or Install enabled.
    PumpUntil([] { return HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0; }, 5000, w.hwnd());
    EXPECT_EQ(answerer.Texts(),
              (Texts{L"プログラムをインストールしてもよろしいですか",
                     L"次のファイルはプログラムの場所の外を指しているため、処理しませんでした\n\n..\\QuorinSentinel.TXT",
                     L"次のファイルを正しくインストールできませんでした\n\nQuorinNoSuchFile.TXT",
                     L"インストールの記録を保存できませんでした\n次にセットアップを起動しても、アンインストールはできません",
                     L"プログラムの追加と削除の一覧に登録できませんでした", L"インストールが完了しました"}));
    EXPECT_TRUE(::IsWindowVisible(w.hwnd()));
    EXPECT_FALSE(::IsWindowEnabled(C(Ctl::Install)));
}

// Run inside a copy of this program: Welcome with the document "READ ME.TXT".
TEST(Child, DISABLED_OpenDocument) {
    quorin::SetupSettings settings;
    settings.Document = u"READ ME.TXT";
    setup::MainWindow window(settings);
    window.Create();
    window.OpenDocument();
}

// NOTEPAD with the document's full path in quotes, the folder and the name joined by one "\", so
// a drive root gives a doubled separator. A stand-in NOTEPAD, found first beside the copy of
// this program, records its command line.
TEST(Welcome, StartsNotepadWithTheQuotedPath) {
    TempFolder folder(L"welcome", L"C:\\");
    for (const std::wstring& at : {folder.Path(), std::wstring(L"C:")}) {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPrograms.c_str(), L"NOTEPAD.EXE");
        ASSERT_TRUE(::CopyFileW(Beside(L"QTestProg.exe").c_str(), (at + L"\\NOTEPAD.EXE").c_str(), FALSE));
        EXPECT_EQ(RunChild(at + L"\\QrnWelcome.EXE", "OpenDocument"), 0u);
        const std::wstring seen = RecordedCommandLine(L"NOTEPAD.EXE");
        PumpUntil([&] { return ::DeleteFileW((at + L"\\NOTEPAD.EXE").c_str()); }, 10000);
        EXPECT_EQ(seen, L"NOTEPAD \"" + (at == L"C:" ? L"C:\\" : at) + L"\\READ ME.TXT\"");
    }
}

} // namespace
} // namespace setup_test
