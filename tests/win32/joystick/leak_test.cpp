// Ten thousand controls created and released, with their scan timers running and their event
// and change sinks connected, a property page and an About box opened and closed for some of
// them: afterwards the process holds as many kernel handles, GDI objects and windows as before
// (measured after a warm-up round, no growth allowed), the sinks hold no extra references and
// the library can be unloaded.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "robustness_test_support.h"

using namespace robust;
using namespace joystick;

namespace {

const auto* const g_env = testing::AddGlobalTestEnvironment(new OcxEnvironment);

class EventSink final : public NoMembers<StackObject<IDispatch, IID_IDispatch, DIID___ControlJoystick>> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (id >= 1 && id <= 8)
            ++events[id];
        return S_OK;
    }
    long events[9] = {};
};

class ChangeSink final : public StackObject<IPropertyNotifySink, IID_IPropertyNotifySink> {
public:
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override {
        ++changes;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
    long changes = 0;
};

struct Totals {
    long controls = 0, pages = 0, aboutBoxes = 0, ticksSeen = 0;
};

HRESULT Connect(IUnknown* control, const IID& iid, IUnknown* sink, ComPtr<IConnectionPoint>& cp,
                DWORD& cookie) {
    ComPtr<IConnectionPointContainer> cpc;
    HRESULT hr = control->QueryInterface(IID_PPV_ARGS(&cpc));
    if (FAILED(hr))
        return hr;
    hr = cpc->FindConnectionPoint(iid, &cp);
    if (FAILED(hr))
        return hr;
    return cp->Advise(sink, &cookie);
}

// One batch: `count` controls alive together, scanning every millisecond with both sinks
// connected; half are finished and disconnected before release, half released while running.
void Batch(int count, bool withPage, bool withAbout, HWND parent, EventSink& events, ChangeSink& changes,
           Totals& totals) {
    struct Live {
        ComPtr<IControlJoystick> control;
        ComPtr<IConnectionPoint> eventsCp, changesCp;
        DWORD eventsCookie = 0, changesCookie = 0;
    };
    std::vector<Live> live(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Live& l = live[static_cast<size_t>(i)];
        ASSERT_EQ(g_ocx->Create(CLSID_ControlJoystick, l.control), S_OK);
        ASSERT_EQ(Connect(l.control.Get(), DIID___ControlJoystick, &events, l.eventsCp, l.eventsCookie),
                  S_OK);
        ASSERT_EQ(Connect(l.control.Get(), IID_IPropertyNotifySink, &changes, l.changesCp, l.changesCookie),
                  S_OK);
        SHORT interval = 1;
        ASSERT_EQ(l.control->put_Interval(&interval), S_OK);
        // No joystick: every tick reads (0, 0), which only a repeating cursor reports.
        VARIANT_BOOL repeat = VARIANT_TRUE;
        ASSERT_EQ(l.control->put_RepeatCursor(&repeat), S_OK);
        if (i % 10 == 0) {
            JoystickPortConstants port = JoystickPort4; // no joystick: the Error event
            ASSERT_EQ(l.control->put_Port(&port), S_OK);
        }
        ASSERT_EQ(l.control->Begin(), S_OK);
        ++totals.controls;
    }
    const long before = events.events[DISPID_EvScanCursor];
    Pump(15);
    totals.ticksSeen += events.events[DISPID_EvScanCursor] - before;

    if (withPage) {
        ComPtr<IPropertyPage> page;
        ASSERT_EQ(g_ocx->Create(CLSID_PropertyPageJoystick, page), S_OK);
        TestPageSite site;
        ASSERT_EQ(page->SetPageSite(&site), S_OK);
        IUnknown* selected[2] = {live[0].control.Get(), live[1].control.Get()};
        ASSERT_EQ(page->SetObjects(2, selected), S_OK);
        RECT rect{0, 0, 420, 220};
        ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
        ASSERT_EQ(page->Show(SW_SHOW), S_OK);
        Pump(5);
        ASSERT_EQ(page->Apply(), S_OK);
        ASSERT_EQ(page->Deactivate(), S_OK);
        ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
        ASSERT_EQ(page->SetPageSite(nullptr), S_OK);
        page.Reset();
        EXPECT_EQ(site.refs, 1);
        ++totals.pages;
    }
    if (withAbout) {
        const LONG closedBefore = BoxCloser::closed;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        ASSERT_EQ(live[2].control->Invoke(DISPID_ABOUTBOX, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                          &none, nullptr, nullptr, nullptr),
                  S_OK);
        EXPECT_GT(BoxCloser::closed, closedBefore) << "the About box did not show";
        ++totals.aboutBoxes;
    }

    for (int i = 0; i < count; ++i) {
        Live& l = live[static_cast<size_t>(i)];
        if (i % 2 == 0) {
            ASSERT_EQ(l.control->Finish(), S_OK);
            ASSERT_EQ(l.eventsCp->Unadvise(l.eventsCookie), S_OK);
            ASSERT_EQ(l.changesCp->Unadvise(l.changesCookie), S_OK);
        }
    }
    live.clear(); // the rest go while running and connected
}

TEST(Lifetime, TenThousandControlsLeaveNoTrace) {
    BoxCloser closer;
    HWND parent =
        CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 500, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    EventSink events;
    ChangeSink changes;
    Totals warm, totals;

    // Warm-up: the first round loads what stays loaded (type information, window classes,
    // fonts, the platform's own caches).
    for (int round = 0; round < 2; ++round) {
        Batch(100, true, true, parent, events, changes, warm);
        ASSERT_FALSE(HasFatalFailure());
    }
    Pump(50);
    const ResourceCounts before = Measure();
    const DWORD started = GetTickCount();

    constexpr int kBatches = 100, kPerBatch = 100;
    for (int b = 0; b < kBatches; ++b) {
        Batch(kPerBatch, b % 10 == 0, b % 25 == 0, parent, events, changes, totals);
        ASSERT_FALSE(HasFatalFailure()) << "batch " << b;
    }
    Pump(50);
    const ResourceCounts after = Measure();
    const double seconds = (GetTickCount() - started) / 1000.0;

    std::printf(
        "[leak] %ld controls created and released in %.1f s (%ld pages, %ld About boxes, %ld scan ticks "
        "seen, %ld change reports)\n",
        totals.controls, seconds, totals.pages, totals.aboutBoxes, totals.ticksSeen, changes.changes);
    std::printf("[leak] handles %ld -> %ld, GDI objects %ld -> %ld, windows/USER objects %ld -> %ld\n",
                before.handles, after.handles, before.gdi, after.gdi, before.user, after.user);
    EXPECT_EQ(totals.controls, kBatches * kPerBatch);
    EXPECT_GT(totals.ticksSeen, 0) << "no timer ticked: the scan was not running";
    EXPECT_GT(events.events[DISPID_EvError], 0);
    EXPECT_LE(after.handles, before.handles);
    EXPECT_LE(after.gdi, before.gdi);
    EXPECT_LE(after.user, before.user);
    EXPECT_EQ(events.refs, 1) << "a released control kept its event sink";
    EXPECT_EQ(changes.refs, 1) << "a released control kept its change sink";
    DestroyWindow(parent);
}

} // namespace
