// The loopback server's sockets on Windows (Winsock; works under Wine). ws2_32 is
// loaded at run time, so the test programs need no extra link library.
#include <winsock2.h>
#include <windows.h>

#include <mutex>

#include "support/loopback_server.h"

namespace clocktool::testing::socket_shim {

namespace {

struct Winsock {
    decltype(&::WSAStartup) WSAStartup;
    decltype(&::socket) socket;
    decltype(&::bind) bind;
    decltype(&::listen) listen;
    decltype(&::getsockname) getsockname;
    decltype(&::accept) accept;
    decltype(&::recv) recv;
    decltype(&::send) send;
    decltype(&::select) select;
    decltype(&::shutdown) shutdown;
    decltype(&::closesocket) closesocket;
};

template <typename F>
void Bind(HMODULE library, F& function, const char* name) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

const Winsock* Api() {
    static Winsock api{};
    static bool ready = false;
    static std::once_flag once;
    std::call_once(once, [] {
        HMODULE library = LoadLibraryW(L"ws2_32.dll");
        if (!library) return;
        Bind(library, api.WSAStartup, "WSAStartup");
        Bind(library, api.socket, "socket");
        Bind(library, api.bind, "bind");
        Bind(library, api.listen, "listen");
        Bind(library, api.getsockname, "getsockname");
        Bind(library, api.accept, "accept");
        Bind(library, api.recv, "recv");
        Bind(library, api.send, "send");
        Bind(library, api.select, "select");
        Bind(library, api.shutdown, "shutdown");
        Bind(library, api.closesocket, "closesocket");
        WSADATA data;
        ready = api.WSAStartup && api.closesocket && api.WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return ready ? &api : nullptr;
}

bool Readable(std::intptr_t s, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(s), &set);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return Api()->select(0, &set, nullptr, nullptr, &wait) > 0;
}

}  // namespace

std::intptr_t Listen(int& port) {
    const Winsock* ws = Api();
    if (!ws) return -1;
    SOCKET s = ws->socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = 0x0100007F;   // 127.0.0.1 in network order
    int length = sizeof address;
    if (ws->bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ws->listen(s, 16) != 0 ||
        ws->getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ws->closesocket(s);
        return -1;
    }
    port = (address.sin_port & 0xFF) << 8 | (address.sin_port >> 8);
    return static_cast<std::intptr_t>(s);
}

std::intptr_t Accept(std::intptr_t listener, int timeoutMs) {
    if (!Readable(listener, timeoutMs)) return -1;
    SOCKET s = Api()->accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? -1 : static_cast<std::intptr_t>(s);
}

int Receive(std::intptr_t s, char* buffer, int size, int timeoutMs) {
    if (!Readable(s, timeoutMs)) return -1;
    const int n = Api()->recv(static_cast<SOCKET>(s), buffer, size, 0);
    return n < 0 ? -1 : n;
}

bool SendAll(std::intptr_t s, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int n = Api()->send(static_cast<SOCKET>(s), bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

void Close(std::intptr_t s) {
    Api()->shutdown(static_cast<SOCKET>(s), SD_BOTH);
    Api()->closesocket(static_cast<SOCKET>(s));
}

}  // namespace clocktool::testing::socket_shim
