#include "support/loopback_server.h"

#include <chrono>

#include "runtime/text.h"

namespace clocktool::testing {

namespace {

constexpr int kIdleMs = 3000;   // a connection that says nothing for this long is dropped

}  // namespace

std::string ReceivedRequest::Header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (EqualIgnoringCase(n, name)) return v;
    return {};
}

bool ReceivedRequest::HasHeader(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (EqualIgnoringCase(n, name)) return true;
    return false;
}

std::string HttpResponse(int status, const std::string& reason,
                         const std::vector<std::pair<std::string, std::string>>& headers, const std::string& body,
                         bool headOnly) {
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
    for (const auto& [name, value] : headers) out += name + ": " + value + "\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    if (!headOnly) out += body;
    return out;
}

LoopbackServer::LoopbackServer(Handler handler, int silenceMs) : handler_(std::move(handler)), silenceMs_(silenceMs) {
    listener_ = socket_shim::Listen(port_);
    if (listener_ >= 0) thread_ = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) socket_shim::Close(listener_);
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<ReceivedRequest> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackServer::Run() {
    while (!stopping_) {
        std::intptr_t connection = socket_shim::Accept(listener_, 50);
        if (connection < 0) continue;
        Serve(connection);
        socket_shim::Close(connection);
    }
}

void LoopbackServer::Serve(std::intptr_t connection) {
    using Clock = std::chrono::steady_clock;
    std::string data;
    char buffer[4096];
    auto readMore = [&] {
        const auto deadline = Clock::now() + std::chrono::milliseconds(kIdleMs);
        while (!stopping_ && Clock::now() < deadline) {
            int n = socket_shim::Receive(connection, buffer, sizeof buffer, 50);
            if (n > 0) {
                data.append(buffer, n);
                return true;
            }
            if (n == 0) return false;
        }
        return false;
    };
    std::size_t headerEnd;
    while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos)
        if (!readMore()) return;

    ReceivedRequest request;
    std::size_t lineStart = 0;
    bool first = true;
    while (lineStart < headerEnd) {
        std::size_t lineEnd = data.find("\r\n", lineStart);
        std::string line = data.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 2;
        if (first) {
            first = false;
            const auto a = line.find(' '), b = line.rfind(' ');
            request.method = line.substr(0, a);
            request.target = line.substr(a + 1, b - a - 1);
            request.version = line.substr(b + 1);
            continue;
        }
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const auto valueStart = line.find_first_not_of(' ', colon + 1);
        request.headers.emplace_back(line.substr(0, colon),
                                     valueStart == std::string::npos ? "" : line.substr(valueStart));
    }
    const std::string length = request.Header("Content-Length");
    const std::size_t bodyLength = length.empty() ? 0 : std::stoul(length);
    while (data.size() < headerEnd + 4 + bodyLength)
        if (!readMore()) return;
    request.body = data.substr(headerEnd + 4, bodyLength);

    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    const std::string answer = handler_(request);
    if (!answer.empty()) {
        socket_shim::SendAll(connection, answer);
        return;
    }
    const auto until = Clock::now() + std::chrono::milliseconds(silenceMs_);
    while (!stopping_ && Clock::now() < until) socket_shim::Receive(connection, buffer, sizeof buffer, 50);
}

}  // namespace clocktool::testing
