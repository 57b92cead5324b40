// WebRequest's calls on the request object, observed through the recording class that
// stands in for "WinHttp.WinHttpRequest.5.1".
#include "web/web_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/external.h"
#include "runtime/codepage.h"
#include "support/posix/recording_object.h"

namespace clocktool {
namespace {

using testing::RecordedCall;
using testing::ScopedRecordingRequestClass;

const char* const kUrl = "http://time.example/";
const char* const kUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const char* const kResponseHeaders =
    "Date: Thu, 01 Jan 2026 08:00:00 GMT\r\nSet-Cookie: x=1; path=/\r\nSet-Cookie: y=deleted\r\n";

std::string Render(const Variant& value) {
    switch (BaseType(value.vt)) {
    case VT_BSTR: return "\"" + Utf16ToGbk(value.string).bytes() + "\"";
    case VT_BOOL: return value.integer ? "true" : "false";
    case VT_ERROR: return "-";
    case VT_UI1:
        if (value.vt & VT_ARRAY) {
            std::string bytes = "bytes[" + std::to_string(value.array.bounds.at(0).lowerBound) + ":";
            for (unsigned char c : value.array.data) bytes += " " + std::to_string(c);
            return bytes + "]";
        }
        return std::to_string(value.integer);
    default: return std::to_string(value.integer);
    }
}

// "Name(a, b)" for a method, "Name" for a read, "Name[i]=v" for a property put.
std::string Render(const RecordedCall& call) {
    std::vector<std::string> args;
    for (auto it = call.args.rbegin(); it != call.args.rend(); ++it) args.push_back(Render(*it));
    if (call.kind == INVOKE_PROPERTYPUT) {
        std::string indexes;
        for (std::size_t i = 0; i + 1 < args.size(); ++i) indexes += (i ? ", " : "") + args[i];
        return call.member + "[" + indexes + "]=" + args.back();
    }
    if (call.kind == INVOKE_PROPERTYGET && args.empty()) return call.member;
    std::string joined;
    for (std::size_t i = 0; i < args.size(); ++i) joined += (i ? ", " : "") + args[i];
    return call.member + "(" + joined + ")";
}

std::string Header(const std::string& name, const std::string& value) {
    return "SetRequestHeader(\"" + name + "\", \"" + value + "\")";
}

const std::vector<std::string> kDefaultHeaderCalls = {
    Header("Accept", "*/*"), Header("Referer", kUrl), Header("Accept-Language", "zh-cn"),
    Header("User-Agent", kUserAgent)};

const std::vector<std::string> kResponseReads = {"ResponseBody", "GetAllResponseHeaders()", "Status", "StatusText"};

// COM is uninitialised on this thread when a fresh CoInitialize is the first one (S_OK).
bool ComUninitializedOnThisThread() {
    auto coInitialize = reinterpret_cast<std::int32_t (*)(void*)>(BindExternalRoutine(kCoInitialize));
    auto coUninitialize = reinterpret_cast<void (*)()>(BindExternalRoutine(kCoUninitialize));
    bool first = coInitialize(nullptr) == 0;
    coUninitialize();
    return first;
}

class WebRequestCalls : public ::testing::Test {
protected:
    WebRequestCalls() {
        auto& answers = scoped_.recorder().answers;
        answers["ResponseBody"].result = ByteArrayVariant("body", 0);
        answers["GetAllResponseHeaders"].result = BstrVariant(GbkToUtf16(kResponseHeaders));
        answers["Status"].result = I4Variant(200);
        answers["StatusText"].result = BstrVariant(u"OK");
    }

    std::vector<std::string> Calls() const {
        std::vector<std::string> rendered;
        for (const RecordedCall& call : scoped_.recorder().calls) rendered.push_back(Render(call));
        return rendered;
    }
    std::vector<std::string> CallsOf(const std::string& member) const {
        std::vector<std::string> rendered;
        for (const RecordedCall* call : scoped_.recorder().CallsOf(member)) rendered.push_back(Render(*call));
        return rendered;
    }
    int Instances() const { return scoped_.recorder().instances; }

    mutable ScopedRecordingRequestClass scoped_;
};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(WebRequestCalls, ClockToolCallMakesTheThirteenSteps) {
    ASSERT_TRUE(ComUninitializedOnThisThread());
    Text headers;
    ByteString body = WebRequest({.url = kUrl, .method = 2, .responseHeaders = &headers});

    EXPECT_EQ(Instances(), 1);
    EXPECT_EQ(Calls(), Join({{"SetTimeouts(15000, 15000, 15000, 15000)",
                              "Open(\"HEAD\", \"" + std::string(kUrl) + "\", false)", "Option[4]=13056"},
                             kDefaultHeaderCalls,
                             {"Send(\"\")"},
                             kResponseReads}));
    EXPECT_EQ(headers.bytes(), kResponseHeaders);
    EXPECT_EQ(body.bytes(), "body");
    EXPECT_TRUE(ComUninitializedOnThisThread());   // CoInitialize balanced by CoUninitialize
}

TEST_F(WebRequestCalls, OutArgumentsAreWrittenFromTheResponse) {
    Text responseCookies = "old", responseHeaders = "old";
    std::int32_t status = 0;
    WebRequest({.url = kUrl, .responseCookies = &responseCookies, .responseHeaders = &responseHeaders,
                .status = &status});
    EXPECT_EQ(responseHeaders.bytes(), kResponseHeaders);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(responseCookies.bytes(), "x=1; y=deleted");   // no request cookies: nothing merged
}

TEST_F(WebRequestCalls, MethodIndexOutsideTheTableOpensAGet) {
    const struct { std::int32_t method; const char* name; } cases[] = {
        {0, "GET"}, {1, "POST"}, {2, "HEAD"}, {7, "CONNECT"}, {8, "GET"}, {-1, "GET"}};
    for (const auto& c : cases) {
        ScopedRecordingRequestClass scoped;
        WebRequest({.url = kUrl, .method = c.method});
        ASSERT_EQ(scoped.recorder().CallsOf("Open").size(), 1u);
        EXPECT_EQ(Render(*scoped.recorder().CallsOf("Open")[0]),
                  "Open(\"" + std::string(c.name) + "\", \"" + kUrl + "\", false)")
            << c.method;
    }
}

TEST_F(WebRequestCalls, TimeoutSecondsBecomeMillisecondsOnAllFourPhases) {
    const struct { std::int32_t seconds; std::vector<std::string> calls; } cases[] = {
        {-1, {}},
        {0, {"SetTimeouts(15000, 15000, 15000, 15000)"}},
        {-5, {"SetTimeouts(15000, 15000, 15000, 15000)"}},
        {30, {"SetTimeouts(30000, 30000, 30000, 30000)"}},
        {2147484, {"SetTimeouts(2147483647, 2147483647, 2147483647, 2147483647)"}},   // no overflow
    };
    for (const auto& c : cases) {
        ScopedRecordingRequestClass scoped;
        WebRequest({.url = kUrl, .timeoutSeconds = c.seconds});
        std::vector<std::string> calls;
        for (const RecordedCall* call : scoped.recorder().CallsOf("SetTimeouts")) calls.push_back(Render(*call));
        EXPECT_EQ(calls, c.calls) << c.seconds;
    }
}

TEST_F(WebRequestCalls, NoRedirectWritesOptionSixBeforeTheCertificateFlags) {
    WebRequest({.url = kUrl, .noRedirect = true});
    EXPECT_EQ(CallsOf("Option"), (std::vector<std::string>{"Option[6]=0", "Option[4]=13056"}));
    EXPECT_EQ(Calls().at(1).rfind("Open(", 0), 0u);   // both after Open
}

TEST_F(WebRequestCalls, EmptyProxyMeansNoProxyAndNoCredentials) {
    WebRequest({.url = kUrl, .proxyUser = "user", .proxyPassword = "pw"});
    EXPECT_TRUE(CallsOf("SetProxy").empty());
    EXPECT_TRUE(CallsOf("SetCredentials").empty());
    EXPECT_EQ(CallsOf("SetRequestHeader"), kDefaultHeaderCalls);
}

TEST_F(WebRequestCalls, ProxyUserWithEmptyPasswordSendsBasicOfUserAndColon) {
    WebRequest({.url = kUrl, .proxy = "127.0.0.1:3128", .proxyUser = "user"});
    EXPECT_EQ(Calls(), Join({{"SetTimeouts(15000, 15000, 15000, 15000)", "SetProxy(2, \"127.0.0.1:3128\")",
                              "Open(\"GET\", \"" + std::string(kUrl) + "\", false)", "Option[4]=13056",
                              "SetCredentials(\"user\", \"\", 1)", Header("Proxy-Authorization", "Basic dXNlcjo=")},
                             kDefaultHeaderCalls,
                             {"Send(\"\")"},
                             kResponseReads}));
}

TEST_F(WebRequestCalls, CredentialTargetZeroIsForTheServerWithoutAProxyHeader) {
    WebRequest({.url = kUrl, .proxy = "p:1", .proxyUser = "user", .proxyPassword = "pw", .credentialTarget = 0});
    EXPECT_EQ(CallsOf("SetCredentials"), std::vector<std::string>{"SetCredentials(\"user\", \"pw\", 0)"});
    EXPECT_EQ(CallsOf("SetRequestHeader"), kDefaultHeaderCalls);
}

TEST_F(WebRequestCalls, CookiePrefixIsRemovedAndTheMergedTextComesBack) {
    Text cookies = "Cookie: a=1";
    Text responseCookies;
    WebRequest({.url = kUrl, .cookies = &cookies, .responseCookies = &responseCookies});
    EXPECT_EQ(CallsOf("SetRequestHeader"), Join({{Header("Cookie", " a=1")}, kDefaultHeaderCalls}));
    EXPECT_EQ(cookies.bytes(), "x=1; a=1");   // y=deleted is dropped by the merge
    EXPECT_EQ(responseCookies, cookies);
}

TEST_F(WebRequestCalls, CookiePrefixIsRemovedInAnyCaseEveryTime) {
    Text cookies = "cookie:a=1; COOKIE: b=2";
    WebRequest({.url = kUrl, .cookies = &cookies, .mergeCookies = false});
    EXPECT_EQ(CallsOf("SetRequestHeader").at(0), Header("Cookie", "a=1;  b=2"));
    EXPECT_EQ(cookies.bytes(), "a=1;  b=2");   // stored back, not merged
}

TEST_F(WebRequestCalls, EmptyGivenCookiesStillSendTheHeaderAndMerge) {
    Text cookies;
    Text responseCookies;
    WebRequest({.url = kUrl, .cookies = &cookies, .responseCookies = &responseCookies});
    EXPECT_EQ(CallsOf("SetRequestHeader").at(0), Header("Cookie", ""));
    EXPECT_EQ(cookies.bytes(), "x=1");
    EXPECT_EQ(responseCookies.bytes(), "x=1");
}

TEST_F(WebRequestCalls, CookiesNotGivenMeansNoHeaderAndNoMerge) {
    Text responseCookies;
    WebRequest({.url = kUrl, .responseCookies = &responseCookies, .mergeCookies = true});
    EXPECT_EQ(CallsOf("SetRequestHeader"), kDefaultHeaderCalls);
    EXPECT_EQ(responseCookies.bytes(), "x=1; y=deleted");
}

TEST_F(WebRequestCalls, ByteBodyIsSentInsteadOfTheTextBody) {
    WebRequest({.url = kUrl, .method = 1, .body = "text", .bodyBytes = ByteString(std::string("\x01\x00\xFF", 3))});
    EXPECT_EQ(CallsOf("Send"), std::vector<std::string>{"Send(bytes[1: 1 0 255])"});
    WebRequest({.url = kUrl, .method = 1, .body = "text"});
    EXPECT_EQ(CallsOf("Send").at(1), "Send(\"text\")");
}

TEST_F(WebRequestCalls, HeaderBlockOptions) {
    const struct {
        const char* headers;
        bool addDefaults, normalize;
        std::vector<std::string> sent;
    } cases[] = {
        {"", false, false, {Header("", "")}},                        // the single-line rule
        {"Accept: x", false, false, {Header("Accept", "x")}},
        {"Connection: keep-alive", false, false, {Header("Connection", "keep-alive")}},
        {"a: 1\r\nconnection: keep-alive", false, true, {Header("A", "1")}},
        {"a: 1\r\nconnection: keep-alive", false, false, {Header("a", "1"), Header("connection", "keep-alive")}},
        {"a: 1\r\nConnection: Keep-Alive", false, true, {Header("A", "1"), Header("Connection", "Keep-Alive")}},
        {"a: 1\r\nno colon\r\n\r\nb: 2", false, false, {Header("a", "1"), Header("", ""), Header("b", "2")}},
        {"accept: text/html", true, true,
         {Header("Accept", "text/html"), Header("Referer", kUrl), Header("Accept-Language", "zh-cn"),
          Header("User-Agent", kUserAgent)}},
        {"", true, false, kDefaultHeaderCalls},   // the leading empty line is skipped
    };
    for (const auto& c : cases) {
        ScopedRecordingRequestClass scoped;
        WebRequest({.url = kUrl, .headers = c.headers, .addDefaultHeaders = c.addDefaults,
                    .normalizeHeaders = c.normalize});
        std::vector<std::string> sent;
        for (const RecordedCall* call : scoped.recorder().CallsOf("SetRequestHeader")) sent.push_back(Render(*call));
        EXPECT_EQ(sent, c.sent) << c.headers;
    }
}

TEST_F(WebRequestCalls, PostGetsTheContentTypeDefault) {
    WebRequest({.url = kUrl, .method = 1});
    EXPECT_EQ(CallsOf("SetRequestHeader").back(), Header("Content-Type", "application/x-www-form-urlencoded"));
}

TEST_F(WebRequestCalls, GivenRequestObjectIsUsedAndStaysTheCallers) {
    ComObject request;
    ASSERT_TRUE(ObjectCreate(request, "WinHttp.WinHttpRequest.5.1"));
    ASSERT_EQ(Instances(), 1);

    std::int32_t status = 0;
    WebRequest({.url = kUrl, .status = &status, .requestObject = &request});
    EXPECT_EQ(Instances(), 1);   // nothing created
    EXPECT_EQ(status, 200);
    EXPECT_EQ(CallsOf("Open").size(), 1u);

    ASSERT_FALSE(request.empty());
    EXPECT_EQ(model::ReferenceCount(request.get()), 1);
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 200.0);
    EXPECT_EQ(LastAutomationStatus(), 0);
    ObjectClear(request);
}

TEST_F(WebRequestCalls, UncreatableObjectWritesNothingAndStillUninitialises) {
    Text cookies = "Cookie: a=1", responseCookies = "old cookies", responseHeaders = "old headers";
    std::int32_t status = 77;
    ByteString body = detail::WebRequestWithProgId(
        {.url = kUrl, .cookies = &cookies, .responseCookies = &responseCookies, .responseHeaders = &responseHeaders,
         .status = &status},
        "ClockTool.NoSuchClass");
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(cookies.bytes(), "Cookie: a=1");
    EXPECT_EQ(responseCookies.bytes(), "old cookies");
    EXPECT_EQ(responseHeaders.bytes(), "old headers");
    EXPECT_EQ(status, 77);
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(ComUninitializedOnThisThread());
}

TEST_F(WebRequestCalls, FailedSendLeavesEmptyResultsAndStatusZero) {
    auto& answers = scoped_.recorder().answers;
    answers["Send"].hr = kEFail;
    answers["ResponseBody"].hr = kEFail;
    answers["GetAllResponseHeaders"].hr = kEFail;
    answers["Status"].hr = kEFail;
    Text cookies = "a=1", responseHeaders = "old";
    Text responseCookies = "old";
    std::int32_t status = 5;
    ByteString body = WebRequest({.url = kUrl, .cookies = &cookies, .responseCookies = &responseCookies,
                                  .responseHeaders = &responseHeaders, .status = &status});
    EXPECT_TRUE(body.empty());
    EXPECT_TRUE(responseHeaders.empty());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(responseCookies.bytes(), "a=1");   // the merge of the request cookies and nothing
    EXPECT_EQ(cookies.bytes(), "a=1");
}

}  // namespace
}  // namespace clocktool
