// Setup.EXE as a user meets it, driven from another process: a round trip in a folder whose name
// holds Japanese and a blank, faults during install and uninstall, Setup killed halfway, and
// hostile scripts. Each case builds its package on the prefix's C: drive (LzTrash NO, so an
// uninstall gives the folder back), drives Setup, checks the boxes shown (their texts written
// here), the files and the registry, and ends with the folder and the whole registry exactly as
// before the first install. A case about recovery (the round trip, the kill) installs and
// uninstalls once more first; the others recover with the uninstall they need.
//
//   setup_e2e PAYLOAD COMPONENT [--gtest_filter=...]                the cases inside the prefix
//   setup_e2e PAYLOAD COMPONENT --phase build|fault|recover CASE FOLDER   a case whose fault is a
//                                                                   mount (faults_mounted.sh)
#include <gtest/gtest.h>

#include <cstdio>

#include "lz/encode.h"
#include "driver/setup_driver.h"
#include "driver/system_snapshot.h"
#include "try/report.h"
#include "win/ansi.h"

namespace {

using namespace quorin::driver;

wstring g_payload, g_component; // Setup.EXE and Setup.DLL; the fault component
const wstring kRoot = L"C:\\quorin-e2e";
const wstring kRecordKey = L"Software\\Ombrel's Quorin\\Installer";
const wstring kEntryParent = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wstring kComponentKey = L"Software\\Quorin Fault Component";

// The boxes as the user reads them.
const wstring kAskInstall = L"プログラムをインストールしてもよろしいですか", kInstallDone = L"インストールが完了しました";
const wstring kAskUninstall = L"プログラムをアンインストールしてもよろしいですか";
const wstring kUninstallDone = L"アンインストールが完了しました\n必要なければファイル フォルダは消去してください";
const wstring kNotInstalled = L"次のファイルを正しくインストールできませんでした\n\n"; // then the names
const wstring kNotUninstalled = L"次のファイルを正しくアンインストールできませんでした\n\n";

std::string Ansi(const wstring& s) {
    return quorin::win::ToAnsi(quorin::win::FromWide(s.c_str()));
}

struct Entry {
    wstring shipped, target;
    bool selfRegister;
    Bytes content; // empty: the fault component
};

Entry Plain(const wchar_t* shipped, const wchar_t* target, size_t size) {
    Bytes content = Utf8(target) + "\r\n";
    while (content.size() < size)
        content += "line " + std::to_string(content.size()) + "\r\n";
    return {shipped, target, false, content};
}

const Entry kComponent{L"FAULT.DL_", L"Fault.DLL", true, {}};

Bytes ContentOf(const Entry& e) {
    return e.content.empty() ? ReadBytes(g_component).value_or(Bytes()) : e.content;
}

struct Package {
    wstring name, folder;
    std::vector<Entry> entries;
    wstring title() const { return L"Quorin E2E " + name; }
    wstring path(const Entry& e) const { return folder + L"\\" + e.target; }
    wstring state() const { return kRoot + L"\\state-" + name; } // what was before, for later phases
};

void Build(const Package& p) {
    RemoveTree(p.folder);
    CreateDirectoryW(kRoot.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(p.folder.c_str(), nullptr)) << Utf8(p.folder);
    for (const wchar_t* own : {L"Setup.EXE", L"Setup.DLL"})
        ASSERT_TRUE(CopyFileW((g_payload + L"\\" + own).c_str(), (p.folder + L"\\" + own).c_str(), FALSE));
    std::string script = "[Main]\r\nTitle=" + Ansi(p.title()) + "\r\nAll=" + std::to_string(p.entries.size()) + "\r\nLzTrash=NO\r\n";
    for (size_t i = 0; i < p.entries.size(); ++i) {
        const Entry& e = p.entries[i];
        const Bytes content = ContentOf(e);
        std::vector<uint8_t> packed;
        ASSERT_TRUE(quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(content.data()), content.size(),
                                       static_cast<uint8_t>(towupper(e.target.back())), packed));
        ASSERT_TRUE(WriteBytes(p.folder + L"\\" + e.shipped, Bytes(packed.begin(), packed.end())));
        script += "[" + std::to_string(i + 1) + "]\r\nLz=" + Ansi(e.shipped) + "," + Ansi(e.target) +
                  "\r\nSelfRegister=" + (e.selfRegister ? "YES" : "NO") + "\r\n";
    }
    ASSERT_TRUE(WriteBytes(p.folder + L"\\Setup.INF", script));
    // The state before the first install, kept on C: for the later phases (other processes).
    RemoveTree(p.state());
    ASSERT_TRUE(CreateDirectoryW(p.state().c_str(), nullptr) && CopyTree(p.folder, p.state() + L"\\folder"));
    quorin::pack::TrialRecord record;
    record.snapshots[quorin::pack::kSnapshotBefore].registry = SnapshotRegistry();
    ASSERT_TRUE(WriteBytes(p.state() + L"\\registry.txt", quorin::pack::WriteTrialRecord(record)));
}

std::map<wstring, Bytes> Relative(const wstring& folder) {
    std::map<wstring, Bytes> out;
    for (auto& [path, data] : Tree(folder))
        out[path.substr(folder.size())] = data;
    return out;
}

// The folder and the whole registry as before the first install (keys Wine itself changes left
// out, as the package trial leaves them out).
void ExpectAsBefore(const Package& p) {
    EXPECT_EQ(Relative(p.folder), Relative(p.state() + L"\\folder"));
    quorin::pack::TrialRecord before;
    std::string error;
    ASSERT_TRUE(quorin::pack::ParseTrialRecord(ReadBytes(p.state() + L"\\registry.txt").value_or(""), before, error)) << error;
    const auto& was = before.snapshots[quorin::pack::kSnapshotBefore].registry;
    EXPECT_GT(was.size(), 1000u) << "an empty snapshot compares as nothing";
    const quorin::pack::RegistryChanges changes = quorin::pack::DiffRegistry(was, SnapshotRegistry());
    EXPECT_EQ(changes.keysAdded, std::vector<std::string>()) << "registry keys added";
    EXPECT_EQ(changes.keysRemoved, std::vector<std::string>()) << "registry keys gone";
    for (const quorin::pack::ValueChange& v : changes.values)
        ADD_FAILURE() << "registry value changed: " << v.key << " \"" << v.name << "\"";
    RemoveTree(p.state());
}

// Runs Setup once, pressing Install or Uninstall, and checks that it was offered, that exactly
// the boxes expected were shown, and that Setup ended by itself.
Session RunSetup(const Package& p, const wchar_t* button, const std::vector<wstring>& boxes, const DriveHooks& hooks = {}) {
    const Session s = Drive(p.folder, button, 90, hooks);
    std::printf("[e2e] %s: %s, %.1f s\n", Utf8(p.name).c_str(), button == kInstallCaption ? "install" : "uninstall", s.seconds);
    EXPECT_TRUE(s.ended && s.exitCode == 0) << "Setup did not end by itself";
    EXPECT_TRUE(button == kInstallCaption ? s.installOffered : s.uninstallOffered) << "not offered";
    std::vector<wstring> seen;
    for (const auto& b : s.boxes)
        seen.push_back(b.text);
    EXPECT_EQ(seen, boxes);
    return s;
}

enum class Left { New, Old, Absent };
const Bytes kOldContent = "an older version, still in use\r\n";

// Each target's content, the install record with the uninstall entry, and the registration.
void ExpectState(const Package& p, const std::vector<Left>& files, bool recorded, bool registered) {
    for (size_t i = 0; i < p.entries.size(); ++i) {
        const std::optional<Bytes> now = ReadBytes(p.path(p.entries[i]));
        const std::optional<Bytes> want = files[i] == Left::New ? std::optional(ContentOf(p.entries[i]))
                                          : files[i] == Left::Old ? std::optional(kOldContent)
                                                                  : std::nullopt;
        EXPECT_TRUE(now == want) << Utf8(p.entries[i].target);
    }
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRecordKey, p.title().c_str()).value_or(L""), recorded ? p.folder : L"");
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kEntryParent + L"\\" + p.title()), recorded);
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kComponentKey, L"Path").value_or(L""),
              registered ? p.folder + L"\\Fault.DLL" : L"");
}

void InstallAndUninstall(const Package& p, bool registers) {
    const auto n = p.entries.size();
    RunSetup(p, kInstallCaption, {kAskInstall, kInstallDone});
    ExpectState(p, std::vector<Left>(n, Left::New), true, registers);
    RunSetup(p, kUninstallCaption, {kAskUninstall, kUninstallDone});
    ExpectState(p, std::vector<Left>(n, Left::Absent), false, false);
}

// Without a window manager the platform waits for every closing window it manages; Setup's need
// not be managed, as no case looks at frames or focus.
class Environment : public testing::Environment {
    void SetUp() override {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Setup.EXE\\X11 Driver", L"Managed", REG_SZ, L"N", 4);
    }
};

TEST(Setup, RoundTripInAJapaneseFolderWithABlank) {
    const Package p{L"round trip", kRoot + L"\\ゲーム パッケージ", {kComponent, Plain(L"BETA.DA_", L"Beta.DAT", 900)}};
    ASSERT_NO_FATAL_FAILURE(Build(p));
    // While the procedure pauses, the window answers and repaints: it neither turns white nor
    // reads as not responding. A window that only answers once the closing box runs its loop
    // fails: every answer counts only while the busy tip still shows and no box is up. A loaded
    // machine may be slow to answer, so tries go on for as long as the procedure runs.
    bool answered = false, repainted = false;
    DriveHooks hooks;
    hooks.busyTip = L"インストールしていますので、しばらくお待ちください...";
    hooks.busy = [&](const SetupRun& run) {
        const auto running = [&] { return Child(run.main(), L"Static", hooks.busyTip) && !run.FindBox(); };
        while (!(answered && repainted) && running()) {
            DWORD_PTR ignored = 0;
            answered = SendMessageTimeoutW(run.main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &ignored) && running();
            InvalidateRect(run.main(), nullptr, FALSE);
            repainted = WaitUntil([&] { return !GetUpdateRect(run.main(), nullptr, FALSE); }, 500) && running();
        }
    };
    RunSetup(p, kInstallCaption, {kAskInstall, kInstallDone}, hooks);
    EXPECT_TRUE(answered && repainted) << "the window did not answer or repaint during the procedure";
    ExpectState(p, {Left::New, Left::New}, true, true);
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kEntryParent + L"\\" + p.title(), L"UninstallString").value_or(L""),
              L"\"" + p.folder + L"\\Setup.EXE\"");
    RunSetup(p, kUninstallCaption, {kAskUninstall, kUninstallDone});
    InstallAndUninstall(p, true);
    ExpectAsBefore(p);
}

// An installed file held open without sharing during an install and its uninstall: both tell
// it, the old content stays, and once it is let go the folder and registry are as they were.
// (A component refused or without Setup.DLL is told the same way; the smaller tiers prove it.)
TEST(Faults, ALockedTargetIsToldAndLeavesNothingBehind) {
    const Package p{L"locked", kRoot + L"\\locked", {Plain(L"ALPHA.TX_", L"Alpha.TXT", 600), Plain(L"BETA.DA_", L"Beta.DAT", 900)}};
    ASSERT_NO_FATAL_FAILURE(Build(p));
    ASSERT_TRUE(WriteBytes(p.path(p.entries[0]), kOldContent));
    quorin::win::UniqueHandleObj held(CreateFileW(p.path(p.entries[0]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    RunSetup(p, kInstallCaption, {kAskInstall, kNotInstalled + L"Alpha.TXT", kInstallDone});
    EXPECT_TRUE(ReadBytes(p.path(p.entries[1])) == ContentOf(p.entries[1])) << "the other entry placed";
    RunSetup(p, kUninstallCaption, {kAskUninstall, kNotUninstalled + L"Alpha.TXT", kUninstallDone});
    held.reset();
    ExpectState(p, {Left::Old, Left::Absent}, false, false);
    DeleteFileW(p.path(p.entries[0]).c_str());
    ExpectAsBefore(p);
}

// Setup ended by the task list halfway through an install, the first entry placed; started
// again it installs and uninstalls completely.
TEST(Setup, KilledHalfwayThenStartedAgain) {
    const Package p{L"killed", kRoot + L"\\killed", {Plain(L"ALPHA.TX_", L"Alpha.TXT", 600), Plain(L"BETA.DA_", L"Beta.DAT", 900)}};
    ASSERT_NO_FATAL_FAILURE(Build(p));
    {
        SetupRun run(p.folder);
        ASSERT_TRUE(run.WaitForMain());
        Press(run.Button(kInstallCaption));
        auto ask = run.WaitForBox();
        ASSERT_TRUE(ask && ask->text == kAskInstall && run.Answer(*ask, kIdYes));
        ASSERT_TRUE(WaitUntil([&] { return Exists(p.path(p.entries[0])); }, 10000));
        EXPECT_TRUE(run.Terminate()) << "Setup had already ended";
    }
    ExpectState(p, {Left::New, Left::Absent}, false, false);
    InstallAndUninstall(p, false);
    ExpectAsBefore(p);
}

// Hostile scripts: Setup neither crashes nor hangs, and changes nothing outside its folder nor
// its own files. Only what the platform's own reader and devices add; the script reader and the
// name rules are proved natively and fuzzed.
TEST(Setup, HostileScriptsStayInTheirFolder) {
    const auto entries = [](const std::vector<std::string>& lz, bool trash = false) {
        std::string s = "[Main]\r\nTitle=Quorin Hostile\r\nAll=" + std::to_string(lz.size()) + "\r\nLzTrash=" + (trash ? "YES" : "NO") + "\r\n";
        for (size_t i = 0; i < lz.size(); ++i)
            s += "[" + std::to_string(i + 1) + "]\r\nLz=" + lz[i] + "\r\n";
        return s;
    };
    std::string big = entries({"DATA.TXT,Copy.TXT"}) + "[Padding]\r\n";
    while (big.size() < (10u << 20))
        big += "Key" + std::to_string(big.size()) + "=" + std::string(120, 'z') + "\r\n";
    const std::pair<const char*, std::string> cases[] = {
        {"devices", entries({"DATA.TXT,CON", "NUL,Copy.TXT", "DATA.TXT,COM1", "DATA.TXT,Sub"})},
        {"All 32767 over one section", "[Main]\r\nTitle=Quorin Hostile\r\nAll=32767\r\n[1]\r\nLz=DATA.TXT,Copy.TXT\r\n"},
        {"10 MB", big},
    };
    RemoveTree(kRoot);
    ASSERT_TRUE(CreateDirectoryW(kRoot.c_str(), nullptr));
    WriteBytes(kRoot + L"\\outside.txt", "outside the package\r\n");
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].first);
        const wstring folder = kRoot + L"\\case" + std::to_wstring(i);
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) && CreateDirectoryW((folder + L"\\Sub").c_str(), nullptr));
        for (const wchar_t* own : {L"Setup.EXE", L"Setup.DLL"})
            ASSERT_TRUE(CopyFileW((g_payload + L"\\" + own).c_str(), (folder + L"\\" + own).c_str(), FALSE));
        WriteBytes(folder + L"\\DATA.TXT", "plain data\r\n");
        WriteBytes(folder + L"\\Setup.INF", cases[i].second);
        const TreeMap before = Tree(kRoot);
        const Session r = Drive(folder, kInstallCaption, 90);
        EXPECT_TRUE(r.ended && r.exitCode <= 1) << "Setup hung or crashed";
        const TreeMap after = Tree(kRoot);
        for (const auto& [path, data] : before) {
            const bool inFolder = path.rfind(folder + L"\\", 0) == 0;
            const bool own = path == folder + L"\\Setup.EXE" || path == folder + L"\\Setup.INF" || path == folder + L"\\Setup.DLL";
            if (!inFolder || own) {
                EXPECT_TRUE(after.count(path) && after.at(path) == data) << "changed or removed: " << Utf8(path);
            }
        }
        for (const auto& [path, data] : after)
            EXPECT_TRUE(before.count(path) || path.rfind(folder + L"\\", 0) == 0) << "created outside: " << Utf8(path);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRecordKey.c_str(), L"Quorin Hostile");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kEntryParent + L"\\Quorin Hostile").c_str());
    }
    RemoveTree(kRoot);
}

// The cases whose fault is a mount, one phase per run: built on the writable mount; the fault
// with the mount read-only or full; the recovery with it writable again.
std::string g_phase, g_case;
wstring g_folder;

TEST(Mounted, Phase) {
    const bool full = g_case == "diskfull";
    const Package p{FromUtf8(g_case), g_folder,
                    full ? std::vector<Entry>{Plain(L"ALPHA.TX_", L"Alpha.TXT", 600), Plain(L"LARGE.BI_", L"Large.BIN", 4u << 20),
                                              Plain(L"BETA.DA_", L"Beta.DAT", 900)}
                         : std::vector<Entry>{Plain(L"ALPHA.TX_", L"Alpha.TXT", 600), Plain(L"BETA.DA_", L"Beta.DAT", 900)}};
    if (g_phase == "build") {
        Build(p);
    } else if (g_phase == "fault") {
        const wstring notPlaced = full ? L"Large.BIN" : L"Alpha.TXT\nBeta.DAT";
        RunSetup(p, kInstallCaption, {kAskInstall, kNotInstalled + notPlaced, kInstallDone});
        ExpectState(p, full ? std::vector<Left>{Left::New, Left::Absent, Left::New} : std::vector<Left>{Left::Absent, Left::Absent},
                    true, false);
    } else {
        RunSetup(p, kUninstallCaption, {kAskUninstall, kUninstallDone});
        ExpectAsBefore(p);
    }
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3 && argc != 7) {
        std::fprintf(stderr, "usage: %s PAYLOAD COMPONENT [--phase build|fault|recover CASE FOLDER]\n", argv[0]);
        return 2;
    }
    g_payload = WindowsPath(argv[1]);
    g_component = WindowsPath(argv[2]);
    if (argc == 7) {
        g_phase = argv[4];
        g_case = argv[5];
        g_folder = WindowsPath(argv[6]);
        testing::GTEST_FLAG(filter) = "Mounted.*";
    } else if (testing::GTEST_FLAG(filter) == "*") {
        testing::GTEST_FLAG(filter) = "-Mounted.*";
    }
    testing::AddGlobalTestEnvironment(new Environment);
    return RUN_ALL_TESTS();
}
