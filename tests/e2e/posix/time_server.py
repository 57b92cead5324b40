"""The time server of the restore tests: plain HTTP on 127.0.0.1:80 inside the test's own
network namespace. It logs each request it reads (one JSON object a line) and ends by
itself when the process that started it is gone or its lifetime is over.

Usage: python3 time_server.py CONFIG.json, where CONFIG holds
  "replies":  the answers to the 1st, 2nd... connection (the last one repeats), each
              {"kind": "http", "headers": ["Date: ...", ...]}  200 with these header lines
              {"kind": "garbage", "bytes": "..."}              these bytes, then the end
              {"kind": "silent"}                               nothing, ever
  "headers":  short for "replies": [{"kind": "http", "headers": ...}]
  "listen":   false: accept nothing, so that each connection is refused; the server
              then watches loopback for the attempts instead
  "log":      the request log: {"method", "target", "version", "headers": [[name, value]]}
  "events":   (optional) where each exchange's end goes: {"event": "closed"} when the
              client has closed its connection, {"event": "attempt"} for a connection
              attempt while nothing listens
  "ready", "pid":  paths of the ready mark and the PID file
  "lifetime": seconds, at most
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
        self.replies = config.get("replies") or [{"kind": "http", "headers": config.get("headers", [])}]
        self.parent = os.getppid()
        self.end = time.monotonic() + config.get("lifetime", 60)

    def alive(self):
        return time.monotonic() < self.end and os.getppid() == self.parent

    def append(self, path, entry):
        if path:
            with open(path, "a") as f:
                f.write(json.dumps(entry) + "\n")

    def event(self, name):
        self.append(self.config.get("events"), {"event": name})

    def read_request(self, connection):
        data = b""
        deadline = time.monotonic() + 5
        while b"\r\n\r\n" not in data and time.monotonic() < deadline and len(data) < 65536:
            if select.select([connection], [], [], 0.2)[0]:
                chunk = connection.recv(4096)
                if not chunk:
                    break
                data += chunk
        head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1")
        lines = head.split("\r\n")
        method, target, version = (lines[0].split(" ") + ["", "", ""])[:3]
        headers = [line.split(":", 1) for line in lines[1:] if ":" in line]
        self.append(self.config["log"], {"method": method, "target": target, "version": version,
                                         "headers": [[name, value.strip()] for name, value in headers]})

    def answer(self, connection, reply):
        """Reads the request and answers it; False when the client is gone already."""
        try:
            self.read_request(connection)
            if reply["kind"] == "http":
                text = "HTTP/1.1 200 OK\r\n" + "".join(line + "\r\n" for line in reply["headers"])
                text += "Content-Length: 0\r\nConnection: close\r\n\r\n"
                connection.sendall(text.encode("latin-1"))
            elif reply["kind"] == "garbage":
                connection.sendall(reply["bytes"].encode("latin-1"))
            if reply["kind"] != "silent":
                connection.shutdown(socket.SHUT_WR)
            return True
        except OSError:
            return False

    def run_listening(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", PORT))
        listener.listen(8)
        open(self.config["ready"], "w").close()
        served = 0
        answered = []   # connections answered (or left unanswered) until their client closes them
        while self.alive():
            readable = select.select([listener] + answered, [], [], 0.2)[0]
            for connection in readable:
                if connection is listener:
                    client, _ = listener.accept()
                    reply = self.replies[min(served, len(self.replies) - 1)]
                    served += 1
                    if self.answer(client, reply):
                        answered.append(client)
                    else:
                        client.close()
                        self.event("closed")
                    continue
                try:
                    closed = not connection.recv(4096)
                except OSError:
                    closed = True
                if closed:
                    answered.remove(connection)
                    connection.close()
                    self.event("closed")

    def run_refusing(self):
        # Nothing listens on the port, so the kernel refuses each connection; a packet
        # socket on loopback shows that the program did try (its SYN to the port).
        try:
            watcher = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
            watcher.bind(("lo", 0))
        except OSError:   # not allowed to watch: refuse all the same, unobserved
            watcher = None
        open(self.config["ready"], "w").close()
        while self.alive():
            if watcher is None:
                time.sleep(0.2)
                continue
            if not select.select([watcher], [], [], 0.2)[0]:
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
                self.event("attempt")


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
