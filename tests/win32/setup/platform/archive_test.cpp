// ClassArchive against the platform's real LZ32 library, in a temporary folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "setup/platform/archive.h"
#include "lz/encode.h"
#include "lz/names.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

namespace fs = std::filesystem;
using quorin::Text;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Compress(const Bytes& data, uint8_t missing) {
    Bytes out;
    quorin::EncodeSzdd(data.data(), data.size(), missing, out);
    return out;
}

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetACP(), 932u) << "the tests expect the Japanese ANSI code page";
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / (L"qarchive" + std::to_wstring(::GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        for (const auto& e : fs::recursive_directory_iterator(folder_))
            ::SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(folder_);
    }

    Text Path(const std::wstring& name) const { return quorin::win::FromWide((folder_ / name).c_str()); }
    void Write(const std::wstring& name, const Bytes& data) const {
        std::ofstream(folder_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    Bytes Read(const std::wstring& name) const {
        std::ifstream in(folder_ / name, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::wstring& name) const { return fs::exists(folder_ / name); }

    fs::path folder_;
};

TEST_F(ArchiveTest, IsExistingOpensAndClosesWithoutChanging) {
    setup::Archive archive;
    const Bytes data = Compress(ToBytes("content"), 'X');
    Write(L"JOYSTICK.OC_", data);
    EXPECT_TRUE(archive.IsExisting(Path(L"JOYSTICK.OC_")));
    EXPECT_EQ(Read(L"JOYSTICK.OC_"), data);
    EXPECT_FALSE(archive.IsExisting(Path(L"MISSING.OC_")));
    EXPECT_FALSE(Exists(L"MISSING.OC_"));
    // Still closed: the file can be deleted at once.
    EXPECT_TRUE(::DeleteFileW((folder_ / L"JOYSTICK.OC_").c_str()));
}

// GetExpandedNameA on the names the package builder gives: the original name comes back. (The
// platform restores nothing in a name without a dot, so an extensionless file keeps its '_'
// there; Setup renames every file to its final name anyway.)
TEST_F(ArchiveTest, RequireRestoresTheShippedNames) {
    setup::Archive archive;
    for (const char* original : {"Joystick.OCX", "README.TXT", "Joystick.HLP", "readme.txt", "page.html",
                                 "a.c", "Setup.DL", "v1.2.txt"}) {
        SCOPED_TRACE(original);
        const quorin::CompressedName shipped = quorin::CompressedNameFor(original, true);
        const std::wstring shippedName(shipped.name.begin(), shipped.name.end());
        Write(shippedName, Compress(ToBytes("x"), shipped.missingChar));
        const std::wstring originalName(original, original + std::char_traits<char>::length(original));
        EXPECT_EQ(archive.ExpandedName(Path(shippedName)), Path(originalName));
    }
    // An uncompressed file keeps its own name.
    Write(L"plain.tx_", ToBytes("not compressed"));
    EXPECT_EQ(archive.ExpandedName(Path(L"plain.tx_")), Path(L"plain.tx_"));
    EXPECT_EQ(archive.ExpandedName(Path(L"missing.tx_")), Text());
}

TEST_F(ArchiveTest, RequireNeverOverrunsOnLongPaths) {
    setup::Archive archive;
    const size_t base = quorin::win::ToAnsi(Path(L"")).size(); // folder and separator
    // Paths of 127 bytes fit the design's buffer; 128 and far longer ones give no name.
    for (size_t total : {size_t{127}, size_t{128}, size_t{200}, size_t{250}}) {
        SCOPED_TRACE(total);
        const std::wstring name = std::wstring(total - base - 4, L'n') + L".TX_";
        Write(name, Compress(ToBytes("x"), 'T'));
        ASSERT_TRUE(Exists(name));
        const Text expanded = archive.ExpandedName(Path(name));
        if (total < setup::kExpandedNameBytes)
            EXPECT_EQ(expanded, Path(name.substr(0, name.size() - 1) + L"T"));
        else
            EXPECT_EQ(expanded, Text());
        fs::remove(folder_ / name);
    }
}

struct MeltCase {
    const char* name;
    Bytes source;
    Bytes expected;
};

// Our encoder's output expands byte for byte through LZCopy.
TEST_F(ArchiveTest, MeltExpandsOurFilesExactly) {
    std::mt19937 rng(932);
    std::vector<Bytes> inputs = {{}, ToBytes("A"), Bytes(4095, ' '), Bytes(4097, 0), ToBytes("abababababab")};
    for (size_t n : {100u, 4096u, 70000u}) {
        Bytes random(n), text;
        for (auto& b : random)
            b = static_cast<uint8_t>(rng());
        const std::string words[] = {"[Main]\r\n", "Title=Ombrel's Gantrel\r\n",
                                     "Lz=JOYSTICK.OC_,Joystick.OCX\r\n", "    ", "\x83\x65\x83\x58\x83\x67"};
        while (text.size() < n) {
            const std::string& w = words[rng() % 5];
            text.insert(text.end(), w.begin(), w.end());
        }
        inputs.push_back(random);
        inputs.push_back(text);
    }
    setup::Archive archive;
    for (size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        Write(L"IN.DA_", Compress(inputs[i], 'T'));
        archive.Expand(Path(L"IN.DA_"), Path(L"OUT.DAT"));
        EXPECT_FALSE(archive.expansionFailed);
        EXPECT_EQ(Read(L"OUT.DAT"), inputs[i]);
    }
}

TEST_F(ArchiveTest, MeltCopiesUncompressedAndOverwrites) {
    setup::Archive archive;
    Write(L"OUT.TXT", ToBytes("an older and longer file that must be replaced"));
    Write(L"PLAIN.TXT", ToBytes("plain"));
    archive.Expand(Path(L"PLAIN.TXT"), Path(L"OUT.TXT"));
    EXPECT_FALSE(archive.expansionFailed);
    EXPECT_EQ(Read(L"OUT.TXT"), ToBytes("plain"));
    EXPECT_EQ(Read(L"PLAIN.TXT"), ToBytes("plain"));
}

TEST_F(ArchiveTest, MeltReportsFailures) {
    const Bytes data = ToBytes(std::string(3000, 'q') + "the end of a file that is long enough to be cut");
    const Bytes good = Compress(data, 'X');
    Bytes truncated(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() - 5));
    Bytes shortClaim = good;
    shortClaim[10] = 7; // the header records less than the data holds
    Bytes longClaim = good;
    longClaim[12] = 9; // and more
    std::vector<MeltCase> cases = {
        {"Truncated", truncated, {}}, {"ClaimsLess", shortClaim, {}}, {"ClaimsMore", longClaim, {}}};
    setup::Archive archive;
    for (const MeltCase& c : cases) {
        SCOPED_TRACE(c.name);
        Write(L"BAD.OC_", c.source);
        archive.expansionFailed = false;
        archive.Expand(Path(L"BAD.OC_"), Path(L"BAD.OCX"));
        EXPECT_TRUE(archive.expansionFailed);
    }
    // The source is opened for reading and writing: one that is open elsewhere without write
    // sharing is refused.
    Write(L"LOCKED.OC_", good);
    {
        quorin::win::UniqueFile lock(::CreateFileW((folder_ / L"LOCKED.OC_").c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        archive.expansionFailed = false;
        archive.Expand(Path(L"LOCKED.OC_"), Path(L"LOCKED.OCX"));
        EXPECT_TRUE(archive.expansionFailed);
    }
    // A missing source.
    archive.expansionFailed = false;
    archive.Expand(Path(L"NONE.OC_"), Path(L"NONE.OCX"));
    EXPECT_TRUE(archive.expansionFailed);
    // Success clears it again.
    Write(L"GOOD.OC_", good);
    archive.Expand(Path(L"GOOD.OC_"), Path(L"GOOD.OCX"));
    EXPECT_FALSE(archive.expansionFailed);
    EXPECT_EQ(Read(L"GOOD.OCX"), data);
}

// True when the read-only attribute really keeps writers out here (Wine run by root does not).
bool ReadOnlyIsEnforced(const fs::path& file) {
    quorin::win::UniqueFile probe(
        ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return !probe;
}

TEST_F(ArchiveTest, MeltRefusesAReadOnlySource) {
    Write(L"RO.OC_", Compress(ToBytes("read-only content"), 'X'));
    ASSERT_TRUE(::SetFileAttributesW((folder_ / L"RO.OC_").c_str(), FILE_ATTRIBUTE_READONLY));
    if (!ReadOnlyIsEnforced(folder_ / L"RO.OC_"))
        GTEST_SKIP() << "the platform lets this user write read-only files (Wine run as root)";
    setup::Archive archive;
    archive.Expand(Path(L"RO.OC_"), Path(L"RO.OCX"));
    EXPECT_TRUE(archive.expansionFailed);
}

// The platform's own expander program reads our files too.
TEST_F(ArchiveTest, ExpandProgramReadsOurFiles) {
    Bytes data;
    for (int i = 0; i < 20000; ++i)
        data.push_back(
            static_cast<uint8_t>("Ombrel's Gantrel 1.50.2004 "[i % 27] ^ (i % 251 == 0 ? 0x55 : 0)));
    Write(L"JOYSTICK.OC_", Compress(data, 'X'));
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\expand.exe\" \"" +
                           (folder_ / L"JOYSTICK.OC_").wstring() + L"\" \"" +
                           (folder_ / L"EXPANDED.OCX").wstring() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                 nullptr, &si, &pi));
    quorin::win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(Read(L"EXPANDED.OCX"), data);
}

} // namespace
