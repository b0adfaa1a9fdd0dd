// PropertyPageJoystick: the control's one property page. It edits Interval, RepeatButton and
// RepeatCursor of the first selected object, reaching them by name through IDispatch so that
// any object with properties of those names can be edited. Every step of filling and applying
// that fails is skipped on purpose and the next one runs; nothing is reported to the user.
// A frame with several pages takes this page's window away when the user picks another tab and
// applies every page on OK, so the page keeps what the user set while it has no window.
#include "PropertyPageJoystick.h"

#include <ocidl.h>
#include <olectl.h>
#include <initializer_list>
#include <new>
#include <utility>
#include <wrl/client.h>

#include "FormSupport.h"
#include "JoystickIds.h"
#include "JoystickModule.h"
#include "PropertyPageJoystickRes.h"
#include "winsupport/unique_handle.h"

namespace joystick {
namespace {

using Microsoft::WRL::ComPtr;
using quorin::win::UniqueGdi;
using quorin::win::UniqueWindow;

// The page as designed, in twips (6300 x 3300 = 420 x 220 pixels at 96 dpi).
constexpr int PageWidthTwips = 6300;
constexpr int PageHeightTwips = 3300;
constexpr char16_t PageTitle[] = u"ｼﾞｮｲｽﾃｨｯｸ";
constexpr DWORD PageHelpContext = 203;

enum ControlId : int {
    IdImageTitle = 1000,
    IdLabelTitle,
    IdFrameInterval,
    IdOptionIntervals1,
    IdOptionIntervals2,
    IdOptionIntervals0,
    IdImageInfo,
    IdLabelInfo,
    IdTextInterval,
    IdLabelInterval,
    IdCheckRepeatButton,
    IdCheckRepeatCursor,
};

// Creation order is the tab order. LabelInfo directly precedes TextInterval, so its access key
// moves the focus there; ImageInfo carries WS_GROUP to end the option buttons' group.
const ControlLayout Controls[] = {
    {IdImageTitle, L"STATIC", u"", SS_BITMAP, 0, {150, 120, 720, 720}},
    {IdLabelTitle,
     L"STATIC",
     u"ジョイスティックに関するプロパティを変更できます",
     SS_LEFT,
     0,
     {1020, 390, 5100, 240}},
    {IdFrameInterval, L"BUTTON", u"スキャン間隔(&S)", BS_GROUPBOX, 0, {120, 990, 6060, 1650}},
    {IdOptionIntervals1,
     L"BUTTON",
     u"ジョイスティックの動作と操作感をよくする(&R)",
     BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
     0,
     {300, 1260, 5700, 270}},
    {IdOptionIntervals2,
     L"BUTTON",
     u"タスク処理をスムーズにする(&T)",
     BS_AUTORADIOBUTTON,
     0,
     {300, 1560, 5700, 270}},
    {IdOptionIntervals0, L"BUTTON", u"その他(&O) ", BS_AUTORADIOBUTTON, 0, {300, 1860, 1800, 270}},
    {IdImageInfo, L"STATIC", u"", SS_ICON | WS_GROUP, 0, {600, 2190, 240, 240}},
    {IdLabelInfo, L"STATIC", u"任意のスキャン間隔(&I)", SS_LEFT, 0, {930, 2220, 2250, 240}},
    {IdTextInterval,
     L"EDIT",
     u"0",
     ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP,
     WS_EX_CLIENTEDGE,
     {3210, 2160, 1080, 330}},
    {IdLabelInterval, L"STATIC", u"ミリ秒", SS_LEFT, 0, {4380, 2220, 900, 240}},
    {IdCheckRepeatButton,
     L"BUTTON",
     u"ボタンを連続してスキャンする(&B)",
     BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
     0,
     {120, 2760, 6060, 240}},
    {IdCheckRepeatCursor,
     L"BUTTON",
     u"カーソルを連続してスキャンする(&C)",
     BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
     0,
     {120, 3030, 6060, 240}},
};

// Decoration drawn on the page itself, in twips: ShapePanel frames the heading, LinePanel
// separates the interval frame from the repeat switches.
constexpr RECT ShapePanelTwips = {60, 60, 6240, 900};
constexpr RECT LinePanelTwips = {120, 2685, 6180, 2685};

// Reads or writes a property by name. The object's exception record is not reported further:
// a failing statement of the page is skipped.
HRESULT InvokePropertyByName(IDispatch* object, const wchar_t* name, WORD flags, DISPPARAMS* params,
                             VARIANT* result) {
    if (!object)
        return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    EXCEPINFO error = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, &error, nullptr);
    FreeExcepInfo(error);
    return hr;
}

HRESULT GetPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* result) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return InvokePropertyByName(object, name, DISPATCH_PROPERTYGET, &none, result);
}

HRESULT PutPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {value, &named, 1, 1};
    return InvokePropertyByName(object, name, DISPATCH_PROPERTYPUT, &params, nullptr);
}

wchar_t* CoTaskString(const wchar_t* s) {
    size_t bytes = (::lstrlenW(s) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
    if (copy)
        ::CopyMemory(copy, s, bytes);
    return copy;
}

// Full path of the help file beside the library.
bool HelpFilePath(wchar_t (&path)[MAX_PATH]) {
    DWORD n = ::GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    wchar_t* slash = nullptr;
    for (wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/')
            slash = p;
    size_t folder = slash ? static_cast<size_t>(slash - path + 1) : 0;
    if (folder + ::lstrlenW(HelpFileName) + 1 > MAX_PATH)
        return false;
    ::lstrcpyW(path + folder, HelpFileName);
    return true;
}

class PropertyPageJoystick final : public IPropertyPage2, public IDispatch {
public:
    static HRESULT CreateInstance(REFIID riid, void** ppv) noexcept {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        auto* page = new (std::nothrow) PropertyPageJoystick();
        if (!page)
            return E_OUTOFMEMORY;
        HRESULT hr = page->QueryInterface(riid, ppv);
        page->Release();
        return hr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPropertyPage || riid == IID_IPropertyPage2)
            *ppv = static_cast<IPropertyPage2*>(this);
        else if (riid == IID_IDispatch || riid == IID__PropertyPageJoystick)
            *ppv = static_cast<IDispatch*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0)
            delete this;
        return n;
    }

    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite* site) noexcept override {
        site_ = site;
        return S_OK;
    }

    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL) noexcept override {
        if (!rect)
            return E_POINTER;
        if (window_)
            return E_UNEXPECTED;
        // A control-parent dialog, so that the access keys and tab order also work inside the
        // host's frame.
        HWND window = CreateEmptyDialog(WS_CHILD | WS_CLIPSIBLINGS | DS_CONTROL, WS_EX_CONTROLPARENT, parent,
                                        DialogProc, reinterpret_cast<LPARAM>(this));
        if (!window)
            return HRESULT_FROM_WIN32(::GetLastError());
        window_.reset(window);
        ::SetWindowPos(window, nullptr, rect->left, rect->top, rect->right - rect->left,
                       rect->bottom - rect->top, SWP_NOZORDER | SWP_NOACTIVATE);
        // Shown again, the page has its kept values back (OnInitDialog); only a first showing
        // fills it from the selection.
        if (!hasKept_ && !objects_.empty())
            PropertyPage_SelectionChanged();
        hasKept_ = false;
        return S_OK;
    }

    STDMETHODIMP Deactivate() noexcept override {
        window_.reset();
        return S_OK;
    }

    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) noexcept override {
        if (!info)
            return E_POINTER;
        ScreenDpi dpi = ReadScreenDpi();
        wchar_t help[MAX_PATH];
        PROPPAGEINFO out = {};
        out.cb = sizeof(out);
        out.size.cx = TwipsToPixels(PageWidthTwips, dpi.x);
        out.size.cy = TwipsToPixels(PageHeightTwips, dpi.y);
        out.pszTitle = CoTaskString(Wide(PageTitle));
        out.pszHelpFile = CoTaskString(HelpFilePath(help) ? help : HelpFileName);
        out.dwHelpContext = PageHelpContext;
        if (!out.pszTitle || !out.pszHelpFile) {
            ::CoTaskMemFree(out.pszTitle);
            ::CoTaskMemFree(out.pszHelpFile);
            return E_OUTOFMEMORY;
        }
        *info = out;
        return S_OK;
    }

    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) noexcept override {
        if (count > 0 && !objects)
            return E_POINTER;
        Objects replacement;
        if (!replacement.Assign(count, objects))
            return E_OUTOFMEMORY;
        objects_.Swap(replacement);
        if ((window_ || hasKept_) && !objects_.empty())
            PropertyPage_SelectionChanged();
        return S_OK;
    }

    STDMETHODIMP Show(UINT command) noexcept override {
        if (!window_)
            return E_UNEXPECTED;
        ::ShowWindow(window_.get(), command);
        return S_OK;
    }

    STDMETHODIMP Move(LPCRECT rect) noexcept override {
        if (!rect)
            return E_POINTER;
        if (!window_)
            return E_UNEXPECTED;
        ::MoveWindow(window_.get(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                     TRUE);
        return S_OK;
    }

    STDMETHODIMP IsPageDirty() noexcept override { return changed_ ? S_OK : S_FALSE; }

    // The host's OK or Apply. The changed mark is the host's page state: once the values are
    // handed over the page no longer counts as changed.
    STDMETHODIMP Apply() noexcept override {
        PropertyPage_ApplyChanges();
        changed_ = false;
        return S_OK;
    }

    // A frame's Help button: the frame opens the help file and context of GetPageInfo.
    STDMETHODIMP Help(LPCOLESTR) noexcept override { return E_NOTIMPL; }

    STDMETHODIMP TranslateAccelerator(MSG* message) noexcept override {
        if (!message)
            return E_POINTER;
        if (!window_)
            return S_FALSE;
        return ::IsDialogMessageW(window_.get(), message) ? S_OK : S_FALSE;
    }

    // IPropertyPage2
    STDMETHODIMP EditProperty(DISPID) noexcept override {
        PropertyPage_EditProperty();
        return S_OK;
    }

    // IDispatch (_PropertyPageJoystick has no members of its own)
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
        if (!count)
            return E_POINTER;
        ComPtr<ITypeInfo> info;
        *count = SUCCEEDED(LoadTypeInfo(&info)) ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        return LoadTypeInfo(info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) noexcept override {
        if (count > 0 && !ids)
            return E_POINTER;
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) noexcept override {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // The selected objects, as the host handed them over.
    class Objects {
    public:
        Objects() = default;
        Objects(const Objects&) = delete;
        Objects& operator=(const Objects&) = delete;
        ~Objects() { Clear(); }
        bool Assign(ULONG count, IUnknown** objects) {
            Clear();
            if (count == 0)
                return true;
            items_ = new (std::nothrow) IUnknown*[count];
            if (!items_)
                return false;
            count_ = count;
            for (ULONG i = 0; i < count; ++i) {
                items_[i] = objects[i];
                if (items_[i])
                    items_[i]->AddRef();
            }
            return true;
        }
        void Swap(Objects& other) {
            std::swap(items_, other.items_);
            std::swap(count_, other.count_);
        }
        bool empty() const { return count_ == 0; }
        // The first selected object's IDispatch, or null.
        ComPtr<IDispatch> First() const {
            ComPtr<IDispatch> first;
            if (count_ > 0 && items_[0])
                items_[0]->QueryInterface(IID_PPV_ARGS(&first));
            return first;
        }

    private:
        void Clear() {
            for (ULONG i = 0; i < count_; ++i)
                if (items_[i])
                    items_[i]->Release();
            delete[] items_;
            items_ = nullptr;
            count_ = 0;
        }
        IUnknown** items_ = nullptr;
        ULONG count_ = 0;
    };

    PropertyPageJoystick() noexcept { ModuleAddRef(); }
    ~PropertyPageJoystick() {
        window_.reset();
        ModuleRelease();
    }

    static HRESULT LoadTypeInfo(ITypeInfo** info) noexcept {
        wchar_t path[MAX_PATH];
        DWORD n = ::GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            return E_FAIL;
        ComPtr<ITypeLib> library;
        HRESULT hr = ::LoadTypeLibEx(path, REGKIND_NONE, &library);
        if (FAILED(hr))
            return hr;
        return library->GetTypeInfoOfGuid(IID__PropertyPageJoystick, info);
    }

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            reinterpret_cast<PropertyPageJoystick*>(lParam)->OnInitDialog(window);
            return FALSE; // the host decides where the focus goes
        }
        auto* page = reinterpret_cast<PropertyPageJoystick*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (!page)
            return FALSE;
        switch (message) {
        case WM_COMMAND:
            page->OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_PAINT:
            page->OnPaint(window);
            return TRUE;
        case WM_HELP: // F1 anywhere on the page: frames do not all pass it on to their help
            page->OpenHelp(window);
            return TRUE;
        case WM_DESTROY: // the controls are still there
            page->KeepValues(window);
            return FALSE;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(window, DWLP_USER, 0);
            page->OnNcDestroy(window);
            return FALSE;
        }
        return FALSE;
    }

    void OnInitDialog(HWND window) {
        ScreenDpi dpi = ReadScreenDpi();
        dpi_ = dpi;
        font_.reset(CreateFormFont(dpi));
        titlePicture_.reset(
            ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_PAGE_TITLE), IMAGE_BITMAP, 0, 0, 0));
        infoIcon_ = static_cast<HICON>(
            ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDI_PAGE_INFO), IMAGE_ICON, 16, 16, LR_SHARED));
        ::SetWindowPos(window, nullptr, 0, 0, TwipsToPixels(PageWidthTwips, dpi.x),
                       TwipsToPixels(PageHeightTwips, dpi.y), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        creating_ = true;
        for (const ControlLayout& layout : Controls)
            CreateLayoutControl(window, layout, dpi, font_.get());
        if (hasKept_)
            RestoreValues(window);
        creating_ = false;
        if (titlePicture_)
            ::SendDlgItemMessageW(window, IdImageTitle, STM_SETIMAGE, IMAGE_BITMAP,
                                  reinterpret_cast<LPARAM>(titlePicture_.get()));
        if (infoIcon_)
            ::SendDlgItemMessageW(window, IdImageInfo, STM_SETICON, reinterpret_cast<WPARAM>(infoIcon_), 0);
    }

    // The controls are gone, so the font and picture may go. When the host destroyed the page
    // window (its frame closed first), the page forgets the handle instead of destroying it later.
    void OnNcDestroy(HWND window) {
        font_.reset();
        titlePicture_.reset();
        if (window_.get() == window)
            window_.release();
    }

    void OnPaint(HWND window) {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(window, &paint);
        RECT shape = TwipsToPixels(ShapePanelTwips, dpi_);
        ::DrawEdge(dc, &shape, EDGE_ETCHED, BF_RECT);
        RECT line = TwipsToPixels(LinePanelTwips, dpi_);
        line.bottom = line.top + 2;
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        ::EndPaint(window, &paint);
    }

    static void OpenHelp(HWND window) {
        wchar_t help[MAX_PATH];
        ::WinHelpW(window, HelpFilePath(help) ? help : HelpFileName, HELP_CONTEXT, PageHelpContext);
    }

    void OnCommand(int id, int notification) {
        if (creating_)
            return;
        switch (id) {
        case IdOptionIntervals0:
        case IdOptionIntervals1:
        case IdOptionIntervals2:
            if (notification == BN_CLICKED)
                OptionIntervals_Click(id == IdOptionIntervals0 ? 0 : id == IdOptionIntervals1 ? 1 : 2);
            break;
        case IdTextInterval:
            if (notification == EN_CHANGE)
                TextInterval_Change();
            break;
        case IdCheckRepeatButton:
            if (notification == BN_CLICKED)
                CheckRepeatButton_Click();
            break;
        case IdCheckRepeatCursor:
            if (notification == BN_CLICKED)
                CheckRepeatCursor_Click();
            break;
        }
    }

    HWND Item(int id) const { return window_ ? ::GetDlgItem(window_.get(), id) : nullptr; }

    // What the user set on the page: in its controls while it has a window, else in kept_.
    struct PageValues {
        Bstr intervalText;
        bool intervalEnabled = true;
        int option = -1; // index of the chosen interval option, -1 for none
        int repeatButton = BST_UNCHECKED;
        int repeatCursor = BST_UNCHECKED;
    };

    static constexpr int OptionIds[] = {IdOptionIntervals0, IdOptionIntervals1, IdOptionIntervals2};

    static void ReadValues(HWND window, PageValues& values) {
        HWND box = ::GetDlgItem(window, IdTextInterval);
        values.intervalText = ReadWindowText(box);
        values.intervalEnabled = ::IsWindowEnabled(box) != FALSE;
        values.option = -1;
        for (int index = 0; index < 3; ++index)
            if (::IsDlgButtonChecked(window, OptionIds[index]) == BST_CHECKED)
                values.option = index;
        values.repeatButton = static_cast<int>(::IsDlgButtonChecked(window, IdCheckRepeatButton));
        values.repeatCursor = static_cast<int>(::IsDlgButtonChecked(window, IdCheckRepeatCursor));
    }

    void KeepValues(HWND window) {
        ReadValues(window, kept_);
        hasKept_ = true;
    }

    // Puts the kept values back into new controls; they were the page's already, so nothing
    // counts as changed.
    void RestoreValues(HWND window) {
        HWND box = ::GetDlgItem(window, IdTextInterval);
        if (kept_.intervalText.get())
            ::SetWindowTextW(box, kept_.intervalText.get());
        ::EnableWindow(box, kept_.intervalEnabled);
        if (kept_.option >= 0)
            ::CheckDlgButton(window, OptionIds[kept_.option], BST_CHECKED);
        ::CheckDlgButton(window, IdCheckRepeatButton, static_cast<UINT>(kept_.repeatButton));
        ::CheckDlgButton(window, IdCheckRepeatCursor, static_cast<UINT>(kept_.repeatCursor));
    }

    // Setting a text box's text raises its change handler only when the text differs, and a
    // check box's click handler only when its value changes; the handlers mark the page.
    void SetTextIntervalText(const wchar_t* text) {
        if (!window_) {
            if (!hasKept_ || (kept_.intervalText.get() && ::lstrcmpW(kept_.intervalText.get(), text) == 0))
                return;
            *kept_.intervalText.put() = ::SysAllocString(text);
            TextInterval_Change();
            return;
        }
        HWND box = Item(IdTextInterval);
        Bstr current = ReadWindowText(box);
        if (current.get() && ::lstrcmpW(current.get(), text) == 0)
            return;
        ::SetWindowTextW(box, text); // EN_CHANGE runs TextInterval_Change
    }

    void SetCheckValue(int id, int value) {
        if (!window_) {
            int& kept = id == IdCheckRepeatButton ? kept_.repeatButton : kept_.repeatCursor;
            if (!hasKept_ || kept == value)
                return;
            kept = value;
        } else {
            HWND box = Item(id);
            if (!box || static_cast<int>(::SendMessageW(box, BM_GETCHECK, 0, 0)) == value)
                return;
            ::SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(value), 0);
        }
        if (id == IdCheckRepeatButton)
            CheckRepeatButton_Click();
        else
            CheckRepeatCursor_Click();
    }

    // A property is taken as a plain value only: converting an object asks its default member,
    // which a hostile object answers with itself, without end.
    static bool IsPlainValue(VARIANT* value) {
        const VARTYPE type = value->vt;
        return (type & (VT_BYREF | VT_ARRAY)) == 0 && type != VT_DISPATCH && type != VT_UNKNOWN &&
               type != VT_RECORD;
    }

    // Statement helpers for the fill: each returns whether it ran; a failure is skipped.
    bool FillText(IDispatch* control) {
        Variant interval;
        if (FAILED(GetPropertyByName(control, L"Interval", interval.get())) || !IsPlainValue(interval.get()))
            return false;
        if (FAILED(::VariantChangeType(interval.get(), interval.get(), 0, VT_BSTR)))
            return false;
        SetTextIntervalText(interval->bstrVal ? interval->bstrVal : L"");
        return true;
    }

    bool FillCheck(IDispatch* control, const wchar_t* property, int id) {
        Variant value;
        if (FAILED(GetPropertyByName(control, property, value.get())) || !IsPlainValue(value.get()))
            return false;
        if (FAILED(::VariantChangeType(value.get(), value.get(), 0, VT_BOOL)))
            return false;
        SetCheckValue(id, value->boolVal != VARIANT_FALSE ? BST_CHECKED : BST_UNCHECKED);
        return true;
    }

    void PropertyPage_SelectionChanged() {
        ComPtr<IDispatch> control = objects_.First();
        FillText(control.Get());
        FillCheck(control.Get(), L"RepeatButton", IdCheckRepeatButton);
        FillCheck(control.Get(), L"RepeatCursor", IdCheckRepeatCursor);
    }

    void PropertyPage_ApplyChanges() {
        // The values on the page, or those kept while the frame shows another tab. A page never
        // shown has no values of its own and writes nothing.
        PageValues live;
        const PageValues* values = &kept_;
        if (window_) {
            ReadValues(window_.get(), live);
            values = &live;
        } else if (!hasKept_) {
            return;
        }
        ComPtr<IDispatch> control = objects_.First();
        // The text goes over as a string; the control converts it to its 16-bit Interval, and
        // text that does not convert fails this statement only. A copy goes over: the object
        // may call back into the page, which could replace the kept text meanwhile.
        if (values->intervalText.get()) {
            Variant text;
            text->vt = VT_BSTR;
            text->bstrVal =
                ::SysAllocStringLen(values->intervalText.get(), ::SysStringLen(values->intervalText.get()));
            if (text->bstrVal)
                PutPropertyByName(control.Get(), L"Interval", text.get());
        }
        for (auto [property, checked] : {std::pair{L"RepeatButton", values->repeatButton},
                                         std::pair{L"RepeatCursor", values->repeatCursor}}) {
            Variant value;
            value->vt = VT_I2;
            value->iVal = static_cast<SHORT>(checked == BST_CHECKED ? 1 : 0);
            PutPropertyByName(control.Get(), property, value.get());
        }
    }

    void PropertyPage_EditProperty() {}

    void OptionIntervals_Click(int index) {
        HWND box = Item(IdTextInterval);
        switch (index) {
        case 0:
            ::EnableWindow(box, TRUE);
            break;
        case 1:
            SetTextIntervalText(L"10");
            ::EnableWindow(box, FALSE);
            break;
        case 2:
            SetTextIntervalText(L"100");
            ::EnableWindow(box, FALSE);
            break;
        default:
            break;
        }
    }

    void TextInterval_Change() { MarkChanged(); }
    void CheckRepeatButton_Click() { MarkChanged(); }
    void CheckRepeatCursor_Click() { MarkChanged(); }

    void MarkChanged() {
        changed_ = true;
        if (site_)
            site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }

    LONG refs_ = 1;
    ComPtr<IPropertyPageSite> site_;
    Objects objects_;
    bool changed_ = false;
    bool creating_ = false;
    PageValues kept_;      // what the page showed when its window went
    bool hasKept_ = false; // kept_ holds values the page has no window for
    ScreenDpi dpi_;
    UniqueGdi font_;
    UniqueGdi titlePicture_;
    HICON infoIcon_ = nullptr; // shared resource icon, owned by the system
    UniqueWindow window_;      // last member: destroyed before the font and pictures
};

} // namespace

HRESULT CreatePropertyPageJoystick(REFIID riid, void** ppv) noexcept {
    return PropertyPageJoystick::CreateInstance(riid, ppv);
}

} // namespace joystick
