"""The time server of the restore tests: plain HTTP on 127.0.0.1:80 inside the test's own
network namespace. It answers every request with 200 and the configured header lines, logs
each request (one JSON object a line), and ends by itself when the process that started it
is gone or its lifetime is over.

Usage: python3 time_server.py CONFIG.json, where CONFIG holds
  "headers": ["Date: ...", ...]   response header lines
  "listen":  false                accept nothing (a server that is not there)
  "log", "ready", "pid":          paths of the request log, the ready mark and the PID file
  "lifetime":                     seconds, at most
"""

import json
import os
import select
import socket
import sys
import time


def read_request(connection, deadline):
    data = b""
    while b"\r\n\r\n" not in data and time.monotonic() < deadline and len(data) < 65536:
        ready, _, _ = select.select([connection], [], [], 0.2)
        if ready:
            chunk = connection.recv(4096)
            if not chunk:
                break
            data += chunk
    head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1")
    lines = head.split("\r\n")
    method, target, version = (lines[0].split(" ") + ["", "", ""])[:3]
    headers = [line.split(":", 1) for line in lines[1:] if ":" in line]
    return {"method": method, "target": target, "version": version,
            "headers": [[name, value.strip()] for name, value in headers]}


def main():
    with open(sys.argv[1]) as f:
        config = json.load(f)
    parent = os.getppid()
    end = time.monotonic() + config.get("lifetime", 60)
    with open(config["pid"], "w") as f:
        f.write(str(os.getpid()))

    listener = None
    if config.get("listen", True):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", 80))
        listener.listen(8)
    open(config["ready"], "w").close()

    while time.monotonic() < end and os.getppid() == parent:
        if listener is None:
            time.sleep(0.2)
            continue
        ready, _, _ = select.select([listener], [], [], 0.2)
        if not ready:
            continue
        connection, _ = listener.accept()
        with connection:
            request = read_request(connection, time.monotonic() + 5)
            with open(config["log"], "a") as log:
                log.write(json.dumps(request) + "\n")
            reply = "HTTP/1.1 200 OK\r\n" + "".join(line + "\r\n" for line in config["headers"])
            reply += "Content-Length: 0\r\nConnection: close\r\n\r\n"
            connection.sendall(reply.encode("latin-1"))


if __name__ == "__main__":
    main()
