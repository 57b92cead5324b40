#include "web/cookies.h"

#include "textutil/textutil.h"

namespace clocktool {
namespace {

const Text kLineEnd = "\r\n";
const Text kNameEnd = ": ";
const Text kCookieHeader = "Set-Cookie";
const Text kCookiePrefix = "Set-Cookie:";
const Text kPairEnd = ";";
const Text kSeparator = "; ";
const Text kDeleted = "=deleted";
const Text kEquals = "=";

// Trimmed; a text that then ends with ";" gets a blank, so that it ends with the separator.
void TidyCookieText(Text& cookies) {
    cookies = TrimBoth(cookies);
    if (CompareText(TextRight(cookies, 1), kPairEnd) == 0) cookies = ConcatText(cookies, CharFromCode(32));
}

}  // namespace

void CollectResponseCookies(const Text& responseHeaders, Text& responseCookies) {
    TextArray lines = SplitText(responseHeaders, kLineEnd);
    responseCookies = Text();
    for (const Text& line : lines.members()) {
        if (CompareText(TextBefore(line, kNameEnd), kCookieHeader) != 0) continue;
        Text pair = FindText(line, kPairEnd) != -1 ? TextBetween(line, kCookiePrefix, kPairEnd)
                                                   : ReplaceSubtext(line, kCookiePrefix);
        responseCookies = ConcatText(responseCookies, TrimBoth(pair), kSeparator);
    }
    if (CompareText(TextRight(responseCookies, 2), kSeparator) == 0)
        responseCookies = TextLeft(responseCookies, TextLength(responseCookies) - 2);
}

Text CookieNameOf(const Text& item) {
    int equals = FindText(item, kEquals);
    return TrimBoth(equals == -1 ? item : TextLeft(item, equals - 1));
}

bool CookieListHasName(const TextArray& items, const Text& name) {
    for (const Text& item : items.members())
        if (CompareText(CookieNameOf(item), name) == 0) return true;
    return false;
}

Text MergeCookies(Text& oldCookies, Text& newCookies) {
    TidyCookieText(oldCookies);
    TidyCookieText(newCookies);
    TextArray oldItems = SplitText(oldCookies, kSeparator);
    TextArray items = SplitText(newCookies, kSeparator);
    // The list grows during the walk, so of two old items with one name only the first joins.
    for (const Text& item : oldItems.members())
        if (!CookieListHasName(items, CookieNameOf(item))) AppendToArray(items, item);

    oldCookies = Text();
    for (const Text& item : items.members())
        if (CompareText(TextRight(item, 8), kDeleted) != 0) oldCookies = ConcatText(oldCookies, item, kSeparator);
    oldCookies = TextLeft(oldCookies, TextLength(oldCookies) - 2);
    oldCookies = JoinUnique(oldCookies, kSeparator, true);
    return oldCookies;
}

}  // namespace clocktool
