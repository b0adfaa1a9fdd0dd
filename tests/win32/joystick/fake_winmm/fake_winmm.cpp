// A test-only stand-in for the system's multimedia library: joyGetPos replays scripted
// readings so that the control's scan tick can be driven through a real message loop.
// The script comes from the environment variable FAKEWINMM_SCRIPT, either inline or, after an
// "@", from a file: entries "x,y,buttons[,result]" separated by ";" or new lines. Each call
// takes the next entry; after the last one the last entry repeats. A non-zero result leaves
// the record untouched, as the service does for a missing joystick.
// Defines the service rather than importing it.
#define _WINMM_
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Entry {
    UINT x, y, buttons, result;
};

std::vector<Entry> g_script;
LONG g_calls = 0;
bool g_loaded = false;

void LoadScript() {
    g_script.clear();
    g_calls = 0;
    g_loaded = true;
    char buffer[8192];
    DWORD n = GetEnvironmentVariableA("FAKEWINMM_SCRIPT", buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return;
    std::string text(buffer, n);
    if (!text.empty() && text[0] == '@') {
        FILE* f = std::fopen(text.c_str() + 1, "rb");
        text.clear();
        if (!f)
            return;
        int c;
        while ((c = std::fgetc(f)) != EOF)
            text.push_back(static_cast<char>(c));
        std::fclose(f);
    }
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(";\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string item = text.substr(pos, end - pos);
        Entry e{0, 0, 0, 0};
        if (std::sscanf(item.c_str(), "%u,%u,%u,%u", &e.x, &e.y, &e.buttons, &e.result) >= 3)
            g_script.push_back(e);
        pos = end + 1;
    }
}

} // namespace

extern "C" {

MMRESULT WINAPI joyGetPos(UINT, JOYINFO* info) {
    if (!g_loaded)
        LoadScript();
    if (!info)
        return MMSYSERR_INVALPARAM;
    const LONG index = g_calls++;
    if (g_script.empty())
        return JOYERR_UNPLUGGED;
    const Entry& e = g_script[static_cast<size_t>(index) < g_script.size() ? index : g_script.size() - 1];
    if (e.result != 0)
        return e.result;
    info->wXpos = e.x;
    info->wYpos = e.y;
    info->wZpos = 0;
    info->wButtons = e.buttons;
    return JOYERR_NOERROR;
}

// For the test: the number of readings taken, and a fresh start from the current script.
__declspec(dllexport) LONG FakeJoyCalls() {
    return g_calls;
}
__declspec(dllexport) void FakeJoyReset() {
    LoadScript();
}
}
