// Loopback sockets for the test server: BSD sockets and poll.
#include "../loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace clocktool::testing::loopback {
namespace {

bool ReadableWithin(int socket, int timeoutMs) {
    pollfd entry{socket, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) == 1;
}

}  // namespace

bool Start() { return true; }

std::intptr_t Listen(int& port) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(listener);
        return -1;
    }
    port = ntohs(address.sin_port);
    return listener;
}

std::intptr_t AcceptWithin(std::intptr_t listener, int timeoutMs) {
    if (!ReadableWithin(static_cast<int>(listener), timeoutMs)) return -1;
    int connection = accept(static_cast<int>(listener), nullptr, nullptr);
    return connection < 0 ? -1 : connection;
}

int ReceiveWithin(std::intptr_t socket, char* buffer, int size, int timeoutMs) {
    if (!ReadableWithin(static_cast<int>(socket), timeoutMs)) return -1;
    return static_cast<int>(recv(static_cast<int>(socket), buffer, size, 0));
}

bool SendAll(std::intptr_t socket, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = send(static_cast<int>(socket), data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void Close(std::intptr_t socket) { close(static_cast<int>(socket)); }

}  // namespace clocktool::testing::loopback
