// The copyright and version box behind the control's hidden About member. It shows the
// library's title and version (read from its own version resource), the copyright text, two
// links that go out through the hyperlink object of an embedded control, and help.
#include "joystick/about_box/about_box.h"

#include <new>
#include <string>

#include "joystick/about_box/about_box_resources.h"
#include "joystick/about_box/embedded_control.h"
#include "joystick/forms.h"
#include "joystick/module_state.h"
#include "win/automation.h"
#include "win/dialog.h"
#include "win/module_info.h"
#include "win/unique_handle.h"

namespace joystick {
namespace {

using quorin::win::Bstr;
using quorin::win::ControlLayout;
using quorin::win::ScreenDpi;
using quorin::win::TwipsToPixels;
using quorin::win::UniqueGdi;
using quorin::win::UniqueHandle;
using quorin::win::UniqueWindow;
using quorin::win::Wide;

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
// The text as designed; loading the box puts the version line in front of it.
constexpr char16_t DesignText[] = u"Copyright (C) 2001-2004 Ombrel Works.\r\nAll rights reserved.";

enum ControlId : int {
    IdTitlePicture = 1100,
    IdTitle,
    IdSubtitle,
    IdText,
    IdWebLink,
    IdMailLink,
    IdOk = IDOK,
    IdHelp = 1110,
};
constexpr int LinkCount = 2; // IdWebLink, IdMailLink

// The box's fonts, as ControlLayout::font counts them.
enum FontIndex : int { FontForm, FontTitle, FontTitleBold, FontCount };

// Creation order is the tab order.
const ControlLayout Controls[] = {
    {IdTitlePicture, L"STATIC", u"", SS_BITMAP, 0, {180, 180, 720, 720}},
    {IdTitle, L"STATIC", u"Ombrel's Gantrel", SS_LEFT | SS_NOPREFIX, 0, {1140, 300, 3960, 240}, FontTitleBold},
    {IdSubtitle,
     L"STATIC",
     u"powered by SideWinder GamePad",
     SS_LEFT | SS_NOPREFIX,
     0,
     {1140, 570, 3960, 240},
     FontTitle},
    {IdText,
     L"EDIT",
     DesignText,
     ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE,
     {180, 1110, 5040, 810}},
    {IdWebLink, L"STATIC", WebAddress, SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, {180, 2040, 3450, 240}},
    {IdMailLink, L"STATIC", MailAddress, SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, {180, 2340, 3450, 240}},
    {IdOk, L"BUTTON", u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, {4020, 1950, 1200, 330}},
    {IdHelp, L"BUTTON", HelpCaption, BS_PUSHBUTTON | WS_TABSTOP, 0, {4020, 2310, 1200, 330}},
};

// Decoration drawn on the box itself, in twips (left, top, right, bottom).
constexpr RECT PanelsTwips[] = {{120, 120, 960, 960}, {1020, 120, 5280, 960}};
constexpr RECT LinksPanelTwips = {120, 1980, 3750, 2640};
constexpr RECT LinesTwips[] = {{120, 1035, 5280, 1035}, {3870, 1980, 3870, 2640}};

struct EventSourcePolicy {
    static HANDLE Invalid() noexcept { return nullptr; }
    static bool IsValid(HANDLE h) noexcept { return h != nullptr; }
    static void Close(HANDLE h) noexcept { ::DeregisterEventSource(h); }
};
using UniqueEventSource = UniqueHandle<HANDLE, EventSourcePolicy>;

// Text of an error for the event log: the failing object's own description when it gave one,
// else the system's message for the status, else the status in hexadecimal.
std::wstring ErrorMessage(HRESULT status, BSTR description) {
    if (description && *description)
        return description;
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
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

class AboutBox {
public:
    AboutBox() = default;
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;
    ~AboutBox() { Destroy(); }

    // Creates the box (hidden) and its embedded control, then adds the version line.
    HRESULT Load() {
        HRESULT hr = control_.Create();
        if (FAILED(hr))
            return hr;
        HWND box = quorin::win::CreateEmptyDialog(
            ModuleInstance(), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_DLGMODALFRAME, nullptr,
            quorin::win::FormDialogProc<AboutBox>, reinterpret_cast<LPARAM>(this));
        if (!box)
            return HRESULT_FROM_WIN32(::GetLastError());
        box_.reset(box);
        if (!created_)
            return E_FAIL;
        AddVersionLine();
        return S_OK;
    }

    // Writes the event log entry, then the box and its control go.
    void Unload() {
        if (box_ && created_)
            WriteLogEntry();
        Destroy();
    }

    HWND Window() const noexcept { return box_.get(); }

    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Destroy() {
        control_.Release();
        box_.reset();
        fontForm_.reset();
        fontTitle_.reset();
        fontTitleBold_.reset();
        titlePicture_.reset();
    }

    bool OnInitDialog(HWND window);
    void PlaceCentred(HWND window);
    void OnPaint(HWND window);
    void OnCommand(int id, int notification);
    bool OnCtlColor(HWND label, HDC dc, INT_PTR& brush);
    bool OnSetCursor(HWND window, HWND over, UINT hitTest);
    void AddVersionLine();
    void Close() { ::ShowWindow(box_.get(), SW_HIDE); }
    void PressF1();
    void OpenHelp() {
        ::WinHelpW(box_.get(), HelpFilePath().c_str(), HELP_CONTEXT, HelpContext);
    }
    void OnLinkClicked(int id);
    void RememberError(HRESULT status, BSTR description) { lastError_ = ErrorMessage(status, description); }
    void WriteLogEntry();

    UniqueGdi fontForm_;
    UniqueGdi fontTitle_;
    UniqueGdi fontTitleBold_;
    UniqueGdi titlePicture_;
    HCURSOR hand_ = nullptr; // shared resource cursor, owned by the system
    UniqueWindow box_;       // after the fonts and picture: destroyed first
    bool created_ = false;
    ScreenDpi dpi_;
    COLORREF linkColour_ = 0;
    std::wstring appTitle_;
    std::wstring lastError_;
    EmbeddedControl control_;
};

INT_PTR AboutBox::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR brush = 0;
    switch (message) {
    case WM_INITDIALOG:
        created_ = OnInitDialog(window);
        return FALSE; // focus set on OK
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnCtlColor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), brush) ? brush : FALSE;
    case WM_SETCURSOR:
        return OnSetCursor(window, reinterpret_cast<HWND>(wParam), LOWORD(lParam));
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

bool AboutBox::OnInitDialog(HWND window) {
    dpi_ = quorin::win::ReadScreenDpi();
    ::SetWindowTextW(window, Wide(Caption));
    fontForm_.reset(CreateFormFont(dpi_));
    fontTitle_.reset(quorin::win::CreatePointFont(TitleFontFace, TitleFontCentipoints, FW_NORMAL,
                                                  DEFAULT_CHARSET, dpi_));
    fontTitleBold_.reset(
        quorin::win::CreatePointFont(TitleFontFace, TitleFontCentipoints, FW_BOLD, DEFAULT_CHARSET, dpi_));
    titlePicture_.reset(
        ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_ABOUT_TITLE), IMAGE_BITMAP, 0, 0, 0));
    hand_ = static_cast<HCURSOR>(
        ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDC_ABOUT_HAND), IMAGE_CURSOR, 0, 0, LR_SHARED));

    const HGDIOBJ fonts[FontCount] = {fontForm_.get(), fontTitle_.get(), fontTitleBold_.get()};
    for (const ControlLayout& layout : Controls)
        if (!quorin::win::CreateLayoutControl(ModuleInstance(), window, layout, dpi_, fonts[layout.font]))
            return false;
    if (titlePicture_)
        ::SendDlgItemMessageW(window, IdTitlePicture, STM_SETIMAGE, IMAGE_BITMAP,
                              reinterpret_cast<LPARAM>(titlePicture_.get()));
    PlaceCentred(window);
    ::SetFocus(::GetDlgItem(window, IdOk));
    return true;
}

// Sizes the window around the designed client area and centres it on the work area.
void AboutBox::PlaceCentred(HWND window) {
    RECT frame = {0, 0, TwipsToPixels(ClientWidthTwips, dpi_.x), TwipsToPixels(ClientHeightTwips, dpi_.y)};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    ::SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutBox::OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    for (const RECT& t : PanelsTwips) {
        RECT r = TwipsToPixels(t, dpi_);
        ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    }
    RECT links = TwipsToPixels(LinksPanelTwips, dpi_);
    ::DrawEdge(dc, &links, EDGE_ETCHED, BF_RECT);
    for (const RECT& t : LinesTwips) {
        RECT r = TwipsToPixels(t, dpi_);
        const bool horizontal = r.top == r.bottom;
        r.right += horizontal ? 0 : 2;
        r.bottom += horizontal ? 2 : 0;
        ::DrawEdge(dc, &r, EDGE_ETCHED, horizontal ? BF_TOP : BF_LEFT);
    }
    ::EndPaint(window, &paint);
}

void AboutBox::OnCommand(int id, int notification) {
    switch (id) {
    case IdOk:
    case IDCANCEL: // Esc and the window's close command act as OK
        if (notification == BN_CLICKED)
            Close();
        break;
    case IdHelp:
        if (notification == BN_CLICKED)
            PressF1();
        break;
    case IdWebLink:
    case IdMailLink:
        if (notification == STN_CLICKED)
            OnLinkClicked(id);
        break;
    }
}

bool AboutBox::OnCtlColor(HWND label, HDC dc, INT_PTR& brush) {
    if (label != ::GetDlgItem(box_.get(), IdWebLink) && label != ::GetDlgItem(box_.get(), IdMailLink))
        return false;
    ::SetTextColor(dc, linkColour_);
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    brush = reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
    return true;
}

bool AboutBox::OnSetCursor(HWND window, HWND over, UINT hitTest) {
    if (!hand_ || hitTest != HTCLIENT ||
        (over != ::GetDlgItem(window, IdWebLink) && over != ::GetDlgItem(window, IdMailLink)))
        return false;
    ::SetCursor(hand_);
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
    return true;
}

// The title, a tab, major.minor,revision and a line break go in front of the designed text.
void AboutBox::AddVersionLine() {
    const quorin::win::VersionInfo app = quorin::win::ReadVersionInfo(ModuleInstance());
    // wsprintfW rather than std::to_wstring, which links the C runtime's floating-point
    // formatter into the control.
    wchar_t version[48];
    ::wsprintfW(version, L"\t%u.%u,%u\r\n", app.major, app.minor, app.revision);
    const std::wstring line = app.productName + version;
    HWND text = ::GetDlgItem(box_.get(), IdText);
    const Bstr current = quorin::win::ReadWindowText(text);
    ::SetWindowTextW(text, (line + (current.get() ? current.get() : L"")).c_str());
    appTitle_ = app.productName;
    linkColour_ = ::GetSysColor(COLOR_HOTLIGHT);
}

// Brings the box forward and sends it F1, without waiting; the box's F1 opens its help.
void AboutBox::PressF1() {
    ::SetForegroundWindow(box_.get());
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_F1;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (::SendInput(2, keys, sizeof(INPUT)) != 2)
        RememberError(HRESULT_FROM_WIN32(::GetLastError()), nullptr);
}

// Hands the clicked caption to the hyperlink object of the embedded control. A failure is
// remembered for the event log and goes no further: the host keeps running.
void AboutBox::OnLinkClicked(int id) {
    const Bstr caption = quorin::win::ReadWindowText(::GetDlgItem(box_.get(), id));
    if (!caption.get())
        return RememberError(E_OUTOFMEMORY, nullptr);
    Bstr description;
    const HRESULT hr = control_.NavigateTo(caption.get(), &description);
    if (FAILED(hr))
        RememberError(hr, description.get());
}

// One entry in the application event log, of the default (information) type, holding the
// message of the most recent error of this box, empty when there was none.
void AboutBox::WriteLogEntry() {
    UniqueEventSource log(::RegisterEventSourceW(nullptr, appTitle_.c_str()));
    if (!log)
        return;
    const wchar_t* strings[] = {lastError_.c_str()};
    ::ReportEventW(log.get(), EVENTLOG_INFORMATION_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
}

} // namespace

HRESULT ShowAboutBox() noexcept {
    try {
        AboutBox box;
        const HRESULT hr = box.Load();
        if (FAILED(hr))
            return hr;
        quorin::win::RunModalUntilHidden(box.Window());
        box.Unload();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace joystick
