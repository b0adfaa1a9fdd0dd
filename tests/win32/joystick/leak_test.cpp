// Several hundred controls created and released with their scan timers running and their event and
// change sinks connected, a property page and an About box opened and closed for some of them:
// afterwards the process holds no more kernel handles, GDI objects or windows than before (after
// a warm-up round), and the sinks no extra references.
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "ocx_test_support.h"

using namespace ocxtest;

namespace {

// Wine's GetProcessHandleCount and GetGuiResources answer 0: the counts come from probing the
// handle values, the GDI handle table the PEB points to, and this thread's windows.
long KernelHandles() {
    long n = 0;
    DWORD flags = 0;
    for (ULONG_PTR h = 4; h < 0x8000; h += 4)
        n += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags) ? 1 : 0;
    return n;
}

long GdiObjects() {
#pragma pack(push, 4)
    struct Entry { // PEB::GdiSharedHandleTable, 32-bit
        unsigned long long object;
        ULONG owner;
        USHORT unique;
        UCHAR type, flags;
        unsigned long long user;
    };
#pragma pack(pop)
    static_assert(sizeof(Entry) == 24, "GDI table entry layout");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds" // the header reads the TEB through %fs as an array
    const auto* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#pragma GCC diagnostic pop
    const auto* table = *reinterpret_cast<const Entry* const*>(peb + 0x94);
    long n = 0;
    for (int i = 0; table && i < 0x10000; ++i)
        n += table[i].type != 0 ? 1 : 0;
    return n;
}

BOOL CALLBACK CountTree(HWND w, LPARAM total) {
    *reinterpret_cast<long*>(total) += 1 + static_cast<long>(quorin::driver::Children(w).size());
    return TRUE;
}

struct Counts {
    long handles, gdi, windows;
};
Counts Measure() {
    long windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountTree, reinterpret_cast<LPARAM>(&windows));
    // Message-only windows are not enumerated with the others.
    for (HWND h = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); h; h = FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr))
        if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId())
            CountTree(h, reinterpret_cast<LPARAM>(&windows));
    return {KernelHandles(), GdiObjects(), windows};
}

// One batch of controls alive together, scanning with both sinks connected; half are finished
// and disconnected before they go, half go while running and connected.
void Batch(int count, bool withPage, bool withAbout, HWND parent, Host& sink) {
    std::vector<ComPtr<IControlJoystick>> controls;
    std::vector<std::unique_ptr<Connection>> connections;
    for (int i = 0; i < count; ++i) {
        controls.push_back(NewControl());
        IControlJoystick* c = controls.back().Get();
        connections.push_back(std::make_unique<Connection>(c, DIID___ControlJoystick, &sink));
        connections.push_back(std::make_unique<Connection>(c, IID_IPropertyNotifySink, &sink));
        SHORT interval = 1;
        VARIANT_BOOL repeat = VARIANT_TRUE; // no joystick: every tick reads (0, 0), reported by a repeating cursor
        JoystickPortConstants port = JoystickPort4;
        c->put_Interval(&interval);
        c->put_RepeatCursor(&repeat);
        if (i % 10 == 0)
            c->put_Port(&port); // no joystick: the Error event
        c->Begin();
    }
    PumpPeriods(2, 10);
    if (withPage) {
        PageSite site;
        auto page = Create<IPropertyPage2>(CLSID_PropertyPageJoystick);
        IUnknown* selected[2] = {controls[0].Get(), controls[1].Get()};
        RECT rect{0, 0, 420, 220};
        page->SetPageSite(&site);
        page->SetObjects(2, selected);
        EXPECT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
        page->Show(SW_SHOW);
        page->Apply();
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->SetPageSite(nullptr);
    }
    if (withAbout) {
        EXPECT_GT(RunBox([&] { return controls[2]->About(); }, PressOk).ticksWithBox, 0);
    }
    for (int i = 0; i < count; i += 2) {
        controls[i]->Finish();
        connections[2 * i].reset();
        connections[2 * i + 1].reset();
    }
    controls.clear(); // the rest go while running and connected
}

TEST(Lifetime, HundredsOfControlsLeaveNoTrace) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 500, 300, nullptr, nullptr, nullptr, nullptr);
    Host sink;
    // Warm-up: the first round loads what stays loaded (type information, window classes,
    // fonts, the platform's own caches).
    Batch(100, true, true, parent, sink);
    PumpPeriods(3, 10);
    const Counts before = Measure();
    for (int batch = 0; batch < 5; ++batch)
        Batch(100, batch % 2 == 0, batch % 3 == 0, parent, sink);
    PumpPeriods(3, 10);
    const Counts after = Measure();
    std::printf("[leak] handles %ld -> %ld, GDI objects %ld -> %ld, windows %ld -> %ld, %zu events\n", before.handles,
                after.handles, before.gdi, after.gdi, before.windows, after.windows, sink.events.size());
    EXPECT_LE(after.handles, before.handles);
    EXPECT_LE(after.gdi, before.gdi);
    EXPECT_LE(after.windows, before.windows);
    EXPECT_NE(std::find(sink.events.begin(), sink.events.end(), "ScanCursor(0,0)"), sink.events.end())
        << "no timer ticked: the scan was not running";
    EXPECT_EQ(sink.refs, 1) << "a released control kept a sink";
    DestroyWindow(parent);
}

} // namespace
