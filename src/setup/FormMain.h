// The main window's life as the start-up routine drives it.
#pragma once

namespace setup {

// Creates the window and runs Form_Load.
void FormMainLoad();
// Shows the window modally; returns when it is hidden (Cancel) or closed.
void FormMainShowModal();
// Destroys the window (Form_Unload).
void FormMainUnload();

} // namespace setup
