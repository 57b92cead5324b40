// A recording automation object for the Linux object model: every invoke is logged with
// its argument array exactly as the bridge passed it, then checked as a type library's
// invoke would check it, then answered from a table the test fills.
//
//   auto recorder = testing::RegisterRecordingClass(testing::RecordingTestClass());
//   ... ObjectCreate(obj, "ClockTool.RecordingObject") ... ObjectCallMethod(obj, "Open", {...});
//   recorder->calls[0].args[2]   // element 2 = the first argument
//
// For the request object: ScopedRecordingRequestClass records in place of the real
// "WinHttp.WinHttpRequest.5.1" (same members) and puts the real class back afterwards.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/posix/automation_model.h"

namespace clocktool::testing {

struct RecordedCall {
    std::string member;                 // as declared in the member table
    InvokeKind kind;
    std::vector<Variant> args;          // element 0 is the last argument; VT_BYREF kept in vt, ref cleared
    std::vector<Variant> referenced;    // per element: the value behind a VT_BYREF element, else empty
    bool namedPropertyPut = false;
};

// What a member answers. A failure is returned after the call is recorded.
struct Answer {
    HResult hr = kSOk;
    Variant result = EmptyVariant();
    std::map<std::size_t, Variant> outputs;   // declared parameter index -> value written through its reference
};

struct Recorder {
    std::vector<RecordedCall> calls;
    std::map<std::string, Answer> answers;   // by member name, as declared
    int instances = 0;                       // objects created

    // The calls of one member, in order.
    std::vector<const RecordedCall*> CallsOf(const std::string& member) const;
};

// Registers `cls` with every member's implementation replaced by the recorder.
std::shared_ptr<Recorder> RegisterRecordingClass(model::Class cls);

// "ClockTool.RecordingObject", {6C0C7A2E-0B1D-4D3A-9E51-2F64A7B3C9D0}:
//   Open FUNC 1 (BSTR method, BSTR url, optional VARIANT async)
//   GetAllResponseHeaders FUNC 4 (-> BSTR)
//   Option PROPERTYGET/PROPERTYPUT 6 (I4 index [, VARIANT value])
//   Status PROPERTYGET 7 (-> I4; read-only)
//   Describe FUNC 20 (I4* count, VARIANT* anything, BSTR* label) -- by reference, inputs
//   Fill FUNC 21 (I4 size, [out] BSTR* text, [out] I4* length)   -- output parameters
//   Join FUNC 22 (VARIANT first, optional VARIANT rest...)       -- a variable argument count
//   Tag data member 30 (BSTR)
//   Items data member 31 (SAFEARRAY(UI1))
//   Bytes FUNC 23 (VARIANT data)
model::Class RecordingTestClass();

class ScopedRecordingRequestClass {
public:
    ScopedRecordingRequestClass();
    ~ScopedRecordingRequestClass();
    ScopedRecordingRequestClass(const ScopedRecordingRequestClass&) = delete;
    ScopedRecordingRequestClass& operator=(const ScopedRecordingRequestClass&) = delete;

    Recorder& recorder() { return *recorder_; }

private:
    std::shared_ptr<Recorder> recorder_;
};

}  // namespace clocktool::testing
