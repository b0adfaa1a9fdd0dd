// GoogleTest's own customisation point, found ahead of its empty default (the top-level
// CMakeLists.txt puts this folder first on the include path of the Windows tree's GoogleTest).
//
// The Windows tree is built with the C++ runtime's Win32 thread model, which has no std::mutex
// or std::condition_variable. GoogleTest's Windows port needs them only for its Notification,
// given here on a Win32 event instead.
#ifndef QUORIN_GTEST_CUSTOM_PORT_H
#define QUORIN_GTEST_CUSTOM_PORT_H

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { ::CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { ::SetEvent(event_); }
    void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

} // namespace testing::internal

#endif
