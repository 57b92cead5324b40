// The Linux side of the automation seam: a registry of classes with member tables,
// binding and invoking as a type library does on Windows.
#include "runtime/posix/automation_model.h"
#include "runtime/text.h"

#include <atomic>
#include <mutex>

namespace clocktool {

// One object: its class and its state, counted like a COM object.
class AutomationObject {
public:
    std::atomic<int> references{1};
    std::shared_ptr<const model::Class> cls;
    std::unique_ptr<model::Instance> instance;
};

struct DispatchSession {
    AutomationObject* object;
};

namespace model {

namespace {

// Names in the model are ASCII; any other character matches nothing.
bool ToAscii(std::u16string_view wide, std::string& out) {
    out.clear();
    for (char16_t c : wide) {
        if (c == 0 || c > 0x7F) return false;
        out.push_back(static_cast<char>(c));
    }
    return true;
}

struct Registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<const Class>> classes;
};

Registry& TheRegistry() {
    static Registry* registry = [] {
        auto* r = new Registry;
        r->classes.push_back(std::make_shared<const Class>(WinHttpRequestClass()));
        return r;
    }();
    return *registry;
}

std::shared_ptr<const Class> FindClass(std::string_view key, bool isClsid) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (const auto& cls : registry.classes)
        if (EqualIgnoringCase(isClsid ? cls->clsid : cls->progId, key)) return cls;
    return nullptr;
}

bool IsPut(InvokeKind kind) { return kind == INVOKE_PROPERTYPUT || kind == INVOKE_PROPERTYPUTREF; }

// The parameters a call of this member declares: a data member takes its value on a put.
std::vector<DeclaredParam> DeclaredParams(const Member& member, InvokeKind kind) {
    if (!member.isData) return member.params;
    if (IsPut(kind)) return {{member.dataType, kParamFlagIn}};
    return {};
}

}  // namespace

void RegisterClass(Class cls) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::erase_if(registry.classes, [&](const auto& c) { return EqualIgnoringCase(c->progId, cls.progId); });
    registry.classes.push_back(std::make_shared<const Class>(std::move(cls)));
}

void UnregisterClass(const std::string& progId) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::erase_if(registry.classes, [&](const auto& c) { return EqualIgnoringCase(c->progId, progId); });
}

Instance* InstanceOf(AutomationObject* object) { return object ? object->instance.get() : nullptr; }

int ReferenceCount(AutomationObject* object) { return object ? object->references.load() : 0; }

HResult TakeArguments(const Member& member, const Call& call, std::vector<Variant>& values) {
    values.clear();
    if (IsPut(call.kind) != call.namedPropertyPut)
        return call.namedPropertyPut ? kDispENoNamedArgs : kDispEParamNotOptional;
    const std::vector<DeclaredParam> params = DeclaredParams(member, call.kind);
    const std::size_t given = call.args.size();
    if (given > params.size() && member.optionalCount != -1) return kDispEBadParamCount;

    const std::size_t firstOptional =
        member.optionalCount > 0 ? params.size() - std::min<std::size_t>(params.size(), member.optionalCount)
                                 : params.size();
    for (std::size_t i = 0; i < std::max(given, params.size()); ++i) {
        const bool optional = i >= params.size() || i >= firstOptional || (params[i].flags & kParamFlagOptional);
        Variant value = i < given ? CopyIndirect(call.args[given - 1 - i]) : ErrorVariant(kDispEParamNotFound);
        const bool missing = value.vt == VT_ERROR && value.integer == kDispEParamNotFound;
        if (missing && !optional) return i < given ? kDispEParamNotOptional : kDispEBadParamCount;
        if (!missing && i < params.size()) {
            const DeclaredType& type = params[i].type;
            std::uint16_t vt = type.vt;
            if (vt == VT_INT) vt = VT_I4;
            if (vt == VT_UINT) vt = VT_UI4;
            if (type.isArray) {
                if (!(value.vt & VT_ARRAY)) return kDispETypeMismatch;
            } else if (vt != VT_VARIANT && !ChangeVariantType(value, vt)) {
                return kDispETypeMismatch;
            }
        }
        values.push_back(std::move(value));
    }
    return kSOk;
}

Variant* ArgumentReference(const Call& call, std::size_t index) {
    const std::size_t given = call.args.size();
    if (index >= given) return nullptr;
    Variant& element = call.args[given - 1 - index];
    return (element.vt & VT_BYREF) ? element.ref : nullptr;
}

DeclaredParam In(std::uint16_t vt) { return {{vt, false, false}, kParamFlagIn}; }
DeclaredParam OptionalIn(std::uint16_t vt) { return {{vt, false, false}, kParamFlagIn | kParamFlagOptional}; }
DeclaredParam Out(std::uint16_t vt) { return {{vt, true, false}, kParamFlagOut}; }

}  // namespace model

// --- the seam ---

AutomationObject* CreateAutomationObject(std::u16string_view progIdOrClsid, bool isClsid) {
    std::string key;
    if (!model::ToAscii(progIdOrClsid, key)) return nullptr;
    std::shared_ptr<const model::Class> cls = model::FindClass(key, isClsid);
    if (!cls || !cls->create) return nullptr;
    auto* object = new AutomationObject;
    object->cls = cls;
    object->instance = cls->create();
    return object;
}

void AddObjectReference(AutomationObject* object) { ++object->references; }

void ReleaseObjectReference(AutomationObject* object) {
    if (--object->references == 0) delete object;
}

std::int32_t BeginDispatch(AutomationObject* object, DispatchSession*& session) {
    if (!object->cls->offersDispatch) return kStatusNoDispatch;
    if (!object->cls->offersTypeInfo) return kStatusNoTypeInfo;
    AddObjectReference(object);
    session = new DispatchSession{object};
    return kStatusOk;
}

void EndDispatch(DispatchSession* session) {
    ReleaseObjectReference(session->object);
    delete session;
}

BindOutcome BindMember(DispatchSession* session, std::u16string_view name, InvokeKind kind, BoundMember& bound) {
    std::string key;
    if (!model::ToAscii(name, key)) return BindOutcome::NothingFound;
    bool known = false;
    for (const model::Member& member : session->object->cls->members) {
        if (!EqualIgnoringCase(member.name, key)) continue;
        known = true;
        if (!member.isData && member.kind != kind) continue;
        bound = BoundMember{};
        bound.isFunction = !member.isData;
        bound.memberId = member.memberId;
        bound.invokeKind = member.isData ? INVOKE_PROPERTYGET : member.kind;
        bound.params = member.isData ? std::vector<DeclaredParam>{} : member.params;
        bound.optionalCount = member.optionalCount;
        bound.dataType = member.dataType;
        return BindOutcome::Bound;
    }
    return known ? BindOutcome::Failed : BindOutcome::NothingFound;
}

HResult InvokeMember(DispatchSession* session, std::int32_t memberId, InvokeKind kind, std::vector<Variant>& args,
                     bool namedPropertyPut, Variant& result) {
    AutomationObject* object = session->object;
    for (const model::Member& member : object->cls->members) {
        if (member.memberId != memberId || !(member.isData || member.kind == kind)) continue;
        if (member.isData && kind == INVOKE_FUNC) continue;
        if (!member.impl) return kENotImpl;
        model::Call call{memberId, kind, args, namedPropertyPut, result};
        return member.impl(*object->instance, call);
    }
    return kDispEMemberNotFound;
}

}  // namespace clocktool
