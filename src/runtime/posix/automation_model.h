// The object model behind the automation bridge on Linux, where there is no COM: a
// registry of classes by ProgID and CLSID, each with a member table that binds and
// invokes as a type library does on Windows.
//
// Binding, as the platform shows it: names match ignoring ASCII case; a name the class
// does not have binds to nothing; a name it has but not for the asked kind fails that
// kind (so the bridge tries its next kind); a data member binds for every kind.
//
// Tests register their own classes; "WinHttp.WinHttpRequest.5.1" is built in
// (posix/winhttp_request.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/automation_platform.h"
#include "runtime/variant.h"

namespace clocktool::model {

// An object's own state; each class derives its own.
class Instance {
public:
    virtual ~Instance() = default;
};

// One invoke as the member sees it: the argument array as passed (element 0 is the
// last argument; by-reference elements point at the caller's values).
struct Call {
    std::int32_t memberId;
    InvokeKind kind;
    std::vector<Variant>& args;
    bool namedPropertyPut;
    Variant& result;
};

using MemberImpl = std::function<HResult(Instance& self, Call& call)>;

struct Member {
    std::string name;                     // ASCII
    InvokeKind kind = INVOKE_FUNC;        // ignored for a data member
    bool isData = false;                  // a data member (VARDESC) instead of a function
    std::int32_t memberId = 0;
    std::vector<DeclaredParam> params;    // declared order; for a put the value is last
    int optionalCount = 0;                // -1: variable number of arguments
    DeclaredType dataType;                // a data member's type
    MemberImpl impl;
};

struct Class {
    std::string progId;                   // matched ignoring ASCII case
    std::string clsid;                    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", any case
    std::vector<Member> members;
    std::function<std::unique_ptr<Instance>()> create;
    bool offersDispatch = true;           // false: QueryInterface for IDispatch fails
    bool offersTypeInfo = true;           // false: GetTypeInfo fails
};

// Adds a class, replacing one with the same ProgID.
void RegisterClass(Class cls);
void UnregisterClass(const std::string& progId);

// The built-in request object class, "WinHttp.WinHttpRequest.5.1" (posix/winhttp_request.cpp);
// a test that replaced it registers this again.
Class WinHttpRequestClass();

// The state of an object the bridge holds, and its reference count (for tests).
Instance* InstanceOf(AutomationObject* object);
int ReferenceCount(AutomationObject* object);

// The standard handling of a call's arguments, as a type library's invoke does it:
// checks the count (DISP_E_BADPARAMCOUNT) and that a put names its value
// (DISP_E_PARAMNOTOPTIONAL), resolves references, fills a missing optional parameter
// with VT_ERROR DISP_E_PARAMNOTFOUND, and converts the others to the declared type
// (DISP_E_TYPEMISMATCH; VT_VARIANT parameters stay as they are). `values` comes out
// in declared order, first parameter first.
HResult TakeArguments(const Member& member, const Call& call, std::vector<Variant>& values);

// The caller's value behind declared parameter `index` when it was passed by reference
// (an output parameter writes there), or null.
Variant* ArgumentReference(const Call& call, std::size_t index);

// Member-table shorthands.
DeclaredParam In(std::uint16_t vt);
DeclaredParam OptionalIn(std::uint16_t vt);
DeclaredParam Out(std::uint16_t vt);   // by reference, flagged as output

}  // namespace clocktool::model
