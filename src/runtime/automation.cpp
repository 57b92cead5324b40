// The automation bridge: the binding order, the argument array, by-reference passing,
// status codes, write-back and result conversions, written once over the platform seam.
#include "runtime/automation.h"

#include <algorithm>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/automation_platform.h"
#include "runtime/codepage.h"

namespace clocktool {

// --- ComObject ---

ComObject::ComObject(ComObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}

ComObject& ComObject::operator=(ComObject&& other) noexcept {
    if (this != &other) reset(std::exchange(other.object_, nullptr));
    return *this;
}

ComObject::~ComObject() { reset(nullptr); }

void ComObject::reset(AutomationObject* object) {
    AutomationObject* old = std::exchange(object_, object);
    if (old) ReleaseObjectReference(old);
}

namespace {

thread_local std::int32_t lastStatus = kStatusOk;

enum class Operation { Call, Read, Write };

// The member kinds each operation tries, in order; the first that binds decides.
struct BindOrder {
    Operation operation;
    std::vector<InvokeKind> kinds;
};
const BindOrder kBindOrders[] = {
    {Operation::Read, {INVOKE_PROPERTYGET, INVOKE_FUNC}},
    {Operation::Write, {INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC}},
    {Operation::Call, {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF}},
};

// Invoke failures and their statuses; any other failure is kStatusInvokeFailed.
struct InvokeFailure {
    HResult hr;
    std::int32_t status;
};
const InvokeFailure kInvokeFailures[] = {
    {kDispEBadParamCount, kStatusBadParamCount},     {kDispEBadVarType, kStatusBadVarType},
    {kDispEException, kStatusException},             {kDispEMemberNotFound, kStatusMemberNotFound},
    {kDispENoNamedArgs, kStatusNoNamedArgs},         {kDispEOverflow, kStatusOverflow},
    {kDispEParamNotFound, kStatusParamNotFound},     {kDispETypeMismatch, kStatusTypeMismatch},
    {kDispEParamNotOptional, kStatusParamNotOptional},
};

std::int32_t StatusOfInvokeFailure(HResult hr) {
    for (const InvokeFailure& failure : kInvokeFailures)
        if (failure.hr == hr) return failure.status;
    return kStatusInvokeFailed;
}

// The Variant built for one argument's value, or nothing for a kind without a conversion.
struct BuildArgument {
    std::optional<Variant> operator()(const AutomationArg::Omitted&) const { return EmptyVariant(); }
    std::optional<Variant> operator()(const Text& v) const { return BstrVariant(GbkToUtf16(v)); }
    std::optional<Variant> operator()(std::int32_t v) const { return I4Variant(v); }
    std::optional<Variant> operator()(std::int64_t v) const {
        return I4Variant(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));   // the low 32 bits
    }
    std::optional<Variant> operator()(std::int16_t v) const { return I2Variant(v); }
    std::optional<Variant> operator()(std::uint8_t v) const {
        Variant out;
        out.vt = VT_UI1;
        out.integer = v;
        return out;
    }
    std::optional<Variant> operator()(bool v) const { return BoolVariant(v); }
    std::optional<Variant> operator()(float v) const {
        Variant out = R8Variant(v);
        out.vt = VT_R4;
        return out;
    }
    std::optional<Variant> operator()(double v) const { return R8Variant(v); }
    std::optional<Variant> operator()(DateTime v) const {
        Variant out = R8Variant(v.value);
        out.vt = VT_DATE;
        return out;
    }
    std::optional<Variant> operator()(const Variant& v) const { return CopyIndirect(v); }
    // Bytes travel inside a Variant (VariantAssignBytes), never on their own.
    std::optional<Variant> operator()(const ByteString&) const { return std::nullopt; }
    // A reference is read through.
    template <typename T>
    std::optional<Variant> operator()(T* reference) const { return (*this)(*reference); }
};

std::optional<Variant> ArgumentVariant(const AutomationArg::Value& value) { return std::visit(BuildArgument{}, value); }

bool IsByReference(const AutomationArg::Value& value) {
    return std::visit([](const auto& v) { return std::is_pointer_v<std::decay_t<decltype(v)>>; }, value);
}

// Stores a returned output value into the caller's variable, converted to its kind.
// A value that does not convert leaves the variable as it was.
void WriteBack(const AutomationArg::Value& target, const Variant& returned) {
    auto converted = [&](std::uint16_t vt) -> std::optional<Variant> {
        Variant value = CopyIndirect(returned);
        if (BaseType(value.vt) == VT_RECORD || !ChangeVariantType(value, vt)) return std::nullopt;
        return value;
    };
    if (auto* text = std::get_if<Text*>(&target)) {
        if (auto v = converted(VT_BSTR)) **text = Utf16ToGbk(v->string);
    } else if (auto* i4 = std::get_if<std::int32_t*>(&target)) {
        if (auto v = converted(VT_I4)) **i4 = static_cast<std::int32_t>(v->integer);
    } else if (auto* i2 = std::get_if<std::int16_t*>(&target)) {
        if (auto v = converted(VT_I2)) **i2 = static_cast<std::int16_t>(v->integer);
    } else if (auto* flag = std::get_if<bool*>(&target)) {
        if (auto v = converted(VT_BOOL)) **flag = v->integer != 0;
    } else if (auto* r8 = std::get_if<double*>(&target)) {
        if (auto v = converted(VT_R8)) **r8 = v->real;
    } else if (auto* variant = std::get_if<Variant*>(&target)) {
        **variant = CopyIndirect(returned);
    }
}

std::uint16_t NormalizedType(std::uint16_t vt) {
    if (vt == VT_INT) return VT_I4;
    if (vt == VT_UINT) return VT_UI4;
    return vt;
}

// Places one converted argument at its element. A parameter declared by reference gets
// a VT_BYREF element pointing into `referenced` where the rules allow it.
void PlaceArgument(Variant value, const DeclaredType& declared, Variant& element, Variant& referenced) {
    if (!declared.byRef || value.vt == VT_ERROR) {
        element = std::move(value);
        return;
    }
    const std::uint16_t declaredVt = NormalizedType(declared.vt);
    if (!declared.isArray && declaredVt == VT_VARIANT) {
        referenced = std::move(value);
        element = RefVariant(VT_VARIANT, referenced);
    } else if (declared.isArray) {
        if (!(value.vt & VT_ARRAY)) {
            element = std::move(value);
            return;
        }
        const std::uint16_t vt = value.vt;
        referenced = std::move(value);
        element = RefVariant(vt, referenced);
    } else if (declaredVt == VT_RECORD) {
        element = std::move(value);
    } else {
        Variant changed = value;
        if (!ChangeVariantType(changed, declaredVt)) {
            element = std::move(value);
            return;
        }
        referenced = std::move(changed);
        element = RefVariant(declaredVt, referenced);
    }
}

// Ends the platform session however the call leaves.
struct SessionGuard {
    DispatchSession* session = nullptr;
    ~SessionGuard() {
        if (session) EndDispatch(session);
    }
};

// The common path of every member call. On success `result` holds what the member returned.
std::int32_t MemberCall(const ComObject& object, const Text& name, AutomationArgs argList, Operation operation,
                        Variant& result) {
    if (object.empty()) return kStatusEmptyObject;

    SessionGuard guard;
    if (std::int32_t status = BeginDispatch(object.get(), guard.session); status != kStatusOk) return status;

    const std::u16string wideName = GbkToUtf16(name);
    const auto order = std::find_if(std::begin(kBindOrders), std::end(kBindOrders),
                                    [&](const BindOrder& o) { return o.operation == operation; });
    BoundMember member;
    BindOutcome outcome = BindOutcome::Failed;
    for (InvokeKind kind : order->kinds) {
        outcome = BindMember(guard.session, wideName, kind, member);
        if (outcome != BindOutcome::Failed) break;
    }
    if (outcome != BindOutcome::Bound) return kStatusNotBound;

    // What the binding found decides the invoke kind and the declared parameters.
    InvokeKind invokeKind = member.invokeKind;
    std::vector<DeclaredParam> params = member.params;
    bool variableCount = member.isFunction && member.optionalCount == -1;
    if (!member.isFunction) {
        params.clear();
        invokeKind = INVOKE_PROPERTYGET;
        if (operation == Operation::Write) {
            const DeclaredType& type = member.dataType;
            const bool byReference = type.isArray || type.vt == VT_UNKNOWN || type.vt == VT_DISPATCH;
            invokeKind = byReference ? INVOKE_PROPERTYPUTREF : INVOKE_PROPERTYPUT;
            params.push_back({type, kParamFlagIn});
        }
    }

    std::vector<const AutomationArg*> args;
    for (const AutomationArg& arg : argList) args.push_back(&arg);
    while (!args.empty() && args.back()->omitted()) args.pop_back();
    if (args.size() > params.size() && !variableCount) return kStatusTooManyArguments;

    // Element 0 is the last argument. `referenced` holds the values of by-reference
    // elements; it is sized once so the pointers into it stay valid.
    const std::size_t count = args.size();
    std::vector<Variant> elements(count);
    std::vector<Variant> referenced(count);
    const DeclaredParam byValueVariant{{VT_VARIANT, false, false}, kParamFlagIn};
    auto paramOf = [&](std::size_t i) -> const DeclaredParam& {
        if (i < params.size()) return params[i];
        return params.empty() ? byValueVariant : params.back();   // extra arguments of a variable count
    };
    for (std::size_t i = 0; i < count; ++i) {
        std::optional<Variant> value = ArgumentVariant(args[i]->value());
        if (!value) return kStatusUnconvertibleArgument;
        if (value->vt == VT_EMPTY) *value = ErrorVariant(kDispEParamNotFound);
        const std::size_t e = count - 1 - i;
        PlaceArgument(std::move(*value), paramOf(i).type, elements[e], referenced[e]);
    }

    const bool namedPut = invokeKind == INVOKE_PROPERTYPUT || invokeKind == INVOKE_PROPERTYPUTREF;
    result = EmptyVariant();
    const HResult hr = InvokeMember(guard.session, member.memberId, invokeKind, elements, namedPut, result);
    if (hr < 0) {
        result = EmptyVariant();
        return StatusOfInvokeFailure(hr);
    }

    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = count - 1 - i;
        if (IsByReference(args[i]->value()) && (elements[e].vt & VT_BYREF) && (paramOf(i).flags & kParamFlagOut))
            WriteBack(args[i]->value(), referenced[e]);
    }
    return kStatusOk;
}

// Runs a read and converts its result to `vt`; an empty Variant on failure.
Variant ReadAs(ComObject& object, const Text& name, AutomationArgs args, std::optional<std::uint16_t> vt) {
    Variant result;
    lastStatus = MemberCall(object, name, args, Operation::Read, result);
    if (lastStatus != kStatusOk) return EmptyVariant();
    Variant value = CopyIndirect(result);
    if (vt && (BaseType(value.vt) == VT_RECORD || !ChangeVariantType(value, *vt))) {
        lastStatus = kStatusUnconvertibleResult;
        return EmptyVariant();
    }
    return value;
}

}  // namespace

bool ObjectCreate(ComObject& object, const Text& progIdOrClsid) {
    const bool isClsid = !progIdOrClsid.empty() && progIdOrClsid.view().front() == '{';
    AutomationObject* created = CreateAutomationObject(GbkToUtf16(progIdOrClsid), isClsid);
    if (!created) return false;
    object.reset(created);
    return true;
}

void ObjectCallMethod(ComObject& object, const Text& name, AutomationArgs args) {
    Variant result;
    lastStatus = MemberCall(object, name, args, Operation::Call, result);
}

Variant ObjectReadProperty(ComObject& object, const Text& name, AutomationArgs args) {
    return ReadAs(object, name, args, std::nullopt);
}

Text ObjectReadTextProperty(ComObject& object, const Text& name, AutomationArgs args) {
    Variant value = ReadAs(object, name, args, VT_BSTR);
    return value.vt == VT_BSTR ? Utf16ToGbk(value.string) : Text();
}

double ObjectReadNumberProperty(ComObject& object, const Text& name, AutomationArgs args) {
    Variant value = ReadAs(object, name, args, VT_R8);
    return value.vt == VT_R8 ? value.real : 0.0;
}

bool ObjectWriteProperty(ComObject& object, const Text& name, AutomationArgs indexesThenValue) {
    Variant result;
    lastStatus = MemberCall(object, name, indexesThenValue, Operation::Write, result);
    return lastStatus == kStatusOk;
}

void ObjectCopy(ComObject& target, const ComObject& source) {
    if (source.get()) AddObjectReference(source.get());
    target.reset(source.get());
}

void ObjectClear(ComObject& object) { object.reset(nullptr); }

bool VariantAssignBytes(Variant& variant, const ByteString& bytes) {
    variant = ByteArrayVariant(bytes.view(), 1);
    return true;
}

ByteString VariantGetBytes(const Variant& variant) {
    Variant value = CopyIndirect(variant);
    if (!(value.vt & VT_ARRAY) && !ChangeVariantType(value, VT_ARRAY | VT_UI1)) return {};
    if (!(value.vt & VT_ARRAY)) return {};
    const std::uint16_t element = BaseType(value.vt);
    if (element != VT_UI1 && element != VT_I1) return {};
    std::size_t count = value.array.bounds.empty() ? 0 : 1;
    for (const VariantArray::Bound& bound : value.array.bounds) count *= bound.count;
    return ByteString(std::string_view(value.array.data).substr(0, count));
}

void VariantClear(Variant& variant) { variant = EmptyVariant(); }

std::int32_t LastAutomationStatus() { return lastStatus; }

// --- Variant constructors ---

Variant EmptyVariant() {
    Variant v;
    v.vt = VT_EMPTY;
    return v;
}

Variant I2Variant(std::int16_t value) {
    Variant v;
    v.vt = VT_I2;
    v.integer = value;
    return v;
}

Variant I4Variant(std::int32_t value) {
    Variant v;
    v.integer = value;
    return v;
}

Variant R8Variant(double value) {
    Variant v;
    v.vt = VT_R8;
    v.real = value;
    return v;
}

Variant BoolVariant(bool value) {
    Variant v;
    v.vt = VT_BOOL;
    v.integer = value ? -1 : 0;
    return v;
}

Variant BstrVariant(std::u16string value) {
    Variant v;
    v.vt = VT_BSTR;
    v.string = std::move(value);
    return v;
}

Variant ErrorVariant(std::int32_t scode) {
    Variant v;
    v.vt = VT_ERROR;
    v.integer = scode;
    return v;
}

Variant ByteArrayVariant(std::string_view bytes, std::int32_t lowerBound) {
    Variant v;
    v.vt = VT_ARRAY | VT_UI1;
    v.array.elementType = VT_UI1;
    v.array.bounds = {{lowerBound, static_cast<std::uint32_t>(bytes.size())}};
    v.array.data.assign(bytes);
    return v;
}

Variant RefVariant(std::uint16_t vt, Variant& target) {
    Variant v = EmptyVariant();
    v.vt = VT_BYREF | vt;
    v.ref = &target;
    return v;
}

Variant CopyIndirect(const Variant& value) {
    if (!(value.vt & VT_BYREF)) return value;
    if (!value.ref) return EmptyVariant();
    return CopyIndirect(*value.ref);
}

std::size_t ElementSize(std::uint16_t elementType) {
    switch (elementType) {
        case VT_I1: case VT_UI1: return 1;
        case VT_I2: case VT_UI2: case VT_BOOL: return 2;
        case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
        case VT_I8: case VT_UI8: case VT_R8: case VT_DATE: case VT_CY: return 8;
        default: return 0;
    }
}

}  // namespace clocktool
