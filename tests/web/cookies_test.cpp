#include "web/cookies.h"

#include <gtest/gtest.h>

namespace clocktool {
namespace {

TEST(CollectResponseCookies, TakesThePairOfEachExactSetCookieLine) {
    Text headers =
        "HTTP/1.1 200 OK\r\n"
        "Set-Cookie: sid=abc; path=/; HttpOnly\r\n"
        "Set-Cookie: lang=en\r\n"
        "set-cookie: x=1\r\n"
        "Set-Cookie:y=2\r\n"
        "Content-Length: 0\r\n"
        "\r\n";
    Text cookies = "old=1";   // replaced, not extended
    CollectResponseCookies(headers, cookies);
    EXPECT_EQ(cookies.bytes(), "sid=abc; lang=en");
}

TEST(CollectResponseCookies, EdgeCases) {
    const struct { const char* headers; const char* cookies; } cases[] = {
        {"", ""},
        {"Content-Type: text/html\r\n", ""},
        {"Set-Cookie: ;x", ""},                                    // one empty pair
        {"Set-Cookie: ;x\r\nSet-Cookie: a=1", "; a=1"},
        {"Set-Cookie: a=1\r\nSet-Cookie: a=2; Path=/", "a=1; a=2"},  // repeats both reach the text
        {"Set-Cookie: sid=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT", "sid=deleted"},
        {"Set-Cookie:  spaced = v ;", "spaced = v"},
        {"Set-Cookie: a=1\nSet-Cookie: b=2", "a=1\n b=2"},   // a bare LF ends no line
    };
    for (const auto& c : cases) {
        Text cookies;
        CollectResponseCookies(c.headers, cookies);
        EXPECT_EQ(cookies.bytes(), c.cookies) << c.headers;
    }
}

TEST(CookieNameOf, IsTheTrimmedTextBeforeTheFirstEquals) {
    EXPECT_EQ(CookieNameOf(" a = 1").bytes(), "a");
    EXPECT_EQ(CookieNameOf("a=b=c").bytes(), "a");
    EXPECT_EQ(CookieNameOf(" flag ").bytes(), "flag");
    EXPECT_EQ(CookieNameOf("=v").bytes(), "");
    EXPECT_EQ(CookieNameOf("").bytes(), "");
}

TEST(CookieListHasName, ComparesNamesExactly) {
    TextArray items{"a=1", " SID = 2", "flag"};
    EXPECT_TRUE(CookieListHasName(items, "a"));
    EXPECT_TRUE(CookieListHasName(items, "SID"));
    EXPECT_TRUE(CookieListHasName(items, "flag"));
    EXPECT_FALSE(CookieListHasName(items, "sid"));
    EXPECT_FALSE(CookieListHasName(TextArray(), ""));
}

struct MergeCase {
    const char* oldText;
    const char* newText;
    const char* merged;
};

class MergeCookiesTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, NewItemsThenOldItemsNotNamedAmongThem) {
    Text oldText = GetParam().oldText;
    Text newText = GetParam().newText;
    Text merged = MergeCookies(oldText, newText);
    EXPECT_EQ(merged.bytes(), GetParam().merged);
    EXPECT_EQ(oldText.bytes(), GetParam().merged);   // also stored into the old text
}

INSTANTIATE_TEST_SUITE_P(
    Examples, MergeCookiesTest,
    ::testing::Values(MergeCase{"a=1; b=2; c=3", "b=5; c=deleted; d=4", "b=5; d=4; a=1"},
                      MergeCase{"sid=abc; u=1", "sid=deleted", "u=1"},
                      MergeCase{" x=1; x=2;", "y=3; y=3", "y=3; x=1"},
                      MergeCase{"lang=zh; t=9", "sid=abc; lang=en", "sid=abc; lang=en; t=9"},
                      MergeCase{"a=1", "", "a=1"},
                      MergeCase{"", "", ""},
                      // Distinct texts with one name both stay; only exact repeats go.
                      MergeCase{"", "a=1; a=2", "a=1; a=2"},
                      MergeCase{"sid=1", "sid=DELETED", "sid=DELETED"},   // the ending is compared exactly
                      MergeCase{"SID=1", "sid=2", "sid=2; SID=1"},       // names compare with case
                      MergeCase{"a=1;b=2", "c=3", "c=3; a=1;b=2"},       // no blank: one item named "a"
                      MergeCase{"a=1; ", "b=2;", "b=2; a=1"},            // a caller's trailing separator
                      MergeCase{"", "x=deleted", ""},
                      // An empty item survives the de-duplication; after a repeat that is
                      // dropped it is last, and the text keeps one trailing "; ".
                      MergeCase{"a=1; ; b=2", "", "a=1; ; b=2"},
                      MergeCase{"", "x=1; ; x=1", "x=1; "},
                      MergeCase{"; a=1", "", "; a=1"},
                      MergeCase{"a=1", "; ", "; a=1"}));

TEST(MergeCookies, LeavesTheNewTextTrimmed) {
    Text oldText = "a=1";
    Text newText = "  b=2;  ";
    MergeCookies(oldText, newText);
    EXPECT_EQ(newText.bytes(), "b=2; ");
}

}  // namespace
}  // namespace clocktool
