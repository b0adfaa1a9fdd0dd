// A test-only stand-in for the system's multimedia library: joyGetPos replays scripted readings
// so that the control's scan tick can be driven through a real message loop. A script is a list
// of readings "x,y,buttons[,result]" separated by ";"; each call takes the next one, and after
// the last one the last repeats. A non-zero result leaves the record untouched, as the service
// does for a missing joystick; without a script every call reports a missing joystick.
#define _WINMM_ // defines the service rather than importing it
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Reading {
    UINT x, y, buttons, result;
};

std::vector<Reading> g_script;
LONG g_calls = 0;

} // namespace

extern "C" {

MMRESULT WINAPI joyGetPos(UINT, JOYINFO* info) {
    const size_t index = static_cast<size_t>(g_calls++);
    if (g_script.empty())
        return JOYERR_UNPLUGGED;
    const Reading& r = g_script[index < g_script.size() ? index : g_script.size() - 1];
    if (r.result == 0)
        *info = {r.x, r.y, 0, r.buttons};
    return r.result;
}

// For the test: a fresh start with a new script, and the number of readings taken since.
__declspec(dllexport) void FakeJoyScript(const char* script) {
    g_script.clear();
    g_calls = 0;
    const std::string text = script;
    for (size_t pos = 0; pos < text.size();) {
        const size_t end = text.find(';', pos) == std::string::npos ? text.size() : text.find(';', pos);
        Reading r{0, 0, 0, 0};
        if (std::sscanf(text.substr(pos, end - pos).c_str(), "%u,%u,%u,%u", &r.x, &r.y, &r.buttons, &r.result) >= 3)
            g_script.push_back(r);
        pos = end + 1;
    }
}
__declspec(dllexport) LONG FakeJoyCalls() {
    return g_calls;
}
}
