// The About box, opened the way hosts open it (IDispatch::Invoke with DISPID_ABOUTBOX): its texts,
// fonts and links, its help, its modal loop, its links through the embedded control's hyperlink
// object to the shell, and the event log entry it writes when it closes.
#include <utility>

#include "joystick/about_box/about_box_resources.h"
#include "ocx_test_support.h"

#include <shellapi.h>

using namespace ocxtest;

namespace {

const wchar_t* const HelpCaption = Wide(u"ヘルプ(&H)");

class AboutBox : public testing::Test {
protected:
    BoxRun Show(std::function<bool(HWND, int)> step) {
        DISPPARAMS none = {};
        return RunBox(
            [&] { return control->Invoke(DISPID_ABOUTBOX, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr); },
            std::move(step));
    }
    ComPtr<IControlJoystick> control = NewControl();
};

// The shell's calls as "verb file", as the library makes them, and the event log entries it writes.
std::vector<std::wstring> g_shellCalls, g_logEntries;
HINSTANCE WINAPI RecordShell(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    g_shellCalls.push_back(std::wstring(verb ? verb : L"") + L" " + (file ? file : L""));
    return reinterpret_cast<HINSTANCE>(file && wcsncmp(file, L"mailto:", 7) == 0 ? SE_ERR_NOASSOC : 42);
}
BOOL WINAPI RecordLogEntry(HANDLE, WORD type, WORD, DWORD, PSID, WORD count, DWORD, LPCWSTR* strings, void*) {
    g_logEntries.push_back(type == EVENTLOG_INFORMATION_TYPE && count == 1 ? strings[0] : L"<other>");
    return TRUE;
}

// Each call shows a fresh box: the version line once, from the library's own version block. With
// no hyperlink frame in the box, the shell opens a clicked label's caption. Closing writes one log
// entry: empty after a clean run, the failure's message after a navigation that failed (here the
// mail link), which leaves the box running.
TEST_F(AboutBox, ShowsItsTextsFontsAndLinksThatOpenThroughTheShell) {
    ImportPatch shell("ShellExecuteW", reinterpret_cast<const void*>(RecordShell));
    ImportPatch log("ReportEventW", reinterpret_cast<const void*>(RecordLogEntry));
    g_shellCalls.clear();
    g_logEntries.clear();
    std::vector<std::wstring> captions;
    for (int call = 0; call < 2; ++call) {
        const BoxRun run = Show([&](HWND box, int) {
            RECT client = {};
            GetClientRect(box, &client);
            EXPECT_EQ(TextOf(box), Wide(u"著作権とバージョン情報について"));
            EXPECT_TRUE(client.right == 360 && client.bottom == 180);
            EXPECT_EQ(TextOf(ChildOfClass(box, L"Edit")),
                      L"Ombrel's Gantrel\t1.50,2004\r\nCopyright (C) 2001-2004 Ombrel Works.\r\nAll rights reserved.");
            HWND labels[2] = {ChildByPrefix(box, L"http://"), ChildByPrefix(box, L"mailto:")};
            EXPECT_NE(TextOf(labels[1]).find(L'@'), std::wstring::npos);
            // The name and the line under it in 8.25 point Tahoma, the rest in the form font.
            EXPECT_EQ(FontOf(ChildByText(box, L"Ombrel's Gantrel")), L"Tahoma -11 700 1");
            EXPECT_EQ(FontOf(ChildByText(box, L"powered by SideWinder GamePad")), L"Tahoma -11 400 1");
            for (HWND c : {ChildOfClass(box, L"Edit"), labels[0], labels[1], GetDlgItem(box, IDOK),
                           ChildByText(box, HelpCaption)})
                EXPECT_EQ(FontOf(c), FormFont) << quorin::driver::Utf8(TextOf(c));
            EXPECT_EQ(GetWindowLongW(GetDlgItem(box, IDOK), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
            HDC dc = CreateCompatibleDC(nullptr);
            for (HWND label : labels) {
                SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
                EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_HOTLIGHT));
                SetCursor(nullptr);
                SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                EXPECT_EQ(GetCursor(), LoadImageW(Ocx(), MAKEINTRESOURCEW(IDC_ABOUT_HAND), IMAGE_CURSOR, 0, 0, LR_SHARED))
                    << "the library's pointing hand";
            }
            DeleteDC(dc);
            quorin::driver::SaveWindowPicture(box, Beside(L"about.png"));
            captions.push_back(TextOf(labels[call]));
            SendMessageW(labels[call], WM_LBUTTONDOWN, MK_LBUTTON, 0);
            SendMessageW(labels[call], WM_LBUTTONUP, 0, 0);
            return IsWindowVisible(box) && PressOk(box);
        });
        EXPECT_EQ(run.result, S_OK);
        EXPECT_GT(run.ticksWithBox, 0) << "no box was shown";
    }
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_EQ(g_shellCalls, (std::vector<std::wstring>{L"open " + captions[0], L"open " + captions[1]}));
    ASSERT_EQ(g_logEntries.size(), 2u);
    EXPECT_EQ(g_logEntries[0], L"");
    EXPECT_NE(g_logEntries[1], L"");
    EXPECT_NE(g_logEntries[1], L"<other>");
}

// Modal over the thread's other windows. The help button, F1 and the help message open topic 801
// of the help file beside the library; closing, Escape and a quit message end the box, and the
// host's loop still sees the quit.
TEST_F(AboutBox, ModalWithHelpAndEndedByCloseEscapeOrQuit) {
    HWND other = CreateWindowExW(0, L"STATIC", L"host form", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    const struct {
        std::function<void(HWND)> act;
        bool help;    // the box stays until the help request, then OK closes it
        WPARAM quit;  // the quit message's code, 0: none
    } rows[] = {
        {[](HWND box) { SendMessageW(ChildByText(box, HelpCaption), BM_CLICK, 0, 0); }, true, 0},
        {[](HWND box) {
             SetForegroundWindow(box);
             SendKey(VK_F1); // through the input queue
         },
         true, 0},
        {[](HWND box) {
             HELPINFO info = {sizeof(info), HELPINFO_WINDOW, 0, box, 0, {0, 0}};
             SendMessageW(box, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
         },
         true, 0},
        {[](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, false, 0},
        {[](HWND box) { PostMessageW(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }, false, 0},
        {[](HWND) { PostQuitMessage(7); }, false, 7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        HelpRecorder help;
        bool enabledDuring = true;
        const BoxRun run = Show([&](HWND box, int ticks) {
            if (ticks == 1) {
                enabledDuring = IsWindowEnabled(other);
                row.act(box);
            }
            return !row.help || (!g_helpRequests.empty() && PressOk(box));
        });
        EXPECT_EQ(run.result, S_OK);
        EXPECT_FALSE(run.timedOut);
        EXPECT_FALSE(enabledDuring);
        if (row.help)
            HelpRecorder::ExpectOneRequest(801);
        MSG msg = {};
        EXPECT_EQ(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE, row.quit != 0)
            << "the host's loop must still see its quit";
        EXPECT_EQ(msg.wParam, row.quit);
    }
    EXPECT_TRUE(IsWindowEnabled(other));
    DestroyWindow(other);
}

LRESULT CALLBACK RefuseDialogs(int code, WPARAM wParam, LPARAM lParam) {
    const CREATESTRUCTW* cs = code == HCBT_CREATEWND ? reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs : nullptr;
    if (cs && IS_INTRESOURCE(cs->lpszClass) && LOWORD(reinterpret_cast<ULONG_PTR>(cs->lpszClass)) == 0x8002)
        return 1; // the dialog class
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// About swallows every failure of the box: here the system refuses to create dialogs.
TEST_F(AboutBox, SucceedsWhenTheBoxCannotBeCreated) {
    HHOOK refuse = SetWindowsHookExW(WH_CBT, RefuseDialogs, nullptr, GetCurrentThreadId());
    const BoxRun refused = Show(PressOk);
    UnhookWindowsHookEx(refuse);
    EXPECT_EQ(refused.result, S_OK);
    EXPECT_EQ(refused.ticksWithBox, 0);
    EXPECT_GT(Show(PressOk).ticksWithBox, 0) << "the next call works again";
}

} // namespace
