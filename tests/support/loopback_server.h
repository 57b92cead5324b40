// A small HTTP server on 127.0.0.1 (a free port) for tests, in a thread of the test
// program: it takes one request per connection, records it, and sends back what the
// test's handler answers, then closes. Everything it does is bounded in time: a
// connection that sends nothing is dropped after a few seconds, a silent answer holds
// the connection for `silenceMs` at most, and the destructor stops the thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace clocktool::testing {

struct ReceivedRequest {
    std::string method, target, version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The value of the first header of that name (ASCII case ignored), or "".
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
};

// The raw bytes to answer with; an empty answer means silence: no word until the
// connection is dropped.
using Handler = std::function<std::string(const ReceivedRequest&)>;

// A complete response with Content-Length (unless `headOnly`) and "Connection: close".
std::string HttpResponse(int status, const std::string& reason,
                         const std::vector<std::pair<std::string, std::string>>& headers = {},
                         const std::string& body = {}, bool headOnly = false);

class LoopbackServer {
public:
    explicit LoopbackServer(Handler handler, int silenceMs = 3000);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool listening() const { return listener_ >= 0; }
    int port() const { return port_; }
    std::string Url(const std::string& path = "/") const;
    std::vector<ReceivedRequest> requests() const;

private:
    void Run();
    void Serve(std::intptr_t connection);

    Handler handler_;
    int silenceMs_;
    std::intptr_t listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<ReceivedRequest> requests_;
    std::thread thread_;
};

// The socket calls the server needs, one small file per platform.
namespace socket_shim {
std::intptr_t Listen(int& port);                                   // -1 on failure
std::intptr_t Accept(std::intptr_t listener, int timeoutMs);       // -1: nothing came
int Receive(std::intptr_t socket, char* buffer, int size, int timeoutMs);   // bytes; 0 closed; -1 error or time-out
bool SendAll(std::intptr_t socket, const std::string& bytes);
void Close(std::intptr_t socket);
}  // namespace socket_shim

}  // namespace clocktool::testing
