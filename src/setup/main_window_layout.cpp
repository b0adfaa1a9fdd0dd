// The main window's making: its controls as designed in twips, its fonts, pictures and colours.
#include "setup/main_window.h"

#include "base/runtime_error.h"
#include "installer/messages.h"
#include "setup/platform/routines.h"
#include "setup/program.h"
#include "setup/resource_ids.h"
#include "win/ansi.h"
#include "win/twips.h"

namespace setup {
namespace {

using Ctl = MainWindowControl;

constexpr wchar_t kWindowClass[] = L"QuorinSetupMainWindow";

// The client area, in twips.
constexpr int kClientWidth = 4800;
constexpr int kClientHeight = 3600;
constexpr int kFrameLeft = 150;
constexpr int kFrameTop = 1050;

// The window's fonts, as the layout table's font index names them.
enum Font { kFormFont, kTitleFont, kCopyrightFont, kLocationFont };

// In tab order; the pictures, which have no tab index, last. Esc presses Cancel (IDCANCEL)
// through the dialog manager.
const quorin::win::ControlLayout kControls[] = {
    {1001, L"STATIC", u"", SS_LEFT | SS_NOPREFIX, 0, {750, 150, 3900, 195}, kTitleFont},
    {1002, L"STATIC", u"", SS_LEFT | SS_NOPREFIX, 0, {750, 375, 3900, 420}, kCopyrightFont},
    {1003, L"BUTTON", u"", BS_GROUPBOX, 0, {kFrameLeft, kFrameTop, 4515, 840}},
    {1004, L"STATIC", u"", SS_LEFT | SS_NOPREFIX, 0, {kFrameLeft + 750, kFrameTop + 225, 3615, 465}},
    {1005, L"STATIC", u"プログラム(&P)", SS_LEFT, 0, {150, 2025, 2865, 240}},
    {1006, L"EDIT", u"", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE, {150, 2250, 2865, 315}},
    {1007, L"STATIC", u"プログラムの場所は...", SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX, 0, {150, 2700, 1425, 180},
     kLocationFont},
    {1008, L"BUTTON", u"追加する(&I)...", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, {3150, 2025, 1515, 840}},
    {1009, L"BUTTON", u"削除する(&U)...", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, {3150, 2025, 1515, 840}},
    {1010, L"BUTTON", u"ようこそ(&W)", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, {150, 3150, 1515, 315}},
    {IDCANCEL, L"BUTTON", u"キャンセル", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, {3150, 3150, 1515, 315}},
    {1012, L"STATIC", u"", SS_OWNERDRAW, 0, {kFrameLeft + 150, kFrameTop + 225, 480, 480}},
    {1013, L"STATIC", u"", SS_OWNERDRAW, 0, {150, 150, 480, 480}},
};
static_assert(std::size(kControls) == static_cast<size_t>(Ctl::Count), "one layout per control");

// The header band and the two etched separators (a button-shadow line over a 30-twip strip
// with a button-highlight border).
constexpr RECT kTitleBand = {0, 0, 4815, 915};
struct Separator {
    int left, right, top;
};
constexpr Separator kSeparators[] = {{0, 4800, 900}, {150, 4650, 3000}};
constexpr int kSeparatorHeight = 30;

// System-colour references for the location label's fixed colours: button face and hot-tracked
// item (the hyperlink colour).
constexpr uint32_t kButtonFace = 0x8000000F;
constexpr uint32_t kHotTrack = 0x8000001A;

// An icon from an icon file carried as raw data: the file's directory picks the image that
// fits `size` best.
HICON IconFromData(HINSTANCE instance, int id, int size) {
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), RT_RCDATA);
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
        if (best < 0 || (w >= size && (bestSize < size || w < bestSize)) || (bestSize < size && w > bestSize)) {
            best = i;
            bestSize = w;
        }
    }
    if (best < 0)
        return nullptr;
    const BYTE* entry = data + 6 + 16 * best;
    const DWORD bytes = entry[8] | (entry[9] << 8) | (entry[10] << 16) | (static_cast<DWORD>(entry[11]) << 24);
    const DWORD offset = entry[12] | (entry[13] << 8) | (entry[14] << 16) | (static_cast<DWORD>(entry[15]) << 24);
    if (offset > length || bytes > length - offset)
        return nullptr;
    return ::CreateIconFromResourceEx(data + offset, bytes, TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

HICON LoadSetupIcon(HINSTANCE instance, int size) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
}

} // namespace

void MainWindow::Create() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    dpi_ = quorin::win::ReadScreenDpi();
    LoadPictures();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &MainWindow::WindowProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = bigIcon_.get();
    wc.hIconSm = smallIcon_.get();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc); // fails harmlessly when a test makes the window twice

    // A fixed frame with a system menu and a minimise box, centred in the work area.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS;
    const DWORD exStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = work.left + ((work.right - work.left) - width) / 2;
    const int y = work.top + ((work.bottom - work.top) - height) / 2;
    hwnd_ = ::CreateWindowExW(exStyle, kWindowClass, L"", style, x, y, width, height, nullptr, nullptr, instance,
                              this);
    if (hwnd_ == nullptr)
        throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "the main window cannot be created");
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    CreateControls();
    ShowLoadTexts();
}

void MainWindow::LoadPictures() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const int picture = Px(480);
    bigIcon_.reset(LoadSetupIcon(instance, 32));
    smallIcon_.reset(LoadSetupIcon(instance, 16));
    titleIcon_.reset(LoadSetupIcon(instance, picture));
    tipIcon_.reset(IconFromData(instance, IDI_TIP_PICTURE, picture));
    installIcon_.reset(IconFromData(instance, IDI_INSTALL_PICTURE, 32));
    uninstallIcon_.reset(IconFromData(instance, IDI_UNINSTALL_PICTURE, 32));
}

void MainWindow::CreateControls() {
    using quorin::win::CreatePointFont;
    // The window's font, "MS UI Gothic" 9 pt, Shift-JIS; the header's "Tahoma" 8.25 pt.
    formFont_.reset(CreatePointFont(L"MS UI Gothic", 900, FW_NORMAL, SHIFTJIS_CHARSET, dpi_));
    titleFont_.reset(CreatePointFont(L"Tahoma", 825, FW_BOLD, ANSI_CHARSET, dpi_));
    copyrightFont_.reset(CreatePointFont(L"Tahoma", 825, FW_NORMAL, ANSI_CHARSET, dpi_));
    locationFont_.reset(CreatePointFont(L"MS UI Gothic", 900, FW_NORMAL, SHIFTJIS_CHARSET, dpi_, true));
    const HGDIOBJ fonts[] = {formFont_.get(), titleFont_.get(), copyrightFont_.get(), locationFont_.get()};
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (size_t i = 0; i < std::size(kControls); ++i) {
        quorin::win::ControlLayout layout = kControls[i];
        layout.style |= WS_CLIPSIBLINGS;
        controls_[i] = quorin::win::CreateLayoutControl(instance, hwnd_, layout, dpi_, fonts[layout.font]);
    }
    // Install and Uninstall wait for the state to be decided; Welcome for a document.
    ::ShowWindow(Control(Ctl::Install), SW_HIDE);
    ::ShowWindow(Control(Ctl::Uninstall), SW_HIDE);
    ::EnableWindow(Control(Ctl::Welcome), FALSE);
    // The frame lies under the status text and picture it groups.
    ::SetWindowPos(Control(Ctl::TipFrame), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetButtonPicture(Control(Ctl::Install), installIcon_.get(), 0);
    SetButtonPicture(Control(Ctl::Uninstall), uninstallIcon_.get(), 1);
}

// The button's icon above its caption; where the image list is not supported, beside it.
void MainWindow::SetButtonPicture(HWND button, HICON icon, size_t slot) {
    if (icon == nullptr)
        return;
    HIMAGELIST list = ::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (list != nullptr && ::ImageList_AddIcon(list, icon) >= 0) {
        BUTTON_IMAGELIST images{};
        images.himl = list;
        images.margin = RECT{0, 2, 0, 0};
        images.uAlign = BUTTON_IMAGELIST_ALIGN_TOP;
        if (::SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images))) {
            buttonImages_[slot] = list;
            return;
        }
    }
    if (list != nullptr)
        ::ImageList_Destroy(list);
    ::SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

void MainWindow::ShowLoadTexts() {
    ::SetWindowTextW(hwnd_, quorin::win::W(ApplicationTitle()));
    ::SetWindowTextW(Control(Ctl::ProductName), quorin::win::W(LoadText(quorin::kIdProductName)));
    ::SetWindowTextW(Control(Ctl::Copyright), quorin::win::W(LoadText(quorin::kIdCopyright)));
    // Looked up once and kept as fixed colours: a later change of scheme does not reach them.
    locationBack_ = SystemColor(kButtonFace);
    locationFore_ = SystemColor(kHotTrack);
    locationBrush_.reset(::CreateSolidBrush(locationBack_));
}

MainWindow::~MainWindow() {
    if (hwnd_ != nullptr)
        ::DestroyWindow(hwnd_);
    for (HIMAGELIST list : buttonImages_)
        if (list != nullptr)
            ::ImageList_Destroy(list);
}

void MainWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd_, &ps);
    const RECT band = quorin::win::TwipsToPixels(
        RECT{kTitleBand.left, kTitleBand.top, kTitleBand.right, kTitleBand.bottom}, dpi_);
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

HBRUSH MainWindow::OnControlColor(HDC dc, HWND control) {
    if (control == Control(Ctl::ProductName) || control == Control(Ctl::Copyright) ||
        control == Control(Ctl::TitlePicture)) {
        ::SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return ::GetSysColorBrush(COLOR_WINDOW);
    }
    if (control == Control(Ctl::Location) && locationBrush_) {
        ::SetTextColor(dc, locationFore_);
        ::SetBkColor(dc, locationBack_);
        return static_cast<HBRUSH>(locationBrush_.get());
    }
    ::SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    ::SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const bool title = item.hwndItem == Control(Ctl::TitlePicture);
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(title ? COLOR_WINDOW : COLOR_BTNFACE));
    HICON icon = title ? titleIcon_.get() : tipIcon_.get();
    if (icon != nullptr)
        ::DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, icon, item.rcItem.right - item.rcItem.left,
                     item.rcItem.bottom - item.rcItem.top, 0, nullptr, DI_NORMAL);
}

} // namespace setup
