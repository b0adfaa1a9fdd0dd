// The property page's own logic, built into this program and driven through a page site of our
// own, with objects that carry the page's three properties (or lack some of them).
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <string>
#include <vector>

#include "joystick/interfaces.h"
#include "joystick/module_state.h"
#include "joystick/property_page/property_page.h"
#include "page_test_support.h"

using namespace pagetest;

namespace {

// An object with the control's three page properties, reached by name only. Interval is a
// 16-bit integer that takes 0 to 10000 and ignores other numbers, as the control does; the
// switches are 16-bit booleans. Every attempted write is logged as the page sent it.
class FakeJoystick final : public NoMembers<StackObject<IDispatch, IID_IDispatch>> {
public:
    struct Put {
        std::wstring name;
        VARTYPE type;
        std::wstring text; // the value as text
    };

    SHORT interval = 0;
    VARIANT_BOOL repeatButton = VARIANT_FALSE;
    VARIANT_BOOL repeatCursor = VARIANT_FALSE;
    bool hasRepeatButton = true;
    bool intervalAsText = false; // Interval read back as a string, as a loosely typed object would
    std::vector<Put> puts;

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1)
            return E_INVALIDARG;
        struct {
            const wchar_t* name;
            DISPID id;
            bool present;
        } const table[] = {{L"Interval", 0, true},
                           {L"RepeatButton", joystick::DISPID_RepeatButton, hasRepeatButton},
                           {L"RepeatCursor", joystick::DISPID_RepeatCursor, true}};
        for (const auto& row : table) {
            if (row.present && _wcsicmp(names[0], row.name) == 0) {
                ids[0] = row.id;
                return S_OK;
            }
        }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (flags & DISPATCH_PROPERTYGET) {
            VariantInit(result);
            if (id == 0 && intervalAsText) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(std::to_wstring(interval).c_str());
            } else if (id == 0) {
                result->vt = VT_I2;
                result->iVal = interval;
            } else {
                result->vt = VT_BOOL;
                result->boolVal = id == joystick::DISPID_RepeatButton ? repeatButton : repeatCursor;
            }
            return S_OK;
        }
        if (!(flags & DISPATCH_PROPERTYPUT) || params->cArgs != 1 || params->cNamedArgs != 1 ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_MEMBERNOTFOUND;
        VARIANT& in = params->rgvarg[0];
        VARIANT asText;
        VariantInit(&asText);
        VariantChangeType(&asText, &in, 0, VT_BSTR);
        puts.push_back({id == 0                               ? L"Interval"
                        : id == joystick::DISPID_RepeatButton ? L"RepeatButton"
                                                              : L"RepeatCursor",
                        in.vt, asText.vt == VT_BSTR ? asText.bstrVal : L"?"});
        VariantClear(&asText);
        VARIANT converted;
        VariantInit(&converted);
        HRESULT hr = VariantChangeType(&converted, &in, 0, id == 0 ? VT_I2 : VT_BOOL);
        if (FAILED(hr))
            return hr;
        if (id == 0) {
            if (converted.iVal >= 0 && converted.iVal <= 10000)
                interval = converted.iVal;
        } else if (id == joystick::DISPID_RepeatButton) {
            repeatButton = converted.boolVal;
        } else {
            repeatCursor = converted.boolVal;
        }
        return S_OK;
    }
};

// An object that offers no IDispatch at all.
class Opaque final : public StackObject<IUnknown> {};

IPropertyPage2* NewPage() {
    IPropertyPage2* page = nullptr;
    EXPECT_EQ(joystick::CreatePropertyPage(IID_IPropertyPage2, reinterpret_cast<void**>(&page)),
              S_OK);
    return page;
}

// One page shown in a host window, with its site, as a property frame sets it up.
class PageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        page = NewPage();
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->SetPageSite(&site), S_OK);
    }
    void TearDown() override {
        if (page) {
            page->Deactivate();
            page->SetObjects(0, nullptr);
            page->SetPageSite(nullptr);
            EXPECT_EQ(page->Release(), 0u);
        }
        EXPECT_EQ(site.refs, 1);
        EXPECT_EQ(joystick::ModuleCount(), 0);
        OleUninitialize();
    }
    void Activate() {
        RECT r = {0, 0, 420, 220};
        ASSERT_EQ(page->Activate(host.hwnd, &r, FALSE), S_OK);
        ASSERT_EQ(page->Show(SW_SHOW), S_OK);
        pageWindow = PageWindow(host.hwnd);
        ASSERT_NE(pageWindow, nullptr);
        edit = TextInterval(pageWindow);
        ASSERT_NE(edit, nullptr);
    }
    // A fresh page in place of this one, as a frame opened anew has.
    void Reopen() {
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->SetPageSite(nullptr);
        EXPECT_EQ(page->Release(), 0u);
        page = NewPage();
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->SetPageSite(&site), S_OK);
    }
    void Select(std::vector<IUnknown*> objects) {
        ASSERT_EQ(page->SetObjects(static_cast<ULONG>(objects.size()), objects.data()), S_OK);
    }
    HWND Control(const wchar_t* caption) {
        HWND c = ChildByText(pageWindow, caption);
        EXPECT_NE(c, nullptr) << "no control captioned " << caption;
        return c;
    }

    struct {
        HWND hwnd = SharedHostWindow();
    } host;
    TestPageSite site;
    IPropertyPage2* page = nullptr;
    HWND pageWindow = nullptr;
    HWND edit = nullptr;
};

TEST_F(PageFixture, PageInfoGivesTabTitleSizeAndHelp) {
    HDC screen = GetDC(nullptr);
    int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpiX, 96);
    ASSERT_EQ(dpiY, 96);
    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, TabTitle);
    EXPECT_EQ(info.size.cx, 420);
    EXPECT_EQ(info.size.cy, 220);
    ASSERT_NE(info.pszHelpFile, nullptr);
    std::wstring help = info.pszHelpFile;
    EXPECT_GE(help.size(), 13u);
    EXPECT_EQ(help.substr(help.size() - 13), L"\\Joystick.HLP") << help;
    EXPECT_EQ(info.dwHelpContext, 203u);
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
}

TEST_F(PageFixture, AnswersItsInterfacesOnly) {
    struct {
        IID iid;
        HRESULT expected;
    } const cases[] = {{IID_IUnknown, S_OK},
                       {IID_IPropertyPage, S_OK},
                       {IID_IPropertyPage2, S_OK},
                       {IID_IDispatch, S_OK},
                       {joystick::IID__PropertyPageJoystick, S_OK},
                       {IID_IPersistStreamInit, E_NOINTERFACE},
                       {joystick::IID__ControlJoystick, E_NOINTERFACE}};
    for (const auto& c : cases) {
        IUnknown* p = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(page->QueryInterface(c.iid, reinterpret_cast<void**>(&p)), c.expected);
        if (SUCCEEDED(c.expected)) {
            ASSERT_NE(p, nullptr);
            p->Release();
        } else {
            EXPECT_EQ(p, nullptr);
        }
    }
}

TEST_F(PageFixture, ControlsCaptionsFontAndLayout) {
    Activate();
    // Captions exactly, in the page's vertical order.
    const wchar_t* const ordered[] = {LabelTitle, FrameInterval, Option1,     Option2,
                                      Option0,    LabelInfo,     CheckButton, CheckCursor};
    int previousTop = -1;
    for (const wchar_t* caption : ordered) {
        HWND c = Control(caption);
        if (!c)
            continue;
        RECT r = RectIn(c, pageWindow);
        EXPECT_GT(r.top, previousTop) << "out of vertical order: " << caption;
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, 420) << caption;
        EXPECT_LE(r.bottom, 220) << caption;
        previousTop = r.top;
        // Every text is "MS UI Gothic" 9 point, Shift JIS.
        LOGFONTW font = {};
        ASSERT_NE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof(font), &font),
                  0);
        EXPECT_STREQ(font.lfFaceName, L"MS UI Gothic");
        EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
        EXPECT_EQ(font.lfHeight, -12);
    }
    // The entry line: the box after its caption, the unit after the box, below "other".
    RECT info = RectIn(Control(LabelInfo), pageWindow), box = RectIn(edit, pageWindow),
         unit = RectIn(Control(LabelInterval), pageWindow), other = RectIn(Control(Option0), pageWindow);
    EXPECT_LT(info.right, box.left + 1);
    EXPECT_LT(box.right, unit.left + 1);
    EXPECT_GT(box.top, other.top);
    // The option buttons sit inside the frame.
    RECT frame = RectIn(Control(FrameInterval), pageWindow);
    for (const wchar_t* option : {Option1, Option2, Option0}) {
        RECT r = RectIn(Control(option), pageWindow);
        EXPECT_TRUE(r.top > frame.top && r.bottom < frame.bottom && r.left > frame.left &&
                    r.right < frame.right);
    }
    // Initial state: no option chosen, "0" in the enabled box, both switches off.
    EXPECT_EQ(Text(edit), L"0");
    EXPECT_TRUE(IsWindowEnabled(edit));
    for (const wchar_t* option : {Option1, Option2, Option0})
        EXPECT_FALSE(Checked(Control(option)));
    RECT page = {};
    GetClientRect(pageWindow, &page);
    EXPECT_EQ(page.right, 420);
    EXPECT_EQ(page.bottom, 220);
}

// Every access key of the page, as the frame hands the key over: where the focus goes and what
// the key chooses. Each row starts from a freshly filled page.
TEST_F(PageFixture, AccessKeysMoveFocusAndChoose) {
    struct {
        wchar_t key;
        const wchar_t* focus;  // caption of the control that gets the focus; nullptr: the box
        const wchar_t* chosen; // the interval option chosen, nullptr: none
        const wchar_t* text;   // the box's text afterwards
        bool button, cursor;   // the switches afterwards (both off before)
    } const cases[] = {
        {L's', Option1, nullptr, L"250", false, false}, // the frame's key: its first option
        {L'r', Option1, Option1, L"10", false, false},
        {L't', Option2, Option2, L"100", false, false},
        {L'o', Option0, Option0, L"250", false, false},
        {L'i', nullptr, nullptr, L"250", false, false}, // the label's key: the box after it
        {L'b', CheckButton, nullptr, L"250", true, false},
        {L'c', CheckCursor, nullptr, L"250", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Alt+" << char(c.key));
        Reopen();
        FakeJoystick control;
        control.interval = 250;
        Select({&control});
        Activate();
        SetFocus(edit);
        MSG msg = {GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(c.key), 0x20000001, 0, {0, 0}};
        EXPECT_EQ(page->TranslateAccelerator(&msg), S_OK);
        EXPECT_EQ(GetFocus(), c.focus ? Control(c.focus) : edit);
        for (const wchar_t* option : {Option1, Option2, Option0})
            EXPECT_EQ(Checked(Control(option)), option == c.chosen);
        EXPECT_EQ(Text(edit), c.text);
        EXPECT_EQ(IsWindowEnabled(edit) != FALSE, c.chosen != Option1 && c.chosen != Option2);
        EXPECT_EQ(Checked(Control(CheckButton)), c.button);
        EXPECT_EQ(Checked(Control(CheckCursor)), c.cursor);
        page->SetObjects(0, nullptr);
    }
    MSG unrelated = {host.hwnd, WM_KEYDOWN, 'Q', 0, 0, {0, 0}};
    EXPECT_EQ(page->TranslateAccelerator(&unrelated), S_FALSE);
    EXPECT_EQ(page->TranslateAccelerator(nullptr), E_POINTER);
}

// Tab and Shift+Tab go top to bottom and back round: the interval options (one stop), the box,
// then the two switches.
TEST_F(PageFixture, TabOrder) {
    Activate();
    const HWND order[] = {Control(Option1), edit, Control(CheckButton), Control(CheckCursor)};
    for (bool backwards : {false, true}) {
        SCOPED_TRACE(backwards ? "Shift+Tab" : "Tab");
        SetFocus(order[0]);
        BYTE keys[256] = {};
        keys[VK_SHIFT] = backwards ? 0x80 : 0;
        SetKeyboardState(keys);
        for (size_t step = 1; step <= 4; ++step) {
            MSG tab = {GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {0, 0}};
            EXPECT_EQ(page->TranslateAccelerator(&tab), S_OK);
            EXPECT_EQ(GetFocus(), order[(backwards ? 4 - step : step) % 4]) << "step " << step;
        }
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }
}

TEST_F(PageFixture, FillingShowsTheFirstObjectAndMarksChangedWhenValuesDiffer) {
    struct {
        SHORT interval;
        VARIANT_BOOL button, cursor;
        bool objectsBeforeActivate;
        const wchar_t* text;
        bool dirty;
    } const cases[] = {
        {250, VARIANT_TRUE, VARIANT_FALSE, false, L"250", true},
        {40, VARIANT_FALSE, VARIANT_TRUE, true, L"40", true},  // a frame's order: objects first
        {0, VARIANT_FALSE, VARIANT_FALSE, false, L"0", false}, // equal to the page: no change
        {0, VARIANT_TRUE, VARIANT_FALSE, false, L"0", true},   // only a switch differs
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Reopen();
        site.statusChanges.clear();
        FakeJoystick control;
        control.interval = c.interval;
        control.repeatButton = c.button;
        control.repeatCursor = c.cursor;
        IUnknown* objects[] = {&control};
        if (c.objectsBeforeActivate) {
            ASSERT_EQ(page->SetObjects(1, objects), S_OK);
            Activate();
        } else {
            Activate();
            ASSERT_EQ(page->SetObjects(1, objects), S_OK);
        }
        EXPECT_EQ(Text(edit), c.text);
        EXPECT_EQ(Checked(Control(CheckButton)), c.button != VARIANT_FALSE);
        EXPECT_EQ(Checked(Control(CheckCursor)), c.cursor != VARIANT_FALSE);
        EXPECT_EQ(site.SawDirty(), c.dirty);
        EXPECT_EQ(page->IsPageDirty(), c.dirty ? S_OK : S_FALSE);
        // The option buttons and the box's enabled state are left alone.
        for (const wchar_t* option : {Option1, Option2, Option0})
            EXPECT_FALSE(Checked(Control(option)));
        EXPECT_TRUE(IsWindowEnabled(edit));
        page->Apply(); // clears the mark for the next row
        page->SetObjects(0, nullptr);
        EXPECT_EQ(control.refs, 1);
    }
}

TEST_F(PageFixture, PresetsFillDisableAndApply) {
    struct {
        const wchar_t* option;
        const wchar_t* text;
        SHORT applied;
    } const cases[] = {{Option1, L"10", 10}, {Option2, L"100", 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        page->Deactivate();
        FakeJoystick control;
        control.interval = 250;
        IUnknown* objects[] = {&control};
        Activate();
        Select({objects[0]});
        page->Apply();
        site.statusChanges.clear();
        Click(Control(c.option));
        EXPECT_TRUE(Checked(Control(c.option)));
        EXPECT_EQ(Text(edit), c.text);
        EXPECT_FALSE(IsWindowEnabled(edit));
        EXPECT_TRUE(site.SawDirty()) << "the preset's text change marks the page";
        EXPECT_EQ(page->IsPageDirty(), S_OK);
        EXPECT_EQ(page->Apply(), S_OK);
        EXPECT_EQ(control.interval, c.applied);
        EXPECT_EQ(page->IsPageDirty(), S_FALSE);
        page->SetObjects(0, nullptr);
    }
}

TEST_F(PageFixture, OtherReenablesTheBoxWithItsText) {
    FakeJoystick control;
    control.interval = 250;
    Activate();
    Select({&control});
    Type(edit, L"1234");
    Click(Control(Option0));
    EXPECT_TRUE(IsWindowEnabled(edit));
    EXPECT_EQ(Text(edit), L"1234");
    Click(Control(Option2));
    EXPECT_EQ(Text(edit), L"100");
    EXPECT_FALSE(IsWindowEnabled(edit));
    Click(Control(Option0));
    EXPECT_TRUE(IsWindowEnabled(edit));
    EXPECT_EQ(Text(edit), L"100") << "the box keeps its last text";
    Type(edit, L"777");
    page->Apply();
    EXPECT_EQ(control.interval, 777);
    page->SetObjects(0, nullptr);
}

TEST_F(PageFixture, ApplyHandsTextOverAndSkipsWhatFails) {
    struct {
        const wchar_t* typed;
        SHORT expected; // Interval after applying, from 250
    } const cases[] = {
        {L"abc", 250},   // does not convert: Interval unchanged
        {L"20000", 250}, // converts, but the control ignores it
        {L"40000", 250}, // outside a 16-bit integer
        {L"", 250},      // empty text does not convert either
        {L"10000", 10000}, {L" 42", 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "typed \"" << std::string(c.typed, c.typed + wcslen(c.typed)) << "\"");
        page->Deactivate();
        FakeJoystick control;
        control.interval = 250;
        Activate();
        Select({&control});
        Type(edit, c.typed);
        Click(Control(CheckButton));
        Click(Control(CheckCursor));
        ASSERT_EQ(page->Apply(), S_OK);
        EXPECT_EQ(control.interval, c.expected);
        // The switches are applied whatever happened to Interval, as 16-bit integers 1.
        EXPECT_EQ(control.repeatButton, VARIANT_TRUE);
        EXPECT_EQ(control.repeatCursor, VARIANT_TRUE);
        ASSERT_EQ(control.puts.size(), 3u);
        EXPECT_EQ(control.puts[0].name, L"Interval");
        EXPECT_EQ(control.puts[0].type, VT_BSTR) << "the text goes over as a string";
        EXPECT_EQ(control.puts[0].text, c.typed);
        for (int i : {1, 2}) {
            EXPECT_EQ(control.puts[i].type, VT_I2);
            EXPECT_EQ(control.puts[i].text, L"1");
        }
        // Unchecking sends 0.
        Click(Control(CheckButton));
        page->Apply();
        EXPECT_EQ(control.repeatButton, VARIANT_FALSE);
        EXPECT_EQ(control.puts[4].text, L"0");
        page->SetObjects(0, nullptr);
    }
}

TEST_F(PageFixture, TwoObjectsShowAndReceiveOnlyTheFirst) {
    FakeJoystick first, second;
    first.interval = 300;
    first.repeatButton = VARIANT_TRUE;
    second.interval = 40;
    second.repeatCursor = VARIANT_TRUE;
    Activate();
    Select({&first, &second});
    EXPECT_EQ(Text(edit), L"300");
    EXPECT_TRUE(Checked(Control(CheckButton)));
    EXPECT_FALSE(Checked(Control(CheckCursor)));
    Type(edit, L"55");
    page->Apply();
    EXPECT_EQ(first.interval, 55);
    EXPECT_EQ(second.interval, 40);
    EXPECT_TRUE(second.puts.empty());
    page->SetObjects(0, nullptr);
    EXPECT_EQ(first.refs, 1);
    EXPECT_EQ(second.refs, 1);
}

TEST_F(PageFixture, ObjectsWithoutThePropertiesAreSkipped) {
    Activate();
    // No IDispatch at all, or no object: nothing is read or written, nothing breaks.
    Opaque opaque;
    for (IUnknown* object : {static_cast<IUnknown*>(&opaque), static_cast<IUnknown*>(nullptr)}) {
        Select({object});
        EXPECT_EQ(Text(edit), L"0");
        Type(edit, L"12");
        EXPECT_EQ(page->Apply(), S_OK);
        Type(edit, L"0");
    }
    EXPECT_EQ(opaque.refs, 1);
    // Without RepeatButton the other two properties still go both ways.
    FakeJoystick partial;
    partial.hasRepeatButton = false;
    partial.interval = 70;
    partial.repeatCursor = VARIANT_TRUE;
    Select({&partial});
    EXPECT_EQ(Text(edit), L"70");
    EXPECT_TRUE(Checked(Control(CheckCursor)));
    Type(edit, L"80");
    Click(Control(CheckCursor));
    page->Apply();
    EXPECT_EQ(partial.interval, 80);
    EXPECT_EQ(partial.repeatCursor, VARIANT_FALSE);
    // Interval read back as text is shown as it reads.
    FakeJoystick loose;
    loose.intervalAsText = true;
    loose.interval = 1234;
    Select({&loose});
    EXPECT_EQ(Text(edit), L"1234");
    // No selection: applying writes nothing.
    page->SetObjects(0, nullptr);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
}

// A frame with several pages deactivates this one when the user picks another tab and applies
// every page on OK: what the user set comes back with the page, and is applied.
TEST_F(PageFixture, EditsSurviveDeactivationAndAreApplied) {
    FakeJoystick control;
    control.interval = 250;
    Select({&control});
    Activate();
    Click(Control(Option2));
    Click(Control(CheckButton));
    page->Deactivate();
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    site.statusChanges.clear();
    Activate();
    EXPECT_EQ(Text(edit), L"100");
    EXPECT_FALSE(IsWindowEnabled(edit));
    EXPECT_TRUE(Checked(Control(Option2)));
    EXPECT_TRUE(Checked(Control(CheckButton)));
    EXPECT_FALSE(Checked(Control(CheckCursor)));
    EXPECT_FALSE(site.SawDirty()) << "its own values are no new change";
    EXPECT_TRUE(control.puts.empty());
    page->Deactivate();
    ASSERT_EQ(page->Apply(), S_OK);
    ASSERT_EQ(control.puts.size(), 3u);
    EXPECT_EQ(control.interval, 100);
    EXPECT_EQ(control.repeatButton, VARIANT_TRUE);
    EXPECT_EQ(control.repeatCursor, VARIANT_FALSE);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    // A new selection while the page is away fills what it keeps, as it fills its window.
    FakeJoystick other;
    other.interval = 40;
    other.repeatCursor = VARIANT_TRUE;
    Select({&other});
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(other.interval, 40);
    EXPECT_EQ(other.repeatButton, VARIANT_FALSE);
    EXPECT_EQ(other.repeatCursor, VARIANT_TRUE);
    Activate();
    EXPECT_EQ(Text(edit), L"40");
    EXPECT_FALSE(Checked(Control(CheckButton)));
    EXPECT_TRUE(Checked(Control(CheckCursor)));
    page->SetObjects(0, nullptr);
}

TEST_F(PageFixture, LifecycleCallsCheckTheirState) {
    RECT r = {0, 0, 420, 220};
    // Never shown, the page has no values of its own: applying writes nothing.
    FakeJoystick control;
    control.interval = 250;
    Select({&control});
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_TRUE(control.puts.empty());
    page->SetObjects(0, nullptr);
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Move(&r), E_UNEXPECTED);
    EXPECT_EQ(page->Activate(host.hwnd, nullptr, FALSE), E_POINTER);
    Activate();
    EXPECT_EQ(page->Activate(host.hwnd, &r, FALSE), E_UNEXPECTED);
    RECT moved = {10, 5, 430, 225};
    EXPECT_EQ(page->Move(&moved), S_OK);
    RECT now = RectIn(pageWindow, host.hwnd);
    EXPECT_EQ(now.left, 10);
    EXPECT_EQ(now.top, 5);
    EXPECT_EQ(page->EditProperty(0), S_OK);
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(PageWindow(host.hwnd), nullptr);
    // A frame that goes away before deactivating the page takes the page's window with it; the
    // page must not touch that window again.
    {
        FrameWindow frame;
        ASSERT_EQ(page->Activate(frame.hwnd, &r, FALSE), S_OK);
        ASSERT_NE(PageWindow(frame.hwnd), nullptr);
    }
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Deactivate(), S_OK);
    Activate();
}

} // namespace
