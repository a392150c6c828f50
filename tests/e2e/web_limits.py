#!/usr/bin/env python3
"""tidewell-web's limits, measured over loopback: the connection cap, the WebSocket cap and
the slow-down of wrong tokens. Starts the bridge itself (no plug-in is needed: the page and
the refusals do not ask it), prints one line per check with the figures, and exits 1 when a
check fails.
    web_limits.py BUILD_DIR        (127.0.0.1 only)
"""
import base64
import os
import socket
import subprocess
import sys
import time

BUILD = os.path.abspath(sys.argv[1])
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOKEN = "limits-" + base64.b16encode(os.urandom(6)).decode()
MOST_CONNECTIONS = 32
MOST_WEBSOCKETS = 8
MOST_FAILURES = 5
PENALTY_S = 10

failed = 0


def check(name, ok, detail):
    global failed
    print(("ok   " if ok else "FAIL ") + name + ": " + detail, flush=True)
    failed += 0 if ok else 1


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


PORT = free_port()


def connect():
    return socket.create_connection(("127.0.0.1", PORT), timeout=10)


def status_of(sock):
    """The status of the answer on `sock`, and the seconds it took; 0 when none came."""
    start = time.monotonic()
    data = b""
    try:
        while b"\r\n" not in data:
            chunk = sock.recv(4096)
            if not chunk:
                break
            data += chunk
    except (socket.timeout, ConnectionError):
        pass
    took = time.monotonic() - start
    parts = data.split(b" ", 2)
    return (int(parts[1]) if len(parts) > 2 and parts[1].isdigit() else 0), took


def request(target, headers=""):
    s = connect()
    s.sendall(("GET %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n%sConnection: close\r\n\r\n" % (target, PORT, headers)).encode())
    status, took = status_of(s)
    s.close()
    return status, took


def websocket():
    s = connect()
    key = base64.b64encode(os.urandom(16)).decode()
    s.sendall(("GET /ws?token=%s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n" % (TOKEN, PORT, key)).encode())
    status, _ = status_of(s)
    return s, status


log = open(os.path.join(BUILD, "web-limits.log"), "w")
bridge = subprocess.Popen([os.path.join(ROOT, "scripts", "wine-run"), os.path.join(BUILD, "tidewell-web.exe"),
                           "--listen", "127.0.0.1:%d" % PORT, "--token", TOKEN], stdout=log, stderr=subprocess.STDOUT)
try:
    for _ in range(600):
        try:
            connect().close()
            break
        except OSError:
            time.sleep(0.1)
    page = "/?token=" + TOKEN

    # Connections: the cap's worth held open and idle; one more is answered 503 at once.
    held = [connect() for _ in range(MOST_CONNECTIONS)]
    time.sleep(0.5)
    extra, took = request(page)
    check("connection %d of %d is answered 503 and closed" % (MOST_CONNECTIONS + 1, MOST_CONNECTIONS), extra == 503,
          "status %d in %.0f ms" % (extra, took * 1000))
    held.pop().close()
    time.sleep(0.3)
    freed, took = request(page)
    check("with one closed, a new connection is served", freed == 200, "status %d in %.0f ms" % (freed, took * 1000))
    for s in held:
        s.close()
    time.sleep(0.3)

    # WebSockets: the cap's worth open; one more is refused before the upgrade.
    sockets = [websocket() for _ in range(MOST_WEBSOCKETS)]
    upgraded = sum(1 for _, status in sockets if status == 101)
    s, status = websocket()
    s.close()
    check("WebSocket %d of %d is answered 503" % (MOST_WEBSOCKETS + 1, MOST_WEBSOCKETS), upgraded == MOST_WEBSOCKETS
          and status == 503, "%d upgraded, then status %d" % (upgraded, status))
    for s, _ in sockets:
        s.close()
    time.sleep(0.3)

    # Wrong tokens: the first five are 401, then everything is 429 (the right token too)
    # until the penalty is over.
    codes = [request("/api/state", "Authorization: Bearer wrong-%d\r\n" % i)[0] for i in range(MOST_FAILURES + 1)]
    blocked_at = time.monotonic()
    right, _ = request(page)
    waited = 0.0
    while request(page)[0] == 429 and waited < 3 * PENALTY_S:
        time.sleep(0.25)
        waited = time.monotonic() - blocked_at
    check("%d wrong tokens: 401s, then 429 for everything from the address" % MOST_FAILURES,
          codes == [401] * MOST_FAILURES + [429] and right == 429, "statuses %s, right token %d" % (codes, right))
    check("served again after the penalty", PENALTY_S - 1 <= waited <= PENALTY_S + 2,
          "after %.1f s" % waited)
finally:
    bridge.terminate()
    bridge.wait()
    log.close()
sys.exit(1 if failed else 0)
