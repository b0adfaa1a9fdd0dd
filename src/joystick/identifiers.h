// Identifiers, dispatch identifiers and enumerations of the control's interfaces, and where
// the library keeps its type libraries. The type library, the control, the property page and
// the About box all build on these; hosts bind to them, so none of them may change.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>
#include <olectl.h>

namespace joystick {

// Type library.
// {70AAD8F7-CD9A-11D5-BBA9-ECA80BC13402}
inline constexpr GUID LIBID_Joystick = {
    0x70AAD8F7, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};
inline constexpr WORD LibVersionMajor = 1;
inline constexpr WORD LibVersionMinor = 2;
inline constexpr LCID LibLocale = 0x0409;

// Current interface identifiers.
// {8AECF5E4-8EBC-11D7-BBAF-444553540000} _ControlJoystick
inline constexpr GUID IID__ControlJoystick = {
    0x8AECF5E4, 0x8EBC, 0x11D7, {0xBB, 0xAF, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {8AECF5E5-8EBC-11D7-BBAF-444553540000} __ControlJoystick (events)
inline constexpr GUID DIID___ControlJoystick = {
    0x8AECF5E5, 0x8EBC, 0x11D7, {0xBB, 0xAF, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {70AAD8F5-CD9A-11D5-BBA9-ECA80BC13402} _PropertyPageJoystick
inline constexpr GUID IID__PropertyPageJoystick = {
    0x70AAD8F5, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};

// Earlier identifiers of the same interfaces, oldest first (also the aliases' identifiers).
// {70AAD8E7-CD9A-11D5-BBA9-ECA80BC13402} ControlJoystick___v0
inline constexpr GUID IID__ControlJoystick_v0 = {
    0x70AAD8E7, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};
// {121B7790-FEC5-11D5-BBAD-94D70CC10000} ControlJoystick___v1
inline constexpr GUID IID__ControlJoystick_v1 = {
    0x121B7790, 0xFEC5, 0x11D5, {0xBB, 0xAD, 0x94, 0xD7, 0x0C, 0xC1, 0x00, 0x00}};
// {70AAD8ED-CD9A-11D5-BBA9-ECA80BC13402}
inline constexpr GUID DIID___ControlJoystick_v0 = {
    0x70AAD8ED, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};
// {121B7791-FEC5-11D5-BBAD-94D70CC10000}
inline constexpr GUID DIID___ControlJoystick_v1 = {
    0x121B7791, 0xFEC5, 0x11D5, {0xBB, 0xAD, 0x94, 0xD7, 0x0C, 0xC1, 0x00, 0x00}};

// Classes.
// {70AAD8E8-CD9A-11D5-BBA9-ECA80BC13402}
inline constexpr GUID CLSID_ControlJoystick = {
    0x70AAD8E8, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};
// {70AAD8F6-CD9A-11D5-BBA9-ECA80BC13402}
inline constexpr GUID CLSID_PropertyPageJoystick = {
    0x70AAD8F6, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};

// Enumerations.
// {70AAD8E9-...} .. {70AAD8EC-...}
inline constexpr GUID GUID_JoystickPortConstants = {
    0x70AAD8E9, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};
inline constexpr GUID GUID_JoystickButtonConstants = {
    0x70AAD8EA, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};
inline constexpr GUID GUID_JoystickCursorXConstants = {
    0x70AAD8EB, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};
inline constexpr GUID GUID_JoystickCursorYConstants = {
    0x70AAD8EC, 0xCD9A, 0x11D5, {0xBB, 0xA9, 0xEC, 0xA8, 0x0B, 0xC1, 0x34, 0x02}};

// The container's hyperlink navigation interface, handed out by the hidden Hyperlink member.
// {888A5A60-B283-11CF-8AD5-00A0C90AEA82}
inline constexpr GUID IID_ContainerHyperlink = {
    0x888A5A60, 0xB283, 0x11CF, {0x8A, 0xD5, 0x00, 0xA0, 0xC9, 0x0A, 0xEA, 0x82}};

enum JoystickPortConstants : LONG {
    JoystickPort1 = 0,
    JoystickPort2 = 1,
    JoystickPort3 = 2,
    JoystickPort4 = 3
};

// Dispatch identifiers of _ControlJoystick.
inline constexpr DISPID DISPID_Port = 0x68030002;
inline constexpr DISPID DISPID_Interval = 0; // DISPID_VALUE: the default member
inline constexpr DISPID DISPID_RepeatButton = 0x68030001;
inline constexpr DISPID DISPID_RepeatCursor = 0x68030000;
inline constexpr DISPID DISPID_Begin = 0x60030003;
inline constexpr DISPID DISPID_Finish = 0x60030004;
inline constexpr DISPID DISPID_About = DISPID_ABOUTBOX; // -552
inline constexpr DISPID DISPID_Hyperlink = 0x60030005;

// Dispatch identifiers of the event interface __ControlJoystick.
inline constexpr DISPID DISPID_EvBegin = 1;
inline constexpr DISPID DISPID_EvFinish = 2;
inline constexpr DISPID DISPID_EvScanButton = 3;
inline constexpr DISPID DISPID_EvScanCursor = 4;
inline constexpr DISPID DISPID_EvButtonDown = 5;
inline constexpr DISPID DISPID_EvButtonUp = 6;
inline constexpr DISPID DISPID_EvCursorPress = 7;
inline constexpr DISPID DISPID_EvError = 8;

// "TYPELIB" resources of Joystick.OCX. Library 1 describes the control; library 2 holds the
// container hyperlink interface that library 1 imports for the return type of Hyperlink.
// Hosts resolve that import through the registry, so registration registers both libraries.
inline constexpr WORD TypeLibResourceControl = 1;
inline constexpr WORD TypeLibResourceHyperlink = 2;

// The hyperlink library. Its one interface is IContainerHyperlink.
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

// Hosts that group properties by category ask the control itself.
// {4D07FC10-F931-11CE-B001-00AA006884E5}
inline constexpr GUID IID_CategorizeProperties = {
    0x4D07FC10, 0xF931, 0x11CE, {0xB0, 0x01, 0x00, 0xAA, 0x00, 0x68, 0x84, 0xE5}};

} // namespace joystick
