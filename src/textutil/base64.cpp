#include "textutil/base64.h"

#include <new>
#include <string>

namespace clocktool {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPad = '=';

}  // namespace

Text Base64Encode(const ByteString& bytes) {
    std::size_t n = bytes.size();
    if (n == 0) return {};
    const unsigned char* in = bytes.data();
    std::string out;
    try {
        out.assign((n + 2) / 3 * 4, kPad);
    } catch (const std::bad_alloc&) {
        OutOfMemory((n + 2) / 3 * 4 + 1);
    }
    char* to = out.data();
    std::size_t whole = n - n % 3;
    for (std::size_t i = 0; i < whole; i += 3, to += 4) {
        unsigned group = (unsigned{in[i]} << 16) | (unsigned{in[i + 1]} << 8) | in[i + 2];
        to[0] = kAlphabet[group >> 18];
        to[1] = kAlphabet[(group >> 12) & 63];
        to[2] = kAlphabet[(group >> 6) & 63];
        to[3] = kAlphabet[group & 63];
    }
    // The last one or two bytes, padded with zero bits; the pad characters stay.
    if (std::size_t rest = n % 3; rest > 0) {
        unsigned group = (unsigned{in[whole]} << 16) | (rest == 2 ? unsigned{in[whole + 1]} << 8 : 0u);
        to[0] = kAlphabet[group >> 18];
        to[1] = kAlphabet[(group >> 12) & 63];
        if (rest == 2) to[2] = kAlphabet[(group >> 6) & 63];
    }
    return Text(std::move(out));
}

}  // namespace clocktool
