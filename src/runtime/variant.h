// The program's own portable variant: the kinds that automation calls pass and return.
// The platform seam converts it to and from its native form (VARIANT on Windows); the
// portable bridge sees only this type.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace clocktool {

// Variant kinds, numbered as the platform numbers them.
enum VarType : std::uint16_t {
    VT_EMPTY = 0, VT_NULL = 1, VT_I2 = 2, VT_I4 = 3, VT_R4 = 4, VT_R8 = 5, VT_CY = 6, VT_DATE = 7,
    VT_BSTR = 8, VT_DISPATCH = 9, VT_ERROR = 10, VT_BOOL = 11, VT_VARIANT = 12, VT_UNKNOWN = 13,
    VT_I1 = 16, VT_UI1 = 17, VT_UI2 = 18, VT_UI4 = 19, VT_I8 = 20, VT_UI8 = 21, VT_INT = 22,
    VT_UINT = 23, VT_VOID = 24, VT_HRESULT = 25, VT_PTR = 26, VT_SAFEARRAY = 27, VT_CARRAY = 28,
    VT_USERDEFINED = 29, VT_RECORD = 36,
    VT_ARRAY = 0x2000, VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

class AutomationObject;   // the platform's object (runtime/automation_platform.h)

// A safe array of fixed-size elements: the element type, one (lower bound, count)
// pair per dimension, and the elements' bytes in storage order (little-endian).
struct VariantArray {
    std::uint16_t elementType = VT_UI1;
    struct Bound {
        std::int32_t lowerBound = 0;
        std::uint32_t count = 0;
        friend bool operator==(const Bound&, const Bound&) = default;
    };
    std::vector<Bound> bounds;
    std::string data;

    friend bool operator==(const VariantArray&, const VariantArray&) = default;
};

// One value of a member call. A new Variant holds VT_I4 0. Copies are deep, except
// that an object is shared (the shared pointer holds one counted reference).
//
// A by-reference Variant (VT_BYREF | kind) points at another Variant through `ref`:
// for VT_BYREF | VT_VARIANT that Variant may hold any kind; otherwise it holds `kind`.
// The bridge owns both sides for the length of one call.
struct Variant {
    std::uint16_t vt = VT_I4;            // VarType, possibly with VT_ARRAY or VT_BYREF
    std::int64_t integer = 0;            // I1..I8, UI1..UI8, INT, UINT, BOOL (0 or -1), ERROR (an scode)
    double real = 0.0;                   // R4, R8, DATE
    std::u16string string;               // BSTR (UTF-16)
    VariantArray array;                  // VT_ARRAY | element type
    std::shared_ptr<AutomationObject> object;   // DISPATCH, UNKNOWN
    Variant* ref = nullptr;              // VT_BYREF

    friend bool operator==(const Variant&, const Variant&) = default;
};

inline std::uint16_t BaseType(std::uint16_t vt) { return vt & VT_TYPEMASK; }

// Small constructors for the kinds the bridge and its tests build most.
Variant EmptyVariant();
Variant I2Variant(std::int16_t value);
Variant I4Variant(std::int32_t value);
Variant R8Variant(double value);
Variant BoolVariant(bool value);
Variant BstrVariant(std::u16string value);
Variant ErrorVariant(std::int32_t scode);
Variant ByteArrayVariant(std::string_view bytes, std::int32_t lowerBound);
Variant RefVariant(std::uint16_t vt, Variant& target);   // VT_BYREF | vt, pointing at target

// The value a Variant stands for, with references resolved (the VariantCopyInd role).
Variant CopyIndirect(const Variant& value);

// Bytes per element of an array of this element type; 0 for kinds an array here cannot hold.
std::size_t ElementSize(std::uint16_t elementType);

}  // namespace clocktool
