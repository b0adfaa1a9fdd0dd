// FormMain, Setup's only window: the product title, the install state, one of Install and
// Uninstall, the location message, the read-me document and Cancel. Laid out in twips and
// converted to pixels at the screen's DPI. The window class runs the platform's dialog manager
// (DefDlgProc), so Tab, access keys, Enter on the focused button and Esc (Cancel) work as in
// any dialog.
#include "FormMain.h"

#include <commctrl.h>

#include <array>
#include <memory>
#include <string>

#include "FormMainRes.h"
#include "GeneralMain.h"
#include "GeneralWin32ExAPI.h"
#include "SettingsStore.h"
#include "installer/procedures.h"
#include "base/runtime_error.h"
#include "winsupport/ansi.h"
#include "winsupport/unique_handle.h"

using quorin::Text;
using quorin::win::UniqueGdi;
using quorin::win::UniqueIcon;
using quorin::win::W;

static_assert(IDS_NAMES_OUTSIDE_FOLDER == quorin::kIdNamesOutsideFolder,
              "FormMain.rc and the procedures agree");
static_assert(IDS_CANNOT_OPEN_DOCUMENT == quorin::kIdCannotOpenDocument, "FormMain.rc and the window agree");
static_assert(IDS_NOT_INSTALLED == quorin::kIdNotInstalled &&
                  IDS_NOT_UNINSTALLED == quorin::kIdNotUninstalled &&
                  IDS_RECORD_NOT_SAVED == quorin::kIdRecordNotSaved &&
                  IDS_ENTRY_NOT_WRITTEN == quorin::kIdEntryNotWritten &&
                  IDS_ENTRY_NOT_REMOVED == quorin::kIdEntryNotRemoved,
              "FormMain.rc and the procedures agree");

namespace setup {

namespace {

constexpr wchar_t kWindowClass[] = L"QuorinSetupFormMain";
constexpr UINT kSelectAllMessage = WM_APP + 1;

// System-colour references given to SystemColor for LabelPath's fixed colours.
constexpr uint32_t kButtonFace = 0x8000000F;
constexpr uint32_t kHotTrack = 0x8000001A;

// The client area and the places of the controls, in twips.
constexpr int kClientWidth = 4800;
constexpr int kClientHeight = 3600;
constexpr int kFrameLeft = 150;
constexpr int kFrameTop = 1050;

struct TwipRect {
    int left, top, width, height;
};

struct ControlLayout {
    FormMainControl control;
    int id;
    const wchar_t* windowClass;
    const char16_t* caption;
    DWORD style;
    DWORD exStyle;
    TwipRect place; // in the window's client area
};

constexpr int kIdCommandCancel = IDCANCEL; // Esc presses Cancel through the dialog manager

// In tab order; the pictures, which have no tab index, last.
constexpr std::array<ControlLayout, 13> kControls = {{
    {FormMainControl::LabelTitle, 1001, L"STATIC", u"", SS_LEFT | SS_NOPREFIX, 0, {750, 150, 3900, 195}},
    {FormMainControl::LabelCopyright, 1002, L"STATIC", u"", SS_LEFT | SS_NOPREFIX, 0, {750, 375, 3900, 420}},
    {FormMainControl::FrameTip, 1003, L"BUTTON", u"", BS_GROUPBOX, 0, {kFrameLeft, kFrameTop, 4515, 840}},
    {FormMainControl::LabelTip,
     1004,
     L"STATIC",
     u"",
     SS_LEFT | SS_NOPREFIX,
     0,
     {kFrameLeft + 750, kFrameTop + 225, 3615, 465}},
    {FormMainControl::LabelInfo, 1005, L"STATIC", u"プログラム(&P)", SS_LEFT, 0, {150, 2025, 2865, 240}},
    {FormMainControl::TextTitle,
     1006,
     L"EDIT",
     u"",
     ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP,
     WS_EX_CLIENTEDGE,
     {150, 2250, 2865, 315}},
    {FormMainControl::LabelPath,
     1007,
     L"STATIC",
     u"プログラムの場所は...",
     SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX,
     0,
     {150, 2700, 1425, 180}},
    {FormMainControl::CommandInstall,
     1008,
     L"BUTTON",
     u"追加する(&I)...",
     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP,
     0,
     {3150, 2025, 1515, 840}},
    {FormMainControl::CommandUninstall,
     1009,
     L"BUTTON",
     u"削除する(&U)...",
     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP,
     0,
     {3150, 2025, 1515, 840}},
    {FormMainControl::CommandWelcome,
     1010,
     L"BUTTON",
     u"ようこそ(&W)",
     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP,
     0,
     {150, 3150, 1515, 315}},
    {FormMainControl::CommandCancel,
     kIdCommandCancel,
     L"BUTTON",
     u"キャンセル",
     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP,
     0,
     {3150, 3150, 1515, 315}},
    {FormMainControl::ImageTip,
     1012,
     L"STATIC",
     u"",
     SS_OWNERDRAW,
     0,
     {kFrameLeft + 150, kFrameTop + 225, 480, 480}},
    {FormMainControl::ImageTitle, 1013, L"STATIC", u"", SS_OWNERDRAW, 0, {150, 150, 480, 480}},
}};

// Handlers and tests find a control's entry by its enumerator.
constexpr bool ControlsInEnumOrder() {
    for (size_t i = 0; i < kControls.size(); ++i)
        if (static_cast<size_t>(kControls[i].control) != i)
            return false;
    return true;
}
static_assert(ControlsInEnumOrder(), "kControls lists the controls in FormMainControl's order");

// The tag texts of the two buttons, which LabelPath shows.
constexpr char16_t kInstallTag[] = u"追加する場所は...";
constexpr char16_t kUninstallTag[] = u"削除する場所は...";

// The header band and the two etched separators (a button-shadow line over a 30-twip strip
// with a button-highlight border).
constexpr TwipRect kShapeTitle = {0, 0, 4815, 915};
struct Separator {
    int left, right, top;
};
constexpr std::array<Separator, 2> kSeparators = {{{0, 4800, 900}, {150, 4650, 3000}}};
constexpr int kSeparatorHeight = 30;

// Point sizes times 100.
constexpr int kFormFontSize = 900;
constexpr int kTahomaSize = 825;

class FormMain;
std::unique_ptr<FormMain> g_form;

// An icon from an icon file carried as raw data: the file's directory picks the image that
// fits `size` best.
HICON IconFromData(HINSTANCE instance, int id, int size) {
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    auto* data = static_cast<BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    const DWORD length = found ? ::SizeofResource(instance, found) : 0;
    // The file: reserved, type 1, image count; then one 16-byte entry per image (width,
    // height, ..., byte count at 8, file offset at 12). The image closest to `size` wins.
    if (data == nullptr || length < 6 + 16)
        return nullptr;
    const WORD count = static_cast<WORD>(data[4] | (data[5] << 8));
    int best = -1, bestSize = 0;
    for (WORD i = 0; i < count && 6u + 16u * (i + 1u) <= length; ++i) {
        const int w = data[6 + 16 * i] == 0 ? 256 : data[6 + 16 * i];
        if (best < 0 || (w >= size && (bestSize < size || w < bestSize)) ||
            (bestSize < size && w > bestSize)) {
            best = i;
            bestSize = w;
        }
    }
    if (best < 0)
        return nullptr;
    const BYTE* entry = data + 6 + 16 * best;
    const DWORD bytes =
        entry[8] | (entry[9] << 8) | (entry[10] << 16) | (static_cast<DWORD>(entry[11]) << 24);
    const DWORD offset =
        entry[12] | (entry[13] << 8) | (entry[14] << 16) | (static_cast<DWORD>(entry[15]) << 24);
    if (offset > length || bytes > length - offset)
        return nullptr;
    return ::CreateIconFromResourceEx(data + offset, bytes, TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

// The Win32 side of the install and uninstall procedures: the real calls, with the window's
// status shown on FormMain.
class FormPlatform : public quorin::InstallPlatform {
public:
    explicit FormPlatform(FormMain& form) : form_(form) {}
    Text ProgramFolder() override { return setup::ProgramFolder(); }
    int32_t ShowMessage(uint32_t id, uint32_t style, const std::vector<Text>& values) override;
    void EnableButton(quorin::ProcedureButton button, bool enabled) override;
    void ShowTip(uint32_t id) override;
    void SetMousePointer(int32_t pointer) override;
    void Pause(uint32_t milliseconds) override;
    quorin::PlaceOutcome PlaceFile(const Text& folder, const quorin::SetupEntry& entry) override {
        return setup::PlaceFileWithOutcome(folder, entry);
    }
    bool RegisterComponent(const Text& path) override { return setup::RegisterComponent(path); }
    bool UnregisterComponent(const Text& path) override { return setup::UnregisterComponent(path); }
    void DeleteFile(const Text& path) override;
    quorin::SettingsStore& Settings() override { return store_; }
    void UpdateUninstallEntry(const quorin::SetupSettings& settings, const Text& keyName) override {
        setup::UpdateUninstallEntry(settings, keyName);
        if (!setup::UninstallEntryIsUpdated(settings, keyName))
            throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "the uninstall entry was refused");
    }
    std::vector<Text> OwnFiles() override { return setup::SetupOwnFiles(); }

private:
    FormMain& form_;
    RegistrySettingsStore store_;
};

class FormMain {
public:
    bool Create();
    void Destroy();

    HWND hwnd() const { return hwnd_; }
    HWND Control(FormMainControl c) const { return controls_[static_cast<size_t>(c)]; }
    int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }
    RECT PxRect(const TwipRect& r) const {
        return RECT{Px(r.left), Px(r.top), Px(r.left + r.width), Px(r.top + r.height)};
    }

    // Message boxes: owned by the window, the application title as caption, the ANSI
    // interface.
    int ShowMessageBox(const Text& text, UINT style);
    int ShowMessageById(uint32_t id, UINT style, const std::vector<quorin::Variant>& values = {}) {
        return ShowMessageBox(EmbedValues(LoadResString(id), values), style);
    }

    void SetTip(uint32_t id);
    void SetPointer(int32_t pointer);
    void ShowModal();

    void Form_Load();
    void Form_Activate();
    void TextTitle_GotFocus();
    void LabelPath_Click();
    void CommandWelcome_Click();
    void RunInstall();
    void RunUninstall();
    void CommandCancel_Click();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    void OnPaint();
    void OnCommand(int id, int code);
    HBRUSH OnControlColor(HDC dc, HWND control);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    bool OnSetCursor(HWND over);
    void CreateFonts();
    void CreateControls();
    void SetButtonPicture(HWND button, int iconId);

    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    std::array<HWND, kControls.size()> controls_{};
    UniqueGdi formFont_, titleFont_, copyrightFont_, pathFont_;
    UniqueGdi pathBrush_;
    COLORREF pathBack_ = 0, pathFore_ = 0;
    UniqueIcon bigIcon_, smallIcon_, titleIcon_, tipIcon_, installIcon_, uninstallIcon_;
    std::array<HIMAGELIST, 2> buttonImages_{};
    bool activated_ = false;
    // Set while a procedure runs. Its pauses let messages sent by other programs through; no
    // handler may start then (input from the user is dropped, see DropUserInput).
    bool busy_ = false;
    int32_t pointer_ = quorin::kPointerDefault;
    bool visible_ = false;
};

// ---------------------------------------------------------------------------------------------
// The window.

bool FormMain::Create() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);

    {
        HDC screen = ::GetDC(nullptr);
        dpi_ = ::GetDeviceCaps(screen, LOGPIXELSX);
        ::ReleaseDC(nullptr, screen);
        if (dpi_ <= 0)
            dpi_ = 96;
    }
    const int iconPx = Px(480);
    bigIcon_.reset(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0)));
    smallIcon_.reset(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0)));
    titleIcon_.reset(
        static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, iconPx, iconPx, 0)));
    tipIcon_.reset(IconFromData(instance, IDI_FORM_TIP, iconPx));
    installIcon_.reset(IconFromData(instance, IDI_FORM_INSTALL, 32));
    uninstallIcon_.reset(IconFromData(instance, IDI_FORM_UNINSTALL, 32));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FormMain::WindowProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = bigIcon_.get();
    wc.hIconSm = smallIcon_.get();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc); // fails harmlessly when a test loads the window twice

    // A fixed frame with a system menu and a minimise box, centred in the work area. The
    // caption is set at load.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS;
    const DWORD exStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = work.left + ((work.right - work.left) - width) / 2;
    const int y = work.top + ((work.bottom - work.top) - height) / 2;
    hwnd_ = ::CreateWindowExW(exStyle, kWindowClass, L"", style, x, y, width, height, nullptr, nullptr,
                              instance, this);
    if (hwnd_ == nullptr)
        return false;
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    CreateFonts();
    CreateControls();
    return true;
}

void FormMain::CreateFonts() {
    auto font = [&](const wchar_t* face, int sizeTimes100, int weight, bool underline, BYTE charset) {
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(sizeTimes100, dpi_, 7200);
        lf.lfWeight = weight;
        lf.lfUnderline = underline ? TRUE : FALSE;
        lf.lfCharSet = charset;
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
        return ::CreateFontIndirectW(&lf);
    };
    formFont_.reset(font(L"MS UI Gothic", kFormFontSize, FW_NORMAL, false, SHIFTJIS_CHARSET));
    titleFont_.reset(font(L"Tahoma", kTahomaSize, FW_BOLD, false, ANSI_CHARSET));
    copyrightFont_.reset(font(L"Tahoma", kTahomaSize, FW_NORMAL, false, ANSI_CHARSET));
    pathFont_.reset(font(L"MS UI Gothic", kFormFontSize, FW_NORMAL, true, SHIFTJIS_CHARSET));
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);
}

void FormMain::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (size_t i = 0; i < kControls.size(); ++i) {
        const ControlLayout& layout = kControls[i];
        const RECT r = PxRect(layout.place);
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | layout.style;
        // Install and Uninstall start hidden; the rest visible. Welcome starts disabled.
        if (layout.control != FormMainControl::CommandInstall &&
            layout.control != FormMainControl::CommandUninstall)
            style |= WS_VISIBLE;
        if (layout.control == FormMainControl::CommandWelcome)
            style |= WS_DISABLED;
        HWND h =
            ::CreateWindowExW(layout.exStyle, layout.windowClass, W(Text(layout.caption)), style, r.left,
                              r.top, r.right - r.left, r.bottom - r.top, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
        controls_[i] = h;
        HGDIOBJ font = formFont_.get();
        if (layout.control == FormMainControl::LabelTitle)
            font = titleFont_.get();
        else if (layout.control == FormMainControl::LabelCopyright)
            font = copyrightFont_.get();
        else if (layout.control == FormMainControl::LabelPath)
            font = pathFont_.get();
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    // The frame lies under the status text and picture it groups.
    ::SetWindowPos(Control(FormMainControl::FrameTip), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetButtonPicture(Control(FormMainControl::CommandInstall), 0);
    SetButtonPicture(Control(FormMainControl::CommandUninstall), 1);
}

// The button's icon above its caption; where the image list is not supported, beside it.
void FormMain::SetButtonPicture(HWND button, int which) {
    HICON icon = which == 0 ? installIcon_.get() : uninstallIcon_.get();
    if (icon == nullptr)
        return;
    HIMAGELIST list = ::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (list != nullptr && ::ImageList_AddIcon(list, icon) >= 0) {
        BUTTON_IMAGELIST bil{};
        bil.himl = list;
        bil.margin = RECT{0, 2, 0, 0};
        bil.uAlign = BUTTON_IMAGELIST_ALIGN_TOP;
        if (::SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil))) {
            buttonImages_[static_cast<size_t>(which)] = list;
            return;
        }
    }
    if (list != nullptr)
        ::ImageList_Destroy(list);
    ::SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

void FormMain::Destroy() {
    if (hwnd_ != nullptr)
        ::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    for (HIMAGELIST& list : buttonImages_) {
        if (list != nullptr)
            ::ImageList_Destroy(list);
        list = nullptr;
    }
}

LRESULT CALLBACK FormMain::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    FormMain* self = reinterpret_cast<FormMain*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<FormMain*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self != nullptr) {
        // Errors never leave a window procedure: a handler that fails just ends.
        bool handled = false;
        LRESULT result = 0;
        try {
            result = self->Handle(msg, wp, lp, handled);
        } catch (const std::exception&) {
            handled = true;
        }
        if (handled)
            return result;
    }
    return ::DefDlgProcW(hwnd, msg, wp, lp);
}

LRESULT FormMain::Handle(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = true;
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_COMMAND:
        if (!busy_)
            OnCommand(LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(
            OnControlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wp)))
            return TRUE;
        break;
    case kSelectAllMessage:
        ::SendMessageW(Control(FormMainControl::TextTitle), EM_SETSEL, 0,
                       ::GetWindowTextLengthW(Control(FormMainControl::TextTitle)));
        return 0;
    case WM_CLOSE:
        // Closing ends the modal display like Cancel; the window is unloaded by Main.
        if (busy_)
            return 0;
        visible_ = false;
        ::ShowWindow(hwnd_, SW_HIDE);
        return 0;
    default:
        break;
    }
    handled = false;
    return 0;
}

void FormMain::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd_, &ps);
    const RECT band = PxRect(kShapeTitle);
    ::FillRect(dc, &band, ::GetSysColorBrush(COLOR_WINDOW));
    for (const Separator& s : kSeparators) {
        RECT strip{Px(s.left), Px(s.top), Px(s.right), Px(s.top + kSeparatorHeight)};
        if (strip.bottom - strip.top < 2)
            strip.bottom = strip.top + 2;
        ::FrameRect(dc, &strip, ::GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        RECT line{strip.left, strip.top, strip.right, strip.top + 1};
        ::FillRect(dc, &line, ::GetSysColorBrush(COLOR_BTNSHADOW));
    }
    ::EndPaint(hwnd_, &ps);
}

HBRUSH FormMain::OnControlColor(HDC dc, HWND control) {
    if (control == Control(FormMainControl::LabelTitle) ||
        control == Control(FormMainControl::LabelCopyright) ||
        control == Control(FormMainControl::ImageTitle)) {
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        return ::GetSysColorBrush(COLOR_WINDOW);
    }
    if (control == Control(FormMainControl::LabelPath) && pathBrush_) {
        ::SetTextColor(dc, pathFore_);
        ::SetBkColor(dc, pathBack_);
        return static_cast<HBRUSH>(pathBrush_.get());
    }
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

void FormMain::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const bool title = item.hwndItem == Control(FormMainControl::ImageTitle);
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(title ? COLOR_WINDOW : COLOR_BTNFACE));
    HICON icon = title ? titleIcon_.get() : tipIcon_.get();
    if (icon != nullptr)
        ::DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, icon, item.rcItem.right - item.rcItem.left,
                     item.rcItem.bottom - item.rcItem.top, 0, nullptr, DI_NORMAL);
}

bool FormMain::OnSetCursor(HWND over) {
    // The program-wide pointer wins over every window's own.
    if (pointer_ == quorin::kPointerHourglass) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return true;
    }
    if (over == Control(FormMainControl::LabelPath)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return true;
    }
    return false;
}

void FormMain::OnCommand(int id, int code) {
    auto is = [&](FormMainControl c) { return id == kControls[static_cast<size_t>(c)].id; };
    if (is(FormMainControl::TextTitle) && code == EN_SETFOCUS)
        TextTitle_GotFocus();
    else if (is(FormMainControl::LabelPath) && code == STN_CLICKED)
        LabelPath_Click();
    else if (code == BN_CLICKED || code == 0) {
        if (is(FormMainControl::CommandWelcome))
            CommandWelcome_Click();
        else if (is(FormMainControl::CommandInstall))
            RunInstall();
        else if (is(FormMainControl::CommandUninstall))
            RunUninstall();
        else if (is(FormMainControl::CommandCancel))
            CommandCancel_Click();
    }
}

int FormMain::ShowMessageBox(const Text& text, UINT style) {
    const std::string ansiText = quorin::win::ToAnsi(text);
    const std::string caption = quorin::win::ToAnsi(ApplicationTitle());
    return setup::MessageBoxA(hwnd_, ansiText.c_str(), caption.c_str(), style);
}

void FormMain::SetTip(uint32_t id) {
    ::SetWindowTextW(Control(FormMainControl::LabelTip), W(LoadResString(id)));
    // Repaint the frame and what it holds at once, so the text shows before work starts.
    RECT r{};
    ::GetWindowRect(Control(FormMainControl::FrameTip), &r);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    ::RedrawWindow(hwnd_, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void FormMain::SetPointer(int32_t pointer) {
    pointer_ = pointer;
    ::SetCursor(::LoadCursorW(nullptr, pointer == quorin::kPointerHourglass ? IDC_WAIT : IDC_ARROW));
}

void FormMain::ShowModal() {
    visible_ = true;
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::SetForegroundWindow(hwnd_);
    ::UpdateWindow(hwnd_);
    // The window becomes the application's active window once per run: now.
    Form_Activate();
    // The focus starts on the first control that takes it.
    if (HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE))
        ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    MSG msg;
    while (visible_ && ::IsWindowVisible(hwnd_)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!::IsDialogMessageW(hwnd_, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Event handlers.

void FormMain::Form_Load() {
    ::SetWindowTextW(hwnd_, W(ApplicationTitle()));
    ::SetWindowTextW(Control(FormMainControl::LabelTitle), W(LoadResString(1)));
    ::SetWindowTextW(Control(FormMainControl::LabelCopyright), W(LoadResString(2)));
    // Looked up once and kept as fixed colours: a later change of scheme does not reach them.
    pathBack_ = SystemColor(kButtonFace);
    pathFore_ = SystemColor(kHotTrack);
    pathBrush_.reset(::CreateSolidBrush(pathBack_));
}

void FormMain::Form_Activate() {
    if (activated_)
        return;
    activated_ = true;
    ::SetWindowTextW(Control(FormMainControl::LabelTip), W(LoadResString(quorin::kIdTipIdle)));
    ::SetWindowTextW(Control(FormMainControl::TextTitle), W(SetupSettings.Title));
    RegistrySettingsStore store;
    const Text record =
        store.GetSetting(quorin::kRecordApplication, quorin::kRecordSection, SetupSettings.Title, Text());
    InstallState = quorin::DecideInstallState(record, ProgramFolder());
    if (InstallState == quorin::InstallState::InstalledElsewhere)
        ShowMessageById(quorin::kIdInstalledElsewhere, quorin::kMbOkStop);
    ::EnableWindow(Control(FormMainControl::CommandWelcome), SetupSettings.Document.empty() ? FALSE : TRUE);
    HWND path = Control(FormMainControl::LabelPath);
    switch (InstallState) {
    case quorin::InstallState::NotInstalled:
        ::SetWindowTextW(path, W(Text(kInstallTag)));
        break;
    case quorin::InstallState::InstalledHere:
        ::SetWindowTextW(path, W(Text(kUninstallTag)));
        break;
    default:
        ::ShowWindow(path, SW_HIDE);
        break;
    }
    ::ShowWindow(Control(FormMainControl::CommandInstall),
                 InstallState == quorin::InstallState::NotInstalled ? SW_SHOW : SW_HIDE);
    ::ShowWindow(Control(FormMainControl::CommandUninstall),
                 InstallState == quorin::InstallState::InstalledHere ? SW_SHOW : SW_HIDE);
}

void FormMain::TextTitle_GotFocus() {
    HWND text = Control(FormMainControl::TextTitle);
    ::SendMessageW(text, EM_SETSEL, 0, ::GetWindowTextLengthW(text));
    // A click places the caret after the focus arrives; select again once it is done.
    ::PostMessageW(hwnd_, kSelectAllMessage, 0, 0);
}

void FormMain::LabelPath_Click() {
    uint32_t id = 0;
    if (InstallState == quorin::InstallState::NotInstalled)
        id = quorin::kIdWhereInstall;
    else if (InstallState == quorin::InstallState::InstalledHere)
        id = quorin::kIdWhereUninstall;
    else
        return;
    ShowMessageById(id, quorin::kMbOkExclamation, {quorin::Variant(ProgramFolder())});
}

void FormMain::CommandWelcome_Click() {
    const Text commandLine = u"NOTEPAD \"" + JoinPath(ProgramFolder(), SetupSettings.Document) + u"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    Text writable = commandLine; // CreateProcessW may write into it
    if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(writable.data()), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &info)) {
        ShowMessageById(quorin::kIdCannotOpenDocument, quorin::kMbOkExclamation,
                        {quorin::Variant(commandLine)});
        return;
    }
    // Not waited for: NOTEPAD runs on its own.
    quorin::win::UniqueHandleObj process(info.hProcess), thread(info.hThread);
}

void FormMain::RunInstall() {
    FormPlatform platform(*this);
    busy_ = true;
    quorin::RunInstall(SetupSettings, platform);
    busy_ = false;
}

void FormMain::RunUninstall() {
    FormPlatform platform(*this);
    busy_ = true;
    quorin::RunUninstall(SetupSettings, platform);
    busy_ = false;
}

void FormMain::CommandCancel_Click() {
    visible_ = false;
    ::ShowWindow(hwnd_, SW_HIDE);
}

// ---------------------------------------------------------------------------------------------
// The procedures' platform.

// Keys and clicks that reached the window while a procedure worked are dropped. Held, they would
// be read by the next message box's loop: Enter or Esc would answer a box before the user saw
// it, and a click would act on the window once the procedure is over.
void DropUserInput() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE)) {
    }
}

int32_t FormPlatform::ShowMessage(uint32_t id, uint32_t style, const std::vector<Text>& values) {
    DropUserInput();
    std::vector<quorin::Variant> variants(values.begin(), values.end());
    return form_.ShowMessageById(id, style, variants);
}

void FormPlatform::EnableButton(quorin::ProcedureButton button, bool enabled) {
    ::EnableWindow(form_.Control(button == quorin::ProcedureButton::Install
                                     ? FormMainControl::CommandInstall
                                     : FormMainControl::CommandUninstall),
                   enabled ? TRUE : FALSE);
}

void FormPlatform::ShowTip(uint32_t id) {
    form_.SetTip(id);
}

void FormPlatform::SetMousePointer(int32_t pointer) {
    form_.SetPointer(pointer);
}

// The procedures take no input until they end, but the window must not turn white or be
// reported as not responding: during a pause only paint messages (and messages sent by other
// threads, which the platform delivers while it looks) are handled; clicks and keys are dropped.
void FormPlatform::Pause(uint32_t milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            ::DispatchMessageW(&msg);
        DropUserInput();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now),
                                    QS_PAINT | QS_SENDMESSAGE);
    }
}

void FormPlatform::DeleteFile(const Text& path) {
    if (!::DeleteFileW(W(path))) {
        const DWORD error = ::GetLastError();
        throw quorin::RuntimeError(error == ERROR_FILE_NOT_FOUND ? quorin::ErrorCode::FileNotFound
                                                                 : quorin::ErrorCode::PlatformFailure,
                                   quorin::ToUtf8(path));
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The module's entry points.

void FormMainLoad() {
    g_form = std::make_unique<FormMain>();
    if (!g_form->Create()) {
        g_form.reset();
        throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "the main window cannot be created");
    }
    g_form->Form_Load();
}

void FormMainShowModal() {
    if (g_form)
        g_form->ShowModal();
}

void FormMainUnload() {
    if (g_form)
        g_form->Destroy();
    g_form.reset();
}

HWND FormMainWindow() {
    return g_form ? g_form->hwnd() : nullptr;
}

HWND FormMainControlWindow(FormMainControl control) {
    return g_form ? g_form->Control(control) : nullptr;
}

int FormMainTwipsToPixels(int twips) {
    return g_form ? g_form->Px(twips) : MulDiv(twips, 96, 1440);
}

void Form_Activate() {
    if (g_form)
        g_form->Form_Activate();
}
void TextTitle_GotFocus() {
    if (g_form)
        g_form->TextTitle_GotFocus();
}
void LabelPath_Click() {
    if (g_form)
        g_form->LabelPath_Click();
}
void CommandWelcome_Click() {
    if (g_form)
        g_form->CommandWelcome_Click();
}
void RunInstall() {
    if (g_form)
        g_form->RunInstall();
}
void RunUninstall() {
    if (g_form)
        g_form->RunUninstall();
}
void CommandCancel_Click() {
    if (g_form)
        g_form->CommandCancel_Click();
}

} // namespace setup
