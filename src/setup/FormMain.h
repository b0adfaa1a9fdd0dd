// The main window: its life as the start-up routine drives it, its event handlers, and its
// controls for the tests.
#pragma once

#include <windows.h>

namespace setup {

// Creates the window and runs Form_Load.
void FormMainLoad();
// Shows the window modally; returns when it is hidden (Cancel) or closed.
void FormMainShowModal();
// Destroys the window (Form_Unload).
void FormMainUnload();

// The window's controls, in tab order, then the pictures without a tab index.
enum class FormMainControl {
    LabelTitle,
    LabelCopyright,
    FrameTip,
    LabelTip,
    LabelInfo,
    TextTitle,
    LabelPath,
    CommandInstall,
    CommandUninstall,
    CommandWelcome,
    CommandCancel,
    ImageTip,
    ImageTitle,
};

// The window and its controls while loaded; null otherwise.
HWND FormMainWindow();
HWND FormMainControlWindow(FormMainControl control);
// Pixels for a length in twips at the window's DPI (1440 twips per inch).
int FormMainTwipsToPixels(int twips);

// Event handlers, run by the window's messages.
void Form_Activate();
void TextTitle_GotFocus();
void LabelPath_Click();
void CommandWelcome_Click();
void RunInstall();
void RunUninstall();
void CommandCancel_Click();

} // namespace setup
