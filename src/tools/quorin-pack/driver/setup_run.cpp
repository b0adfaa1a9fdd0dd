// One run of Setup.EXE operated from outside, and the unattended run the trial makes of it.
#include <algorithm>

#include "driver/setup_driver.h"

namespace quorin::driver {

SetupRun::SetupRun(const wstring& folder) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    wstring commandLine = L"\"" + folder + L"\\Setup.EXE\"";
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                       &pi)) {
        process_.reset(pi.hProcess);
        CloseHandle(pi.hThread);
        pid_ = pi.dwProcessId;
    }
}

HWND SetupRun::FindMain() {
    if (!main_)
        for (HWND h : TopLevelWindows(pid_))
            if (ClassOf(h) != L"#32770" && TextOf(h) == kApplicationTitle)
                main_ = h;
    return main_;
}

HWND SetupRun::WaitForMain(int timeoutMs) {
    WaitUntil([&] { return FindMain() != nullptr; }, timeoutMs);
    return main_;
}

bool SetupRun::Settled() const {
    if (!main_)
        return false;
    for (const wchar_t* caption : {kInstallTag, kUninstallTag, kPathInitial})
        if (HWND label = Child(main_, L"Static", caption))
            return !IsWindowVisible(label) || caption != kPathInitial;
    return false;
}

std::optional<MessageBoxSeen> SetupRun::FindBox() const {
    for (HWND h : TopLevelWindows(pid_))
        if (ClassOf(h) == L"#32770") {
            // Once the box's thread answers, its dialog loop runs: the box is laid out.
            DWORD_PTR answered = 0;
            SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answered);
            MessageBoxSeen seen;
            seen.hwnd = h;
            seen.owner = GetWindow(h, GW_OWNER);
            seen.caption = TextOf(h);
            if (HWND text = GetDlgItem(h, kBoxText))
                seen.text = TextOf(text);
            for (int id : {kIdOk, 2, 3, 4, 5, kIdYes, kIdNo})
                if (HWND b = GetDlgItem(h, id); b && IsWindowVisible(b)) {
                    seen.buttons.push_back(id);
                    if ((GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                        seen.defaultButton = id;
                }
            return seen;
        }
    return std::nullopt;
}

std::optional<MessageBoxSeen> SetupRun::WaitForBox(int timeoutMs) const {
    std::optional<MessageBoxSeen> box;
    WaitUntil([&] { return (box = FindBox()).has_value(); }, timeoutMs);
    return box;
}

bool SetupRun::Answer(const MessageBoxSeen& box, int button) const {
    HWND b = GetDlgItem(box.hwnd, button);
    if (b == nullptr)
        return false;
    Press(b);
    return WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, 10000);
}

bool SetupRun::WaitForExit(int timeoutMs) const {
    return process_ && WaitForSingleObject(process_.get(), static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

bool SetupRun::Terminate() {
    if (!process_ || WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT)
        return false;
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 10000);
    return true;
}

DWORD SetupRun::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

namespace {

// One unattended start of Setup, a look at a time: each look answers a box, notes the state the
// window settled on, presses the button, or, once Setup is idle again, presses Cancel.
class Driving {
public:
    Driving(const wstring& folder, const wchar_t* button, const DriveHooks& hooks)
        // The idle tip is back once a procedure has finished, before its closing boxes; Cancel
        // pressed earlier would stay queued until a box's loop and end the program under it.
        : idleTip_(ResString(folder + L"\\Setup.EXE", kTipIdle)), run_(folder), button_(button),
          hooks_(hooks) {}

    Session Run(int seconds) {
        const auto start = Clock::now();
        r_.started = run_.started();
        while (r_.started && Clock::now() < start + std::chrono::seconds(seconds)) {
            if (run_.WaitForExit(100)) {
                r_.ended = true;
                break;
            }
            if (!AnswerBox() && run_.FindMain() && Settle() && !PressButton())
                CancelWhenIdle();
        }
        run_.Terminate();
        r_.exitCode = run_.ExitCode();
        r_.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return r_;
    }

private:
    bool AnswerBox() {
        const std::optional<MessageBoxSeen> box = run_.FindBox();
        if (!box)
            return false;
        r_.boxes.push_back(*box);
        const bool yes = std::find(box->buttons.begin(), box->buttons.end(), kIdYes) != box->buttons.end();
        run_.Answer(*box, yes ? kIdYes : kIdOk);
        completed_ =
            completed_ || (r_.pressed && !hooks_.completion.empty() && box->text == hooks_.completion);
        quietSince_ = Clock::now();
        return true;
    }

    // Whether the window has decided the state; a box shown meanwhile (installed elsewhere) comes
    // first.
    bool Settle() {
        if (r_.settled || !run_.Settled())
            return r_.settled;
        r_.settled = true;
        r_.installOffered = IsWindowVisible(run_.Button(kInstallCaption));
        r_.uninstallOffered = IsWindowVisible(run_.Button(kUninstallCaption));
        if (hooks_.settled)
            hooks_.settled(run_);
        quietSince_ = Clock::now();
        return true;
    }

    bool PressButton() {
        if (button_ && !r_.pressed && Usable(run_.Button(button_))) {
            Press(run_.Button(button_));
            r_.pressed = true;
            quietSince_ = Clock::now();
            return true;
        }
        if (r_.pressed && !busySeen_ && hooks_.busy && !hooks_.busyTip.empty() &&
            Child(run_.main(), L"Static", hooks_.busyTip) != nullptr) {
            busySeen_ = true;
            hooks_.busy(run_);
        }
        return false;
    }

    void CancelWhenIdle() {
        if (completed_ && !cancelled_) {
            Press(run_.Button(kCancelCaption));
            cancelled_ = true;
            quietSince_ = Clock::now();
            return;
        }
        // The look waits for Setup's thread to answer, so a box it was about to show is up by then.
        const bool idle = !r_.pressed || Child(run_.main(), L"Static", idleTip_) != nullptr;
        if (idle && Clock::now() - quietSince_ > std::chrono::milliseconds(500) && !run_.FindBox()) {
            if (HWND cancel = run_.Button(kCancelCaption))
                Press(cancel);
            quietSince_ = Clock::now();
        }
    }

    const wstring idleTip_;
    SetupRun run_;
    const wchar_t* button_;
    const DriveHooks& hooks_;
    Session r_;
    Clock::time_point quietSince_ = Clock::now();
    bool busySeen_ = false, completed_ = false, cancelled_ = false;
};

} // namespace

Session Drive(const wstring& folder, const wchar_t* button, int seconds, const DriveHooks& hooks) {
    return Driving(folder, button, hooks).Run(seconds);
}

} // namespace quorin::driver
