// The report of a trial judged from the driver's record: the snapshot differences, Setup's
// messages told apart, the verdict with its reasons, and the report as text and as JSON.
#include "test_support.h"

using namespace pack_test;
using namespace quorin::pack;
using namespace std::string_literals;

namespace {

std::string Reasons(const TrialReport& report) {
    std::string out;
    for (const std::string& r : report.reasons)
        out += r + "\n";
    return out;
}

TEST(TrialDiff, FoldersByPathAndContents) {
    const FolderSnapshot before = {
        {"a", {false, 3, 11}}, {"b", {false, 3, 12}}, {"c", {true, 0, 0}}, {"d", {}}};
    FolderSnapshot after = before;
    after["a"].size = 4;
    after["b"].hash = 99;
    after["c"].folder = false;
    after.erase("d");
    after["f/g"] = {false, 1, 1};
    const FolderChanges c = DiffFolders(before, after);
    EXPECT_EQ(c.added, std::vector<std::string>{"f/g"});
    EXPECT_EQ(c.removed, std::vector<std::string>{"d"});
    EXPECT_EQ(c.changed, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(DiffFolders(before, before).empty());
}

// What Wine itself rewrites under HKCU is left out of the comparison, and only that key.
TEST(TrialDiff, RegistryKeysAndValuesBothWays) {
    const std::string wine = "HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters";
    const RegistrySnapshot before = {
        {"HKEY_CLASSES_ROOT\\Gone", {{"", Sz("old")}}},
        {"HKEY_CURRENT_USER\\Software\\Kept",
         {{"same", Sz("1")}, {"changed", Sz("1")}, {"retyped", Sz("1")}, {"dropped", Sz("x")}}},
        {wine, {}},
    };
    const RegistrySnapshot after = {
        {"HKEY_CURRENT_USER\\Software\\Kept",
         {{"same", Sz("1")},
          {"changed", Sz("2")},
          {"retyped", {"REG_EXPAND_SZ", "1"}},
          {"", Sz("new default")}}},
        {"HKEY_LOCAL_MACHINE\\Software\\New", {{"v", {"REG_DWORD", "1"}}}},
        {wine + "\\Control Panel\\Mouse", {{"x", Sz("y")}}},
        {wine + " Too", {}}, // shares the ignored key's name as a prefix but is another key
    };
    const RegistryChanges c = DiffRegistry(before, after);
    EXPECT_EQ(c.keysAdded, (std::vector<std::string>{wine + " Too", "HKEY_LOCAL_MACHINE\\Software\\New"}));
    EXPECT_EQ(c.keysRemoved, std::vector<std::string>{"HKEY_CLASSES_ROOT\\Gone"});
    std::vector<std::string> values;
    for (const ValueChange& v : c.values)
        values.push_back(v.key.substr(v.key.rfind('\\') + 1) + "/" + v.name + ":" +
                         (v.before ? v.before->data : "-") + ">" +
                         (v.after ? v.after->type + "," + v.after->data : "-"));
    EXPECT_EQ(values, (std::vector<std::string>{"Gone/:old>-", "Kept/:->REG_SZ,new default",
                                                "Kept/changed:1>REG_SZ,2", "Kept/dropped:x>-",
                                                "Kept/retyped:1>REG_EXPAND_SZ,1", "New/v:->REG_DWORD,1"}));
    EXPECT_EQ(DiffRegistry(before, after, {}).keysAdded.size(), 3u)
        << "nothing is ignored when no key is named";
}

TEST(TrialMessages, AreToldApartByTheirFixedText) {
    const std::map<int, std::string> strings = GoodRecord().strings;
    const struct {
        std::string text;
        int id;
    } cases[] = {
        {"次のファイルを正しくインストールできませんでした\n\nBroken.OCX\nOther.DLL", 303},
        {"次のファイルを正しくインストールできませんでした\n\n", 303},
        {"次のファイルはプログラムの場所の外を指しているため、処理しませんでした\n\n..\\Outside.TXT", 301},
        {"セットアップ "
         "スクリプトに誤りがあるため、セットアップを終了します\n\n'C:\\pkg\\Setup.INF'\n\nセクション [4] "
         "のキー Lz の値 'NOCOMMA.DL_' にコンマ (,) がありません",
         202},
        {"セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'C:\\pkg\\Setup.INF'", 0},
        {kInstalled + " ", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IdentifyMessage(c.text, strings), c.id) << c.text;
    // A placeholder alone would match anything; the more specific of two patterns wins.
    EXPECT_EQ(IdentifyMessage("anything", {{1, "$"}}), 0);
    EXPECT_EQ(IdentifyMessage("abc", {{1, "a$"}, {2, "ab$"}, {3, "$c"}}), 2);
}

TEST(TrialVerdict, EachMisbehaviourFailsWithItsReason) {
    const std::string notInstalled = "次のファイルを正しくインストールできませんでした\n\nJoystick.OCX";
    const struct {
        std::function<void(TrialRecord&)> spoil;
        std::string reason;
    } cases[] = {
        {[&](TrialRecord& r) {
             r.runs[0].boxes.insert(r.runs[0].boxes.begin() + 1, {"", notInstalled});
         },
         "install (first start): Setup showed message 303 (some files were not installed): "
         "次のファイルを正しくインストールできませんでした Joystick.OCX"},
        {[](TrialRecord& r) { r.runs[1].boxes.pop_back(); },
         "uninstall (second start): Setup did not show message 107 (completion)"},
        {[](TrialRecord& r) {
             r.runs[1].offered = Offered::Install;
             r.runs[1].pressed = false;
             r.runs[1].boxes.clear();
         },
         "uninstall (second start): Setup offered install, expected uninstall"},
        {[](TrialRecord& r) {
             r.runs[0].ended = false;
             r.runs[0].seconds = 90.4;
         },
         "Setup did not end by itself; the driver ended it after 90 s"},
        {[](TrialRecord& r) { r.runs[2].exitCode = -1073741819; },
         "after-uninstall (third start): Setup ended with exit code -1073741819"},
        {[](TrialRecord& r) {
             r.runs[2].boxes.push_back({"Program Error", "Setup.EXE has crashed"});
         },
         "a window that is none of Setup's messages: \"Program Error\": Setup.EXE has crashed"},
        {[](TrialRecord& r) {
             r.snapshots[kSnapshotUninstalled].registry["HKEY_CURRENT_USER\\Software\\Leaky"] = {};
         },
         "the uninstall left registry keys behind: HKEY_CURRENT_USER\\Software\\Leaky"},
        {[](TrialRecord& r) {
             r.snapshots[kSnapshotUninstalled].registry["HKEY_CURRENT_USER\\Software"]["Seen"] = Sz("yes");
         },
         "the uninstall left registry values different: HKEY_CURRENT_USER\\Software\\Seen (added)"},
        {[](TrialRecord& r) {
             r.snapshots[kSnapshotUninstalled].folder["Joystick.OCX"] = {false, 140, 4};
         },
         "the uninstall left files added in the package folder: Joystick.OCX"},
        {[](TrialRecord& r) { r.snapshots[kSnapshotUninstalled].folder.erase("Setup.INF"); },
         "the uninstall left files removed in the package folder: Setup.INF"},
        {[](TrialRecord& r) { r.lzTrash.clear(); },
         "the uninstall left files removed in the package folder: Joystick.OC_"},
        {[](TrialRecord& r) { r.runs.pop_back(); }, "after-uninstall: Setup was not started for it"},
        {[](TrialRecord& r) { r.snapshots.erase(kSnapshotUninstalled); },
         "the folder and the registry were not compared"},
        {[](TrialRecord& r) { r.runs[2].started = r.runs[2].ended = false; },
         "after-uninstall (third start): Setup.EXE could not be started"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        TrialRecord record = GoodRecord();
        c.spoil(record);
        const TrialReport r = JudgeTrial(record, "pkg", {});
        EXPECT_FALSE(r.passed);
        EXPECT_NE(Reasons(r).find(c.reason), std::string::npos) << Reasons(r);
    }
    // What check found comes first, and fails a trial that passes otherwise.
    const TrialReport r =
        JudgeTrial(GoodRecord(), "pkg", {"pkg/Setup.INF: [1] Lz: the compressed file is missing"});
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(Reasons(r), "check: pkg/Setup.INF: [1] Lz: the compressed file is missing\n");
}

// The package as named, in JSON with only what JSON requires escaped. (That a package which
// behaves passes is the try command's test; that each misbehaviour fails, the table above.)
TEST(TrialRendering, BothFormsCarryTheVerdictAndTheChanges) {
    const std::string package = "dist/\"p\\kg\"\t\r\n\0\x1f\x7f/\xe3\x82\xb2\xe3\x83\xbc\xe3\x83\xa0"s;
    TrialRecord record = GoodRecord();
    record.snapshots[kSnapshotUninstalled].registry["HKEY_CURRENT_USER\\Software\\Leaky"] = {
        {"Path", Sz("C:\\x")}};
    const TrialReport r = JudgeTrial(record, package, {});
    // The uninstall entry, found under the title; the compressed file LzTrash deletes is no file left.
    ASSERT_TRUE(r.install.entryAfter.has_value());
    EXPECT_EQ(r.install.entryAfter->at("UninstallString").data, "C:\\quorin-pack-try\\package\\Setup.EXE");
    EXPECT_FALSE(r.uninstall.entryAfter.has_value());
    EXPECT_TRUE(r.leftFiles.empty());
    StringOutput text, json;
    RenderTrialText(r, text);
    RenderTrialJson(r, json);
    for (const std::string& part :
         std::vector<std::string>{"quorin-pack try: " + package + " (\"Ombrel's Gantrel\")",
                                  "message 105: インストールが完了しました", "file added:   Joystick.OCX",
                                  "install record: (none) -> \"C:\\quorin-pack-try\\package\"",
                                  "+ key   HKEY_CURRENT_USER\\Software\\Leaky", "Temporary System Parameters",
                                  "verdict: FAIL", "   - the uninstall left registry keys behind"})
        EXPECT_NE(text.str().find(part), std::string::npos) << part << "\n" << text.str();
    for (const char* part :
         {"\"package\": \"dist/\\\"p\\\\kg\\\"\\t\\r\\n\\u0000\\u001f\\u007f/ゲーム\"", "\"passed\": false",
          "\"name\": \"install\", \"expected\": \"install\", \"offered\": \"install\"",
          "{\"id\": 104, \"caption\": \"Ombrel's Quorin Installer\"",
          "\"removedByLzTrash\": [\"Joystick.OC_\"]", "\"after\": \"C:\\\\quorin-pack-try\\\\package\"",
          "\"keysAdded\": [\"HKEY_CURRENT_USER\\\\Software\\\\Leaky\"]", "\"ignoredKeys\": [{\"key\": "})
        EXPECT_NE(json.str().find(part), std::string::npos) << part << "\n" << json.str();
    // One document, closed at the end (the end-to-end tests parse it).
    EXPECT_EQ(json.str().substr(json.str().size() - 4), "]\n}\n");
}

} // namespace
