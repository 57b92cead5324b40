#include "textutil/textutil.h"

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <unordered_set>

namespace clocktool {

namespace {

// Detail numbers of the index test (the scheme is in runtime/text.h).
constexpr int kJoinUnique = 301;
constexpr int kSplitCharacters = 302;
constexpr int kFindInTextArray = 303;

const char kQuotePlaceholder[] = "#\xD2\xFD\xBA\xC5";   // #引号

constexpr double kEndTolerance = 0.0000001;

Text WithQuotes(const Text& marker) { return ReplaceSubtext(marker, kQuotePlaceholder, "\"", {}, {}, true); }

int ClampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

Text TextBefore(const Text& text, const Text& marker, int start, bool caseInsensitive) {
    long long length = TextLength(text);
    int position;
    if (start < 0) {
        long long n = -static_cast<long long>(start);
        if (n == 1) n = 0;
        position = FindTextReverse(text, marker, ClampToInt(length - n + 1), caseInsensitive);
    } else {
        position = FindText(text, marker, start == 0 ? 1 : start, caseInsensitive);
    }
    if (position == -1) return {};
    return TextLeft(text, position - 1);
}

Text TextBetween(const Text& text, const Text& leftMarker, const Text& rightMarker, int start,
                 bool caseInsensitive) {
    Text left = WithQuotes(leftMarker);
    Text right = WithQuotes(rightMarker);
    int p = FindText(text, left, start, caseInsensitive);
    if (p == -1) return {};
    int q = ClampToInt(static_cast<long long>(p) + TextLength(left));
    int r = FindText(text, right, q, caseInsensitive);
    if (r == -1) return {};
    return TextMid(text, q, r - q);
}

Text JoinUnique(const Text& text, const Text& separator, bool bySeparator) {
    TextArray items;
    if (bySeparator) items = SplitText(text, separator);
    else SplitCharacters(text, items);

    // The items already taken, looked up by hash rather than by walking a list: the
    // result is the same and long inputs stay linear. The views point into `items`,
    // which no longer changes.
    std::unordered_set<std::string_view> seen;
    std::string joined;
    int count = ArraySize(items);
    for (int i = 1; i <= count; ++i) {
        const Text& item = ArrayMember(items, i, kJoinUnique, 1);
        if (!seen.insert(item.view()).second) continue;
        joined += item.view();
        joined += separator.view();
    }
    int keep = static_cast<int>(joined.size()) - TextLength(separator);   // no separator after the last item
    return TextLeft(Text(std::move(joined)), keep);
}

int SplitCharacters(const Text& text, TextArray& characters) {
    characters = TextArray();
    ByteString bytes = ToBytes(text);
    int n = BytesLength(bytes);
    for (int i = 1; i <= n;) {
        int length = 1;
        if ((static_cast<double>(i) + 1) - n > kEndTolerance) {
            length = 1;   // the last byte always stands alone
        } else if (ByteAt(bytes, i, kSplitCharacters, 1) > 0x80) {
            length = 2;   // 0x80 itself is a character of its own here
        } else if (ByteAt(bytes, i, kSplitCharacters, 2) == '\r' && ByteAt(bytes, i + 1, kSplitCharacters, 3) == '\n') {
            length = 2;
        }
        AppendToArray(characters, BytesToText(BytesMid(bytes, i, length)));
        i += length;
    }
    return ArraySize(characters);
}

int FindInTextArray(const TextArray& array, const Text& text) {
    int count = ArraySize(array);
    for (int i = 1; i <= count; ++i) {
        if (CompareText(ArrayMember(array, i, kFindInTextArray, 1), text) == 0) return i;
    }
    return -1;
}

}  // namespace clocktool
