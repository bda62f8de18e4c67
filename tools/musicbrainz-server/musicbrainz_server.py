#!/usr/bin/env python3
"""Local MusicBrainz stand-in for tests and demonstrations.

Answers the disc id lookup of the MusicBrainz web service
(GET /ws/2/discid/<id>?toc=...&inc=...&fmt=json) from JSON files in its data
folder, over http or, given a certificate and key, https. Fault switches
stand for a busy or silent service. Standard library only.
"""

import argparse
import base64
import hashlib
import ipaddress
import json
import os
import re
import signal
import socket
import ssl
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DISCID_PATH = "/ws/2/discid/"
CONTROL_PATH = "/control"
DISCID_RE = re.compile(r"^[A-Za-z0-9._]{27}-$")
SWITCHES = {"busy_once": int, "retry_after": int, "silent": int, "delay_ms": int}
NOT_FOUND = {"error": "Not Found",
             "help": "For usage, please see: https://musicbrainz.org/development/mmd"}
BUSY = {"error": "Your requests are exceeding the allowable rate limit. "
                 "Please see https://wiki.musicbrainz.org/XMLWebService for more information."}


def disc_id(first, last, leadout, offsets):
    """The MusicBrainz disc id of a TOC (frame addresses with the lead-in)."""
    slots = [leadout] + list(offsets) + [0] * (99 - len(offsets))
    text = "%02X%02X" % (first, last) + "".join("%08X" % s for s in slots)
    digest = base64.b64encode(hashlib.sha1(text.encode("ascii")).digest())
    return digest.decode("ascii").translate(str.maketrans("+/=", "._-"))


def parse_toc(text):
    """The toc parameter "first last leadout offset..." as numbers, or None."""
    try:
        numbers = [int(n) for n in text.replace("+", " ").split()]
    except ValueError:
        return None
    if len(numbers) < 4 or len(numbers) != numbers[1] - numbers[0] + 4:
        return None
    return numbers


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "musicbrainz-stand-in/1.0"

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        target = urllib.parse.urlsplit(self.path)
        self.server.record(self, target)
        query = urllib.parse.parse_qs(target.query)
        if target.path == CONTROL_PATH and self.server.opts.control:
            return self.control(query)
        if not target.path.startswith(DISCID_PATH):
            return self.answer(404, NOT_FOUND)
        if self.server.take("silent"):
            return self.stay_silent()
        if self.server.take_busy():
            return self.answer(503, BUSY, {"Retry-After": str(self.server.switch("retry_after"))})
        delay = self.server.switch("delay_ms")
        if delay > 0:
            self.server.stopping.wait(delay / 1000.0)
        self.lookup(target.path[len(DISCID_PATH):], query.get("toc", [""])[0])

    def do_POST(self):
        self.answer(405, {"error": "Method not allowed"})

    def lookup(self, discid, toc):
        if not DISCID_RE.match(discid):
            return self.answer(400, {"error": "Invalid discid."})
        path = os.path.join(self.server.opts.data, discid + ".json")
        if os.path.isfile(path):
            with open(path, "rb") as f:
                return self.answer(200, f.read())
        numbers = parse_toc(toc)
        releases = self.server.releases_by_toc(numbers) if numbers else []
        if releases:
            return self.answer(200, {"release-count": len(releases),
                                     "release-offset": 0, "releases": releases})
        self.answer(404, NOT_FOUND)

    def control(self, query):
        for key, values in query.items():
            if key not in SWITCHES:
                return self.answer(400, {"error": "unknown switch " + key})
            try:
                self.server.set_switch(key, SWITCHES[key](values[0]))
            except ValueError:
                return self.answer(400, {"error": "bad value for " + key})
        self.answer(200, {"switches": self.server.switches})

    def stay_silent(self):
        # Holds the connection until the client gives up or the server ends.
        try:
            while not self.server.stopping.is_set() and self.rfile.read(1):
                pass
        except OSError:
            pass
        self.close_connection = True

    def answer(self, status, body, headers=None):
        if not isinstance(body, bytes):
            body = json.dumps(body).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)


class StandIn(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, opts, context):
        self.opts = opts
        self.context = context
        self.stopping = threading.Event()
        self.lock = threading.Lock()
        self.switches = {"busy_once": int(opts.busy_once),
                         "retry_after": opts.retry_after, "silent": int(opts.silent),
                         "delay_ms": opts.delay_ms}
        super().__init__(address, Handler)

    def get_request(self):
        conn, addr = super().get_request()
        conn.settimeout(self.opts.timeout)
        if self.context:
            # The handshake runs in the connection's thread, on its first read.
            conn = self.context.wrap_socket(conn, server_side=True,
                                            do_handshake_on_connect=False)
        return conn, addr

    def handle_error(self, request, client_address):
        pass

    def switch(self, key):
        with self.lock:
            return self.switches[key]

    def set_switch(self, key, value):
        with self.lock:
            self.switches[key] = value

    def take(self, key):
        return bool(self.switch(key))

    def take_busy(self):
        with self.lock:
            busy = self.switches["busy_once"]
            self.switches["busy_once"] = 0
            return bool(busy)

    def record(self, handler, target):
        if not self.opts.request_log:
            return
        line = json.dumps({"method": handler.command, "path": target.path,
                           "query": target.query, "absolute": bool(target.scheme),
                           "user_agent": handler.headers.get("User-Agent", ""),
                           "accept": handler.headers.get("Accept", "")})
        with self.lock, open(self.opts.request_log, "a", encoding="utf-8") as f:
            f.write(line + "\n")

    def releases_by_toc(self, numbers):
        first, last, leadout, offsets = numbers[0], numbers[1], numbers[2], numbers[3:]
        found = []
        for name in sorted(os.listdir(self.opts.data)):
            if not name.endswith(".json"):
                continue
            with open(os.path.join(self.opts.data, name), encoding="utf-8") as f:
                answer = json.load(f)
            if answer.get("offsets") == offsets and answer.get("sectors") == leadout \
                    and len(offsets) == last - first + 1:
                found += answer.get("releases", [])
        return found


def build_parser():
    here = os.path.dirname(os.path.abspath(__file__))
    p = argparse.ArgumentParser(description="Local MusicBrainz stand-in for tests.")
    p.add_argument("--port", type=int, required=True, help="TCP port; 0 picks a free one")
    p.add_argument("--bind", default="127.0.0.1", help="loopback address (default 127.0.0.1)")
    p.add_argument("--data", default=os.path.join(here, "data"),
                   help="folder of <discid>.json answers")
    p.add_argument("--cert", help="server certificate (PEM): serve https")
    p.add_argument("--key", help="private key of --cert (PEM)")
    p.add_argument("--timeout", type=float, default=30.0,
                   help="socket time-out in seconds (default 30)")
    p.add_argument("--request-log", metavar="FILE",
                   help="append one JSON line per request (path, User-Agent, Accept)")
    p.add_argument("--parent-pid", type=int, default=0, metavar="PID",
                   help="exit when process PID has gone (for test runners)")
    p.add_argument("--control", action="store_true",
                   help="enable GET /control?switch=value to change the fault switches")
    f = p.add_argument_group("fault injection")
    f.add_argument("--busy-once", action="store_true",
                   help="answer the next lookup with 503 and Retry-After")
    f.add_argument("--retry-after", type=int, default=1, metavar="SECONDS",
                   help="the Retry-After of the 503 (default 1)")
    f.add_argument("--silent", action="store_true",
                   help="read lookups and never answer them")
    f.add_argument("--delay-ms", type=int, default=0, metavar="MS",
                   help="answer each lookup this much later (a slow network)")
    return p


def tls_context(opts):
    if not opts.cert:
        return None
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(opts.cert, opts.key)
    return context


def main(argv=None):
    opts = build_parser().parse_args(argv)
    try:
        loopback = ipaddress.ip_address(opts.bind).is_loopback
    except ValueError:
        loopback = False
    if not loopback:
        print("refusing to bind to non-loopback address %s" % opts.bind, file=sys.stderr)
        return 2
    if not os.path.isdir(opts.data) or bool(opts.cert) != bool(opts.key):
        print("need an existing --data folder, and --cert with --key", file=sys.stderr)
        return 2
    if ipaddress.ip_address(opts.bind).version == 6:
        StandIn.address_family = socket.AF_INET6
    server = StandIn((opts.bind, opts.port), opts, tls_context(opts))

    def stop(signum, frame):
        server.stopping.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if opts.parent_pid:
        def watch():
            while not server.stopping.wait(0.5):
                try:
                    os.kill(opts.parent_pid, 0)
                except ProcessLookupError:
                    stop(None, None)
                except OSError:
                    pass
        threading.Thread(target=watch, daemon=True).start()
    host, port = server.server_address[:2]
    print("listening on %s://%s:%d" % ("https" if opts.cert else "http", host, port), flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.stopping.set()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
