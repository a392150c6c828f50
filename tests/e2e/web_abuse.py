#!/usr/bin/env python3
"""Sends tidewell-web what no client should: random bytes, a header over the limit, broken
and oversized WebSocket traffic, a hundred idle connections. The caller then checks that the
bridge (and the plug-in behind it) still answer.
    web_abuse.py PORT        (127.0.0.1 only)
"""
import base64
import os
import random
import socket
import struct
import sys

PORT = int(sys.argv[1])
random.seed(17)


def connect():
    s = socket.create_connection(("127.0.0.1", PORT), timeout=5)
    return s


def exchange(payload, read=True):
    s = connect()
    try:
        s.sendall(payload)
        if read:
            try:
                return s.recv(4096)
            except (socket.timeout, ConnectionError):
                return b""
        return b""
    finally:
        s.close()


answers = []
for _ in range(20):
    answers.append(exchange(bytes(random.getrandbits(8) for _ in range(random.randint(1, 3000)))))
answers.append(exchange(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + b"a" * 20000 + b"\r\n\r\n"))
answers.append(exchange(b"POST /api/mode HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: -5\r\n\r\n{}"))
answers.append(exchange(b"POST /api/mode HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n\r\n"
                        b"FFFFFFFF\r\n" + b"x" * 6000))
answers.append(exchange(b"GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n"))

# A proper upgrade, then a text frame over the 4 KB message limit and random frames.
key = base64.b64encode(os.urandom(16))
s = connect()
s.sendall(b"GET /ws HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
          b"Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n" % (PORT, key))
upgraded = s.recv(4096).startswith(b"HTTP/1.1 101")
body = b"x" * 70000
mask = os.urandom(4)
frame = bytes([0x81, 0x80 | 127]) + struct.pack(">Q", len(body)) + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(body))
try:
    s.sendall(frame + os.urandom(5000))
    s.recv(4096)
except (socket.timeout, ConnectionError):
    pass
s.close()

idle = [connect() for _ in range(100)]
for c in idle:
    c.close()

answered = sum(1 for a in answers if a.startswith(b"HTTP/1.1 4"))
print("upgraded %s, %d of %d malformed requests answered 4xx" % (upgraded, answered, len(answers)))
