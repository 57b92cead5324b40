// A small HTTP/1.1 server on 127.0.0.1 for the web request tests: it records every
// request and answers each one with what the test's responder returns, then closes the
// connection. It runs on its own thread and stops when destroyed (or after a minute).
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

struct RecordedRequest {
    std::string method, target, version;
    std::vector<std::pair<std::string, std::string>> headers;   // names and values as sent
    std::string body;

    // The value of the first header with that name (compared ignoring case), or "".
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

struct CannedResponse {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::string> headerLines;   // "Name: value"
    std::string body;
};

using Responder = std::function<CannedResponse(const RecordedRequest&)>;

class LoopbackServer {
public:
    explicit LoopbackServer(Responder responder);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    std::string Url(const std::string& path = "/") const;
    std::vector<RecordedRequest> Requests() const;

private:
    void Serve();
    void HandleConnection(std::intptr_t connection);

    Responder responder_;
    std::intptr_t listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};

// The loopback sockets: tests/web/<platform>/loopback_socket.cpp.
namespace loopback {
bool Start();
std::intptr_t Listen(int& port);                                    // -1 on failure
std::intptr_t AcceptWithin(std::intptr_t listener, int timeoutMs);  // -1 when none came
int ReceiveWithin(std::intptr_t socket, char* buffer, int size, int timeoutMs);   // <= 0: closed, time-out or error
bool SendAll(std::intptr_t socket, const std::string& data);
void Close(std::intptr_t socket);
}  // namespace loopback

}  // namespace clocktool::testing
