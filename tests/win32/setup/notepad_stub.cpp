// Stands in for NOTEPAD beside a copy of the window's test: records the command line it was
// started with in the file named by QUORIN_NOTEPAD_LOG (UTF-16), then ends. The record is
// written under another name and renamed, so a reader never sees it half written.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t log[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"QUORIN_NOTEPAD_LOG", log, MAX_PATH) == 0)
        return 1;
    const std::wstring partial = std::wstring(log) + L".part";
    HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const wchar_t* commandLine = ::GetCommandLineW();
    DWORD written = 0;
    ::WriteFile(file, commandLine, static_cast<DWORD>(::lstrlenW(commandLine) * sizeof(wchar_t)), &written,
                nullptr);
    ::CloseHandle(file);
    return ::MoveFileW(partial.c_str(), log) ? 0 : 1;
}
