// "WinHttp.WinHttpRequest.5.1" on Linux: the request object over libcurl, with the
// members and behaviour of IWinHttpRequest that the program relies on.
//
// - Time-outs (SetTimeouts, ms): resolve + connect bound the connection; send and
//   receive bound the time without progress while sending and while waiting for or
//   reading the response. The transfer runs on a multi handle polled in short steps,
//   because libcurl's own low-speed limit counts whole seconds.
// - No proxy unless SetProxy(2, server): the environment's http_proxy is ignored.
// - Redirects are followed unless Option 6 is 0; certificates are verified unless
//   Option 4 names errors to ignore.
// - GetAllResponseHeaders gives the final response's header block only: the status
//   line, each header line, every line ending in "\r\n", then an empty line.
// - Any failure of a member is DISP_E_EXCEPTION, as the platform's object reports it
//   through IDispatch; a failed Send leaves no response and the object reusable.
#include <curl/curl.h>

#include <chrono>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "runtime/posix/automation_model.h"
#include "runtime/text.h"
#include "runtime/unicode.h"

namespace clocktool::model {

namespace {

// Member ids of IWinHttpRequest.
enum RequestMemberId : std::int32_t {
    kOpen = 1, kSetRequestHeader = 2, kGetResponseHeader = 3, kGetAllResponseHeaders = 4, kSend = 5,
    kOption = 6, kStatus = 7, kStatusText = 8, kResponseText = 9, kResponseBody = 10, kAbort = 12,
    kSetProxy = 13, kSetCredentials = 14, kWaitForResponse = 15, kSetTimeouts = 16,
};

// Option indexes (WinHttpRequestOption) this object knows.
enum RequestOption : std::int32_t {
    kOptionUserAgentString = 0, kOptionUrl = 1, kOptionSslErrorIgnoreFlags = 4, kOptionEnableRedirects = 6,
};

constexpr std::int32_t kProxySettingProxy = 2;   // HTTPREQUEST_PROXYSETTING_PROXY
constexpr std::int32_t kSetCredentialsForProxy = 1;
// SslErrorIgnoreFlags bits.
constexpr std::int32_t kIgnoreUnknownCa = 0x0100, kIgnoreWrongUsage = 0x0200, kIgnoreCommonName = 0x1000,
                       kIgnoreDate = 0x2000;

const char* const kDefaultUserAgent = "Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)";

// --- the object ---

struct Response {
    long status = 0;
    std::string statusText;
    std::vector<std::string> headerLines;   // of the final response: status line first, no line ends
    std::string body;
};

class Request : public Instance {
public:
    // Settings that outlive Open.
    std::int32_t resolveMs = 0, connectMs = 60000, sendMs = 30000, receiveMs = 30000;   // 0: no limit
    std::string proxy, proxyBypass;
    std::string serverUser, serverPassword, proxyUser, proxyPassword;
    bool followRedirects = true;
    std::int32_t sslIgnoreFlags = 0;
    std::string userAgent = kDefaultUserAgent;

    // The request that Open prepares.
    bool opened = false;
    std::string method, url;
    std::vector<std::pair<std::string, std::string>> headers;

    // The response of the last Send that succeeded.
    bool responded = false;
    Response response;
};

// What one transfer collects through libcurl's callbacks.
struct Transfer {
    const std::string* body = nullptr;
    std::size_t sent = 0;
    Response response;
    std::chrono::steady_clock::time_point lastProgress;
    curl_off_t uploadTotal = 0, uploadNow = 0, downloadNow = 0;
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    transfer.lastProgress = std::chrono::steady_clock::now();
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    // Every response of a redirect chain (and any interim or proxy answer) starts with
    // its status line; only the last block is kept.
    if (line.rfind("HTTP/", 0) == 0) {
        transfer.response = Response{};
        const auto firstBlank = line.find(' ');
        const auto secondBlank = firstBlank == std::string::npos ? firstBlank : line.find(' ', firstBlank + 1);
        if (secondBlank != std::string::npos) transfer.response.statusText = line.substr(secondBlank + 1);
    }
    if (!line.empty()) transfer.response.headerLines.push_back(std::move(line));
    return size * count;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    transfer.lastProgress = std::chrono::steady_clock::now();
    transfer.response.body.append(data, size * count);
    return size * count;
}

int OnProgress(void* user, curl_off_t, curl_off_t downloadNow, curl_off_t uploadTotal, curl_off_t uploadNow) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (uploadNow != transfer.uploadNow || downloadNow != transfer.downloadNow) {
        transfer.lastProgress = std::chrono::steady_clock::now();
        transfer.uploadNow = uploadNow;
        transfer.downloadNow = downloadNow;
    }
    transfer.uploadTotal = uploadTotal;
    return 0;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlList {
    curl_slist* list = nullptr;
    ~CurlList() { curl_slist_free_all(list); }
    void Add(const std::string& line) { list = curl_slist_append(list, line.c_str()); }
};

bool HasHeader(const Request& request, std::string_view name) {
    for (const auto& [n, v] : request.headers)
        if (EqualIgnoringCase(n, name)) return true;
    return false;
}

// Runs one exchange. False when it failed or a time-out ended it.
bool Perform(const Request& request, const std::string& body, Response& response) {
    InitCurlOnce();
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    if (!easy || !multi) {
        curl_easy_cleanup(easy);
        curl_multi_cleanup(multi);
        return false;
    }
    Transfer transfer;
    transfer.body = &body;
    CurlList headers;

    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");

    const std::string& method = request.method;
    if (method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (method == "GET" && body.empty()) {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
        if (method != "GET" || !body.empty()) {
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
        }
        if (method != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
        // libcurl's own additions to a body that the platform's object does not make.
        if (!HasHeader(request, "Content-Type")) headers.Add("Content-Type:");
        headers.Add("Expect:");
    }
    if (!HasHeader(request, "Accept")) headers.Add("Accept:");
    for (const auto& [name, value] : request.headers)
        headers.Add(value.empty() ? name + ";" : name + ": " + value);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, request.userAgent.c_str());

    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    // "" turns off every proxy, http_proxy of the environment included.
    curl_easy_setopt(easy, CURLOPT_PROXY, request.proxy.c_str());
    if (!request.proxyBypass.empty()) curl_easy_setopt(easy, CURLOPT_NOPROXY, request.proxyBypass.c_str());
    if (!request.proxyUser.empty()) {
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
    }
    if (!request.serverUser.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, request.serverUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, request.serverPassword.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }
    const bool ignoreAuthority = request.sslIgnoreFlags & (kIgnoreUnknownCa | kIgnoreDate | kIgnoreWrongUsage);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, ignoreAuthority ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, (request.sslIgnoreFlags & kIgnoreCommonName) ? 0L : 2L);

    if (request.connectMs > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.resolveMs) + request.connectMs);

    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);

    curl_multi_add_handle(multi, easy);
    bool ok = false;
    bool timedOut = false;
    transfer.lastProgress = std::chrono::steady_clock::now();
    for (int running = 1; running > 0;) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) break;
        if (running == 0) {
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left))
                if (message->msg == CURLMSG_DONE) ok = message->data.result == CURLE_OK;
            break;
        }
        // Until the connection stands, the connection time-out governs; after it, the
        // time without progress of the phase the exchange is in.
        curl_off_t connectedAfter = 0;
        curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectedAfter);
        const auto now = std::chrono::steady_clock::now();
        if (connectedAfter == 0) {
            transfer.lastProgress = now;
        } else {
            const bool sending = transfer.uploadTotal > 0 && transfer.uploadNow < transfer.uploadTotal;
            const std::int32_t limit = sending ? request.sendMs : request.receiveMs;
            if (limit > 0 && now - transfer.lastProgress > std::chrono::milliseconds(limit)) {
                timedOut = true;
                break;
            }
        }
        curl_multi_poll(multi, nullptr, 0, 20, nullptr);
    }
    curl_multi_remove_handle(multi, easy);
    if (ok && !timedOut) {
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        transfer.response.status = status;
        response = std::move(transfer.response);
    }
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    return ok && !timedOut;
}

// --- members ---

Request& Self(Instance& instance) { return static_cast<Request&>(instance); }

std::string TextArgument(const Variant& value) {
    Variant text = value;
    if (text.vt == VT_ERROR || !ChangeVariantType(text, VT_BSTR)) return {};
    return Utf16ToUtf8(text.string);
}

bool Given(const Variant& value) { return !(value.vt == VT_ERROR && value.integer == kDispEParamNotFound); }

Variant BstrOf(std::string_view bytes) { return BstrVariant(Utf8ToUtf16(bytes)); }

std::string HeaderBlock(const Response& response) {
    std::string block;
    for (const std::string& line : response.headerLines) block += line + "\r\n";
    return block + "\r\n";
}

HResult SetTimeouts(Request& r, const std::vector<Variant>& v) {
    for (const Variant& value : v)
        if (value.integer < -1) return kEInvalidArg;
    auto limit = [](const Variant& value) { return value.integer < 0 ? 0 : static_cast<std::int32_t>(value.integer); };
    r.resolveMs = limit(v[0]);
    r.connectMs = limit(v[1]);
    r.sendMs = limit(v[2]);
    r.receiveMs = limit(v[3]);
    return kSOk;
}

HResult SetProxy(Request& r, const std::vector<Variant>& v) {
    if (v[0].integer == kProxySettingProxy) {
        r.proxy = Given(v[1]) ? TextArgument(v[1]) : std::string();
        r.proxyBypass = Given(v[2]) ? TextArgument(v[2]) : std::string();
        for (char& c : r.proxyBypass)
            if (c == ';') c = ',';
        if (r.proxy.empty()) return kEInvalidArg;
    } else if (v[0].integer == 0 || v[0].integer == 1) {   // the default (no proxy here) or direct
        r.proxy.clear();
        r.proxyBypass.clear();
    } else {
        return kEInvalidArg;
    }
    return kSOk;
}

HResult SetCredentials(Request& r, const std::vector<Variant>& v) {
    const std::string user = Utf16ToUtf8(v[0].string), password = Utf16ToUtf8(v[1].string);
    if (v[2].integer == kSetCredentialsForProxy) {
        r.proxyUser = user;
        r.proxyPassword = password;
    } else if (v[2].integer == 0) {
        r.serverUser = user;
        r.serverPassword = password;
    } else {
        return kEInvalidArg;
    }
    return kSOk;
}

HResult Open(Request& r, const std::vector<Variant>& v) {
    const std::string method = Utf16ToUtf8(v[0].string), url = Utf16ToUtf8(v[1].string);
    const bool http = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
    if (method.empty() || method.find_first_of(" \t\r\n") != std::string::npos || !http) return kDispEException;
    r.opened = true;
    r.method = method;
    r.url = url;
    r.headers.clear();
    r.responded = false;
    r.response = Response{};
    return kSOk;
}

HResult SetRequestHeader(Request& r, const std::vector<Variant>& v) {
    const std::string name = Utf16ToUtf8(v[0].string), value = Utf16ToUtf8(v[1].string);
    if (!r.opened || r.responded || name.empty() || name.find_first_of(": \t\r\n") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos)
        return kDispEException;
    for (auto& header : r.headers)
        if (EqualIgnoringCase(header.first, name)) {
            header.second = value;
            return kSOk;
        }
    r.headers.emplace_back(name, value);
    return kSOk;
}

HResult Send(Request& r, const std::vector<Variant>& v) {
    if (!r.opened) return kDispEException;
    std::string body;
    if (Given(v[0]) && v[0].vt != VT_EMPTY) {
        if (BaseType(v[0].vt) == VT_UI1 && (v[0].vt & VT_ARRAY)) {
            body = v[0].array.data;
        } else {
            Variant text = v[0];
            if (!ChangeVariantType(text, VT_BSTR)) return kDispETypeMismatch;
            body = Utf16ToUtf8(text.string);   // a text body goes out as UTF-8
        }
    }
    r.responded = false;
    r.response = Response{};
    if (!Perform(r, body, r.response)) return kDispEException;
    r.responded = true;
    return kSOk;
}

HResult Option(Request& r, const std::vector<Variant>& v, InvokeKind kind, Variant& result) {
    const std::int32_t index = static_cast<std::int32_t>(v[0].integer);
    if (kind == INVOKE_PROPERTYGET) {
        switch (index) {
            case kOptionUserAgentString: result = BstrOf(r.userAgent); return kSOk;
            case kOptionUrl: result = BstrOf(r.url); return kSOk;
            case kOptionSslErrorIgnoreFlags: result = I4Variant(r.sslIgnoreFlags); return kSOk;
            case kOptionEnableRedirects: result = BoolVariant(r.followRedirects); return kSOk;
            default: return kEInvalidArg;
        }
    }
    Variant value = v[1];
    switch (index) {
        case kOptionUserAgentString:
            if (!ChangeVariantType(value, VT_BSTR)) return kDispETypeMismatch;
            r.userAgent = Utf16ToUtf8(value.string);
            return kSOk;
        case kOptionSslErrorIgnoreFlags:
            if (!ChangeVariantType(value, VT_I4)) return kDispETypeMismatch;
            if (value.integer & ~(kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreCommonName | kIgnoreDate))
                return kEInvalidArg;
            r.sslIgnoreFlags = static_cast<std::int32_t>(value.integer);
            return kSOk;
        case kOptionEnableRedirects:
            if (!ChangeVariantType(value, VT_BOOL)) return kDispETypeMismatch;
            r.followRedirects = value.integer != 0;
            return kSOk;
        default:
            return kEInvalidArg;
    }
}

// The reads after a Send: each fails while there is no response.
HResult ReadResponse(Request& r, std::int32_t id, const std::vector<Variant>& v, Variant& result) {
    if (!r.responded) return kDispEException;
    const Response& response = r.response;
    switch (id) {
        case kStatus: result = I4Variant(static_cast<std::int32_t>(response.status)); return kSOk;
        case kStatusText: result = BstrOf(response.statusText); return kSOk;
        case kResponseText: result = BstrOf(response.body); return kSOk;
        case kResponseBody: result = ByteArrayVariant(response.body, 0); return kSOk;
        case kGetAllResponseHeaders: result = BstrOf(HeaderBlock(response)); return kSOk;
        case kGetResponseHeader: {
            const std::string name = Utf16ToUtf8(v[0].string);
            for (std::size_t i = 1; i < response.headerLines.size(); ++i) {
                const std::string& line = response.headerLines[i];
                const auto colon = line.find(':');
                if (colon == std::string::npos || !EqualIgnoringCase(line.substr(0, colon), name)) continue;
                const auto start = line.find_first_not_of(" \t", colon + 1);
                result = BstrOf(start == std::string::npos ? std::string() : line.substr(start));
                return kSOk;
            }
            return kDispEException;
        }
        default: return kDispEMemberNotFound;
    }
}

// One member's behaviour, after the standard argument handling.
HResult Run(std::int32_t id, Request& r, const std::vector<Variant>& v, Call& call) {
    switch (id) {
        case kSetTimeouts: return SetTimeouts(r, v);
        case kSetProxy: return SetProxy(r, v);
        case kSetCredentials: return SetCredentials(r, v);
        case kOpen: return Open(r, v);
        case kSetRequestHeader: return SetRequestHeader(r, v);
        case kSend: return Send(r, v);
        case kOption: return Option(r, v, call.kind, call.result);
        case kAbort:
            r.opened = false;
            r.responded = false;
            return kSOk;
        case kWaitForResponse:   // every Send here is synchronous
            call.result = BoolVariant(true);
            return kSOk;
        default: return ReadResponse(r, id, v, call.result);
    }
}

MemberImpl Implement(std::int32_t id, std::vector<Member>* table) {
    return [id, table](Instance& instance, Call& call) -> HResult {
        const Member* member = nullptr;
        for (const Member& m : *table)
            if (m.memberId == id && m.kind == call.kind) member = &m;
        std::vector<Variant> v;
        if (HResult hr = TakeArguments(*member, call, v); hr < 0) return hr;
        // A member's own failure reaches the caller as an exception, as it does through
        // the platform's IDispatch.
        const HResult hr = Run(id, Self(instance), v, call);
        return hr < 0 ? kDispEException : hr;
    };
}

}  // namespace

Class WinHttpRequestClass() {
    // The member table lives as long as the program; each implementation finds its own
    // declared parameters there.
    static std::vector<Member>* table = [] {
        auto* members = new std::vector<Member>{
            {"SetProxy", INVOKE_FUNC, false, kSetProxy, {In(VT_I4), OptionalIn(VT_VARIANT), OptionalIn(VT_VARIANT)}, 2, {}, {}},
            {"SetCredentials", INVOKE_FUNC, false, kSetCredentials, {In(VT_BSTR), In(VT_BSTR), In(VT_I4)}, 0, {}, {}},
            {"Open", INVOKE_FUNC, false, kOpen, {In(VT_BSTR), In(VT_BSTR), OptionalIn(VT_VARIANT)}, 1, {}, {}},
            {"SetRequestHeader", INVOKE_FUNC, false, kSetRequestHeader, {In(VT_BSTR), In(VT_BSTR)}, 0, {}, {}},
            {"GetResponseHeader", INVOKE_FUNC, false, kGetResponseHeader, {In(VT_BSTR)}, 0, {}, {}},
            {"GetAllResponseHeaders", INVOKE_FUNC, false, kGetAllResponseHeaders, {}, 0, {}, {}},
            {"Send", INVOKE_FUNC, false, kSend, {OptionalIn(VT_VARIANT)}, 1, {}, {}},
            {"Option", INVOKE_PROPERTYGET, false, kOption, {In(VT_I4)}, 0, {}, {}},
            {"Option", INVOKE_PROPERTYPUT, false, kOption, {In(VT_I4), In(VT_VARIANT)}, 0, {}, {}},
            {"Status", INVOKE_PROPERTYGET, false, kStatus, {}, 0, {}, {}},
            {"StatusText", INVOKE_PROPERTYGET, false, kStatusText, {}, 0, {}, {}},
            {"ResponseText", INVOKE_PROPERTYGET, false, kResponseText, {}, 0, {}, {}},
            {"ResponseBody", INVOKE_PROPERTYGET, false, kResponseBody, {}, 0, {}, {}},
            {"Abort", INVOKE_FUNC, false, kAbort, {}, 0, {}, {}},
            {"WaitForResponse", INVOKE_FUNC, false, kWaitForResponse, {OptionalIn(VT_VARIANT)}, 1, {}, {}},
            {"SetTimeouts", INVOKE_FUNC, false, kSetTimeouts, {In(VT_I4), In(VT_I4), In(VT_I4), In(VT_I4)}, 0, {}, {}},
        };
        for (Member& member : *members) member.impl = Implement(member.memberId, members);
        return members;
    }();

    Class cls;
    cls.progId = "WinHttp.WinHttpRequest.5.1";
    cls.clsid = "{2087C2F4-2CEF-4953-A8AB-66779B670495}";
    cls.members = *table;
    cls.create = [] { return std::make_unique<Request>(); };
    return cls;
}

}  // namespace clocktool::model
