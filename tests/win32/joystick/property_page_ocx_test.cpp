// The property page of the built Joystick.OCX editing real ControlJoystick instances, through a
// page site of our own (the system's property frame never applies). The library sits beside
// this program and is used through its own class factory, without registration.
//
// Extra mode for the screenshot:
//   --show-frame READY DONE   shows the page in the system's property frame, writes the frame's
//                             screen rectangle to READY and closes the frame once DONE exists
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <string>

#include "joystick/interfaces.h"
#include "page_test_support.h"

using Microsoft::WRL::ComPtr;
using namespace pagetest;

namespace {

UnmanagedWindowsForThisProgram g_unmanaged;

SHORT IntervalOf(joystick::IControlJoystick* control) {
    SHORT v = -1;
    EXPECT_EQ(control->get_Interval(&v), S_OK);
    return v;
}
VARIANT_BOOL RepeatButtonOf(joystick::IControlJoystick* control) {
    VARIANT_BOOL v = 1;
    EXPECT_EQ(control->get_RepeatButton(&v), S_OK);
    return v;
}
VARIANT_BOOL RepeatCursorOf(joystick::IControlJoystick* control) {
    VARIANT_BOOL v = 1;
    EXPECT_EQ(control->get_RepeatCursor(&v), S_OK);
    return v;
}

class PageOcx : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        ASSERT_NE(library.get(), nullptr) << "Joystick.OCX must be beside the test program";
        for (auto& c : controls)
            ASSERT_EQ(library.Create(joystick::CLSID_ControlJoystick, c), S_OK);
        ASSERT_EQ(library.Create(joystick::CLSID_PropertyPageJoystick, page), S_OK);
        ASSERT_EQ(page->SetPageSite(&site), S_OK);
        RECT r = {0, 0, 420, 220};
        ASSERT_EQ(page->Activate(SharedHostWindow(), &r, FALSE), S_OK);
        ASSERT_EQ(page->Show(SW_SHOW), S_OK);
        pageWindow = PageWindow(SharedHostWindow());
        edit = TextInterval(pageWindow);
        ASSERT_NE(edit, nullptr);
    }
    void TearDown() override {
        if (page) {
            page->Deactivate();
            page->SetObjects(0, nullptr);
            page->SetPageSite(nullptr);
            page.Reset();
        }
        for (auto& c : controls)
            c.Reset();
        EXPECT_EQ(library.CanUnloadNow(), S_OK) << "an object of the library is still alive";
        OleUninitialize();
    }
    void Select(int count) {
        IUnknown* objects[2] = {controls[0].Get(), controls[1].Get()};
        ASSERT_EQ(page->SetObjects(static_cast<ULONG>(count), objects), S_OK);
    }
    HWND Control(const wchar_t* caption) {
        HWND c = ChildByText(pageWindow, caption);
        EXPECT_NE(c, nullptr) << "no control captioned " << caption;
        return c;
    }
    void SetInterval(int i, SHORT value) { ASSERT_EQ(controls[i]->put_Interval(&value), S_OK); }

    OcxLibrary library;
    ComPtr<joystick::IControlJoystick> controls[2];
    ComPtr<IPropertyPage2> page;
    TestPageSite site;
    HWND pageWindow = nullptr;
    HWND edit = nullptr;
};

TEST_F(PageOcx, FillingFromAControlMarksThePageChanged) {
    SetInterval(0, 250);
    VARIANT_BOOL on = VARIANT_TRUE;
    ASSERT_EQ(controls[0]->put_RepeatCursor(&on), S_OK);
    site.statusChanges.clear();
    Select(1);
    EXPECT_EQ(Text(edit), L"250");
    EXPECT_FALSE(Checked(Control(CheckButton)));
    EXPECT_TRUE(Checked(Control(CheckCursor)));
    EXPECT_TRUE(site.SawDirty()) << "the filled values differ from the page's own";
    EXPECT_EQ(page->IsPageDirty(), S_OK);
}

TEST_F(PageOcx, PresetsReachTheControl) {
    SetInterval(0, 250);
    Select(1);
    struct {
        const wchar_t* option;
        SHORT expected;
    } const cases[] = {{Option1, 10}, {Option2, 100}};
    for (const auto& c : cases) {
        page->Apply();
        site.statusChanges.clear();
        Click(Control(c.option));
        EXPECT_FALSE(IsWindowEnabled(edit));
        EXPECT_TRUE(site.SawDirty());
        ASSERT_EQ(page->Apply(), S_OK);
        EXPECT_EQ(IntervalOf(controls[0].Get()), c.expected);
        EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    }
}

TEST_F(PageOcx, OtherKeepsTheTypedTextAndAppliesIt) {
    Select(1);
    Type(edit, L"1234");
    Click(Control(Option0));
    EXPECT_TRUE(IsWindowEnabled(edit));
    EXPECT_EQ(Text(edit), L"1234");
    page->Apply();
    EXPECT_EQ(IntervalOf(controls[0].Get()), 1234);
}

TEST_F(PageOcx, UnusableTextsLeaveIntervalWhileSwitchesApply) {
    SetInterval(0, 250);
    Select(1);
    struct {
        const wchar_t* typed;
        VARIANT_BOOL switches;
    } const cases[] = {
        {L"abc", VARIANT_TRUE}, {L"20000", VARIANT_FALSE}, {L"-1", VARIANT_TRUE}, {L"40000", VARIANT_FALSE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.typed, c.typed + wcslen(c.typed)));
        Type(edit, c.typed);
        Click(Control(CheckButton));
        Click(Control(CheckCursor));
        ASSERT_EQ(page->Apply(), S_OK);
        EXPECT_EQ(IntervalOf(controls[0].Get()), 250);
        EXPECT_EQ(RepeatButtonOf(controls[0].Get()), c.switches);
        EXPECT_EQ(RepeatCursorOf(controls[0].Get()), c.switches);
    }
}

TEST_F(PageOcx, TwoControlsShowAndReceiveOnlyTheFirst) {
    SetInterval(0, 300);
    SetInterval(1, 40);
    Select(2);
    EXPECT_EQ(Text(edit), L"300");
    Type(edit, L"55");
    Click(Control(CheckButton));
    page->Apply();
    EXPECT_EQ(IntervalOf(controls[0].Get()), 55);
    EXPECT_EQ(RepeatButtonOf(controls[0].Get()), VARIANT_TRUE);
    EXPECT_EQ(IntervalOf(controls[1].Get()), 40);
    EXPECT_EQ(RepeatButtonOf(controls[1].Get()), VARIANT_FALSE);
}

TEST_F(PageOcx, ControlNamesThisPageAsItsOnlyPage) {
    ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(controls[0].As(&pages), S_OK);
    CAUUID list = {};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_EQ(list.pElems[0], joystick::CLSID_PropertyPageJoystick);
    CoTaskMemFree(list.pElems);
}

// The system's property frame of this process, once it shows.
HWND FindFrame() {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(w) && ClassOf(w) == L"#32770")
            return w;
    }
    return nullptr;
}

// Shows the page for one control in the system's property frame; `watch` runs every 20 ms
// inside the frame's loop and closes it. The page's class is offered to the frame through a
// class object registered for this process only.
bool ShowPageInFrame(TIMERPROC watch) {
    OcxLibrary library;
    ComPtr<IClassFactory> factory;
    ComPtr<IUnknown> control;
    DWORD cookie = 0;
    if (!library.get() || FAILED(library.Factory(joystick::CLSID_PropertyPageJoystick, &factory)) ||
        FAILED(library.Create(joystick::CLSID_ControlJoystick, control)) ||
        FAILED(CoRegisterClassObject(joystick::CLSID_PropertyPageJoystick, factory.Get(),
                                     CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
        return false;
    ComPtr<joystick::IControlJoystick> joy;
    if (SUCCEEDED(control.As(&joy))) {
        SHORT interval = 100;
        joy->put_Interval(&interval);
    }
    UINT_PTR timer = SetTimer(nullptr, 0, 20, watch);
    IUnknown* objects[] = {control.Get()};
    CLSID pages[] = {joystick::CLSID_PropertyPageJoystick};
    const HRESULT hr = OleCreatePropertyFrame(nullptr, 0, 0, L"Joystick", 1, objects, 1, pages,
                                              LOCALE_USER_DEFAULT, 0, nullptr);
    KillTimer(nullptr, timer);
    CoRevokeClassObject(cookie);
    return SUCCEEDED(hr);
}

// F1 on the page, shown in the frame, asks the help viewer for the page's topic: context 203
// of the help file beside the library.
int g_helpTicks = 0;
bool g_helpPressed = false;

BOOL CALLBACK FindEdit(HWND window, LPARAM found) {
    if (ClassOf(window) != L"Edit")
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK PressF1OnThePage(HWND, UINT, UINT_PTR, DWORD) {
    HWND frame = FindFrame();
    if (!frame || ++g_helpTicks < 5) // a few ticks after it shows, so that it has settled
        return;
    HWND box = nullptr;
    EnumChildWindows(frame, FindEdit, reinterpret_cast<LPARAM>(&box));
    if (!g_helpPressed && box) {
        g_helpPressed = true;
        SetForegroundWindow(frame);
        SetFocus(box);
        INPUT keys[2] = {};
        keys[0].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = VK_F1;
        keys[1] = keys[0];
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
    } else if (!HelpViewer::Requests().empty() || g_helpTicks > 250) {
        PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
    }
}

TEST(PageInTheFrame, F1OpensContext203BesideTheLibrary) {
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    {
        HelpViewer viewer;
        ASSERT_TRUE(ShowPageInFrame(PressF1OnThePage));
        EXPECT_TRUE(g_helpPressed);
        ASSERT_EQ(HelpViewer::Requests().size(), 1u);
        const HelpRequest& r = HelpViewer::Requests()[0];
        EXPECT_EQ(r.command, static_cast<UINT>(HELP_CONTEXT));
        EXPECT_EQ(r.data, 203u);
        const std::string expected = FolderOf(GetModuleHandleW(nullptr)) + "Joystick.HLP";
        EXPECT_EQ(_stricmp(r.file.c_str(), expected.c_str()), 0) << r.file;
    }
    OleUninitialize();
}

// The frame's watch for the screenshot: its rectangle to READY once painted, closed on DONE.
struct Watch {
    std::wstring ready, done;
    bool written;
    int ticks;
};
Watch& FrameWatch() {
    static Watch watch;
    return watch;
}

void CALLBACK WatchFrame(HWND, UINT, UINT_PTR, DWORD) {
    Watch& watch = FrameWatch();
    HWND frame = FindFrame();
    // A few ticks after it shows, so that it has painted.
    if (!frame || ++watch.ticks < 5)
        return;
    if (!watch.written)
        watch.written = WriteScreenRect(watch.ready.c_str(), frame);
    if (GetFileAttributesW(watch.done.c_str()) != INVALID_FILE_ATTRIBUTES || watch.ticks > 3000)
        PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
}

// The page in the system's property frame, for the screenshot.
int ShowFrameForScreenshot(const wchar_t* ready, const wchar_t* done) {
    OleInitialize(nullptr);
    FrameWatch() = {ready, done, false, 0};
    const bool shown = ShowPageInFrame(WatchFrame);
    OleUninitialize();
    return shown && FrameWatch().written ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    return RunModeOrTests(argc, argv, {{L"--show-frame", ShowFrameForScreenshot}});
}
