// UTF-16 and UTF-8, for the places where texts leave the program as Unicode bytes:
// FLTK's labels and the HTTP wire of the Linux request object.
#pragma once

#include <string>
#include <string_view>

namespace clocktool {

// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 where it is valid; any other byte stands for itself (ISO-8859-1), as header
// bytes usually do.
std::u16string Utf8ToUtf16(std::string_view bytes);

}  // namespace clocktool
