// A library without self-registration entry points.
#include <windows.h>

extern "C" __declspec(dllexport) LONG WINAPI PlainLibraryValue() {
    return 1;
}
