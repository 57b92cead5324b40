#include "web/headers.h"

namespace clocktool {
namespace {

const Text kLineEnd = "\r\n";
const Text kColon = ":";
const Text kDash = "-";
constexpr int kPostMethod = 1;

// The default headers, checked in this order. A row is appended (after a CR LF) when its
// name is found nowhere in the block; the Referer row carries the request URL.
struct DefaultHeader {
    const char* searchedFor;   // found anywhere in the block, ignoring case
    const char* line;          // appended after "\r\n"
    bool appendUrl;
    bool postOnly;
};

constexpr DefaultHeader kDefaultHeaders[] = {
    {"Accept:", "Accept: */*", false, false},
    {"Referer:", "Referer: ", true, false},
    {"Accept-Language:", "Accept-Language: zh-cn", false, false},
    {"User-Agent:", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false, false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", false, true},
};

// The name rebuilt word by word between dashes; the dashes stay where they are.
Text CapitalizeWords(const Text& name) {
    Text result;
    int start = 1;
    for (;;) {
        int dash = FindText(name, kDash, start);
        if (dash == -1) return ConcatText(result, CapitalizeFirst(TextMid(name, start, TextLength(name))));
        result = ConcatText(result, CapitalizeFirst(TextMid(name, start, dash - start)), kDash);
        start = dash + 1;
    }
}

}  // namespace

void AddDefaultHeaders(Text& block, const Text& url, int method) {
    for (const DefaultHeader& row : kDefaultHeaders) {
        if (row.postOnly && method != kPostMethod) continue;
        if (FindText(block, row.searchedFor, {}, true) != -1) continue;
        block = row.appendUrl ? ConcatText(block, kLineEnd, row.line, url) : ConcatText(block, kLineEnd, row.line);
    }
}

Text CapitalizeFirst(const Text& text) {
    return ConcatText(ToUpperCase(TextLeft(text, 1)), TextMid(text, 2, TextLength(text)));
}

Text NormalizeHeaderNames(const Text& block) {
    Text result;
    TextArray lines = SplitText(block, kLineEnd);
    for (const Text& line : lines.members()) {
        int colon = FindText(line, kColon);
        if (colon == -1) continue;
        Text name = CapitalizeWords(TextLeft(line, colon - 1));
        result = ConcatText(result, name, TextMid(line, colon, TextLength(line)), kLineEnd);
    }
    return TextLeft(result, TextLength(result) - 2);
}

Text HeaderNameOf(const Text& line) {
    int colon = FindText(line, kColon);
    if (colon == -1) return Text();
    return TrimBoth(TextLeft(line, colon - 1));
}

Text HeaderValueOf(const Text& line) {
    int colon = FindText(line, kColon);
    if (colon == -1) return Text();
    return TrimBoth(TextRight(line, TextLength(line) - colon));
}

void SendHeaderBlock(ComObject& request, const Text& block) {
    if (FindText(block, kLineEnd) == -1) {
        ObjectCallMethod(request, "SetRequestHeader", {HeaderNameOf(block), HeaderValueOf(block)});
        return;
    }
    TextArray lines = SplitText(block, kLineEnd);
    for (const Text& line : lines.members()) {
        if (line.empty()) continue;
        Text name = HeaderNameOf(line);
        Text value = HeaderValueOf(line);
        // A kept-alive connection is the request object's own business.
        if (CompareText(name, "Connection") == 0 && CompareText(value, "keep-alive") == 0) continue;
        ObjectCallMethod(request, "SetRequestHeader", {name, value});
    }
}

}  // namespace clocktool
