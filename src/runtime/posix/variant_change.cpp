// The VariantChangeType role on Linux: the conversions between the kinds the bridge and
// the model pass, with the platform's rules where they matter (booleans are -1 and 0,
// fractions round half to even, out-of-range values fail, an empty value is 0 or "").
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "runtime/automation_platform.h"

namespace clocktool {

namespace {

bool IsInteger(std::uint16_t vt) {
    switch (vt) {
        case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
        case VT_I8: case VT_UI8: case VT_INT: case VT_UINT: case VT_BOOL: return true;
        default: return false;
    }
}

bool IsReal(std::uint16_t vt) { return vt == VT_R4 || vt == VT_R8 || vt == VT_DATE; }

// The range of an integer kind, as doubles (exact enough for the checks here).
struct Range {
    std::uint16_t vt;
    double low, high;
};
const Range kRanges[] = {
    {VT_I1, -128, 127},
    {VT_UI1, 0, 255},
    {VT_I2, -32768, 32767},
    {VT_UI2, 0, 65535},
    {VT_I4, -2147483648.0, 2147483647.0},
    {VT_INT, -2147483648.0, 2147483647.0},
    {VT_UI4, 0, 4294967295.0},
    {VT_UINT, 0, 4294967295.0},
    {VT_I8, -9223372036854775808.0, 9223372036854775807.0},
    {VT_UI8, 0, 18446744073709551615.0},
};

std::string Narrow(std::u16string_view wide) {
    std::string out;
    for (char16_t c : wide) out.push_back(c < 0x80 ? static_cast<char>(c) : '\x7f');
    return out;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A text read as a number: blanks around it allowed, nothing else.
std::optional<double> ParseNumber(std::u16string_view text) {
    std::string s = Narrow(text);
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    s = s.substr(first, s.find_last_not_of(" \t") - first + 1);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The numeric value of a scalar kind, or nothing.
std::optional<double> NumberOf(const Variant& v) {
    const std::uint16_t vt = v.vt;
    if (vt == VT_EMPTY) return 0.0;
    if (IsInteger(vt)) return static_cast<double>(v.integer);
    if (IsReal(vt)) return v.real;
    if (vt == VT_BSTR) {
        if (v.string == u"True" || v.string == u"true") return -1.0;   // the platform's alphabetic booleans
        if (v.string == u"False" || v.string == u"false") return 0.0;
        return ParseNumber(v.string);
    }
    return std::nullopt;
}

std::optional<std::u16string> TextOf(const Variant& v) {
    if (v.vt == VT_EMPTY) return std::u16string();
    if (v.vt == VT_BSTR) return v.string;
    if (v.vt == VT_BOOL) return Widen(v.integer ? "-1" : "0");
    if (IsInteger(v.vt)) {
        if (v.vt == VT_UI8) return Widen(std::to_string(static_cast<std::uint64_t>(v.integer)));
        return Widen(std::to_string(v.integer));
    }
    if (v.vt == VT_R4 || v.vt == VT_R8) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, v.vt == VT_R4 ? "%.7G" : "%.15G", v.real);
        return Widen(buffer);
    }
    if (v.vt == (VT_ARRAY | VT_UI1)) {   // the bytes are the string's UTF-16LE units
        const std::string& data = v.array.data;
        std::u16string out(data.size() / 2, u'\0');
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                           static_cast<unsigned char>(data[2 * i + 1]) << 8);
        return out;
    }
    return std::nullopt;
}

}  // namespace

bool ChangeVariantType(Variant& value, std::uint16_t vt) {
    if (value.vt & VT_BYREF) return false;
    if (value.vt == vt) return true;
    Variant out = EmptyVariant();
    out.vt = vt;

    if (vt == VT_EMPTY) {
        value = out;
        return true;
    }
    if (vt == VT_BSTR) {
        std::optional<std::u16string> text = TextOf(value);
        if (!text) return false;
        out.string = std::move(*text);
    } else if (vt == VT_BOOL) {
        std::optional<double> number = NumberOf(value);
        if (!number) return false;
        out.integer = *number != 0 ? -1 : 0;
    } else if (IsInteger(vt)) {
        std::optional<double> number = NumberOf(value);
        if (!number) return false;
        const double rounded = std::nearbyint(*number);   // half to even in the default mode
        for (const Range& range : kRanges)
            if (range.vt == vt && (rounded < range.low || rounded > range.high)) return false;
        out.integer = vt == VT_UI8 ? static_cast<std::int64_t>(static_cast<std::uint64_t>(rounded))
                                   : static_cast<std::int64_t>(rounded);
    } else if (IsReal(vt)) {
        std::optional<double> number = NumberOf(value);
        if (!number) return false;
        if (vt == VT_R4 && std::fabs(*number) > std::numeric_limits<float>::max()) return false;
        out.real = vt == VT_R4 ? static_cast<double>(static_cast<float>(*number)) : *number;
    } else if (vt == (VT_ARRAY | VT_UI1) && value.vt == VT_BSTR) {
        std::string bytes;
        for (char16_t c : value.string) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
        out = ByteArrayVariant(bytes, 0);
    } else if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN)) {
        out.object = value.object;
    } else {
        return false;
    }
    value = std::move(out);
    return true;
}

}  // namespace clocktool
