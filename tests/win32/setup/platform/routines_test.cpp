// Setup's routines over the platform: the existence test, the program start that waits until
// the program is ready for input (and no longer), and functions bound at their first call.
#include "setup/platform/routines.h"
#include "setup_test_support.h"

namespace setup_test {
namespace {

TEST(Routines, IsPathExistingSeesFilesAndFoldersButNotHiddenOrSystem) {
    TempFolder f(L"exists");
    fs::create_directories(f.Path(L"sub folder"));
    for (const auto& [name, attributes] : {std::pair(L"plain.txt", FILE_ATTRIBUTE_NORMAL), std::pair(L"hidden.txt", FILE_ATTRIBUTE_HIDDEN),
                                           std::pair(L"system.txt", FILE_ATTRIBUTE_SYSTEM), std::pair(L"only.dat", FILE_ATTRIBUTE_HIDDEN)}) {
        f.Write(name, "x");
        ::SetFileAttributesW(f.Path(name).c_str(), attributes);
    }
    for (const auto& [name, exists] : {std::pair(L"plain.txt", true), {L"PLAIN.TXT", true}, {L"sub folder", true},
                                       {L"?lain.txt", true}, {L"*.txt", true}, {L"hidden.txt", false}, {L"system.txt", false},
                                       {L"*.dat", false}, {L"missing.txt", false}, {L"no\\such\\x", false}})
        EXPECT_EQ(setup::IsPathExisting(f.Text(name)), exists) << quorin::ToUtf8(f.Text(name));
    wchar_t letter = L'Y'; // a drive letter that names no drive is an unusable path
    while (letter > L'D' && (::GetLogicalDrives() & (1u << (letter - L'A'))))
        --letter;
    EXPECT_EQ(Raised([&] { setup::IsPathExisting(Text{static_cast<char16_t>(letter)} + u":\\Setup.INF"); }),
              quorin::ErrorCode::DeviceUnavailable);
}

bool StillRunning(DWORD pid) {
    quorin::win::UniqueHandleObj process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    const bool running = process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    if (process)
        ::TerminateProcess(process.get(), 0);
    return running;
}

// The wait needs the process handle's SYNCHRONIZE right: without it the wait fails at once and
// Setup would go on while the program still starts. A program that never becomes idle is
// waited for the whole bound, and left running.
TEST(Routines, RunAndWaitIdle) {
    const ULONGLONG start = ::GetTickCount64();
    const DWORD pid = setup::RunAndWaitIdle(quorin::win::FromWide((L"\"" + Beside(L"QTestProg.exe") + L"\" /Hang").c_str()), SW_HIDE, 1500);
    EXPECT_GE(::GetTickCount64() - start, 1400u);
    EXPECT_TRUE(StillRunning(pid));
    EXPECT_TRUE(StillRunning(setup::RunAndWaitIdle(u"notepad.exe", SW_HIDE))) << "returns once idle, not at the end";
    EXPECT_NE(setup::RunAndWaitIdle(u"cmd.exe /c exit 3", SW_HIDE), 0u) << "a program without a message queue";
    const auto missing = Raised([] { setup::RunAndWaitIdle(u"C:\\no\\such\\program.exe /RegServer", SW_HIDE); });
    EXPECT_TRUE(missing == quorin::ErrorCode::FileNotFound || missing == quorin::ErrorCode::PathNotFound);
}

TEST(Routines, FunctionsBoundAtFirstCall) {
    quorin::win::DeclaredFunction<decltype(&::GetTickCount)> tick("KERNEL32", "GetTickCount");
    EXPECT_FALSE(tick.IsBound());
    EXPECT_GT(tick(), 0u);
    EXPECT_TRUE(tick.IsBound());
    for (const auto& [library, entry, code] : {std::tuple("KERNEL32", "NoSuchEntryPoint", quorin::ErrorCode::MissingEntryPoint),
                                               std::tuple("QuorinNoSuchLibrary.DLL", "X", quorin::ErrorCode::MissingLibrary)}) {
        quorin::win::DeclaredFunction<decltype(&::GetTickCount)> function(library, entry);
        for (int attempt = 0; attempt < 2; ++attempt) // each call tries again
            EXPECT_EQ(Raised([&] { function(); }), code) << entry;
    }
}

} // namespace
} // namespace setup_test
