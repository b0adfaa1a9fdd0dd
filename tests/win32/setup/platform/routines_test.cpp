// Setup's helper module against the platform: file tests, program start, system colours and
// functions bound by name.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "basic/string_routines.h"
#include "setup/platform/routines.h"
#include "win/ansi.h"
#include "win/unique_handle.h"

namespace {

using quorin::Text;
using quorin::Variant;
using quorin::win::FromWide;

class Folder : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        dir_ = std::wstring(base) + L"quorin-helpers-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(dir_.c_str(), nullptr);
        ::CreateDirectoryW((dir_ + L"\\sub folder").c_str(), nullptr);
        Make(L"plain.txt", 0);
        Make(L"hidden.txt", FILE_ATTRIBUTE_HIDDEN);
        Make(L"system.txt", FILE_ATTRIBUTE_SYSTEM);
        Make(L"only-hidden.dat", FILE_ATTRIBUTE_HIDDEN);
    }
    void TearDown() override {
        for (const wchar_t* n : {L"plain.txt", L"hidden.txt", L"system.txt", L"only-hidden.dat"}) {
            ::SetFileAttributesW((dir_ + L"\\" + n).c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW((dir_ + L"\\" + n).c_str());
        }
        ::RemoveDirectoryW((dir_ + L"\\sub folder").c_str());
        ::RemoveDirectoryW(dir_.c_str());
    }
    void Make(const std::wstring& name, DWORD attributes) {
        quorin::win::UniqueFile file(::CreateFileW((dir_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), "x", 1, &written, nullptr);
        if (attributes)
            ::SetFileAttributesW((dir_ + L"\\" + name).c_str(), attributes);
    }
    Text P(const std::wstring& rest) { return FromWide((dir_ + rest).c_str()); }

    std::wstring dir_;
};

TEST_F(Folder, IsPathExistingFindsFilesAndFoldersButNotHiddenOrSystem) {
    struct Case {
        std::wstring rest;
        bool expected;
    };
    const Case cases[] = {
        {L"\\plain.txt", true},    {L"\\PLAIN.TXT", true},
        {L"\\sub folder", true},   {L"", true},
        {L"\\hidden.txt", false},  {L"\\system.txt", false},
        {L"\\missing.txt", false}, {L"\\*.txt", true},
        {L"\\*.dat", false},       {L"\\no\\such\\x.txt", false},
        {L"\\?lain.txt", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(setup::IsPathExisting(P(c.rest)), c.expected) << quorin::ToUtf8(P(c.rest));
}

TEST(Helpers, IsPathExistingRaisesForAnUnusablePath) {
    // A drive letter that names no drive.
    const DWORD drives = ::GetLogicalDrives();
    wchar_t letter = 0;
    for (wchar_t c = L'Y'; c > L'D' && !letter; --c)
        if (!(drives & (1u << (c - L'A'))))
            letter = c;
    ASSERT_NE(letter, 0);
    try {
        setup::IsPathExisting(Text{static_cast<char16_t>(letter)} + u":\\Setup.INF");
        FAIL() << "no error";
    } catch (const quorin::RuntimeError& e) {
        EXPECT_EQ(e.Code(), quorin::ErrorCode::DeviceUnavailable);
    }
}

TEST(Helpers, StringRoutinesThroughTheModule) {
    EXPECT_EQ(quorin::FindLast(1, u"C:\\Apps\\PLAYER.EXE", u".", quorin::CompareMode::Binary), 15);
    EXPECT_EQ(quorin::FindLast(1, u"abcABC", u"bc", quorin::CompareMode::Text), 5);
    EXPECT_THROW(quorin::FindLast(0, u"abc", u"b", quorin::CompareMode::Binary), quorin::RuntimeError);
    EXPECT_EQ(quorin::ReverseChars(u"abc"), u"cba");
    EXPECT_EQ(quorin::EmbedValues(u"'$'", {Variant(Text(u"D:\\PKG"))}), u"'D:\\PKG'");
}

TEST(Helpers, SystemColorMasksTheReference) {
    EXPECT_EQ(setup::SystemColor(0x8000000F), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(setup::SystemColor(0x8000001A), ::GetSysColor(26));
    EXPECT_EQ(setup::SystemColor(0x80000005), ::GetSysColor(COLOR_WINDOW));
}

TEST(Helpers, RunAndWaitIdleStartsAndReturnsTheProcess) {
    // A GUI program reaches its message loop; the routine returns while it still runs.
    DWORD pid = setup::RunAndWaitIdle(u"notepad.exe", SW_HIDE);
    ASSERT_NE(pid, 0u);
    quorin::win::UniqueHandleObj process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    ASSERT_TRUE(process);
    EXPECT_EQ(::WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), 10000);
    // A console program without a message queue: the wait returns at once.
    pid = setup::RunAndWaitIdle(u"cmd.exe /c exit 3", SW_HIDE);
    EXPECT_NE(pid, 0u);
}

TEST(Helpers, RunAndWaitIdleEndsForAProgramThatNeverBecomesIdle) {
    // A self-registering program that hangs before its message loop must not hold Setup for
    // ever: the wait ends at its bound (a short one here) with the program still running.
    wchar_t exe[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    std::wstring program(exe, n);
    program.resize(program.rfind(L'\\') + 1);
    program += L"never_idle.exe";
    const quorin::Text commandLine = quorin::win::FromWide((L"\"" + program + L"\" /RegServer").c_str());
    const DWORD start = ::GetTickCount();
    const DWORD pid = setup::RunAndWaitIdle(commandLine, SW_HIDE, 1500);
    const DWORD waited = ::GetTickCount() - start;
    ASSERT_NE(pid, 0u);
    quorin::win::UniqueHandleObj process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    ASSERT_TRUE(process);
    EXPECT_EQ(::WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";
    EXPECT_GE(waited, 1400u) << "the program was never idle, so the whole bound is waited";
    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), 10000);
}

TEST(Helpers, RunAndWaitIdleRaisesForAMissingProgram) {
    try {
        setup::RunAndWaitIdle(u"C:\\no\\such\\program.exe /RegServer", SW_HIDE);
        FAIL() << "no error";
    } catch (const quorin::RuntimeError& e) {
        EXPECT_TRUE(e.Code() == quorin::ErrorCode::FileNotFound ||
                    e.Code() == quorin::ErrorCode::PathNotFound)
            << e.what();
    }
}

TEST(Helpers, DeclaredFunctionsBindAtFirstCall) {
    quorin::win::DeclaredFunction<decltype(&::GetTickCount)> tick("KERNEL32", "GetTickCount");
    EXPECT_FALSE(tick.IsBound());
    EXPECT_GT(tick(), 0u);
    EXPECT_TRUE(tick.IsBound());

    quorin::win::DeclaredFunction<decltype(&::GetTickCount)> noEntry("KERNEL32", "NoSuchEntryPoint");
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            noEntry();
            FAIL() << "no error";
        } catch (const quorin::RuntimeError& e) {
            EXPECT_EQ(e.Code(), quorin::ErrorCode::MissingEntryPoint);
        }
    }
    quorin::win::DeclaredFunction<decltype(&::GetTickCount)> noLibrary("QuorinNoSuchLibrary.DLL", "X");
    try {
        noLibrary();
        FAIL() << "no error";
    } catch (const quorin::RuntimeError& e) {
        EXPECT_EQ(e.Code(), quorin::ErrorCode::MissingLibrary);
    }
}

TEST(Helpers, DeclaredPlatformFunctionsWork) {
    setup::Sleep(1);
    EXPECT_EQ(setup::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNFACE));
    HANDLE self = setup::OpenProcess(PROCESS_QUERY_INFORMATION, TRUE, ::GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_TRUE(setup::CloseHandle(self));
}

TEST(Helpers, MissingSetupDllRaisesAtTheCall) {
    // No Setup.DLL beside this test program (another test may have put one there) or on the
    // search path.
    wchar_t exe[MAX_PATH];
    std::wstring dll(exe, ::GetModuleFileNameW(nullptr, exe, MAX_PATH));
    dll = dll.substr(0, dll.rfind(L'\\') + 1) + L"Setup.DLL";
    const std::wstring aside = dll + L".aside";
    const bool moved = ::MoveFileExW(dll.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    bool raised = false;
    try {
        setup::RegisterServer("C:\\x.ocx");
    } catch (const quorin::RuntimeError& e) {
        raised = e.Code() == quorin::ErrorCode::MissingLibrary;
    }
    bool isOkRaised = false;
    try {
        setup::IsOK();
    } catch (const quorin::RuntimeError&) {
        isOkRaised = true;
    }
    if (moved)
        ::MoveFileExW(aside.c_str(), dll.c_str(), MOVEFILE_REPLACE_EXISTING);
    EXPECT_TRUE(raised);
    EXPECT_TRUE(isOkRaised);
}

} // namespace
