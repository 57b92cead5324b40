#include "web/headers.h"

#include <gtest/gtest.h>

#include <string>

namespace clocktool {
namespace {

const std::string kUserAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

struct DefaultHeadersCase {
    const char* block;
    int method;
    std::string expected;
};

class AddDefaultHeadersTest : public ::testing::TestWithParam<DefaultHeadersCase> {};

TEST_P(AddDefaultHeadersTest, AppendsOnlyTheMissingRows) {
    Text block = GetParam().block;
    AddDefaultHeaders(block, "http://h/p?q=1", GetParam().method);
    EXPECT_EQ(block.bytes(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, AddDefaultHeadersTest,
    ::testing::Values(
        // An empty block begins with an empty line; the Referer is the URL as given.
        DefaultHeadersCase{"", 0,
                           "\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn\r\n" + kUserAgentLine},
        // Only a POST gets the Content-Type default.
        DefaultHeadersCase{"", 1,
                           "\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn\r\n" + kUserAgentLine +
                               "\r\nContent-Type: application/x-www-form-urlencoded"},
        DefaultHeadersCase{"content-TYPE: text/plain", 1,
                           "content-TYPE: text/plain\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\n"
                           "Accept-Language: zh-cn\r\n" + kUserAgentLine},
        // Names are found anywhere, in any case: inside another name or a value too.
        DefaultHeadersCase{"accept: text/html", 2,
                           "accept: text/html\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn\r\n" +
                               kUserAgentLine},
        DefaultHeadersCase{"X-Accept: 1", 0,
                           "X-Accept: 1\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn\r\n" + kUserAgentLine},
        DefaultHeadersCase{"X-Note: see Referer:here", 0,
                           "X-Note: see Referer:here\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + kUserAgentLine},
        // "Accept:" is not inside "Accept-Language:", so a caller's language keeps the Accept row.
        DefaultHeadersCase{"Accept-Language: en\r\nUser-Agent: me\r\nReferer: r", 0,
                           "Accept-Language: en\r\nUser-Agent: me\r\nReferer: r\r\nAccept: */*"}));

TEST(AddDefaultHeaders, EachSearchSeesTheRowsAddedBeforeIt) {
    // The URL brings "Accept-Language:" along in the Referer row, so that row is not added.
    Text block;
    AddDefaultHeaders(block, "http://h/?Accept-Language:x", 0);
    EXPECT_EQ(block.bytes(), "\r\nAccept: */*\r\nReferer: http://h/?Accept-Language:x\r\n" + kUserAgentLine);
}

TEST(CapitalizeFirst, RaisesOnlyAnAsciiFirstByte) {
    const struct { const char* in; const char* out; } cases[] = {
        {"", ""}, {"a", "A"}, {"abc", "Abc"}, {"Abc", "Abc"}, {"1a", "1a"}, {" a", " a"},
        {"\xB0\xA1x", "\xB0\xA1x"},   // 啊x: a lead byte stays
        {"\xE4", "\xE4"},
    };
    for (const auto& c : cases) EXPECT_EQ(CapitalizeFirst(c.in).bytes(), c.out) << c.in;
}

struct NormalizeCase {
    const char* line;
    const char* normalized;   // the line after NormalizeHeaderNames
    const char* name;         // HeaderNameOf
    const char* value;        // HeaderValueOf
};

class NormalizeHeaderLineTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeHeaderLineTest, RaisesTheFirstLetterOfEachWordOfTheName) {
    const NormalizeCase& c = GetParam();
    EXPECT_EQ(NormalizeHeaderNames(c.line).bytes(), c.normalized);
    EXPECT_EQ(HeaderNameOf(c.normalized).bytes(), c.name);
    EXPECT_EQ(HeaderValueOf(c.normalized).bytes(), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NormalizeHeaderLineTest,
    ::testing::Values(NormalizeCase{"content-type:text/html", "Content-Type:text/html", "Content-Type", "text/html"},
                      NormalizeCase{"x-requested-with: XMLHttpRequest", "X-Requested-With: XMLHttpRequest",
                                    "X-Requested-With", "XMLHttpRequest"},
                      NormalizeCase{"CONTENT-length:  12", "CONTENT-Length:  12", "CONTENT-Length", "12"},
                      NormalizeCase{"x--y: 1", "X--Y: 1", "X--Y", "1"},
                      NormalizeCase{"-x-: 1", "-X-: 1", "-X-", "1"},
                      NormalizeCase{" accept: a", " accept: a", "accept", "a"},
                      NormalizeCase{"referer: start page", "Referer: start page", "Referer", "start page"},
                      NormalizeCase{"x-time: 12:30:00", "X-Time: 12:30:00", "X-Time", "12:30:00"},
                      NormalizeCase{": v", ": v", "", "v"},
                      NormalizeCase{"no colon here", "", "", ""}));

TEST(NormalizeHeaderNames, DropsLinesWithoutAColonAndKeepsTheRestInOrder) {
    EXPECT_EQ(NormalizeHeaderNames("\r\naccept: */*\r\nbogus\r\n\r\nuser-agent: x\r\n").bytes(),
              "Accept: */*\r\nUser-Agent: x");
    EXPECT_EQ(NormalizeHeaderNames("").bytes(), "");
    EXPECT_EQ(NormalizeHeaderNames("a\r\nb\r\n").bytes(), "");
    // A bare LF does not end a line: the whole block is one line with one name.
    EXPECT_EQ(NormalizeHeaderNames("a-b: 1\nc-d: 2").bytes(), "A-B: 1\nc-d: 2");
}

TEST(HeaderNameAndValue, TrimBlanksButNotOtherWhitespace) {
    EXPECT_EQ(HeaderNameOf("  Accept  :  */*  ").bytes(), "Accept");
    EXPECT_EQ(HeaderValueOf("  Accept  :  */*  ").bytes(), "*/*");
    EXPECT_EQ(HeaderValueOf("X:\tv").bytes(), "\tv");
    EXPECT_EQ(HeaderNameOf("").bytes(), "");
    EXPECT_EQ(HeaderValueOf("Name:").bytes(), "");
}

}  // namespace
}  // namespace clocktool
