#include "joystick/typelib/type_descriptions.h"

#include "joystick/identifiers.h"

namespace joystick::typelib {

const char16_t* const ProductTitle = u"Ombrel's Gantrel";
const char16_t* const LibraryHelp = u"Ombrel's Gantrel powered by SideWinder GamePad";
const char16_t* const HelpFile = u"Joystick.HLP";

const std::vector<ControlMember> ControlMembers = {
    {u"Port", DISPID_Port, true, ValueType::Port, FUNCFLAG_FUIDEFAULT, 401,
     u"ｼﾞｮｲｽﾃｨｯｸが接続されているﾎﾟｰﾄです。", SlotGetPort, SlotPutPort},
    {u"Interval", DISPID_Interval, true, ValueType::Short, 0, 402, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝ間隔です。",
     SlotGetInterval, SlotPutInterval},
    {u"RepeatButton", DISPID_RepeatButton, true, ValueType::Boolean, 0, 403,
     u"ﾎﾞﾀﾝを連続してｽｷｬﾝする、ﾄﾘｶﾞｰ機能の有無です。", SlotGetRepeatButton, SlotPutRepeatButton},
    {u"RepeatCursor", DISPID_RepeatCursor, true, ValueType::Boolean, 0, 404,
     u"ｶｰｿﾙを連続してｽｷｬﾝする、ﾄﾘｶﾞｰ機能の有無です。", SlotGetRepeatCursor, SlotPutRepeatCursor},
    {u"Begin", DISPID_Begin, false, ValueType::None, 0, 501, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝを始めます。", SlotBegin, -1},
    {u"Finish", DISPID_Finish, false, ValueType::None, 0, 502, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝを終えます。", SlotFinish,
     -1},
    {u"About", DISPID_About, false, ValueType::None, FUNCFLAG_FHIDDEN, 0,
     u"著作権とﾊﾞｰｼﾞｮﾝ情報のﾀﾞｲｱﾛｸﾞです。また、ﾕｰｻﾞｰ用は隠れています。", SlotAbout, -1},
    {u"Hyperlink", DISPID_Hyperlink, false, ValueType::Hyperlink, FUNCFLAG_FHIDDEN, 0,
     u"ｲﾝﾀｰﾈｯﾄへ移動するために必要です。また、ﾕｰｻﾞｰ用は隠れています。", SlotHyperlink, -1},
};

const std::vector<ControlEvent> ControlEvents = {
    {u"Begin", DISPID_EvBegin, 0, 601, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝが始まると発生します。", {}},
    {u"Finish", DISPID_EvFinish, 0, 602, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝが終わると発生します。", {}},
    {u"ScanButton",
     DISPID_EvScanButton,
     0,
     603,
     u"ﾎﾞﾀﾝがｸﾘｯｸされると発生します。",
     {{u"Button", ValueType::Button}}},
    {u"ScanCursor",
     DISPID_EvScanCursor,
     0,
     604,
     u"ｶｰｿﾙがｸﾘｯｸされると発生します。",
     {{u"CursorX", ValueType::CursorX}, {u"CursorY", ValueType::CursorY}}},
    {u"ButtonDown",
     DISPID_EvButtonDown,
     0,
     605,
     u"ﾎﾞﾀﾝが押されると発生します。",
     {{u"First", ValueType::Boolean}, {u"Button", ValueType::Button}}},
    {u"ButtonUp",
     DISPID_EvButtonUp,
     0,
     606,
     u"ﾎﾞﾀﾝが離されると発生します。",
     {{u"Last", ValueType::Boolean}, {u"Button", ValueType::Button}}},
    {u"CursorPress",
     DISPID_EvCursorPress,
     FUNCFLAG_FUIDEFAULT,
     607,
     u"ｶｰｿﾙが押されたり、離されたりすると発生します。",
     {{u"First", ValueType::Boolean}, {u"Last", ValueType::Boolean}}},
    {u"Error",
     DISPID_EvError,
     FUNCFLAG_FHIDDEN,
     608,
     u"ｼﾞｮｲｽﾃｨｯｸがﾎﾟｰﾄに接続されていないと発生します。また、ﾕｰｻﾞｰ用は隠れています。",
     {{u"Port", ValueType::Port}}},
};

const std::vector<EnumType> EnumTypes = {
    {u"JoystickPortConstants",
     &GUID_JoystickPortConstants,
     {{u"JoystickPort1", 0}, {u"JoystickPort2", 1}, {u"JoystickPort3", 2}, {u"JoystickPort4", 3}}},
    {u"JoystickButtonConstants",
     &GUID_JoystickButtonConstants,
     {{u"JoystickButtonA", 1},
      {u"JoystickButtonB", 2},
      {u"JoystickButtonC", 4},
      {u"JoystickButtonX", 8},
      {u"JoystickButtonY", 16},
      {u"JoystickButtonZ", 32},
      {u"JoystickButtonL", 64},
      {u"JoystickButtonR", 128},
      {u"JoystickButtonStart", 256},
      {u"JoystickButtonMacro", 512}}},
    {u"JoystickCursorXConstants",
     &GUID_JoystickCursorXConstants,
     {{u"JoystickCursorLeft", 256}, {u"JoystickCursorRight", 65280}}},
    {u"JoystickCursorYConstants",
     &GUID_JoystickCursorYConstants,
     {{u"JoystickCursorUp", 256}, {u"JoystickCursorDown", 65280}}},
};

} // namespace joystick::typelib
