// The About box of the built Joystick.OCX, opened the way hosts open it: the control's About
// command through IDispatch::Invoke with DISPID_ABOUTBOX. The library sits beside this program
// and is used through its own class factory, without registration.
//
// The program has two extra modes besides the tests:
//   --record-url FILE URL     appends URL to FILE (the stand-in handler for web and mail links)
//   --show-about READY DONE   opens the box, writes its screen rectangle to READY, and closes it
//                             once DONE exists (for the screenshot)
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "joystick/interfaces.h"
#include "about_box_test_support.h"

using Microsoft::WRL::ComPtr;
using namespace abouttest;

namespace {

UnmanagedWindowsForThisProgram g_unmanaged;

HRESULT InvokeAbout(IDispatch* control) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = control->Invoke(DISPID_ABOUTBOX, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                 &result, nullptr, nullptr);
    VariantClear(&result);
    return hr;
}

bool ClickOK(HWND box) {
    SendMessageW(ChildByText(box, L"OK"), BM_CLICK, 0, 0);
    return true;
}

class AboutOcx : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        ASSERT_NE(library.get(), nullptr) << "Joystick.OCX must be beside the test program";
        ASSERT_EQ(library.Create(joystick::CLSID_ControlJoystick, control), S_OK);
    }
    void TearDown() override {
        control.Reset();
        EXPECT_EQ(FindBox(), nullptr);
        EXPECT_EQ(library.CanUnloadNow(), S_OK) << "an object of the library is still alive";
        OleUninitialize();
    }
    BoxRun Show(std::function<bool(HWND)> step) {
        IDispatch* target = control.Get();
        return RunBox([target] { return InvokeAbout(target); }, std::move(step));
    }

    OcxLibrary library;
    ComPtr<IDispatch> control;
};

TEST_F(AboutOcx, AboutCommandShowsOneVersionLineEveryTime) {
    for (int call = 0; call < 2; ++call) {
        std::wstring text;
        BoxRun run = Show([&](HWND box) {
            text = Text(TextAbout(box));
            return ClickOK(box);
        });
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.result, S_OK) << "call " << call;
        EXPECT_EQ(text.rfind(L"Ombrel's Gantrel\t1.50,2004\r\n", 0), 0u) << "call " << call;
        EXPECT_EQ(Count(text, L"1.50,2004"), 1u) << "call " << call;
        EXPECT_EQ(Count(text, L"\r\n"), 2u) << "the version line and two copyright lines";
    }
}

TEST_F(AboutOcx, HelpOpensContext801BesideTheLibrary) {
    HelpViewer viewer;
    bool clicked = false;
    BoxRun run = Show([&](HWND box) {
        if (!clicked) {
            clicked = true;
            SendMessageW(ChildByText(box, HelpCaption), BM_CLICK, 0, 0);
            return false;
        }
        return !HelpViewer::Requests().empty() && ClickOK(box);
    });
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, S_OK);
    ASSERT_EQ(HelpViewer::Requests().size(), 1u);
    EXPECT_EQ(HelpViewer::Requests()[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(HelpViewer::Requests()[0].data, 801u);
    std::string expected = FolderOf(library.get()) + "Joystick.HLP";
    EXPECT_EQ(_stricmp(HelpViewer::Requests()[0].file.c_str(), expected.c_str()), 0)
        << HelpViewer::Requests()[0].file;
}

// Refuses to create dialog windows while installed, so the box cannot be created.
class DialogCreationRefused {
public:
    DialogCreationRefused() { hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId()); }
    DialogCreationRefused(const DialogCreationRefused&) = delete;
    DialogCreationRefused& operator=(const DialogCreationRefused&) = delete;
    ~DialogCreationRefused() { UnhookWindowsHookEx(hook_); }
    static int refused;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            if (IS_INTRESOURCE(cs->lpszClass) &&
                LOWORD(reinterpret_cast<ULONG_PTR>(cs->lpszClass)) == 0x8002) {
                ++refused;
                return 1;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_ = nullptr;
};
int DialogCreationRefused::refused = 0;

TEST_F(AboutOcx, AboutSucceedsWhenTheBoxCannotBeCreated) {
    BoxRun run;
    {
        DialogCreationRefused refuse;
        run = Show([](HWND box) { return ClickOK(box); });
    }
    EXPECT_GE(DialogCreationRefused::refused, 1);
    EXPECT_EQ(run.ticksWithBox, 0);
    EXPECT_EQ(run.result, S_OK) << "About swallows the failure";
    // And the next call works again.
    BoxRun next = Show([](HWND box) { return ClickOK(box); });
    EXPECT_EQ(next.result, S_OK);
    EXPECT_GT(next.ticksWithBox, 0);
}

// The web and mail handlers of the system, replaced for the test by this program in
// --record-url mode; restored afterwards.
class LinkHandlers {
public:
    explicit LinkHandlers(const std::wstring& record) {
        std::wstring command =
            L"\"" + BesideExe(L"joystick_about_box_ocx_test.exe") + L"\" --record-url \"" + record + L"\" \"%1\"";
        for (const wchar_t* scheme : {L"http", L"mailto"}) {
            std::wstring key = std::wstring(L"Software\\Classes\\") + scheme + L"\\shell\\open\\command";
            Saved saved{key, false, {}};
            wchar_t old[1024];
            DWORD size = sizeof(old);
            if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, old, &size) ==
                ERROR_SUCCESS) {
                saved.existed = true;
                saved.value = old;
            }
            saved_.push_back(saved);
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, command.c_str(),
                            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        }
    }
    LinkHandlers(const LinkHandlers&) = delete;
    LinkHandlers& operator=(const LinkHandlers&) = delete;
    ~LinkHandlers() {
        for (const Saved& s : saved_) {
            if (s.existed)
                RegSetKeyValueW(HKEY_LOCAL_MACHINE, s.key.c_str(), nullptr, REG_SZ, s.value.c_str(),
                                static_cast<DWORD>((s.value.size() + 1) * sizeof(wchar_t)));
            else
                RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, s.key.c_str(), nullptr);
        }
    }

private:
    struct Saved {
        std::wstring key;
        bool existed;
        std::wstring value;
    };
    std::vector<Saved> saved_;
};

std::vector<std::string> ReadLines(const std::wstring& file) {
    std::vector<std::string> lines;
    std::ifstream in(file.c_str());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Through the real control: its Hyperlink member by dispatch identifier, its hyperlink object's
// NavigateTo, and, with no hyperlink frame in the box, the system's handler for the address.
TEST_F(AboutOcx, LinksReachTheSystemHandlerWithTheirCaptions) {
    std::wstring record = BesideExe(L"about_ocx_links.txt");
    DeleteFileW(record.c_str());
    std::wstring captions[2];
    {
        LinkHandlers handlers(record);
        bool clicked = false;
        BoxRun run = Show([&](HWND box) {
            if (!clicked) {
                clicked = true;
                HWND labels[2] = {ChildByPrefix(box, L"http://"), ChildByPrefix(box, L"mailto:")};
                for (int i = 0; i < 2; ++i) {
                    captions[i] = Text(labels[i]);
                    ClickLabel(labels[i]);
                }
                return false;
            }
            // The handlers run as processes of their own: wait for both records.
            return ReadLines(record).size() >= 2 && ClickOK(box);
        });
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.result, S_OK);
    }
    std::vector<std::string> lines = ReadLines(record);
    DeleteFileW(record.c_str());
    ASSERT_EQ(lines.size(), 2u);
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> expected = {std::string(captions[0].begin(), captions[0].end()),
                                         std::string(captions[1].begin(), captions[1].end())};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

int RecordUrl(const wchar_t* file, const wchar_t* url) {
    std::wstring u = url;
    std::ofstream out(file, std::ios::app);
    out << std::string(u.begin(), u.end()) << "\n";
    return out ? 0 : 1;
}

// Opens the box for a screenshot: its rectangle goes to READY, DONE closes it.
int ShowAboutForScreenshot(const wchar_t* ready, const wchar_t* done) {
    OleInitialize(nullptr);
    int status = 1;
    {
        OcxLibrary library;
        ComPtr<IDispatch> control;
        if (library.get() && SUCCEEDED(library.Create(joystick::CLSID_ControlJoystick, control))) {
            bool written = false;
            int ticks = 0;
            IDispatch* target = control.Get();
            TickLimit() = 6000; // about a minute for the screenshot
            BoxRun run =
                RunBox([target] { return InvokeAbout(target); },
                       [&](HWND box) {
                           // A few ticks after it shows, so that it has painted.
                           if (++ticks < 5)
                               return false;
                           if (!written)
                               written = WriteScreenRect(ready, box);
                           return GetFileAttributesW(done) != INVALID_FILE_ATTRIBUTES && ClickOK(box);
                       });
            (void)run;
            status = written ? 0 : 1;
        }
    }
    OleUninitialize();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    return RunModeOrTests(argc, argv,
                          {{L"--record-url", RecordUrl}, {L"--show-about", ShowAboutForScreenshot}});
}
