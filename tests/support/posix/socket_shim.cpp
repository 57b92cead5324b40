// The loopback server's sockets on Linux.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/loopback_server.h"

namespace clocktool::testing::socket_shim {

std::intptr_t Listen(int& port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return -1;
    int yes = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(s);
        return -1;
    }
    port = ntohs(address.sin_port);
    return s;
}

static bool Readable(std::intptr_t s, int timeoutMs) {
    pollfd p{static_cast<int>(s), POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

std::intptr_t Accept(std::intptr_t listener, int timeoutMs) {
    if (!Readable(listener, timeoutMs)) return -1;
    int s = accept(static_cast<int>(listener), nullptr, nullptr);
    return s < 0 ? -1 : s;
}

int Receive(std::intptr_t s, char* buffer, int size, int timeoutMs) {
    if (!Readable(s, timeoutMs)) return -1;
    const auto n = recv(static_cast<int>(s), buffer, size, 0);
    return n < 0 ? -1 : static_cast<int>(n);
}

bool SendAll(std::intptr_t s, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = send(static_cast<int>(s), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

void Close(std::intptr_t s) { close(static_cast<int>(s)); }

}  // namespace clocktool::testing::socket_shim
