#include "support/posix/recording_object.h"

namespace clocktool::testing {

std::vector<const RecordedCall*> Recorder::CallsOf(const std::string& member) const {
    std::vector<const RecordedCall*> found;
    for (const RecordedCall& call : calls)
        if (call.member == member) found.push_back(&call);
    return found;
}

namespace {

HResult Record(Recorder& recorder, const model::Member& member, model::Call& call) {
    RecordedCall record{member.name, call.kind, {}, {}, call.namedPropertyPut};
    for (const Variant& element : call.args) {
        Variant copy = element;
        copy.ref = nullptr;
        record.args.push_back(copy);
        record.referenced.push_back((element.vt & VT_BYREF) && element.ref ? *element.ref : EmptyVariant());
    }
    recorder.calls.push_back(std::move(record));

    std::vector<Variant> values;
    if (HResult hr = model::TakeArguments(member, call, values); hr < 0) return hr;
    auto answer = recorder.answers.find(member.name);
    if (answer == recorder.answers.end()) return kSOk;
    if (answer->second.hr < 0) return answer->second.hr;
    for (const auto& [index, value] : answer->second.outputs)
        if (Variant* target = model::ArgumentReference(call, index)) *target = value;
    call.result = answer->second.result;
    return kSOk;
}

}  // namespace

std::shared_ptr<Recorder> RegisterRecordingClass(model::Class cls) {
    auto recorder = std::make_shared<Recorder>();
    for (model::Member& member : cls.members) {
        member.impl = [recorder, member](model::Instance&, model::Call& call) {
            return Record(*recorder, member, call);
        };
    }
    cls.create = [recorder] {
        ++recorder->instances;
        return std::make_unique<model::Instance>();
    };
    model::RegisterClass(std::move(cls));
    return recorder;
}

model::Class RecordingTestClass() {
    using model::In;
    using model::OptionalIn;
    using model::Out;
    const DeclaredParam byRefI4{{VT_I4, true, false}, kParamFlagIn};
    const DeclaredParam byRefVariant{{VT_VARIANT, true, false}, kParamFlagIn};
    const DeclaredParam byRefBstr{{VT_BSTR, true, false}, kParamFlagIn};

    model::Class cls;
    cls.progId = "ClockTool.RecordingObject";
    cls.clsid = "{6C0C7A2E-0B1D-4D3A-9E51-2F64A7B3C9D0}";
    cls.members = {
        {"Open", INVOKE_FUNC, false, 1, {In(VT_BSTR), In(VT_BSTR), OptionalIn(VT_VARIANT)}, 1, {}, {}},
        {"GetAllResponseHeaders", INVOKE_FUNC, false, 4, {}, 0, {}, {}},
        {"Option", INVOKE_PROPERTYGET, false, 6, {In(VT_I4)}, 0, {}, {}},
        {"Option", INVOKE_PROPERTYPUT, false, 6, {In(VT_I4), In(VT_VARIANT)}, 0, {}, {}},
        {"Status", INVOKE_PROPERTYGET, false, 7, {}, 0, {}, {}},
        {"Describe", INVOKE_FUNC, false, 20, {byRefI4, byRefVariant, byRefBstr}, 0, {}, {}},
        {"Fill", INVOKE_FUNC, false, 21, {In(VT_I4), Out(VT_BSTR), Out(VT_I4)}, 0, {}, {}},
        {"Join", INVOKE_FUNC, false, 22, {In(VT_VARIANT), OptionalIn(VT_VARIANT)}, -1, {}, {}},
        {"Bytes", INVOKE_FUNC, false, 23, {In(VT_VARIANT)}, 0, {}, {}},
        {"Tag", INVOKE_FUNC, true, 30, {}, 0, {VT_BSTR, false, false}, {}},
        {"Items", INVOKE_FUNC, true, 31, {}, 0, {VT_UI1, false, true}, {}},
    };
    return cls;
}

ScopedRecordingRequestClass::ScopedRecordingRequestClass()
    : recorder_(RegisterRecordingClass(model::WinHttpRequestClass())) {}

ScopedRecordingRequestClass::~ScopedRecordingRequestClass() { model::RegisterClass(model::WinHttpRequestClass()); }

}  // namespace clocktool::testing
