#include "setup/program.h"

#include <windows.h>

#include "installer/paths.h"
#include "win/ansi.h"

namespace setup {
namespace {

quorin::Text ModulePath() {
    // A plain buffer: one std::wstring links the runtime's whole wide-string instantiation
    // (about 35 KiB) into a program that has no other use for it.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size())
            return quorin::win::FromWide(buffer.data()); // NUL-terminated when not truncated
        buffer.resize(buffer.size() * 2); // truncated: try a larger buffer
    }
}

} // namespace

quorin::Text ProgramFolder() {
    const quorin::Text path = ModulePath();
    const size_t slash = path.find_last_of(u"\\/");
    if (slash == quorin::Text::npos)
        return quorin::Text();
    quorin::Text folder = path.substr(0, slash);
    // At a drive root the root keeps its separator ("C:\").
    if (folder.size() == 2 && folder[1] == u':')
        folder.push_back(u'\\');
    return folder;
}

quorin::Text ExecutableName() {
    const quorin::Text path = ModulePath();
    const size_t slash = path.find_last_of(u"\\/");
    quorin::Text name = slash == quorin::Text::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(u'.');
    if (dot != quorin::Text::npos)
        name.resize(dot);
    return name;
}

quorin::Text ProgramPath() {
    return quorin::JoinFolder(ProgramFolder(), ExecutableName() + u".EXE");
}

quorin::Text ApplicationTitle() {
    return u"Ombrel's Quorin Installer";
}

quorin::Text ScriptPath() {
    return quorin::JoinFolder(ProgramFolder(), ExecutableName() + u".INF");
}

std::vector<quorin::Text> OwnFiles() {
    return {ExecutableName() + u".EXE", ExecutableName() + u".INF", u"Setup.DLL"};
}

quorin::Text LoadTextFrom(void* module, uint32_t id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size the platform hands out a pointer into the resource itself.
    int n = ::LoadStringW(static_cast<HMODULE>(module), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || text == nullptr)
        return quorin::Text();
    return quorin::Text(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(n));
}

quorin::Text LoadText(uint32_t id) {
    return LoadTextFrom(::GetModuleHandleW(nullptr), id);
}

} // namespace setup
