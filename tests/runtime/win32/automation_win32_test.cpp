// The bridge against the platform's own request object and a loopback server in this
// test program. Under Wine some answers are Wine's own; each is noted where a test meets it.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include "runtime/automation.h"
#include "runtime/automation_platform.h"
#include "support/loopback_server.h"

namespace clocktool {
namespace {

using testing::HttpResponse;
using testing::LoopbackServer;
using testing::ReceivedRequest;

const Text kProgId("WinHttp.WinHttpRequest.5.1");
const Text kClsid("{2087C2F4-2CEF-4953-A8AB-66779B670495}");

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The number of references an object holds now.
ULONG References(const ComObject& object) {
    auto* unknown = reinterpret_cast<IUnknown*>(object.get());
    unknown->AddRef();
    return unknown->Release();
}

class PlatformRequest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_TRUE(ObjectCreate(request, kProgId));
    }
    void TearDown() override {
        ObjectClear(request);
        OleUninitialize();
    }

    ByteString Body() {
        Variant body = ObjectReadProperty(request, "ResponseBody");
        ByteString bytes = VariantGetBytes(body);
        VariantClear(body);
        return bytes;
    }

    ComObject request;
};

TEST_F(PlatformRequest, CreateByProgIdOrClsid) {
    ComObject byClsid;
    EXPECT_TRUE(ObjectCreate(byClsid, kClsid));
    EXPECT_FALSE(byClsid.empty());

    // A failed creation leaves the handle holding what it held.
    AutomationObject* held = byClsid.get();
    EXPECT_FALSE(ObjectCreate(byClsid, "ClockTool.NotRegistered.1"));
    EXPECT_FALSE(ObjectCreate(byClsid, "{00000000-0000-0000-0000-00000000ABCD}"));
    EXPECT_EQ(byClsid.get(), held);
    ObjectCallMethod(byClsid, "SetTimeouts", {1000, 1000, 1000, 1000});
    EXPECT_EQ(LastAutomationStatus(), 0);
    ObjectClear(byClsid);
}

TEST_F(PlatformRequest, CopyAndClearCountReferences) {
    const ULONG before = References(request);
    ComObject copy;
    ObjectCopy(copy, request);
    EXPECT_EQ(copy.get(), request.get());
    EXPECT_EQ(References(request), before + 1);
    ObjectClear(copy);
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(References(request), before);
}

TEST_F(PlatformRequest, AFullExchange) {
    const std::string bytes("\x00\x01\xFF body", 8);
    LoopbackServer server([&](const ReceivedRequest&) {
        return HttpResponse(200, "OK", {{"Date", "Tue, 15 Nov 1994 08:12:31 GMT"}}, bytes);
    });
    ASSERT_TRUE(server.listening());
    std::int32_t timeout = 5000;   // integers by reference arrive as values
    ObjectCallMethod(request, "SetTimeouts", {AutomationArg::Ref(timeout), timeout, timeout, timeout});
    EXPECT_EQ(LastAutomationStatus(), 0);
    ObjectCallMethod(request, "Open", {Text("POST"), Text(server.Url("/p")), false});
    EXPECT_EQ(LastAutomationStatus(), 0);
    // Wine has no certificate options: its Invoke passes E_NOTIMPL through (-18).
    // Windows accepts them.
    const bool certificateOption = ObjectWriteProperty(request, "Option", {4, 0x3300});
    if (RunningUnderWine()) {
        EXPECT_FALSE(certificateOption);
        EXPECT_EQ(LastAutomationStatus(), kStatusInvokeFailed);
    } else {
        EXPECT_TRUE(certificateOption);
    }
    ObjectCallMethod(request, "SetRequestHeader", {Text("Accept-Language"), Text("zh-cn")});
    EXPECT_EQ(LastAutomationStatus(), 0);
    Variant body;
    ASSERT_TRUE(VariantAssignBytes(body, ByteString(std::string_view("\x00\x7F\x80\xFF", 4))));
    ObjectCallMethod(request, "Send", {body});
    ASSERT_EQ(LastAutomationStatus(), 0);

    EXPECT_EQ(Body(), ByteString(bytes));
    const Text headers = ObjectReadTextProperty(request, "GetAllResponseHeaders");
    EXPECT_EQ(LastAutomationStatus(), 0);
    // Wine adds a NUL after the block; the text ends at the first NUL.
    EXPECT_NE(headers.bytes().find("Date: Tue, 15 Nov 1994 08:12:31 GMT\r\n"), std::string::npos) << headers.bytes();
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 200.0);
    EXPECT_EQ(ObjectReadTextProperty(request, "StatusText"), Text("OK"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/p");
    // Wine sends a byte array as if its lower bound were 0: one byte more than the
    // array holds (read past its end). Windows sends the array's bytes.
    const std::string sent("\x00\x7F\x80\xFF", 4);
    if (RunningUnderWine()) {
        EXPECT_EQ(requests[0].body.substr(0, 4), sent);
        EXPECT_EQ(requests[0].body.size(), 5u);
    } else {
        EXPECT_EQ(requests[0].body, sent);
    }
    EXPECT_EQ(requests[0].Header("Accept-Language"), "zh-cn");
}

TEST_F(PlatformRequest, HeadThroughTheBridge) {
    LoopbackServer server([](const ReceivedRequest&) {
        return HttpResponse(200, "OK", {{"Date", "Wed, 07 Jul 2077 07:07:07 GMT"}}, "", true);
    });
    ObjectCallMethod(request, "Open", {Text("HEAD"), Text(server.Url()), false});
    ObjectCallMethod(request, "Send", {Text("")});
    ASSERT_EQ(LastAutomationStatus(), 0);
    EXPECT_NE(ObjectReadTextProperty(request, "GetAllResponseHeaders").bytes().find("Date: Wed, 07 Jul 2077"),
              std::string::npos);
    EXPECT_EQ(server.requests().at(0).method, "HEAD");
}

TEST_F(PlatformRequest, MembersThatDoNotBindOrRefuse) {
    EXPECT_EQ(ObjectReadTextProperty(request, "NoSuchMember"), Text());
    EXPECT_EQ(LastAutomationStatus(), kStatusNotBound);
    EXPECT_FALSE(ObjectWriteProperty(request, "Status", {200}));   // read-only
    EXPECT_EQ(LastAutomationStatus(), kStatusNotBound);   // no put, no put by reference, no function
    ObjectCallMethod(request, "Open", {Text("GET"), Text("http://127.0.0.1/"), false, 1});
    EXPECT_EQ(LastAutomationStatus(), kStatusTooManyArguments);
    ObjectCallMethod(request, "Send", {ByteString(std::string_view("ab"))});
    EXPECT_EQ(LastAutomationStatus(), kStatusUnconvertibleArgument);
    ComObject empty;
    ObjectCallMethod(empty, "Send");
    EXPECT_EQ(LastAutomationStatus(), kStatusEmptyObject);
}

TEST_F(PlatformRequest, RedirectSwitch) {
    LoopbackServer server([](const ReceivedRequest& r) {
        if (r.target == "/from") return HttpResponse(302, "Found", {{"Location", "/to"}});
        return HttpResponse(200, "OK", {}, "arrived");
    });
    ObjectCallMethod(request, "Open", {Text("GET"), Text(server.Url("/from")), false});
    EXPECT_TRUE(ObjectWriteProperty(request, "Option", {6, 0}));
    ObjectCallMethod(request, "Send");
    ASSERT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 302.0);

    ObjectCallMethod(request, "Open", {Text("GET"), Text(server.Url("/from")), false});
    ObjectCallMethod(request, "Send");
    ASSERT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 200.0);
    EXPECT_EQ(Body(), ByteString(std::string_view("arrived")));
}

TEST_F(PlatformRequest, ASendThatFailsFailsTheCall) {
    int closedPort = 0;
    {
        LoopbackServer gone([](const ReceivedRequest&) { return std::string(); });
        closedPort = gone.port();
    }
    ObjectCallMethod(request, "Open", {Text("GET"), Text("http://127.0.0.1:" + std::to_string(closedPort) + "/"), false});
    ObjectCallMethod(request, "Send");
    EXPECT_EQ(LastAutomationStatus(), kStatusException);
    EXPECT_EQ(ObjectReadNumberProperty(request, "Status"), 0.0);
    EXPECT_NE(LastAutomationStatus(), 0);
}

// Wine's synchronous Send does not apply the receive time-out, so the silent server
// here closes by itself; the call must still end, with a failure.
TEST_F(PlatformRequest, AServerThatNeverAnswers) {
    LoopbackServer silent([](const ReceivedRequest&) { return std::string(); }, /*silenceMs=*/1500);
    ObjectCallMethod(request, "SetTimeouts", {1000, 1000, 1000, 1000});
    ObjectCallMethod(request, "Open", {Text("GET"), Text(silent.Url()), false});
    ObjectCallMethod(request, "Send");
    EXPECT_NE(LastAutomationStatus(), 0);
}

}  // namespace
}  // namespace clocktool
