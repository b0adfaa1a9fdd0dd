#include "setup/platform/routines.h"

#include "win/ansi.h"

namespace setup {

DeclaredFunction<decltype(&::Sleep)> Sleep("KERNEL32", "Sleep");
DeclaredFunction<decltype(&::MessageBoxA)> MessageBoxA("USER32", "MessageBoxA");
DeclaredFunction<decltype(&::OpenProcess)> OpenProcess("KERNEL32", "OpenProcess");
DeclaredFunction<decltype(&::CloseHandle)> CloseHandle("KERNEL32", "CloseHandle");
DeclaredFunction<decltype(&::WaitForInputIdle)> WaitForInputIdle("USER32", "WaitForInputIdle");
DeclaredFunction<decltype(&::GetSysColor)> GetSysColor("USER32", "GetSysColor");
DeclaredFunction<RegisterServerFn> RegisterServer("Setup.DLL", "RegisterServer");
DeclaredFunction<UnregisterServerFn> UnregisterServer("Setup.DLL", "UnregisterServer");
DeclaredFunction<IsOKFn> IsOK("Setup.DLL", "IsOK");

void DeclaredClosePolicy::Close(HANDLE h) noexcept {
    // KERNEL32 is loaded in every process, so binding cannot fail; a failure would be passed
    // over like the close's own result.
    try {
        CloseHandle(h);
    } catch (...) {
    }
}

quorin::ErrorCode ErrorFromWin32(DWORD error) noexcept {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return quorin::ErrorCode::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
        return quorin::ErrorCode::PathNotFound;
    case ERROR_NOT_READY:
    case ERROR_INVALID_DRIVE:
        return quorin::ErrorCode::DeviceUnavailable;
    }
    return quorin::ErrorCode::PlatformFailure;
}

bool IsPathExisting(const quorin::Text& path) {
    WIN32_FIND_DATAW data;
    quorin::win::UniqueFind find(::FindFirstFileW(quorin::win::W(path), &data));
    if (!find) {
        const DWORD error = ::GetLastError();
        // A drive letter that names no drive is an unusable path, like a drive that is not ready.
        if (error == ERROR_PATH_NOT_FOUND && path.size() >= 2 && path[1] == u':') {
            const wchar_t root[] = {static_cast<wchar_t>(path[0]), L':', L'\\', 0};
            if (::GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR)
                throw quorin::RuntimeError(quorin::ErrorCode::DeviceUnavailable, quorin::ToUtf8(path));
        }
        // Nothing matches: an answer, not an error. A missing folder in the path is the same.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES)
            return false;
        throw quorin::RuntimeError(ErrorFromWin32(error), quorin::ToUtf8(path));
    }
    // Ordinary files and folders count; hidden and system entries are passed over.
    do {
        if ((data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0)
            return true;
    } while (::FindNextFileW(find.get(), &data));
    return false;
}

DWORD RunAndWaitIdle(const quorin::Text& commandLine, int32_t windowStyle, DWORD waitLimitMs) {
    // Bound first, so a missing entry raises before a program is left running unawaited.
    OpenProcess.Bind();
    WaitForInputIdle.Bind();
    CloseHandle.Bind();

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION info = {};
    quorin::Text writable = commandLine; // CreateProcessW may write into it
    if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(writable.data()), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &info))
        throw quorin::RuntimeError(ErrorFromWin32(::GetLastError()), quorin::ToUtf8(commandLine));
    OwnedHandle process(info.hProcess), thread(info.hThread);

    // The results are not examined: a process that cannot be opened makes the wait and the close
    // fail at once, and the routine returns. SYNCHRONIZE as well as the query right: some
    // implementations of WaitForInputIdle also wait on the process handle itself and fail at once
    // without it, which would start the next step while the program is still starting.
    HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, TRUE, info.dwProcessId);
    WaitForInputIdle(handle, waitLimitMs);
    CloseHandle(handle);
    return info.dwProcessId;
}

quorin::Text QuotedIfBlank(const quorin::Text& path) {
    return path.find(u' ') == quorin::Text::npos ? path : u"\"" + path + u"\"";
}

uint32_t SystemColor(uint32_t reference) {
    return GetSysColor(static_cast<int>(reference & 0x00FFFFFFu));
}

} // namespace setup
