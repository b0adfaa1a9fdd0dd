// Setup's only window: the product title, the install state, one of Install and Uninstall, the
// location message, the read-me document and Cancel. Laid out in twips and converted to pixels
// at the screen's DPI. The window class runs the platform's dialog manager (DefDlgProc), so Tab,
// access keys, Enter on the focused button and Esc (Cancel) work as in any dialog.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>

#include "base/text.h"
#include "installer/platform.h"
#include "installer/setup_script.h"
#include "setup/procedure_platform.h"
#include "win/twips.h"
#include "win/unique_handle.h"

namespace setup {

// The window's controls, in tab order, then the pictures without a tab index.
enum class MainWindowControl {
    ProductName,
    Copyright,
    TipFrame,
    Tip,
    ProgramLabel,
    TitleBox,
    Location,
    Install,
    Uninstall,
    Welcome,
    Cancel,
    TipPicture,
    TitlePicture,
    Count
};

class MainWindow final : private ProcedureView {
public:
    explicit MainWindow(const quorin::SetupSettings& settings) : settings_(settings) {}
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window, hidden, with its controls and load-time texts and colours. Raises
    // quorin::RuntimeError when the platform refuses the window.
    void Create();
    // Shows the window and runs its messages until it is hidden (Cancel) or closed.
    void ShowModal();

    HWND hwnd() const noexcept { return hwnd_; }
    HWND Control(MainWindowControl c) const noexcept { return controls_[static_cast<size_t>(c)]; }
    quorin::InstallState state() const noexcept { return state_; }

    // What the window does when the user acts; each runs from the window's messages.
    // The first activation: the install state from the install record, the buttons offered.
    void Activate();
    void SelectTitleText();
    // The location message: where the product goes or is removed from.
    void ShowLocation();
    // Opens the read-me document with NOTEPAD.
    void OpenDocument();
    void Install();
    void Uninstall();
    void Cancel();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    void OnCommand(int id, int code);
    void OnPaint();
    HBRUSH OnControlColor(HDC dc, HWND control);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    bool OnSetCursor(HWND over);
    void LoadPictures();
    void CreateControls();
    void SetButtonPicture(HWND button, HICON icon, size_t slot);
    void ShowLoadTexts();
    int Px(int twips) const noexcept { return quorin::win::TwipsToPixels(twips, dpi_.x); }
    int ShowMessage(uint32_t id, uint32_t style, const std::vector<quorin::Text>& values = {});

    // ProcedureView: what the procedures show while they run.
    int ShowMessageBox(const quorin::Text& text, uint32_t style) override;
    void EnableButton(quorin::ProcedureButton button, bool enabled) override;
    void ShowTip(uint32_t id) override;
    void SetPointer(int32_t pointer) override;

    const quorin::SetupSettings& settings_;
    quorin::InstallState state_ = quorin::InstallState::InstalledElsewhere;
    HWND hwnd_ = nullptr;
    quorin::win::ScreenDpi dpi_;
    std::array<HWND, static_cast<size_t>(MainWindowControl::Count)> controls_{};
    quorin::win::UniqueGdi formFont_, titleFont_, copyrightFont_, locationFont_;
    quorin::win::UniqueGdi locationBrush_;
    COLORREF locationBack_ = 0, locationFore_ = 0;
    quorin::win::UniqueIcon bigIcon_, smallIcon_, titleIcon_, tipIcon_, installIcon_, uninstallIcon_;
    std::array<HIMAGELIST, 2> buttonImages_{};
    bool activated_ = false;
    // Set while a procedure runs. Its pauses let messages sent by other programs through; no
    // handler may start then (input from the user is dropped, see DropUserInput).
    bool busy_ = false;
    int32_t pointer_ = quorin::kPointerDefault;
    bool visible_ = false;
};

} // namespace setup
