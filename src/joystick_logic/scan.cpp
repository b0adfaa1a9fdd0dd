#include "joystick_logic/scan.h"

namespace quorin::joystick {

namespace {

bool Centred(const JoyReading& r) noexcept {
    return r.x == CursorCentre && r.y == CursorCentre;
}

} // namespace

void ScanTick(ScanState& state, const ScanSettings& settings, JoystickReader& reader,
              ScanEvents& events) noexcept {
    // 1. Fresh reading into a cleared record; a failed reading is processed as (0, 0) with no
    //    buttons. The result code is of no interest to the tick.
    JoyReading current{};
    (void)reader.Read(settings.port, current);

    const JoyReading& saved = state.saved;

    // 2. Buttons, compared as signed masks: a press and a release between two ticks count as
    //    whichever way the mask grew.
    const auto now = static_cast<int32_t>(current.buttons);
    const auto before = static_cast<int32_t>(saved.buttons);
    if (now > before)
        events.ButtonDown(ToBool16(before == 0), now ^ before);
    else if (now < before)
        events.ButtonUp(ToBool16(now == 0), now ^ before);

    // 3. Pad change; the first change after creation only arms the flag.
    const bool padMoved = current.x != saved.x || current.y != saved.y;
    if (padMoved) {
        if (state.cursorArmed == 0)
            state.cursorArmed = -1;
        else
            events.CursorPress(ToBool16(Centred(saved)), ToBool16(Centred(current)));
    }

    // 4. Button scan. The saved state is re-read here: handlers cannot change it, but the
    //    comparison is meant against the saved state as it stands.
    if (current.buttons != 0 && (settings.repeatButton != 0 || current.buttons != saved.buttons))
        events.ScanButton(static_cast<int32_t>(current.buttons));

    // 5. Cursor scan.
    if (!Centred(current) && (settings.repeatCursor != 0 || current.x != saved.x || current.y != saved.y))
        events.ScanCursor(static_cast<int32_t>(current.x), static_cast<int32_t>(current.y));

    // 6. Second reading straight into the saved state; cursorArmed, which follows it, is left
    //    alone. On failure the record holds whatever the service left in it.
    (void)reader.Read(settings.port, state.saved);
}

bool PortTestFails(int32_t port, JoystickReader& reader) noexcept {
    JoyReading scratch{};
    return reader.Read(port, scratch) != 0;
}

} // namespace quorin::joystick
