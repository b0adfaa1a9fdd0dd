// The command line: options per command, usage errors and the exit statuses, in-process and as
// the built program reports them to the shell.
#include <sys/wait.h>

#include <cstdlib>

#include "test_support.h"

using namespace pack_test;

namespace {

class PackCommandLine : public ScratchFolder {};

struct UsageCase {
    std::vector<std::string> args;
    int status;
    const char* stream; // "out" or "err"
    const char* text;
};

TEST_F(PackCommandLine, ExitStatusesAndMessages) {
    Write("a.txt", "a");
    const std::vector<UsageCase> cases = {
        {{}, 2, "err", "Usage"},
        {{"--help"}, 0, "out", "Usage"},
        {{"compress", "--help"}, 0, "out", "compress [-r]"},
        {{"--version"}, 0, "out", "quorin-pack 1.50"},
        {{"frobnicate"}, 2, "err", "unknown command frobnicate"},
        {{"compress"}, 2, "err", "at least one FILE"},
        {{"compress", "-f", P("a.txt")}, 2, "err", "unknown option -f"},
        {{"expand", "-r", P("a.txt")}, 2, "err", "unknown option -r"},
        {{"compress", P("a.txt"), "-o"}, 2, "err", "needs an argument"},
        {{"build", P("m.ini")}, 2, "err", "needs -o DIR"},
        {{"check"}, 2, "err", "exactly one DIR"},
        {{"compress", P("missing.txt")}, 1, "err", "missing.txt: cannot read"},
        {{"compress", P("a.txt"), "-o", P("nowhere")}, 1, "err", "no such folder"},
        {{"check", P("nowhere")}, 1, "err", "no such folder"},
        {{"build", P("none.ini"), "-o", P("pkg")}, 1, "err", "cannot read the manifest"},
    };
    for (const UsageCase& c : cases) {
        std::string line;
        for (const std::string& a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        RunResult r = RunPack(c.args);
        EXPECT_EQ(r.status, c.status);
        const std::string& stream = std::string(c.stream) == "out" ? r.out : r.err;
        EXPECT_NE(stream.find(c.text), std::string::npos) << stream;
    }
}

#ifdef QUORIN_PACK_EXE
// The built program itself: the statuses reach the shell.
TEST_F(PackCommandLine, TheProgramReportsItsStatus) {
    Write("a.txt", std::string(100, 'a'));
    const std::string exe = QUORIN_PACK_EXE;
    auto status = [](const std::string& command) {
        const int raw = std::system((command + " >/dev/null 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(status(exe + " compress '" + P("a.txt") + "'"), 0);
    EXPECT_TRUE(Exists("a.txt_"));
    EXPECT_EQ(status(exe + " expand '" + P("a.txt_") + "'"), 1); // a.txt exists
    EXPECT_EQ(status(exe + " expand"), 2);
}
#endif

TEST_F(PackCommandLine, TryOptions) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* err;
    } cases[] = {
        {{"try"}, 2, "try needs exactly one DIR"},
        {{"try", "a", "b"}, 2, "try needs exactly one DIR"},
        {{"try", "a", "--keep-prefix"}, 2, "--keep-prefix needs an argument"},
        {{"try", "a", "--frobnicate"}, 2, "unknown option --frobnicate for try"},
        {{"check", "a", "--json"}, 2, "unknown option --json for check"},
        {{"build", "m.ini", "-o", "x", "--screenshots", "y"}, 2, "unknown option --screenshots"},
        {{"try", "nowhere"}, 1, "nowhere: no such folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult r = RunPack(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_NE(RunPack({"--help"}).out.find("try DIR [--keep-prefix PATH] [--screenshots DIR] [--json]"),
              std::string::npos);
}

} // namespace
