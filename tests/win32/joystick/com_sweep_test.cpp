// Every member of _ControlJoystick called through IDispatch::Invoke with every wrong shape a
// host can hand over: no arguments, too many, wrong and uncoercible types, by-reference instead
// of by-value (null references too), named arguments that name nothing, null DISPPARAMS and
// null arrays inside it, null result, exception and argument-error pointers, unknown members
// and flags. Each call must come back with a failure HRESULT (or succeed where the shape is
// acceptable after coercion), never crash, and leave the control usable. The property page's
// SetObjects then gets objects that lack the properties, answer garbage, or pull the page's
// window away while it reads them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "robustness_test_support.h"

using namespace robust;
using namespace joystick;

namespace {

// The case under way, named by the crash filter if a call brings the process down.
char g_case[256] = "";

LONG WINAPI NameTheCase(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "\ncrash 0x%08lX during: %s\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode), g_case);
    std::fflush(stderr);
    // No debugger: the test fails at once instead of waiting for one.
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

class Environment : public OcxEnvironment {
public:
    void SetUp() override {
        OcxEnvironment::SetUp();
        SetUnhandledExceptionFilter(&NameTheCase);
    }
};
const auto* const g_env = testing::AddGlobalTestEnvironment(new Environment);

// A dispatch object with no members, for VT_DISPATCH arguments.
NoMembers<StackObject<IDispatch, IID_IDispatch>> g_emptyDispatch;

// One argument shape. `fill` makes the VARIANTARG; `wrong` says that no member accepts it;
// `clear` says whether VariantClear may be called on it afterwards.
struct ArgShape {
    const char* name;
    bool wrong;
    void (*fill)(VARIANTARG&);
};

SHORT g_short = 5;
LONG g_long = 1;
VARIANT_BOOL g_bool = VARIANT_TRUE;
BSTR g_bstr = nullptr;
VARIANT g_inner;

const ArgShape kArgs[] = {
    {"VT_EMPTY", false, [](VARIANTARG& v) { V_VT(&v) = VT_EMPTY; }},
    {"VT_NULL", true, [](VARIANTARG& v) { V_VT(&v) = VT_NULL; }},
    {"VT_I2 5", false,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_I2;
         V_I2(&v) = 5;
     }},
    {"VT_I4 70000", false,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_I4;
         V_I4(&v) = 70000;
     }},
    {"VT_R8 1e300", false, // true as a boolean
     [](VARIANTARG& v) {
         V_VT(&v) = VT_R8;
         V_R8(&v) = 1e300;
     }},
    {"VT_R8 NaN", false, // Wine converts NaN to a number; the range checks still hold
     [](VARIANTARG& v) {
         V_VT(&v) = VT_R8;
         V_R8(&v) = std::nan("");
     }},
    {"VT_BSTR abc", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_BSTR;
         V_BSTR(&v) = SysAllocString(L"abc");
     }},
    {"VT_BSTR 7", false,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_BSTR;
         V_BSTR(&v) = SysAllocString(L"7");
     }},
    {"VT_BSTR null", false,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_BSTR;
         V_BSTR(&v) = nullptr;
     }},
    {"VT_DISPATCH null", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_DISPATCH;
         V_DISPATCH(&v) = nullptr;
     }},
    {"VT_DISPATCH no members", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_DISPATCH;
         V_DISPATCH(&v) = &g_emptyDispatch;
         g_emptyDispatch.AddRef();
     }},
    {"VT_UNKNOWN null", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_UNKNOWN;
         V_UNKNOWN(&v) = nullptr;
     }},
    {"VT_ERROR missing", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_ERROR;
         V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
     }},
    {"VT_ARRAY|VT_I4", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_ARRAY | VT_I4;
         V_ARRAY(&v) = SafeArrayCreateVector(VT_I4, 0, 3);
     }},
    {"VT_I2|VT_BYREF", false,
     [](VARIANTARG& v) {
         g_short = 5;
         V_VT(&v) = VT_I2 | VT_BYREF;
         V_I2REF(&v) = &g_short;
     }},
    {"VT_I2|VT_BYREF null", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_I2 | VT_BYREF;
         V_I2REF(&v) = nullptr;
     }},
    {"VT_I4|VT_BYREF", false,
     [](VARIANTARG& v) {
         g_long = 1;
         V_VT(&v) = VT_I4 | VT_BYREF;
         V_I4REF(&v) = &g_long;
     }},
    {"VT_I4|VT_BYREF null", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_I4 | VT_BYREF;
         V_I4REF(&v) = nullptr;
     }},
    {"VT_BOOL|VT_BYREF", false,
     [](VARIANTARG& v) {
         g_bool = VARIANT_TRUE;
         V_VT(&v) = VT_BOOL | VT_BYREF;
         V_BOOLREF(&v) = &g_bool;
     }},
    {"VT_BOOL|VT_BYREF null", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_BOOL | VT_BYREF;
         V_BOOLREF(&v) = nullptr;
     }},
    {"VT_BSTR|VT_BYREF abc", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_BSTR | VT_BYREF;
         V_BSTRREF(&v) = &g_bstr;
     }},
    {"VT_VARIANT|VT_BYREF I2", false,
     [](VARIANTARG& v) {
         VariantInit(&g_inner);
         V_VT(&g_inner) = VT_I2;
         V_I2(&g_inner) = 3;
         V_VT(&v) = VT_VARIANT | VT_BYREF;
         V_VARIANTREF(&v) = &g_inner;
     }},
    {"VT_VARIANT|VT_BYREF null", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_VARIANT | VT_BYREF;
         V_VARIANTREF(&v) = nullptr;
     }},
    {"VT_VARIANT by value", true, [](VARIANTARG& v) { V_VT(&v) = VT_VARIANT; }},
    {"VT_I8", false,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_I8;
         V_I8(&v) = 2;
     }},
    {"VT_CY", false,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_CY;
         V_CY(&v).int64 = 20000; // 2.0000
     }},
    {"VT_DATE", false,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_DATE;
         V_DATE(&v) = 1.0;
     }},
    {"VT_DECIMAL", false,
     [](VARIANTARG& v) {
         DECIMAL d{};
         d.Lo32 = 4;
         V_DECIMAL(&v) = d; // sets the whole variant, its type field included
         V_VT(&v) = VT_DECIMAL;
     }},
    {"vt 0x7FFF", true, [](VARIANTARG& v) { V_VT(&v) = 0x7FFF; }},
    {"VT_RECORD null", true,
     [](VARIANTARG& v) {
         V_VT(&v) = VT_RECORD;
         V_RECORD(&v) = nullptr;
         V_RECORDINFO(&v) = nullptr;
     }},
};

// Arguments the sweep must not VariantClear (references to the test's own storage, invalid
// types that VariantClear refuses).
bool Clearable(const VARIANTARG& v) {
    return (V_VT(&v) & VT_BYREF) == 0 && V_VT(&v) != 0x7FFF && V_VT(&v) != VT_RECORD &&
           V_VT(&v) != VT_VARIANT;
}

struct Member {
    const char* name;
    DISPID id;
    bool property;
    bool exists;
};

const Member kMembers[] = {
    {"Port", DISPID_Port, true, true},
    {"Interval", DISPID_Interval, true, true},
    {"RepeatButton", DISPID_RepeatButton, true, true},
    {"RepeatCursor", DISPID_RepeatCursor, true, true},
    {"Begin", DISPID_Begin, false, true},
    {"Finish", DISPID_Finish, false, true},
    {"About", DISPID_About, false, true},
    {"Hyperlink", DISPID_Hyperlink, false, true},
    {"unknown 0x12345", 0x12345, false, false},
    {"DISPID_UNKNOWN", DISPID_UNKNOWN, false, false},
    {"DISPID_PROPERTYPUT", DISPID_PROPERTYPUT, false, false},
    {"DISPID_NEWENUM", DISPID_NEWENUM, false, false},
    {"DISPID_EVALUATE", DISPID_EVALUATE, false, false},
    {"event id 1", 1, false, false},
};

const WORD kFlags[] = {DISPATCH_METHOD,
                       DISPATCH_PROPERTYGET,
                       DISPATCH_PROPERTYPUT,
                       DISPATCH_PROPERTYPUTREF,
                       DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                       DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF,
                       0,
                       0x10,
                       0xFFFF};

// How the DISPPARAMS around the arguments are laid out.
enum class Frame {
    Positional,     // cArgs arguments, no names
    NamedPut,       // the last-supplied argument named DISPID_PROPERTYPUT
    NamedUnknown,   // every argument named 12345
    NamedDuplicate, // two arguments, both named DISPID_PROPERTYPUT
    MoreNamesThanArgs,
    NullNames,  // cNamedArgs 1, rgdispidNamedArgs null
    NullArgs,   // cArgs > 0, rgvarg null
    NullParams, // no DISPPARAMS at all
};

const char* FrameName(Frame f) {
    switch (f) {
    case Frame::Positional:
        return "positional";
    case Frame::NamedPut:
        return "named PROPERTYPUT";
    case Frame::NamedUnknown:
        return "named 12345";
    case Frame::NamedDuplicate:
        return "named twice";
    case Frame::MoreNamesThanArgs:
        return "more names than args";
    case Frame::NullNames:
        return "null name array";
    case Frame::NullArgs:
        return "null arg array";
    case Frame::NullParams:
        return "null DISPPARAMS";
    }
    return "?";
}

// Whether a call of this shape could be right at all: a known member, a flag it answers, the
// right number of arguments framed the usual way, an acceptable type.
bool CouldBeRight(const Member& m, WORD flags, Frame frame, UINT argCount, const ArgShape* arg) {
    if (!m.exists || frame == Frame::NullParams || frame == Frame::NullArgs || frame == Frame::NullNames ||
        frame == Frame::MoreNamesThanArgs || frame == Frame::NamedUnknown || frame == Frame::NamedDuplicate)
        return false;
    if (arg && arg->wrong)
        return false;
    // Bits above the four dispatch flags are ignored (as the platform does).
    const bool get = (flags & DISPATCH_PROPERTYGET) != 0 || (flags & DISPATCH_METHOD) != 0;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if ((flags & 0xF) == 0)
        return false;
    if (m.property && put && argCount == 1)
        return true;
    if (get && argCount == 0 && frame == Frame::Positional)
        return true;
    return false;
}

bool IsAcceptableFailure(HRESULT hr) {
    if (SUCCEEDED(hr))
        return false;
    if (HRESULT_FACILITY(hr) == FACILITY_DISPATCH)
        return true; // DISP_E_* and TYPE_E_*
    switch (hr) {
    case E_INVALIDARG:
    case E_POINTER:
    case E_NOTIMPL:
    case E_FAIL:
    case E_UNEXPECTED:
    case E_NOINTERFACE:
    case E_OUTOFMEMORY:
    case E_ACCESSDENIED:
        return true;
    }
    return false;
}

std::string Hex(HRESULT hr) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08lX", static_cast<unsigned long>(hr));
    return b;
}

// The control is still whole: its properties read back in range, Finish and a property write
// still work.
void ExpectUsable(IControlJoystick* c, const std::string& after) {
    SHORT interval = -1;
    ASSERT_EQ(c->get_Interval(&interval), S_OK) << after;
    EXPECT_GE(interval, 0) << after;
    EXPECT_LE(interval, 10000) << after;
    VARIANT_BOOL b = 1;
    ASSERT_EQ(c->get_RepeatButton(&b), S_OK) << after;
    ASSERT_EQ(c->get_RepeatCursor(&b), S_OK) << after;
    EXPECT_EQ(c->Finish(), S_OK) << after;
    SHORT zero = 0;
    EXPECT_EQ(c->put_Interval(&zero), S_OK) << after;
}

void Sweep(const std::vector<Frame>& frames, bool tooManyArguments) {
    ComPtr<IControlJoystick> control;
    ASSERT_EQ(g_ocx->Create(CLSID_ControlJoystick, control), S_OK);
    g_bstr = SysAllocString(L"abc");
    BoxCloser closer;

    std::map<std::string, int> outcomes;
    int calls = 0, wrongShapes = 0, rightShapes = 0;
    for (const Member& m : kMembers) {
        for (WORD flags : kFlags) {
            for (Frame frame : frames) {
                for (UINT argCount : {0u, 1u, 2u, 3u}) {
                    if ((frame == Frame::NamedPut || frame == Frame::NamedUnknown ||
                         frame == Frame::NullArgs) &&
                        argCount == 0)
                        continue;
                    if (frame == Frame::NamedDuplicate && argCount != 2)
                        continue;
                    if ((frame == Frame::NullParams || frame == Frame::MoreNamesThanArgs ||
                         frame == Frame::NullNames) &&
                        argCount > 1)
                        continue;
                    // One-argument calls sweep every argument shape; longer ones repeat a
                    // harmless and a wrong one.
                    std::vector<const ArgShape*> shapes;
                    if (argCount == 0)
                        shapes.push_back(nullptr);
                    else if (argCount == 1)
                        for (const ArgShape& a : kArgs)
                            shapes.push_back(&a);
                    else
                        shapes = {&kArgs[2], &kArgs[6]};
                    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
                    const UINT needed = m.property && put ? 1u : 0u;
                    if ((argCount > needed) != tooManyArguments)
                        continue;
                    for (const ArgShape* shape : shapes) {
                        for (int pointers = 0; pointers < 4; ++pointers) {
                            VARIANTARG args[3];
                            for (UINT i = 0; i < 3; ++i) {
                                VariantInit(&args[i]);
                                if (i < argCount)
                                    shape->fill(args[i]);
                            }
                            DISPID names[3] = {DISPID_PROPERTYPUT, DISPID_PROPERTYPUT, DISPID_PROPERTYPUT};
                            DISPPARAMS params{argCount ? args : nullptr, nullptr, argCount, 0};
                            switch (frame) {
                            case Frame::NamedPut:
                                params.rgdispidNamedArgs = names;
                                params.cNamedArgs = 1;
                                break;
                            case Frame::NamedUnknown:
                                names[0] = names[1] = names[2] = 12345;
                                params.rgdispidNamedArgs = names;
                                params.cNamedArgs = argCount;
                                break;
                            case Frame::NamedDuplicate:
                                params.rgdispidNamedArgs = names;
                                params.cNamedArgs = 2;
                                break;
                            case Frame::MoreNamesThanArgs:
                                params.rgdispidNamedArgs = names;
                                params.cNamedArgs = argCount + 1;
                                break;
                            case Frame::NullNames:
                                params.cNamedArgs = 1;
                                break;
                            case Frame::NullArgs:
                                params.rgvarg = nullptr;
                                break;
                            default:
                                break;
                            }
                            VARIANT result;
                            VariantInit(&result);
                            EXCEPINFO excep{};
                            UINT argErr = 0;
                            const bool withResult = (pointers & 1) != 0, withInfo = (pointers & 2) != 0;
                            const std::string what =
                                std::string(m.name) + " flags " + std::to_string(flags) + " " +
                                FrameName(frame) + " args " + std::to_string(argCount) + " " +
                                (shape ? shape->name : "-") + " pointers " + std::to_string(pointers);
                            lstrcpynA(g_case, what.c_str(), sizeof g_case);
                            const HRESULT hr =
                                control->Invoke(m.id, IID_NULL, LOCALE_USER_DEFAULT, flags,
                                                frame == Frame::NullParams ? nullptr : &params,
                                                withResult ? &result : nullptr, withInfo ? &excep : nullptr,
                                                withInfo ? &argErr : nullptr);
                            ++calls;
                            const bool couldBeRight = CouldBeRight(m, flags, frame, argCount, shape);
                            if (couldBeRight) {
                                ++rightShapes;
                            } else {
                                ++wrongShapes;
                                EXPECT_TRUE(IsAcceptableFailure(hr)) << what << " gave " << Hex(hr);
                            }
                            ++outcomes[Hex(hr)];
                            VariantClear(&result);
                            SysFreeString(excep.bstrSource);
                            SysFreeString(excep.bstrDescription);
                            SysFreeString(excep.bstrHelpFile);
                            for (UINT i = 0; i < argCount; ++i)
                                if (Clearable(args[i]))
                                    VariantClear(&args[i]);
                            if (::testing::Test::HasFatalFailure())
                                return;
                        }
                    }
                }
            }
        }
        ExpectUsable(control.Get(), std::string("after ") + m.name);
    }
    // A different interface identifier is refused before anything else.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(control->Invoke(DISPID_Interval, IID_IDispatch, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                              &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    SysFreeString(g_bstr);
    std::printf("[sweep] %d calls: %d wrong shapes refused, %d acceptable shapes; About boxes closed: %ld\n",
                calls, wrongShapes, rightShapes, BoxCloser::closed);
    for (const auto& [hr, n] : outcomes)
        std::printf("[sweep]   %s x %d\n", hr.c_str(), n);
    EXPECT_EQ(g_emptyDispatch.refs, 1) << "the control kept or dropped a reference to an argument";
}

TEST(InvokeSweep, EveryMemberEveryWrongShape) {
    Sweep({Frame::Positional, Frame::NamedPut, Frame::NamedUnknown, Frame::NamedDuplicate}, false);
}

// Regression: more arguments than the member takes were dropped silently by Wine's
// ITypeInfo::Invoke and the call succeeded (About with one argument opened the box); the
// control now counts them itself and fails with DISP_E_BADPARAMCOUNT.
TEST(InvokeSweep, TooManyArguments) {
    Sweep({Frame::Positional, Frame::NamedPut, Frame::NamedUnknown, Frame::NamedDuplicate, Frame::NullParams},
          true);
}

// Regression: the DISPPARAMS went to ITypeInfo::Invoke unchecked, and Wine's implementation
// read through a null rgdispidNamedArgs (cNamedArgs > 0), a null rgvarg (cArgs > 0), past the
// names when cNamedArgs > cArgs, and through a null DISPPARAMS for an unknown member, crashing
// the host; the control now checks the frame first.
TEST(InvokeSweep, NullOrShortArraysInsideDispParams) {
    Sweep({Frame::NullNames, Frame::NullArgs, Frame::MoreNamesThanArgs, Frame::NullParams}, false);
    Sweep({Frame::NullNames, Frame::NullArgs, Frame::MoreNamesThanArgs, Frame::NullParams}, true);
}

// The typed side with null out pointers, and GetIDsOfNames / GetTypeInfo with bad input.
TEST(InvokeSweep, NullPointersOnTheOtherEntries) {
    ComPtr<IControlJoystick> c;
    ASSERT_EQ(g_ocx->Create(CLSID_ControlJoystick, c), S_OK);
    lstrcpynA(g_case, "typed members with null pointers", sizeof g_case);
    EXPECT_EQ(c->get_Interval(nullptr), E_POINTER);
    EXPECT_EQ(c->put_Interval(nullptr), E_POINTER);
    EXPECT_EQ(c->get_Port(nullptr), E_POINTER);
    EXPECT_EQ(c->put_Port(nullptr), E_POINTER);
    EXPECT_EQ(c->get_RepeatButton(nullptr), E_POINTER);
    EXPECT_EQ(c->put_RepeatButton(nullptr), E_POINTER);
    EXPECT_EQ(c->get_RepeatCursor(nullptr), E_POINTER);
    EXPECT_EQ(c->put_RepeatCursor(nullptr), E_POINTER);
    EXPECT_EQ(c->Hyperlink(nullptr), E_POINTER);
    EXPECT_EQ(c->GetTypeInfoCount(nullptr), E_POINTER);
    EXPECT_EQ(c->GetTypeInfo(0, 0, nullptr), E_POINTER);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(c->GetTypeInfo(7, 0, &info), DISP_E_BADINDEX);

    lstrcpynA(g_case, "GetIDsOfNames", sizeof g_case);
    LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchMember");
    DISPID id = 0;
    EXPECT_TRUE(IsAcceptableFailure(c->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id)));
    LPOLESTR nullName = nullptr;
    lstrcpynA(g_case, "GetIDsOfNames null name", sizeof g_case);
    EXPECT_TRUE(IsAcceptableFailure(c->GetIDsOfNames(IID_NULL, &nullName, 1, 0, &id)));
    LPOLESTR port = const_cast<LPOLESTR>(L"Port");
    EXPECT_EQ(c->GetIDsOfNames(IID_IDispatch, &port, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);

    lstrcpynA(g_case, "QueryInterface", sizeof g_case);
    ComPtr<IUnknown> nothing;
    EXPECT_EQ(c->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(nothing.GetAddressOf())),
              E_NOINTERFACE);
    EXPECT_EQ(nothing.Get(), nullptr);
    EXPECT_TRUE(FAILED(c->QueryInterface(IID_IUnknown, nullptr)));
}

// Regression: a null name array or a null identifier array went unchecked to
// ITypeInfo::GetIDsOfNames, which Wine dereferences, crashing the host.
TEST(InvokeSweep, GetIDsOfNamesWithNullArrays) {
    ComPtr<IControlJoystick> c;
    ASSERT_EQ(g_ocx->Create(CLSID_ControlJoystick, c), S_OK);
    DISPID id = 0;
    lstrcpynA(g_case, "GetIDsOfNames null names", sizeof g_case);
    EXPECT_TRUE(IsAcceptableFailure(c->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id)));
    lstrcpynA(g_case, "GetIDsOfNames null ids", sizeof g_case);
    LPOLESTR port = const_cast<LPOLESTR>(L"Port");
    EXPECT_TRUE(IsAcceptableFailure(c->GetIDsOfNames(IID_NULL, &port, 1, 0, nullptr)));
}

// --- the property page with hostile selections ---------------------------------------------

// What a selected object answers for a property read.
enum class Answer {
    NoDispatch,    // QueryInterface(IDispatch) fails
    NoNames,       // GetIDsOfNames fails
    InvokeFails,   // the names resolve, every Invoke fails
    Empty,         // reads succeed with VT_EMPTY
    Text,          // reads give "abc"
    Huge,          // reads give 1e300
    Array,         // reads give a SAFEARRAY
    Self,          // reads give the object itself as VT_DISPATCH (its default member: itself again)
    Null,          // reads give VT_NULL
    PullsWindow,   // the first read deactivates the page (its window goes away mid-fill)
    ClearsObjects, // the first read empties the page's selection
};

class HostileObject final : public NoMembers<StackObject<IDispatch, IID_IDispatch>> {
public:
    HostileObject(Answer a, IPropertyPage* page) : answer_(a), page_(page) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv && riid == IID_IDispatch && answer_ == Answer::NoDispatch) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return NoMembers::QueryInterface(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
        if (answer_ == Answer::NoNames) {
            for (UINT i = 0; i < count; ++i)
                ids[i] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        for (UINT i = 0; i < count; ++i)
            ids[i] = 100 + static_cast<DISPID>(i);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        ++invokes;
        if (invokes > 1000)
            return E_FAIL; // a conversion that keeps asking: stop it here rather than overflow the stack
        if (answer_ == Answer::PullsWindow && page_) {
            page_->Deactivate();
            return E_FAIL;
        }
        if (answer_ == Answer::ClearsObjects && page_) {
            page_->SetObjects(0, nullptr);
            return E_FAIL;
        }
        if (answer_ == Answer::InvokeFails)
            return DISP_E_EXCEPTION;
        if (!(flags & DISPATCH_PROPERTYGET))
            return S_OK; // writes are taken and dropped
        if (!result)
            return E_POINTER;
        VariantInit(result);
        switch (answer_) {
        case Answer::Text:
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocString(L"abc");
            break;
        case Answer::Huge:
            V_VT(result) = VT_R8;
            V_R8(result) = 1e300;
            break;
        case Answer::Array:
            V_VT(result) = VT_ARRAY | VT_I4;
            V_ARRAY(result) = SafeArrayCreateVector(VT_I4, 0, 2);
            break;
        case Answer::Self:
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = this;
            AddRef();
            break;
        case Answer::Null:
            V_VT(result) = VT_NULL;
            break;
        default:
            break;
        }
        return S_OK;
    }
    int invokes = 0;

private:
    Answer answer_;
    IPropertyPage* page_;
};

TEST(PageSetObjects, ObjectsThatLackTheProperties) {
    ComPtr<IPropertyPage> page;
    ASSERT_EQ(g_ocx->Create(CLSID_PropertyPageJoystick, page), S_OK);
    TestPageSite site;
    ASSERT_EQ(page->SetPageSite(&site), S_OK);
    HWND parent =
        CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 500, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    RECT rect{0, 0, 420, 220};

    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    IUnknown* nulls[2] = {nullptr, nullptr};
    EXPECT_EQ(page->SetObjects(2, nulls), S_OK) << "null entries in the selection are skipped";

    const Answer answers[] = {Answer::NoDispatch, Answer::NoNames,     Answer::InvokeFails,  Answer::Empty,
                              Answer::Text,       Answer::Huge,        Answer::Array,        Answer::Self,
                              Answer::Null,       Answer::PullsWindow, Answer::ClearsObjects};
    int rounds = 0;
    for (Answer a : answers) {
        HostileObject hostile(a, page.Get());
        // Selected before the window exists, then while it exists, then applied.
        IUnknown* objects[2] = {&hostile, nullptr};
        SCOPED_TRACE(static_cast<int>(a));
        std::snprintf(g_case, sizeof g_case, "page with hostile selection %d", static_cast<int>(a));
        EXPECT_EQ(page->SetObjects(2, objects), S_OK);
        HRESULT activated = page->Activate(parent, &rect, FALSE);
        EXPECT_EQ(activated, S_OK);
        EXPECT_EQ(page->SetObjects(1, objects), S_OK);
        Pump(10);
        EXPECT_TRUE(SUCCEEDED(page->Apply()));
        page->Deactivate();
        EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
        EXPECT_EQ(hostile.refs, 1) << "the page kept a reference to a released selection";
        EXPECT_LE(hostile.invokes, 20) << "the page kept asking the object (its default member is itself)";
        ++rounds;
    }
    // Applying with nothing selected, and with a window that was never made.
    EXPECT_TRUE(SUCCEEDED(page->Apply()));
    EXPECT_EQ(page->Activate(parent, nullptr, FALSE), E_POINTER);
    EXPECT_EQ(page->Activate(parent, &rect, FALSE), S_OK);
    EXPECT_EQ(page->Activate(parent, &rect, FALSE), E_UNEXPECTED) << "a second window while one exists";
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Move(nullptr), E_POINTER);
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
    EXPECT_EQ(page->TranslateAccelerator(nullptr), E_POINTER);
    page->SetPageSite(nullptr);
    page.Reset();
    DestroyWindow(parent);
    EXPECT_EQ(site.refs, 1);
    std::printf("[page] %d hostile selections filled and applied\n", rounds);
}

} // namespace
