// The tool's own path type composes and splits paths the way std::filesystem does on the same
// platform (natively the POSIX rules; built for Windows, drives and servers), and its queries
// answer from the disk. Listing, renaming and removing are seen through the commands that use
// them (a name found whatever its case, a file replaced only with -f).
#include "file_system.h"

#include "test_support.h"

using namespace pack_test;
namespace ours = quorin::pack;

namespace {

// clang-format off
const std::vector<std::string> kPaths = {
    "", "a", "a/b", "a/b/", "a//b", "/", "/a", "/a/b/", "//a", ".", "..", "a/..", "a/.", "./a", "a.b/c.d",
#ifdef _WIN32
    "C:", "C:\\", "C:a", "C:\\a", "c:/a/b", "C:\\a\\", "\\a", "\\", "a\\b", "a\\b\\", "\\\\srv\\share",
    "\\\\srv\\share\\x", "D:\\x\\y",
#endif
};
// clang-format on

TEST(PackPaths, SplitAndJoinLikeStdFilesystem) {
    for (const std::string& text : kPaths) {
        SCOPED_TRACE(text);
        const ours::Path p(text);
        EXPECT_EQ(p.Parent().Utf8(), fs::path(text).parent_path().string());
        EXPECT_EQ(p.Name().Utf8(), fs::path(text).filename().string());
        EXPECT_EQ(p.IsAbsolute(), fs::path(text).is_absolute());
        for (const std::string& right : kPaths)
            EXPECT_EQ((p / right).Utf8(), (fs::path(text) / right).string()) << "/ \"" << right << "\"";
    }
}

class PackPathQueries : public ScratchFolder {};

TEST_F(PackPathQueries, FoldersAndFiles) {
    const ours::Path root(P("q"));
    EXPECT_FALSE(ours::Exists(root));
    ASSERT_TRUE(ours::MakeFolders(root / "a" / "b"));
    EXPECT_TRUE(fs::is_directory(Path("q/a/b")));
    EXPECT_TRUE(ours::MakeFolders(root / "a")) << "an existing folder";
    Write("q/a/f.txt", "one");
    EXPECT_FALSE(ours::MakeFolders(root / "a" / "f.txt" / "c")) << "under a file";
    EXPECT_FALSE(ours::MakeFolders(ours::Path()));
    EXPECT_FALSE(ours::IsFile(root / "a"));
    EXPECT_FALSE(ours::IsFolder(root / "a" / "f.txt"));
    EXPECT_FALSE(ours::Exists(root / "a" / "f.txt" / "x"));
    EXPECT_TRUE(ours::SameFile(root / "a" / "f.txt", root / "a" / "b" / ".." / "f.txt"));
    EXPECT_TRUE(ours::SameFile(root / "a", root / "a" / "."));
    EXPECT_FALSE(ours::SameFile(root / "a", root / "a" / "b"));
    EXPECT_FALSE(ours::SameFile(root / "a" / "f.txt", root / "a" / "missing"));
}

} // namespace
