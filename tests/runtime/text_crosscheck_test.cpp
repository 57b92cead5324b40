// The searching operations find candidates fast and then check the character walk
// from the last known boundary. Here they are compared on random GBK-like texts with a
// plain walk that steps one character at a time, as the rules are written.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/text.h"

namespace clocktool {
namespace {

namespace reference {

bool Lead(std::string_view t, std::size_t at) { return static_cast<unsigned char>(t[at]) >= 0x80; }
std::size_t Step(std::string_view t, std::size_t at) { return Lead(t, at) ? 2 : 1; }
bool StrayLead(std::string_view t, std::size_t at) { return at + 1 == t.size() && Lead(t, at); }

unsigned char Fold(unsigned char b) { return (b >= 'a' && b <= 'z') ? b - 'a' + 'A' : b; }

bool MatchesAt(std::string_view t, std::size_t at, std::string_view sub, bool ignoreCase) {
    for (std::size_t i = 0; i < sub.size(); ++i) {
        auto a = static_cast<unsigned char>(t[at + i]), b = static_cast<unsigned char>(sub[i]);
        if (ignoreCase ? Fold(a) != Fold(b) : a != b) return false;
    }
    return true;
}

int Find(std::string_view t, std::string_view sub, std::optional<int> start, bool ignoreCase) {
    std::size_t from = (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
    if (from >= t.size()) return -1;
    if (sub.empty()) return 1;
    for (std::size_t at = from; at < t.size() && t.size() - at >= sub.size(); at += Step(t, at)) {
        if (StrayLead(t, at)) break;
        if (MatchesAt(t, at, sub, ignoreCase)) return static_cast<int>(at + 1);
    }
    return -1;
}

int FindReverse(std::string_view t, std::string_view sub, std::optional<int> start, bool ignoreCase) {
    std::size_t region = t.size();
    if (start) region = *start <= 1 ? 0 : std::min(region, static_cast<std::size_t>(*start) - 1);
    if (region == 0) return -1;
    if (sub.empty()) return 1;
    int last = -1;
    for (std::size_t at = 0; at < region && region - at >= sub.size(); at += Step(t, at)) {
        if (StrayLead(t, at)) break;
        if (MatchesAt(t, at, sub, ignoreCase)) last = static_cast<int>(at + 1);
    }
    return last;
}

std::string Trim(std::string_view t) {
    auto byte = [&](std::size_t at) { return at < t.size() ? static_cast<unsigned char>(t[at]) : 0; };
    std::size_t begin = 0;
    for (;;) {
        if (byte(begin) == ' ') begin += 1;
        else if (byte(begin) == 0xA1 && byte(begin + 1) == 0xA1) begin += 2;
        else break;
    }
    std::size_t end = begin;
    for (std::size_t at = begin; at < t.size();) {
        if (StrayLead(t, at)) break;
        bool blank = byte(at) == ' ' || (byte(at) == 0xA1 && byte(at + 1) == 0xA1);
        at += Step(t, at);
        if (!blank) end = at;
    }
    return std::string(t.substr(begin, end - begin));
}

std::string Replace(std::string_view t, std::string_view sub, std::string_view with,
                    std::optional<int> start, std::optional<int> count, bool caseSensitive) {
    std::size_t from = (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
    long long left = (count && *count >= 0) ? *count : -1;
    if (t.empty() || sub.empty() || from >= t.size() || left == 0) return std::string(t);
    std::string out(t.substr(0, from));
    for (std::size_t at = from; at < t.size();) {
        if (left == 0 || t.size() - at < sub.size()) {
            out += t.substr(at);
            break;
        }
        if (StrayLead(t, at)) break;
        if (MatchesAt(t, at, sub, !caseSensitive)) {
            out += with;
            at += sub.size();
            if (left > 0) --left;
            continue;
        }
        out += t.substr(at, Step(t, at));
        at += Step(t, at);
    }
    return out;
}

std::vector<std::string> Split(std::string_view t, std::string_view sep, std::optional<int> maxCount) {
    long long limit = maxCount ? std::max(*maxCount, 0) : -1;
    std::vector<std::string> pieces;
    if (t.empty() || limit == 0) return pieces;
    if (sep.empty()) return {std::string(t)};
    std::size_t pieceStart = 0, at = 0;
    while (at < t.size() && t.size() - at >= sep.size()) {
        if (StrayLead(t, at)) break;
        if (MatchesAt(t, at, sep, false)) {
            pieces.emplace_back(t.substr(pieceStart, at - pieceStart));
            at += sep.size();
            pieceStart = at;
            if (limit > 0 && static_cast<long long>(pieces.size()) == limit) return pieces;
            continue;
        }
        at += Step(t, at);
    }
    if (pieceStart < t.size()) pieces.emplace_back(t.substr(pieceStart));
    return pieces;
}

}  // namespace reference

std::vector<std::string> Pieces(const TextArray& array) {
    std::vector<std::string> pieces;
    for (const Text& member : array.members()) pieces.push_back(member.bytes());
    return pieces;
}

// Texts from a few bytes that make trouble: letters in both cases, blanks, the lead
// bytes A1 and B0, and 'A' and ',' that also serve as trail bytes. Some texts repeat a
// short unit, so that subtexts match in many overlapping places.
class Inputs {
public:
    explicit Inputs(unsigned seed) : random_(seed) {}

    std::string Text(std::size_t maxLength) {
        static const char kBytes[] = {'a', 'A', 'b', 'B', ' ', ',', '\r', '\xA1', '\xA1', '\xB0', '\xB0', '\x80'};
        std::size_t length = Below(maxLength + 1);
        if (Below(3) == 0 && length > 0) {
            std::string unit;
            for (std::size_t i = 1 + Below(4); i > 0; --i) unit += kBytes[Below(sizeof kBytes)];
            std::string text;
            while (text.size() < length) text += unit;
            for (std::size_t k = Below(3); k > 0; --k) text[Below(text.size())] = kBytes[Below(sizeof kBytes)];
            return text;
        }
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += kBytes[Below(sizeof kBytes)];
        return text;
    }

    // Mostly a piece of the text (so that it matches somewhere), sometimes anything.
    std::string Subtext(const std::string& text, std::size_t maxLength) {
        if (Below(4) == 0 || text.empty()) return Text(Below(maxLength + 1));
        std::size_t at = Below(text.size());
        std::string sub = text.substr(at, 1 + Below(maxLength));
        if (Below(4) == 0) sub.back() = (sub.back() == 'a') ? 'A' : 'a';
        return sub;
    }

    std::optional<int> Position(std::size_t length) {
        if (Below(3) == 0) return std::nullopt;
        return static_cast<int>(Below(length + 4)) - 1;
    }

    bool Flag() { return Below(2) == 0; }
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : random_() % n; }

private:
    std::mt19937 random_;
};

std::string Show(const std::string& bytes) {
    std::string shown;
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F) shown += static_cast<char>(byte);
        else shown += "\\x" + std::string(1, "0123456789ABCDEF"[byte >> 4]) + "0123456789ABCDEF"[byte & 15];
    }
    return "'" + shown + "'";
}

std::string Show(std::optional<int> value) { return value ? std::to_string(*value) : "none"; }

struct Sizes {
    std::size_t text, subtext;
    int rounds;
};

// Short texts reach every corner; long periodic ones drive the searches into their
// fallbacks for texts full of near misses.
const Sizes kSizes[] = {{12, 4, 20000}, {64, 8, 5000}, {3000, 80, 150}, {20000, 400, 60}};

struct Case {
    std::string text, subtext, replacement;
    std::optional<int> start, count, maxCount;
    bool flag;
};

void ExpectSameAsThePlainWalk(const Case& c) {
    SCOPED_TRACE("text " + Show(c.text) + " subtext " + Show(c.subtext) + " start " + Show(c.start) + " flag " +
                 (c.flag ? "true" : "false") + " count " + Show(c.count) + " replacement " + Show(c.replacement) +
                 " maxCount " + Show(c.maxCount));
    const Text t(c.text), sub(c.subtext);
    EXPECT_EQ(FindText(t, sub, c.start, c.flag), reference::Find(c.text, c.subtext, c.start, c.flag));
    EXPECT_EQ(FindTextReverse(t, sub, c.start, c.flag), reference::FindReverse(c.text, c.subtext, c.start, c.flag));
    EXPECT_EQ(ReplaceSubtext(t, sub, Text(c.replacement), c.start, c.count, c.flag).bytes(),
              reference::Replace(c.text, c.subtext, c.replacement, c.start, c.count, c.flag));
    EXPECT_EQ(Pieces(SplitText(t, sub, c.maxCount)), reference::Split(c.text, c.subtext, c.maxCount));
    EXPECT_EQ(TrimBoth(t).bytes(), reference::Trim(c.text));
}

TEST(FastSearch, AgreesWithThePlainWalk) {
    Inputs in(12345);
    for (const Sizes& size : kSizes) {
        for (int round = 0; round < size.rounds && !HasFailure(); ++round) {
            Case c;
            c.text = in.Text(size.text);
            c.subtext = in.Subtext(c.text, size.subtext);
            c.start = in.Position(c.text.size());
            c.flag = in.Flag();
            c.count = in.Position(4);
            c.replacement = in.Text(3);
            c.maxCount = in.Below(4) == 0 ? in.Position(6) : std::nullopt;
            ExpectSameAsThePlainWalk(c);
        }
    }
}

// A text that repeats a short unit, and a long subtext cut from it whose last byte may
// differ (or the one before): every candidate then matches almost to its end, which is what makes the
// searches leave memchr for their linear fallbacks.
TEST(FastSearch, AgreesOnTextsFullOfNearMisses) {
    Inputs in(4242);
    const char kBytes[] = {'a', 'A', ',', '\xB0', '\xA1', ' '};
    for (int round = 0; round < 300 && !HasFailure(); ++round) {
        std::string unit;
        for (std::size_t i = 1 + in.Below(3); i > 0; --i) unit += kBytes[in.Below(sizeof kBytes)];
        Case c;
        while (c.text.size() < 6000) c.text += unit;
        if (in.Flag()) c.text[in.Below(c.text.size())] = kBytes[in.Below(sizeof kBytes)];
        c.subtext = c.text.substr(in.Below(8), 40 + in.Below(200));
        if (in.Flag()) c.subtext.back() = kBytes[in.Below(sizeof kBytes)];
        else if (in.Flag()) c.subtext[c.subtext.size() - 2] = kBytes[in.Below(sizeof kBytes)];
        c.start = in.Position(c.text.size());
        c.flag = in.Flag();
        c.count = in.Position(4);
        c.replacement = "r";
        ExpectSameAsThePlainWalk(c);
    }
}

// After many near misses the search runs on its linear fallback; an occurrence that
// starts on a trail byte is then followed by one that overlaps it and does count.
TEST(FastSearch, FindsAnOverlappingOccurrenceAfterARejectedOne) {
    std::string nearMisses;
    for (int i = 0; i < 200; ++i) nearMisses += std::string(39, 'A') + "b";
    const std::string text = nearMisses + "\xB0" + std::string(60, 'A');
    for (bool flag : {false, true}) {
        ExpectSameAsThePlainWalk({text, std::string(40, 'A'), "r", std::nullopt, std::nullopt, std::nullopt, flag});
        ExpectSameAsThePlainWalk({text, std::string(40, 'A'), "r", std::nullopt, 1, std::nullopt, flag});
    }
    EXPECT_EQ(FindText(Text(text), Text(std::string(40, 'A'))), static_cast<int>(nearMisses.size()) + 3);
}

// Blanks of both kinds around texts of lead bytes, where a trailing space or A1 A1 may
// be the second half of a character.
TEST(FastSearch, TrimAgreesOnBlankHeavyTexts) {
    Inputs in(777);
    const char kBytes[] = {' ', ' ', '\xA1', '\xA1', '\xA1', '\xB0', 'x'};
    for (int round = 0; round < 20000; ++round) {
        std::string t;
        for (std::size_t i = in.Below(14); i > 0; --i) t += kBytes[in.Below(sizeof kBytes)];
        SCOPED_TRACE("text " + Show(t));
        ASSERT_EQ(TrimBoth(Text(t)).bytes(), reference::Trim(t));
    }
}

}  // namespace
}  // namespace clocktool
