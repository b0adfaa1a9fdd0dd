// quorin-pack's entry point: arguments to UTF-8, then Run.
#include <cstdio>
#include <string>
#include <vector>

#include "pack.h"

namespace {

class StdioOutput final : public quorin::pack::Output {
public:
    explicit StdioOutput(std::FILE* file) : file_(file) {}
    void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), file_); }

private:
    std::FILE* file_;
};

} // namespace

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
    if (::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())) < exe.size())
        quorin::pack::SetToolFolder(quorin::pack::fs::path(Utf8(exe.data())).parent_path());
    StdioOutput out(stdout), err(stderr);
    return quorin::pack::Run(args, out, err);
}

#else
#include <unistd.h>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
    if (n > 0 && static_cast<size_t>(n) < sizeof exe)
        quorin::pack::SetToolFolder(
            quorin::pack::fs::path(std::string(exe, static_cast<size_t>(n))).parent_path());
    StdioOutput out(stdout), err(stderr);
    return quorin::pack::Run(args, out, err);
}

#endif
