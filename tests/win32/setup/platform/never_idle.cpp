// A GUI program that never reaches a message loop, as a self-registering program stuck in its
// start-up would: it only sleeps. It ends by itself after a minute so a failed test leaves
// nothing running for long.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    for (int i = 0; i < 600; ++i)
        ::Sleep(100);
    return 0;
}
