// Every member of the control through IDispatch::Invoke with every shape a hostile host can hand
// over: argument counts, types and references (null ones too), names, null or short arrays in the
// DISPPARAMS and none at all, null out-pointers, unknown members and flags. Each call that cannot
// be right fails with a status, none crashes, and the control stays usable.
#include <cmath>
#include <cstdio>
#include <numeric>

#include "ocx_test_support.h"

using namespace ocxtest;

namespace {

NoMembers<TestObject<IDispatch, IID_IDispatch>> g_emptyDispatch;

// What references point at, fresh for every call.
struct Referenced {
    SHORT i2 = 5;
    LONG i4 = 1;
    VARIANT_BOOL boolean = VARIANT_TRUE;
    BSTR text = nullptr;
    VARIANT variant = {};
};

// One argument shape, named by the code that fills it; `wrong`: no member accepts it. Every shape
// that once crashed a host stays.
struct ArgShape {
    const char* name;
    bool wrong;
    void (*fill)(VARIANTARG& v, Referenced& r);
};
#define SHAPE(wrong, ...) {#__VA_ARGS__, wrong, []([[maybe_unused]] VARIANTARG& v, [[maybe_unused]] Referenced& r) { __VA_ARGS__; }}
// clang-format off
const ArgShape Shapes[] = {
    SHAPE(false, V_VT(&v) = VT_EMPTY),
    SHAPE(true, V_VT(&v) = VT_NULL),
    SHAPE(false, V_VT(&v) = VT_I2, V_I2(&v) = 5),
    SHAPE(false, V_VT(&v) = VT_I4, V_I4(&v) = 70000),
    SHAPE(false, V_VT(&v) = VT_R8, V_R8(&v) = 1e300), // true as a boolean
    SHAPE(false, V_VT(&v) = VT_R8, V_R8(&v) = NAN),   // Wine converts it to a number
    SHAPE(true, V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocString(L"abc")),
    SHAPE(false, V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocString(L"7")),
    SHAPE(false, V_VT(&v) = VT_BSTR, V_BSTR(&v) = nullptr),
    SHAPE(true, V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = nullptr),
    SHAPE(true, V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = &g_emptyDispatch, g_emptyDispatch.AddRef()),
    SHAPE(true, V_VT(&v) = VT_UNKNOWN, V_UNKNOWN(&v) = nullptr),
    SHAPE(true, V_VT(&v) = VT_ERROR, V_ERROR(&v) = DISP_E_PARAMNOTFOUND),
    SHAPE(true, V_VT(&v) = VT_ARRAY | VT_I4, V_ARRAY(&v) = SafeArrayCreateVector(VT_I4, 0, 3)),
    SHAPE(false, V_VT(&v) = VT_I2 | VT_BYREF, V_I2REF(&v) = &r.i2),
    SHAPE(true, V_VT(&v) = VT_I2 | VT_BYREF, V_I2REF(&v) = nullptr),
    SHAPE(false, V_VT(&v) = VT_I4 | VT_BYREF, V_I4REF(&v) = &r.i4),
    SHAPE(true, V_VT(&v) = VT_I4 | VT_BYREF, V_I4REF(&v) = nullptr),
    SHAPE(false, V_VT(&v) = VT_BOOL | VT_BYREF, V_BOOLREF(&v) = &r.boolean),
    SHAPE(true, V_VT(&v) = VT_BOOL | VT_BYREF, V_BOOLREF(&v) = nullptr),
    SHAPE(true, V_VT(&v) = VT_BSTR | VT_BYREF, r.text = SysAllocString(L"abc"), V_BSTRREF(&v) = &r.text),
    SHAPE(false, V_VT(&r.variant) = VT_I2, V_I2(&r.variant) = 3, V_VT(&v) = VT_VARIANT | VT_BYREF, V_VARIANTREF(&v) = &r.variant),
    SHAPE(true, V_VT(&v) = VT_VARIANT | VT_BYREF, V_VARIANTREF(&v) = nullptr),
    SHAPE(true, V_VT(&v) = VT_VARIANT), // by value
    SHAPE(false, V_VT(&v) = VT_I8, V_I8(&v) = 2),
    SHAPE(false, V_VT(&v) = VT_CY, V_CY(&v).int64 = 20000),
    SHAPE(false, V_VT(&v) = VT_DATE, V_DATE(&v) = 1.0),
    SHAPE(false, V_DECIMAL(&v).Lo32 = 4, V_VT(&v) = VT_DECIMAL),
    SHAPE(true, V_VT(&v) = 0x7FFF),
    SHAPE(true, V_VT(&v) = VT_RECORD, V_RECORD(&v) = nullptr, V_RECORDINFO(&v) = nullptr),
};
// clang-format on
#undef SHAPE

// Arguments VariantClear may not touch: references to the test's storage, invalid types.
bool Clearable(const VARIANTARG& v) {
    return !(V_VT(&v) & VT_BYREF) && V_VT(&v) != 0x7FFF && V_VT(&v) != VT_RECORD && V_VT(&v) != VT_VARIANT;
}

struct Member {
    const char* name;
    DISPID id;
    bool property, exists;
};
const Member Members[] = {
    {"Port", DISPID_Port, true, true},          {"Interval", DISPID_Interval, true, true},
    {"RepeatButton", DISPID_RepeatButton, true, true}, {"RepeatCursor", DISPID_RepeatCursor, true, true},
    {"Begin", DISPID_Begin, false, true},       {"Finish", DISPID_Finish, false, true},
    {"About", DISPID_About, false, true},       {"Hyperlink", DISPID_Hyperlink, false, true},
    {"unknown 0x12345", 0x12345, false, false}, {"DISPID_UNKNOWN", DISPID_UNKNOWN, false, false},
    {"DISPID_PROPERTYPUT", DISPID_PROPERTYPUT, false, false}, {"DISPID_NEWENUM", DISPID_NEWENUM, false, false},
    {"DISPID_EVALUATE", DISPID_EVALUATE, false, false},       {"event id 1", 1, false, false},
};
const WORD Flags[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF,
                      DISPATCH_METHOD | DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF,
                      0, 0x10, 0xFFFF};

// How the DISPPARAMS around the arguments are laid out.
enum class Frame {
    Positional,        // cArgs arguments, no names
    NamedPut,          // the last-supplied argument named DISPID_PROPERTYPUT
    NamedUnknown,      // every argument named 12345
    NamedTwice,        // two arguments, both named DISPID_PROPERTYPUT
    MoreNamesThanArgs, // cNamedArgs > cArgs
    NullNames,         // cNamedArgs 1, rgdispidNamedArgs null
    NullArgs,          // cArgs > 0, rgvarg null
    NullParams,        // no DISPPARAMS at all
};

bool Applies(Frame f, UINT count) {
    switch (f) {
    case Frame::NamedPut: case Frame::NamedUnknown: case Frame::NullArgs: return count > 0;
    case Frame::NamedTwice: return count == 2;
    case Frame::NullParams: case Frame::MoreNamesThanArgs: case Frame::NullNames: return count <= 1;
    default: return true;
    }
}

// Whether a call could be right at all: a known member, a flag it answers, the right number of
// arguments framed the usual way, an acceptable type. Bits above the four dispatch flags are
// ignored, as the platform does.
bool CouldBeRight(const Member& m, WORD flags, Frame frame, UINT count, const ArgShape* arg) {
    if (!m.exists || (frame != Frame::Positional && frame != Frame::NamedPut) || (arg && arg->wrong) || !(flags & 0xF))
        return false;
    const bool get = flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    return (m.property && put && count == 1) || (get && count == 0 && frame == Frame::Positional);
}

bool IsAcceptableFailure(HRESULT hr) {
    return FAILED(hr) && (HRESULT_FACILITY(hr) == FACILITY_DISPATCH || hr == E_INVALIDARG || hr == E_POINTER ||
                          hr == E_NOTIMPL || hr == E_FAIL || hr == E_UNEXPECTED || hr == E_OUTOFMEMORY);
}

// One call of the sweep; the case is named for the crash report and any failure.
HRESULT Call(IControlJoystick* c, const Member& m, WORD flags, Frame frame, UINT count, const ArgShape* shape,
             int pointers) {
    VARIANTARG args[3] = {}; // VT_EMPTY
    Referenced referenced;
    for (UINT i = 0; i < count; ++i)
        shape->fill(args[i], referenced);
    const DISPID name = frame == Frame::NamedUnknown ? 12345 : DISPID_PROPERTYPUT;
    DISPID names[3] = {name, name, name};
    DISPPARAMS params{count && frame != Frame::NullArgs ? args : nullptr, nullptr, count, 0};
    const UINT named[] = {0, 1, count, 2, count + 1, 1, 0, 0};
    params.cNamedArgs = named[static_cast<int>(frame)];
    params.rgdispidNamedArgs = params.cNamedArgs && frame != Frame::NullNames ? names : nullptr;
    VARIANT result{};
    EXCEPINFO error{};
    UINT argError = 0;
    const HRESULT hr = c->Invoke(m.id, IID_NULL, 0, flags, frame == Frame::NullParams ? nullptr : &params,
                                 pointers & 1 ? &result : nullptr, pointers & 2 ? &error : nullptr,
                                 pointers & 2 ? &argError : nullptr);
    VariantClear(&result);
    quorin::win::FreeExcepInfo(error);
    SysFreeString(referenced.text);
    for (UINT i = 0; i < count; ++i)
        if (Clearable(args[i]))
            VariantClear(&args[i]);
    return hr;
}

TEST(InvokeSweep, EveryMemberEveryShapeEveryFrame) {
    auto control = NewControl();
    int calls = 0, boxes = 0;
    std::vector<int> every(std::size(Shapes));
    std::iota(every.begin(), every.end(), 0);
    const auto sweep = [&](const Member& m, WORD flags, Frame frame, UINT count) {
        // One argument: every shape; more: a harmless one and a wrong one.
        for (int index : count == 0 ? std::vector<int>{-1} : count == 1 ? every : std::vector<int>{2, 6})
            for (int pointers = 0; Applies(frame, count) && pointers < 4; ++pointers) {
                const ArgShape* shape = index < 0 ? nullptr : &Shapes[index];
                const HRESULT hr = Call(control.Get(), m, flags, frame, count, shape, pointers);
                ++calls;
                EXPECT_TRUE(CouldBeRight(m, flags, frame, count, shape) || IsAcceptableFailure(hr))
                    << m.name << " flags " << flags << " frame " << int(frame) << " count " << count << " "
                    << (shape ? shape->name : "-") << " pointers " << pointers << " gave " << std::hex << hr;
            }
    };
    const auto closeEveryBox = [&](HWND box, int) {
        ++boxes;
        PressOk(box);
        return false; // and the next box too
    };
    RunBox(
        [&] {
            for (const Member& m : Members) {
                for (WORD flags : Flags)
                    for (Frame frame = Frame::Positional; frame <= Frame::NullParams; frame = Frame(int(frame) + 1))
                        for (UINT count : {0u, 1u, 2u, 3u})
                            sweep(m, flags, frame, count);
                // Still whole: properties in range, Finish and a write still work.
                SHORT interval = -1, zero = 0;
                EXPECT_EQ(control->get_Interval(&interval), S_OK);
                EXPECT_TRUE(interval >= 0 && interval <= 10000) << "after " << m.name;
                EXPECT_EQ(control->Finish(), S_OK);
                EXPECT_EQ(control->put_Interval(&zero), S_OK);
            }
            return S_OK;
        },
        closeEveryBox, 1000000);
    std::printf("[sweep] %d calls, %d About boxes closed\n", calls, boxes);
    EXPECT_EQ(g_emptyDispatch.refs, 1) << "the control kept or dropped a reference to an argument";
    // Name lookups with arrays the platform would read through unchecked, and a foreign interface
    // identifier, are refused before anything else.
    IControlJoystick* c = control.Get();
    DISPID id = 0;
    DISPPARAMS none{};
    LPOLESTR port = const_cast<LPOLESTR>(L"Port"), null = nullptr;
    EXPECT_TRUE(IsAcceptableFailure(c->GetIDsOfNames(IID_NULL, &null, 1, 0, &id)));
    EXPECT_TRUE(IsAcceptableFailure(c->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id)));
    EXPECT_TRUE(IsAcceptableFailure(c->GetIDsOfNames(IID_NULL, &port, 1, 0, nullptr)));
    EXPECT_EQ(c->GetIDsOfNames(IID_IDispatch, &port, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(c->Invoke(DISPID_Interval, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

} // namespace
