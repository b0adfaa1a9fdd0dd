// The joystick control's scan tick: two device readings compared with the state the previous
// tick left, turned into button and cursor events. Portable: the device and the event delivery
// are interfaces, so the same tick runs on the real joystick service and on scripted readings.
#pragma once

#include <cstdint>

namespace quorin::joystick {

// Laid out exactly as the joystick service's reading record (four unsigned 32-bit values), so
// the Windows layer hands it to the service unchanged.
struct JoyReading {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t z = 0; // read and kept, never used
    uint32_t buttons = 0;
};
static_assert(sizeof(JoyReading) == 16, "must match the service's record");

// The saved state: the second reading of the previous tick, followed by the one-way flag that
// keeps the first difference against the zeroed record from counting as a pad press.
struct ScanState {
    JoyReading saved;
    int16_t cursorArmed = 0; // 16-bit boolean, -1 once armed
};

// Pad positions of a digital game pad.
inline constexpr uint32_t CursorLow = 256; // left or up
inline constexpr uint32_t CursorCentre = 32768;
inline constexpr uint32_t CursorHigh = 65280; // right or down

// The service: fills the record (or leaves it as the service leaves it on failure) and
// returns its result code, 0 for success.
class JoystickReader {
public:
    virtual uint32_t Read(int32_t port, JoyReading& record) noexcept = 0;

protected:
    ~JoystickReader() = default;
};

// The control's events raised by a tick. Booleans are 16-bit (-1 true, 0 false), as they reach
// the host. Each call returns when every handler has run.
class ScanEvents {
public:
    virtual void ButtonDown(int16_t first, int32_t button) noexcept = 0;
    virtual void ButtonUp(int16_t last, int32_t button) noexcept = 0;
    virtual void CursorPress(int16_t first, int16_t last) noexcept = 0;
    virtual void ScanButton(int32_t button) noexcept = 0;
    virtual void ScanCursor(int32_t cursorX, int32_t cursorY) noexcept = 0;

protected:
    ~ScanEvents() = default;
};

// The control's properties the tick reads. The tick takes them by reference and reads each
// when its step needs it, so a handler that changes a property during a tick is seen by the
// later steps of the same tick.
struct ScanSettings {
    int32_t port = 0;
    int16_t repeatButton = 0;
    int16_t repeatCursor = 0;
};

inline constexpr int16_t ToBool16(bool b) noexcept {
    return b ? int16_t(-1) : int16_t(0);
}

// One tick, in six steps: read, buttons, pad change, button scan, cursor scan, second reading
// straight into the saved state. Allocates nothing.
void ScanTick(ScanState& state, const ScanSettings& settings, JoystickReader& reader,
              ScanEvents& events) noexcept;

// Writing Port tests the port with one reading into a cleared scratch record; true when the
// service reported a failure.
bool PortTestFails(int32_t port, JoystickReader& reader) noexcept;

} // namespace quorin::joystick
