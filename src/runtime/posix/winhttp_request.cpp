// "WinHttp.WinHttpRequest.5.1" on Linux: the request object over libcurl.
#include "runtime/posix/automation_model.h"

namespace clocktool::model {

namespace {

// Member ids of IWinHttpRequest.
enum RequestMemberId : std::int32_t {
    kOpen = 1, kSetRequestHeader = 2, kGetResponseHeader = 3, kGetAllResponseHeaders = 4, kSend = 5,
    kOption = 6, kStatus = 7, kStatusText = 8, kResponseText = 9, kResponseBody = 10, kAbort = 12,
    kSetProxy = 13, kSetCredentials = 14, kWaitForResponse = 15, kSetTimeouts = 16,
};

}  // namespace

Class WinHttpRequestClass() {
    Class cls;
    cls.progId = "WinHttp.WinHttpRequest.5.1";
    cls.clsid = "{2087C2F4-2CEF-4953-A8AB-66779B670495}";
    cls.members = {
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
    cls.create = [] { return std::make_unique<Instance>(); };
    return cls;
}

}  // namespace clocktool::model
