#include "runtime/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace clocktool {

namespace {

// Converts with iconv; a sequence that cannot be converted becomes `replacement`
// in the target and the conversion goes on after one source unit.
std::string Convert(const char* to, const char* from, std::string_view in, std::size_t unit,
                    std::string_view replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(in.size() * 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t done = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + done;
        std::size_t dstLeft = out.size() - done;
        std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        done = out.size() - dstLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else {   // EILSEQ or EINVAL: an unconvertible or cut-off sequence
            if (out.size() - done < replacement.size()) out.resize(out.size() * 2 + replacement.size());
            out.replace(done, replacement.size(), replacement);
            done += replacement.size();
            std::size_t skip = srcLeft < unit ? srcLeft : unit;
            src += skip;
            srcLeft -= skip;
        }
    }
    iconv_close(cd);
    out.resize(done);
    return out;
}

}  // namespace

std::u16string GbkToUtf16(const Text& text) {
    if (text.empty()) return {};
    std::string bytes = Convert("UTF-16LE", "GBK", text.view(), 1, std::string_view("\x3f\x00", 2));
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return out;
}

Text Utf16ToGbk(std::u16string_view text) {
    text = text.substr(0, text.find(u'\0'));
    if (text.empty()) return {};
    std::string in(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        in[2 * i] = static_cast<char>(text[i] & 0xFF);
        in[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return Text(Convert("GBK", "UTF-16LE", in, 2, "?"));
}

}  // namespace clocktool
