// The archive against the platform's LZ32 library and file placement over it, in a temporary
// folder: names restored, files expanded byte for byte, and every broken file refused without a
// trace and without replacing a good one.
#include <cstring>

#include "lz/encode.h"
#include "lz/names.h"
#include "setup/platform/archive.h"
#include "setup/platform/routines.h"
#include "setup/program.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

Bytes Compress(const Bytes& data, char recorded) {
    std::vector<uint8_t> out;
    quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(data.data()), data.size(), static_cast<uint8_t>(recorded), out);
    return Bytes(out.begin(), out.end());
}

TEST(Archive, NamesAndExpansion) {
    TempFolder f(L"archive");
    setup::Archive archive;
    // The names the package builder ships restore to the originals; an uncompressed file keeps
    // its own; a missing one and an expanded path of 128 bytes or more give none.
    for (const char* original : {"Joystick.OCX", "readme.txt", "page.html", "a.c", "v1.2.txt"}) {
        const quorin::CompressedName shipped = quorin::CompressedNameFor(original, true);
        f.Write(std::wstring(shipped.name.begin(), shipped.name.end()), Compress("x", static_cast<char>(shipped.missingChar)));
        EXPECT_EQ(archive.ExpandedName(f.Text(std::wstring(shipped.name.begin(), shipped.name.end()))),
                  f.Text(std::wstring(original, original + std::strlen(original))));
    }
    f.Write(L"plain.tx_", "not compressed");
    EXPECT_EQ(archive.ExpandedName(f.Text(L"plain.tx_")), f.Text(L"plain.tx_"));
    EXPECT_EQ(archive.ExpandedName(f.Text(L"missing.tx_")), Text());
    const size_t base = quorin::win::ToAnsi(f.Text() + u"\\").size();
    for (size_t total : {size_t{127}, size_t{128}, size_t{250}}) {
        const std::wstring name = std::wstring(total - base - 4, L'n') + L".TX_";
        f.Write(name, Compress("x", 'T'));
        EXPECT_EQ(archive.ExpandedName(f.Text(name)), total < 128 ? f.Text(name.substr(0, name.size() - 1) + L"T") : Text());
    }
    EXPECT_TRUE(archive.IsExisting(f.Text(L"plain.tx_")));
    EXPECT_FALSE(archive.IsExisting(f.Text(L"missing.tx_")));
    // Our encoder's files expand byte for byte through LZCopy at the edges: empty, one byte, runs
    // to and past the window (random data meets independent decoders in the native tests).
    for (const Bytes& data : {Bytes(), Bytes("A"), Bytes(4095, ' '), Bytes(4097, '\0')}) {
        f.Write(L"IN.DA_", Compress(data, 'T'));
        archive.Expand(f.Text(L"IN.DA_"), f.Text(L"OUT.DAT"));
        EXPECT_FALSE(archive.expansionFailed);
        EXPECT_EQ(f.Read(L"OUT.DAT"), data);
    }
}

// Broken compressed files, and a source held open without write sharing: the expansion fails,
// placement leaves no new file, and the installed file stays as it was.
TEST(Archive, BrokenSourcesPlaceNothing) {
    const Bytes content = Bytes(3000, 'p') + " the end of a file long enough to be cut";
    const Bytes good = Compress(content, 'T');
    Bytes longer = good, shorter = good, mode = good;
    longer[10] = static_cast<char>(longer[10] + 9);
    shorter[10] = static_cast<char>(shorter[10] - 9);
    mode[8] = 'B';
    const std::pair<const char*, Bytes> broken[] = {
        {"truncated stream", good.substr(0, good.size() / 2)}, {"cut in the header", good.substr(0, 11)},
        {"signature only", good.substr(0, 8)},                   {"longer than recorded", longer},
        {"shorter than recorded", shorter},                      {"unknown mode", mode},
        {"empty", Bytes()},                                      {"held open", good}};
    for (const auto& [what, data] : broken) {
        SCOPED_TRACE(what);
        TempFolder f(L"broken");
        f.Write(L"BROKEN.DA_", data);
        f.Write(L"Installed.DAT", "good");
        quorin::win::UniqueFile lock;
        if (std::string(what) == "held open")
            lock.reset(::CreateFileW(f.Path(L"BROKEN.DA_").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        setup::Archive archive;
        archive.Expand(f.Text(L"BROKEN.DA_"), f.Text(L"Out.DAT"));
        EXPECT_TRUE(archive.expansionFailed);
        ::DeleteFileW(f.Path(L"Out.DAT").c_str());
        const auto before = f.Names();
        EXPECT_EQ(setup::PlaceFile(f.Text(), {u"BROKEN.DA_", u"Installed.DAT"}, setup::OwnFiles()),
                  quorin::PlaceOutcome::ExpansionFailed);
        EXPECT_EQ(f.Names(), before);
        lock.reset();
        EXPECT_EQ(f.Read(L"BROKEN.DA_"), data);
        EXPECT_EQ(f.Read(L"Installed.DAT"), "good");
    }
}

TEST(Placement, OnTheRealFileSystem) {
    const Bytes older = Bytes(5000, 'M') + " 1.50.2004", newer = Bytes(6000, 'N') + " 1.50.2005";
    TempFolder f(L"place");
    const auto place = [&](const char16_t* source, const char16_t* target) {
        return setup::PlaceFile(f.Text(), {source, target}, setup::OwnFiles());
    };
    // The recorded name differs from the target in letter case only: the target's name wins.
    f.Write(L"JOYSTICK.OC_", Compress(older, 'X'));
    EXPECT_EQ(place(u"JOYSTICK.OC_", u"Joystick.OCX"), quorin::PlaceOutcome::Placed);
    f.Write(L"JOYSTICK.OC_", Compress(newer, 'X'));
    EXPECT_EQ(place(u"JOYSTICK.OC_", u"Joystick.OCX"), quorin::PlaceOutcome::Placed);
    EXPECT_EQ(f.Read(L"Joystick.OCX"), newer);
    // Hidden and system files are passed over by the existence test, yet never taken for a
    // placement's temporary file.
    for (int n = 0; n < 2; ++n) {
        const std::wstring name = fs::path(Wide(quorin::PlacementTemporaryName(f.Text(), n))).filename().wstring();
        f.Write(name, "user's file");
        ::SetFileAttributesW(f.Path(name).c_str(), n ? FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_HIDDEN);
        ASSERT_FALSE(setup::IsPathExisting(f.Text(name)));
    }
    EXPECT_EQ(place(u"JOYSTICK.OC_", u"Joystick.OCX"), quorin::PlaceOutcome::Placed);
    EXPECT_EQ(f.Names(), (std::set<std::string>{"JOYSTICK.OC_", "Joystick.OCX", "~QI0.TMP", "~QI1.TMP"}));
    EXPECT_TRUE(f.Read(L"~QI0.TMP") == "user's file" && f.Read(L"~QI1.TMP") == "user's file");
}

} // namespace
} // namespace setup_test
