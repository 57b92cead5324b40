#include "runtime/text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "runtime/fatal.h"

namespace clocktool {

namespace {

constexpr int kIndexTooLow = 4;
constexpr int kIndexTooHigh = 1;
const char kIndexTooLowMessage[] =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA"
    "\xB1\xD8\xD0\xEB\xB4\xF3\xD3\xDA\xB5\xC8\xD3\xDA" "1";  // 数组成员引用下标必须大于等于1
const char kIndexTooHighMessage[] =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA"
    "\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5\xB7\xB6\xCE\xA7";       // 数组成员引用下标超出定义范围
const char kModuloByZeroMessage[] =
    "\xB2\xBB\xC4\xDC\xC7\xF3\xD3\xE0\xCA\xFD\xD3\xDA\xC1\xE3";  // 不能求余数于零
const char kAllocationFailedBefore[] = "\xB7\xD6\xC5\xE4 ";             // "分配 "
const char kAllocationFailedAfter[] =
    " \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!";                  // " 字节内存失败!"

bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

unsigned char FoldCase(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// Compares subtext with the bytes at `at`; the caller has checked that enough remain.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view subtext, bool ignoreCase) {
    for (std::size_t i = 0; i < subtext.size(); ++i) {
        auto a = static_cast<unsigned char>(text[at + i]);
        auto b = static_cast<unsigned char>(subtext[i]);
        if (ignoreCase ? FoldCase(a) != FoldCase(b) : a != b) return false;
    }
    return true;
}

// One step of the character walk from `at`: two bytes after a lead byte, else one.
std::size_t StepAt(std::string_view text, std::size_t at) {
    return IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
}

// A lead byte that is the last byte of the text is no character: the walk ends there.
bool IsStrayLeadAt(std::string_view text, std::size_t at) {
    return at + 1 == text.size() && IsLeadByte(static_cast<unsigned char>(text[at]));
}

// Builds a string of `size` bytes' room, ending the program if memory runs out.
std::string ReserveBytes(std::size_t size) {
    std::string bytes;
    try {
        bytes.reserve(size);
    } catch (const std::bad_alloc&) {
        OutOfMemory(size + 1);
    }
    return bytes;
}

void Append(std::string& to, std::string_view bytes) {
    if (to.size() + bytes.size() > to.capacity()) {
        std::size_t wanted = std::max(to.size() + bytes.size(), to.capacity() * 2);
        try {
            to.reserve(wanted);
        } catch (const std::bad_alloc&) {
            OutOfMemory(wanted + 1);
        }
    }
    to.append(bytes);
}

void AppendMember(std::vector<Text>& members, Text&& member) {
    if (members.size() == members.capacity()) {
        std::size_t wanted = std::max<std::size_t>(4, members.capacity() * 2);
        try {
            members.reserve(wanted);
        } catch (const std::bad_alloc&) {
            OutOfMemory(wanted * sizeof(Text));
        }
    }
    members.push_back(std::move(member));
}

std::string CopyBytes(std::string_view bytes) {
    std::string copy = ReserveBytes(bytes.size());
    copy.assign(bytes);
    return copy;
}

[[noreturn]] void IndexError(int index, int detail1, int detail2) {
    if (index < 1) FatalError(kIndexTooLowMessage, kIndexTooLow, detail1, detail2);
    FatalError(kIndexTooHighMessage, kIndexTooHigh, detail1, detail2);
}

}  // namespace

// --- values ---

Text::Text(const char* bytes) : bytes_(CopyBytes(bytes ? std::string_view(bytes) : std::string_view())) {}

Text::Text(std::string_view bytes) : bytes_(CopyBytes(bytes.substr(0, bytes.find('\0')))) {}

Text::Text(std::string&& bytes) : bytes_(std::move(bytes)) {
    if (auto zero = bytes_.find('\0'); zero != std::string::npos) bytes_.resize(zero);
}

Text::Text(const Text& other) : bytes_(CopyBytes(other.bytes_)) {}

Text& Text::operator=(const Text& other) {
    if (this != &other) bytes_ = CopyBytes(other.bytes_);
    return *this;
}

ByteString::ByteString(std::string_view bytes) : bytes_(CopyBytes(bytes)) {}

ByteString::ByteString(const ByteString& other) : bytes_(CopyBytes(other.bytes_)) {}

ByteString& ByteString::operator=(const ByteString& other) {
    if (this != &other) bytes_ = CopyBytes(other.bytes_);
    return *this;
}

void OutOfMemory(std::size_t bytes) {
    std::string message = kAllocationFailedBefore;
    message += std::to_string(bytes);
    message += kAllocationFailedAfter;
    FatalError(Text(std::move(message)), 0, 0, 0);
}

// --- text operations ---

int TextLength(const Text& text) { return static_cast<int>(text.size()); }

Text TextLeft(const Text& text, int n) {
    if (n <= 0) return {};
    return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text TextRight(const Text& text, int n) {
    if (n <= 0) return {};
    std::size_t keep = std::min(text.size(), static_cast<std::size_t>(n));
    return Text(text.view().substr(text.size() - keep));
}

Text TextMid(const Text& text, int start, int n) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
    return Text(text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

int FindText(const Text& text, const Text& subtext, std::optional<int> start, bool caseInsensitive) {
    std::string_view t = text.view(), sub = subtext.view();
    std::size_t from = (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
    if (from >= t.size()) return -1;
    if (sub.empty()) return 1;
    for (std::size_t at = from; at < t.size() && t.size() - at >= sub.size(); at += StepAt(t, at)) {
        if (IsStrayLeadAt(t, at)) break;
        if (MatchesAt(t, at, sub, caseInsensitive)) return static_cast<int>(at + 1);
    }
    return -1;
}

int FindTextReverse(const Text& text, const Text& subtext, std::optional<int> start, bool caseInsensitive) {
    std::string_view t = text.view(), sub = subtext.view();
    std::size_t region = t.size();
    if (start) region = *start <= 1 ? 0 : std::min(region, static_cast<std::size_t>(*start) - 1);
    if (region == 0) return -1;
    if (sub.empty()) return 1;
    int last = -1;
    for (std::size_t at = 0; at < region && region - at >= sub.size(); at += StepAt(t, at)) {
        if (IsStrayLeadAt(t, at)) break;
        if (MatchesAt(t, at, sub, caseInsensitive)) last = static_cast<int>(at + 1);
    }
    return last;
}

Text TrimBoth(const Text& text) {
    std::string_view t = text.view();
    auto byte = [&](std::size_t at) { return at < t.size() ? static_cast<unsigned char>(t[at]) : 0; };
    std::size_t begin = 0;
    for (;;) {
        if (byte(begin) == ' ') begin += 1;
        else if (byte(begin) == 0xA1 && byte(begin + 1) == 0xA1) begin += 2;
        else break;
    }
    // The end is found by walking forward, so that a blank is recognised only where a
    // character starts; `end` follows the last character that is not a blank.
    std::size_t end = begin;
    for (std::size_t at = begin; at < t.size();) {
        if (IsStrayLeadAt(t, at)) break;
        bool blank = byte(at) == ' ' || (byte(at) == 0xA1 && byte(at + 1) == 0xA1);
        at += StepAt(t, at);
        if (!blank) end = at;
    }
    return Text(t.substr(begin, end - begin));
}

Text ReplaceSubtext(const Text& text, const Text& subtext, const Text& replacement,
                    std::optional<int> start, std::optional<int> count, bool caseSensitive) {
    std::string_view t = text.view(), sub = subtext.view(), with = replacement.view();
    std::size_t from = (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
    long long left = (count && *count >= 0) ? *count : -1;   // -1: no limit
    if (t.empty() || sub.empty() || from >= t.size() || left == 0) return text;

    std::string out = ReserveBytes(t.size());
    Append(out, t.substr(0, from));
    std::size_t at = from;
    while (at < t.size()) {
        if (left == 0 || t.size() - at < sub.size()) {
            Append(out, t.substr(at));
            break;
        }
        if (IsStrayLeadAt(t, at)) break;   // dropped
        if (MatchesAt(t, at, sub, !caseSensitive)) {
            Append(out, with);
            at += sub.size();
            if (left > 0) --left;
            continue;
        }
        std::size_t step = StepAt(t, at);
        Append(out, t.substr(at, step));
        at += step;
    }
    return Text(std::move(out));
}

TextArray SplitText(const Text& text, const Text& separator, std::optional<int> maxCount) {
    std::string_view t = text.view(), sep = separator.view();
    long long limit = maxCount ? std::max(*maxCount, 0) : -1;   // -1: no limit
    TextArray pieces;
    if (t.empty() || limit == 0) return pieces;
    auto& members = pieces.members();
    if (sep.empty()) {
        AppendMember(members, Text(text));
        return pieces;
    }
    std::size_t pieceStart = 0, at = 0;
    while (at < t.size() && t.size() - at >= sep.size()) {
        if (IsStrayLeadAt(t, at)) break;
        if (MatchesAt(t, at, sep, false)) {
            AppendMember(members, Text(t.substr(pieceStart, at - pieceStart)));
            at += sep.size();
            pieceStart = at;
            if (limit > 0 && static_cast<long long>(members.size()) == limit) return pieces;
            continue;
        }
        at += StepAt(t, at);
    }
    if (pieceStart < t.size()) AppendMember(members, Text(t.substr(pieceStart)));
    return pieces;
}

Text ToUpperCase(const Text& text) {
    std::string out = CopyBytes(text.view());
    for (std::size_t at = 0; at < out.size();) {
        auto byte = static_cast<unsigned char>(out[at]);
        if (byte >= 'a' && byte <= 'z') out[at] = static_cast<char>(byte - 'a' + 'A');
        at += IsLeadByte(byte) ? 2 : 1;
    }
    return Text(std::move(out));
}

int CharCode(const Text& text, std::optional<int> position) {
    int at = position.value_or(1);
    if (at < 1 || static_cast<std::size_t>(at) > text.size()) return 0;
    return static_cast<signed char>(text.view()[static_cast<std::size_t>(at) - 1]);
}

Text CharFromCode(int code) {
    char byte = static_cast<char>(code & 0xFF);
    return Text(std::string_view(&byte, 1));   // byte 0 gives the empty text
}

int CompareText(const Text& a, const Text& b) {
    int order = a.view().compare(b.view());   // char_traits<char> compares as unsigned char
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

namespace detail {

Text JoinTexts(std::initializer_list<const Text*> texts) {
    std::size_t total = 0;
    for (const Text* text : texts) total += text->size();
    std::string out = ReserveBytes(total);
    for (const Text* text : texts) out += text->view();
    return Text(std::move(out));
}

ByteString JoinBytes(std::initializer_list<const ByteString*> parts) {
    std::size_t total = 0;
    for (const ByteString* part : parts) total += part->size();
    std::string out = ReserveBytes(total);
    for (const ByteString* part : parts) out += part->view();
    return ByteString(std::move(out));
}

}  // namespace detail

// --- byte-string operations ---

ByteString ToBytes(const Text& text) { return ByteString(text.view()); }

Text BytesToText(const ByteString& bytes) { return Text(bytes.view()); }

int BytesLength(const ByteString& bytes) { return static_cast<int>(bytes.size()); }

ByteString BytesMid(const ByteString& bytes, int start, int n) {
    long long begin = std::clamp<long long>(static_cast<long long>(start) - 1, 0, static_cast<long long>(bytes.size()));
    if (n <= 0) return {};
    return ByteString(bytes.view().substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(n)));
}

ByteString BlankBytes(int n) {
    if (n <= 0) return {};
    std::string zeros = ReserveBytes(static_cast<std::size_t>(n));
    zeros.resize(static_cast<std::size_t>(n), '\0');
    return ByteString(std::move(zeros));
}

bool CompareBytes(const ByteString& a, const ByteString& b) { return a.view() == b.view(); }

std::uint8_t ToByte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

// --- array operations ---

int ArraySize(const TextArray& array) { return static_cast<int>(array.members().size()); }

void AppendToArray(TextArray& array, const Text& text) { AppendMember(array.members(), Text(text)); }

const Text& ArrayMember(const TextArray& array, int index, int detail1, int detail2) {
    if (index < 1 || static_cast<std::size_t>(index) > array.members().size()) IndexError(index, detail1, detail2);
    return array.members()[static_cast<std::size_t>(index) - 1];
}

Text& ArrayMember(TextArray& array, int index, int detail1, int detail2) {
    if (index < 1 || static_cast<std::size_t>(index) > array.members().size()) IndexError(index, detail1, detail2);
    return array.members()[static_cast<std::size_t>(index) - 1];
}

std::uint8_t ByteAt(const ByteString& bytes, int index, int detail1, int detail2) {
    if (index < 1 || static_cast<std::size_t>(index) > bytes.size()) IndexError(index, detail1, detail2);
    return bytes.data()[static_cast<std::size_t>(index) - 1];
}

// --- number operations ---

double Modulo(double a, double b) {
    if (b == 0) FatalError(kModuloByZeroMessage, 0, 0, 0);
    return std::fmod(a, b);   // the sign of a
}

std::int32_t ShiftLeft(std::int32_t value, int n) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << (n & 31));
}

std::int32_t ShiftRight(std::int32_t value, int n) { return value >> (n & 31); }   // arithmetic in C++20

std::int32_t BitAnd(std::int32_t a, std::int32_t b) { return a & b; }

}  // namespace clocktool
