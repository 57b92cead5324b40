#include "web/web_request.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/external.h"
#include "textutil/base64.h"
#include "web/cookies.h"
#include "web/headers.h"

namespace clocktool {
namespace {

const Text kRequestProgId = "WinHttp.WinHttpRequest.5.1";
constexpr std::int32_t kDefaultTimeoutMs = 15000;
constexpr std::int32_t kNoTimeouts = -1;
constexpr std::int32_t kNamedProxy = 2;             // SetProxy: HTTPREQUEST_PROXYSETTING_PROXY
constexpr std::int32_t kOptionEnableRedirects = 6;
constexpr std::int32_t kOptionSslErrorIgnoreFlags = 4;
// Unknown certification authority, wrong usage, invalid common name, invalid date.
constexpr std::int32_t kIgnoredCertificateErrors = 0x0100 | 0x0200 | 0x1000 | 0x2000;
constexpr std::int32_t kProxyTarget = 1;
const Text kCookiePrefix = "Cookie:";

// ole32's CoInitialize and CoUninitialize; x86-64 has one calling convention.
using CoInitializeRoutine = std::int32_t (*)(void* reserved);
using CoUninitializeRoutine = void (*)();

void CallCoInitialize() {
    reinterpret_cast<CoInitializeRoutine>(BindExternalRoutine(kCoInitialize))(nullptr);
}

void CallCoUninitialize() {
    reinterpret_cast<CoUninitializeRoutine>(BindExternalRoutine(kCoUninitialize))();
}

// The status read as a double, truncated toward zero; 0 for anything that is no int32.
std::int32_t TruncateStatus(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return 0;
    return static_cast<std::int32_t>(std::trunc(value));
}

// Seconds as milliseconds; beyond what an int32 holds, the longest time-out it can hold.
std::int32_t TimeoutMilliseconds(std::int32_t seconds) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{seconds} * 1000, INT32_MAX));
}

void SendProxyCredentials(ComObject& request, const WebRequestArgs& args) {
    std::int32_t target = args.credentialTarget.value_or(kProxyTarget);
    ObjectCallMethod(request, "SetCredentials", {args.proxyUser, args.proxyPassword, target});
    if (target != kProxyTarget) return;
    Text credentials = ConcatText(args.proxyUser, ":", args.proxyPassword);
    Text encoded = Base64Encode(ToBytes(credentials));
    ObjectCallMethod(request, "SetRequestHeader", {Text("Proxy-Authorization"), ConcatText("Basic ", encoded)});
}

}  // namespace

ByteString WebRequest(const WebRequestArgs& args) {
    return detail::WebRequestWithProgId(args, kRequestProgId);
}

ByteString detail::WebRequestWithProgId(const WebRequestArgs& args, const Text& progId) {
    // Out-arguments the caller did not give are written into these.
    Text unusedResponseCookies, unusedResponseHeaders;
    std::int32_t unusedStatus = 0;
    Text& responseCookies = args.responseCookies ? *args.responseCookies : unusedResponseCookies;
    Text& responseHeaders = args.responseHeaders ? *args.responseHeaders : unusedResponseHeaders;
    std::int32_t& status = args.status ? *args.status : unusedStatus;

    bool mergeCookies = args.mergeCookies.value_or(true);
    bool addDefaultHeaders = args.addDefaultHeaders.value_or(true);
    bool normalizeHeaders = args.normalizeHeaders.value_or(true);

    CallCoInitialize();

    std::int32_t method = args.method < 0 || args.method > 7 ? 0 : args.method;
    const Text methodName = MethodNames[method];

    ComObject request;
    bool haveRequest = true;
    if (args.requestObject)
        ObjectCopy(request, *args.requestObject);   // a reference of our own; the caller keeps theirs
    else
        haveRequest = ObjectCreate(request, progId);

    ByteString responseBody;
    if (haveRequest) {
        if (args.timeoutSeconds != kNoTimeouts) {
            std::int32_t ms = args.timeoutSeconds <= 0 ? kDefaultTimeoutMs : TimeoutMilliseconds(args.timeoutSeconds);
            ObjectCallMethod(request, "SetTimeouts", {ms, ms, ms, ms});
        }
        if (!args.proxy.empty()) ObjectCallMethod(request, "SetProxy", {kNamedProxy, args.proxy});
        ObjectCallMethod(request, "Open", {methodName, args.url, false});
        if (args.noRedirect) ObjectWriteProperty(request, "Option", {kOptionEnableRedirects, std::int32_t{0}});
        ObjectWriteProperty(request, "Option", {kOptionSslErrorIgnoreFlags, kIgnoredCertificateErrors});

        Text block = args.headers;
        if (addDefaultHeaders) AddDefaultHeaders(block, args.url, method);
        if (normalizeHeaders) block = NormalizeHeaderNames(block);

        if (!args.proxy.empty() && !args.proxyUser.empty()) SendProxyCredentials(request, args);

        if (args.cookies) {
            Text& cookies = *args.cookies;
            if (!cookies.empty() && FindText(cookies, kCookiePrefix, {}, true) != -1)
                cookies = ReplaceSubtext(cookies, kCookiePrefix, Text(), {}, {}, false);
            ObjectCallMethod(request, "SetRequestHeader", {Text("Cookie"), cookies});
        }

        SendHeaderBlock(request, block);

        if (!args.bodyBytes.empty()) {
            Variant bytes;
            VariantAssignBytes(bytes, args.bodyBytes);
            ObjectCallMethod(request, "Send", {bytes});
            VariantClear(bytes);
        } else {
            ObjectCallMethod(request, "Send", {args.body});
        }

        Variant body = ObjectReadProperty(request, "ResponseBody");
        responseBody = VariantGetBytes(body);
        VariantClear(body);
        responseHeaders = ObjectReadTextProperty(request, "GetAllResponseHeaders");
        status = TruncateStatus(ObjectReadNumberProperty(request, "Status"));
        ObjectReadTextProperty(request, "StatusText");

        CollectResponseCookies(responseHeaders, responseCookies);
        if (mergeCookies && args.cookies) responseCookies = MergeCookies(*args.cookies, responseCookies);

        ObjectClear(request);
    }

    CallCoUninitialize();
    return responseBody;
}

}  // namespace clocktool
