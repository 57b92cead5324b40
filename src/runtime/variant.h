// The program's own portable variant: the kinds that automation calls pass and return.
// The platform seam converts it to and from its native form (VARIANT on Windows).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
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
};

class AutomationObject;   // runtime/automation_platform.h

// A safe array: element type, one (lower bound, count) pair per dimension, and the
// elements' bytes in storage order.
struct VariantArray {
    VarType elementType = VT_UI1;
    struct Bound { std::int32_t lowerBound; std::uint32_t count; };
    std::vector<Bound> bounds;
    std::string data;
};

// A new Variant holds VT_I4 0. Copies are deep (an object is shared by reference).
struct Variant {
    std::uint16_t vt = VT_I4;            // VarType, possibly with VT_ARRAY
    std::int64_t integer = 0;            // I1..I8, UI1..UI8, BOOL (0 or -1), ERROR (an scode)
    double real = 0.0;                   // R4, R8, DATE
    std::u16string string;               // BSTR (UTF-16)
    std::shared_ptr<VariantArray> array; // VT_ARRAY | element type
    std::shared_ptr<AutomationObject> object;   // DISPATCH, UNKNOWN

    friend bool operator==(const Variant&, const Variant&) = default;
};

}  // namespace clocktool
