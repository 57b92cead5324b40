#include "loopback_server.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <sstream>

namespace clocktool::testing {
namespace {

constexpr int kPollMs = 50;
constexpr auto kLifetime = std::chrono::seconds(60);
constexpr int kReadTimeoutMs = 5000;
constexpr std::size_t kMaxRequestBytes = 1 << 20;

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Trim(const std::string& s) {
    std::size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

RecordedRequest ParseHead(const std::string& head) {
    RecordedRequest request;
    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream requestLine(line);
    requestLine >> request.method >> request.target >> request.version;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
    }
    return request;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (SameIgnoringCase(n, name)) return v;
    return "";
}

bool RecordedRequest::HasHeader(const std::string& name) const {
    for (const auto& header : headers)
        if (SameIgnoringCase(header.first, name)) return true;
    return false;
}

LoopbackServer::LoopbackServer(Responder responder) : responder_(std::move(responder)) {
    if (!loopback::Start()) return;
    listener_ = loopback::Listen(port_);
    if (listener_ != -1) thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != -1) loopback::Close(listener_);
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<RecordedRequest> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackServer::Serve() {
    auto end = std::chrono::steady_clock::now() + kLifetime;
    while (!stop_ && std::chrono::steady_clock::now() < end) {
        std::intptr_t connection = loopback::AcceptWithin(listener_, kPollMs);
        if (connection == -1) continue;
        HandleConnection(connection);
        loopback::Close(connection);
    }
}

void LoopbackServer::HandleConnection(std::intptr_t connection) {
    std::string data;
    char buffer[4096];
    std::size_t headEnd;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        int n = loopback::ReceiveWithin(connection, buffer, sizeof buffer, kReadTimeoutMs);
        if (n <= 0 || data.size() > kMaxRequestBytes) return;
        data.append(buffer, n);
    }
    RecordedRequest request = ParseHead(data.substr(0, headEnd));
    std::size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    request.body = data.substr(headEnd + 4);
    while (request.body.size() < length && length <= kMaxRequestBytes) {
        int n = loopback::ReceiveWithin(connection, buffer, sizeof buffer, kReadTimeoutMs);
        if (n <= 0) break;
        request.body.append(buffer, n);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }

    CannedResponse response = responder_(request);
    std::string reply = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
    for (const std::string& line : response.headerLines) reply += line + "\r\n";
    reply += "Content-Length: " + std::to_string(response.body.size()) + "\r\nConnection: close\r\n\r\n";
    if (request.method != "HEAD") reply += response.body;
    loopback::SendAll(connection, reply);
}

}  // namespace clocktool::testing
