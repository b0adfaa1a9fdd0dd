// The install and uninstall procedures' platform on Win32: the real file, registry and
// registration calls, with the procedures' progress and messages shown on the window.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "installer/platform.h"
#include "setup/platform/settings_store.h"

namespace setup {

// What the procedures show on the window while they run.
class ProcedureView {
public:
    virtual ~ProcedureView() = default;
    // A message box owned by the window, with the application title, through the ANSI
    // interface; returns the button pressed.
    virtual int ShowMessageBox(const quorin::Text& text, uint32_t style) = 0;
    virtual void EnableButton(quorin::ProcedureButton button, bool enabled) = 0;
    // The tip shows string `id`, repainted at once.
    virtual void ShowTip(uint32_t id) = 0;
    virtual void SetPointer(int32_t pointer) = 0;
};

class ProcedurePlatform final : public quorin::InstallPlatform {
public:
    // `state` is the window's install state, which decides whether the uninstall entry is
    // written or removed.
    ProcedurePlatform(ProcedureView& view, quorin::InstallState state) : view_(view), state_(state) {}

    quorin::Text ProgramFolder() override;
    int32_t ShowMessage(uint32_t id, uint32_t style, const std::vector<quorin::Text>& values) override;
    void EnableButton(quorin::ProcedureButton button, bool enabled) override { view_.EnableButton(button, enabled); }
    void ShowTip(uint32_t id) override { view_.ShowTip(id); }
    void SetMousePointer(int32_t pointer) override { view_.SetPointer(pointer); }
    void Pause(uint32_t milliseconds) override;
    quorin::PlaceOutcome PlaceFile(const quorin::Text& folder, const quorin::SetupEntry& entry) override;
    bool RegisterComponent(const quorin::Text& path) override;
    bool UnregisterComponent(const quorin::Text& path) override;
    void RemoveFile(const quorin::Text& path) override;
    quorin::SettingsStore& Settings() override { return store_; }
    void UpdateUninstallEntry(const quorin::SetupSettings& settings) override;
    std::vector<quorin::Text> OwnFiles() override;

private:
    ProcedureView& view_;
    quorin::InstallState state_;
    RegistrySettingsStore store_;
};

// Drops the keys and clicks that reached the thread's windows: held, they would be read by the
// next message box's loop (Enter or Esc answering a box before the user saw it) or act on the
// window once the procedure is over.
void DropUserInput();

// Waits `milliseconds` on the window's thread handling only paint messages (and messages sent
// by other threads, which the platform delivers while it looks), so the window neither turns
// white nor reads as not responding; keys and clicks are dropped.
void PauseKeepingPainted(uint32_t milliseconds);

} // namespace setup
