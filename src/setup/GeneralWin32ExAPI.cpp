#include "GeneralWin32ExAPI.h"

#include "winsupport/ansi.h"

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

namespace {

quorin::CompareMode ToCompareMode(int32_t compare) {
    switch (compare) {
    case 0:
        return quorin::CompareMode::Binary;
    case 1:
        return quorin::CompareMode::Text;
    }
    throw quorin::RuntimeError(quorin::ErrorCode::InvalidArgument, "compare mode");
}

quorin::ErrorCode ErrorFromWin32(DWORD error) {
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

} // namespace

quorin::Variant ValueIf(bool Condition, const quorin::Variant& Value) {
    if (!Condition)
        return quorin::Variant();
    return Value.Value();
}

int32_t FindLast(int32_t Start, const quorin::Text& Text, const quorin::Text& Pattern, int32_t Compare) {
    return quorin::FindLast(Start, Text, Pattern, ToCompareMode(Compare));
}

quorin::Text ReverseChars(const quorin::Text& Text) {
    return quorin::ReverseChars(Text);
}

quorin::Text EmbedValues(const quorin::Text& Template, const std::vector<quorin::Variant>& Values) {
    return quorin::EmbedValues(Template, Values);
}

bool IsPathExisting(const quorin::Text& Path) {
    WIN32_FIND_DATAW data;
    quorin::win::UniqueFind find(::FindFirstFileW(quorin::win::W(Path), &data));
    if (!find) {
        const DWORD error = ::GetLastError();
        // A drive letter that names no drive is an unusable path, like a drive that is not ready.
        if (error == ERROR_PATH_NOT_FOUND && Path.size() >= 2 && Path[1] == u':') {
            const wchar_t root[] = {static_cast<wchar_t>(Path[0]), L':', L'\\', 0};
            if (::GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR)
                throw quorin::RuntimeError(quorin::ErrorCode::DeviceUnavailable, quorin::ToUtf8(Path));
        }
        // Nothing matches: an answer, not an error. A missing folder in the path is the same.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES)
            return false;
        throw quorin::RuntimeError(ErrorFromWin32(error), quorin::ToUtf8(Path));
    }
    // Ordinary files and folders count; hidden and system entries are passed over.
    do {
        if ((data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0)
            return true;
    } while (::FindNextFileW(find.get(), &data));
    return false;
}

DWORD RunAndWaitIdle(const quorin::Text& CommandLine, int32_t WindowStyle, DWORD WaitLimitMs) {
    // Bound first, so a missing entry raises before a program is left running unawaited.
    OpenProcess.Bind();
    WaitForInputIdle.Bind();
    CloseHandle.Bind();

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(WindowStyle);
    PROCESS_INFORMATION info = {};
    quorin::Text commandLine = CommandLine; // CreateProcessW may write into it
    if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(commandLine.data()), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &info))
        throw quorin::RuntimeError(ErrorFromWin32(::GetLastError()), quorin::ToUtf8(CommandLine));
    quorin::win::UniqueHandleObj process(info.hProcess), thread(info.hThread);

    // The results are not examined: a process that cannot be opened makes the wait and the close
    // fail at once, and the routine returns. SYNCHRONIZE as well as the query right: some
    // implementations of WaitForInputIdle also wait on the process handle itself and fail at once
    // without it, which would start the next step while the program is still starting.
    HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, TRUE, info.dwProcessId);
    WaitForInputIdle(handle, WaitLimitMs);
    CloseHandle(handle);
    return info.dwProcessId;
}

uint32_t SystemColor(uint32_t Color) {
    return GetSysColor(static_cast<int>(Color & 0x00FFFFFFu));
}

} // namespace setup
