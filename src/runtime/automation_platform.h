// The platform seam of the automation bridge: creating an object, binding a member name,
// invoking it with Variants, changing a Variant's type, counting references. One file per
// platform: win32/automation_platform.cpp (COM: IDispatch, ITypeComp, VARIANT) and
// posix/automation_model.cpp (the program's own small object model).
//
// Everything above this seam -- the binding order, the argument array, by-reference
// passing, status codes, write-back and result conversions -- is automation.cpp's.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/variant.h"

namespace clocktool {

// An HRESULT. The platform's names are macros on Windows, hence the k-prefixed spellings.
using HResult = std::int32_t;
inline constexpr HResult kSOk = 0;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kENotImpl = static_cast<HResult>(0x80004001);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057);
inline constexpr HResult kDispEMemberNotFound = static_cast<HResult>(0x80020003);   // DISP_E_MEMBERNOTFOUND
inline constexpr HResult kDispEParamNotFound = static_cast<HResult>(0x80020004);    // DISP_E_PARAMNOTFOUND
inline constexpr HResult kDispETypeMismatch = static_cast<HResult>(0x80020005);     // DISP_E_TYPEMISMATCH
inline constexpr HResult kDispENoNamedArgs = static_cast<HResult>(0x80020007);      // DISP_E_NONAMEDARGS
inline constexpr HResult kDispEBadVarType = static_cast<HResult>(0x80020008);       // DISP_E_BADVARTYPE
inline constexpr HResult kDispEException = static_cast<HResult>(0x80020009);        // DISP_E_EXCEPTION
inline constexpr HResult kDispEOverflow = static_cast<HResult>(0x8002000A);         // DISP_E_OVERFLOW
inline constexpr HResult kDispEBadParamCount = static_cast<HResult>(0x8002000E);    // DISP_E_BADPARAMCOUNT
inline constexpr HResult kDispEParamNotOptional = static_cast<HResult>(0x8002000F); // DISP_E_PARAMNOTOPTIONAL

inline constexpr std::int32_t kDispidPropertyPut = -3;   // DISPID_PROPERTYPUT

// PARAMFLAG_* of a declared parameter.
inline constexpr std::uint16_t kParamFlagIn = 0x1;
inline constexpr std::uint16_t kParamFlagOut = 0x2;
inline constexpr std::uint16_t kParamFlagOptional = 0x10;

// Member kinds; their numbers equal the dispatch flags of an invoke.
enum InvokeKind : std::uint16_t {
    INVOKE_FUNC = 1, INVOKE_PROPERTYGET = 2, INVOKE_PROPERTYPUT = 4, INVOKE_PROPERTYPUTREF = 8,
};

// LastAutomationStatus codes.
enum AutomationStatus : std::int32_t {
    kStatusOk = 0,
    kStatusEmptyObject = -1,
    kStatusNoDispatch = -2,
    kStatusNotBound = -3,
    kStatusNoTypeInfo = -4,
    kStatusTooManyArguments = -5,
    kStatusUnconvertibleArgument = -7,
    kStatusUnconvertibleResult = -8,
    kStatusBadParamCount = -9,
    kStatusBadVarType = -10,
    kStatusException = -11,
    kStatusMemberNotFound = -12,
    kStatusNoNamedArgs = -13,
    kStatusOverflow = -14,
    kStatusParamNotFound = -15,
    kStatusTypeMismatch = -16,
    kStatusParamNotOptional = -17,
    kStatusInvokeFailed = -18,
};

// A declared type as a call needs it. The platform has already resolved it: aliases to
// their target, enumerations to VT_I4, dispatch interfaces to VT_DISPATCH, records to
// VT_RECORD, any other user-defined type to VT_UNKNOWN. `byRef` for a pointer, `isArray`
// for a safe or fixed array (vt is then the element type).
struct DeclaredType {
    std::uint16_t vt = VT_VARIANT;
    bool byRef = false;
    bool isArray = false;
};

struct DeclaredParam {
    DeclaredType type;
    std::uint16_t flags = 0;   // kParamFlag*
};

// What a bound name found: a function (FUNCDESC) or a data member (VARDESC).
struct BoundMember {
    bool isFunction = true;
    std::int32_t memberId = 0;
    InvokeKind invokeKind = INVOKE_FUNC;   // a function's
    std::vector<DeclaredParam> params;     // a function's, in declared order
    int optionalCount = 0;                 // a function's; -1: a variable number of arguments
    DeclaredType dataType;                 // a data member's
};

enum class BindOutcome {
    Bound,          // `member` is filled
    NothingFound,   // the binding worked and found no such name
    Failed,         // the binding failed for this kind; the next kind may be tried
};

// One object opened for member calls (Windows: its IDispatch, ITypeInfo and ITypeComp).
struct DispatchSession;

// One counted reference, or null.
AutomationObject* CreateAutomationObject(std::u16string_view progIdOrClsid, bool isClsid);
void AddObjectReference(AutomationObject* object);
void ReleaseObjectReference(AutomationObject* object);

// kStatusOk and a session to end with EndDispatch, or kStatusNoDispatch / kStatusNoTypeInfo.
std::int32_t BeginDispatch(AutomationObject* object, DispatchSession*& session);
void EndDispatch(DispatchSession* session);

BindOutcome BindMember(DispatchSession* session, std::u16string_view name, InvokeKind kind,
                       BoundMember& member);

// Invokes with the argument array as the platform passes it: element 0 is the last
// argument. With `namedPropertyPut`, element 0 is the one named argument, DISPID_PROPERTYPUT.
// VT_BYREF elements point at Variants the call may change. Returns the invoke's HRESULT.
HResult InvokeMember(DispatchSession* session, std::int32_t memberId, InvokeKind kind,
                     std::vector<Variant>& args, bool namedPropertyPut, Variant& result);

// The VariantChangeType role: converts `value` (not by reference) in place to `vt`.
// Returns false and leaves `value` as it was when there is no such conversion.
bool ChangeVariantType(Variant& value, std::uint16_t vt);

}  // namespace clocktool
