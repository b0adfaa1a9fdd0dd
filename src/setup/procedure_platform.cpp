#include "setup/procedure_platform.h"

#include <windows.h>

#include "base/runtime_error.h"
#include "basic/string_routines.h"
#include "installer/placement.h"
#include "setup/platform/archive.h"
#include "setup/platform/registration.h"
#include "setup/platform/uninstall_entry.h"
#include "setup/program.h"
#include "win/ansi.h"

namespace setup {

void DropUserInput() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE)) {
    }
}

void PauseKeepingPainted(uint32_t milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            ::DispatchMessageW(&msg);
        DropUserInput();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_PAINT | QS_SENDMESSAGE);
    }
}

quorin::Text ProcedurePlatform::ProgramFolder() {
    return setup::ProgramFolder();
}

int32_t ProcedurePlatform::ShowMessage(uint32_t id, uint32_t style, const std::vector<quorin::Text>& values) {
    DropUserInput();
    std::vector<quorin::Variant> variants(values.begin(), values.end());
    return view_.ShowMessageBox(quorin::EmbedValues(LoadText(id), variants), style);
}

void ProcedurePlatform::Pause(uint32_t milliseconds) {
    PauseKeepingPainted(milliseconds);
}

quorin::PlaceOutcome ProcedurePlatform::PlaceFile(const quorin::Text& folder, const quorin::SetupEntry& entry) {
    return setup::PlaceFile(folder, entry, setup::OwnFiles());
}

bool ProcedurePlatform::RegisterComponent(const quorin::Text& path) {
    return setup::RegisterComponent(path);
}

bool ProcedurePlatform::UnregisterComponent(const quorin::Text& path) {
    return setup::UnregisterComponent(path);
}

void ProcedurePlatform::RemoveFile(const quorin::Text& path) {
    if (!::DeleteFileW(quorin::win::W(path))) {
        const DWORD error = ::GetLastError();
        throw quorin::RuntimeError(error == ERROR_FILE_NOT_FOUND ? quorin::ErrorCode::FileNotFound
                                                                 : quorin::ErrorCode::PlatformFailure,
                                   quorin::ToUtf8(path));
    }
}

void ProcedurePlatform::UpdateUninstallEntry(const quorin::SetupSettings& settings) {
    setup::UpdateUninstallEntry(settings, state_, ProgramPath());
    if (!UninstallEntryIsUpdated(settings, state_, ProgramPath()))
        throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "the uninstall entry was refused");
}

std::vector<quorin::Text> ProcedurePlatform::OwnFiles() {
    return setup::OwnFiles();
}

} // namespace setup
