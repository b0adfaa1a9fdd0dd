// The control's property page, from the library's class factory, driven through a page site of
// the test's own (the system's property frame under Wine never applies) with objects that carry
// the page's three properties, lack some, or answer with garbage; and once in the system's
// property frame, for its help key.
#include "ocx_test_support.h"

using namespace ocxtest;

namespace {

// The page's captions, exactly as the page must show them, top to bottom.
const wchar_t* const Heading = Wide(u"ジョイスティックに関するプロパティを変更できます");
const wchar_t* const Frame = Wide(u"スキャン間隔(&S)");
const wchar_t* const Fast = Wide(u"ジョイスティックの動作と操作感をよくする(&R)");
const wchar_t* const Smooth = Wide(u"タスク処理をスムーズにする(&T)");
const wchar_t* const Other = Wide(u"その他(&O) ");
const wchar_t* const EntryLabel = Wide(u"任意のスキャン間隔(&I)");
const wchar_t* const Unit = Wide(u"ミリ秒");
const wchar_t* const RepeatButton = Wide(u"ボタンを連続してスキャンする(&B)");
const wchar_t* const RepeatCursor = Wide(u"カーソルを連続してスキャンする(&C)");

// An object with the control's three page properties, reached by name only. Interval is a
// 16-bit integer that takes 0 to 10000 and ignores other numbers, as the control does; the
// switches are 16-bit booleans. Every write is logged as "Name=type:value".
class FakeJoystick final : public NoMembers<TestObject<IDispatch, IID_IDispatch>> {
public:
    explicit FakeJoystick(SHORT interval = 0, VARIANT_BOOL button = 0, VARIANT_BOOL cursor = 0)
        : interval(interval), button(button), cursor(cursor) {}
    SHORT interval;
    VARIANT_BOOL button, cursor;
    bool hasRepeatButton = true;
    std::vector<std::wstring> writes;

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        const std::wstring name = names[0];
        *ids = name == L"Interval" ? 0 : name == L"RepeatCursor" ? 2 : name == L"RepeatButton" && hasRepeatButton ? 1 : -1;
        return *ids >= 0 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (flags & DISPATCH_PROPERTYGET) {
            V_VT(result) = id == 0 ? VT_I2 : VT_BOOL;
            V_I2(result) = id == 0 ? interval : id == 1 ? button : cursor;
            return S_OK;
        }
        VARIANT text{}, value{};
        VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR);
        writes.push_back(std::wstring(id == 0 ? L"Interval" : id == 1 ? L"RepeatButton" : L"RepeatCursor") + L"=" +
                         std::to_wstring(V_VT(&params->rgvarg[0])) + L":" + V_BSTR(&text));
        VariantClear(&text);
        const HRESULT hr = VariantChangeType(&value, &params->rgvarg[0], 0, id == 0 ? VT_I2 : VT_BOOL);
        if (SUCCEEDED(hr) && id == 0 && V_I2(&value) >= 0 && V_I2(&value) <= 10000)
            interval = V_I2(&value);
        else if (SUCCEEDED(hr) && id != 0)
            (id == 1 ? button : cursor) = V_BOOL(&value);
        return hr;
    }
};

class Page : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(page->SetPageSite(&site), S_OK); }
    void TearDown() override {
        Close();
        EXPECT_EQ(site.refs, 1);
    }
    void Close() {
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->SetPageSite(nullptr);
    }
    void Reopen() {
        Close();
        page = Create<IPropertyPage2>(CLSID_PropertyPageJoystick);
        page->SetPageSite(&site);
        site.dirty = false;
    }
    // A visible top-level window the pages live in, as a host's property frame gives them.
    static HWND HostWindow() {
        static HWND host = CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 440, 240,
                                           nullptr, nullptr, nullptr, nullptr);
        return host;
    }
    void Activate() {
        RECT r = {0, 0, 420, 220};
        ASSERT_EQ(page->Activate(HostWindow(), &r, FALSE), S_OK);
        ASSERT_EQ(page->Show(SW_SHOW), S_OK);
        window = GetWindow(HostWindow(), GW_CHILD);
        box = ChildOfClass(window, L"Edit");
        ASSERT_NE(box, nullptr);
    }
    void Select(std::vector<IUnknown*> objects) {
        ASSERT_EQ(page->SetObjects(static_cast<ULONG>(objects.size()), objects.data()), S_OK);
    }
    HWND Item(const wchar_t* caption) {
        HWND c = ChildByText(window, caption);
        EXPECT_NE(c, nullptr) << "no control captioned " << std::string(caption, caption + wcslen(caption));
        return c;
    }
    bool Checked(const wchar_t* caption) { return SendMessageW(Item(caption), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(const wchar_t* caption) { SendMessageW(Item(caption), BM_CLICK, 0, 0); }

    PageSite site;
    FakeJoystick control; // selected until TearDown clears the selection
    ComPtr<IPropertyPage2> page = Create<IPropertyPage2>(CLSID_PropertyPageJoystick);
    HWND window = nullptr, box = nullptr;
};

TEST_F(Page, InfoCaptionsFontAndLayout) {
    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, Wide(u"ｼﾞｮｲｽﾃｨｯｸ"));
    EXPECT_EQ(info.size.cx, 420) << "6300 twips at 96 dpi";
    EXPECT_EQ(info.size.cy, 220) << "3300 twips at 96 dpi";
    EXPECT_EQ(_wcsicmp(info.pszHelpFile, std::wstring(Beside(L"Joystick.HLP")).c_str()), 0);
    EXPECT_EQ(info.dwHelpContext, 203u);
    for (LPOLESTR text : {info.pszTitle, info.pszDocString, info.pszHelpFile})
        CoTaskMemFree(text);
    Activate();
    int previousTop = -1;
    for (const wchar_t* caption : {Heading, Frame, Fast, Smooth, Other, EntryLabel, RepeatButton, RepeatCursor}) {
        RECT r;
        GetWindowRect(Item(caption), &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_GT(r.top, previousTop) << "out of vertical order";
        EXPECT_TRUE(r.left >= 0 && r.right <= 420 && r.bottom <= 220);
        previousTop = r.top;
        EXPECT_EQ(FontOf(Item(caption)), FormFont);
    }
    EXPECT_NE(Item(Unit), nullptr);
}

// Every access key, as the frame hands the key over: where the focus goes and what it chooses;
// a preset fills and locks the box, Other frees it with its text.
TEST_F(Page, AccessKeysAndTabOrder) {
    const struct {
        wchar_t key;
        const wchar_t* focus;  // the control that gets the focus; nullptr: the box
        const wchar_t* chosen; // the option chosen, nullptr: none
        const wchar_t* text;   // the box's text afterwards
        bool button, cursor;   // the switches afterwards (both off before)
    } rows[] = {
        {L's', Fast, nullptr, L"250", false, false}, // the frame's key: its first option
        {L'r', Fast, Fast, L"10", false, false},     {L't', Smooth, Smooth, L"100", false, false},
        {L'o', Other, Other, L"250", false, false},  {L'i', nullptr, nullptr, L"250", false, false},
        {L'b', RepeatButton, nullptr, L"250", true, false}, {L'c', RepeatCursor, nullptr, L"250", false, true},
    };
    control.interval = 250;
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "Alt+" << char(row.key));
        Reopen();
        Select({&control});
        Activate();
        SetFocus(box);
        MSG msg = {GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(row.key), 0x20000001, 0, {0, 0}};
        EXPECT_EQ(page->TranslateAccelerator(&msg), S_OK);
        EXPECT_EQ(GetFocus(), row.focus ? Item(row.focus) : box);
        for (const wchar_t* option : {Fast, Smooth, Other})
            EXPECT_EQ(Checked(option), option == row.chosen);
        EXPECT_EQ(TextOf(box), row.text);
        EXPECT_EQ(IsWindowEnabled(box) != FALSE, row.chosen != Fast && row.chosen != Smooth);
        EXPECT_EQ(Checked(RepeatButton), row.button);
        EXPECT_EQ(Checked(RepeatCursor), row.cursor);
    }
    // Shift+Tab and Tab go round: the options (one stop), the box, the two switches. Shift is
    // released last.
    const HWND order[] = {Item(Fast), box, Item(RepeatButton), Item(RepeatCursor)};
    for (bool backwards : {true, false}) {
        BYTE keys[256] = {};
        keys[VK_SHIFT] = backwards ? 0x80 : 0;
        SetKeyboardState(keys);
        SetFocus(order[0]);
        for (size_t step = 1; step <= 4; ++step) {
            MSG tab = {GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {0, 0}};
            EXPECT_EQ(page->TranslateAccelerator(&tab), S_OK);
            EXPECT_EQ(GetFocus(), order[(backwards ? 4 - step : step) % 4]) << (backwards ? "back " : "") << step;
        }
    }
}

// Filling shows the first object; values that differ from the page's raise its change handlers.
// Applying hands the typed text over as a string for the object to convert, skips what fails,
// and still applies the switches, as 16-bit integers; only the first object is written.
TEST_F(Page, FillingShowsTheFirstObjectAndApplyingWritesIt) {
    const struct {
        SHORT interval;
        VARIANT_BOOL button, cursor;
        bool selectFirst; // as a frame does it: objects before the window
        bool dirty;
        const wchar_t* typed;
        SHORT applied; // the interval afterwards
    } rows[] = {{250, VARIANT_TRUE, VARIANT_FALSE, false, true, L"55", 55},
                {40, VARIANT_FALSE, VARIANT_TRUE, true, true, L"abc", 40},
                {0, VARIANT_FALSE, VARIANT_FALSE, false, false, L"", 0}, // equal to the page: no change
                {0, VARIANT_TRUE, VARIANT_FALSE, false, true, L" 42", 42}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        FakeJoystick first(row.interval, row.button, row.cursor), second; // this row's
        Reopen();
        if (row.selectFirst)
            Select({&first, &second});
        Activate();
        if (!row.selectFirst)
            Select({&first, &second});
        EXPECT_EQ(TextOf(box), std::to_wstring(row.interval));
        EXPECT_EQ(Checked(RepeatButton), row.button != VARIANT_FALSE);
        EXPECT_EQ(Checked(RepeatCursor), row.cursor != VARIANT_FALSE);
        EXPECT_EQ(site.dirty, row.dirty);
        EXPECT_EQ(page->IsPageDirty(), row.dirty ? S_OK : S_FALSE);
        EXPECT_TRUE(IsWindowEnabled(box)) << "the options and the box's state are left alone";
        SetWindowTextW(box, row.typed);
        Click(RepeatButton);
        ASSERT_EQ(page->Apply(), S_OK);
        EXPECT_EQ(first.interval, row.applied);
        const std::vector<std::wstring> written = {L"Interval=8:" + std::wstring(row.typed),
                                                   row.button ? L"RepeatButton=2:0" : L"RepeatButton=2:1",
                                                   row.cursor ? L"RepeatCursor=2:1" : L"RepeatCursor=2:0"};
        EXPECT_EQ(first.writes, written);
        EXPECT_TRUE(second.writes.empty()) << "only the first selected object is written";
        page->SetObjects(0, nullptr);
        EXPECT_EQ(first.refs, 1);
        EXPECT_EQ(second.refs, 1);
    }
}

// Calls in the wrong state are refused. What the user set comes back with the page after a frame
// took its window away (another tab), and is applied (OK on another tab). A frame that goes
// before deactivating the page takes the page's window with it, and the page does not touch that
// window again.
TEST_F(Page, LifecycleChecksItsStateAndKeepsEditsAcrossDeactivation) {
    RECT r = {0, 0, 420, 220};
    control.interval = 250;
    Select({&control});
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_TRUE(control.writes.empty()) << "a page never shown has no values of its own";
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    Activate();
    EXPECT_EQ(page->Activate(HostWindow(), &r, FALSE), E_UNEXPECTED);
    Click(Smooth);
    EXPECT_TRUE(site.dirty) << "the preset's text change marks the page";
    Click(RepeatButton);
    page->Deactivate();
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    site.dirty = false;
    Activate();
    EXPECT_EQ(TextOf(box), L"100");
    EXPECT_FALSE(IsWindowEnabled(box));
    EXPECT_TRUE(Checked(Smooth));
    EXPECT_TRUE(Checked(RepeatButton));
    EXPECT_FALSE(site.dirty) << "its own values are no new change";
    page->Deactivate();
    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(control.writes, (std::vector<std::wstring>{L"Interval=8:100", L"RepeatButton=2:1", L"RepeatCursor=2:0"}));
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    // A new selection while the page is away fills what it keeps, as it fills its window.
    FakeJoystick other(40, VARIANT_FALSE, VARIANT_TRUE);
    Select({&other});
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    Activate();
    EXPECT_EQ(TextOf(box), L"40");
    EXPECT_FALSE(Checked(RepeatButton));
    EXPECT_TRUE(Checked(RepeatCursor));
    EXPECT_EQ(page->Deactivate(), S_OK);
    HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 440, 240, HostWindow(), nullptr, nullptr,
                                 nullptr);
    ASSERT_EQ(page->Activate(frame, &r, FALSE), S_OK);
    DestroyWindow(frame);
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Deactivate(), S_OK);
    page->SetObjects(0, nullptr); // before `other` goes
}

// An object that lacks the properties or answers garbage. One answers with itself, whose default
// member is itself again: converting it would ask without end.
enum class Answer { NoDispatch, NoNames, Fails, Empty, Text, Huge, Array, Itself, Null, PullsWindow, ClearsSelection };
class HostileObject final : public NoMembers<TestObject<IDispatch, IID_IDispatch>> {
public:
    HostileObject(Answer a, IPropertyPage* page) : answer_(a), page_(page) {}
    int reads = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IDispatch && answer_ == Answer::NoDispatch)
            return *ppv = nullptr, E_NOINTERFACE;
        return NoMembers::QueryInterface(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
        return answer_ == Answer::NoNames ? (*ids = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME) : (*ids = 100, S_OK);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (++reads > 1000)
            return E_FAIL; // a conversion that keeps asking: stopped here rather than overflow the stack
        if (answer_ == Answer::PullsWindow)
            return page_->Deactivate(), E_FAIL;
        if (answer_ == Answer::ClearsSelection)
            return page_->SetObjects(0, nullptr), E_FAIL;
        if (answer_ == Answer::Fails || !(flags & DISPATCH_PROPERTYGET))
            return answer_ == Answer::Fails ? DISP_E_EXCEPTION : S_OK;
        const VARTYPE types[] = {VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_BSTR, VT_R8, VT_ARRAY | VT_I4, VT_DISPATCH, VT_NULL};
        VariantInit(result);
        V_VT(result) = types[static_cast<int>(answer_)];
        if (answer_ == Answer::Text)
            V_BSTR(result) = SysAllocString(L"abc");
        if (answer_ == Answer::Huge)
            V_R8(result) = 1e300;
        if (answer_ == Answer::Array)
            V_ARRAY(result) = SafeArrayCreateVector(VT_I4, 0, 2);
        if (answer_ == Answer::Itself)
            V_DISPATCH(result) = this, AddRef();
        return S_OK;
    }

private:
    Answer answer_;
    IPropertyPage* page_;
};

TEST_F(Page, ObjectsThatLackThePropertiesOrAnswerGarbageAreSkipped) {
    for (int a = 0; a <= static_cast<int>(Answer::ClearsSelection); ++a) {
        HostileObject hostile(static_cast<Answer>(a), page.Get());
        Select({&hostile, nullptr}); // before the window exists, then while it exists, then applied
        Activate();
        Select({&hostile});
        EXPECT_EQ(page->Apply(), S_OK);
        page->Deactivate();
        page->SetObjects(0, nullptr);
        EXPECT_EQ(hostile.refs, 1) << a << ": the page kept a reference to a released selection";
        EXPECT_LE(hostile.reads, 20) << a << ": the page kept asking the object";
    }
    // Without RepeatButton the other two properties still go both ways.
    control.hasRepeatButton = false;
    control.cursor = VARIANT_TRUE;
    Activate();
    Select({&control});
    EXPECT_TRUE(Checked(RepeatCursor));
    Click(RepeatCursor);
    page->Apply();
    EXPECT_EQ(control.writes, (std::vector<std::wstring>{L"Interval=8:0", L"RepeatCursor=2:0"}));
}

// F1 on the page in the system's property frame, once the frame has settled, asks the help
// viewer for the page's topic. The page's class reaches the frame through a class object
// registered for this process only. The frame's picture is the README's.
TEST(PageInTheFrame, F1OpensContext203BesideTheLibrary) {
    ComPtr<IClassFactory> factory;
    DWORD cookie = 0;
    auto control = NewControl();
    SHORT interval = 100;
    control->put_Interval(&interval);
    ASSERT_EQ(OcxClassFactory(CLSID_PropertyPageJoystick, &factory), S_OK);
    ASSERT_EQ(CoRegisterClassObject(CLSID_PropertyPageJoystick, factory.Get(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    HelpRecorder help;
    IUnknown* objects[] = {control.Get()};
    CLSID pages[] = {CLSID_PropertyPageJoystick};
    const BoxRun run = RunBox(
        [&] { return OleCreatePropertyFrame(nullptr, 0, 0, L"Joystick", 1, objects, 1, pages, 0, 0, nullptr); },
        [](HWND frame, int ticks) {
            if (ticks == 10) {
                quorin::driver::SaveWindowPicture(frame, Beside(L"proppage.png"));
                SetForegroundWindow(frame);
                SetFocus(ChildOfClass(frame, L"Edit"));
                SendKey(VK_F1);
            }
            if (ticks < 10 || g_helpRequests.empty())
                return false;
            PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
    CoRevokeClassObject(cookie);
    EXPECT_EQ(run.result, S_OK);
    EXPECT_FALSE(run.timedOut);
    HelpRecorder::ExpectOneRequest(203);
}

} // namespace
