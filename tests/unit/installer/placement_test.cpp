#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/placement.h"
#include "base/runtime_error.h"
#include "lz/decode.h"
#include "lz/encode.h"
#include "installer/paths.h"

using quorin::PlaceOutcome;
using quorin::SetupEntry;
using quorin::Text;

namespace {

using Bytes = std::vector<uint8_t>;

const Text kFolder = u"C:\\Pkg";

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Compress(const std::string& s, char missing) {
    Bytes out;
    quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(s.data()), s.size(), static_cast<uint8_t>(missing),
                       out);
    return out;
}

// The fake file system's key for a path: ".\" dropped, trailing dots and blanks dropped, upper
// case, as the platform resolves the names these tests use.
Text Key(const Text& path) {
    Text k;
    for (char16_t c : path)
        k.push_back(c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c);
    for (size_t at; (at = k.find(u"\\.\\")) != Text::npos;)
        k.erase(at, 2);
    while (!k.empty() && (k.back() == u'.' || k.back() == u' '))
        k.pop_back();
    return k;
}

// One folder of files with the LZ library's behaviour: compressed files expand to the name
// their header records, uncompressed ones copy; an input that cannot be opened for writing
// fails, and, as with the real library, the output has been created (empty) by then. Hidden and
// system files are passed over by the existence test, and cannot be created over.
class FakePlatform : public quorin::PlacementPlatform {
public:
    struct File {
        Text name;
        Bytes content;
        bool readOnly = false;
        bool hiddenOrSystem = false;
    };

    void Put(const Text& name, Bytes content, bool readOnly = false, bool hiddenOrSystem = false) {
        files_[Key(Path(name))] = File{Path(name), std::move(content), readOnly, hiddenOrSystem};
    }
    static Text Path(const Text& name) { return kFolder + u"\\" + name; }
    bool Has(const Text& name) const { return files_.count(Key(Path(name))) > 0; }
    const File& Get(const Text& name) const { return files_.at(Key(Path(name))); }
    std::string Content(const Text& name) const {
        const Bytes& b = Get(name).content;
        return std::string(b.begin(), b.end());
    }
    // Names present, in upper case.
    std::set<std::string> Names() const {
        std::set<std::string> out;
        for (const auto& [key, file] : files_)
            out.insert(std::string(key.begin() + static_cast<ptrdiff_t>(kFolder.size()) + 1, key.end()));
        return out;
    }

    // Knobs for failures.
    size_t expandedNameLimit = 127;
    bool meltLeavesNoFile = false;
    bool isExistingRaises = false;

    // What was called.
    std::vector<std::pair<Text, Text>> melts;
    int pauses = 0;

    bool IsExisting(const Text& path) override {
        if (isExistingRaises)
            throw quorin::RuntimeError(quorin::ErrorCode::PathNotFound);
        return files_.count(Key(path)) > 0;
    }
    Text Require(const Text& path) override {
        auto it = files_.find(Key(path));
        if (it == files_.end())
            return Text();
        Text name = it->second.name;
        quorin::SzddHeader header;
        const Bytes& c = it->second.content;
        if (quorin::ReadSzddHeader(c.data(), c.size(), header) == quorin::SzddStatus::Ok && !name.empty() &&
            name.back() == u'_') {
            name.pop_back();
            if (header.missingChar != 0)
                name.push_back(header.missingChar);
        }
        return name.size() > expandedNameLimit ? Text() : name;
    }
    void Melt(const Text& in, const Text& out) override {
        melts.emplace_back(in, out);
        exception_ = true;
        auto src = files_.find(Key(in));
        Bytes input;
        const bool readable = src != files_.end() && !src->second.readOnly;
        if (readable)
            input = src->second.content;
        if (meltLeavesNoFile) {
            files_.erase(Key(out));
            exception_ = false;
            return;
        }
        auto existing = files_.find(Key(out));
        if (existing != files_.end() && existing->second.hiddenOrSystem)
            return; // creating over a hidden or system file is refused
        File& dst = files_[Key(out)];
        dst = File{out, {}, false};
        if (!readable)
            return;
        if (!quorin::HasSzddSignature(input.data(), input.size())) {
            dst.content = input;
            exception_ = false;
            return;
        }
        exception_ = quorin::DecodeSzdd(input.data(), input.size(), dst.content) != quorin::SzddStatus::Ok;
    }
    bool Exception() override { return exception_; }
    bool IsPathExisting(const Text& path) override {
        auto it = files_.find(Key(path));
        return it != files_.end() && !it->second.hiddenOrSystem;
    }
    bool CreateNewFile(const Text& path) override {
        if (files_.count(Key(path)) > 0)
            return false;
        files_[Key(path)] = File{path, {}, false, false};
        return true;
    }
    void Rename(const Text& from, const Text& to) override {
        auto it = files_.find(Key(from));
        if (it == files_.end() || (files_.count(Key(to)) > 0 && Key(from) != Key(to)))
            throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "rename");
        File f = it->second;
        files_.erase(it);
        f.name = to;
        files_[Key(to)] = f;
    }
    void Delete(const Text& path) override {
        auto it = files_.find(Key(path));
        if (it == files_.end() || it->second.readOnly)
            throw quorin::RuntimeError(quorin::ErrorCode::PlatformFailure, "delete");
        files_.erase(it);
    }
    void Pause(uint32_t) override { ++pauses; }
    std::vector<Text> OwnFiles() override { return {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"}; }

private:
    std::map<Text, File> files_;
    bool exception_ = false;
};

// Placement's n-th temporary name, relative to the folder.
Text TemporaryName(int n) {
    return quorin::PlacementTemporaryName(kFolder, n).substr(kFolder.size() + 1);
}

PlaceOutcome Place(FakePlatform& fake, const Text& source, const Text& target) {
    return quorin::PlaceFile(kFolder, SetupEntry{source, target, false}, fake);
}

const std::string kOcx = "MZ control library, version 1.50.2004";
const std::string kOcxNew = "MZ control library, version 1.50.2005 with more bytes";

TEST(PlaceFile, CompressedEntryUnderItsRecordedName) {
    FakePlatform fake;
    fake.Put(u"A.DL_", Compress("library", 'L'));
    EXPECT_EQ(Place(fake, u"A.DL_", u"A.DLL"), PlaceOutcome::Placed);
    EXPECT_EQ(fake.Content(u"A.DLL"), "library");
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"A.DL_", "A.DLL"}));
}

TEST(PlaceFile, TargetNameDifferentFromRecordedName) {
    FakePlatform fake;
    fake.Put(u"B.EX_", Compress("program", 'E'));
    EXPECT_EQ(Place(fake, u"B.EX_", u"Main.EXE"), PlaceOutcome::Placed);
    EXPECT_EQ(fake.Content(u"Main.EXE"), "program");
    EXPECT_EQ(fake.Get(u"Main.EXE").name, FakePlatform::Path(u"Main.EXE"));
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"B.EX_", "MAIN.EXE"}));
}

TEST(PlaceFile, PlacingTwiceInPlaceReplacesTheFile) {
    FakePlatform fake;
    fake.Put(u"JOYSTICK.OC_", Compress(kOcx, 'X'));
    ASSERT_EQ(Place(fake, u"JOYSTICK.OC_", u"Joystick.OCX"), PlaceOutcome::Placed);
    fake.Put(u"JOYSTICK.OC_", Compress(kOcxNew, 'X'));
    EXPECT_EQ(Place(fake, u"JOYSTICK.OC_", u"Joystick.OCX"), PlaceOutcome::Placed);
    EXPECT_EQ(fake.Content(u"Joystick.OCX"), kOcxNew);
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"JOYSTICK.OC_", "JOYSTICK.OCX"}));
}

TEST(PlaceFile, PlacingTwiceWithAnotherTargetLeavesASecondCopy) {
    FakePlatform fake;
    fake.Put(u"B.EX_", Compress("first", 'E'));
    ASSERT_EQ(Place(fake, u"B.EX_", u"Main.EXE"), PlaceOutcome::Placed);
    fake.Put(u"B.EX_", Compress("second", 'E'));
    EXPECT_EQ(Place(fake, u"B.EX_", u"Main.EXE"), PlaceOutcome::KeptUnderExpandedName);
    EXPECT_EQ(fake.Content(u"Main.EXE"), "first");
    EXPECT_EQ(fake.Content(u"B.EXE"), "second");
    // A third run replaces the copy under the expanded name, as expanding over it would.
    fake.Put(u"B.EX_", Compress("third", 'E'));
    EXPECT_EQ(Place(fake, u"B.EX_", u"Main.EXE"), PlaceOutcome::KeptUnderExpandedName);
    EXPECT_EQ(fake.Content(u"B.EXE"), "third");
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"B.EX_", "B.EXE", "MAIN.EXE"}));
}

TEST(PlaceFile, UncompressedSourceIsCopiedNeverEmptied) {
    FakePlatform fake;
    fake.Put(u"README.TXT", ToBytes("read me"));
    EXPECT_EQ(Place(fake, u"README.TXT", u"ReadMe.TXT"), PlaceOutcome::AlreadyInPlace);
    EXPECT_TRUE(fake.melts.empty());
    EXPECT_EQ(fake.Content(u"README.TXT"), "read me");

    EXPECT_EQ(Place(fake, u"README.TXT", u"Notes.TXT"), PlaceOutcome::Placed);
    EXPECT_EQ(fake.Content(u"README.TXT"), "read me");
    EXPECT_EQ(fake.Content(u"Notes.TXT"), "read me");
    for (const auto& [in, out] : fake.melts)
        EXPECT_FALSE(quorin::SamePath(in, out));

    // The target exists now: it is kept, the source untouched.
    fake.Put(u"README.TXT", ToBytes("read me, edited"));
    EXPECT_EQ(Place(fake, u"README.TXT", u"Notes.TXT"), PlaceOutcome::TargetKept);
    EXPECT_EQ(fake.Content(u"Notes.TXT"), "read me");
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"NOTES.TXT", "README.TXT"}));
}

struct FailureCase {
    const char* name;
    Bytes source;
    bool readOnly;
    PlaceOutcome outcome;
};

// A failed or partial expansion changes nothing: no target, no partial file, no temporary
// file left, and an installed target keeps its content.
TEST(PlaceFile, FailedExpansionChangesNothing) {
    Bytes good = Compress(kOcxNew, 'X');
    Bytes truncated(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2));
    Bytes longer = good;
    longer[10] = 3; // the header claims fewer bytes than the data holds
    Bytes cutMatch = Compress(std::string(200, 'z'), 'X');
    cutMatch.pop_back();
    std::vector<FailureCase> cases = {
        {"ReadOnlySource", good, true, PlaceOutcome::ExpansionFailed},
        {"TruncatedSource", truncated, false, PlaceOutcome::ExpansionFailed},
        {"LongerThanRecorded", longer, false, PlaceOutcome::ExpansionFailed},
        {"MatchCut", cutMatch, false, PlaceOutcome::ExpansionFailed},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool installed : {false, true}) {
            FakePlatform fake;
            fake.Put(u"JOYSTICK.OC_", c.source, c.readOnly);
            if (installed)
                fake.Put(u"Joystick.OCX", ToBytes(kOcx));
            EXPECT_EQ(Place(fake, u"JOYSTICK.OC_", u"Joystick.OCX"), c.outcome);
            EXPECT_EQ(fake.Has(u"Joystick.OCX"), installed);
            if (installed) {
                EXPECT_EQ(fake.Content(u"Joystick.OCX"), kOcx);
            }
            EXPECT_EQ(fake.Names().size(), installed ? 2u : 1u);
        }
    }
}

TEST(PlaceFile, WaitForTheExpandedFileIsBounded) {
    FakePlatform fake;
    fake.meltLeavesNoFile = true; // reports success, yet no file ever appears
    fake.Put(u"A.DL_", Compress("library", 'L'));
    EXPECT_EQ(Place(fake, u"A.DL_", u"A.DLL"), PlaceOutcome::NeverAppeared);
    EXPECT_EQ(fake.pauses, quorin::kAppearPolls - 1);
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"A.DL_"}));
}

struct SkipCase {
    const char* name;
    Text source;
    Text target;
    PlaceOutcome outcome;
};

TEST(PlaceFile, EntriesThatAreSkippedTouchNothing) {
    std::vector<SkipCase> cases = {
        {"MissingSource", u"GONE.DL_", u"Gone.DLL", PlaceOutcome::SourceMissing},
        {"ParentFolderSource", u"..\\A.DL_", u"A.DLL", PlaceOutcome::UnsafeName},
        {"ParentFolderTarget", u"A.DL_", u"sub\\..\\..\\A.DLL", PlaceOutcome::UnsafeName},
        {"DriveTarget", u"A.DL_", u"C:A.DLL", PlaceOutcome::UnsafeName},
        {"AbsoluteTarget", u"A.DL_", u"\\Windows\\A.DLL", PlaceOutcome::UnsafeName},
        {"EmptyTarget", u"A.DL_", u"", PlaceOutcome::UnsafeName},
    };
    for (const SkipCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform fake;
        fake.Put(u"A.DL_", Compress("library", 'L'));
        EXPECT_EQ(Place(fake, c.source, c.target), c.outcome);
        EXPECT_TRUE(fake.melts.empty());
        EXPECT_EQ(fake.Names(), (std::set<std::string>{"A.DL_"}));
    }
}

TEST(PlaceFile, ExpandedNameTooLongForTheBufferIsSkipped) {
    FakePlatform fake;
    const Text longName = Text(120, u'n') + u".DL_";
    fake.Put(longName, Compress("library", 'L'));
    EXPECT_EQ(Place(fake, longName, u"A.DLL"), PlaceOutcome::NoExpandedName);
    EXPECT_TRUE(fake.melts.empty());
    EXPECT_EQ(fake.Names().size(), 1u);
}

TEST(PlaceFile, RaisedErrorsAbandonTheEntry) {
    FakePlatform fake;
    fake.isExistingRaises = true;
    fake.Put(u"A.DL_", Compress("library", 'L'));
    EXPECT_EQ(Place(fake, u"A.DL_", u"A.DLL"), PlaceOutcome::SourceMissing);
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"A.DL_"}));
}

TEST(PlaceFile, TemporaryNamesNeverTouchExistingFiles) {
    FakePlatform fake;
    fake.Put(u"A.DL_", Compress("library", 'L'));
    fake.Put(u"~QI0.TMP", ToBytes("a packager's own file"));
    EXPECT_EQ(Place(fake, u"A.DL_", u"A.DLL"), PlaceOutcome::Placed);
    EXPECT_EQ(fake.Content(u"~QI0.TMP"), "a packager's own file");
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"A.DL_", "A.DLL", "~QI0.TMP"}));
}

// Hidden and system files are invisible to the existence test, yet never taken for a free
// temporary name: whether the expansion succeeds or fails, they keep their content, and the
// temporary names placement uses are its own.
TEST(PlaceFile, HiddenAndSystemFilesAreNeverTakenAsTemporaryNames) {
    const Bytes good = Compress(kOcx, 'X');
    const Bytes truncated(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2));
    const struct {
        const char* what;
        const Bytes& source;
        PlaceOutcome outcome;
    } cases[] = {{"expanded", good, PlaceOutcome::Placed},
                 {"failed", truncated, PlaceOutcome::ExpansionFailed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool installed : {false, true}) {
            FakePlatform fake;
            fake.Put(u"JOYSTICK.OC_", c.source);
            if (installed) // the new file then replaces it through a second temporary name
                fake.Put(u"Joystick.OCX", ToBytes("older"));
            std::set<std::string> names = {"JOYSTICK.OC_"};
            for (int n = 0; n < 3; ++n) {
                fake.Put(TemporaryName(n), ToBytes("user's file " + std::to_string(n)), false, true);
                names.insert(quorin::ToUtf8(Key(TemporaryName(n))));
            }
            EXPECT_EQ(Place(fake, u"JOYSTICK.OC_", u"Joystick.OCX"), c.outcome);
            for (int n = 0; n < 3; ++n) {
                ASSERT_TRUE(fake.Has(TemporaryName(n))) << n;
                EXPECT_EQ(fake.Content(TemporaryName(n)), "user's file " + std::to_string(n));
            }
            if (installed || c.outcome == PlaceOutcome::Placed)
                names.insert("JOYSTICK.OCX");
            EXPECT_EQ(fake.Names(), names);
        }
    }
}

// The name a compressed file records (its last character) passes the rule the script's names
// pass: one that is Setup's own file, a device or the parent folder is refused before anything
// is expanded, so nothing can be replaced through it, even when the target already exists and
// the new file would otherwise be kept under that name.
TEST(PlaceFile, RecordedNameOfSetupsOwnFileOrADeviceIsRefused) {
    const struct {
        const char16_t* shipped;
        char recorded;
        const char16_t* target;
    } cases[] = {
        {u"SETUP.IN_", 'F', u"Product.INF"}, {u"setup.dl_", 'L', u"Other.DLL"},
        {u"Setup.EX_", 'E', u"Main.EXE"},    {u"NU_", 'L', u"Null.BIN"},
        {u"COM_", '1', u"Port.BIN"},         {u"._", '.', u"Up.BIN"},
        {u"A.DA_", ':', u"A.DAT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(quorin::ToUtf8(c.shipped));
        FakePlatform fake;
        for (const char16_t* own : {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"})
            fake.Put(own, ToBytes("Setup's own " + quorin::ToUtf8(own)));
        fake.Put(c.target, ToBytes("installed before"));
        fake.Put(c.shipped, Compress("a file posing as another", c.recorded));
        const std::set<std::string> before = fake.Names();
        EXPECT_EQ(Place(fake, c.shipped, c.target), PlaceOutcome::NoExpandedName);
        EXPECT_TRUE(fake.melts.empty());
        EXPECT_EQ(fake.Names(), before);
        for (const char16_t* own : {u"Setup.EXE", u"Setup.INF", u"Setup.DLL"})
            EXPECT_EQ(fake.Content(own), "Setup's own " + quorin::ToUtf8(own));
        EXPECT_EQ(fake.Content(c.target), "installed before");
    }
}

TEST(PlaceFile, InstalledFileThatCannotBeReplacedStays) {
    FakePlatform fake;
    fake.Put(u"JOYSTICK.OC_", Compress(kOcxNew, 'X'));
    // A read-only file can be renamed but not deleted: moved aside, it goes back in place.
    fake.Put(u"Joystick.OCX", ToBytes(kOcx), true);
    EXPECT_EQ(Place(fake, u"JOYSTICK.OC_", u"Joystick.OCX"), PlaceOutcome::NotMoved);
    EXPECT_EQ(fake.Content(u"Joystick.OCX"), kOcx);
    EXPECT_EQ(fake.Names(), (std::set<std::string>{"JOYSTICK.OC_", "JOYSTICK.OCX"}));
}

TEST(PlaceFile, SamePathResolvesNamesAsThePlatformDoes) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        bool same;
    };
    const Case cases[] = {
        {u"C:\\Pkg\\readme.txt", u"c:/PKG/README.TXT", true},
        {u"C:\\Pkg\\.\\README.TXT", u"C:\\Pkg\\README.TXT", true},
        {u"C:\\Pkg\\\\README.TXT", u"C:\\Pkg\\README.TXT", true},
        {u"C:\\Pkg\\README.TXT.", u"C:\\Pkg\\README.TXT", true},
        {u"C:\\Pkg\\README.TXT .", u"C:\\Pkg\\README.TXT", true},
        {u"C:\\Pkg\\readme.txt", u"C:\\Pkg\\readme.tx_", false},
        {u"C:\\Pkg\\sub\\..\\a", u"C:\\Pkg\\a", false}, // never resolved: such names are refused
        {u"\\a", u"a", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quorin::SamePath(c.a, c.b), c.same) << quorin::ToUtf8(c.a) << " / " << quorin::ToUtf8(c.b);
}

// An uncompressed entry that names its own file in another spelling is already in place: it is
// neither copied nor, through a later LzTrash, at risk of being taken for a separate file.
TEST(PlaceFile, UncompressedSourceSpelledDifferentlyIsInPlace) {
    FakePlatform fake;
    fake.Put(u"README.TXT", ToBytes("read me"));
    EXPECT_EQ(Place(fake, u".\\README.TXT", u"readme.txt."), PlaceOutcome::AlreadyInPlace);
    EXPECT_TRUE(fake.melts.empty());
}

} // namespace
