// FormAbout: the copyright and version box behind the control's hidden About member. It shows
// the library's title and version (read from its own version resource), the copyright text,
// two links that go out through the hyperlink object of an embedded ControlJoystick, and help.
#include "FormAbout.h"

#include <ocidl.h>
#include <olectl.h>
#include <winver.h>
#include <new>
#include <string>
#include <vector>
#include <wrl/client.h>

#include "ComObject.h"
#include "FormAboutRes.h"
#include "FormSupport.h"
#include "JoystickIds.h"
#include "JoystickModule.h"
#include "winsupport/unique_handle.h"

namespace joystick {
namespace {

using Microsoft::WRL::ComPtr;
using quorin::win::UniqueGdi;
using quorin::win::UniqueHandle;
using quorin::win::UniqueModule;
using quorin::win::UniqueWindow;

constexpr char16_t Caption[] = u"著作権とバージョン情報について";
constexpr char16_t HelpCaption[] = u"ヘルプ(&H)";
// Client area as designed, in twips (360 x 180 pixels at 96 dpi).
constexpr int ClientWidthTwips = 5400;
constexpr int ClientHeightTwips = 2700;
constexpr DWORD HelpContext = 801;
constexpr wchar_t TitleFontFace[] = L"Tahoma";
constexpr int TitleFontCentipoints = 825; // 8.25 point

// The maker's addresses; the labels' captions are what the links navigate to.
constexpr char16_t WebAddress[] = u"http://www.ombrel.example/";
constexpr char16_t MailAddress[] = u"mailto:support@ombrel.example";
// The design-time text of TextAbout. Form_Load puts the version line in front of it.
constexpr char16_t DesignTextAbout[] = u"Copyright (C) 2001-2004 Ombrel Works.\r\nAll rights reserved.";

enum ControlId : int {
    IdImageTitle = 1100,
    IdLabelTitles0,
    IdLabelTitles1,
    IdTextAbout,
    IdLabelURLs0,
    IdLabelURLs1,
    IdCommandOK = IDOK,
    IdCommandHelp = 1110,
};

// The box's fonts, as ControlLayout::font counts them.
enum FontIndex : int { FontForm, FontTitle, FontTitleBold, FontCount };

// Creation order is the tab order.
const ControlLayout Controls[] = {
    {IdImageTitle, L"STATIC", u"", SS_BITMAP, 0, {180, 180, 720, 720}},
    {IdLabelTitles0,
     L"STATIC",
     u"Ombrel's Gantrel",
     SS_LEFT | SS_NOPREFIX,
     0,
     {1140, 300, 3960, 240},
     FontTitleBold},
    {IdLabelTitles1,
     L"STATIC",
     u"powered by SideWinder GamePad",
     SS_LEFT | SS_NOPREFIX,
     0,
     {1140, 570, 3960, 240},
     FontTitle},
    {IdTextAbout,
     L"EDIT",
     DesignTextAbout,
     ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE,
     {180, 1110, 5040, 810}},
    {IdLabelURLs0, L"STATIC", WebAddress, SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, {180, 2040, 3450, 240}},
    {IdLabelURLs1, L"STATIC", MailAddress, SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, {180, 2340, 3450, 240}},
    {IdCommandOK, L"BUTTON", u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, {4020, 1950, 1200, 330}},
    {IdCommandHelp, L"BUTTON", HelpCaption, BS_PUSHBUTTON | WS_TABSTOP, 0, {4020, 2310, 1200, 330}},
};

// Decoration drawn on the box itself, in twips (left, top, right, bottom).
constexpr RECT ShapePanelsTwips[] = {{120, 120, 960, 960}, {1020, 120, 5280, 960}};
constexpr RECT FurtherShapeTwips = {120, 1980, 3750, 2640};
constexpr RECT LinePanelsTwips[] = {{120, 1035, 5280, 1035}, {3870, 1980, 3870, 2640}};

struct EventSourcePolicy {
    static HANDLE Invalid() noexcept { return nullptr; }
    static bool IsValid(HANDLE h) noexcept { return h != nullptr; }
    static void Close(HANDLE h) noexcept { ::DeregisterEventSource(h); }
};
using UniqueEventSource = UniqueHandle<HANDLE, EventSourcePolicy>;

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(ModuleInstance(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The library's folder with its trailing separator, or empty.
std::wstring ModuleFolder() {
    const std::wstring path = ModulePath();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The application information the box shows: the library's title and its major, minor and
// revision numbers, from the library's own version resource.
struct AppInfo {
    std::wstring title;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned revision = 0;
};

AppInfo ReadAppInfo() {
    AppInfo info;
    // The version functions are bound by name at the call, like the other declared system
    // functions, so the library links against nothing beyond the system's core DLLs.
    UniqueModule versionLibrary(::LoadLibraryW(L"version.dll"));
    if (!versionLibrary)
        return info;
    auto sizeOf = reinterpret_cast<decltype(&::GetFileVersionInfoSizeW)>(
        reinterpret_cast<void*>(::GetProcAddress(versionLibrary.get(), "GetFileVersionInfoSizeW")));
    auto read = reinterpret_cast<decltype(&::GetFileVersionInfoW)>(
        reinterpret_cast<void*>(::GetProcAddress(versionLibrary.get(), "GetFileVersionInfoW")));
    auto query = reinterpret_cast<decltype(&::VerQueryValueW)>(
        reinterpret_cast<void*>(::GetProcAddress(versionLibrary.get(), "VerQueryValueW")));
    if (!sizeOf || !read || !query)
        return info;
    std::wstring path = ModulePath();
    DWORD ignored = 0;
    DWORD size = sizeOf(path.c_str(), &ignored);
    if (size == 0)
        return info;
    std::vector<BYTE> block(size);
    if (!read(path.c_str(), 0, size, block.data()))
        return info;
    void* value = nullptr;
    UINT length = 0;
    if (query(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        info.major = HIWORD(fixed->dwFileVersionMS);
        info.minor = LOWORD(fixed->dwFileVersionMS);
        info.revision = LOWORD(fixed->dwFileVersionLS);
    }
    if (query(block.data(), L"\\VarFileInfo\\Translation", &value, &length) && length >= 2 * sizeof(WORD)) {
        const auto* translation = static_cast<const WORD*>(value);
        wchar_t key[64];
        ::wsprintfW(key, L"\\StringFileInfo\\%04x%04x\\ProductName", translation[0], translation[1]);
        if (query(block.data(), key, &value, &length) && length > 0)
            info.title.assign(static_cast<const wchar_t*>(value));
    }
    return info;
}

// Text of an error for the event log: the failing object's own description when it gave one,
// else the system's message for the status, else the status in hexadecimal.
std::wstring ErrorMessage(HRESULT status, BSTR description) {
    if (description && *description)
        return description;
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (n > 0 && text)
        message.assign(text, n);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    if (message.empty()) {
        wchar_t hex[16];
        ::wsprintfW(hex, L"0x%08X", static_cast<unsigned>(status));
        message = hex;
    }
    return message;
}

// The box is the embedded control's container. It offers a plain client site: a top-level
// dialog has no hyperlink frame of its own, so the control's hyperlink object falls back to
// the system's handler for the address.
class AboutControlSite final : public ComObject<IOleClientSite, IID_IOleClientSite> {
public:
    static ComPtr<IOleClientSite> Create() {
        // Assigned, then our own first reference dropped: mingw's ComPtr::Attach adds a
        // reference of its own, unlike the platform's.
        ComPtr<IOleClientSite> site;
        if (auto* created = new (std::nothrow) AboutControlSite()) {
            site = created;
            created->Release();
        }
        return site;
    }
    STDMETHODIMP SaveObject() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) noexcept override {
        if (!container)
            return E_POINTER;
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() noexcept override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

private:
    AboutControlSite() noexcept = default;
    ~AboutControlSite() override = default;
};

// While a modal box shows, the thread's other top-level windows take no input.
class ThreadWindowsDisabled {
public:
    explicit ThreadWindowsDisabled(HWND except) : except_(except) {
        ::EnumThreadWindows(::GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
        for (HWND window : windows_)
            ::EnableWindow(window, FALSE);
    }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;
    ~ThreadWindowsDisabled() {
        for (HWND window : windows_)
            if (::IsWindow(window))
                ::EnableWindow(window, TRUE);
    }

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self) {
        auto* me = reinterpret_cast<ThreadWindowsDisabled*>(self);
        if (window != me->except_ && ::IsWindowVisible(window) && ::IsWindowEnabled(window))
            me->windows_.push_back(window);
        return TRUE;
    }
    HWND except_;
    std::vector<HWND> windows_;
};

class FormAbout {
public:
    FormAbout() = default;
    FormAbout(const FormAbout&) = delete;
    FormAbout& operator=(const FormAbout&) = delete;
    ~FormAbout() { Destroy(); }

    // Creates the box (hidden), its embedded control, and runs Form_Load.
    HRESULT Load() {
        HRESULT hr = CreateEmbeddedJoystick();
        if (FAILED(hr))
            return hr;
        HWND box = CreateEmptyDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_DLGMODALFRAME,
                                     nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
        if (!box)
            return HRESULT_FROM_WIN32(::GetLastError());
        box_.reset(box);
        if (!created_)
            return E_FAIL;
        Form_Load();
        return S_OK;
    }

    // Shows the box modally, without an owner, until it is hidden.
    HRESULT ShowModal() {
        HWND box = box_.get();
        HWND previous = ::GetActiveWindow();
        {
            ThreadWindowsDisabled disabled(box);
            ::ShowWindow(box, SW_SHOWNORMAL);
            ::SetForegroundWindow(box);
            MSG msg;
            while (::IsWindow(box) && ::IsWindowVisible(box)) {
                BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
                if (got == -1)
                    break;
                if (got == 0) {
                    // The host is quitting: end the box and let its loop see the quit too.
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                    break;
                }
                if (!::IsDialogMessageW(box, &msg)) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageW(&msg);
                }
            }
        }
        if (previous && ::IsWindow(previous))
            ::SetActiveWindow(previous);
        return S_OK;
    }

    // Form_Unload, then the box and its control go.
    void Unload() {
        if (box_ && created_)
            Form_Unload();
        Destroy();
    }

private:
    HRESULT CreateEmbeddedJoystick() {
        ComPtr<IClassFactory> factory;
        HRESULT hr = ::DllGetClassObject(CLSID_ControlJoystick, IID_IClassFactory, &factory);
        if (FAILED(hr))
            return hr;
        ComPtr<IDispatch> control;
        hr = factory->CreateInstance(nullptr, IID_IDispatch, &control);
        if (FAILED(hr))
            return hr;
        // A container hands its site over before initialising the control; a control that
        // takes neither step still serves its hyperlink object.
        if (SUCCEEDED(control.As(&oleObject_))) {
            site_ = AboutControlSite::Create();
            if (site_)
                oleObject_->SetClientSite(site_.Get());
        }
        ComPtr<IPersistStreamInit> persist;
        if (SUCCEEDED(control.As(&persist)))
            persist->InitNew();
        joystick_ = control;
        return S_OK;
    }

    void ReleaseEmbeddedJoystick() {
        if (oleObject_) {
            oleObject_->Close(OLECLOSE_NOSAVE);
            oleObject_->SetClientSite(nullptr);
        }
        oleObject_.Reset();
        joystick_.Reset();
        site_.Reset();
    }

    void Destroy() {
        ReleaseEmbeddedJoystick();
        box_.reset();
        fontForm_.reset();
        fontTitle_.reset();
        fontTitleBold_.reset();
        titlePicture_.reset();
    }

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        FormAbout* self = nullptr;
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            self = reinterpret_cast<FormAbout*>(lParam);
        } else {
            self = reinterpret_cast<FormAbout*>(::GetWindowLongPtrW(window, DWLP_USER));
        }
        if (!self)
            return FALSE;
        // Nothing thrown may unwind through the system's window code.
        try {
            return self->HandleMessage(window, message, wParam, lParam);
        } catch (...) {
            return FALSE;
        }
    }

    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            created_ = OnInitDialog(window);
            return FALSE; // focus set on CommandOK
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            for (int i = 0; i < 2; ++i) {
                if (reinterpret_cast<HWND>(lParam) == ::GetDlgItem(window, IdLabelURLs0 + i)) {
                    HDC dc = reinterpret_cast<HDC>(wParam);
                    ::SetTextColor(dc, linkColors_[i]);
                    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
                    return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
                }
            }
            return FALSE;
        case WM_SETCURSOR:
            if (hand_ && LOWORD(lParam) == HTCLIENT &&
                (reinterpret_cast<HWND>(wParam) == ::GetDlgItem(window, IdLabelURLs0) ||
                 reinterpret_cast<HWND>(wParam) == ::GetDlgItem(window, IdLabelURLs1))) {
                ::SetCursor(hand_);
                ::SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_HELP: // F1 anywhere in the box reaches it here
            OpenHelp();
            return TRUE;
        case WM_CLOSE:
            ::ShowWindow(window, SW_HIDE);
            return TRUE;
        case WM_PAINT:
            OnPaint(window);
            return TRUE;
        }
        return FALSE;
    }

    bool OnInitDialog(HWND window) {
        dpi_ = ReadScreenDpi();
        ::SetWindowTextW(window, Wide(Caption));
        fontForm_.reset(CreateFormFont(dpi_));
        int titleHeight = -::MulDiv(TitleFontCentipoints, dpi_.y, 7200);
        fontTitle_.reset(::CreateFontW(titleHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_DONTCARE, TitleFontFace));
        fontTitleBold_.reset(::CreateFontW(titleHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, TitleFontFace));
        titlePicture_.reset(
            ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_ABOUT_TITLE), IMAGE_BITMAP, 0, 0, 0));
        hand_ = static_cast<HCURSOR>(
            ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDC_ABOUT_HAND), IMAGE_CURSOR, 0, 0, LR_SHARED));

        const HGDIOBJ fonts[FontCount] = {fontForm_.get(), fontTitle_.get(), fontTitleBold_.get()};
        for (const ControlLayout& layout : Controls)
            if (!CreateLayoutControl(window, layout, dpi_, fonts[layout.font]))
                return false;
        if (titlePicture_)
            ::SendDlgItemMessageW(window, IdImageTitle, STM_SETIMAGE, IMAGE_BITMAP,
                                  reinterpret_cast<LPARAM>(titlePicture_.get()));

        // Size the window around the designed client area and centre it on the work area.
        RECT frame = {0, 0, TwipsToPixels(ClientWidthTwips, dpi_.x),
                      TwipsToPixels(ClientHeightTwips, dpi_.y)};
        ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
        RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        int width = frame.right - frame.left;
        int height = frame.bottom - frame.top;
        ::SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                       work.top + (work.bottom - work.top - height) / 2, width, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetFocus(::GetDlgItem(window, IdCommandOK));
        return true;
    }

    void OnPaint(HWND window) {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(window, &paint);
        for (const RECT& t : ShapePanelsTwips) {
            RECT r = TwipsToPixels(t, dpi_);
            ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        }
        RECT further = TwipsToPixels(FurtherShapeTwips, dpi_);
        ::DrawEdge(dc, &further, EDGE_ETCHED, BF_RECT);
        for (const RECT& t : LinePanelsTwips) {
            RECT r = TwipsToPixels(t, dpi_);
            bool horizontal = r.top == r.bottom;
            r.right += horizontal ? 0 : 2;
            r.bottom += horizontal ? 2 : 0;
            ::DrawEdge(dc, &r, EDGE_ETCHED, horizontal ? BF_TOP : BF_LEFT);
        }
        ::EndPaint(window, &paint);
    }

    void OnCommand(int id, int notification) {
        switch (id) {
        case IdCommandOK:
        case IDCANCEL: // Esc and the window's close command act as OK
            if (notification == BN_CLICKED)
                CommandOK_Click();
            break;
        case IdCommandHelp:
            if (notification == BN_CLICKED)
                CommandHelp_Click();
            break;
        case IdLabelURLs0:
        case IdLabelURLs1:
            if (notification == STN_CLICKED)
                LabelURLs_Click(id - IdLabelURLs0);
            break;
        }
    }

    void Form_Load() {
        AppInfo app = ReadAppInfo();
        std::wstring line = app.title + L"\t" + std::to_wstring(app.major) + L"." +
                            std::to_wstring(app.minor) + L"," + std::to_wstring(app.revision) + L"\r\n";
        HWND text = ::GetDlgItem(box_.get(), IdTextAbout);
        int length = ::GetWindowTextLengthW(text);
        std::wstring current(static_cast<size_t>(length) + 1, L'\0');
        ::GetWindowTextW(text, current.data(), length + 1);
        current.resize(static_cast<size_t>(length));
        ::SetWindowTextW(text, (line + current).c_str());
        appTitle_ = app.title;
        for (COLORREF& color : linkColors_)
            color = ::GetSysColor(COLOR_HOTLIGHT);
    }

    void CommandOK_Click() { ::ShowWindow(box_.get(), SW_HIDE); }

    // Brings the box forward and sends it F1, without waiting; the box's F1 opens its help.
    void CommandHelp_Click() {
        ::SetForegroundWindow(box_.get());
        INPUT keys[2] = {};
        keys[0].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = VK_F1;
        keys[1] = keys[0];
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        if (::SendInput(2, keys, sizeof(INPUT)) != 2)
            RememberError(HRESULT_FROM_WIN32(::GetLastError()), nullptr);
    }

    void OpenHelp() {
        std::wstring file = ModuleFolder() + HelpFileName;
        ::WinHelpW(box_.get(), file.c_str(), HELP_CONTEXT, HelpContext);
    }

    // Hands the clicked caption to the hyperlink object of the embedded control. A failure is
    // remembered for the event log and goes no further: the host keeps running.
    void LabelURLs_Click(int index) {
        HRESULT hr = NavigateToCaption(index);
        (void)hr; // remembered by NavigateToCaption
    }

    HRESULT NavigateToCaption(int index) {
        if (!joystick_)
            return RememberError(E_POINTER, nullptr);
        ComPtr<IUnknown> hyperlink;
        HRESULT hr = InvokeHyperlink(&hyperlink);
        if (FAILED(hr))
            return hr;
        Bstr caption = ReadWindowText(::GetDlgItem(box_.get(), IdLabelURLs0 + index));
        if (!caption.get())
            return RememberError(E_OUTOFMEMORY, nullptr);
        Variant location, frame;
        location->vt = VT_BSTR;
        location->bstrVal = ::SysAllocString(L"");
        frame->vt = VT_BSTR;
        frame->bstrVal = ::SysAllocString(L"");
        if (!location->bstrVal || !frame->bstrVal)
            return RememberError(E_OUTOFMEMORY, nullptr);

        ComPtr<IContainerHyperlink> direct;
        if (SUCCEEDED(hyperlink.As(&direct))) {
            ::SetErrorInfo(0, nullptr);
            hr = direct->NavigateTo(caption.get(), *location.get(), *frame.get());
            if (FAILED(hr)) {
                ComPtr<IErrorInfo> info;
                Bstr description;
                if (::GetErrorInfo(0, &info) == S_OK)
                    info->GetDescription(description.put());
                return RememberError(hr, description.get());
            }
            return hr;
        }
        // An object that offers only late binding is called by name.
        ComPtr<IDispatch> late;
        hr = hyperlink.As(&late);
        if (FAILED(hr))
            return RememberError(hr, nullptr);
        DISPID navigate = DISPID_UNKNOWN;
        LPOLESTR name[] = {const_cast<LPOLESTR>(L"NavigateTo")};
        hr = late->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &navigate);
        if (FAILED(hr))
            return RememberError(hr, nullptr);
        VARIANT args[3]; // reverse order: FrameName, Location, Target
        args[0] = *frame.get();
        args[1] = *location.get();
        ::VariantInit(&args[2]);
        args[2].vt = VT_BSTR;
        args[2].bstrVal = caption.get();
        DISPPARAMS params = {args, nullptr, 3, 0};
        return InvokeChecked(late.Get(), navigate, DISPATCH_METHOD, &params, nullptr);
    }

    HRESULT InvokeHyperlink(ComPtr<IUnknown>* hyperlink) {
        Variant result;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        HRESULT hr = InvokeChecked(joystick_.Get(), DISPID_Hyperlink, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                   &none, result.get());
        if (FAILED(hr))
            return hr;
        IUnknown* object = result->vt == VT_DISPATCH  ? result->pdispVal
                           : result->vt == VT_UNKNOWN ? result->punkVal
                                                      : nullptr;
        if (!object)
            return RememberError(DISP_E_TYPEMISMATCH, nullptr);
        *hyperlink = object;
        return S_OK;
    }

    HRESULT InvokeChecked(IDispatch* target, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
        EXCEPINFO error = {};
        HRESULT hr =
            target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, &error, nullptr);
        if (hr == DISP_E_EXCEPTION) {
            if (error.pfnDeferredFillIn)
                error.pfnDeferredFillIn(&error);
            if (error.scode)
                hr = error.scode;
            else if (error.wCode)
                hr = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.wCode);
        }
        if (FAILED(hr))
            RememberError(hr, error.bstrDescription);
        FreeExcepInfo(error);
        return hr;
    }

    HRESULT RememberError(HRESULT status, BSTR description) {
        lastError_ = ErrorMessage(status, description);
        return status;
    }

    // One entry in the application event log, of the default (information) type, holding the
    // message of the most recent error of this box, empty when there was none.
    void Form_Unload() {
        UniqueEventSource log(::RegisterEventSourceW(nullptr, appTitle_.c_str()));
        if (!log)
            return;
        const wchar_t* strings[] = {lastError_.c_str()};
        ::ReportEventW(log.get(), EVENTLOG_INFORMATION_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    }

    UniqueGdi fontForm_;
    UniqueGdi fontTitle_;
    UniqueGdi fontTitleBold_;
    UniqueGdi titlePicture_;
    HCURSOR hand_ = nullptr; // shared resource cursor, owned by the system
    UniqueWindow box_;       // after the fonts and picture: destroyed first
    bool created_ = false;
    ScreenDpi dpi_;
    COLORREF linkColors_[2] = {};
    std::wstring appTitle_;
    std::wstring lastError_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleObject> oleObject_;
    ComPtr<IDispatch> joystick_;
};

} // namespace

HRESULT ShowFormAbout() noexcept {
    try {
        FormAbout box;
        HRESULT hr = box.Load();
        if (FAILED(hr))
            return hr;
        hr = box.ShowModal();
        box.Unload();
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace joystick
