// The Windows side of the automation seam: COM objects, type-information binding,
// IDispatch::Invoke, and the conversion of the program's Variant to and from VARIANT
// (BSTRs, SAFEARRAYs with the same bounds) at the call.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/automation_platform.h"

namespace clocktool {

// An AutomationObject is the object's IUnknown.
namespace {
IUnknown* Unknown(AutomationObject* object) { return reinterpret_cast<IUnknown*>(object); }
AutomationObject* Object(IUnknown* unknown) { return reinterpret_cast<AutomationObject*>(unknown); }
}  // namespace

struct DispatchSession {
    IDispatch* dispatch = nullptr;
    ITypeInfo* typeInfo = nullptr;
    ITypeComp* typeComp = nullptr;
    LCID locale = 0;
};

namespace {

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// --- Variant <-> VARIANT ---

bool ToNative(const Variant& value, VARIANT& out);
bool FromNative(const VARIANT& native, Variant& out);

SAFEARRAY* ToSafeArray(const VariantArray& array) {
    const std::size_t size = ElementSize(array.elementType);
    if (size == 0 || array.bounds.empty()) return nullptr;
    std::vector<SAFEARRAYBOUND> bounds;
    std::size_t count = 1;
    for (const VariantArray::Bound& b : array.bounds) {
        bounds.push_back({b.count, b.lowerBound});
        count *= b.count;
    }
    if (array.data.size() < count * size) return nullptr;
    SAFEARRAY* safeArray = SafeArrayCreate(array.elementType, static_cast<UINT>(bounds.size()), bounds.data());
    if (!safeArray) return nullptr;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(safeArray, &data))) {
        SafeArrayDestroy(safeArray);
        return nullptr;
    }
    if (count) std::memcpy(data, array.data.data(), count * size);
    SafeArrayUnaccessData(safeArray);
    return safeArray;
}

bool FromSafeArray(SAFEARRAY* safeArray, VARTYPE elementType, VariantArray& array) {
    const std::size_t size = ElementSize(elementType);
    if (!safeArray || size == 0) return false;
    array.elementType = elementType;
    array.bounds.clear();
    std::size_t count = 1;
    const UINT dimensions = SafeArrayGetDim(safeArray);
    for (UINT d = 1; d <= dimensions; ++d) {
        LONG lower = 0, upper = -1;
        if (FAILED(SafeArrayGetLBound(safeArray, d, &lower)) || FAILED(SafeArrayGetUBound(safeArray, d, &upper)))
            return false;
        const auto extent = static_cast<std::uint32_t>(upper - lower + 1);
        array.bounds.push_back({lower, extent});
        count *= extent;
    }
    if (dimensions == 0) count = 0;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(safeArray, &data))) return false;
    array.data.assign(static_cast<const char*>(data), count * size);
    SafeArrayUnaccessData(safeArray);
    return true;
}

bool ToNative(const Variant& value, VARIANT& out) {
    VariantInit(&out);
    const VARTYPE vt = value.vt;
    if (vt & VT_BYREF) return false;   // references are built by InvokeMember
    if (vt & VT_ARRAY) {
        SAFEARRAY* safeArray = ToSafeArray(value.array);
        if (!safeArray) return false;
        V_VT(&out) = vt;
        V_ARRAY(&out) = safeArray;
        return true;
    }
    switch (vt) {
        case VT_EMPTY: case VT_NULL: break;
        case VT_I1: V_I1(&out) = static_cast<CHAR>(value.integer); break;
        case VT_UI1: V_UI1(&out) = static_cast<BYTE>(value.integer); break;
        case VT_I2: V_I2(&out) = static_cast<SHORT>(value.integer); break;
        case VT_UI2: V_UI2(&out) = static_cast<USHORT>(value.integer); break;
        case VT_I4: V_I4(&out) = static_cast<LONG>(value.integer); break;
        case VT_UI4: V_UI4(&out) = static_cast<ULONG>(value.integer); break;
        case VT_INT: V_INT(&out) = static_cast<INT>(value.integer); break;
        case VT_UINT: V_UINT(&out) = static_cast<UINT>(value.integer); break;
        case VT_I8: V_I8(&out) = value.integer; break;
        case VT_UI8: V_UI8(&out) = static_cast<ULONGLONG>(value.integer); break;
        case VT_CY: V_CY(&out).int64 = value.integer; break;
        case VT_BOOL: V_BOOL(&out) = value.integer ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_ERROR: V_ERROR(&out) = static_cast<SCODE>(value.integer); break;
        case VT_R4: V_R4(&out) = static_cast<FLOAT>(value.real); break;
        case VT_R8: V_R8(&out) = value.real; break;
        case VT_DATE: V_DATE(&out) = value.real; break;
        case VT_BSTR: {
            const std::wstring wide = Wide(value.string);
            V_BSTR(&out) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
            if (!V_BSTR(&out)) return false;
            break;
        }
        case VT_DISPATCH: case VT_UNKNOWN: {
            IUnknown* unknown = Unknown(value.object.get());
            if (unknown) unknown->AddRef();
            V_UNKNOWN(&out) = unknown;
            break;
        }
        default: return false;
    }
    V_VT(&out) = vt;
    return true;
}

bool FromNative(const VARIANT& native, Variant& out) {
    if (V_VT(&native) & VT_BYREF) {
        VARIANT direct;
        VariantInit(&direct);
        if (FAILED(VariantCopyInd(&direct, const_cast<VARIANT*>(&native)))) return false;
        const bool ok = FromNative(direct, out);
        VariantClear(&direct);
        return ok;
    }
    out = EmptyVariant();
    const VARTYPE vt = V_VT(&native);
    if (vt & VT_ARRAY) {
        out.vt = vt;
        return FromSafeArray(V_ARRAY(&native), vt & VT_TYPEMASK, out.array);
    }
    switch (vt) {
        case VT_EMPTY: case VT_NULL: break;
        case VT_I1: out.integer = V_I1(&native); break;
        case VT_UI1: out.integer = V_UI1(&native); break;
        case VT_I2: out.integer = V_I2(&native); break;
        case VT_UI2: out.integer = V_UI2(&native); break;
        case VT_I4: out.integer = V_I4(&native); break;
        case VT_UI4: out.integer = V_UI4(&native); break;
        case VT_INT: out.integer = V_INT(&native); break;
        case VT_UINT: out.integer = V_UINT(&native); break;
        case VT_I8: out.integer = V_I8(&native); break;
        case VT_UI8: out.integer = static_cast<std::int64_t>(V_UI8(&native)); break;
        case VT_CY: out.integer = V_CY(&native).int64; break;
        case VT_BOOL: out.integer = V_BOOL(&native) ? -1 : 0; break;
        case VT_ERROR: out.integer = V_ERROR(&native); break;
        case VT_R4: out.real = V_R4(&native); break;
        case VT_R8: out.real = V_R8(&native); break;
        case VT_DATE: out.real = V_DATE(&native); break;
        case VT_BSTR: {
            const BSTR text = V_BSTR(&native);
            if (text) out.string.assign(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
            break;
        }
        case VT_DISPATCH: case VT_UNKNOWN: {
            IUnknown* unknown = V_UNKNOWN(&native);
            if (unknown) {
                unknown->AddRef();
                out.object.reset(Object(unknown), ReleaseObjectReference);
            }
            break;
        }
        case VT_RECORD: break;   // kept as a kind only: it converts to nothing
        default: return false;
    }
    out.vt = vt;
    return true;
}

// --- declared types ---

DeclaredType Resolve(ITypeInfo* typeInfo, const TYPEDESC& type) {
    DeclaredType out;
    switch (type.vt) {
        case VT_PTR:
            out = Resolve(typeInfo, *type.lptdesc);
            out.byRef = true;
            return out;
        case VT_SAFEARRAY:
            out = Resolve(typeInfo, *type.lptdesc);
            out.isArray = true;
            return out;
        case VT_CARRAY:
            out = Resolve(typeInfo, type.lpadesc->tdescElem);
            out.isArray = true;
            return out;
        case VT_USERDEFINED: {
            out.vt = VT_UNKNOWN;
            ITypeInfo* referenced = nullptr;
            if (FAILED(typeInfo->GetRefTypeInfo(type.hreftype, &referenced))) return out;
            TYPEATTR* attributes = nullptr;
            if (SUCCEEDED(referenced->GetTypeAttr(&attributes))) {
                switch (attributes->typekind) {
                    case TKIND_ENUM: out.vt = VT_I4; break;
                    case TKIND_DISPATCH: out.vt = VT_DISPATCH; break;
                    case TKIND_RECORD: out.vt = VT_RECORD; break;
                    case TKIND_ALIAS: out = Resolve(referenced, attributes->tdescAlias); break;
                    default: break;
                }
                referenced->ReleaseTypeAttr(attributes);
            }
            referenced->Release();
            return out;
        }
        default:
            out.vt = type.vt;
            return out;
    }
}

}  // namespace

// --- objects ---

AutomationObject* CreateAutomationObject(std::u16string_view progIdOrClsid, bool isClsid) {
    const std::wstring text = Wide(progIdOrClsid);
    CLSID clsid;
    const HRESULT found = isClsid ? CLSIDFromString(text.c_str(), &clsid) : CLSIDFromProgID(text.c_str(), &clsid);
    if (FAILED(found)) return nullptr;
    IUnknown* unknown = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (hr == E_INVALIDARG)
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                              IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (FAILED(hr) || !unknown) return nullptr;
    if (FAILED(OleRun(unknown))) {
        unknown->Release();
        return nullptr;
    }
    return Object(unknown);
}

void AddObjectReference(AutomationObject* object) { Unknown(object)->AddRef(); }

void ReleaseObjectReference(AutomationObject* object) { Unknown(object)->Release(); }

// --- member calls ---

std::int32_t BeginDispatch(AutomationObject* object, DispatchSession*& session) {
    auto* s = new DispatchSession;
    if (FAILED(Unknown(object)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&s->dispatch)))) {
        delete s;
        return kStatusNoDispatch;
    }
    s->locale = GetUserDefaultLCID();
    if (FAILED(s->dispatch->GetTypeInfo(0, s->locale, &s->typeInfo)) || !s->typeInfo ||
        FAILED(s->typeInfo->GetTypeComp(&s->typeComp)) || !s->typeComp) {
        EndDispatch(s);
        return kStatusNoTypeInfo;
    }
    session = s;
    return kStatusOk;
}

void EndDispatch(DispatchSession* session) {
    if (session->typeComp) session->typeComp->Release();
    if (session->typeInfo) session->typeInfo->Release();
    if (session->dispatch) session->dispatch->Release();
    delete session;
}

BindOutcome BindMember(DispatchSession* session, std::u16string_view name, InvokeKind kind, BoundMember& member) {
    std::wstring wide = Wide(name);
    const ULONG hash = LHashValOfNameSys(SYS_WIN32, session->locale, wide.c_str());
    ITypeInfo* boundInfo = nullptr;
    DESCKIND found = DESCKIND_NONE;
    BINDPTR bound{};
    if (FAILED(session->typeComp->Bind(wide.data(), hash, static_cast<WORD>(kind), &boundInfo, &found, &bound)))
        return BindOutcome::Failed;

    BindOutcome outcome = BindOutcome::NothingFound;
    member = BoundMember{};
    if (found == DESCKIND_FUNCDESC && bound.lpfuncdesc) {
        const FUNCDESC& f = *bound.lpfuncdesc;
        member.isFunction = true;
        member.memberId = f.memid;
        member.invokeKind = static_cast<InvokeKind>(f.invkind);
        member.optionalCount = f.cParamsOpt;
        for (SHORT i = 0; i < f.cParams; ++i) {
            const ELEMDESC& param = f.lprgelemdescParam[i];
            member.params.push_back({Resolve(boundInfo, param.tdesc), param.paramdesc.wParamFlags});
        }
        boundInfo->ReleaseFuncDesc(bound.lpfuncdesc);
        outcome = BindOutcome::Bound;
    } else if (found == DESCKIND_VARDESC && bound.lpvardesc) {
        member.isFunction = false;
        member.memberId = bound.lpvardesc->memid;
        member.dataType = Resolve(boundInfo, bound.lpvardesc->elemdescVar.tdesc);
        boundInfo->ReleaseVarDesc(bound.lpvardesc);
        outcome = BindOutcome::Bound;
    } else if (found == DESCKIND_TYPECOMP && bound.lptcomp) {
        bound.lptcomp->Release();
    }
    if (boundInfo) boundInfo->Release();
    return outcome;
}

HResult InvokeMember(DispatchSession* session, std::int32_t memberId, InvokeKind kind, std::vector<Variant>& args,
                     bool namedPropertyPut, Variant& result) {
    const std::size_t count = args.size();
    std::vector<VARIANT> natives(count), referenced(count);
    for (VARIANT& v : natives) VariantInit(&v);
    for (VARIANT& v : referenced) VariantInit(&v);
    auto clearAll = [&] {
        for (VARIANT& v : natives)
            if (!(V_VT(&v) & VT_BYREF)) VariantClear(&v);
        for (VARIANT& v : referenced) VariantClear(&v);
    };

    for (std::size_t i = 0; i < count; ++i) {
        const Variant& arg = args[i];
        if (!(arg.vt & VT_BYREF)) {
            if (!ToNative(arg, natives[i])) {
                clearAll();
                return DISP_E_BADVARTYPE;
            }
            continue;
        }
        // A reference points into `referenced`, which holds the value for the call.
        if (!arg.ref || !ToNative(*arg.ref, referenced[i])) {
            clearAll();
            return DISP_E_BADVARTYPE;
        }
        V_VT(&natives[i]) = arg.vt;
        if ((arg.vt & VT_TYPEMASK) == VT_VARIANT && !(arg.vt & VT_ARRAY))
            V_VARIANTREF(&natives[i]) = &referenced[i];
        else if (arg.vt & VT_ARRAY)
            V_ARRAYREF(&natives[i]) = &V_ARRAY(&referenced[i]);
        else
            V_BYREF(&natives[i]) = &V_UI1(&referenced[i]);   // every scalar starts at the union's start
    }

    DISPID putName = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = count ? natives.data() : nullptr;
    params.cArgs = static_cast<UINT>(count);
    if (namedPropertyPut) {
        params.rgdispidNamedArgs = &putName;
        params.cNamedArgs = 1;
    }
    VARIANT nativeResult;
    VariantInit(&nativeResult);
    UINT argumentError = static_cast<UINT>(-1);
    const HRESULT hr = session->dispatch->Invoke(memberId, IID_NULL, session->locale, static_cast<WORD>(kind),
                                                 &params, &nativeResult, nullptr, &argumentError);
    if (SUCCEEDED(hr)) {
        for (std::size_t i = 0; i < count; ++i)
            if ((args[i].vt & VT_BYREF) && args[i].ref) FromNative(referenced[i], *args[i].ref);
        if (!FromNative(nativeResult, result)) result = EmptyVariant();
    }
    VariantClear(&nativeResult);
    clearAll();
    return hr;
}

bool ChangeVariantType(Variant& value, std::uint16_t vt) {
    VARIANT native;
    if (!ToNative(value, native)) return false;
    bool ok = SUCCEEDED(VariantChangeType(&native, &native, 0, vt));
    Variant changed;
    ok = ok && FromNative(native, changed);
    VariantClear(&native);
    if (ok) value = std::move(changed);
    return ok;
}

}  // namespace clocktool
