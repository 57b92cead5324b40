// Text, byte-string and array values and their primitive operations.
//
// A Text is a run of non-zero bytes in the GBK code page (code page 936); the empty
// and the absent text are one value. Positions and lengths count bytes from 1, and
// -1 means "not found". A byte of 0x80 or more starts a two-byte character: the
// operations that step through a text move over such a character in one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace clocktool {

class Text {
public:
    Text() = default;
    Text(const char* bytes);                 // up to the terminating zero
    Text(std::string_view bytes);            // stops at the first zero byte
    explicit Text(std::string&& bytes);      // stops at the first zero byte
    Text(const Text& other);                 // copies end the program when memory runs out
    Text& operator=(const Text& other);
    Text(Text&&) noexcept = default;
    Text& operator=(Text&&) noexcept = default;

    const std::string& bytes() const { return bytes_; }
    std::string_view view() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }

    friend bool operator==(const Text&, const Text&) = default;

private:
    // The operations build their results from the bytes of other texts, which hold no
    // zero byte already: they skip the search for one.
    struct ZeroFree {};
    Text(std::string&& bytes, ZeroFree) noexcept : bytes_(std::move(bytes)) {}
    friend struct TextParts;

    std::string bytes_;
};

// A counted block of bytes of any value, zero included; absent means empty.
class ByteString {
public:
    ByteString() = default;
    explicit ByteString(const char* bytes) : ByteString(std::string_view(bytes ? bytes : "")) {}
    explicit ByteString(std::string_view bytes);
    explicit ByteString(std::string&& bytes) : bytes_(std::move(bytes)) {}
    ByteString(const ByteString& other);
    ByteString& operator=(const ByteString& other);
    ByteString(ByteString&&) noexcept = default;
    ByteString& operator=(ByteString&&) noexcept = default;

    const std::string& bytes() const { return bytes_; }
    std::string_view view() const { return bytes_; }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(bytes_.data()); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }

    friend bool operator==(const ByteString&, const ByteString&) = default;

private:
    std::string bytes_;
};

// A one-dimensional array of texts, members numbered from 1. A fresh array is empty.
class TextArray {
public:
    TextArray() = default;
    TextArray(std::initializer_list<Text> members) : members_(members) {}

    const std::vector<Text>& members() const { return members_; }
    std::vector<Text>& members() { return members_; }

    friend bool operator==(const TextArray&, const TextArray&) = default;

private:
    std::vector<Text> members_;
};

// --- Text operations ---
// Cuts clip to the text: TextLeft/TextRight give min(n, length) bytes, TextMid gives
// min(n, length - start + 1) bytes from byte start; empty for n <= 0 or start outside.
int TextLength(const Text& text);
Text TextLeft(const Text& text, int n);
Text TextRight(const Text& text, int n);
Text TextMid(const Text& text, int start, int n);
// The first occurrence at or after byte start (none or <= 1: the whole text). An empty
// subtext gives 1 while the searched region holds a byte. caseInsensitive folds only
// the ASCII letters (trail bytes too). Matches start only where a character starts.
int FindText(const Text& text, const Text& subtext, std::optional<int> start = {}, bool caseInsensitive = false);
// The last occurrence that ends before byte start (none: the whole text; <= 1: none),
// on a character boundary counted from byte 1.
int FindTextReverse(const Text& text, const Text& subtext, std::optional<int> start = {}, bool caseInsensitive = false);
// Without leading and trailing spaces and ideographic spaces (A1 A1); a lead byte that
// is the last byte goes too. Tabs, CR and LF stay.
Text TrimBoth(const Text& text);
// Replaces up to count occurrences (none or negative: all) from byte start on, left to
// right, never overlapping. caseSensitive false folds the ASCII letters.
Text ReplaceSubtext(const Text& text, const Text& subtext, const Text& replacement = {},
                    std::optional<int> start = {}, std::optional<int> count = {}, bool caseSensitive = false);
// The pieces between separators (exact match), at most maxCount of them (negative: 0).
// Empty pieces stay, except after a separator at the very end. An empty separator gives
// the whole text as one piece; an empty text gives no pieces.
TextArray SplitText(const Text& text, const Text& separator = ",", std::optional<int> maxCount = {});
Text ToUpperCase(const Text& text);   // single-byte a-z only
int CharCode(const Text& text, std::optional<int> position = {});   // signed byte; 0 outside the text
Text CharFromCode(int code);          // the low 8 bits; 0 gives the empty text
template <typename... Texts>
Text ConcatText(const Text& first, const Texts&... rest);
int CompareText(const Text& a, const Text& b);   // -1, 0 or 1; bytes compared unsigned
// Equal bytes, the ASCII letters compared without case (as every case-insensitive
// comparison of the program does); for names such as header, member and month names.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// --- Byte-string operations ---
ByteString ToBytes(const Text& text);
Text BytesToText(const ByteString& bytes);   // up to the first zero byte
int BytesLength(const ByteString& bytes);
// At most n bytes from byte start (start below 1 counts as 1), no further than the end.
ByteString BytesMid(const ByteString& bytes, int start, int n);
ByteString BlankBytes(int n);
template <typename... Bytes>
ByteString ConcatBytes(const ByteString& first, const Bytes&... rest);
bool CompareBytes(const ByteString& a, const ByteString& b);
std::uint8_t ToByte(std::int32_t value);

// --- Array operations ---
// Member access goes through the index test: index < 1 ends the program with error
// code 4 ("数组成员引用下标必须大于等于1"), index > count with code 1
// ("数组成员引用下标超出定义范围"). A byte of a ByteString is member i of a
// one-dimensional array of bytes and is tested in the same way.
//
// Detail numbers: every access in the code base passes its own pair, so that an error
// box points to one place. detail1 is the routine's number, detail2 the access's number
// within that routine, counted from 1 in the order of the source. Routine numbers are
// given out in blocks of one hundred by folder:
//   100-199 app, 200-299 web, 300-399 textutil, 400-499 runtime.
// Numbers in use:
//   301 JoinUnique (1: member i of items)
//   302 SplitCharacters (1: byte i for a lead byte, 2: byte i for CR, 3: byte i + 1 for LF)
//   303 FindInTextArray (1: member i of array)
// Keep this list up to date when a routine gains an access.
int ArraySize(const TextArray& array);
void AppendToArray(TextArray& array, const Text& text);   // the only operation that changes an argument
const Text& ArrayMember(const TextArray& array, int index, int detail1, int detail2);
Text& ArrayMember(TextArray& array, int index, int detail1, int detail2);
std::uint8_t ByteAt(const ByteString& bytes, int index, int detail1, int detail2);

// --- Number operations ---
double Modulo(double a, double b);   // b == 0 ends the program: "不能求余数于零"
// Counts run from 0 to 31; a count outside that range is taken modulo 32, as the
// processor's shift instructions do.
std::int32_t ShiftLeft(std::int32_t value, int n);
std::int32_t ShiftRight(std::int32_t value, int n);   // copies the sign bit
std::int32_t BitAnd(std::int32_t a, std::int32_t b);

// Ends the program when memory runs out: "分配 %d 字节内存失败!" with the number of
// bytes asked for, no error code, detail numbers 0 and 0. The operations above call it
// when they cannot allocate the value they build.
[[noreturn]] void OutOfMemory(std::size_t bytes);

// --- implementation of the variadic joins ---
namespace detail {
Text JoinTexts(std::initializer_list<const Text*> texts);
ByteString JoinBytes(std::initializer_list<const ByteString*> parts);
}

template <typename... Texts>
Text ConcatText(const Text& first, const Texts&... rest) {
    return detail::JoinTexts({&first, &static_cast<const Text&>(rest)...});
}

template <typename... Bytes>
ByteString ConcatBytes(const ByteString& first, const Bytes&... rest) {
    return detail::JoinBytes({&first, &static_cast<const ByteString&>(rest)...});
}

}  // namespace clocktool
