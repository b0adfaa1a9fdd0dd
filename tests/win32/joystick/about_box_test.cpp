// The About box built into this test program, with a stand-in control whose Hyperlink member
// hands out a hyperlink frame of ours. This program's own version resource (title "Test
// Gantrel", 3.7.0.123) shows that the version line is read, not written into the box.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "joystick/about_box/about_box.h"
#include "joystick/about_box/about_box_resources.h"
#include "joystick/interfaces.h"
#include "joystick/module_state.h"
#include "about_box_test_support.h"

using namespace abouttest;

namespace {

UnmanagedWindowsForThisProgram g_unmanaged;

constexpr wchar_t VersionLine[] = L"Test Gantrel\t3.7,123\r\n";
constexpr wchar_t DesignLines[] = L"Copyright (C) 2001-2004 Ombrel Works.\r\nAll rights reserved.";
constexpr wchar_t NavigationRefused[] = L"navigation refused by test frame";
constexpr wchar_t HyperlinkUnavailable[] = L"hyperlink service unavailable in test";

struct Navigation {
    std::wstring target;
    VARTYPE locationType;
    std::wstring location;
    VARTYPE frameType;
    std::wstring frame;
};
std::vector<Navigation> g_navigations;
bool g_navigateFails = false;

std::wstring TextOf(const VARIANT& v) {
    return v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : L"";
}

// The hyperlink frame the stand-in control hands out; it records every navigation.
class TestHyperlink final
    : public NoMembers<
          HeapObject<joystick::IContainerHyperlink, IID_IDispatch, joystick::IID_ContainerHyperlink>> {
public:
    STDMETHODIMP NavigateTo(BSTR target, VARIANT location, VARIANT frame) override {
        g_navigations.push_back(
            {target ? target : L"<null>", location.vt, TextOf(location), frame.vt, TextOf(frame)});
        if (g_navigateFails) {
            ICreateErrorInfo* create = nullptr;
            if (SUCCEEDED(CreateErrorInfo(&create))) {
                create->SetDescription(const_cast<LPOLESTR>(NavigationRefused));
                IErrorInfo* info = nullptr;
                create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
                SetErrorInfo(0, info);
                info->Release();
                create->Release();
            }
            return E_FAIL;
        }
        return S_OK;
    }
    STDMETHODIMP GoForward() override { return E_NOTIMPL; }
    STDMETHODIMP GoBack() override { return E_NOTIMPL; }
};

// A hyperlink object reachable only by late binding: NavigateTo by name.
class LateBoundHyperlink final : public NoMembers<HeapObject<IDispatch, IID_IDispatch>> {
public:
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        if (_wcsicmp(names[0], L"NavigateTo") != 0)
            return DISP_E_UNKNOWNNAME;
        ids[0] = 7;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        if (id != 7 || params->cArgs != 3)
            return DISP_E_BADPARAMCOUNT;
        // Arguments arrive last first.
        g_navigations.push_back({TextOf(params->rgvarg[2]), params->rgvarg[1].vt, TextOf(params->rgvarg[1]),
                                 params->rgvarg[0].vt, TextOf(params->rgvarg[0])});
        return S_OK;
    }
};

enum class HyperlinkMode { Frame, LateBound, InvokeFails, NotAnObject, NavigateFails };
HyperlinkMode g_mode = HyperlinkMode::Frame;
bool g_factoryFails = false;
LONG g_controls = 0;
int g_hyperlinkCalls = 0;

// Stands in for ControlJoystick: only the Hyperlink member, by its dispatch identifier.
class TestControl final : public NoMembers<HeapObject<IDispatch, IID_IDispatch>> {
public:
    TestControl() { InterlockedIncrement(&g_controls); }
    ~TestControl() override { InterlockedDecrement(&g_controls); }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                        UINT*) override {
        if (id != joystick::DISPID_Hyperlink || params->cArgs != 0)
            return DISP_E_MEMBERNOTFOUND;
        ++g_hyperlinkCalls;
        VariantInit(result);
        switch (g_mode) {
        case HyperlinkMode::InvokeFails:
            if (error) {
                *error = EXCEPINFO();
                error->scode = E_ACCESSDENIED;
                error->bstrDescription = SysAllocString(HyperlinkUnavailable);
            }
            return DISP_E_EXCEPTION;
        case HyperlinkMode::NotAnObject:
            return S_OK; // VT_EMPTY
        case HyperlinkMode::LateBound:
            result->vt = VT_DISPATCH;
            result->pdispVal = new LateBoundHyperlink();
            return S_OK;
        case HyperlinkMode::Frame:
        case HyperlinkMode::NavigateFails:
            result->vt = VT_DISPATCH;
            result->pdispVal = new TestHyperlink();
            return S_OK;
        }
        return E_UNEXPECTED;
    }
};

class TestControlFactory final : public StackObject<IClassFactory, IID_IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* control = new TestControl();
        HRESULT hr = control->QueryInterface(riid, ppv);
        control->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};
TestControlFactory g_factory;

} // namespace

// The library's own class factory, as the box reaches it.
STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    *ppv = nullptr;
    if (g_factoryFails || clsid != joystick::CLSID_ControlJoystick)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

namespace {

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        g_navigations.clear();
        g_navigateFails = false;
        g_mode = HyperlinkMode::Frame;
        g_factoryFails = false;
        g_hyperlinkCalls = 0;
    }
    void TearDown() override {
        EXPECT_EQ(FindBox(), nullptr) << "the box outlived its call";
        EXPECT_EQ(g_controls, 0) << "the embedded control was not released";
        EXPECT_EQ(joystick::ModuleCount(), 0);
        OleUninitialize();
    }
    static BoxRun Show(std::function<bool(HWND)> step) {
        return RunBox([] { return joystick::ShowAboutBox(); }, std::move(step));
    }
};

bool ClickOK(HWND box) {
    SendMessageW(ChildByText(box, L"OK"), BM_CLICK, 0, 0);
    return true;
}

TEST_F(AboutBox, ShowsCaptionVersionLineAndControls) {
    std::wstring text, links[2], titles[2];
    RECT client = {};
    LOGFONTW titleFonts[2] = {};
    std::vector<LOGFONTW> formFonts; // of every control without a font of its own
    bool okIsDefault = false;
    BoxRun run = Show([&](HWND box) {
        GetClientRect(box, &client);
        text = Text(TextAbout(box));
        HWND title = ChildByText(box, L"Ombrel's Gantrel");
        HWND subtitle = ChildByText(box, L"powered by SideWinder GamePad");
        if (title && subtitle) {
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(title, WM_GETFONT, 0, 0)), sizeof(LOGFONTW),
                       &titleFonts[0]);
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(subtitle, WM_GETFONT, 0, 0)), sizeof(LOGFONTW),
                       &titleFonts[1]);
        }
        if (HWND web = ChildByPrefix(box, L"http://"))
            links[0] = Text(web);
        if (HWND mail = ChildByPrefix(box, L"mailto:"))
            links[1] = Text(mail);
        EXPECT_NE(ChildByText(box, HelpCaption), nullptr);
        for (HWND c : {TextAbout(box), ChildByPrefix(box, L"http://"), ChildByPrefix(box, L"mailto:"),
                       ChildByText(box, L"OK"), ChildByText(box, HelpCaption)}) {
            LOGFONTW font = {};
            if (c)
                GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof font, &font);
            formFonts.push_back(font);
        }
        HWND ok = ChildByText(box, L"OK");
        okIsDefault = ok && (GetWindowLongW(ok, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
        return ClickOK(box);
    });
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, S_OK);
    EXPECT_EQ(client.right, 360);
    EXPECT_EQ(client.bottom, 180);
    EXPECT_EQ(text, std::wstring(VersionLine) + DesignLines);
    EXPECT_EQ(Count(text, L"3.7,123"), 1u);
    EXPECT_EQ(links[0].rfind(L"http://", 0), 0u);
    EXPECT_EQ(links[1].rfind(L"mailto:", 0), 0u);
    EXPECT_GT(links[0].size(), 7u);
    EXPECT_NE(links[1].find(L'@'), std::wstring::npos);
    EXPECT_STREQ(titleFonts[0].lfFaceName, L"Tahoma");
    EXPECT_EQ(titleFonts[0].lfWeight, FW_BOLD);
    EXPECT_EQ(titleFonts[0].lfHeight, -11); // 8.25 point at 96 dpi
    EXPECT_STREQ(titleFonts[1].lfFaceName, L"Tahoma");
    EXPECT_EQ(titleFonts[1].lfWeight, FW_NORMAL);
    // The form font: "MS UI Gothic" 9 point with the Japanese character set.
    ASSERT_EQ(formFonts.size(), 5u);
    for (const LOGFONTW& font : formFonts) {
        EXPECT_STREQ(font.lfFaceName, L"MS UI Gothic");
        EXPECT_EQ(font.lfHeight, -12);
        EXPECT_EQ(font.lfCharSet, 128); // Shift JIS
    }
    EXPECT_TRUE(okIsDefault);
}

TEST_F(AboutBox, EveryCallIsAFreshBoxWithOneVersionLine) {
    std::vector<HWND> boxes;
    for (int call = 0; call < 2; ++call) {
        std::wstring text;
        BoxRun run = Show([&](HWND box) {
            boxes.push_back(box);
            text = Text(TextAbout(box));
            return ClickOK(box);
        });
        EXPECT_EQ(run.result, S_OK);
        EXPECT_EQ(text, std::wstring(VersionLine) + DesignLines) << "call " << call;
        EXPECT_EQ(Count(text, L"\t3.7,123\r\n"), 1u);
        EXPECT_EQ(g_controls, 0);
    }
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(IsWindow(boxes[0]));
}

TEST_F(AboutBox, LinksShowHandAndHotLinkColour) {
    COLORREF colours[2] = {};
    HCURSOR cursors[2] = {};
    BoxRun run = Show([&](HWND box) {
        HWND labels[2] = {ChildByPrefix(box, L"http://"), ChildByPrefix(box, L"mailto:")};
        HDC dc = CreateCompatibleDC(nullptr);
        for (int i = 0; i < 2; ++i) {
            SetTextColor(dc, RGB(1, 2, 3));
            SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(labels[i]));
            colours[i] = GetTextColor(dc);
            SetCursor(nullptr);
            SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(labels[i]),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            cursors[i] = GetCursor();
        }
        DeleteDC(dc);
        return ClickOK(box);
    });
    EXPECT_EQ(run.result, S_OK);
    HCURSOR hand = static_cast<HCURSOR>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_ABOUT_HAND), IMAGE_CURSOR, 0, 0, LR_SHARED));
    ASSERT_NE(hand, nullptr);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(colours[i], GetSysColor(COLOR_HOTLIGHT)) << "link " << i;
        EXPECT_EQ(cursors[i], hand) << "link " << i;
    }
    // The hand's finger tip is its hot spot.
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 12u);
    EXPECT_EQ(info.yHotspot, 5u);
    BITMAP mask = {};
    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, info.hbmColor ? 32 : 64); // monochrome: AND and XOR masks stacked
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
}

TEST_F(AboutBox, LinkClickHandsTheCaptionToTheHyperlinkFrame) {
    struct {
        HyperlinkMode mode;
        const char* name;
    } const cases[] = {{HyperlinkMode::Frame, "early bound"}, {HyperlinkMode::LateBound, "late bound"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_mode = c.mode;
        g_navigations.clear();
        g_hyperlinkCalls = 0;
        std::wstring captions[2];
        BoxRun run = Show([&](HWND box) {
            HWND labels[2] = {ChildByPrefix(box, L"http://"), ChildByPrefix(box, L"mailto:")};
            for (int i = 0; i < 2; ++i) {
                captions[i] = Text(labels[i]);
                ClickLabel(labels[i]);
            }
            return ClickOK(box);
        });
        EXPECT_EQ(run.result, S_OK);
        ASSERT_EQ(g_navigations.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(g_navigations[i].target, captions[i]);
            EXPECT_EQ(g_navigations[i].locationType, VT_BSTR);
            EXPECT_EQ(g_navigations[i].location, L"");
            EXPECT_EQ(g_navigations[i].frameType, VT_BSTR);
            EXPECT_EQ(g_navigations[i].frame, L"");
        }
        EXPECT_EQ(g_hyperlinkCalls, 2) << "one Hyperlink call per click";
    }
}

TEST_F(AboutBox, FailingLinksLeaveTheBoxRunning) {
    const HyperlinkMode modes[] = {HyperlinkMode::InvokeFails, HyperlinkMode::NotAnObject,
                                   HyperlinkMode::NavigateFails};
    for (HyperlinkMode mode : modes) {
        SCOPED_TRACE(static_cast<int>(mode));
        g_mode = mode;
        g_navigateFails = mode == HyperlinkMode::NavigateFails;
        bool stillOpen = false;
        BoxRun run = Show([&](HWND box) {
            ClickLabel(ChildByPrefix(box, L"http://"));
            ClickLabel(ChildByPrefix(box, L"mailto:"));
            stillOpen = IsWindowVisible(box) != FALSE;
            return ClickOK(box);
        });
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(run.result, S_OK);
        EXPECT_FALSE(run.timedOut);
    }
}

TEST_F(AboutBox, HelpButtonAndF1OpenContext801BesideTheLibrary) {
    HelpViewer viewer;
    const std::string expectedFile = FolderOf(GetModuleHandleW(nullptr)) + "Joystick.HLP";
    enum class Trigger { HelpButton, F1Key, HelpMessage };
    for (Trigger trigger : {Trigger::HelpButton, Trigger::F1Key, Trigger::HelpMessage}) {
        SCOPED_TRACE(static_cast<int>(trigger));
        HelpViewer::Requests().clear();
        bool sent = false;
        BoxRun run = Show([&](HWND box) {
            if (!sent) {
                sent = true;
                if (trigger == Trigger::HelpButton) {
                    SendMessageW(ChildByText(box, HelpCaption), BM_CLICK, 0, 0);
                } else if (trigger == Trigger::F1Key) {
                    INPUT keys[2] = {};
                    keys[0].type = INPUT_KEYBOARD;
                    keys[0].ki.wVk = VK_F1;
                    keys[1] = keys[0];
                    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
                    SetForegroundWindow(box);
                    SendInput(2, keys, sizeof(INPUT));
                } else {
                    HELPINFO info = {sizeof(info), HELPINFO_WINDOW, 0, box, 0, {0, 0}};
                    SendMessageW(box, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
                }
                return false;
            }
            // The key goes through the input queue: wait for the request, then close.
            return !HelpViewer::Requests().empty() && ClickOK(box);
        });
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.result, S_OK);
        ASSERT_EQ(HelpViewer::Requests().size(), 1u);
        const HelpRequest& r = HelpViewer::Requests()[0];
        EXPECT_EQ(r.command, static_cast<UINT>(HELP_CONTEXT));
        EXPECT_EQ(r.data, 801u);
        EXPECT_EQ(_stricmp(r.file.c_str(), expectedFile.c_str()), 0) << r.file;
    }
}

TEST_F(AboutBox, ModalOverTheThreadsOtherWindows) {
    HWND other = CreateWindowExW(0, L"STATIC", L"host form", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    bool enabledDuring = true;
    BoxRun run = Show([&](HWND box) {
        enabledDuring = IsWindowEnabled(other) != FALSE;
        return ClickOK(box);
    });
    EXPECT_EQ(run.result, S_OK);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(IsWindowEnabled(other));
    ShowWindow(other, SW_HIDE);
    DestroyWindow(other);
}

TEST_F(AboutBox, CloseEscapeAndQuitEndTheBox) {
    enum class Ending { CloseCommand, Escape, Quit };
    for (Ending ending : {Ending::CloseCommand, Ending::Escape, Ending::Quit}) {
        SCOPED_TRACE(static_cast<int>(ending));
        BoxRun run = Show([&](HWND box) {
            if (ending == Ending::CloseCommand)
                PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            else if (ending == Ending::Escape)
                PostMessageW(ChildByText(box, L"OK"), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            else
                PostQuitMessage(7);
            return true;
        });
        EXPECT_EQ(run.result, S_OK);
        EXPECT_FALSE(run.timedOut);
        MSG msg;
        bool quitSeen = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        EXPECT_EQ(quitSeen, ending == Ending::Quit) << "the host's loop must still see its quit";
        if (quitSeen) {
            EXPECT_EQ(msg.wParam, 7u);
        }
    }
}

TEST_F(AboutBox, NoBoxWhenItsControlCannotBeCreated) {
    g_factoryFails = true;
    BoxRun run = Show([](HWND box) { return ClickOK(box); });
    EXPECT_EQ(run.result, CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(run.ticksWithBox, 0);
}

// Run once more by about_eventlog under WINEDEBUG=+eventlog, which checks the entries written
// when the box closes: first an empty text (no error), then the refused navigation's message.
TEST_F(AboutBox, EventLogEntries) {
    BoxRun clean = Show([](HWND box) { return ClickOK(box); });
    EXPECT_EQ(clean.result, S_OK);
    g_navigateFails = true;
    BoxRun failed = Show([](HWND box) {
        ClickLabel(ChildByPrefix(box, L"mailto:"));
        return ClickOK(box);
    });
    EXPECT_EQ(failed.result, S_OK);
    EXPECT_EQ(g_navigations.size(), 1u);
}

} // namespace
