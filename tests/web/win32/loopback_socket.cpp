// Loopback sockets for the test server: Winsock and select. The test programs link no
// Winsock import library, so the few functions are looked up in ws2_32.dll at start.
#include "../loopback_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace clocktool::testing::loopback {
namespace {

struct Winsock {
    decltype(&::WSAStartup) WSAStartup;
    decltype(&::socket) socket;
    decltype(&::bind) bind;
    decltype(&::listen) listen;
    decltype(&::getsockname) getsockname;
    decltype(&::accept) accept;
    decltype(&::select) select;
    decltype(&::recv) recv;
    decltype(&::send) send;
    decltype(&::closesocket) closesocket;
};
Winsock ws;

template <typename F>
bool Find(HMODULE module, F& function, const char* name) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

bool LoadWinsock() {
    HMODULE module = LoadLibraryW(L"ws2_32.dll");
    return module && Find(module, ws.WSAStartup, "WSAStartup") && Find(module, ws.socket, "socket") &&
           Find(module, ws.bind, "bind") && Find(module, ws.listen, "listen") &&
           Find(module, ws.getsockname, "getsockname") && Find(module, ws.accept, "accept") &&
           Find(module, ws.select, "select") && Find(module, ws.recv, "recv") && Find(module, ws.send, "send") &&
           Find(module, ws.closesocket, "closesocket");
}

bool ReadableWithin(SOCKET socket, int timeoutMs) {
    fd_set readable;
    readable.fd_array[0] = socket;
    readable.fd_count = 1;
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ws.select(0, &readable, nullptr, nullptr, &timeout) == 1;
}

}  // namespace

bool Start() {
    static const bool started = [] {
        WSADATA data;
        return LoadWinsock() && ws.WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::intptr_t Listen(int& port) {
    SOCKET listener = ws.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.S_un.S_un_b = {127, 0, 0, 1};   // network order, byte by byte
    int size = sizeof address;
    if (ws.bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ws.listen(listener, 16) != 0 ||
        ws.getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ws.closesocket(listener);
        return -1;
    }
    const auto* portBytes = reinterpret_cast<const unsigned char*>(&address.sin_port);
    port = portBytes[0] << 8 | portBytes[1];   // network order
    return static_cast<std::intptr_t>(listener);
}

std::intptr_t AcceptWithin(std::intptr_t listener, int timeoutMs) {
    if (!ReadableWithin(static_cast<SOCKET>(listener), timeoutMs)) return -1;
    SOCKET connection = ws.accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return connection == INVALID_SOCKET ? -1 : static_cast<std::intptr_t>(connection);
}

int ReceiveWithin(std::intptr_t socket, char* buffer, int size, int timeoutMs) {
    if (!ReadableWithin(static_cast<SOCKET>(socket), timeoutMs)) return -1;
    return ws.recv(static_cast<SOCKET>(socket), buffer, size, 0);
}

bool SendAll(std::intptr_t socket, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        int n = ws.send(static_cast<SOCKET>(socket), data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void Close(std::intptr_t socket) { ws.closesocket(static_cast<SOCKET>(socket)); }

}  // namespace clocktool::testing::loopback
