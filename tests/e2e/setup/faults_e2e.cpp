// Setup.EXE under Wine when something goes wrong during an install or an uninstall. Each case
// builds a package (LzTrash NO, so an uninstall gives the folder back as it was), puts a fault
// in place, drives Setup as a user would and checks the boxes shown, the files left and the
// registry; then it removes the fault and proves that later runs still uninstall, install and
// uninstall cleanly: the folder and the registry (as the package trial snapshots and compares it)
// end exactly as they were before the first install.
//
// Without a phase argument the cases that need nothing outside the prefix run here. The cases
// whose fault is a mount (a read-only or a full folder) run in phases from run.sh, which mounts
// and remounts between them: "--phase build|fault|recover CASE FOLDER".
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "lz/encode.h"
#include "setup_driver.h"
#include "win/ansi.h"
#include "system_snapshot.h"
#include "try/report.h"

namespace {

using namespace quorin::driver;

wstring g_payload;   // the folder with Setup.EXE and Setup.DLL
wstring g_component; // the fault component library
const wstring kRoot = L"C:\\quorin-faults";
const wstring kRecordKey = L"Software\\Ombrel's Quorin\\Installer";
const wstring kUninstallParent = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wstring kComponentKey = L"Software\\Quorin Fault Component";
const wchar_t kRefuseVariable[] = L"QUORIN_REFUSE_REGISTRATION";

// Messages of Setup's string table.
enum : UINT { kAskInstall = 104, kInstallDone = 105, kAskUninstall = 106, kUninstallDone = 107 };
enum : UINT { kNotInstalled = 303, kNotUninstalled = 304 };

// ---------------------------------------------------------------------------------------------
// Packages.

struct Entry {
    wstring shipped, target;
    bool selfRegister;
    Bytes content; // empty: the fault component
};

struct Package {
    wstring key; // the case's short name: its state folder
    wstring folder;
    std::vector<Entry> entries;
    wstring title() const { return L"Quorin Fault " + key; }
    wstring setupExe() const { return folder + L"\\Setup.EXE"; }
    wstring stateFolder() const { return kRoot + L"\\state-" + key; }
    wstring path(const Entry& e) const { return folder + L"\\" + e.target; }
};

Bytes ContentOf(const Entry& e) {
    return e.content.empty() ? ReadBytes(g_component).value_or(Bytes()) : e.content;
}

std::string Ansi(const wstring& s) {
    return quorin::win::ToAnsi(quorin::win::FromWide(s.c_str()));
}

void Build(const Package& p) {
    RemoveTree(p.folder);
    CreateDirectoryW(kRoot.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(p.folder.c_str(), nullptr)) << Utf8(p.folder);
    for (const wchar_t* own : {L"Setup.EXE", L"Setup.DLL"})
        ASSERT_TRUE(CopyFileW((g_payload + L"\\" + own).c_str(), (p.folder + L"\\" + own).c_str(), FALSE));
    std::string script = "[Main]\r\nTitle=" + Ansi(p.title()) +
                         "\r\nAll=" + std::to_string(p.entries.size()) + "\r\nLzTrash=NO\r\n";
    for (size_t i = 0; i < p.entries.size(); ++i) {
        const Entry& e = p.entries[i];
        const Bytes content = ContentOf(e);
        ASSERT_FALSE(content.empty());
        std::vector<uint8_t> packed;
        // The compressed file records the last character its shipped name replaced by "_".
        ASSERT_TRUE(quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(content.data()), content.size(),
                                       static_cast<uint8_t>(towupper(e.target.back())), packed));
        ASSERT_TRUE(WriteBytes(p.folder + L"\\" + e.shipped, Bytes(packed.begin(), packed.end())));
        script += "[" + std::to_string(i + 1) + "]\r\nLz=" + Ansi(e.shipped) + "," + Ansi(e.target) +
                  "\r\nSelfRegister=" + (e.selfRegister ? "YES" : "NO") + "\r\n";
    }
    ASSERT_TRUE(WriteBytes(p.folder + L"\\Setup.INF", script));
}

// ---------------------------------------------------------------------------------------------
// Registry.

// Deletes a key that holds nothing; a key with values or subkeys stays.
void RemoveIfEmpty(HKEY root, const wstring& key) {
    DWORD subkeys = 1, values = 1;
    {
        quorin::win::UniqueHKey h;
        if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, h.put()) != ERROR_SUCCESS)
            return;
        RegQueryInfoKeyW(h.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr);
    }
    if (subkeys == 0 && values == 0)
        RegDeleteKeyW(root, key.c_str());
}

// The install record and the uninstall entry of a product, removed after a run stopped halfway.
// An empty record section and application key, left by earlier runs, go too, so that every case
// sees whether its own uninstall leaves them behind.
void ForgetProduct(const Package& p) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRecordKey.c_str(), p.title().c_str());
    RemoveIfEmpty(HKEY_CURRENT_USER, kRecordKey);
    RemoveIfEmpty(HKEY_CURRENT_USER, kRecordKey.substr(0, kRecordKey.rfind(L'\\')));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kUninstallParent + L"\\" + p.title()).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, kComponentKey.c_str());
}

// The registry as the package trial compares it, kept in a file between the phases (separate
// processes) in the trial record's form.
wstring RegistryFile(const Package& p) {
    return p.stateFolder() + L"\\registry.txt";
}

bool SaveRegistry(const wstring& file) {
    quorin::pack::TrialRecord record;
    record.snapshots[quorin::pack::kSnapshotBefore].registry = SnapshotRegistry();
    return WriteBytes(file, quorin::pack::WriteTrialRecord(record));
}

quorin::pack::RegistrySnapshot LoadRegistry(const wstring& file) {
    quorin::pack::TrialRecord record;
    std::string error;
    EXPECT_TRUE(quorin::pack::ParseTrialRecord(ReadBytes(file).value_or(""), record, error)) << error;
    return record.snapshots[quorin::pack::kSnapshotBefore].registry;
}

// ---------------------------------------------------------------------------------------------
// The state before the first install, kept on C: so that later phases (other processes) can
// compare: a copy of the folder and the registry exports.

void SaveBefore(const Package& p) {
    RemoveTree(p.stateFolder());
    ASSERT_TRUE(CreateDirectoryW(p.stateFolder().c_str(), nullptr));
    const wstring copy = p.stateFolder() + L"\\folder";
    ASSERT_TRUE(CreateDirectoryW(copy.c_str(), nullptr));
    for (const auto& [path, data] : Tree(p.folder))
        ASSERT_TRUE(WriteBytes(copy + path.substr(p.folder.size()), data)) << Utf8(path);
    ASSERT_TRUE(SaveRegistry(RegistryFile(p)));
}

std::map<wstring, Bytes> Relative(const wstring& folder) {
    std::map<wstring, Bytes> out;
    for (auto& [path, data] : Tree(folder))
        out[path.substr(folder.size())] = data;
    return out;
}

void ExpectAsBefore(const Package& p) {
    const auto before = Relative(p.stateFolder() + L"\\folder"), now = Relative(p.folder);
    EXPECT_FALSE(before.empty());
    for (const auto& [name, data] : now) {
        const auto it = before.find(name);
        EXPECT_TRUE(it != before.end() && it->second == data) << "left or changed: " << Utf8(name);
    }
    for (const auto& [name, data] : before)
        EXPECT_TRUE(now.count(name)) << "missing: " << Utf8(name);
    // Keys Wine itself changes are left out, as the package trial leaves them out.
    const auto was = LoadRegistry(RegistryFile(p));
    EXPECT_GT(was.size(), 1000u) << "an empty snapshot compares as nothing";
    const quorin::pack::RegistryChanges changes = quorin::pack::DiffRegistry(was, SnapshotRegistry());
    for (const std::string& key : changes.keysAdded)
        ADD_FAILURE() << "registry key added: " << key;
    for (const std::string& key : changes.keysRemoved)
        ADD_FAILURE() << "registry key gone: " << key;
    for (const quorin::pack::ValueChange& v : changes.values)
        ADD_FAILURE() << "registry value " << (v.before ? v.after ? "changed" : "gone" : "added") << ": "
                      << v.key << " \"" << v.name << "\"";
}

// ---------------------------------------------------------------------------------------------
// Runs and their expectations.

struct Box {
    UINT id;
    std::vector<wstring> names; // for 303 and 304, one per line
};

wstring Expected(const Package& p, const Box& b) {
    wstring lines;
    for (const wstring& n : b.names)
        lines += (lines.empty() ? L"" : L"\n") + n;
    return BoxText(p.setupExe(), b.id,
                   b.names.empty() ? std::vector<wstring>{} : std::vector<wstring>{lines});
}

std::string Shown(const wstring& text) {
    std::string s = Utf8(text);
    for (char& c : s)
        if (c == '\n')
            c = '|';
    return s;
}

// Runs Setup once, pressing Install or Uninstall, and checks that the button was offered and
// that exactly the boxes expected were shown, in order.
void Run(const Package& p, const std::string& step, const wchar_t* button, const std::vector<Box>& boxes) {
    const Session s = Drive(p.folder, button, 90);
    std::printf("[faults] %s, %s: %.1f s, boxes:", Utf8(p.key).c_str(), step.c_str(), s.seconds);
    for (const auto& b : s.boxes)
        std::printf(" [%s]", Shown(b.text).c_str());
    std::printf("\n");
    std::fflush(stdout);
    EXPECT_TRUE(s.ended) << step << ": Setup did not end (hung, terminated)";
    EXPECT_EQ(s.exitCode, 0u) << step;
    EXPECT_TRUE(button == kInstallCaption ? s.installOffered : s.uninstallOffered) << step << ": not offered";
    ASSERT_TRUE(s.pressed) << step;
    std::vector<wstring> seen, expected;
    for (const auto& b : s.boxes)
        seen.push_back(b.text);
    for (const auto& b : boxes)
        expected.push_back(Expected(p, b));
    EXPECT_EQ(seen, expected) << step;
}

// What a case's fault holds on to while it is in place.
struct Fault {
    quorin::win::UniqueHandleObj lock; // a target held open without sharing
    wstring lockedPath;
};

// What an entry's target holds after a step.
enum class Left { New, Old, Absent };
const Bytes kOldContent = "an older version, still in use\r\n";

struct State {
    std::vector<Left> files; // per entry
    bool recorded;           // the install record and the uninstall entry
    bool registered;         // the fault component's key, naming its installed path
};

// A file's contents, through the fault's own handle when it holds the file without sharing.
std::optional<Bytes> ContentNow(const wstring& path, const Fault& f) {
    if (!f.lock || _wcsicmp(path.c_str(), f.lockedPath.c_str()) != 0)
        return ReadBytes(path);
    Bytes data(GetFileSize(f.lock.get(), nullptr), '\0');
    DWORD read = 0;
    SetFilePointer(f.lock.get(), 0, nullptr, FILE_BEGIN);
    if (!ReadFile(f.lock.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
        read != data.size())
        return std::nullopt;
    return data;
}

void ExpectState(const Package& p, const std::string& step, const State& want, const Fault& f) {
    SCOPED_TRACE(step);
    for (size_t i = 0; i < p.entries.size(); ++i) {
        const Entry& e = p.entries[i];
        const auto now = ContentNow(p.path(e), f);
        switch (want.files[i]) {
        case Left::New:
            EXPECT_TRUE(now == ContentOf(e)) << Utf8(e.target) << " not installed whole";
            break;
        case Left::Old:
            EXPECT_TRUE(now == kOldContent) << Utf8(e.target) << " lost its older version";
            break;
        case Left::Absent:
            EXPECT_FALSE(Exists(p.path(e))) << Utf8(e.target) << " left";
            break;
        }
        EXPECT_TRUE(ReadBytes(p.folder + L"\\" + e.shipped).has_value()) << Utf8(e.shipped) << " lost";
    }
    // Placement's temporary files, or anything else not in the package nor a target.
    for (const auto& [path, data] : Tree(p.folder)) {
        const wstring name = path.substr(p.folder.size() + 1);
        bool known = name == L"Setup.EXE" || name == L"Setup.DLL" || name == L"Setup.INF";
        for (const Entry& e : p.entries)
            known = known || name == e.shipped || _wcsicmp(name.c_str(), e.target.c_str()) == 0;
        EXPECT_TRUE(known) << "left in the folder: " << Utf8(name) << " (" << data.size() << " bytes)";
    }
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRecordKey, p.title().c_str()).has_value(), want.recorded);
    if (want.recorded)
        EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRecordKey, p.title().c_str()).value_or(L""), p.folder);
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kUninstallParent + L"\\" + p.title()), want.recorded);
    const auto component = RegString(HKEY_CURRENT_USER, kComponentKey, L"Path");
    EXPECT_EQ(component.has_value(), want.registered);
    for (const Entry& e : p.entries)
        if (want.registered && e.selfRegister)
            EXPECT_EQ(_wcsicmp(component.value_or(L"").c_str(), p.path(e).c_str()), 0);
}

// With the fault gone: an uninstall if Setup recorded the install, then an install and an
// uninstall, leaving folder and registry as before the first install.
void Recover(const Package& p) {
    std::vector<Left> installed(p.entries.size(), Left::New), gone(p.entries.size(), Left::Absent);
    bool registers = false;
    for (const Entry& e : p.entries)
        registers = registers || e.selfRegister;
    if (RegString(HKEY_CURRENT_USER, kRecordKey, p.title().c_str()))
        Run(p, "recovery uninstall", kUninstallCaption, {{kAskUninstall}, {kUninstallDone}});
    Run(p, "recovery install", kInstallCaption, {{kAskInstall}, {kInstallDone}});
    const Fault none;
    ExpectState(p, "after the recovery install", {installed, true, registers}, none);
    Run(p, "recovery uninstall", kUninstallCaption, {{kAskUninstall}, {kUninstallDone}});
    ExpectState(p, "after the recovery uninstall", {gone, false, false}, none);
    ExpectAsBefore(p);
}

// ---------------------------------------------------------------------------------------------
// The cases.

struct Step {
    std::string what;
    std::function<void(const Package&, Fault&)> before; // puts (part of) the fault in place
    const wchar_t* button;
    std::vector<Box> boxes;
    State after;
};

struct Case {
    Package package;
    std::vector<Step> steps;
    bool mounted; // the fault is a mount, put in place by run.sh between phases
};

Entry Plain(const wchar_t* shipped, const wchar_t* target, size_t size) {
    Bytes content = Utf8(target) + "\r\n";
    while (content.size() < size)
        content += "line " + std::to_string(content.size()) + " of " + Utf8(target) + "\r\n";
    return {shipped, target, false, content};
}

Entry Component(const wchar_t* shipped, const wchar_t* target) {
    return {shipped, target, true, {}};
}

void LockOldTarget(const Package& p, Fault& f) {
    f.lockedPath = p.path(p.entries[0]);
    ASSERT_TRUE(WriteBytes(f.lockedPath, kOldContent));
    f.lock.reset(CreateFileW(f.lockedPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(f.lock) << "cannot hold " << Utf8(f.lockedPath);
}

const wstring kDllAside = kRoot + L"\\Setup.DLL.aside";

// A lone component whose registration fails while the fault is in place: it is placed but
// listed at install, deleted but listed at uninstall.
Case RegistrationFault(const wchar_t* key, const std::string& fault, const Entry& component,
                       std::function<void(const Package&, Fault&)> inject) {
    const std::vector<wstring> listed = {component.target};
    return {{key, kRoot + L"\\" + key, {component}},
            {{"install, " + fault,
              std::move(inject),
              kInstallCaption,
              {{kAskInstall}, {kNotInstalled, listed}, {kInstallDone}},
              {{Left::New}, true, false}},
             {"uninstall, " + fault,
              nullptr,
              kUninstallCaption,
              {{kAskUninstall}, {kNotUninstalled, listed}, {kUninstallDone}},
              {{Left::Absent}, false, false}}},
            false};
}

std::vector<Case> Cases(const wstring& mountFolder) {
    const auto N = Left::New, O = Left::Old, A = Left::Absent;
    const Entry alpha = Plain(L"ALPHA.TX_", L"Alpha.TXT", 600), beta = Plain(L"BETA.DA_", L"Beta.DAT", 900);
    const Entry comp = Component(L"FAULT.DL_", L"Fault.DLL");
    std::vector<Case> cases = {
        {{L"readonly", mountFolder, {alpha, beta}},
         {{"install, folder read-only",
           nullptr,
           kInstallCaption,
           {{kAskInstall}, {kNotInstalled, {L"Alpha.TXT", L"Beta.DAT"}}, {kInstallDone}},
           {{A, A}, true, false}}},
         true},
        {{L"diskfull", mountFolder, {alpha, Plain(L"LARGE.BI_", L"Large.BIN", 4u << 20), beta}},
         {{"install, disk full",
           nullptr,
           kInstallCaption,
           {{kAskInstall}, {kNotInstalled, {L"Large.BIN"}}, {kInstallDone}},
           {{N, A, N}, true, false}}},
         true},
        {{L"locked", kRoot + L"\\locked", {alpha, beta}},
         {{"install, older target held open",
           LockOldTarget,
           kInstallCaption,
           {{kAskInstall}, {kNotInstalled, {L"Alpha.TXT"}}, {kInstallDone}},
           {{O, N}, true, false}},
          {"uninstall, target still held open",
           nullptr,
           kUninstallCaption,
           {{kAskUninstall}, {kNotUninstalled, {L"Alpha.TXT"}}, {kUninstallDone}},
           {{O, A}, false, false}}},
         false},
        RegistrationFault(L"nodll", "Setup.DLL missing", comp,
                          [](const Package& p, Fault&) {
                              ASSERT_TRUE(MoveFileExW((p.folder + L"\\Setup.DLL").c_str(), kDllAside.c_str(),
                                                      MOVEFILE_REPLACE_EXISTING));
                          }),
        RegistrationFault(L"refused", "registration refused", comp,
                          [](const Package&, Fault&) { SetEnvironmentVariableW(kRefuseVariable, L"1"); }),
        // No fault: with the recovery, install, uninstall, install, uninstall.
        {{L"roundtrip", kRoot + L"\\roundtrip", {comp, beta}},
         {{"install", nullptr, kInstallCaption, {{kAskInstall}, {kInstallDone}}, {{N, N}, true, true}},
          {"uninstall",
           nullptr,
           kUninstallCaption,
           {{kAskUninstall}, {kUninstallDone}},
           {{A, A}, false, false}}},
         false},
    };
    return cases;
}

// Removes what any case's fault may have left in this process or the prefix.
void ClearFaults(const Package& p, Fault& f) {
    f.lock.reset();
    SetEnvironmentVariableW(kRefuseVariable, nullptr);
    if (Exists(kDllAside))
        MoveFileExW(kDllAside.c_str(), (p.folder + L"\\Setup.DLL").c_str(), MOVEFILE_REPLACE_EXISTING);
}

void BuildPhase(const Package& p) {
    ForgetProduct(p);
    ASSERT_NO_FATAL_FAILURE(Build(p));
    ASSERT_NO_FATAL_FAILURE(SaveBefore(p));
}

void FaultPhase(const Case& c, Fault& f) {
    for (const Step& s : c.steps) {
        if (s.before)
            ASSERT_NO_FATAL_FAILURE(s.before(c.package, f));
        ASSERT_NO_FATAL_FAILURE(Run(c.package, s.what, s.button, s.boxes));
        ExpectState(c.package, s.what, s.after, f);
    }
}

void RecoverPhase(const Case& c, Fault& f) {
    ClearFaults(c.package, f);
    Recover(c.package);
    ForgetProduct(c.package);
    RemoveTree(c.package.stateFolder());
}

TEST(SetupFaults, AssumedEnvironment) {
    EXPECT_EQ(GetACP(), 932u);
    // The two messages this test is about, as the user reads them.
    const wstring exe = g_payload + L"\\Setup.EXE";
    EXPECT_EQ(
        ResString(exe, kNotInstalled)
            .rfind(L"\x6B21\x306E\x30D5\x30A1\x30A4\x30EB\x3092\x6B63\x3057\x304F\x30A4\x30F3\x30B9\x30C8"
                   L"\x30FC\x30EB\x3067\x304D\x307E\x305B\x3093\x3067\x3057\x305F\n\n",
                   0),
        0u); // 次のファイルを正しくインストールできませんでした
    EXPECT_EQ(
        ResString(exe, kNotUninstalled)
            .rfind(L"\x6B21\x306E\x30D5\x30A1\x30A4\x30EB\x3092\x6B63\x3057\x304F\x30A2\x30F3\x30A4\x30F3"
                   L"\x30B9\x30C8\x30FC\x30EB\x3067\x304D\x307E\x305B\x3093\x3067\x3057\x305F\n\n",
                   0),
        0u); // 次のファイルを正しくアンインストールできませんでした
}

// The cases that need nothing outside the prefix, one test each (CTest runs them in groups).
class SetupFault : public testing::TestWithParam<std::string> {};

TEST_P(SetupFault, ThenRecovers) {
    for (const Case& c : Cases(L"")) {
        if (c.mounted || Utf8(c.package.key) != GetParam())
            continue;
        Fault fault;
        BuildPhase(c.package);
        if (!HasFatalFailure())
            FaultPhase(c, fault);
        RecoverPhase(c, fault);
        RemoveTree(c.package.folder);
        return;
    }
    FAIL() << "no case " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(InPrefix, SetupFault, testing::Values("locked", "nodll", "refused", "roundtrip"),
                         [](const testing::TestParamInfo<std::string>& i) { return i.param; });

// Setup ended by the task list halfway through an install: the first entry's file has just
// appeared and Setup pauses before the next one.
TEST(SetupFaults, KilledHalfway) {
    const Package p{L"killed",
                    kRoot + L"\\killed",
                    {Plain(L"ALPHA.TX_", L"Alpha.TXT", 600), Plain(L"BETA.DA_", L"Beta.DAT", 900)}};
    BuildPhase(p);
    ASSERT_FALSE(HasFatalFailure());
    {
        SetupRun run(p.folder);
        ASSERT_TRUE(run.WaitForMain());
        Press(run.Button(kInstallCaption));
        auto ask = run.WaitForBox();
        ASSERT_TRUE(ask && ask->text == Expected(p, {kAskInstall}));
        ASSERT_TRUE(run.Answer(*ask, kIdYes));
        const auto yes = Clock::now();
        ASSERT_TRUE(WaitUntil([&] { return Exists(p.path(p.entries[0])); }, 10000));
        const double seconds = std::chrono::duration<double>(Clock::now() - yes).count();
        EXPECT_TRUE(run.Terminate()) << "Setup had already ended";
        std::printf("[faults] killed: %.2f s after Yes, when %s appeared\n", seconds,
                    Utf8(p.entries[0].target).c_str());
    }
    Fault none;
    ExpectState(p, "after the kill", {{Left::New, Left::Absent}, false, false}, none);
    RecoverPhase({p, {}, false}, none);
    RemoveTree(p.folder);
}

// One phase of a mounted case, named on the command line.
std::string g_phase, g_case;
wstring g_folder;

TEST(SetupFaultsMounted, Phase) {
    for (const Case& c : Cases(g_folder)) {
        if (!c.mounted || Utf8(c.package.key) != g_case)
            continue;
        Fault fault;
        if (g_phase == "build")
            BuildPhase(c.package);
        else if (g_phase == "fault")
            FaultPhase(c, fault);
        else if (g_phase == "recover")
            RecoverPhase(c, fault);
        else
            FAIL() << "no phase " << g_phase;
        return;
    }
    FAIL() << "no mounted case " << g_case;
}

} // namespace

// PAYLOAD COMPONENT [--phase build|fault|recover CASE FOLDER]
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3 && argc != 7) {
        std::fprintf(stderr, "usage: %s PAYLOAD COMPONENT [--phase PHASE CASE FOLDER]\n", argv[0]);
        return 2;
    }
    g_payload = WindowsPath(argv[1]);
    g_component = WindowsPath(argv[2]);
    if (argc == 7) {
        g_phase = argv[4];
        g_case = argv[5];
        g_folder = WindowsPath(argv[6]);
    }
    // The phases and the in-prefix cases are separate runs.
    if (testing::GTEST_FLAG(filter) == "*")
        testing::GTEST_FLAG(filter) = argc == 7 ? "SetupFaultsMounted.*" : "-SetupFaultsMounted.*";
    return RUN_ALL_TESTS();
}
