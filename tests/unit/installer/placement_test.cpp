// File placement's decisions over the fake folder, and the name rules it applies. Each case: the
// folder before, one entry, the outcome and the folder after (names as the platform folds them).
#include "fake_world.h"

namespace quorin::test {
namespace {

const std::string kOld = "MZ control library, version 1.50.2004";
const std::string kNew = "MZ control library, version 1.50.2005, a little longer";

struct PlaceCase {
    const char* what;
    std::vector<std::pair<Text, FakeWorld::File>> before;
    SetupEntry entry;
    PlaceOutcome outcome;
    std::map<std::string, std::string> after; // the whole folder afterwards, own files aside
    void (*fault)(FakeWorld&) = nullptr;
};

TEST(Placement, OutcomesAndTheFolderAfterwards) {
    const std::string ocx = Compressed(kNew, 'X'), exe = Compressed(kNew, 'E');
    const std::string cut = ocx.substr(0, ocx.size() / 2);
    const PlaceCase cases[] = {
        {"recorded name", {{u"A.DL_", {Compressed(kNew, 'L')}}}, {u"A.DL_", u"A.DLL"}, PlaceOutcome::Placed,
         {{"a.dl_", Compressed(kNew, 'L')}, {"a.dll", kNew}}},
        {"another target name", {{u"B.EX_", {exe}}}, {u"B.EX_", u"Main.EXE"}, PlaceOutcome::Placed,
         {{"b.ex_", exe}, {"main.exe", kNew}}},
        {"in place again replaces", {{u"J.OC_", {ocx}}, {u"J.OCX", {kOld}}}, {u"J.OC_", u"j.ocx"},
         PlaceOutcome::Placed, {{"j.oc_", ocx}, {"j.ocx", kNew}}},
        {"another target again: a second copy", {{u"B.EX_", {exe}}, {u"Main.EXE", {kOld}}, {u"B.EXE", {"x"}}},
         {u"B.EX_", u"Main.EXE"}, PlaceOutcome::KeptUnderExpandedName,
         {{"b.ex_", exe}, {"main.exe", kOld}, {"b.exe", kNew}}},
        {"uncompressed is copied", {{u"README.TXT", {"read me"}}}, {u"README.TXT", u"Notes.TXT"}, PlaceOutcome::Placed,
         {{"readme.txt", "read me"}, {"notes.txt", "read me"}}},
        {"uncompressed in place, spelled otherwise", {{u"README.TXT", {"read me"}}}, {u".\\README.TXT", u"readme.txt."},
         PlaceOutcome::AlreadyInPlace, {{"readme.txt", "read me"}}},
        {"uncompressed over an existing target", {{u"README.TXT", {"new"}}, {u"Notes.TXT", {"old"}}},
         {u"README.TXT", u"Notes.TXT"}, PlaceOutcome::TargetKept, {{"readme.txt", "new"}, {"notes.txt", "old"}}},
        {"missing source", {}, {u"GONE.DL_", u"Gone.DLL"}, PlaceOutcome::SourceMissing, {}},
        {"read-only source", {{u"J.OC_", {ocx, true}}, {u"J.OCX", {kOld}}}, {u"J.OC_", u"J.OCX"},
         PlaceOutcome::ExpansionFailed, {{"j.oc_", ocx}, {"j.ocx", kOld}}},
        {"truncated source", {{u"J.OC_", {cut}}, {u"J.OCX", {kOld}}}, {u"J.OC_", u"J.OCX"},
         PlaceOutcome::ExpansionFailed, {{"j.oc_", cut}, {"j.ocx", kOld}}},
        {"full disk", {{u"J.OC_", {ocx}}}, {u"J.OC_", u"J.OCX"}, PlaceOutcome::ExpansionFailed, {{"j.oc_", ocx}},
         [](FakeWorld& w) { w.diskFull = true; }},
        {"never appears", {{u"J.OC_", {ocx}}}, {u"J.OC_", u"J.OCX"}, PlaceOutcome::NeverAppeared, {{"j.oc_", ocx}},
         [](FakeWorld& w) { w.neverAppears = true; }},
        {"installed file cannot be replaced", {{u"J.OC_", {ocx}}, {u"J.OCX", {kOld, true}}}, {u"J.OC_", u"J.OCX"},
         PlaceOutcome::NotMoved, {{"j.oc_", ocx}, {"j.ocx", kOld}}},
        {"a failed rename is no success", {{u"J.OC_", {ocx}}}, {u"J.OC_", u"J.OCX"}, PlaceOutcome::NotMoved,
         {{"j.oc_", ocx}}, [](FakeWorld& w) { w.renameFails = true; }},
        {"expanded name too long", {{Text(120, u'n') + u".DL_", {ocx}}}, {Text(120, u'n') + u".DL_", u"A.DLL"},
         PlaceOutcome::NoExpandedName, {{std::string(120, 'n') + ".dl_", ocx}}},
        {"hidden and system temporary names stay the user's",
         {{u"J.OC_", {ocx}}, {u"~QI0.TMP", {"mine", false, true}}, {u"~QI1.TMP", {"mine too", false, true}}},
         {u"J.OC_", u"J.OCX"}, PlaceOutcome::Placed,
         {{"j.oc_", ocx}, {"~qi0.tmp", "mine"}, {"~qi1.tmp", "mine too"}, {"j.ocx", kNew}}},
    };
    for (const PlaceCase& c : cases) {
        FakeWorld w;
        for (const auto& [name, file] : c.before)
            w.files[PathKey(name)] = file;
        if (c.fault)
            c.fault(w);
        EXPECT_EQ(PlaceFile(kFolder, c.entry, w), c.outcome) << c.what;
        EXPECT_EQ(w.Folder(), c.after) << c.what;
    }
}

// Names that leave the folder, name a device or one of Setup's own files are refused before
// anything is expanded, the name a compressed file records included: nothing can be replaced
// through it, even when the target exists and the new file would be kept under that name.
TEST(Placement, UnsafeNamesTouchNothing) {
    const struct {
        const char16_t* source;
        char recorded;
        const char16_t* target;
        PlaceOutcome outcome;
    } cases[] = {
        {u"..\\A.DL_", 'L', u"A.DLL", PlaceOutcome::UnsafeName},   {u"A.DL_", 'L', u"sub\\..\\..\\A.DLL", PlaceOutcome::UnsafeName},
        {u"A.DL_", 'L', u"C:A.DLL", PlaceOutcome::UnsafeName},     {u"A.DL_", 'L', u"\\Windows\\A.DLL", PlaceOutcome::UnsafeName},
        {u"A.DL_", 'L', u"", PlaceOutcome::UnsafeName},            {u"A.DL_", 'L', u"NUL.txt", PlaceOutcome::UnsafeName},
        {u"SETUP.IN_", 'F', u"Product.INF", PlaceOutcome::NoExpandedName},
        {u"setup.dl_", 'L', u"Other.DLL", PlaceOutcome::NoExpandedName},
        {u"Setup.EX_", 'E', u"Main.EXE", PlaceOutcome::NoExpandedName},
        {u"NU_", 'L', u"Null.BIN", PlaceOutcome::NoExpandedName},  {u"COM_", '1', u"Port.BIN", PlaceOutcome::NoExpandedName},
        {u"._", '.', u"Up.BIN", PlaceOutcome::NoExpandedName},     {u"A.DA_", ':', u"A.DAT", PlaceOutcome::NoExpandedName},
    };
    for (const auto& c : cases) {
        FakeWorld w;
        Package(w, {}, false);
        w.Put(c.source, Compressed("posing as another file", c.recorded));
        if (*c.target)
            w.Put(c.target, "installed before");
        const auto before = w.Folder();
        EXPECT_EQ(PlaceFile(kFolder, {c.source, c.target}, w), c.outcome) << ToUtf8(c.source) << ToUtf8(c.target);
        EXPECT_EQ(w.Folder(), before) << ToUtf8(c.source);
    }
}

TEST(Placement, NameRules) {
    const struct {
        const char16_t* name;
        bool inside;
    } inside[] = {{u"Joystick.OCX", true}, {u"sub/deeper/a.dll", true}, {u".\\a.dll", true}, {u"a..b.dll", true},
                  {u"..", false},          {u"..\\a.dll", false},       {u"sub/../a.dll", false}, {u"...\\a.dll", false},
                  {u".. \\a.dll", false},  {u". .\\a.dll", false},      {u"/etc/passwd", false}, {u"\\\\server\\s\\a", false},
                  {u"C:a.dll", false},     {u"a.dll:stream", false},    {u"con", false},         {u"COM1. ", false},
                  {u"sub\\Lpt9.txt", false}, {u"conin$", false},        {u"COM0", true},         {u"console", true}};
    for (const auto& c : inside)
        EXPECT_EQ(StaysInsideFolder(c.name), c.inside) << ToUtf8(c.name);
    const struct {
        const char16_t *a, *b;
        bool same;
    } same[] = {{u"C:\\Pkg\\readme.txt", u"c:/PKG/README.TXT", true}, {u"C:\\Pkg\\.\\README.TXT", u"C:\\Pkg\\README.TXT", true},
                {u"C:\\Pkg\\\\README.TXT", u"C:\\Pkg\\README.TXT", true}, {u"C:\\Pkg\\README.TXT .", u"C:\\Pkg\\README.TXT", true},
                {u"C:\\Pkg\\readme.txt", u"C:\\Pkg\\readme.tx_", false}, {u"C:\\Pkg\\sub\\..\\a", u"C:\\Pkg\\a", false},
                {u"\\a", u"a", false}};
    for (const auto& c : same)
        EXPECT_EQ(SamePath(c.a, c.b), c.same) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    EXPECT_TRUE(NamesOwnFile(u"./setup.exe", {u"Setup.EXE"}));
    EXPECT_FALSE(NamesOwnFile(u"Setup.EX_", {u"Setup.EXE"}));
}

} // namespace
} // namespace quorin::test
