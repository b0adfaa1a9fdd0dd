// The type libraries in Joystick.OCX, read back as hosts read them: types, members, parameters,
// and the vtable order, proved by calling through the library into a C++ object laid out as
// interfaces.h declares it. Then the other resources: each once, in Japanese.
#include <map>

#include "ocx_test_support.h"

using namespace ocxtest;

namespace {

std::string Narrow(const wchar_t* text) {
    return quorin::driver::Utf8(text ? text : L"");
}

GUID Guid(const wchar_t* text) {
    GUID guid = {};
    IIDFromString(const_cast<LPOLESTR>(text), &guid);
    return guid;
}

// A member as text, e.g. "Port 0x68030002 flags 1024 invoke 2 (JoystickPortConstants* 10)"; a
// named parameter's type is followed by its name.
using Params = std::vector<std::pair<std::string, USHORT>>;
std::string Member(const std::string& name, MEMBERID id, WORD flags, INVOKEKIND invoke, const Params& params = {}) {
    char head[64];
    snprintf(head, sizeof head, " 0x%08lX flags %u invoke %d (", static_cast<unsigned long>(id), flags, invoke);
    std::string row = name + head;
    for (size_t p = 0; p < params.size(); ++p)
        row += params[p].first + " " + std::to_string(params[p].second) + (p + 1 < params.size() ? ", " : "");
    return row + ")";
}
constexpr USHORT Returned = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, ByReference = PARAMFLAG_FIN | PARAMFLAG_FOUT,
                 Optional = PARAMFLAG_FIN | PARAMFLAG_FOPT;

class TypeLibrary : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadTypeLibEx(Beside(L"Joystick.OCX").c_str(), REGKIND_NONE, &lib), S_OK); }
    static std::string NameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
        quorin::win::Bstr name;
        info->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr);
        return Narrow(name.get());
    }
    ComPtr<ITypeInfo> Type(const GUID& guid) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(lib->GetTypeInfoOfGuid(guid, &info), S_OK);
        return info;
    }
    // The vtable side of a dual interface, whose dispatch side the library hands out.
    static ComPtr<ITypeInfo> VtableSide(ITypeInfo* dispatch) {
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> side;
        if (dispatch && SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)))
            dispatch->GetRefTypeInfo(ref, &side);
        return side;
    }
    // A parameter's type as text, e.g. "JoystickPortConstants*" or "short*".
    static std::string TypeName(ITypeInfo* context, const TYPEDESC& t) {
        ComPtr<ITypeInfo> ref;
        if (t.vt == VT_PTR)
            return TypeName(context, *t.lptdesc) + "*";
        if (t.vt == VT_USERDEFINED)
            return SUCCEEDED(context->GetRefTypeInfo(t.hreftype, &ref)) ? NameOf(ref.Get()) : "?";
        static const std::map<VARTYPE, std::string> names = {
            {VT_I2, "short"}, {VT_BOOL, "VARIANT_BOOL"}, {VT_BSTR, "BSTR"}, {VT_VARIANT, "VARIANT"}};
        return names.count(t.vt) ? names.at(t.vt) : "vt" + std::to_string(t.vt);
    }
    // What a type holds besides functions: an alias its target, a class its interfaces with their
    // flags (default 1, source 2), an enumeration its constants.
    static std::string Contents(ITypeInfo* info, const TYPEATTR& type) {
        std::string out;
        ComPtr<ITypeInfo> target;
        const bool alias = type.typekind == TKIND_ALIAS;
        if (alias && SUCCEEDED(info->GetRefTypeInfo(type.tdescAlias.hreftype, &target)))
            out = NameOf(target.Get());
        HREFTYPE ref = 0;
        INT flags = 0;
        for (UINT i = 0; type.typekind == TKIND_COCLASS && i < type.cImplTypes; ++i)
            if (SUCCEEDED(info->GetRefTypeOfImplType(i, &ref)) && SUCCEEDED(info->GetImplTypeFlags(i, &flags))
                && SUCCEEDED(info->GetRefTypeInfo(ref, target.ReleaseAndGetAddressOf())))
                out += (i ? ", " : "") + NameOf(target.Get()) + " " + std::to_string(flags);
        VARDESC* var = nullptr;
        const UINT constants = type.typekind == TKIND_ENUM ? type.cVars : 0;
        for (UINT i = 0; i < constants && SUCCEEDED(info->GetVarDesc(i, &var)); ++i) {
            out += (i ? ", " : "") + NameOf(info, var->memid) + "=" + std::to_string(V_I4(var->lpvarValue));
            info->ReleaseVarDesc(var);
        }
        return out;
    }
    // Every function in the library's order, without IDispatch's own (restricted) ones.
    static std::vector<std::string> Functions(ITypeInfo* info) {
        TYPEATTR* attr = nullptr;
        std::vector<std::string> out;
        info->GetTypeAttr(&attr);
        for (UINT i = 0; attr && i < attr->cFuncs; ++i) {
            FUNCDESC* f = nullptr;
            info->GetFuncDesc(i, &f);
            BSTR names[4] = {};
            UINT named = 0;
            info->GetNames(f->memid, names, 4, &named);
            Params params;
            for (UINT p = 0; p < UINT(f->cParams); ++p)
                params.emplace_back(TypeName(info, f->lprgelemdescParam[p].tdesc) +
                                        (p + 1 < named ? " " + Narrow(names[p + 1]) : ""),
                                    f->lprgelemdescParam[p].paramdesc.wParamFlags);
            for (BSTR name : names)
                SysFreeString(name);
            if (!(f->wFuncFlags & FUNCFLAG_FRESTRICTED))
                out.push_back(Member(NameOf(info, f->memid), f->memid, f->wFuncFlags, f->invkind, params));
            info->ReleaseFuncDesc(f);
        }
        info->ReleaseTypeAttr(attr);
        return out;
    }
    ComPtr<ITypeLib> lib;
};

TEST_F(TypeLibrary, TypesInOrderWithTheirIdentitiesAndContents) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, Guid(L"{70AAD8F7-CD9A-11D5-BBA9-ECA80BC13402}"));
    EXPECT_EQ(attr->wMajorVerNum * 100 + attr->wMinorVerNum, 102);
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, LIBFLAG_FCONTROL);
    lib->ReleaseTLibAttr(attr);
    quorin::win::Bstr name, helpFile;
    ASSERT_EQ(lib->GetDocumentation(-1, name.put(), nullptr, nullptr, helpFile.put()), S_OK);
    EXPECT_EQ(Narrow(name.get()) + " " + Narrow(helpFile.get()), "Joystick Joystick.HLP");

    const WORD dual = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                      TYPEFLAG_FDISPATCHABLE;
    const struct {
        const char* name;
        TYPEKIND kind; // TKIND_INTERFACE: a dual interface, checked on its vtable side
        const wchar_t* guid;
        WORD version; // major * 100 + minor
        WORD flags;
        DWORD helpContext;
        const char* contents = ""; // see Contents
    } rows[] = {
        {"_ControlJoystick", TKIND_INTERFACE, L"{8AECF5E4-8EBC-11D7-BBAF-444553540000}", 101, dual, 301},
        {"ControlJoystick", TKIND_COCLASS, L"{70AAD8E8-CD9A-11D5-BBA9-ECA80BC13402}", 101, TYPEFLAG_FCONTROL,
         301, "_ControlJoystick 1, __ControlJoystick 3"},
        {"ControlJoystick___v0", TKIND_ALIAS, L"{70AAD8E7-CD9A-11D5-BBA9-ECA80BC13402}", 100,
         TYPEFLAG_FHIDDEN, 0, "_ControlJoystick"},
        {"ControlJoystick___v1", TKIND_ALIAS, L"{121B7790-FEC5-11D5-BBAD-94D70CC10000}", 101,
         TYPEFLAG_FHIDDEN, 0, "_ControlJoystick"},
        {"_PropertyPageJoystick", TKIND_INTERFACE, L"{70AAD8F5-CD9A-11D5-BBA9-ECA80BC13402}", 100, dual, 203},
        {"PropertyPageJoystick", TKIND_COCLASS, L"{70AAD8F6-CD9A-11D5-BBA9-ECA80BC13402}", 100, 0, 203,
         "_PropertyPageJoystick 1"},
        {"__ControlJoystick", TKIND_DISPATCH, L"{8AECF5E5-8EBC-11D7-BBAF-444553540000}", 101,
         TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE, 301},
        {"JoystickPortConstants", TKIND_ENUM, L"{70AAD8E9-CD9A-11D5-BBA9-ECA80BC13402}", 100, 0, 301,
         "JoystickPort1=0, JoystickPort2=1, JoystickPort3=2, JoystickPort4=3"},
        {"JoystickButtonConstants", TKIND_ENUM, L"{70AAD8EA-CD9A-11D5-BBA9-ECA80BC13402}", 100, 0, 301,
         "JoystickButtonA=1, JoystickButtonB=2, JoystickButtonC=4, JoystickButtonX=8, JoystickButtonY=16, "
         "JoystickButtonZ=32, JoystickButtonL=64, JoystickButtonR=128, JoystickButtonStart=256, "
         "JoystickButtonMacro=512"},
        {"JoystickCursorXConstants", TKIND_ENUM, L"{70AAD8EB-CD9A-11D5-BBA9-ECA80BC13402}", 100, 0, 301,
         "JoystickCursorLeft=256, JoystickCursorRight=65280"},
        {"JoystickCursorYConstants", TKIND_ENUM, L"{70AAD8EC-CD9A-11D5-BBA9-ECA80BC13402}", 100, 0, 301,
         "JoystickCursorUp=256, JoystickCursorDown=65280"},
    };
    ASSERT_EQ(lib->GetTypeInfoCount(), std::size(rows));
    for (UINT i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfo(i, &info), S_OK);
        if (rows[i].kind == TKIND_INTERFACE)
            info = VtableSide(info.Get());
        ASSERT_TRUE(info);
        DWORD context = 0;
        info->GetDocumentation(MEMBERID_NIL, nullptr, nullptr, &context, nullptr);
        TYPEATTR* type = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
        EXPECT_EQ(NameOf(info.Get()), rows[i].name);
        EXPECT_EQ(type->typekind, rows[i].kind);
        EXPECT_EQ(type->guid, Guid(rows[i].guid));
        EXPECT_EQ(type->wMajorVerNum * 100 + type->wMinorVerNum, rows[i].version);
        EXPECT_EQ(type->wTypeFlags, rows[i].flags);
        EXPECT_EQ(context, rows[i].helpContext);
        EXPECT_EQ(Contents(info.Get(), *type), rows[i].contents);
        info->ReleaseTypeAttr(type);
    }
}

TEST_F(TypeLibrary, ControlMembersParametersAndFlags) {
    const std::vector<std::string> members = {
        Member("Port", 0x68030002, FUNCFLAG_FUIDEFAULT, INVOKE_PROPERTYGET, {{"JoystickPortConstants*", Returned}}),
        Member("Port", 0x68030002, FUNCFLAG_FUIDEFAULT, INVOKE_PROPERTYPUT, {{"JoystickPortConstants*", ByReference}}),
        Member("Interval", 0, 0, INVOKE_PROPERTYGET, {{"short*", Returned}}),
        Member("Interval", 0, 0, INVOKE_PROPERTYPUT, {{"short*", ByReference}}),
        Member("RepeatButton", 0x68030001, 0, INVOKE_PROPERTYGET, {{"VARIANT_BOOL*", Returned}}),
        Member("RepeatButton", 0x68030001, 0, INVOKE_PROPERTYPUT, {{"VARIANT_BOOL*", ByReference}}),
        Member("RepeatCursor", 0x68030000, 0, INVOKE_PROPERTYGET, {{"VARIANT_BOOL*", Returned}}),
        Member("RepeatCursor", 0x68030000, 0, INVOKE_PROPERTYPUT, {{"VARIANT_BOOL*", ByReference}}),
        Member("Begin", 0x60030003, 0, INVOKE_FUNC),
        Member("Finish", 0x60030004, 0, INVOKE_FUNC),
        Member("About", -552, FUNCFLAG_FHIDDEN, INVOKE_FUNC),
        Member("Hyperlink", 0x60030005, FUNCFLAG_FHIDDEN, INVOKE_FUNC, {{"IContainerHyperlink**", Returned}}),
    };
    EXPECT_EQ(Functions(VtableSide(Type(IID__ControlJoystick).Get()).Get()), members);
    const std::pair<std::string, USHORT> first{"VARIANT_BOOL* First", ByReference},
        last{"VARIANT_BOOL* Last", ByReference}, button{"JoystickButtonConstants* Button", ByReference};
    const std::vector<std::string> events = {
        Member("Begin", 1, 0, INVOKE_FUNC),
        Member("Finish", 2, 0, INVOKE_FUNC),
        Member("ScanButton", 3, 0, INVOKE_FUNC, {button}),
        Member("ScanCursor", 4, 0, INVOKE_FUNC,
               {{"JoystickCursorXConstants* CursorX", ByReference},
                {"JoystickCursorYConstants* CursorY", ByReference}}),
        Member("ButtonDown", 5, 0, INVOKE_FUNC, {first, button}),
        Member("ButtonUp", 6, 0, INVOKE_FUNC, {last, button}),
        Member("CursorPress", 7, FUNCFLAG_FUIDEFAULT, INVOKE_FUNC, {first, last}),
        Member("Error", 8, FUNCFLAG_FHIDDEN, INVOKE_FUNC, {{"JoystickPortConstants* Port", ByReference}}),
    };
    EXPECT_EQ(Functions(Type(DIID___ControlJoystick).Get()), events);
}

// A C++ implementation of the control's interface as interfaces.h declares it, recording which
// method a call lands in and with what value.
class Recorder : public NoMembers<TestObject<IControlJoystick, IID__ControlJoystick>> {
public:
    std::string last;
    HRESULT STDMETHODCALLTYPE About() override { return Hit("About", 0); }
    HRESULT STDMETHODCALLTYPE get_Interval(SHORT* v) override { return *v = 1234, Hit("get_Interval", 0); }
    HRESULT STDMETHODCALLTYPE put_Interval(SHORT* v) override { return Hit("put_Interval", *v); }
    HRESULT STDMETHODCALLTYPE get_Port(JoystickPortConstants* v) override { return *v = JoystickPort3, Hit("get_Port", 0); }
    HRESULT STDMETHODCALLTYPE put_Port(JoystickPortConstants* v) override { return Hit("put_Port", *v); }
    HRESULT STDMETHODCALLTYPE get_RepeatButton(VARIANT_BOOL* v) override { return *v = -1, Hit("get_RepeatButton", 0); }
    HRESULT STDMETHODCALLTYPE put_RepeatButton(VARIANT_BOOL* v) override { return Hit("put_RepeatButton", *v); }
    HRESULT STDMETHODCALLTYPE get_RepeatCursor(VARIANT_BOOL* v) override { return *v = -1, Hit("get_RepeatCursor", 0); }
    HRESULT STDMETHODCALLTYPE put_RepeatCursor(VARIANT_BOOL* v) override { return Hit("put_RepeatCursor", *v); }
    HRESULT STDMETHODCALLTYPE Begin() override { return Hit("Begin", 0); }
    HRESULT STDMETHODCALLTYPE Finish() override { return Hit("Finish", 0); }
    HRESULT STDMETHODCALLTYPE Hyperlink(IContainerHyperlink** v) override { return *v = nullptr, Hit("Hyperlink", 0); }

private:
    HRESULT Hit(const char* name, LONG value) { return last = name + std::string(" ") + std::to_string(value), S_OK; }
};

// A host calling each member of the library by name through its dispatcher lands in the C++
// method of the same name, the value (1 for every write) converted to the member's type.
TEST_F(TypeLibrary, CallsByNameLandInTheMethodsOfTheVtable) {
    Recorder recorder;
    ComPtr<IUnknown> created;
    ComPtr<IDispatch> dispatch;
    const ComPtr<ITypeInfo> side = VtableSide(Type(IID__ControlJoystick).Get());
    ASSERT_EQ(CreateStdDispatch(nullptr, &recorder, side.Get(), &created), S_OK);
    ASSERT_EQ(created.As(&dispatch), S_OK);
    std::vector<std::string> landed;
    FUNCDESC* f = nullptr;
    for (UINT i = 0; SUCCEEDED(side->GetFuncDesc(i, &f)); ++i) {
        BSTR name = nullptr;
        DISPID id = 0, named = DISPID_PROPERTYPUT;
        VARIANT one{}, result{};
        V_VT(&one) = VT_I4;
        V_I4(&one) = 1;
        DISPPARAMS put = {&one, &named, 1, 1}, none = {};
        const WORD flags = static_cast<WORD>(f->invkind); // the invoke kinds are the dispatch flags
        side->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr);
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << Narrow(name);
        recorder.last = "nothing";
        DISPPARAMS* params = flags == DISPATCH_PROPERTYPUT ? &put : &none;
        EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0, flags, params, &result, nullptr, nullptr), S_OK);
        landed.push_back(recorder.last);
        SysFreeString(name);
        VariantClear(&result);
        side->ReleaseFuncDesc(f);
    }
    EXPECT_EQ(landed, (std::vector<std::string>{"get_Port 0", "put_Port 1", "get_Interval 0",
                                                "put_Interval 1", "get_RepeatButton 0", "put_RepeatButton -1",
                                                "get_RepeatCursor 0", "put_RepeatCursor -1", "Begin 0",
                                                "Finish 0", "About 0", "Hyperlink 0"}));
}

// Library 2, which library 1 imports for Hyperlink's result, in the order of the C++ interface.
TEST_F(TypeLibrary, HyperlinkLibraryLaidOutLikeTheCppInterface) {
    ComPtr<ITypeLib> second;
    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(LoadTypeLibEx((Beside(L"Joystick.OCX") + L"\\2").c_str(), REGKIND_NONE, &second), S_OK);
    ASSERT_EQ(second->GetTypeInfoOfGuid(IID_ContainerHyperlink, &dispatch), S_OK);
    ComPtr<ITypeInfo> side = VtableSide(dispatch.Get());
    ASSERT_TRUE(side);
    EXPECT_EQ(Functions(side.Get()),
              (std::vector<std::string>{
                  Member("NavigateTo", 1, 0, INVOKE_FUNC,
                         {{"BSTR Target", PARAMFLAG_FIN}, {"VARIANT Location", Optional},
                          {"VARIANT FrameName", Optional}}),
                  Member("GoForward", 2, 0, INVOKE_FUNC), Member("GoBack", 3, 0, INVOKE_FUNC)}));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(side->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->cbSizeVft, (7 + 3) * sizeof(void*)) << "IDispatch's seven entries, then the three";
    side->ReleaseTypeAttr(attr);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

// Every resource once, in Japanese: a second entry under one identifier (two scripts numbering
// their icon images alike) would make the loader pick either, and named types out of the
// loader's order hide "TYPELIB". The identifier history: a 32-bit byte count, then the
// identifiers in their in-memory layout, oldest first.
TEST(Resources, EachOnceInJapaneseWithTheIdentifierHistoryAndVersionTexts) {
    HMODULE ocx = LoadLibraryExW(Beside(L"Joystick.OCX").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const auto read = [&](const wchar_t* type, const wchar_t* name) {
        HRSRC info = FindResourceExW(ocx, type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN));
        const auto* bytes = info ? static_cast<const BYTE*>(LockResource(LoadResource(ocx, info))) : nullptr;
        return bytes ? std::vector<BYTE>(bytes, bytes + SizeofResource(ocx, info)) : std::vector<BYTE>();
    };
    const std::pair<const wchar_t*, const wchar_t*> all[] = {
        {L"TYPELIB", MAKEINTRESOURCEW(1)},     {L"TYPELIB", MAKEINTRESOURCEW(2)},
        {L"_IID_CONTROLJOYSTICK", MAKEINTRESOURCEW(1)}, {L"_SRCIID_CONTROLJOYSTICK", MAKEINTRESOURCEW(1)},
        {L"_IID_PROPERTYPAGEJOYSTICK", MAKEINTRESOURCEW(1)}, {RT_BITMAP, MAKEINTRESOURCEW(30000)},
        {RT_GROUP_ICON, L"APPICON"}, {RT_ICON, MAKEINTRESOURCEW(1)}, {RT_ICON, MAKEINTRESOURCEW(2)},
        {RT_VERSION, MAKEINTRESOURCEW(1)}, {RT_BITMAP, MAKEINTRESOURCEW(31000)}, {RT_BITMAP, MAKEINTRESOURCEW(2000)},
        {RT_ICON, MAKEINTRESOURCEW(2001)}, {RT_GROUP_ICON, MAKEINTRESOURCEW(2001)}, {RT_BITMAP, MAKEINTRESOURCEW(2100)},
        {RT_CURSOR, MAKEINTRESOURCEW(2101)}, {RT_GROUP_CURSOR, MAKEINTRESOURCEW(2101)},
    };
    for (const auto& [type, name] : all) {
        std::vector<WORD> languages;
        EnumResourceLanguagesW(ocx, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{0x0411}) << reinterpret_cast<ULONG_PTR>(name);
    }
    const std::pair<const wchar_t*, std::vector<const wchar_t*>> history[] = {
        {L"_IID_CONTROLJOYSTICK",
         {L"{70AAD8E7-CD9A-11D5-BBA9-ECA80BC13402}", L"{121B7790-FEC5-11D5-BBAD-94D70CC10000}",
          L"{8AECF5E4-8EBC-11D7-BBAF-444553540000}"}},
        {L"_SRCIID_CONTROLJOYSTICK",
         {L"{70AAD8ED-CD9A-11D5-BBA9-ECA80BC13402}", L"{121B7791-FEC5-11D5-BBAD-94D70CC10000}",
          L"{8AECF5E5-8EBC-11D7-BBAF-444553540000}"}},
        {L"_IID_PROPERTYPAGEJOYSTICK", {L"{70AAD8F5-CD9A-11D5-BBA9-ECA80BC13402}"}},
    };
    for (const auto& [type, guids] : history) {
        std::vector<BYTE> expected = {static_cast<BYTE>(16 * guids.size()), 0, 0, 0};
        for (const wchar_t* text : guids) {
            const GUID guid = Guid(text);
            expected.insert(expected.end(), reinterpret_cast<const BYTE*>(&guid), reinterpret_cast<const BYTE*>(&guid) + 16);
        }
        EXPECT_EQ(read(type, MAKEINTRESOURCEW(1)), expected);
    }
    // The version numbers and the product name are the About box's version line.
    std::vector<BYTE> block = read(RT_VERSION, MAKEINTRESOURCEW(1));
    for (auto [key, value] : {std::pair{L"FileVersion", L"1.50.2004"}, std::pair{L"OriginalFilename", L"Joystick.OCX"},
                              std::pair{L"OLESelfRegister", L""}}) {
        wchar_t* text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), (std::wstring(L"\\StringFileInfo\\041104B0\\") + key).c_str(),
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_STREQ(text, value);
    }
    FreeLibrary(ocx);
}

} // namespace
