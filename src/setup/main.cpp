// Setup's entry point: the program takes no command-line arguments.
#include <windows.h>

#include "setup/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Failures are never shown to Setup's user; an error that reaches this far ends the program
    // quietly instead of aborting it.
    try {
        return setup::RunSetup();
    } catch (...) {
        return 3;
    }
}
