// GetNetworkTime over the recording request class: the request it makes and how it reads
// the Date line of the answer.
#include <gtest/gtest.h>

#include "app/restore.h"
#include "runtime/codepage.h"
#include "support/posix/recording_object.h"

namespace clocktool {
namespace {

using testing::ScopedRecordingRequestClass;

const double kFailedRestore = kMinDateTime - 8.0 / 24.0;

class NetworkTime : public ::testing::Test {
protected:
    void Answer(const char* responseHeaders) {
        scoped_.recorder().answers["GetAllResponseHeaders"].result = BstrVariant(GbkToUtf16(responseHeaders));
    }
    std::string OpenedUrl() const {
        auto opens = scoped_.recorder().CallsOf("Open");
        if (opens.size() != 1) return "(" + std::to_string(opens.size()) + " Open calls)";
        const auto& args = opens[0]->args;   // element 0 is the last argument
        Text method = Utf16ToGbk(args.at(args.size() - 1).string);
        Text url = Utf16ToGbk(args.at(args.size() - 2).string);
        return method.bytes() + " " + url.bytes();
    }

    mutable ScopedRecordingRequestClass scoped_;
};

TEST_F(NetworkTime, WithoutAUrlAsksTheDefaultServerAndStoresItsUrl) {
    Answer("Server: x\r\nDate: Thu, 01 Jan 2026 08:00:00 GMT\r\nContent-Length: 0\r\n\r\n");
    Text url = "left over";
    DateTime now = GetNetworkTime(url, false);
    EXPECT_EQ(url, kDefaultTimeSourceUrl);
    EXPECT_EQ(OpenedUrl(), "HEAD " + kDefaultTimeSourceUrl.bytes());
    EXPECT_DOUBLE_EQ(now.value, MakeDateTime(2026, 1, 1, 16, 0, 0).value);
}

TEST_F(NetworkTime, GivenUrlIsUsedAsItIs) {
    Answer("Date: Fri, 31 Dec 2077 20:00:00 GMT\r\n");
    Text url = "http://127.0.0.1:8080/";
    DateTime now = GetNetworkTime(url, true);
    EXPECT_EQ(url.bytes(), "http://127.0.0.1:8080/");
    EXPECT_EQ(OpenedUrl(), "HEAD http://127.0.0.1:8080/");
    EXPECT_DOUBLE_EQ(now.value, MakeDateTime(2078, 1, 1, 4, 0, 0).value);
}

TEST_F(NetworkTime, AnswerWithoutAReadableDateLineGivesTheFailureMoment) {
    const char* answers[] = {
        "",                                                   // nothing came back
        "Server: x\r\nContent-Length: 0\r\n\r\n",             // no Date line
        "date: Thu, 01 Jan 2026 08:00:00 GMT\r\n",            // the name in another case
        "Date: Thu, 01 Jan 2026 08:00:00 GMT",                // no line end after it
        "Date: tomorrow\r\n",
    };
    for (const char* answer : answers) {
        ScopedRecordingRequestClass scoped;
        scoped.recorder().answers["GetAllResponseHeaders"].result = BstrVariant(GbkToUtf16(answer));
        Text url;
        EXPECT_DOUBLE_EQ(GetNetworkTime(url, false).value, kFailedRestore) << answer;
    }
}

}  // namespace
}  // namespace clocktool
