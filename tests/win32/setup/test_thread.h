// Helper threads for the Windows tests. The tree is built with the C++ runtime's Win32 thread
// model, which has no std::thread or std::mutex: the platform's own thread and lock serve.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace quorin_test {

// Runs `body` on a thread of its own; Join (or the destructor) waits for it to end.
class TestThread {
public:
    explicit TestThread(std::function<void()> body) : body_(std::move(body)) {
        handle_ = ::CreateThread(nullptr, 0, &TestThread::Run, this, 0, nullptr);
    }
    ~TestThread() { Join(); }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

    void Join() {
        if (handle_ == nullptr)
            return;
        ::WaitForSingleObject(handle_, INFINITE);
        ::CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<TestThread*>(self)->body_();
        return 0;
    }

    std::function<void()> body_;
    HANDLE handle_ = nullptr;
};

// A lock for data two threads share; Hold keeps it for a scope.
class TestLock {
public:
    class Hold {
    public:
        explicit Hold(TestLock& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_.srw_); }
        ~Hold() { ::ReleaseSRWLockExclusive(&lock_.srw_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        TestLock& lock_;
    };

private:
    SRWLOCK srw_ = SRWLOCK_INIT;
};

} // namespace quorin_test
