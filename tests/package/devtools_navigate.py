#!/usr/bin/env python3
"""Sends the viewer's web view to a URL through the web view's own DevTools endpoint
(QTWEBENGINE_REMOTE_DEBUGGING), so the navigation passes the viewer's interceptor as a click
or a form submission would.

Usage: devtools_navigate.py PORT URL [TIMEOUT_SECONDS]
Waits until the viewer's page is up, then navigates it; exit 0 when sent.
"""
import base64
import json
import os
import socket
import struct
import sys
import time
import urllib.parse
import urllib.request


last_seen = None


def page_target(port):
    global last_seen
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=5) as reply:
        last_seen = json.load(reply)
        for target in last_seen:
            if target.get("type") == "page" and target.get("webSocketDebuggerUrl"):
                return target["webSocketDebuggerUrl"]
    return None


def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError("DevTools connection closed")
        data += chunk
    return data


def websocket(url):
    parts = urllib.parse.urlparse(url)
    sock = socket.create_connection((parts.hostname, parts.port), timeout=10)
    key = base64.b64encode(os.urandom(16)).decode()
    sock.sendall((f"GET {parts.path} HTTP/1.1\r\nHost: {parts.hostname}:{parts.port}\r\n"
                  f"Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                  "Sec-WebSocket-Version: 13\r\n\r\n").encode())
    head = b""
    while b"\r\n\r\n" not in head:
        head += recv_exact(sock, 1)
    if b" 101 " not in head.split(b"\r\n", 1)[0]:
        raise ConnectionError(head.decode(errors="replace"))
    return sock


def send_text(sock, text):
    payload = text.encode()
    n = len(payload)
    header = bytes([0x81])
    if n < 126:
        header += bytes([0x80 | n])
    elif n < 65536:
        header += bytes([0x80 | 126]) + struct.pack(">H", n)
    else:
        header += bytes([0x80 | 127]) + struct.pack(">Q", n)
    mask = os.urandom(4)
    sock.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))


def recv_text(sock):
    first, second = recv_exact(sock, 2)
    n = second & 0x7F
    if n == 126:
        n = struct.unpack(">H", recv_exact(sock, 2))[0]
    elif n == 127:
        n = struct.unpack(">Q", recv_exact(sock, 8))[0]
    return recv_exact(sock, n).decode(errors="replace")


def main():
    port, url = sys.argv[1], sys.argv[2]
    deadline = time.time() + float(sys.argv[3] if len(sys.argv) > 3 else 60)
    target = None
    while target is None:
        try:
            target = page_target(port)
        except (OSError, ValueError) as error:
            last_seen = error
        if target is None:
            if time.time() > deadline:
                sys.exit(f"devtools_navigate: the viewer's page did not appear: {last_seen}")
            time.sleep(0.5)
    sock = websocket(target)
    send_text(sock, json.dumps({"id": 1, "method": "Page.navigate", "params": {"url": url}}))
    while True:
        reply = json.loads(recv_text(sock))
        if reply.get("id") == 1:
            break
    sock.close()
    if "error" in reply or "errorText" in reply.get("result", {}):
        sys.exit(f"devtools_navigate: {reply}")


if __name__ == "__main__":
    main()
