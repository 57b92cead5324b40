// WebRequest over the platform's WinHttp.WinHttpRequest.5.1 against a loopback server
// running on a thread of the test.
#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

#include "support/loopback_server.h"
#include "web/web_request.h"

namespace clocktool {
namespace {

using testing::HttpResponse;
using testing::LoopbackServer;
using testing::ReceivedRequest;

class WebRequestOverWinHttp : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

std::string Ok(const ReceivedRequest& request) {
    return HttpResponse(200, "OK", {{"X-Served", "yes"}}, "hello", request.method == "HEAD");
}

TEST_F(WebRequestOverWinHttp, ClockToolCallIsAHeadWithTheDefaultHeaders) {
    LoopbackServer server(Ok);
    ASSERT_NE(server.port(), 0);
    Text url(server.Url("/"));
    Text headers;
    ByteString body = WebRequest({.url = url, .method = 2, .responseHeaders = &headers});
    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const ReceivedRequest& request = requests[0];
    EXPECT_EQ(request.method, "HEAD");
    EXPECT_EQ(request.target, "/");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Referer"), url.bytes());
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    EXPECT_NE(headers.view().find("X-Served: yes\r\n"), std::string_view::npos);
    EXPECT_TRUE(body.empty());
}

TEST_F(WebRequestOverWinHttp, CookiesAreCarriedAcrossTwoRequests) {
    LoopbackServer server([](const ReceivedRequest& request) -> std::string {
        if (request.target == "/login")
            return HttpResponse(200, "OK", {{"Set-Cookie", "sid=abc; Path=/"}, {"Set-Cookie", "lang=en"}});
        return HttpResponse(200, "OK");
    });
    Text cookies = "t=9";
    Text responseCookies;
    WebRequest({.url = Text(server.Url("/login")), .cookies = &cookies, .responseCookies = &responseCookies});
    EXPECT_EQ(cookies.bytes(), "sid=abc; lang=en; t=9");
    EXPECT_EQ(responseCookies, cookies);
    WebRequest({.url = Text(server.Url("/page")), .cookies = &cookies});

    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("Cookie"), "t=9");
    EXPECT_EQ(requests[1].Header("Cookie"), "sid=abc; lang=en; t=9");
}

TEST_F(WebRequestOverWinHttp, NotFoundGivesItsStatus) {
    LoopbackServer server(
        [](const ReceivedRequest&) { return HttpResponse(404, "Not Found", {{"X-Reason", "gone"}}, "not here"); });
    std::int32_t status = 0;
    Text headers;
    ByteString body = WebRequest({.url = Text(server.Url("/missing")), .responseHeaders = &headers, .status = &status});
    EXPECT_EQ(status, 404);
    EXPECT_NE(headers.view().find("X-Reason: gone\r\n"), std::string_view::npos);
    EXPECT_EQ(body.bytes(), "not here");
}

}  // namespace
}  // namespace clocktool
