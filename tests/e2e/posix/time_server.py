"""The time server of the restore tests: plain HTTP on 127.0.0.1:80 inside the test's own
network namespace. It serves one connection at a time, logs what it sees (one JSON object
a line), and ends by itself when the process that started it is gone or its lifetime is
over.

Usage: python3 time_server.py CONFIG.json, where CONFIG holds
  "replies":  the answers to the 1st, 2nd... connection (the last one repeats), each
              {"kind": "http", "headers": ["Date: ...", ...]}  200, these header lines
              {"kind": "garbage", "bytes": "..."}              these bytes, then close
              {"kind": "silent"}                               accept, read, never answer
  "listen":   false: accept nothing, so that a connection is refused; the server then
              watches loopback and logs each connection attempt to port 80
  "log", "ready", "pid":  paths of the log, the ready mark and the PID file
  "lifetime": seconds, at most

Log events: {"event": "request", "method", "target", "version", "headers": [[name, value]]}
when a request has been read; {"event": "closed"} when the client has closed that
connection (the exchange is over on its side); {"event": "attempt"} for a connection
attempt while nothing listens.
"""

import json
import os
import select
import socket
import struct
import sys
import time

PORT = 80
ETH_P_ALL = 0x0003
PACKET_OUTGOING = 4
TCP_SYN, TCP_ACK = 0x02, 0x10


class Server:
    def __init__(self, config):
        self.config = config
        self.parent = os.getppid()
        self.end = time.monotonic() + config.get("lifetime", 60)

    def alive(self):
        return time.monotonic() < self.end and os.getppid() == self.parent

    def log(self, event, **fields):
        with open(self.config["log"], "a") as log:
            log.write(json.dumps(dict(event=event, **fields)) + "\n")

    def readable(self, sock, seconds=0.2):
        return bool(select.select([sock], [], [], seconds)[0])

    def read_request(self, connection):
        data = b""
        deadline = time.monotonic() + 5
        while b"\r\n\r\n" not in data and time.monotonic() < deadline and len(data) < 65536 and self.alive():
            if self.readable(connection):
                chunk = connection.recv(4096)
                if not chunk:
                    break
                data += chunk
        head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1")
        lines = head.split("\r\n")
        method, target, version = (lines[0].split(" ") + ["", "", ""])[:3]
        headers = [line.split(":", 1) for line in lines[1:] if ":" in line]
        self.log("request", method=method, target=target, version=version,
                 headers=[[name, value.strip()] for name, value in headers])

    def wait_for_client_close(self, connection):
        """Drains the connection until the client closes it (or the server's life ends)."""
        while self.alive():
            if self.readable(connection):
                try:
                    if not connection.recv(4096):
                        self.log("closed")
                        return
                except ConnectionResetError:
                    self.log("closed")
                    return

    def serve(self, connection, reply):
        self.read_request(connection)
        try:
            if reply["kind"] == "http":
                text = "HTTP/1.1 200 OK\r\n" + "".join(line + "\r\n" for line in reply["headers"])
                text += "Content-Length: 0\r\nConnection: close\r\n\r\n"
                connection.sendall(text.encode("latin-1"))
            elif reply["kind"] == "garbage":
                connection.sendall(reply["bytes"].encode("latin-1"))
            if reply["kind"] != "silent":
                connection.shutdown(socket.SHUT_WR)
        except OSError:   # the client is gone already
            self.log("closed")
            return
        self.wait_for_client_close(connection)

    def run_listening(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", PORT))
        listener.listen(8)
        open(self.config["ready"], "w").close()
        replies = self.config["replies"]
        served = 0
        while self.alive():
            if not self.readable(listener):
                continue
            connection, _ = listener.accept()
            with connection:
                self.serve(connection, replies[min(served, len(replies) - 1)])
            served += 1

    def run_refusing(self):
        # Nothing listens on the port, so the kernel refuses each connection; a packet
        # socket on loopback shows that the program did try (its SYN to the port).
        watcher = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
        watcher.bind(("lo", 0))
        open(self.config["ready"], "w").close()
        while self.alive():
            if not self.readable(watcher):
                continue
            packet, address = watcher.recvfrom(65536)
            if address[2] == PACKET_OUTGOING:   # loopback shows each packet twice
                continue
            ip = packet[14:]   # after loopback's Ethernet header
            if len(ip) < 20 or ip[0] >> 4 != 4 or ip[9] != socket.IPPROTO_TCP:
                continue
            tcp = ip[(ip[0] & 0x0F) * 4:]
            if len(tcp) < 14:
                continue
            port = struct.unpack("!H", tcp[2:4])[0]
            if port == PORT and tcp[13] & (TCP_SYN | TCP_ACK) == TCP_SYN:
                self.log("attempt")


def main():
    with open(sys.argv[1]) as f:
        config = json.load(f)
    with open(config["pid"], "w") as f:
        f.write(str(os.getpid()))
    server = Server(config)
    if config.get("listen", True):
        server.run_listening()
    else:
        server.run_refusing()


if __name__ == "__main__":
    main()
