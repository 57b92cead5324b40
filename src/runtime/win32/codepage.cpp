#include "runtime/codepage.h"

#include <windows.h>

namespace clocktool {

namespace {
constexpr UINT kGbk = 936;
}

std::u16string GbkToUtf16(const Text& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(kGbk, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(n > 0 ? n : 0, u'\0');
    if (n > 0)
        MultiByteToWideChar(kGbk, 0, text.c_str(), static_cast<int>(text.size()),
                            reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

Text Utf16ToGbk(std::u16string_view text) {
    text = text.substr(0, text.find(u'\0'));
    if (text.empty()) return {};
    auto wide = reinterpret_cast<const wchar_t*>(text.data());
    int n = WideCharToMultiByte(kGbk, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(kGbk, 0, wide, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return Text(std::move(out));
}

}  // namespace clocktool
