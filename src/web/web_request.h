// One complete HTTP exchange through the system's HTTP request automation object
// ("WinHttp.WinHttpRequest.5.1"), driven through the automation bridge.
//
//   Text headers;
//   ByteString body = WebRequest({.url = url, .method = 2, .responseHeaders = &headers});
//
// Out-arguments are pointers to the caller's variables; one left null is written into a
// temporary. `cookies` and the last five fields also tell whether they were given.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/automation.h"
#include "runtime/text.h"

namespace clocktool {

// Request methods by index; an index outside 0..7 means "GET".
inline constexpr const char* MethodNames[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};

struct WebRequestArgs {
    Text url{};
    std::int32_t method = 0;
    Text body{};
    Text* cookies = nullptr;                        // in and out; when given: a "Cookie" header and the merge
    Text* responseCookies = nullptr;                // out
    Text headers{};                                 // a header block
    Text* responseHeaders = nullptr;                // out
    std::int32_t* status = nullptr;                 // out
    bool noRedirect = false;
    ByteString bodyBytes{};                         // sent instead of `body` when non-empty
    Text proxy{};
    std::int32_t timeoutSeconds = 0;                // 0 or less: 15 seconds; -1: the object's own time-outs
    Text proxyUser{};
    Text proxyPassword{};
    std::optional<std::int32_t> credentialTarget{}; // 0 server, 1 proxy (default)
    const ComObject* requestObject = nullptr;       // used instead of a new object; stays the caller's
    std::optional<bool> mergeCookies{};             // default true
    std::optional<bool> addDefaultHeaders{};        // default true
    std::optional<bool> normalizeHeaders{};         // default true
};

// Returns the response body; empty when there is none or the request object cannot be
// created (then no out-argument is written). Failures show only as empty results and status 0.
ByteString WebRequest(const WebRequestArgs& args);

namespace detail {
// WebRequest with another class in place of the request object's ProgID (tests).
ByteString WebRequestWithProgId(const WebRequestArgs& args, const Text& progId);
}

}  // namespace clocktool
