// Build-time generator of the control's type libraries. Runs under the cross-compiling
// emulator and writes them with CreateTypeLib2, which (unlike the IDL compiler) takes every
// attribute hosts bind to: versions and flags on the event interface and the aliases, help
// contexts, member order independent of the vtable order, explicit vtable offsets. What the
// libraries describe is in type_descriptions.cpp.
//
//   make_type_library <Joystick.tlb> <JoystickHyperlink.tlb>
//
// Help strings are written in the ANSI code page, so the generator insists on 932.

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdio>
#include <vector>

#include "joystick/interfaces.h"
#include "joystick/typelib/type_descriptions.h"

namespace {

using Microsoft::WRL::ComPtr;
using namespace joystick;

HRESULT Report(HRESULT hr, const char* what, int line) {
    std::fprintf(stderr, "make_type_library: %s failed with 0x%08lX (line %d)\n", what,
                 static_cast<unsigned long>(hr), line);
    return hr;
}

#define RETURN_IF_FAILED(expr)                                                                               \
    do {                                                                                                     \
        const HRESULT hr_ = (expr);                                                                          \
        if (FAILED(hr_))                                                                                     \
            return Report(hr_, #expr, __LINE__);                                                             \
    } while (0)

LPOLESTR Ole(const char16_t* text) {
    return const_cast<LPOLESTR>(reinterpret_cast<const wchar_t*>(text));
}

using namespace typelib;

SHORT VtableOffset(int slot) {
    return static_cast<SHORT>((ControlVtableBase + slot) * static_cast<int>(sizeof(void*)));
}

// Enumeration constants get the identifiers the IDL compiler would give them.
constexpr MEMBERID FirstEnumConstantId = 0x40000000;

// The type descriptions that members refer to, by value type.
struct TypeSources {
    ComPtr<ITypeInfo> dispatch;
    ComPtr<ITypeInfo> hyperlink;
    ComPtr<ITypeInfo> port, button, cursorX, cursorY;

    ITypeInfo* Of(ValueType type) const {
        switch (type) {
        case ValueType::Port:
            return port.Get();
        case ValueType::Button:
            return button.Get();
        case ValueType::CursorX:
            return cursorX.Get();
        case ValueType::CursorY:
            return cursorY.Get();
        case ValueType::Hyperlink:
            return hyperlink.Get();
        default:
            return nullptr;
        }
    }
};

// A value type behind `indirections` levels of pointer, e.g. JoystickPortConstants* for a
// by-reference parameter or IContainerHyperlink** for a returned object.
class TypeChain {
public:
    HRESULT Build(ICreateTypeInfo* owner, const TypeSources& sources, ValueType type, int indirections) {
        TYPEDESC& base = levels_[0];
        base = {};
        switch (type) {
        case ValueType::Short:
            base.vt = VT_I2;
            break;
        case ValueType::Boolean:
            base.vt = VT_BOOL;
            break;
        case ValueType::None:
            return E_INVALIDARG;
        default: {
            HREFTYPE ref = 0;
            RETURN_IF_FAILED(owner->AddRefTypeInfo(sources.Of(type), &ref));
            base.vt = VT_USERDEFINED;
            base.hreftype = ref;
        }
        }
        for (int i = 1; i <= indirections; ++i) {
            levels_[i] = {};
            levels_[i].vt = VT_PTR;
            levels_[i].lptdesc = &levels_[i - 1];
        }
        top_ = indirections;
        return S_OK;
    }
    const TYPEDESC& Get() const { return levels_[top_]; }

private:
    TYPEDESC levels_[3] = {};
    int top_ = 0;
};

struct ParamShape {
    ValueType type;
    int indirections;
    USHORT flags;
};

struct FuncShape {
    MEMBERID id;
    FUNCKIND kind;
    INVOKEKIND invoke;
    VARTYPE result;
    SHORT vtableOffset;
    WORD flags;
    std::vector<ParamShape> params;
};

HRESULT AddFunction(ICreateTypeInfo* info, const TypeSources& sources, UINT index, const FuncShape& shape) {
    std::vector<TypeChain> chains(shape.params.size());
    std::vector<ELEMDESC> elems(shape.params.size());
    for (size_t i = 0; i < shape.params.size(); ++i) {
        RETURN_IF_FAILED(chains[i].Build(info, sources, shape.params[i].type, shape.params[i].indirections));
        elems[i].tdesc = chains[i].Get();
        elems[i].paramdesc.wParamFlags = shape.params[i].flags;
    }
    FUNCDESC desc = {};
    desc.memid = shape.id;
    desc.funckind = shape.kind;
    desc.invkind = shape.invoke;
    desc.callconv = CC_STDCALL;
    desc.cParams = static_cast<SHORT>(elems.size());
    desc.lprgelemdescParam = elems.empty() ? nullptr : elems.data();
    desc.oVft = shape.vtableOffset;
    desc.elemdescFunc.tdesc.vt = shape.result;
    desc.wFuncFlags = shape.flags;
    RETURN_IF_FAILED(info->AddFuncDesc(index, &desc));
    return S_OK;
}

HRESULT Describe(ICreateTypeInfo* info, const GUID& guid, WORD major, WORD minor, UINT flags,
                 const char16_t* help, DWORD helpContext) {
    RETURN_IF_FAILED(info->SetGuid(guid));
    RETURN_IF_FAILED(info->SetVersion(major, minor));
    RETURN_IF_FAILED(info->SetTypeFlags(flags));
    if (help)
        RETURN_IF_FAILED(info->SetDocString(Ole(help)));
    RETURN_IF_FAILED(info->SetHelpContext(helpContext));
    return S_OK;
}

HRESULT DeriveFromDispatch(ICreateTypeInfo* info, const TypeSources& sources) {
    HREFTYPE ref = 0;
    RETURN_IF_FAILED(info->AddRefTypeInfo(sources.dispatch.Get(), &ref));
    RETURN_IF_FAILED(info->AddImplType(0, ref));
    return S_OK;
}

HRESULT Implement(ICreateTypeInfo* coclass, UINT index, ITypeInfo* iface, INT implFlags) {
    HREFTYPE ref = 0;
    RETURN_IF_FAILED(coclass->AddRefTypeInfo(iface, &ref));
    RETURN_IF_FAILED(coclass->AddImplType(index, ref));
    RETURN_IF_FAILED(coclass->SetImplTypeFlags(index, implFlags));
    return S_OK;
}

constexpr UINT DualFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;

// One member of the hyperlink interface: a method returning an HRESULT at vtable slot `slot`.
HRESULT AddHyperlinkMethod(ICreateTypeInfo* info, UINT slot, MEMBERID id, std::vector<ELEMDESC> params,
                           std::vector<LPOLESTR> names) {
    FUNCDESC desc = {};
    desc.funckind = FUNC_PUREVIRTUAL;
    desc.invkind = INVOKE_FUNC;
    desc.callconv = CC_STDCALL;
    desc.elemdescFunc.tdesc.vt = VT_HRESULT;
    desc.memid = id;
    desc.cParams = static_cast<SHORT>(params.size());
    desc.lprgelemdescParam = params.empty() ? nullptr : params.data();
    desc.oVft = static_cast<SHORT>((ControlVtableBase + slot) * sizeof(void*));
    RETURN_IF_FAILED(info->AddFuncDesc(slot, &desc));
    RETURN_IF_FAILED(info->SetFuncAndParamNames(slot, names.data(), static_cast<UINT>(names.size())));
    return S_OK;
}

// Library 2: the container hyperlink interface, NavigateTo(Target, [Location], [FrameName]),
// GoForward, GoBack, laid out like IContainerHyperlink.
HRESULT WriteHyperlinkLibrary(const wchar_t* path, TypeSources& sources, ComPtr<ICreateTypeLib2>& lib) {
    RETURN_IF_FAILED(CreateTypeLib2(SYS_WIN32, path, &lib));
    RETURN_IF_FAILED(lib->SetName(Ole(u"JoystickHyperlink")));
    RETURN_IF_FAILED(lib->SetGuid(LIBID_JoystickHyperlink));
    RETURN_IF_FAILED(lib->SetVersion(HyperlinkLibVersionMajor, HyperlinkLibVersionMinor));
    RETURN_IF_FAILED(lib->SetLcid(HyperlinkLibLocale));
    RETURN_IF_FAILED(lib->SetDocString(Ole(u"Ombrel's Gantrel container hyperlink")));

    ComPtr<ICreateTypeInfo> info;
    RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(u"IContainerHyperlink"), TKIND_INTERFACE, &info));
    RETURN_IF_FAILED(info->SetGuid(IID_ContainerHyperlink));
    RETURN_IF_FAILED(info->SetVersion(1, 0));
    RETURN_IF_FAILED(DeriveFromDispatch(info.Get(), sources));
    RETURN_IF_FAILED(info->SetTypeFlags(DualFlags));

    ELEMDESC target = {}, optional = {};
    target.tdesc.vt = VT_BSTR;
    target.paramdesc.wParamFlags = PARAMFLAG_FIN;
    optional.tdesc.vt = VT_VARIANT;
    optional.paramdesc.wParamFlags = PARAMFLAG_FIN | PARAMFLAG_FOPT;
    RETURN_IF_FAILED(AddHyperlinkMethod(info.Get(), 0, DISPID_NavigateTo, {target, optional, optional},
                                        {Ole(u"NavigateTo"), Ole(u"Target"), Ole(u"Location"), Ole(u"FrameName")}));
    RETURN_IF_FAILED(AddHyperlinkMethod(info.Get(), 1, DISPID_GoForward, {}, {Ole(u"GoForward")}));
    RETURN_IF_FAILED(AddHyperlinkMethod(info.Get(), 2, DISPID_GoBack, {}, {Ole(u"GoBack")}));

    RETURN_IF_FAILED(info->LayOut());
    RETURN_IF_FAILED(lib->SaveAllChanges());
    RETURN_IF_FAILED(info.As(&sources.hyperlink));
    return S_OK;
}

HRESULT FillEnum(ICreateTypeInfo* info, const EnumType& type) {
    RETURN_IF_FAILED(Describe(info, *type.guid, 1, 0, 0, ProductTitle, ControlHelpContext));
    for (UINT i = 0; i < type.constants.size(); ++i) {
        const EnumConstant& constant = type.constants[i];
        VARIANT value;
        VariantInit(&value);
        V_VT(&value) = VT_I4;
        V_I4(&value) = constant.value;
        VARDESC desc = {};
        desc.memid = FirstEnumConstantId + static_cast<MEMBERID>(i);
        desc.lpvarValue = &value;
        desc.elemdescVar.tdesc.vt = VT_I4;
        desc.varkind = VAR_CONST;
        RETURN_IF_FAILED(info->AddVarDesc(i, &desc));
        RETURN_IF_FAILED(info->SetVarName(i, Ole(constant.name)));
        RETURN_IF_FAILED(info->SetVarDocString(i, Ole(constant.name)));
        RETURN_IF_FAILED(info->SetVarHelpContext(i, 0));
    }
    RETURN_IF_FAILED(info->LayOut());
    return S_OK;
}

// The functions of one member: a property's reading (returning its value) then its writing
// (taking it by reference), or a method, Hyperlink returning the container's object.
std::vector<FuncShape> MemberFunctions(const ControlMember& member) {
    auto shape = [&](INVOKEKIND invoke, int slot, std::vector<ParamShape> params) {
        return FuncShape{member.id, FUNC_PUREVIRTUAL, invoke, VT_HRESULT, VtableOffset(slot), member.flags, params};
    };
    const USHORT returned = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
    if (member.property)
        return {shape(INVOKE_PROPERTYGET, member.slot, {{member.type, 1, returned}}),
                shape(INVOKE_PROPERTYPUT, member.putSlot, {{member.type, 1, PARAMFLAG_FIN | PARAMFLAG_FOUT}})};
    if (member.type == ValueType::Hyperlink)
        return {shape(INVOKE_FUNC, member.slot, {{member.type, 2, returned}})};
    return {shape(INVOKE_FUNC, member.slot, {})};
}

HRESULT SetPropertyCategories(ICreateTypeInfo* info) {
    ComPtr<ICreateTypeInfo2> info2;
    RETURN_IF_FAILED(info->QueryInterface(IID_PPV_ARGS(&info2)));
    VARIANT categories;
    VariantInit(&categories);
    V_VT(&categories) = VT_BSTR;
    V_BSTR(&categories) = SysAllocString(reinterpret_cast<const wchar_t*>(u"Port=その他"));
    const HRESULT hr = info2->SetCustData(GUID_JoystickPropertyCategories, &categories);
    VariantClear(&categories);
    return hr;
}

HRESULT FillControlInterface(ICreateTypeInfo* info, const TypeSources& sources) {
    RETURN_IF_FAILED(info->SetGuid(IID__ControlJoystick));
    RETURN_IF_FAILED(info->SetVersion(1, 1));
    RETURN_IF_FAILED(DeriveFromDispatch(info, sources));
    RETURN_IF_FAILED(info->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | DualFlags));
    RETURN_IF_FAILED(info->SetDocString(Ole(ProductTitle)));
    RETURN_IF_FAILED(info->SetHelpContext(ControlHelpContext));
    UINT index = 0;
    for (const ControlMember& member : ControlMembers) {
        for (const FuncShape& func : MemberFunctions(member)) {
            RETURN_IF_FAILED(AddFunction(info, sources, index, func));
            // Accessors and Hyperlink name only the member: the value parameter is unnamed.
            LPOLESTR names[] = {Ole(member.name)};
            RETURN_IF_FAILED(info->SetFuncAndParamNames(index, names, 1));
            RETURN_IF_FAILED(info->SetFuncDocString(index, Ole(member.help)));
            RETURN_IF_FAILED(info->SetFuncHelpContext(index, member.helpContext));
            ++index;
        }
    }
    RETURN_IF_FAILED(SetPropertyCategories(info));
    RETURN_IF_FAILED(info->LayOut());
    return S_OK;
}

HRESULT FillEventInterface(ICreateTypeInfo* info, const TypeSources& sources) {
    RETURN_IF_FAILED(Describe(info, DIID___ControlJoystick, 1, 1,
                              TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE,
                              ProductTitle, ControlHelpContext));
    RETURN_IF_FAILED(DeriveFromDispatch(info, sources));
    UINT index = 0;
    for (const ControlEvent& event : ControlEvents) {
        // Dispatch-only members have no vtable entry.
        FuncShape shape{event.id, FUNC_DISPATCH, INVOKE_FUNC, VT_VOID, 0, event.flags, {}};
        std::vector<LPOLESTR> names{Ole(event.name)};
        for (const EventParam& param : event.params) {
            shape.params.push_back({param.type, 1, PARAMFLAG_FIN | PARAMFLAG_FOUT});
            names.push_back(Ole(param.name));
        }
        RETURN_IF_FAILED(AddFunction(info, sources, index, shape));
        RETURN_IF_FAILED(info->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())));
        RETURN_IF_FAILED(info->SetFuncDocString(index, Ole(event.help)));
        RETURN_IF_FAILED(info->SetFuncHelpContext(index, event.helpContext));
        ++index;
    }
    RETURN_IF_FAILED(info->LayOut());
    return S_OK;
}

HRESULT FillAlias(ICreateTypeInfo* info, const GUID& guid, WORD minor, ITypeInfo* target) {
    RETURN_IF_FAILED(Describe(info, guid, 1, minor, TYPEFLAG_FHIDDEN, nullptr, 0));
    HREFTYPE ref = 0;
    RETURN_IF_FAILED(info->AddRefTypeInfo(target, &ref));
    TYPEDESC alias = {};
    alias.vt = VT_USERDEFINED;
    alias.hreftype = ref;
    RETURN_IF_FAILED(info->SetTypeDescAlias(&alias));
    RETURN_IF_FAILED(info->LayOut());
    return S_OK;
}

// The types of library 1, created first in the library's order so that members can refer to
// later types.
struct ControlLibraryTypes {
    ComPtr<ICreateTypeInfo> control, controlClass, aliasV0, aliasV1, page, pageClass, events, enums[4];

    HRESULT Create(ICreateTypeLib2* lib, TypeSources& sources) {
        RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(u"_ControlJoystick"), TKIND_INTERFACE, &control));
        RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(u"ControlJoystick"), TKIND_COCLASS, &controlClass));
        RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(u"ControlJoystick___v0"), TKIND_ALIAS, &aliasV0));
        RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(u"ControlJoystick___v1"), TKIND_ALIAS, &aliasV1));
        RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(u"_PropertyPageJoystick"), TKIND_INTERFACE, &page));
        RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(u"PropertyPageJoystick"), TKIND_COCLASS, &pageClass));
        RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(u"__ControlJoystick"), TKIND_DISPATCH, &events));
        ComPtr<ITypeInfo>* enumSources[4] = {&sources.port, &sources.button, &sources.cursorX, &sources.cursorY};
        for (int i = 0; i < 4; ++i) {
            RETURN_IF_FAILED(lib->CreateTypeInfo(Ole(EnumTypes[i].name), TKIND_ENUM, &enums[i]));
            RETURN_IF_FAILED(enums[i].As(enumSources[i]));
        }
        return S_OK;
    }
};

HRESULT FillControlClass(ICreateTypeInfo* controlClass, ITypeInfo* control, ITypeInfo* events) {
    RETURN_IF_FAILED(Describe(controlClass, CLSID_ControlJoystick, 1, 1, TYPEFLAG_FCONTROL, ProductTitle,
                              ControlHelpContext));
    RETURN_IF_FAILED(Implement(controlClass, 0, control, IMPLTYPEFLAG_FDEFAULT));
    RETURN_IF_FAILED(Implement(controlClass, 1, events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE));
    RETURN_IF_FAILED(controlClass->LayOut());
    // LayOut marks a class with a source dispinterface dispatchable; the class's flags are
    // exactly "control".
    RETURN_IF_FAILED(controlClass->SetTypeFlags(TYPEFLAG_FCONTROL));
    return S_OK;
}

// The page's default interface has no members of its own.
HRESULT FillPageTypes(ControlLibraryTypes& types, const TypeSources& sources) {
    ICreateTypeInfo* page = types.page.Get();
    RETURN_IF_FAILED(page->SetGuid(IID__PropertyPageJoystick));
    RETURN_IF_FAILED(page->SetVersion(1, 0));
    RETURN_IF_FAILED(DeriveFromDispatch(page, sources));
    RETURN_IF_FAILED(page->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | DualFlags));
    RETURN_IF_FAILED(page->SetDocString(Ole(ProductTitle)));
    RETURN_IF_FAILED(page->SetHelpContext(PropertyPageHelpContext));
    RETURN_IF_FAILED(page->LayOut());
    ComPtr<ITypeInfo> pageInfo;
    RETURN_IF_FAILED(types.page.As(&pageInfo));
    RETURN_IF_FAILED(Describe(types.pageClass.Get(), CLSID_PropertyPageJoystick, 1, 0, 0, ProductTitle,
                              PropertyPageHelpContext));
    RETURN_IF_FAILED(Implement(types.pageClass.Get(), 0, pageInfo.Get(), IMPLTYPEFLAG_FDEFAULT));
    RETURN_IF_FAILED(types.pageClass->LayOut());
    return S_OK;
}

HRESULT WriteControlLibrary(const wchar_t* path, TypeSources& sources) {
    ComPtr<ICreateTypeLib2> lib;
    RETURN_IF_FAILED(CreateTypeLib2(SYS_WIN32, path, &lib));
    RETURN_IF_FAILED(lib->SetName(Ole(u"Joystick")));
    RETURN_IF_FAILED(lib->SetGuid(LIBID_Joystick));
    RETURN_IF_FAILED(lib->SetVersion(LibVersionMajor, LibVersionMinor));
    RETURN_IF_FAILED(lib->SetLcid(LibLocale));
    RETURN_IF_FAILED(lib->SetLibFlags(LIBFLAG_FCONTROL));
    RETURN_IF_FAILED(lib->SetDocString(Ole(LibraryHelp)));
    RETURN_IF_FAILED(lib->SetHelpFileName(Ole(HelpFile)));
    RETURN_IF_FAILED(lib->SetHelpContext(LibraryHelpContext));

    ControlLibraryTypes types;
    RETURN_IF_FAILED(types.Create(lib.Get(), sources));
    for (int i = 0; i < 4; ++i)
        RETURN_IF_FAILED(FillEnum(types.enums[i].Get(), EnumTypes[i]));
    RETURN_IF_FAILED(FillControlInterface(types.control.Get(), sources));
    RETURN_IF_FAILED(FillEventInterface(types.events.Get(), sources));
    ComPtr<ITypeInfo> controlInfo, eventsInfo;
    RETURN_IF_FAILED(types.control.As(&controlInfo));
    RETURN_IF_FAILED(types.events.As(&eventsInfo));
    RETURN_IF_FAILED(FillAlias(types.aliasV0.Get(), IID__ControlJoystick_v0, 0, controlInfo.Get()));
    RETURN_IF_FAILED(FillAlias(types.aliasV1.Get(), IID__ControlJoystick_v1, 1, controlInfo.Get()));
    RETURN_IF_FAILED(FillControlClass(types.controlClass.Get(), controlInfo.Get(), eventsInfo.Get()));
    RETURN_IF_FAILED(FillPageTypes(types, sources));
    RETURN_IF_FAILED(lib->SaveAllChanges());
    return S_OK;
}

HRESULT Run(const wchar_t* controlPath, const wchar_t* hyperlinkPath) {
    if (GetACP() != 932) {
        std::fprintf(stderr, "make_type_library: the ANSI code page is %u; help strings need 932\n", GetACP());
        return E_FAIL;
    }
    TypeSources sources;
    ComPtr<ITypeLib> stdole;
    // REGKIND_NONE: a bare file name would otherwise register the library.
    RETURN_IF_FAILED(LoadTypeLibEx(L"stdole2.tlb", REGKIND_NONE, &stdole));
    RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(IID_IDispatch, &sources.dispatch));
    // Kept alive while library 1 is written: its import refers to this object.
    ComPtr<ICreateTypeLib2> hyperlinkLib;
    RETURN_IF_FAILED(WriteHyperlinkLibrary(hyperlinkPath, sources, hyperlinkLib));
    RETURN_IF_FAILED(WriteControlLibrary(controlPath, sources));
    return S_OK;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_type_library <Joystick.tlb> <JoystickHyperlink.tlb>\n");
        return 2;
    }
    // Stale output must not survive a failed run.
    DeleteFileW(argv[1]);
    DeleteFileW(argv[2]);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    const HRESULT hr = Run(argv[1], argv[2]);
    CoUninitialize();
    if (FAILED(hr)) {
        DeleteFileW(argv[1]);
        DeleteFileW(argv[2]);
        return 1;
    }
    return 0;
}
