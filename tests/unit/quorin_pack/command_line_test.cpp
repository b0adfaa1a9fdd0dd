// The command line: each command's options, usage errors and exit statuses. (That the built program
// hands its status to the shell is the install test's, in this folder's CMakeLists.)
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

} // namespace
