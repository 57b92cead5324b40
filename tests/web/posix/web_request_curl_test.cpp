// WebRequest over the Linux request object (libcurl) against a loopback server.
#include <gtest/gtest.h>

#include <string>

#include "support/loopback_server.h"
#include "web/web_request.h"

namespace clocktool {
namespace {

using testing::HttpResponse;
using testing::LoopbackServer;
using testing::ReceivedRequest;

const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::string Ok(const ReceivedRequest& request) {
    return HttpResponse(200, "OK", {{"X-Served", "yes"}}, "hello", request.method == "HEAD");
}

TEST(WebRequestOverCurl, EveryMethodReachesTheServerWithItsRequestLine) {
    for (int method = 0; method < 8; ++method) {
        SCOPED_TRACE(MethodNames[method]);
        LoopbackServer server(Ok);
        ASSERT_NE(server.port(), 0);
        std::int32_t status = -1;
        Text headers;
        ByteString body = WebRequest({.url = Text(server.Url("/path?q=1")), .method = method,
                                      .responseHeaders = &headers, .status = &status, .timeoutSeconds = 5});
        std::vector<ReceivedRequest> requests = server.requests();
        // A CONNECT or TRACE may be turned away on the way; the call still ends with its results written.
        std::string name = MethodNames[method];
        if (name == "CONNECT" || name == "TRACE") {
            if (requests.empty()) continue;
        }
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, name);
        if (name != "CONNECT") {
            EXPECT_EQ(requests[0].target, "/path?q=1");
        }
        EXPECT_EQ(status, 200);
        EXPECT_NE(headers.view().find("X-Served: yes\r\n"), std::string_view::npos);
        EXPECT_EQ(body.bytes(), name == "HEAD" ? "" : "hello");
    }
}

TEST(WebRequestOverCurl, ClockToolCallSendsTheDefaultHeaders) {
    LoopbackServer server(Ok);
    Text url(server.Url("/"));
    Text headers;
    WebRequest({.url = url, .method = 2, .responseHeaders = &headers});
    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const ReceivedRequest& request = requests[0];
    EXPECT_EQ(request.method, "HEAD");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Referer"), url.bytes());
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(request.Header("User-Agent"), kUserAgent);
    EXPECT_FALSE(request.HasHeader("Cookie"));
    EXPECT_FALSE(request.HasHeader("Content-Type"));
}

TEST(WebRequestOverCurl, PostCarriesItsBodyAndTheContentTypeDefault) {
    LoopbackServer server(Ok);
    WebRequest({.url = Text(server.Url("/form")), .method = 1, .body = "a=1&b=2"});
    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].body, "a=1&b=2");
}

TEST(WebRequestOverCurl, ByteBodyTravelsWithItsZeroBytes) {
    LoopbackServer server(Ok);
    WebRequest({.url = Text(server.Url("/bytes")), .method = 3, .body = "ignored",
                .bodyBytes = ByteString(std::string("\x01\x00\xFF", 3))});
    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, std::string("\x01\x00\xFF", 3));
}

TEST(WebRequestOverCurl, CookiesAreCarriedFromOneRequestToTheNext) {
    LoopbackServer server([](const ReceivedRequest& request) -> std::string {
        if (request.target == "/login")
            return HttpResponse(200, "OK", {{"Set-Cookie", "sid=abc; Path=/; HttpOnly"}, {"Set-Cookie", "lang=en"}});
        if (request.target == "/logout")
            return HttpResponse(200, "OK", {{"Set-Cookie", "sid=deleted; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}});
        return HttpResponse(200, "OK");
    });
    Text cookies = "Cookie: t=9";
    Text responseCookies;
    WebRequest({.url = Text(server.Url("/login")), .cookies = &cookies, .responseCookies = &responseCookies});
    EXPECT_EQ(cookies.bytes(), "sid=abc; lang=en; t=9");
    EXPECT_EQ(responseCookies, cookies);

    WebRequest({.url = Text(server.Url("/page")), .cookies = &cookies});
    WebRequest({.url = Text(server.Url("/logout")), .cookies = &cookies, .responseCookies = &responseCookies});
    EXPECT_EQ(cookies.bytes(), "lang=en; t=9");   // the server's deletion removed sid

    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Header("Cookie"), "t=9");
    EXPECT_EQ(requests[1].Header("Cookie"), "sid=abc; lang=en; t=9");
    EXPECT_EQ(requests[2].Header("Cookie"), "sid=abc; lang=en; t=9");
}

TEST(WebRequestOverCurl, ProxyCredentialsArriveAtTheProxy) {
    LoopbackServer proxy(Ok);
    Text proxyAddress("127.0.0.1:" + std::to_string(proxy.port()));
    std::int32_t status = 0;
    WebRequest({.url = "http://time.example/", .status = &status, .proxy = proxyAddress,
                .proxyUser = "user", .proxyPassword = "pass"});
    std::vector<ReceivedRequest> requests = proxy.requests();
    ASSERT_GE(requests.size(), 1u);
    EXPECT_EQ(requests.back().target, "http://time.example/");
    EXPECT_EQ(requests.back().Header("Proxy-Authorization"), "Basic dXNlcjpwYXNz");   // user:pass
    EXPECT_EQ(status, 200);
}

TEST(WebRequestOverCurl, NotFoundGivesItsStatusHeadersAndBody) {
    LoopbackServer server(
        [](const ReceivedRequest&) { return HttpResponse(404, "Not Found", {{"X-Reason", "gone"}}, "not here"); });
    std::int32_t status = 0;
    Text headers;
    ByteString body = WebRequest({.url = Text(server.Url("/missing")), .responseHeaders = &headers, .status = &status});
    EXPECT_EQ(status, 404);
    EXPECT_NE(headers.view().find("X-Reason: gone\r\n"), std::string_view::npos);
    EXPECT_EQ(body.bytes(), "not here");
}

TEST(WebRequestOverCurl, UnreachableServerGivesEmptyResults) {
    int port;
    {
        LoopbackServer closed(Ok);   // a port that was just free and is closed again
        port = closed.port();
    }
    std::int32_t status = -1;
    Text headers = "old";
    ByteString body = WebRequest({.url = Text("http://127.0.0.1:" + std::to_string(port) + "/"),
                                  .responseHeaders = &headers, .status = &status, .timeoutSeconds = 2});
    EXPECT_TRUE(body.empty());
    EXPECT_TRUE(headers.empty());
    EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace clocktool
