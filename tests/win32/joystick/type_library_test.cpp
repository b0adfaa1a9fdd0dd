// Reads the control's type library back with LoadTypeLibEx, from the generated .tlb and from
// the built Joystick.OCX, and checks it against the published contract row by row.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "joystick/interfaces.h"
#include "type_library_test_support.h"

using namespace typelib_test;

namespace {

// ---------------------------------------------------------------------------------------
// Expected contract, written out independently of the generator.

const char16_t* const Title = u"Ombrel's Gantrel";

struct TypeRow {
    const char* name;
    TYPEKIND kind; // TKIND_INTERFACE stands for a dual interface here
    const wchar_t* guid;
    WORD major, minor;
    WORD flags;
    const char16_t* help; // nullptr: none
    DWORD helpContext;
};

constexpr WORD DualFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                           TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;

const TypeRow TypeRows[] = {
    {"_ControlJoystick", TKIND_INTERFACE, L"{8AECF5E4-8EBC-11D7-BBAF-444553540000}", 1, 1, DualFlags, Title,
     301},
    {"ControlJoystick", TKIND_COCLASS, L"{70AAD8E8-CD9A-11D5-BBA9-ECA80BC13402}", 1, 1, TYPEFLAG_FCONTROL,
     Title, 301},
    {"ControlJoystick___v0", TKIND_ALIAS, L"{70AAD8E7-CD9A-11D5-BBA9-ECA80BC13402}", 1, 0, TYPEFLAG_FHIDDEN,
     nullptr, 0},
    {"ControlJoystick___v1", TKIND_ALIAS, L"{121B7790-FEC5-11D5-BBAD-94D70CC10000}", 1, 1, TYPEFLAG_FHIDDEN,
     nullptr, 0},
    {"_PropertyPageJoystick", TKIND_INTERFACE, L"{70AAD8F5-CD9A-11D5-BBA9-ECA80BC13402}", 1, 0, DualFlags,
     Title, 203},
    {"PropertyPageJoystick", TKIND_COCLASS, L"{70AAD8F6-CD9A-11D5-BBA9-ECA80BC13402}", 1, 0, 0, Title, 203},
    {"__ControlJoystick", TKIND_DISPATCH, L"{8AECF5E5-8EBC-11D7-BBAF-444553540000}", 1, 1,
     TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE, Title, 301},
    {"JoystickPortConstants", TKIND_ENUM, L"{70AAD8E9-CD9A-11D5-BBA9-ECA80BC13402}", 1, 0, 0, Title, 301},
    {"JoystickButtonConstants", TKIND_ENUM, L"{70AAD8EA-CD9A-11D5-BBA9-ECA80BC13402}", 1, 0, 0, Title, 301},
    {"JoystickCursorXConstants", TKIND_ENUM, L"{70AAD8EB-CD9A-11D5-BBA9-ECA80BC13402}", 1, 0, 0, Title, 301},
    {"JoystickCursorYConstants", TKIND_ENUM, L"{70AAD8EC-CD9A-11D5-BBA9-ECA80BC13402}", 1, 0, 0, Title, 301},
};

struct ParamRow {
    const char* type; // e.g. "JoystickPortConstants*"
    USHORT flags;
    const char* name; // nullptr: unnamed
};

constexpr USHORT In = PARAMFLAG_FIN, Out = PARAMFLAG_FOUT, RetVal = PARAMFLAG_FRETVAL, Opt = PARAMFLAG_FOPT;

struct MemberRow {
    const char* name;
    DISPID id;
    INVOKEKIND invoke;
    const char* method; // the C++ method of IControlJoystick behind the vtable entry
    WORD flags;
    DWORD helpContext;
    const char16_t* help;
    std::vector<ParamRow> params;
};

const char16_t* const PortHelp = u"ｼﾞｮｲｽﾃｨｯｸが接続されているﾎﾟｰﾄです。";
const char16_t* const IntervalHelp = u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝ間隔です。";
const char16_t* const RepeatButtonHelp = u"ﾎﾞﾀﾝを連続してｽｷｬﾝする、ﾄﾘｶﾞｰ機能の有無です。";
const char16_t* const RepeatCursorHelp = u"ｶｰｿﾙを連続してｽｷｬﾝする、ﾄﾘｶﾞｰ機能の有無です。";

const MemberRow MemberRows[] = {
    {"Port",
     0x68030002,
     INVOKE_PROPERTYGET,
     "get_Port",
     FUNCFLAG_FUIDEFAULT,
     401,
     PortHelp,
     {{"JoystickPortConstants*", Out | RetVal, nullptr}}},
    {"Port",
     0x68030002,
     INVOKE_PROPERTYPUT,
     "put_Port",
     FUNCFLAG_FUIDEFAULT,
     401,
     PortHelp,
     {{"JoystickPortConstants*", In | Out, nullptr}}},
    {"Interval",
     0,
     INVOKE_PROPERTYGET,
     "get_Interval",
     0,
     402,
     IntervalHelp,
     {{"short*", Out | RetVal, nullptr}}},
    {"Interval",
     0,
     INVOKE_PROPERTYPUT,
     "put_Interval",
     0,
     402,
     IntervalHelp,
     {{"short*", In | Out, nullptr}}},
    {"RepeatButton",
     0x68030001,
     INVOKE_PROPERTYGET,
     "get_RepeatButton",
     0,
     403,
     RepeatButtonHelp,
     {{"VARIANT_BOOL*", Out | RetVal, nullptr}}},
    {"RepeatButton",
     0x68030001,
     INVOKE_PROPERTYPUT,
     "put_RepeatButton",
     0,
     403,
     RepeatButtonHelp,
     {{"VARIANT_BOOL*", In | Out, nullptr}}},
    {"RepeatCursor",
     0x68030000,
     INVOKE_PROPERTYGET,
     "get_RepeatCursor",
     0,
     404,
     RepeatCursorHelp,
     {{"VARIANT_BOOL*", Out | RetVal, nullptr}}},
    {"RepeatCursor",
     0x68030000,
     INVOKE_PROPERTYPUT,
     "put_RepeatCursor",
     0,
     404,
     RepeatCursorHelp,
     {{"VARIANT_BOOL*", In | Out, nullptr}}},
    {"Begin", 0x60030003, INVOKE_FUNC, "Begin", 0, 501, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝを始めます。", {}},
    {"Finish", 0x60030004, INVOKE_FUNC, "Finish", 0, 502, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝを終えます。", {}},
    {"About",
     -552,
     INVOKE_FUNC,
     "About",
     FUNCFLAG_FHIDDEN,
     0,
     u"著作権とﾊﾞｰｼﾞｮﾝ情報のﾀﾞｲｱﾛｸﾞです。また、ﾕｰｻﾞｰ用は隠れています。",
     {}},
    {"Hyperlink",
     0x60030005,
     INVOKE_FUNC,
     "Hyperlink",
     FUNCFLAG_FHIDDEN,
     0,
     u"ｲﾝﾀｰﾈｯﾄへ移動するために必要です。また、ﾕｰｻﾞｰ用は隠れています。",
     {{"IContainerHyperlink**", Out | RetVal, nullptr}}},
};

struct EventRow {
    const char* name;
    DISPID id;
    WORD flags;
    DWORD helpContext;
    const char16_t* help;
    std::vector<ParamRow> params;
};

const EventRow EventRows[] = {
    {"Begin", 1, 0, 601, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝが始まると発生します。", {}},
    {"Finish", 2, 0, 602, u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝが終わると発生します。", {}},
    {"ScanButton",
     3,
     0,
     603,
     u"ﾎﾞﾀﾝがｸﾘｯｸされると発生します。",
     {{"JoystickButtonConstants*", In | Out, "Button"}}},
    {"ScanCursor",
     4,
     0,
     604,
     u"ｶｰｿﾙがｸﾘｯｸされると発生します。",
     {{"JoystickCursorXConstants*", In | Out, "CursorX"},
      {"JoystickCursorYConstants*", In | Out, "CursorY"}}},
    {"ButtonDown",
     5,
     0,
     605,
     u"ﾎﾞﾀﾝが押されると発生します。",
     {{"VARIANT_BOOL*", In | Out, "First"}, {"JoystickButtonConstants*", In | Out, "Button"}}},
    {"ButtonUp",
     6,
     0,
     606,
     u"ﾎﾞﾀﾝが離されると発生します。",
     {{"VARIANT_BOOL*", In | Out, "Last"}, {"JoystickButtonConstants*", In | Out, "Button"}}},
    {"CursorPress",
     7,
     FUNCFLAG_FUIDEFAULT,
     607,
     u"ｶｰｿﾙが押されたり、離されたりすると発生します。",
     {{"VARIANT_BOOL*", In | Out, "First"}, {"VARIANT_BOOL*", In | Out, "Last"}}},
    {"Error",
     8,
     FUNCFLAG_FHIDDEN,
     608,
     u"ｼﾞｮｲｽﾃｨｯｸがﾎﾟｰﾄに接続されていないと発生します。また、ﾕｰｻﾞｰ用は隠れています。",
     {{"JoystickPortConstants*", In | Out, "Port"}}},
};

struct EnumRow {
    const char* type;
    std::vector<std::pair<const char*, LONG>> constants;
};

const EnumRow EnumRows[] = {
    {"JoystickPortConstants",
     {{"JoystickPort1", 0}, {"JoystickPort2", 1}, {"JoystickPort3", 2}, {"JoystickPort4", 3}}},
    {"JoystickButtonConstants",
     {{"JoystickButtonA", 1},
      {"JoystickButtonB", 2},
      {"JoystickButtonC", 4},
      {"JoystickButtonX", 8},
      {"JoystickButtonY", 16},
      {"JoystickButtonZ", 32},
      {"JoystickButtonL", 64},
      {"JoystickButtonR", 128},
      {"JoystickButtonStart", 256},
      {"JoystickButtonMacro", 512}}},
    {"JoystickCursorXConstants", {{"JoystickCursorLeft", 256}, {"JoystickCursorRight", 65280}}},
    {"JoystickCursorYConstants", {{"JoystickCursorUp", 256}, {"JoystickCursorDown", 65280}}},
};

// ---------------------------------------------------------------------------------------
// Reading helpers.

std::string Narrow(const BSTR text) {
    return Cp932(text);
}

struct Doc {
    std::string name;
    std::string help; // code page 932 bytes
    bool hasHelp = false;
    DWORD helpContext = 0;
};

Doc DocOf(ITypeInfo* info, MEMBERID id) {
    BSTR name = nullptr, help = nullptr;
    Doc doc;
    if (SUCCEEDED(info->GetDocumentation(id, &name, &help, &doc.helpContext, nullptr))) {
        doc.name = Narrow(name);
        doc.hasHelp = help != nullptr;
        doc.help = Cp932(help);
    }
    SysFreeString(name);
    SysFreeString(help);
    return doc;
}

std::string TypeName(ITypeInfo* context, const TYPEDESC& desc) {
    switch (desc.vt) {
    case VT_PTR:
        return TypeName(context, *desc.lptdesc) + "*";
    case VT_I2:
        return "short";
    case VT_I4:
        return "long";
    case VT_BOOL:
        return "VARIANT_BOOL";
    case VT_BSTR:
        return "BSTR";
    case VT_VARIANT:
        return "VARIANT";
    case VT_USERDEFINED: {
        ComPtr<ITypeInfo> ref;
        if (FAILED(context->GetRefTypeInfo(desc.hreftype, &ref)))
            return "<unresolved>";
        return DocOf(ref.Get(), MEMBERID_NIL).name;
    }
    default:
        return "vt" + std::to_string(desc.vt);
    }
}

struct AttrHolder {
    ITypeInfo* info;
    TYPEATTR* attr = nullptr;
    explicit AttrHolder(ITypeInfo* i) : info(i) { info->GetTypeAttr(&attr); }
    ~AttrHolder() {
        if (attr)
            info->ReleaseTypeAttr(attr);
    }
    TYPEATTR* operator->() const { return attr; }
};

struct FuncHolder {
    ITypeInfo* info;
    FUNCDESC* desc = nullptr;
    FuncHolder(ITypeInfo* i, UINT index) : info(i) { info->GetFuncDesc(index, &desc); }
    ~FuncHolder() {
        if (desc)
            info->ReleaseFuncDesc(desc);
    }
    FUNCDESC* operator->() const { return desc; }
};

std::vector<std::string> NamesOf(ITypeInfo* info, MEMBERID id) {
    BSTR names[8] = {};
    UINT count = 0;
    info->GetNames(id, names, 8, &count);
    std::vector<std::string> out;
    for (UINT i = 0; i < count; ++i) {
        out.push_back(Narrow(names[i]));
        SysFreeString(names[i]);
    }
    return out;
}

ComPtr<ITypeInfo> InterfaceView(ITypeInfo* dispatchView) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> view;
    if (SUCCEEDED(dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)))
        dispatchView->GetRefTypeInfo(ref, &view);
    return view;
}

GUID LibraryOf(ITypeInfo* info) {
    ComPtr<ITypeLib> lib;
    UINT index = 0;
    TLIBATTR* attr = nullptr;
    GUID guid = GUID_NULL;
    if (SUCCEEDED(info->GetContainingTypeLib(&lib, &index)) && SUCCEEDED(lib->GetLibAttr(&attr))) {
        guid = attr->guid;
        lib->ReleaseTLibAttr(attr);
    }
    return guid;
}

// ---------------------------------------------------------------------------------------
// A C++ implementation of the interface as JoystickIds.h declares it. Calling a function
// table entry at the library's oVft must land in the method of the same name.

class ControlRecorder : public joystick::IControlJoystick {
public:
    std::string last;
    SHORT interval = 0;
    joystick::JoystickPortConstants port = joystick::JoystickPort1;
    VARIANT_BOOL repeatButton = VARIANT_FALSE, repeatCursor = VARIANT_FALSE;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Hit("GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Hit("GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Hit("GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return Hit("Invoke");
    }
    HRESULT STDMETHODCALLTYPE About() override { return Hit("About"); }
    HRESULT STDMETHODCALLTYPE get_Interval(SHORT* value) override {
        return Get("get_Interval", value, interval);
    }
    HRESULT STDMETHODCALLTYPE put_Interval(SHORT* value) override {
        return Put("put_Interval", value, interval);
    }
    HRESULT STDMETHODCALLTYPE get_Port(joystick::JoystickPortConstants* value) override {
        return Get("get_Port", value, port);
    }
    HRESULT STDMETHODCALLTYPE put_Port(joystick::JoystickPortConstants* value) override {
        return Put("put_Port", value, port);
    }
    HRESULT STDMETHODCALLTYPE get_RepeatButton(VARIANT_BOOL* value) override {
        return Get("get_RepeatButton", value, repeatButton);
    }
    HRESULT STDMETHODCALLTYPE put_RepeatButton(VARIANT_BOOL* value) override {
        return Put("put_RepeatButton", value, repeatButton);
    }
    HRESULT STDMETHODCALLTYPE get_RepeatCursor(VARIANT_BOOL* value) override {
        return Get("get_RepeatCursor", value, repeatCursor);
    }
    HRESULT STDMETHODCALLTYPE put_RepeatCursor(VARIANT_BOOL* value) override {
        return Put("put_RepeatCursor", value, repeatCursor);
    }
    HRESULT STDMETHODCALLTYPE Begin() override { return Hit("Begin"); }
    HRESULT STDMETHODCALLTYPE Finish() override { return Hit("Finish"); }
    HRESULT STDMETHODCALLTYPE Hyperlink(joystick::IContainerHyperlink** result) override {
        if (result)
            *result = nullptr;
        return Hit("Hyperlink");
    }

private:
    HRESULT Hit(const char* name) {
        last = name;
        return S_OK;
    }
    template <typename T> HRESULT Get(const char* name, T* out, T value) {
        *out = value;
        return Hit(name);
    }
    template <typename T> HRESULT Put(const char* name, T* in, T& field) {
        field = *in;
        return Hit(name);
    }
};

class HyperlinkRecorder : public joystick::IContainerHyperlink {
public:
    std::string last;
    std::wstring target;
    VARTYPE locationType = VT_ILLEGAL, frameType = VT_ILLEGAL;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Hit("GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Hit("GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Hit("GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return Hit("Invoke");
    }
    HRESULT STDMETHODCALLTYPE NavigateTo(BSTR Target, VARIANT Location, VARIANT FrameName) override {
        target = Target ? Target : L"";
        locationType = V_VT(&Location);
        frameType = V_VT(&FrameName);
        return Hit("NavigateTo");
    }
    HRESULT STDMETHODCALLTYPE GoForward() override { return Hit("GoForward"); }
    HRESULT STDMETHODCALLTYPE GoBack() override { return Hit("GoBack"); }

private:
    HRESULT Hit(const char* name) {
        last = name;
        return S_OK;
    }
};

// Calls the function table entry at desc's oVft with dummy arguments of the right count.
HRESULT CallEntry(void* object, const FUNCDESC& desc) {
    std::vector<VARTYPE> types(desc.cParams, VT_BYREF | VT_I4);
    LONG scratch[4] = {};
    std::vector<VARIANT> args(desc.cParams);
    std::vector<VARIANTARG*> argPtrs(desc.cParams);
    for (int i = 0; i < desc.cParams; ++i) {
        VariantInit(&args[i]);
        V_VT(&args[i]) = VT_BYREF | VT_I4;
        V_I4REF(&args[i]) = scratch;
        argPtrs[i] = &args[i];
    }
    // An HRESULT return travels as VT_ERROR.
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = DispCallFunc(object, desc.oVft, CC_STDCALL, VT_ERROR, desc.cParams, types.data(),
                                    argPtrs.data(), &result);
    return FAILED(hr) ? hr : V_ERROR(&result);
}

// ---------------------------------------------------------------------------------------

struct Source {
    const char* label;
    std::wstring (*path)();
};

void PrintTo(const Source& source, std::ostream* out) {
    *out << source.label;
}

class ControlTypeLib : public ::testing::TestWithParam<Source> {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override {
        // REGKIND_NONE: a test must not register anything.
        ASSERT_HRESULT_SUCCEEDED(LoadTypeLibEx(GetParam().path().c_str(), REGKIND_NONE, &lib_));
    }

    ComPtr<ITypeInfo> Type(const char* name) {
        for (UINT i = 0; i < lib_->GetTypeInfoCount(); ++i) {
            ComPtr<ITypeInfo> info;
            lib_->GetTypeInfo(i, &info);
            if (DocOf(info.Get(), MEMBERID_NIL).name == name)
                return info;
        }
        ADD_FAILURE() << "no type " << name;
        return nullptr;
    }

    ComPtr<ITypeLib> lib_;
};

TEST(TypeLibEnvironment, AnsiCodePageIs932) {
    ASSERT_EQ(GetACP(), 932u) << "help strings are compared in code page 932";
}

TEST_P(ControlTypeLib, LibraryAttributes) {
    TLIBATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(lib_->GetLibAttr(&attr));
    EXPECT_EQ(attr->guid, ParseGuid(L"{70AAD8F7-CD9A-11D5-BBA9-ECA80BC13402}"));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 2);
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->syskind, SYS_WIN32);
    // The loader adds FHASDISKIMAGE for a library read from a file; the stored flag is control.
    EXPECT_EQ(attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, LIBFLAG_FCONTROL);
    lib_->ReleaseTLibAttr(attr);

    BSTR name = nullptr, help = nullptr, helpFile = nullptr;
    DWORD context = 0;
    ASSERT_HRESULT_SUCCEEDED(lib_->GetDocumentation(-1, &name, &help, &context, &helpFile));
    EXPECT_EQ(Narrow(name), "Joystick");
    EXPECT_EQ(Cp932(help), "Ombrel's Gantrel powered by SideWinder GamePad");
    EXPECT_EQ(Narrow(helpFile), "Joystick.HLP");
    SysFreeString(name);
    SysFreeString(help);
    SysFreeString(helpFile);
    // The library's help context is checked in the raw header (RawImage): Wine's reader
    // reports the help string context in its place.
    EXPECT_EQ(lib_->GetTypeInfoCount(), 11u);
}

TEST_P(ControlTypeLib, TypesInOrderWithAttributes) {
    ASSERT_EQ(lib_->GetTypeInfoCount(), std::size(TypeRows));
    for (UINT i = 0; i < std::size(TypeRows); ++i) {
        const TypeRow& row = TypeRows[i];
        SCOPED_TRACE(row.name);
        ComPtr<ITypeInfo> info;
        ASSERT_HRESULT_SUCCEEDED(lib_->GetTypeInfo(i, &info));
        const Doc doc = DocOf(info.Get(), MEMBERID_NIL);
        EXPECT_EQ(doc.name, row.name);
        EXPECT_EQ(doc.hasHelp, row.help != nullptr);
        if (row.help) {
            EXPECT_EQ(doc.help, Cp932(row.help));
        }
        EXPECT_EQ(doc.helpContext, row.helpContext);

        AttrHolder attr(info.Get());
        ASSERT_NE(attr.attr, nullptr);
        EXPECT_EQ(attr->guid, ParseGuid(row.guid));
        EXPECT_EQ(attr->wMajorVerNum, row.major);
        EXPECT_EQ(attr->wMinorVerNum, row.minor);
        if (row.kind == TKIND_INTERFACE) {
            // A dual interface loads as its dispatch view; the interface view keeps every flag.
            EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
            EXPECT_EQ(attr->wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION, row.flags & ~TYPEFLAG_FOLEAUTOMATION);
            ComPtr<ITypeInfo> iface = InterfaceView(info.Get());
            ASSERT_NE(iface, nullptr);
            AttrHolder ifaceAttr(iface.Get());
            EXPECT_EQ(ifaceAttr->typekind, TKIND_INTERFACE);
            EXPECT_EQ(ifaceAttr->wTypeFlags, row.flags);
            EXPECT_EQ(ifaceAttr->guid, attr->guid);
            EXPECT_EQ(ifaceAttr->wMajorVerNum, row.major);
            EXPECT_EQ(ifaceAttr->wMinorVerNum, row.minor);
            // Derived from IDispatch of the standard automation library.
            ASSERT_EQ(ifaceAttr->cImplTypes, 1);
            HREFTYPE baseRef = 0;
            ComPtr<ITypeInfo> base;
            ASSERT_HRESULT_SUCCEEDED(iface->GetRefTypeOfImplType(0, &baseRef));
            ASSERT_HRESULT_SUCCEEDED(iface->GetRefTypeInfo(baseRef, &base));
            EXPECT_EQ(AttrHolder(base.Get())->guid, IID_IDispatch);
            EXPECT_EQ(LibraryOf(base.Get()), ParseGuid(L"{00020430-0000-0000-C000-000000000046}"));
        } else {
            EXPECT_EQ(attr->typekind, row.kind);
            EXPECT_EQ(attr->wTypeFlags, row.flags);
        }
    }
}

TEST_P(ControlTypeLib, ControlInterfaceMembersInLibraryOrder) {
    ComPtr<ITypeInfo> dispatch = Type("_ControlJoystick");
    ASSERT_NE(dispatch, nullptr);
    ComPtr<ITypeInfo> iface = InterfaceView(dispatch.Get());
    ASSERT_NE(iface, nullptr);
    AttrHolder attr(iface.Get());
    ASSERT_EQ(attr->cFuncs, std::size(MemberRows));
    for (UINT i = 0; i < std::size(MemberRows); ++i) {
        const MemberRow& row = MemberRows[i];
        SCOPED_TRACE(row.method);
        FuncHolder func(iface.Get(), i);
        ASSERT_NE(func.desc, nullptr);
        EXPECT_EQ(func->memid, row.id);
        EXPECT_EQ(func->invkind, row.invoke);
        EXPECT_EQ(func->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(func->callconv, CC_STDCALL);
        EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
        EXPECT_EQ(func->wFuncFlags, row.flags);
        EXPECT_EQ(func->cParamsOpt, 0);
        ASSERT_EQ(static_cast<size_t>(func->cParams), row.params.size());
        for (size_t p = 0; p < row.params.size(); ++p) {
            EXPECT_EQ(TypeName(iface.Get(), func->lprgelemdescParam[p].tdesc), row.params[p].type);
            EXPECT_EQ(func->lprgelemdescParam[p].paramdesc.wParamFlags, row.params[p].flags);
        }
        // Accessors name only the member; their value parameter is unnamed.
        EXPECT_EQ(NamesOf(iface.Get(), row.id), std::vector<std::string>{row.name});
        const Doc doc = DocOf(iface.Get(), row.id);
        EXPECT_EQ(doc.help, Cp932(row.help));
        EXPECT_EQ(doc.helpContext, row.helpContext);
    }
}

TEST_P(ControlTypeLib, DispatchViewListsIDispatchThenMembers) {
    ComPtr<ITypeInfo> dispatch = Type("_ControlJoystick");
    ASSERT_NE(dispatch, nullptr);
    AttrHolder attr(dispatch.Get());
    ASSERT_EQ(attr->cFuncs, joystick::ControlVtableBase + std::size(MemberRows));
    for (UINT i = 0; i < std::size(MemberRows); ++i) {
        const MemberRow& row = MemberRows[i];
        SCOPED_TRACE(row.method);
        FuncHolder func(dispatch.Get(), joystick::ControlVtableBase + i);
        EXPECT_EQ(func->memid, row.id);
        EXPECT_EQ(func->invkind, row.invoke);
        EXPECT_EQ(func->wFuncFlags, row.flags);
    }
    // Hosts bind names through the type information.
    const std::pair<const wchar_t*, DISPID> names[] = {
        {L"Port", 0x68030002},         {L"Interval", 0},          {L"RepeatButton", 0x68030001},
        {L"RepeatCursor", 0x68030000}, {L"Begin", 0x60030003},    {L"Finish", 0x60030004},
        {L"About", DISPID_ABOUTBOX},   {L"Hyperlink", 0x60030005}};
    for (const auto& [name, id] : names) {
        MEMBERID found = MEMBERID_NIL;
        LPOLESTR n = const_cast<LPOLESTR>(name);
        EXPECT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(&n, 1, &found));
        EXPECT_EQ(found, id) << Cp932(name);
    }
}

TEST_P(ControlTypeLib, FunctionTableMatchesTheCppLayout) {
    ComPtr<ITypeInfo> iface = InterfaceView(Type("_ControlJoystick").Get());
    ASSERT_NE(iface, nullptr);
    AttrHolder attr(iface.Get());
    EXPECT_EQ(attr->cbSizeVft,
              static_cast<WORD>((joystick::ControlVtableBase + std::size(MemberRows)) * sizeof(void*)));
    ControlRecorder recorder;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FuncHolder func(iface.Get(), i);
        SCOPED_TRACE(MemberRows[i].method);
        recorder.last.clear();
        ASSERT_HRESULT_SUCCEEDED(CallEntry(static_cast<joystick::IControlJoystick*>(&recorder), *func.desc));
        EXPECT_EQ(recorder.last, MemberRows[i].method);
    }
}

// A host invoking by dispatch identifier through the library (the standard dispatcher) reaches
// the C++ methods with its by-value arguments handed over by reference.
TEST_P(ControlTypeLib, StandardDispatchReachesTheCppMethods) {
    ComPtr<ITypeInfo> iface = InterfaceView(Type("_ControlJoystick").Get());
    ASSERT_NE(iface, nullptr);
    ControlRecorder recorder;
    ComPtr<IUnknown> unknown;
    ASSERT_HRESULT_SUCCEEDED(CreateStdDispatch(nullptr, static_cast<joystick::IControlJoystick*>(&recorder),
                                               iface.Get(), &unknown));
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(unknown.As(&dispatch));

    auto put = [&](DISPID id, VARIANT value) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params = {&value, &named, 1, 1};
        return dispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    };
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_I2;
    V_I2(&value) = 1234;
    ASSERT_HRESULT_SUCCEEDED(put(DISPID_VALUE, value));
    EXPECT_EQ(recorder.last, "put_Interval");
    EXPECT_EQ(recorder.interval, 1234);
    V_VT(&value) = VT_I4;
    V_I4(&value) = 3;
    ASSERT_HRESULT_SUCCEEDED(put(joystick::DISPID_Port, value));
    EXPECT_EQ(recorder.last, "put_Port");
    EXPECT_EQ(recorder.port, joystick::JoystickPort4);
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = VARIANT_TRUE;
    ASSERT_HRESULT_SUCCEEDED(put(joystick::DISPID_RepeatCursor, value));
    EXPECT_EQ(recorder.repeatCursor, VARIANT_TRUE);
    EXPECT_EQ(recorder.repeatButton, VARIANT_FALSE);

    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_HRESULT_SUCCEEDED(
        dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(V_VT(&result), VT_I2);
    EXPECT_EQ(V_I2(&result), 1234);
    VariantClear(&result);
    ASSERT_HRESULT_SUCCEEDED(
        dispatch->Invoke(DISPID_ABOUTBOX, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(recorder.last, "About");
}

TEST_P(ControlTypeLib, HyperlinkReturnsTheImportedContainerInterface) {
    ComPtr<ITypeInfo> iface = InterfaceView(Type("_ControlJoystick").Get());
    ASSERT_NE(iface, nullptr);
    const UINT index = std::size(MemberRows) - 1;
    FuncHolder func(iface.Get(), index);
    ASSERT_EQ(func->cParams, 1);
    const TYPEDESC& outer = func->lprgelemdescParam[0].tdesc;
    ASSERT_EQ(outer.vt, VT_PTR);
    ASSERT_EQ(outer.lptdesc->vt, VT_PTR);
    ASSERT_EQ(outer.lptdesc->lptdesc->vt, VT_USERDEFINED);
    ComPtr<ITypeInfo> target;
    ASSERT_HRESULT_SUCCEEDED(iface->GetRefTypeInfo(outer.lptdesc->lptdesc->hreftype, &target));
    EXPECT_EQ(AttrHolder(target.Get())->guid, ParseGuid(L"{888A5A60-B283-11CF-8AD5-00A0C90AEA82}"));
    EXPECT_EQ(LibraryOf(target.Get()), joystick::LIBID_JoystickHyperlink);
}

TEST_P(ControlTypeLib, EventsInOrderByReference) {
    ComPtr<ITypeInfo> events = Type("__ControlJoystick");
    ASSERT_NE(events, nullptr);
    AttrHolder attr(events.Get());
    ASSERT_EQ(attr->cImplTypes, 1);
    // The loader lists IDispatch's restricted members first.
    std::vector<UINT> own;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FuncHolder func(events.Get(), i);
        if (func->wFuncFlags & FUNCFLAG_FRESTRICTED) {
            EXPECT_EQ(func->memid & 0xFFFF0000, i < 3 ? 0x60000000 : 0x60010000);
        } else {
            own.push_back(i);
        }
    }
    ASSERT_EQ(own.size(), std::size(EventRows));
    for (size_t e = 0; e < own.size(); ++e) {
        const EventRow& row = EventRows[e];
        SCOPED_TRACE(row.name);
        FuncHolder func(events.Get(), own[e]);
        EXPECT_EQ(func->memid, row.id);
        EXPECT_EQ(func->funckind, FUNC_DISPATCH);
        EXPECT_EQ(func->invkind, INVOKE_FUNC);
        EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_VOID);
        EXPECT_EQ(func->wFuncFlags, row.flags);
        ASSERT_EQ(static_cast<size_t>(func->cParams), row.params.size());
        std::vector<std::string> names{row.name};
        for (size_t p = 0; p < row.params.size(); ++p) {
            EXPECT_EQ(TypeName(events.Get(), func->lprgelemdescParam[p].tdesc), row.params[p].type);
            EXPECT_EQ(func->lprgelemdescParam[p].paramdesc.wParamFlags, row.params[p].flags);
            names.push_back(row.params[p].name);
        }
        EXPECT_EQ(NamesOf(events.Get(), row.id), names);
        const Doc doc = DocOf(events.Get(), row.id);
        EXPECT_EQ(doc.help, Cp932(row.help));
        EXPECT_EQ(doc.helpContext, row.helpContext);
    }
}

TEST_P(ControlTypeLib, AliasesNameTheDefaultInterface) {
    for (const char* name : {"ControlJoystick___v0", "ControlJoystick___v1"}) {
        SCOPED_TRACE(name);
        ComPtr<ITypeInfo> alias = Type(name);
        ASSERT_NE(alias, nullptr);
        AttrHolder attr(alias.Get());
        ASSERT_EQ(attr->tdescAlias.vt, VT_USERDEFINED);
        ComPtr<ITypeInfo> target;
        ASSERT_HRESULT_SUCCEEDED(alias->GetRefTypeInfo(attr->tdescAlias.hreftype, &target));
        EXPECT_EQ(AttrHolder(target.Get())->guid, joystick::IID__ControlJoystick);
        EXPECT_EQ(DocOf(target.Get(), MEMBERID_NIL).name, "_ControlJoystick");
    }
}

TEST_P(ControlTypeLib, ClassesImplementTheirInterfaces) {
    struct Impl {
        const char* type;
        std::vector<std::pair<const char*, INT>> interfaces;
    };
    const Impl rows[] = {
        {"ControlJoystick",
         {{"_ControlJoystick", IMPLTYPEFLAG_FDEFAULT},
          {"__ControlJoystick", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}},
        {"PropertyPageJoystick", {{"_PropertyPageJoystick", IMPLTYPEFLAG_FDEFAULT}}},
    };
    for (const Impl& row : rows) {
        SCOPED_TRACE(row.type);
        ComPtr<ITypeInfo> coclass = Type(row.type);
        ASSERT_NE(coclass, nullptr);
        ASSERT_EQ(static_cast<size_t>(AttrHolder(coclass.Get())->cImplTypes), row.interfaces.size());
        for (UINT i = 0; i < row.interfaces.size(); ++i) {
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> target;
            INT flags = -1;
            ASSERT_HRESULT_SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref));
            ASSERT_HRESULT_SUCCEEDED(coclass->GetRefTypeInfo(ref, &target));
            ASSERT_HRESULT_SUCCEEDED(coclass->GetImplTypeFlags(i, &flags));
            EXPECT_EQ(DocOf(target.Get(), MEMBERID_NIL).name, row.interfaces[i].first);
            EXPECT_EQ(flags, row.interfaces[i].second);
        }
    }
}

TEST_P(ControlTypeLib, EnumerationConstants) {
    for (const EnumRow& row : EnumRows) {
        SCOPED_TRACE(row.type);
        ComPtr<ITypeInfo> info = Type(row.type);
        ASSERT_NE(info, nullptr);
        AttrHolder attr(info.Get());
        ASSERT_EQ(static_cast<size_t>(attr->cVars), row.constants.size());
        EXPECT_EQ(attr->cFuncs, 0);
        for (UINT i = 0; i < attr->cVars; ++i) {
            VARDESC* var = nullptr;
            ASSERT_HRESULT_SUCCEEDED(info->GetVarDesc(i, &var));
            EXPECT_EQ(var->varkind, VAR_CONST);
            EXPECT_EQ(var->elemdescVar.tdesc.vt, VT_I4);
            ASSERT_EQ(V_VT(var->lpvarValue), VT_I4);
            EXPECT_EQ(V_I4(var->lpvarValue), row.constants[i].second);
            const Doc doc = DocOf(info.Get(), var->memid);
            EXPECT_EQ(doc.name, row.constants[i].first);
            // Each constant's help string is its own name.
            EXPECT_EQ(doc.help, row.constants[i].first);
            EXPECT_EQ(doc.helpContext, 0u);
            info->ReleaseVarDesc(var);
        }
    }
}

TEST_P(ControlTypeLib, PortCategoryIsMiscellaneous) {
    ComPtr<ITypeInfo> iface = InterfaceView(Type("_ControlJoystick").Get());
    ASSERT_NE(iface, nullptr);
    ComPtr<ITypeInfo2> info2;
    ASSERT_HRESULT_SUCCEEDED(iface.As(&info2));
    VARIANT value;
    VariantInit(&value);
    ASSERT_HRESULT_SUCCEEDED(info2->GetCustData(joystick::GUID_JoystickPropertyCategories, &value));
    ASSERT_EQ(V_VT(&value), VT_BSTR);
    EXPECT_EQ(Cp932(V_BSTR(&value)), Cp932(u"Port=その他"));
    VariantClear(&value);
}

INSTANTIATE_TEST_SUITE_P(Sources, ControlTypeLib,
                         ::testing::Values(Source{"tlb", &ControlTlbPath}, Source{"ocx", &OcxPath}),
                         [](const ::testing::TestParamInfo<Source>& info) {
                             return std::string(info.param.label);
                         });

// ---------------------------------------------------------------------------------------
// The stored bytes.

std::vector<unsigned char> ControlLibraryImage() {
    return ReadFileBytes(ControlTlbPath());
}

bool Contains(const std::vector<unsigned char>& haystack, const std::string& text) {
    const std::vector<unsigned char> needle(text.begin(), text.end());
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// A string of the library's string table: its 16-bit length, then its bytes.
std::string StoredString(const std::string& bytes) {
    std::string out;
    out.push_back(static_cast<char>(bytes.size() & 0xFF));
    out.push_back(static_cast<char>(bytes.size() >> 8));
    return out + bytes;
}

TEST(ControlTypeLibImage, HeaderAndHelpStringsInCodePage932) {
    const std::vector<unsigned char> image = ControlLibraryImage();
    ASSERT_GE(image.size(), 0x30u);
    ASSERT_EQ(std::memcmp(image.data(), "MSFT", 4), 0);
    auto dword = [&](size_t offset) {
        return static_cast<DWORD>(image[offset] | image[offset + 1] << 8 | image[offset + 2] << 16 |
                                  image[offset + 3] << 24);
    };
    EXPECT_EQ(dword(0x0C), 0x0409u);     // locale
    EXPECT_EQ(dword(0x18), 0x00020001u); // version 1.2
    EXPECT_EQ(dword(0x1C), static_cast<DWORD>(LIBFLAG_FCONTROL));
    EXPECT_EQ(dword(0x2C), 1u); // help context

    // Pinned bytes: half-width katakana are single bytes in code page 932.
    EXPECT_EQ(Cp932(u"ｼﾞｮｲｽﾃｨｯｸのｽｷｬﾝ間隔です。"), "\xBC\xDE\xAE\xB2\xBD\xC3\xA8\xAF\xB8\x82\xCC\xBD\xB7\xAC"
                                                   "\xDD\x8A\xD4\x8A\x75\x82\xC5\x82\xB7\x81\x42");
    std::vector<const char16_t*> helps{Title, u"Ombrel's Gantrel powered by SideWinder GamePad",
                                       u"Joystick.HLP"};
    for (const MemberRow& row : MemberRows)
        helps.push_back(row.help);
    for (const EventRow& row : EventRows)
        helps.push_back(row.help);
    for (const char16_t* help : helps) {
        EXPECT_TRUE(Contains(image, StoredString(Cp932(help)))) << Cp932(help);
    }
}

TEST(ControlTypeLibImage, OcxCarriesTheGeneratedLibrariesUnchanged) {
    ResourceModule ocx(OcxPath());
    ASSERT_NE(ocx.get(), nullptr);
    EXPECT_EQ(ocx.Read(L"TYPELIB", MAKEINTRESOURCEW(1)), ReadFileBytes(ControlTlbPath()));
    EXPECT_EQ(ocx.Read(L"TYPELIB", MAKEINTRESOURCEW(2)), ReadFileBytes(HyperlinkTlbPath()));
}

// ---------------------------------------------------------------------------------------
// Library 2: the container hyperlink interface that library 1 imports.

class HyperlinkTypeLib : public ::testing::TestWithParam<Source> {};

std::wstring OcxSecondLibrary() {
    return OcxPath() + L"\\2";
}

TEST_P(HyperlinkTypeLib, DualInterfaceLaidOutLikeTheCppDeclaration) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        ComPtr<ITypeLib> lib;
        ASSERT_HRESULT_SUCCEEDED(LoadTypeLibEx(GetParam().path().c_str(), REGKIND_NONE, &lib));
        TLIBATTR* libAttr = nullptr;
        ASSERT_HRESULT_SUCCEEDED(lib->GetLibAttr(&libAttr));
        EXPECT_EQ(libAttr->guid, joystick::LIBID_JoystickHyperlink);
        EXPECT_EQ(libAttr->wMajorVerNum, 1);
        EXPECT_EQ(libAttr->wMinorVerNum, 0);
        EXPECT_EQ(libAttr->lcid, 0x0409u);
        lib->ReleaseTLibAttr(libAttr);
        ASSERT_EQ(lib->GetTypeInfoCount(), 1u);

        ComPtr<ITypeInfo> dispatch;
        ASSERT_HRESULT_SUCCEEDED(lib->GetTypeInfoOfGuid(joystick::IID_ContainerHyperlink, &dispatch));
        EXPECT_TRUE(AttrHolder(dispatch.Get())->wTypeFlags & TYPEFLAG_FDUAL);
        ComPtr<ITypeInfo> iface = InterfaceView(dispatch.Get());
        ASSERT_NE(iface, nullptr);
        AttrHolder attr(iface.Get());
        EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
        ASSERT_EQ(attr->cFuncs, 3);

        const struct {
            DISPID id;
            std::vector<std::string> names;
            std::vector<ParamRow> params;
        } rows[] = {
            {joystick::DISPID_NavigateTo,
             {"NavigateTo", "Target", "Location", "FrameName"},
             {{"BSTR", In, nullptr}, {"VARIANT", In | Opt, nullptr}, {"VARIANT", In | Opt, nullptr}}},
            {joystick::DISPID_GoForward, {"GoForward"}, {}},
            {joystick::DISPID_GoBack, {"GoBack"}, {}},
        };
        HyperlinkRecorder recorder;
        for (UINT i = 0; i < 3; ++i) {
            SCOPED_TRACE(rows[i].names[0]);
            FuncHolder func(iface.Get(), i);
            EXPECT_EQ(func->memid, rows[i].id);
            EXPECT_EQ(func->invkind, INVOKE_FUNC);
            EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
            EXPECT_EQ(NamesOf(iface.Get(), rows[i].id), rows[i].names);
            ASSERT_EQ(static_cast<size_t>(func->cParams), rows[i].params.size());
            for (size_t p = 0; p < rows[i].params.size(); ++p) {
                EXPECT_EQ(TypeName(iface.Get(), func->lprgelemdescParam[p].tdesc), rows[i].params[p].type);
                EXPECT_EQ(func->lprgelemdescParam[p].paramdesc.wParamFlags, rows[i].params[p].flags);
            }
            if (i == 0) {
                // NavigateTo(BSTR, VARIANT, VARIANT) by value, exactly as a host calls it.
                BSTR target = SysAllocString(L"http://example.invalid/");
                VARIANT args[3];
                for (VARIANT& v : args)
                    VariantInit(&v);
                V_VT(&args[0]) = VT_BSTR;
                V_BSTR(&args[0]) = target;
                V_VT(&args[1]) = VT_ERROR;
                V_ERROR(&args[1]) = DISP_E_PARAMNOTFOUND;
                V_VT(&args[2]) = VT_BSTR;
                V_BSTR(&args[2]) = nullptr;
                VARTYPE types[3] = {VT_BSTR, VT_VARIANT, VT_VARIANT};
                VARIANTARG* ptrs[3] = {&args[0], &args[1], &args[2]};
                VARIANT result;
                VariantInit(&result);
                ASSERT_HRESULT_SUCCEEDED(DispCallFunc(static_cast<joystick::IContainerHyperlink*>(&recorder),
                                                      func->oVft, CC_STDCALL, VT_ERROR, 3, types, ptrs,
                                                      &result));
                EXPECT_EQ(V_ERROR(&result), S_OK);
                EXPECT_EQ(recorder.target, L"http://example.invalid/");
                EXPECT_EQ(recorder.locationType, VT_ERROR);
                EXPECT_EQ(recorder.frameType, VT_BSTR);
                SysFreeString(target);
            } else {
                ASSERT_HRESULT_SUCCEEDED(
                    CallEntry(static_cast<joystick::IContainerHyperlink*>(&recorder), *func.desc));
            }
            EXPECT_EQ(recorder.last, rows[i].names[0]);
        }
    }
    CoUninitialize();
}

INSTANTIATE_TEST_SUITE_P(Sources, HyperlinkTypeLib,
                         ::testing::Values(Source{"tlb", &HyperlinkTlbPath},
                                           Source{"ocx", &OcxSecondLibrary}),
                         [](const ::testing::TestParamInfo<Source>& info) {
                             return std::string(info.param.label);
                         });

} // namespace
