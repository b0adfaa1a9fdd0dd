// What the control's type library describes: the members of _ControlJoystick in the order the
// library lists them, the events of __ControlJoystick, and the four enumerations.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

namespace joystick::typelib {

extern const char16_t* const ProductTitle;
extern const char16_t* const LibraryHelp;
extern const char16_t* const HelpFile;
inline constexpr DWORD LibraryHelpContext = 1;
inline constexpr DWORD ControlHelpContext = 301;
inline constexpr DWORD PropertyPageHelpContext = 203;

// The value types of members and event parameters.
enum class ValueType { None, Short, Boolean, Port, Button, CursorX, CursorY, Hyperlink };

// Entries of IControlJoystick's function table after IDispatch's, in the order interfaces.h
// declares them.
enum Slot : int {
    SlotAbout,
    SlotGetInterval,
    SlotPutInterval,
    SlotGetPort,
    SlotPutPort,
    SlotGetRepeatButton,
    SlotPutRepeatButton,
    SlotGetRepeatCursor,
    SlotPutRepeatCursor,
    SlotBegin,
    SlotFinish,
    SlotHyperlink,
};

// A member of _ControlJoystick. A property contributes its reading, then its writing.
struct ControlMember {
    const char16_t* name;
    DISPID id;
    bool property;
    ValueType type;
    WORD flags;
    DWORD helpContext;
    const char16_t* help;
    int slot;    // the method, or the property reading
    int putSlot; // the property writing
};

struct EventParam {
    const char16_t* name;
    ValueType type;
};

struct ControlEvent {
    const char16_t* name;
    DISPID id;
    WORD flags;
    DWORD helpContext;
    const char16_t* help;
    std::vector<EventParam> params;
};

struct EnumConstant {
    const char16_t* name;
    LONG value;
};

struct EnumType {
    const char16_t* name;
    const GUID* guid;
    std::vector<EnumConstant> constants;
};

extern const std::vector<ControlMember> ControlMembers;
extern const std::vector<ControlEvent> ControlEvents;
extern const std::vector<EnumType> EnumTypes;

} // namespace joystick::typelib
