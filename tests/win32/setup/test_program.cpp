// Stands in for the programs Setup starts (a self-registering program, NOTEPAD): records the
// command line it was started with under HKEY_CURRENT_USER\Software\Quorin Test Programs, as
// the value named by its own file name, and ends; with /Hang it never reaches a message loop, as
// a program stuck in its start-up, and ends after a minute so a failed test leaves nothing behind.
#include <windows.h>

#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* line = ::GetCommandLineW();
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Quorin Test Programs", std::wcsrchr(path, L'\\') + 1, REG_SZ, line,
                      static_cast<DWORD>((std::wcslen(line) + 1) * sizeof(wchar_t)));
    if (std::wcsstr(line, L" /Hang"))
        ::Sleep(60000);
    return 0;
}
