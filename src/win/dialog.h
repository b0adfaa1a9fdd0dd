// Dialogs built from a table of controls laid out in twips, the procedure that hands their
// messages to an object, and a modal loop for a box without an owner.
#pragma once

#include <windows.h>

#include "win/twips.h"

namespace quorin::win {

// A dialog without a template's controls, made from style bits alone; the form creates its
// controls in WM_INITDIALOG, and the dialog manager still handles their tab order and access keys.
HWND CreateEmptyDialog(HINSTANCE instance, DWORD style, DWORD exStyle, HWND parent, DLGPROC proc,
                       LPARAM param) noexcept;

// The dialog procedure of a form object: the LPARAM of the dialog's creation is the object,
// kept with the window, and every later message goes to its HandleMessage. Nothing thrown may
// unwind through the system's window code.
template <typename Form> INT_PTR CALLBACK FormDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!form)
        return FALSE;
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
    try {
        return form->HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

// Shows `box` and dispatches the thread's messages until the box is hidden or destroyed. The
// thread's other top-level windows take no input meanwhile, and the window that was active gets
// the activation back. A quit message ends the loop and is posted again for the caller's loop.
void RunModalUntilHidden(HWND box);

} // namespace quorin::win
