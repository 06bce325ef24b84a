#!/usr/bin/env python3
"""A TCP relay that can cut HTTP responses short, to test resumption against a real server.

    python3 tools/fault_relay.py --port 0 --upstream 18090 [--port-file FILE]

Connections are passed through to 127.0.0.1:UPSTREAM unchanged. A control request on the relay
itself, "GET /_relay/arm?cut=N&times=K", arms the next K relayed connections to close after N
bytes of response body (counted after the blank line that ends the response head). With
"etag=VALUE" (alone or beside cut) the armed connections' responses carry "ETag: VALUE" in place
of the server's ETag, as if the page had changed between two requests. Arms queue up in order:
"arm?cut=N" then "arm?etag=x" cuts the next answer and hands the one after it another ETag. The
answer to the control request is "armed". "GET /_relay/reset" forgets every armed fault (answer
"reset"), so a test that failed before using them cannot arm the next test's connections. Prints
"fault relay listening on 127.0.0.1:PORT" when ready.
"""
import argparse
import os
import re
import signal
import socket
import sys
import threading
import urllib.parse

lock = threading.Lock()
pending_faults = []  # one entry per armed connection: (body bytes to pass before closing, ETag)


def pump_request(client, upstream):
    try:
        while True:
            data = client.recv(65536)
            if not data:
                break
            upstream.sendall(data)
    except OSError:
        pass
    try:
        upstream.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def replace_etag(head, etag):
    """The response head with its ETag header set to etag (added when the server sent none)."""
    line = b"ETag: " + etag.encode("latin-1")
    changed, count = re.subn(rb"(?im)^etag:[^\r\n]*", lambda _: line, head)
    return changed if count else head.replace(b"\r\n", b"\r\n" + line + b"\r\n", 1)


def relay(client, first, upstream_port, cut, etag):
    upstream = socket.create_connection(("127.0.0.1", upstream_port))
    upstream.sendall(first)
    threading.Thread(target=pump_request, args=(client, upstream), daemon=True).start()
    head = b""
    body_seen = None  # None while still in the head
    try:
        while True:
            data = upstream.recv(65536)
            if not data:
                break
            if body_seen is None:
                head += data
                end = head.find(b"\r\n\r\n")
                if end < 0:
                    if etag is None:
                        client.sendall(data)
                    continue
                head_part_len = len(data) - (len(head) - (end + 4))
                if etag is None:
                    client.sendall(data[:head_part_len])
                else:
                    client.sendall(replace_etag(head[:end + 4], etag))
                data = data[head_part_len:]
                body_seen = 0
            if cut is not None and body_seen + len(data) >= cut:
                client.sendall(data[: cut - body_seen])
                break
            client.sendall(data)
            body_seen += len(data)
    except OSError:
        pass
    finally:
        for s in (upstream, client):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            s.close()


def handle(client, upstream_port):
    client.settimeout(30)
    try:
        first = client.recv(65536)
    except OSError:
        client.close()
        return
    if first.startswith(b"GET /_relay/arm?"):
        target = first.split(b" ", 2)[1].decode("latin-1")
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(target).query)
        cut = int(query["cut"][0]) if "cut" in query else None
        etag = query["etag"][0] if "etag" in query else None
        times = int(query.get("times", ["1"])[0])
        with lock:
            pending_faults.extend([(cut, etag)] * times)
        client.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\narmed")
        client.close()
        return
    if first.startswith(b"GET /_relay/reset "):
        with lock:
            pending_faults.clear()
        client.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nreset")
        client.close()
        return
    with lock:
        cut, etag = pending_faults.pop(0) if pending_faults else (None, None)
    client.settimeout(None)
    relay(client, first, upstream_port, cut, etag)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--upstream", type=int, required=True)
    parser.add_argument("--port-file")
    args = parser.parse_args()
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", args.port))
    server.listen(64)
    port = server.getsockname()[1]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    if args.port_file:  # written whole or not at all: a reader never sees half a number
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(args.port_file + ".tmp", args.port_file)
    print("fault relay listening on 127.0.0.1:%d" % port, flush=True)
    while True:
        client, _ = server.accept()
        threading.Thread(target=handle, args=(client, args.upstream), daemon=True).start()


if __name__ == "__main__":
    main()
