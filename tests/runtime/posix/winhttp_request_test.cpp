// The Linux request object ("WinHttp.WinHttpRequest.5.1" over libcurl), driven through
// the bridge against a loopback server of the test's own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>

#include "runtime/automation.h"
#include "runtime/automation_platform.h"
#include "support/loopback_server.h"

namespace clocktool {
namespace {

using testing::HttpResponse;
using testing::LoopbackServer;
using testing::ReceivedRequest;

const Text kProgId("WinHttp.WinHttpRequest.5.1");

class RequestObject : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ObjectCreate(request, kProgId)); }

    // Open, Send, and the status of the Send.
    std::int32_t Exchange(const Text& method, const std::string& url, AutomationArg body = AutomationArg()) {
        ObjectCallMethod(request, "Open", {method, Text(url), false});
        EXPECT_EQ(LastAutomationStatus(), 0);
        ObjectCallMethod(request, "Send", {body});
        return LastAutomationStatus();
    }

    ByteString Body() {
        Variant body = ObjectReadProperty(request, "ResponseBody");
        ByteString bytes = VariantGetBytes(body);
        VariantClear(body);
        return bytes;
    }

    ComObject request;
};

// A port with nothing listening on it.
int ClosedPort() {
    LoopbackServer server([](const ReceivedRequest&) { return std::string(); });
    return server.port();
}

TEST_F(RequestObject, HeadReadsHeadersAndNoBody) {
    LoopbackServer server([](const ReceivedRequest&) {
        return HttpResponse(200, "OK", {{"Date", "Tue, 15 Nov 1994 08:12:31 GMT"}, {"X-Two", "a"}}, "unseen body",
                            /*headOnly=*/true);
    });
    ASSERT_EQ(Exchange("HEAD", server.Url()), 0);
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 200.0);
    EXPECT_EQ(ObjectReadTextProperty(request, "StatusText"), Text("OK"));
    EXPECT_EQ(Body(), ByteString());
    EXPECT_EQ(LastAutomationStatus(), 0);

    const Text headers = ObjectReadTextProperty(request, "GetAllResponseHeaders");
    EXPECT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(headers, Text("HTTP/1.1 200 OK\r\n"
                            "Date: Tue, 15 Nov 1994 08:12:31 GMT\r\n"
                            "X-Two: a\r\n"
                            "Content-Length: 11\r\n"
                            "Connection: close\r\n"
                            "\r\n"));
    EXPECT_EQ(ObjectReadTextProperty(request, "GetResponseHeader", {Text("date")}),
              Text("Tue, 15 Nov 1994 08:12:31 GMT"));

    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].method, "HEAD");
    EXPECT_EQ(server.requests()[0].target, "/");
}

TEST_F(RequestObject, GetReturnsTheBodyBytesIntact) {
    const std::string bytes("\x00\x01\xFF\x80 binary\r\n\x00", 14);
    LoopbackServer server([&](const ReceivedRequest&) { return HttpResponse(200, "OK", {}, bytes); });
    ASSERT_EQ(Exchange("GET", server.Url("/file?x=1")), 0);
    Variant body = ObjectReadProperty(request, "ResponseBody");
    EXPECT_EQ(body.vt, VT_ARRAY | VT_UI1);
    ASSERT_EQ(body.array.bounds.size(), 1u);
    EXPECT_EQ(body.array.bounds[0].lowerBound, 0);
    EXPECT_EQ(VariantGetBytes(body), ByteString(bytes));
    EXPECT_EQ(server.requests().at(0).target, "/file?x=1");
    // Nothing that the caller did not ask for.
    EXPECT_FALSE(server.requests()[0].HasHeader("Accept"));
    EXPECT_FALSE(server.requests()[0].HasHeader("Proxy-Authorization"));
}

TEST_F(RequestObject, BodiesAndMethodsArriveAsSent) {
    LoopbackServer server([](const ReceivedRequest&) { return HttpResponse(200, "OK"); });
    const std::string bytes("\x00\xFE\x01\xFF", 4);
    Variant byteBody;
    ASSERT_TRUE(VariantAssignBytes(byteBody, ByteString(bytes)));
    ASSERT_EQ(Exchange("POST", server.Url(), byteBody), 0);
    ASSERT_EQ(Exchange("PUT", server.Url(), Text("2077\xC4\xEA")), 0);   // 2077年
    ObjectCallMethod(request, "Open", {Text("POST"), Text(server.Url()), false});
    ObjectCallMethod(request, "SetRequestHeader", {Text("Content-Type"), Text("text/plain")});
    ObjectCallMethod(request, "SetRequestHeader", {Text("X-Empty"), Text("")});
    ObjectCallMethod(request, "Send", {Text("")});
    ASSERT_EQ(LastAutomationStatus(), 0);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, bytes);
    EXPECT_FALSE(requests[0].HasHeader("Content-Type"));
    EXPECT_EQ(requests[1].method, "PUT");
    EXPECT_EQ(requests[1].body, "2077\xE5\xB9\xB4");   // as UTF-8
    EXPECT_EQ(requests[2].Header("Content-Type"), "text/plain");
    EXPECT_EQ(requests[2].Header("Content-Length"), "0");
    EXPECT_TRUE(requests[2].HasHeader("X-Empty"));

    for (const char* method : {"GET", "HEAD", "OPTIONS", "DELETE", "TRACE"}) {
        ASSERT_EQ(Exchange(method, server.Url()), 0) << method;
        EXPECT_EQ(server.requests().back().method, method);
    }
}

TEST_F(RequestObject, RedirectsAreFollowedUnlessSwitchedOff) {
    LoopbackServer server([](const ReceivedRequest& r) {
        if (r.target == "/from") return HttpResponse(302, "Found", {{"Location", "/to"}, {"X-Hop", "1"}});
        return HttpResponse(200, "OK", {{"X-Final", "yes"}}, "arrived");
    });
    ASSERT_EQ(Exchange("GET", server.Url("/from")), 0);
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 200.0);
    EXPECT_EQ(Body(), ByteString(std::string_view("arrived")));
    const Text headers = ObjectReadTextProperty(request, "GetAllResponseHeaders");
    EXPECT_EQ(headers.bytes().rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_EQ(headers.bytes().find("X-Hop"), std::string::npos) << headers.bytes();   // the final block only
    EXPECT_NE(headers.bytes().find("X-Final: yes\r\n"), std::string::npos);

    ObjectCallMethod(request, "Open", {Text("GET"), Text(server.Url("/from")), false});
    EXPECT_TRUE(ObjectWriteProperty(request, "Option", {6, 0}));
    ObjectCallMethod(request, "Send");
    EXPECT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 302.0);
    EXPECT_EQ(server.requests().back().target, "/from");
}

TEST_F(RequestObject, CertificateOptionIsAccepted) {
    ObjectCallMethod(request, "Open", {Text("GET"), Text("https://127.0.0.1/"), false});
    EXPECT_TRUE(ObjectWriteProperty(request, "Option", {4, 0x3300}));
    EXPECT_EQ(ObjectReadNumberProperty(request, "Option", {4}), 13056.0);
}

TEST_F(RequestObject, FailuresFailTheCallAndLeaveTheObjectReusable) {
    ASSERT_EQ(Exchange("GET", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"), kStatusException);
    // Nothing to read after a failed Send.
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 0.0);
    EXPECT_EQ(LastAutomationStatus(), kStatusException);
    EXPECT_EQ(ObjectReadTextProperty(request, "GetAllResponseHeaders"), Text());
    EXPECT_EQ(Body(), ByteString());

    // Unusable settings are refused.
    ObjectCallMethod(request, "Open", {Text("GET"), Text("ftp://127.0.0.1/"), false});
    EXPECT_EQ(LastAutomationStatus(), kStatusException);
    ObjectCallMethod(request, "SetCredentials", {Text("u"), Text("p"), 7});
    EXPECT_EQ(LastAutomationStatus(), kStatusException);

    LoopbackServer server([](const ReceivedRequest&) { return HttpResponse(204, "No Content"); });
    ASSERT_EQ(Exchange("GET", server.Url()), 0);
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 204.0);
}

TEST_F(RequestObject, ASilentServerEndsTheExchangeAfterTheReceiveTimeOut) {
    LoopbackServer silent([](const ReceivedRequest&) { return std::string(); }, /*silenceMs=*/10000);
    ObjectCallMethod(request, "SetTimeouts", {1000, 1000, 1000, 1000});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Exchange("GET", silent.Url()), kStatusException);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_EQ(silent.requests().size(), 1u);
}

// A proxy that asks for credentials, as a proxy does, before it answers.
std::string ProxyAnswer(const ReceivedRequest& r) {
    if (!r.HasHeader("Proxy-Authorization"))
        return HttpResponse(407, "Proxy Authentication Required", {{"Proxy-Authenticate", "Basic realm=\"p\""}});
    return HttpResponse(200, "OK", {}, "via proxy");
}

TEST_F(RequestObject, ANamedProxyWithCredentials) {
    LoopbackServer proxy(ProxyAnswer);
    const std::string target = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/through";
    ObjectCallMethod(request, "SetProxy", {2, Text("127.0.0.1:" + std::to_string(proxy.port()))});
    EXPECT_EQ(LastAutomationStatus(), 0);
    ObjectCallMethod(request, "Open", {Text("GET"), Text(target), false});
    ObjectCallMethod(request, "SetCredentials", {Text("user"), Text("pass"), 1});
    EXPECT_EQ(LastAutomationStatus(), 0);
    ObjectCallMethod(request, "Send");
    ASSERT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(Body(), ByteString(std::string_view("via proxy")));
    const auto requests = proxy.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().target, target);
    EXPECT_EQ(requests.back().Header("Proxy-Authorization"), "Basic dXNlcjpwYXNz");
}

TEST_F(RequestObject, ServerCredentials) {
    LoopbackServer server([](const ReceivedRequest& r) {
        if (r.Header("Authorization") != "Basic dXNlcjpwYXNz")
            return HttpResponse(401, "Unauthorized", {{"WWW-Authenticate", "Basic realm=\"s\""}});
        return HttpResponse(200, "OK");
    });
    ObjectCallMethod(request, "Open", {Text("GET"), Text(server.Url()), false});
    ObjectCallMethod(request, "SetCredentials", {Text("user"), Text("pass"), 0});
    ObjectCallMethod(request, "Send");
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 200.0);
}

TEST_F(RequestObject, NoProxyUnlessOneIsNamed) {
    LoopbackServer proxy([](const ReceivedRequest&) { return HttpResponse(200, "OK", {}, "proxy"); });
    LoopbackServer server([](const ReceivedRequest&) { return HttpResponse(200, "OK", {}, "direct"); });
    const std::string proxyUrl = proxy.Url();
    std::optional<std::string> saved;
    if (const char* old = std::getenv("http_proxy")) saved = old;
    setenv("http_proxy", proxyUrl.c_str(), 1);
    const std::int32_t status = Exchange("GET", server.Url());
    const ByteString body = Body();
    if (saved) setenv("http_proxy", saved->c_str(), 1); else unsetenv("http_proxy");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(body, ByteString(std::string_view("direct")));
    EXPECT_TRUE(proxy.requests().empty());
}

}  // namespace
}  // namespace clocktool
