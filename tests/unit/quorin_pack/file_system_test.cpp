// The tool's own path type composes and splits paths the way std::filesystem does on the same
// platform (natively the POSIX rules; built for Windows, drives and servers), and its queries
// answer from the disk.
#include "file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using quorin::pack::Path;
namespace ours = quorin::pack;
namespace std_fs = std::filesystem;

const std::vector<std::string> kPaths = {
    "",
    "a",
    "a/b",
    "a/b/",
    "a//b",
    "/",
    "/a",
    "/a/b/",
    "//a",
    ".",
    "..",
    "a/..",
    "a/.",
    "./a",
    "a.b/c.d",
    "dist/win32/Setup.EXE",
#ifdef _WIN32
    "C:",
    "C:\\",
    "C:a",
    "C:\\a",
    "c:/a/b",
    "C:\\a\\",
    "\\a",
    "\\",
    "a\\b",
    "a\\b\\",
    "\\\\srv\\share",
    "\\\\srv\\share\\x",
    "D:\\x\\y",
#endif
};

TEST(PackPaths, SplitLikeStdFilesystem) {
    for (const std::string& text : kPaths) {
        const Path p(text);
        const std_fs::path expected(text);
        EXPECT_EQ(p.Parent().Utf8(), expected.parent_path().string()) << "parent of \"" << text << "\"";
        EXPECT_EQ(p.Name().Utf8(), expected.filename().string()) << "filename of \"" << text << "\"";
        EXPECT_EQ(p.IsAbsolute(), expected.is_absolute()) << "is_absolute of \"" << text << "\"";
    }
}

TEST(PackPaths, JoinLikeStdFilesystem) {
    for (const std::string& left : kPaths)
        for (const std::string& right : kPaths)
            EXPECT_EQ((Path(left) / right).Utf8(), (std_fs::path(left) / right).string())
                << "\"" << left << "\" / \"" << right << "\"";
}

class PackPathQueries : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = std_fs::temp_directory_path() / ("quorin-paths-test-" + std::to_string(rd()));
        root_ = Path(dir_.u8string());
    }
    void TearDown() override { std_fs::remove_all(dir_); }
    static void Touch(const std_fs::path& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    static std::string Read(const std_fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    std_fs::path dir_;
    Path root_;
};

TEST_F(PackPathQueries, FoldersAndFiles) {
    EXPECT_FALSE(ours::Exists(root_));
    ASSERT_TRUE(ours::MakeFolders(root_ / "a" / "b"));
    EXPECT_TRUE(std_fs::is_directory(dir_ / "a" / "b"));
    EXPECT_TRUE(ours::MakeFolders(root_ / "a")) << "an existing folder";
    Touch(dir_ / "a" / "f.txt", "one");
    EXPECT_FALSE(ours::MakeFolders(root_ / "a" / "f.txt" / "c")) << "under a file";
    EXPECT_FALSE(ours::MakeFolders(Path()));

    struct Case {
        const char* name;
        bool exists, directory, regular;
    };
    for (const Case& c : {Case{"a", true, true, false}, Case{"a/f.txt", true, false, true},
                          Case{"a/missing", false, false, false}, Case{"a/f.txt/x", false, false, false}}) {
        const Path p = root_ / c.name;
        EXPECT_EQ(ours::Exists(p), c.exists) << c.name;
        EXPECT_EQ(ours::IsFolder(p), c.directory) << c.name;
        EXPECT_EQ(ours::IsFile(p), c.regular) << c.name;
    }

    EXPECT_TRUE(ours::SameFile(root_ / "a" / "f.txt", root_ / "a" / "b" / ".." / "f.txt"));
    EXPECT_TRUE(ours::SameFile(root_ / "a", root_ / "a" / "."));
    EXPECT_FALSE(ours::SameFile(root_ / "a", root_ / "a" / "b"));
    EXPECT_FALSE(ours::SameFile(root_ / "a" / "f.txt", root_ / "a" / "missing"));

    std::vector<std::string> names = ours::ListFolder(root_ / "a").value_or(std::vector<std::string>{"?"});
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"b", "f.txt"}));
    EXPECT_EQ(ours::ListFolder(root_ / "a" / "b").value_or(std::vector<std::string>{"?"}).size(), 0u);
    EXPECT_FALSE(ours::ListFolder(root_ / "a" / "f.txt"));
    EXPECT_FALSE(ours::ListFolder(root_ / "missing"));
}

TEST_F(PackPathQueries, RenameReplacesAndRemoveDeletes) {
    ASSERT_TRUE(ours::MakeFolders(root_));
    Touch(dir_ / "new", "new");
    Touch(dir_ / "old", "old");
    EXPECT_TRUE(ours::RenameFile(root_ / "new", root_ / "old"));
    EXPECT_FALSE(std_fs::exists(dir_ / "new"));
    EXPECT_EQ(Read(dir_ / "old"), "new");
    EXPECT_FALSE(ours::RenameFile(root_ / "new", root_ / "other")) << "nothing to rename";
    EXPECT_TRUE(ours::RemoveFile(root_ / "old"));
    EXPECT_FALSE(std_fs::exists(dir_ / "old"));
    EXPECT_FALSE(ours::RemoveFile(root_ / "old"));
}

} // namespace
