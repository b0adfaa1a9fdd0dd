// quorin-pack's entry point: arguments to UTF-8, then Run.
#include <iostream>
#include <string>
#include <vector>

#include "pack.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

namespace {

std::string Utf8(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 1, '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();
    return out;
}

} // namespace

int main() {
    ::SetConsoleOutputCP(CP_UTF8);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; argv && i < argc; ++i)
        args.push_back(Utf8(argv[i]));
    if (argv)
        ::LocalFree(argv);
    std::vector<wchar_t> exe(32768);
    const DWORD n = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    quorin::pack::SetToolFolder(std::filesystem::path(std::wstring(exe.data(), n)).parent_path());
    return quorin::pack::Run(args, std::cout, std::cerr);
}

#else

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        quorin::pack::SetToolFolder(exe.parent_path());
    return quorin::pack::Run(args, std::cout, std::cerr);
}

#endif
