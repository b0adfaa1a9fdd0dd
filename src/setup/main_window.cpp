// The main window's messages and what it does when the user acts.
#include "setup/main_window.h"

#include "basic/string_routines.h"
#include "installer/messages.h"
#include "installer/paths.h"
#include "installer/procedures.h"
#include "setup/platform/routines.h"
#include "setup/platform/settings_store.h"
#include "setup/program.h"
#include "win/ansi.h"

namespace setup {
namespace {

using Ctl = MainWindowControl;
using quorin::win::W;

constexpr UINT kSelectAllMessage = WM_APP + 1;

// The tag texts of the two buttons, which the location label shows.
constexpr char16_t kInstallTag[] = u"追加する場所は...";
constexpr char16_t kUninstallTag[] = u"削除する場所は...";

} // namespace

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self != nullptr) {
        // Errors never leave a window procedure: a handler that fails just ends.
        bool handled = false;
        LRESULT result = 0;
        try {
            result = self->Handle(msg, wp, lp, handled);
        } catch (...) {
            handled = true;
        }
        if (handled)
            return result;
    }
    return ::DefDlgProcW(hwnd, msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
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
        return reinterpret_cast<LRESULT>(OnControlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
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
        ::SendMessageW(Control(Ctl::TitleBox), EM_SETSEL, 0, ::GetWindowTextLengthW(Control(Ctl::TitleBox)));
        return 0;
    case WM_CLOSE:
        // The title bar's close button ends the modal display like Cancel.
        if (!busy_)
            Cancel();
        return 0;
    default:
        break;
    }
    handled = false;
    return 0;
}

void MainWindow::OnCommand(int id, int code) {
    auto is = [&](Ctl c) { return Control(c) != nullptr && id == ::GetDlgCtrlID(Control(c)); };
    if (is(Ctl::TitleBox) && code == EN_SETFOCUS)
        SelectTitleText();
    else if (is(Ctl::Location) && code == STN_CLICKED)
        ShowLocation();
    else if (code == BN_CLICKED || code == 0) {
        if (is(Ctl::Welcome))
            OpenDocument();
        else if (is(Ctl::Install))
            Install();
        else if (is(Ctl::Uninstall))
            Uninstall();
        else if (is(Ctl::Cancel))
            Cancel();
    }
}

bool MainWindow::OnSetCursor(HWND over) {
    // The program-wide pointer wins over every window's own.
    if (pointer_ == quorin::kPointerHourglass) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return true;
    }
    if (over == Control(Ctl::Location)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return true;
    }
    return false;
}

void MainWindow::ShowModal() {
    visible_ = true;
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::SetForegroundWindow(hwnd_);
    ::UpdateWindow(hwnd_);
    // The window becomes the application's active window once per run: now.
    Activate();
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

int MainWindow::ShowMessageBox(const quorin::Text& text, uint32_t style) {
    const std::string ansiText = quorin::win::ToAnsi(text);
    const std::string caption = quorin::win::ToAnsi(ApplicationTitle());
    return MessageBoxA(hwnd_, ansiText.c_str(), caption.c_str(), style);
}

int MainWindow::ShowMessage(uint32_t id, uint32_t style, const std::vector<quorin::Text>& values) {
    const std::vector<quorin::Variant> variants(values.begin(), values.end());
    return ShowMessageBox(quorin::EmbedValues(LoadText(id), variants), style);
}

void MainWindow::EnableButton(quorin::ProcedureButton button, bool enabled) {
    ::EnableWindow(Control(button == quorin::ProcedureButton::Install ? Ctl::Install : Ctl::Uninstall),
                   enabled ? TRUE : FALSE);
}

void MainWindow::ShowTip(uint32_t id) {
    ::SetWindowTextW(Control(Ctl::Tip), W(LoadText(id)));
    // Repaint the frame and what it holds at once, so the text shows before work starts.
    RECT r{};
    ::GetWindowRect(Control(Ctl::TipFrame), &r);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    ::RedrawWindow(hwnd_, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void MainWindow::SetPointer(int32_t pointer) {
    pointer_ = pointer;
    ::SetCursor(::LoadCursorW(nullptr, pointer == quorin::kPointerHourglass ? IDC_WAIT : IDC_ARROW));
}

void MainWindow::Activate() {
    if (activated_)
        return;
    activated_ = true;
    ::SetWindowTextW(Control(Ctl::Tip), W(LoadText(quorin::kIdTipIdle)));
    ::SetWindowTextW(Control(Ctl::TitleBox), W(settings_.Title));
    const quorin::Text record =
        RegistrySettingsStore().GetSetting(quorin::kRecordApplication, quorin::kRecordSection, settings_.Title, {});
    state_ = quorin::DecideInstallState(record, ProgramFolder());
    if (state_ == quorin::InstallState::InstalledElsewhere)
        ShowMessage(quorin::kIdInstalledElsewhere, quorin::kMbOkStop);
    ::EnableWindow(Control(Ctl::Welcome), settings_.Document.empty() ? FALSE : TRUE);
    HWND location = Control(Ctl::Location);
    if (state_ == quorin::InstallState::NotInstalled)
        ::SetWindowTextW(location, W(kInstallTag));
    else if (state_ == quorin::InstallState::InstalledHere)
        ::SetWindowTextW(location, W(kUninstallTag));
    else
        ::ShowWindow(location, SW_HIDE);
    ::ShowWindow(Control(Ctl::Install), state_ == quorin::InstallState::NotInstalled ? SW_SHOW : SW_HIDE);
    ::ShowWindow(Control(Ctl::Uninstall), state_ == quorin::InstallState::InstalledHere ? SW_SHOW : SW_HIDE);
}

void MainWindow::SelectTitleText() {
    HWND box = Control(Ctl::TitleBox);
    ::SendMessageW(box, EM_SETSEL, 0, ::GetWindowTextLengthW(box));
    // A click places the caret after the focus arrives; select again once it is done.
    ::PostMessageW(hwnd_, kSelectAllMessage, 0, 0);
}

void MainWindow::ShowLocation() {
    if (state_ == quorin::InstallState::NotInstalled)
        ShowMessage(quorin::kIdWhereInstall, quorin::kMbOkExclamation, {ProgramFolder()});
    else if (state_ == quorin::InstallState::InstalledHere)
        ShowMessage(quorin::kIdWhereUninstall, quorin::kMbOkExclamation, {ProgramFolder()});
}

void MainWindow::OpenDocument() {
    const quorin::Text commandLine = u"NOTEPAD \"" + quorin::JoinFolder(ProgramFolder(), settings_.Document) + u"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    quorin::Text writable = commandLine; // CreateProcessW may write into it
    if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(writable.data()), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info)) {
        ShowMessage(quorin::kIdCannotOpenDocument, quorin::kMbOkExclamation, {commandLine});
        return;
    }
    // Not waited for: NOTEPAD runs on its own.
    OwnedHandle process(info.hProcess), thread(info.hThread);
}

void MainWindow::Install() {
    ProcedurePlatform platform(*this, state_);
    busy_ = true;
    quorin::RunInstall(settings_, platform);
    busy_ = false;
}

void MainWindow::Uninstall() {
    ProcedurePlatform platform(*this, state_);
    busy_ = true;
    quorin::RunUninstall(settings_, platform);
    busy_ = false;
}

void MainWindow::Cancel() {
    visible_ = false;
    ::ShowWindow(hwnd_, SW_HIDE);
}

} // namespace setup
