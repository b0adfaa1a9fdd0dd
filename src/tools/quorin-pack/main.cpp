// quorin-pack's entry point: the arguments as UTF-8 and the tool's own folder, then the command.
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace {

class StdioOutput final : public quorin::pack::Output {
public:
    explicit StdioOutput(std::FILE* file) : file_(file) {}
    void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), file_); }

private:
    std::FILE* file_;
};

#ifdef _WIN32

// A console program with UTF-16 arguments.
std::vector<std::string> Arguments(int, char**) {
    ::SetConsoleOutputCP(CP_UTF8);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; argv && i < argc; ++i)
        args.push_back(quorin::pack::Utf8FromWide(argv[i]));
    if (argv)
        ::LocalFree(argv);
    return args;
}

std::string ProgramPath() {
    std::vector<wchar_t> exe(32768);
    const DWORD n = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    return n > 0 && n < exe.size() ? quorin::pack::Utf8FromWide(exe.data()) : std::string();
}

#else

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string ProgramPath() {
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
    return n > 0 && static_cast<size_t>(n) < sizeof exe ? std::string(exe, static_cast<size_t>(n))
                                                        : std::string();
}

#endif

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = Arguments(argc, argv);
    if (const std::string program = ProgramPath(); !program.empty())
        quorin::pack::SetToolFolder(quorin::pack::Path(program).Parent());
    StdioOutput out(stdout), err(stderr);
    return quorin::pack::Run(args, out, err);
}
