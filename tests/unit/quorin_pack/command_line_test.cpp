// The command line: each command's options, usage errors and exit statuses, in-process and as the
// built program reports them to the shell.
#include <sys/wait.h>

#include <cstdlib>

#include "test_support.h"

using namespace pack_test;

namespace {

class PackCommandLine : public ScratchFolder {};

TEST_F(PackCommandLine, ExitStatusesAndMessages) {
    Write("a.txt", "a");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string told; // on standard output for status 0, else on standard error
    } cases[] = {
        {{}, 2, "Usage: quorin-pack COMMAND"},
        {{"--help"}, 0, "try DIR [--keep-prefix PATH] [--screenshots DIR] [--json]"},
        {{"compress", "--help"}, 0, "Usage: quorin-pack COMMAND"},
        {{"--version"}, 0, "quorin-pack 1.50\n"},
        {{"frobnicate"}, 2, "quorin-pack: unknown command frobnicate\nTry 'quorin-pack --help'.\n"},
        {{"compress"}, 2, "compress needs at least one FILE"},
        {{"compress", "-f", P("a.txt")}, 2, "unknown option -f for compress"},
        {{"compress", P("a.txt"), "-o"}, 2, "option -o needs an argument"},
        {{"build", P("m.ini")}, 2, "build needs -o DIR"},
        {{"build", "m.ini", "-o", "x", "--screenshots", "y"}, 2, "unknown option --screenshots for build"},
        {{"check"}, 2, "check needs exactly one DIR"},
        {{"try"}, 2, "try needs exactly one DIR"},
        {{"try", "a", "--keep-prefix"}, 2, "option --keep-prefix needs an argument"},
        {{"try", "a", "--frobnicate"}, 2, "unknown option --frobnicate for try"},
        {{"compress", P("missing.txt")}, 1, P("missing.txt") + ": cannot read\n"},
        {{"compress", P("a.txt"), "-o", P("nowhere")}, 1, P("nowhere") + ": no such folder\n"},
        {{"try", P("nowhere")}, 1, P("nowhere") + ": no such folder\n"},
        {{"build", P("none.ini"), "-o", P("pkg")}, 1, P("none.ini") + ": cannot read the manifest\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told);
        const RunResult r = RunPack(c.args);
        EXPECT_EQ(r.status, c.status);
        const std::string& stream = c.status == 0 ? r.out : r.err;
        EXPECT_NE(stream.find(c.told), std::string::npos) << stream;
    }
}

// The built program: the statuses reach the shell.
TEST_F(PackCommandLine, TheProgramReportsItsStatus) {
    Write("a.txt", std::string(100, 'a'));
    auto status = [](const std::string& arguments) {
        const int raw = std::system((std::string(QUORIN_PACK_EXE) + arguments + " >/dev/null 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(status(" compress '" + P("a.txt") + "'"), 0);
    EXPECT_TRUE(Exists("a.txt_"));
    EXPECT_EQ(status(" expand '" + P("a.txt_") + "'"), 1); // a.txt exists
    EXPECT_EQ(status(" expand"), 2);
}

} // namespace
