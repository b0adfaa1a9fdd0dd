// Where Joystick.OCX keeps its type libraries, and the few identifiers that the generated
// libraries add to those of JoystickIds.h. The control's registration, its IDispatch and the
// hyperlink object build on these.
#pragma once

#include <windows.h>

namespace joystick {

// "TYPELIB" resources of Joystick.OCX. Library 1 describes the control; library 2 holds the
// container hyperlink interface that library 1 imports for the return type of Hyperlink.
// Hosts resolve that import through the registry, so registration registers both libraries
// (LoadTypeLibEx on "<path>\\2" with REGKIND_REGISTER for the second).
inline constexpr WORD TypeLibResourceControl = 1;
inline constexpr WORD TypeLibResourceHyperlink = 2;

// The hyperlink library. Its one interface is IContainerHyperlink of JoystickIds.h.
// {3A158410-718C-4862-8341-29DAAC02F924}
inline constexpr GUID LIBID_JoystickHyperlink = {
    0x3A158410, 0x718C, 0x4862, {0x83, 0x41, 0x29, 0xDA, 0xAC, 0x02, 0xF9, 0x24}};
inline constexpr WORD HyperlinkLibVersionMajor = 1;
inline constexpr WORD HyperlinkLibVersionMinor = 0;
inline constexpr LCID HyperlinkLibLocale = 0x0409;

// Dispatch identifiers of IContainerHyperlink.
inline constexpr DISPID DISPID_NavigateTo = 1;
inline constexpr DISPID DISPID_GoForward = 2;
inline constexpr DISPID DISPID_GoBack = 3;

// Custom data of _ControlJoystick naming the property categories, as a string of
// "Property=Category" pairs separated by ";" (today only "Port=その他"). The type library
// writer of the build platform cannot attach custom data to a single member, so the list is
// kept on the interface; at run time hosts ask the control itself (ICategorizeProperties).
// {A98FD4A9-AAC1-4D04-A052-5CAC7FD3C449}
inline constexpr GUID GUID_JoystickPropertyCategories = {
    0xA98FD4A9, 0xAAC1, 0x4D04, {0xA0, 0x52, 0x5C, 0xAC, 0x7F, 0xD3, 0xC4, 0x49}};

} // namespace joystick
