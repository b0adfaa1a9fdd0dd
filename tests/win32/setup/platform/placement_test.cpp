// PlaceFile (GeneralMain) against the real LZ32 library and file system, in a temporary folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "setup/application.h"
#include "setup/platform/archive.h"
#include "setup/platform/registration.h"
#include "setup/platform/uninstall_entry.h"
#include "setup/program.h"
#include "setup/platform/routines.h"
#include "lz/encode.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

namespace fs = std::filesystem;
using quorin::PlaceOutcome;
using quorin::Text;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Compress(const std::string& s, char missing) {
    Bytes out;
    quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(s.data()), s.size(), static_cast<uint8_t>(missing),
                       out);
    return out;
}

const std::string kOcx = std::string(5000, 'M') + " Ombrel's Gantrel 1.50.2004";
const std::string kOcxNew = std::string(6000, 'N') + " Ombrel's Gantrel 1.50.2005";

class PlaceFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / (L"qplace" + std::to_wstring(::GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        for (const auto& e : fs::directory_iterator(folder_))
            ::SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(folder_);
    }

    Text Folder() const { return quorin::win::FromWide(folder_.c_str()); }
    PlaceOutcome Place(const Text& source, const Text& target) {
        return setup::PlaceFile(Folder(), quorin::SetupEntry{source, target, false}, setup::OwnFiles());
    }
    void Write(const std::wstring& name, const Bytes& data) const {
        std::ofstream(folder_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    std::string Read(const std::wstring& name) const {
        std::ifstream in(folder_ / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // The names on disk, with their letter case.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder_))
            names.insert(e.path().filename().string());
        return names;
    }

    fs::path folder_;
};

TEST_F(PlaceFileTest, CompressedEntryGetsItsFinalName) {
    Write(L"JOYSTICK.OC_", Compress(kOcx, 'X'));
    // The header's name (JOYSTICK.OCX) differs from the target in letter case only: the file
    // still ends up under the target's exact name.
    EXPECT_EQ(Place(u"JOYSTICK.OC_", u"Joystick.OCX"), PlaceOutcome::Placed);
    EXPECT_EQ(Read(L"Joystick.OCX"), kOcx);
    EXPECT_EQ(Names(), (std::set<std::string>{"JOYSTICK.OC_", "Joystick.OCX"}));
}

TEST_F(PlaceFileTest, TargetDifferentFromTheRecordedName) {
    Write(L"B.EX_", Compress("program B", 'E'));
    EXPECT_EQ(Place(u"B.EX_", u"Main.EXE"), PlaceOutcome::Placed);
    EXPECT_EQ(Read(L"Main.EXE"), "program B");
    EXPECT_EQ(Names(), (std::set<std::string>{"B.EX_", "Main.EXE"}));
}

TEST_F(PlaceFileTest, PlacingTwice) {
    // In place: the second expansion replaces the file.
    Write(L"A.DL_", Compress(kOcx, 'L'));
    ASSERT_EQ(Place(u"A.DL_", u"A.DLL"), PlaceOutcome::Placed);
    Write(L"A.DL_", Compress(kOcxNew, 'L'));
    EXPECT_EQ(Place(u"A.DL_", u"A.DLL"), PlaceOutcome::Placed);
    EXPECT_EQ(Read(L"A.DLL"), kOcxNew);
    // Under another name: the second run leaves a second copy under the expanded name.
    Write(L"B.EX_", Compress(kOcx, 'E'));
    ASSERT_EQ(Place(u"B.EX_", u"Main.EXE"), PlaceOutcome::Placed);
    Write(L"B.EX_", Compress(kOcxNew, 'E'));
    EXPECT_EQ(Place(u"B.EX_", u"Main.EXE"), PlaceOutcome::KeptUnderExpandedName);
    EXPECT_EQ(Read(L"Main.EXE"), kOcx);
    EXPECT_EQ(Read(L"B.EXE"), kOcxNew);
    EXPECT_EQ(Names(), (std::set<std::string>{"A.DL_", "A.DLL", "B.EX_", "B.EXE", "Main.EXE"}));
}

TEST_F(PlaceFileTest, MissingSourceLeavesNoTrace) {
    EXPECT_EQ(Place(u"GONE.OC_", u"Gone.OCX"), PlaceOutcome::SourceMissing);
    EXPECT_TRUE(Names().empty());
}

TEST_F(PlaceFileTest, UncompressedSourceIsNeverDestroyed) {
    Write(L"README.TXT", ToBytes("read me"));
    EXPECT_EQ(Place(u"README.TXT", u"README.TXT"), PlaceOutcome::AlreadyInPlace);
    EXPECT_EQ(Place(u"README.TXT", u"Notes.TXT"), PlaceOutcome::Placed);
    EXPECT_EQ(Read(L"README.TXT"), "read me");
    EXPECT_EQ(Read(L"Notes.TXT"), "read me");
    EXPECT_EQ(Names(), (std::set<std::string>{"Notes.TXT", "README.TXT"}));
}

// A damaged source, or one that cannot be opened for writing, places nothing and leaves a
// good installed file alone.
TEST_F(PlaceFileTest, FailedExpansionChangesNothing) {
    const Bytes good = Compress(kOcxNew, 'X');
    Bytes truncated(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2));
    Bytes corrupt = good;
    corrupt[11] ^= 0x40; // the recorded length no longer matches the data
    for (const Bytes* source : {&truncated, &corrupt}) {
        for (bool installed : {false, true}) {
            SCOPED_TRACE(std::string(source == &truncated ? "truncated" : "corrupt") +
                         (installed ? ", installed" : ""));
            Write(L"JOYSTICK.OC_", *source);
            if (installed)
                Write(L"Joystick.OCX", ToBytes(kOcx));
            EXPECT_EQ(Place(u"JOYSTICK.OC_", u"Joystick.OCX"), PlaceOutcome::ExpansionFailed);
            if (installed) {
                EXPECT_EQ(Read(L"Joystick.OCX"), kOcx);
                EXPECT_EQ(Names(), (std::set<std::string>{"JOYSTICK.OC_", "Joystick.OCX"}));
                fs::remove(folder_ / L"Joystick.OCX");
            } else {
                EXPECT_EQ(Names(), (std::set<std::string>{"JOYSTICK.OC_"}));
            }
        }
    }
    Write(L"JOYSTICK.OC_", good);
    quorin::win::UniqueFile lock(::CreateFileW((folder_ / L"JOYSTICK.OC_").c_str(), GENERIC_READ,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_EQ(Place(u"JOYSTICK.OC_", u"Joystick.OCX"), PlaceOutcome::ExpansionFailed);
    EXPECT_EQ(Names(), (std::set<std::string>{"JOYSTICK.OC_"}));
}

// The existence test passes hidden and system files over; placement's temporary files must
// still never be theirs. Whether the expansion succeeds or fails, they keep their content.
TEST_F(PlaceFileTest, HiddenAndSystemFilesAreNeverTakenAsTemporaryNames) {
    const Bytes good = Compress(kOcx, 'X');
    const Bytes truncated(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2));
    for (const Bytes* source : {&good, &truncated}) {
        SCOPED_TRACE(source == &good ? "expanded" : "failed");
        Write(L"JOYSTICK.OC_", *source);
        std::set<std::string> names = {"JOYSTICK.OC_"};
        for (int n = 0; n < 2; ++n) {
            const Text path = quorin::PlacementTemporaryName(Folder(), n);
            const std::wstring name = fs::path(quorin::win::W(path)).filename().wstring();
            Write(name, ToBytes("user's file " + std::to_string(n)));
            const DWORD attribute = n == 0 ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_SYSTEM;
            ASSERT_TRUE(::SetFileAttributesW((folder_ / name).c_str(), attribute));
            ASSERT_EQ(::GetFileAttributesW((folder_ / name).c_str()) & attribute, attribute)
                << "the file system keeps no DOS attributes";
            ASSERT_FALSE(setup::IsPathExisting(path)) << "the existence test sees it";
            names.insert(fs::path(name).string());
        }
        const PlaceOutcome outcome = Place(u"JOYSTICK.OC_", u"Joystick.OCX");
        EXPECT_EQ(outcome, source == &good ? PlaceOutcome::Placed : PlaceOutcome::ExpansionFailed);
        for (int n = 0; n < 2; ++n) {
            const std::wstring name =
                fs::path(quorin::win::W(quorin::PlacementTemporaryName(Folder(), n))).filename().wstring();
            EXPECT_EQ(Read(name), "user's file " + std::to_string(n));
        }
        if (outcome == PlaceOutcome::Placed) {
            EXPECT_EQ(Read(L"Joystick.OCX"), kOcx);
            names.insert("Joystick.OCX");
        }
        EXPECT_EQ(Names(), names);
        TearDown();
        SetUp();
    }
}

// A compressed file records the last character of its expanded name. Naming Setup's own files
// (Setup.DLL, and the running program's executable and script) that way replaces nothing, even
// when the target exists and the new file would otherwise be kept under the recorded name.
TEST_F(PlaceFileTest, RecordedNameOfSetupsOwnFileIsRefused) {
    const std::wstring program = quorin::win::W(setup::ExecutableName());
    const struct {
        std::wstring shipped, own;
        char recorded;
    } cases[] = {{L"SETUP.DL_", L"Setup.DLL", 'L'},
                 {program + L".IN_", program + L".INF", 'F'},
                 {program + L".EX_", program + L".EXE", 'E'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(fs::path(c.shipped).string());
        Write(c.own, ToBytes("Setup's own file"));
        Write(L"Other.BIN", ToBytes("installed before"));
        Write(c.shipped, Compress("a file posing as Setup's own", c.recorded));
        const std::set<std::string> before = Names();
        EXPECT_EQ(Place(quorin::win::FromWide(c.shipped.c_str()), u"Other.BIN"),
                  PlaceOutcome::NoExpandedName);
        EXPECT_EQ(Read(c.own), "Setup's own file");
        EXPECT_EQ(Read(L"Other.BIN"), "installed before");
        EXPECT_EQ(Names(), before);
        TearDown();
        SetUp();
    }
}

TEST_F(PlaceFileTest, ReadOnlySourceIsNotExpanded) {
    Write(L"JOYSTICK.OC_", Compress(kOcx, 'X'));
    const fs::path source = folder_ / L"JOYSTICK.OC_";
    ASSERT_TRUE(::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        quorin::win::UniqueFile probe(::CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                    OPEN_EXISTING, 0, nullptr));
        if (probe)
            GTEST_SKIP() << "the platform lets this user write read-only files (Wine run as root)";
    }
    EXPECT_EQ(Place(u"JOYSTICK.OC_", u"Joystick.OCX"), PlaceOutcome::ExpansionFailed);
    EXPECT_EQ(Names(), (std::set<std::string>{"JOYSTICK.OC_"}));
}

} // namespace
