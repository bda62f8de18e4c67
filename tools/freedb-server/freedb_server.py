#!/usr/bin/env python3
"""Local freedb server for tests and demonstrations.

Speaks the freedb protocol over HTTP/1.0 (cddb.cgi and submit.cgi) on a
loopback port, serving xmcd records from DIR/<category>/<discid>.
Standard library only.
"""

import argparse
import datetime
import ipaddress
import os
import re
import select
import signal
import socket
import socketserver
import sys
import tempfile
import threading
import urllib.parse

VERSION = "1.0"
MAX_PROTO = 6
DEFAULT_PROTO = 1
MAX_HEAD = 64 * 1024
CMD_PATH = "/~cddb/cddb.cgi"
SUBMIT_PATH = "/~cddb/submit.cgi"
CONTROL_PATH = "/control"
CATEGORIES = ["blues", "classical", "country", "data", "folk", "jazz",
              "misc", "newage", "reggae", "rock", "soundtrack"]
CHARSETS = {"us-ascii": "ascii", "ascii": "ascii", "iso-8859-1": "latin-1",
            "latin1": "latin-1", "iso8859-1": "latin-1", "utf-8": "utf-8",
            "utf8": "utf-8"}
ID_RE = re.compile(r"^[0-9a-fA-F]{1,8}$")
CRLF = "\r\n"

MSG_SYNTAX = ("500 Command syntax error, command unknown, "
              "command unimplemented.")
MSG_ARGS = "500 Command syntax error: incorrect number of arguments."
MSG_BADARG = "500 Command syntax error: invalid argument."
WRONG_TEXT = {
    401: "Permission denied.",
    402: "Server error.",
    403: "Database entry is corrupt.",
    408: "CGI environment error.",
    409: "No handshake.",
    431: "Handshake not successful, closing connection.",
    530: "Server error, server timeout.",
}


# ---------------------------------------------------------------- disc ids

def digit_sum(n):
    s = 0
    while n > 0:
        s += n % 10
        n //= 10
    return s


def compute_discid(offsets, length_seconds):
    """freedb disc id from frame offsets and the disc length in seconds."""
    n = sum(digit_sum(off // 75) for off in offsets)
    t = length_seconds - offsets[0] // 75
    return ((n % 255) << 24 | (t & 0xffff) << 8 | len(offsets)) & 0xffffffff


# ----------------------------------------------------------- xmcd records

class RecordError(Exception):
    pass


def split_lines(text):
    lines = re.split(r"\r?\n", text)
    while lines and lines[-1] == "":
        lines.pop()
    return lines


def parse_record(text, strict=True):
    """Parse an xmcd record; raise RecordError with a reason when malformed.

    strict: checks for submissions (offsets, length, track titles, line form).
    """
    lines = split_lines(text)
    if not lines or not lines[0].startswith("# xmcd"):
        raise RecordError('the record does not start with "# xmcd"')
    rec = {"offsets": [], "length": None, "revision": 0, "discids": [],
           "keys": {}, "ttitles": {}, "lines": lines}
    i = 1
    while i < len(lines) and lines[i].startswith("#"):
        if "Track frame offsets:" in lines[i]:
            break
        i += 1
    else:
        if strict:
            raise RecordError('no "# Track frame offsets:" line')
        i = None
    if i is not None:
        i += 1
        while i < len(lines) and lines[i].startswith("#"):
            t = lines[i][1:].strip()
            if not t.isdigit():
                break
            rec["offsets"].append(int(t))
            i += 1
    for line in lines:
        if not line.startswith("#"):
            continue
        m = re.match(r"#\s*Disc length:\s*(\d+)", line)
        if m and rec["length"] is None:
            rec["length"] = int(m.group(1))
        m = re.match(r"#\s*Revision:\s*(\d+)", line)
        if m:
            rec["revision"] = int(m.group(1))
    if strict:
        if not rec["offsets"]:
            raise RecordError("no track frame offsets")
        if any(b <= a for a, b in zip(rec["offsets"], rec["offsets"][1:])):
            raise RecordError("track frame offsets are not increasing")
        if rec["length"] is None:
            raise RecordError('no "# Disc length:" line')
    order = []
    for n, line in enumerate(lines):
        if line.startswith("#"):
            continue
        if strict and line == "":
            raise RecordError("blank line %d" % (n + 1))
        if strict and len(line.encode("utf-8")) > 255:
            raise RecordError("line %d longer than 256 characters" % (n + 1))
        if "=" not in line:
            if strict:
                raise RecordError("line %d is not KEYWORD=data" % (n + 1))
            continue
        key, value = line.split("=", 1)
        m = re.fullmatch(r"TTITLE(\d+)", key)
        if m:
            idx = int(m.group(1))
            rec["ttitles"][idx] = rec["ttitles"].get(idx, "") + value
        else:
            rec["keys"][key] = rec["keys"].get(key, "") + value
        order.append(key)
    if "DISCID" not in rec["keys"]:
        raise RecordError("no DISCID line")
    for part in rec["keys"]["DISCID"].split(","):
        part = part.strip()
        if not ID_RE.match(part):
            raise RecordError("bad disc id %r in the DISCID line" % part)
        rec["discids"].append(int(part, 16))
    if not rec["keys"].get("DTITLE", "").strip():
        raise RecordError("no DTITLE line")
    if strict:
        n = len(rec["offsets"])
        if sorted(rec["ttitles"]) != list(range(n)):
            have = sorted(rec["ttitles"]) or "none"
            raise RecordError("%d track frame offsets but TTITLE lines for "
                              "tracks %s" % (n, have))
    return rec


def decode_file(data):
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("latin-1")


# --------------------------------------------------------------- database

class Database:
    def __init__(self, root, fuzzy_seconds):
        self.root = root
        self.fuzzy_seconds = fuzzy_seconds
        self.lock = threading.Lock()
        self.index = None  # (category, discid) -> (offsets, length, dtitle)

    def categories(self):
        try:
            names = sorted(n for n in os.listdir(self.root)
                           if os.path.isdir(os.path.join(self.root, n))
                           and not n.startswith("."))
        except OSError:
            names = []
        return names

    def path(self, category, discid):
        return os.path.join(self.root, category, "%08x" % discid)

    def load(self, category, discid):
        """Returns text, or raises FileNotFoundError / OSError."""
        if category not in self.categories():
            raise FileNotFoundError(category)
        with open(self.path(category, discid), "rb") as f:
            return decode_file(f.read())

    def counts(self):
        out = []
        for cat in self.categories():
            try:
                n = sum(1 for f in os.listdir(os.path.join(self.root, cat))
                        if ID_RE.match(f) and len(f) == 8)
            except OSError:
                n = 0
            out.append((cat, n))
        return out

    def _build_index(self):
        index = {}
        for cat in self.categories():
            d = os.path.join(self.root, cat)
            for name in os.listdir(d):
                if len(name) != 8 or not ID_RE.match(name):
                    continue
                try:
                    with open(os.path.join(d, name), "rb") as f:
                        rec = parse_record(decode_file(f.read()), strict=False)
                except (OSError, RecordError):
                    continue
                if rec["offsets"] and rec["length"] is not None:
                    index[(cat, int(name, 16))] = (
                        rec["offsets"], rec["length"], rec["keys"]["DTITLE"])
        return index

    def fuzzy(self, offsets, nsecs):
        if self.fuzzy_seconds < 0:
            return []
        with self.lock:
            if self.index is None:
                self.index = self._build_index()
            items = list(self.index.items())
        tol = self.fuzzy_seconds
        found = []
        for (cat, did), (offs, length, dtitle) in items:
            if len(offs) != len(offsets) or abs(length - nsecs) > tol:
                continue
            diffs = [abs(a - b) for a, b in zip(offs, offsets)]
            if max(diffs) > tol * 75:
                continue
            score = sum(diffs) + abs(length - nsecs) * 75
            found.append((score, cat, did, dtitle))
        found.sort()
        return found[:20]

    def store(self, category, discid, text):
        d = os.path.join(self.root, category)
        os.makedirs(d, exist_ok=True)
        fd, tmp = tempfile.mkstemp(dir=d, prefix=".submit-")
        with os.fdopen(fd, "wb") as f:
            f.write(text.encode("utf-8"))
        os.replace(tmp, self.path(category, discid))
        with self.lock:
            if self.index is not None:
                try:
                    rec = parse_record(text, strict=False)
                    self.index[(category, discid)] = (
                        rec["offsets"], rec["length"], rec["keys"]["DTITLE"])
                except RecordError:
                    pass


# --------------------------------------------------------------- settings

class Faults:
    FIELDS = {"delay": float, "silent": bool, "close_after_status": bool,
              "chunk_size": int, "chunk_delay": float, "huge_answer": int,
              "html_error": bool, "wrong_code": int, "port_zero_site": bool}

    def __init__(self, args):
        self.lock = threading.Lock()
        self.values = {k: getattr(args, k) for k in self.FIELDS}

    def snapshot(self):
        with self.lock:
            return dict(self.values)

    def update(self, params):
        with self.lock:
            for key, raw in params.items():
                key = key.replace("-", "_")
                if key not in self.FIELDS:
                    raise ValueError("unknown switch %s" % key)
                kind = self.FIELDS[key]
                if kind is bool:
                    val = raw.lower() in ("1", "yes", "true", "on")
                elif key == "wrong_code" and raw.lower() in ("yes", "on"):
                    val = 409
                elif raw == "":
                    val = kind(0)
                else:
                    val = kind(raw)
                self.values[key] = val

    def describe(self):
        with self.lock:
            return ["%s: %s" % (k, v) for k, v in sorted(self.values.items())]


# --------------------------------------------------------------- answers

class Answer:
    def __init__(self, body, status=200, reason="OK", ctype="text/plain",
                 charset="ISO-8859-1", encoding="latin-1"):
        self.status = status
        self.reason = reason
        self.ctype = ctype
        self.charset = charset
        if isinstance(body, str):
            body = body.encode(encoding, errors="replace")
        self.body = body

    @property
    def code(self):
        head = self.body[:3]
        return head.decode("latin-1") if head.isdigit() else "-"

    def head(self):
        ctype = self.ctype
        if self.charset:
            ctype += "; charset=" + self.charset
        return ("HTTP/1.0 %d %s\r\nContent-Type: %s\r\n\r\n"
                % (self.status, self.reason, ctype)).encode("ascii")


def freedb(lines, level=DEFAULT_PROTO):
    """A freedb answer; a list is a multi-line answer and gets the '.'"""
    if isinstance(lines, str):
        text = lines + CRLF
    else:
        text = CRLF.join(list(lines) + ["."]) + CRLF
    if level >= 6:
        return Answer(text, charset="UTF-8", encoding="utf-8")
    return Answer(text)


def html_page(status, reason, detail):
    body = ('<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML 2.0//EN">\r\n'
            "<html><head>\r\n<title>%d %s</title>\r\n</head><body>\r\n"
            "<h1>%s</h1>\r\n<p>%s</p>\r\n<hr>\r\n"
            "<address>Apache Server at 127.0.0.1</address>\r\n"
            "</body></html>\r\n" % (status, reason, reason, detail))
    return Answer(body, status=status, reason=reason, ctype="text/html",
                  charset="iso-8859-1")


def plain_error(status, reason, text):
    return Answer(text + CRLF, status=status, reason=reason)


# ----------------------------------------------------------- the server

class FreedbServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, addr, opts):
        self.opts = opts
        self.db = Database(opts.db, opts.fuzzy_seconds)
        self.faults = Faults(opts)
        self.active = 0
        self.active_lock = threading.Lock()
        self.log_lock = threading.Lock()
        self.stopping = threading.Event()
        super().__init__(addr, Handler)

    def log(self, client, method, target, status, code, note=""):
        if not self.opts.log:
            return
        stamp = datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S")
        line = "%s %s %s %s %s %s%s\n" % (
            stamp, client, method or "-", target or "-", status, code,
            (" " + note) if note else "")
        with self.log_lock:
            with open(self.opts.log, "a", encoding="utf-8") as f:
                f.write(line)


class Handler(socketserver.BaseRequestHandler):

    def handle(self):
        srv = self.server
        with srv.active_lock:
            srv.active += 1
        self.method = self.target = None
        self.freedb_request = False
        try:
            self.sock = self.request
            self.sock.settimeout(srv.opts.timeout)
            self.serve_one()
        except (OSError, ValueError):
            pass
        finally:
            with srv.active_lock:
                srv.active -= 1

    # -- reading

    def read_head(self):
        """Returns (head bytes, rest) or an Answer on failure, None if idle."""
        buf = b""
        while True:
            found = [(buf.find(sep), sep) for sep in (b"\r\n\r\n", b"\n\n")]
            found = [(pos, sep) for pos, sep in found if 0 <= pos <= MAX_HEAD]
            if found:
                pos, sep = min(found)
                return buf[:pos], buf[pos + len(sep):]
            if len(buf) > MAX_HEAD:
                return plain_error(413, "Request Entity Too Large",
                                   "500 Request line or header section too "
                                   "large (limit 65536 bytes).")
            try:
                data = self.sock.recv(8192)
            except socket.timeout:
                if not buf:
                    return None
                return plain_error(408, "Request Timeout",
                                   "530 Server error, server timeout.")
            if not data:
                if not buf.strip():
                    return None
                # request without the blank line; take what came
                return buf, b""
            buf += data

    def read_body(self, rest, length, deadline=None):
        """Read exactly length bytes; returns (body, complete, extra)."""
        body = rest
        while len(body) < length:
            try:
                data = self.sock.recv(min(65536, length - len(body)))
            except socket.timeout:
                return body, False, False
            if not data:
                return body, False, False
            body += data
        extra = len(body) > length
        if not extra:
            r, _, _ = select.select([self.sock], [], [], 0.2)
            if r:
                try:
                    extra = bool(self.sock.recv(1, socket.MSG_PEEK))
                except OSError:
                    extra = False
        return body[:length], True, extra

    # -- main flow

    def serve_one(self):
        srv = self.server
        faults = srv.faults.snapshot()
        client = "%s:%s" % self.client_address[:2]
        got = self.read_head()
        if got is None:
            return
        if isinstance(got, Answer):
            return self.finish_answer(got, faults, client, allow_faults=False)
        head, rest = got
        answer = self.dispatch(head, rest, faults)
        if answer is None:  # silent
            srv.log(client, self.method, self.target, "-", "-", "silent")
            self.stay_silent()
            return
        self.finish_answer(answer, faults, client)

    def finish_answer(self, answer, faults, client, allow_faults=True):
        note = ""
        if allow_faults and getattr(self, "freedb_request", False):
            if faults["html_error"]:
                answer = html_page(500, "Internal Server Error",
                                   "The server encountered an internal error "
                                   "or misconfiguration and was unable to "
                                   "complete your request.")
                note = "html-error"
            elif faults["wrong_code"]:
                code = faults["wrong_code"]
                answer = freedb("%d %s" % (code, WRONG_TEXT.get(
                    code, "Unexpected answer.")))
                note = "wrong-code"
            if faults["delay"] > 0:
                self.sleep(faults["delay"])
        self.server.log(client, self.method, self.target, answer.status,
                        answer.code, note)
        data = answer.head()
        body = answer.body
        if allow_faults and faults["close_after_status"]:
            pos = body.find(b"\r\n")
            body = body[:pos + 2] if pos >= 0 else body
        self.send(data + body, faults if allow_faults else None)
        self.close_gently()

    def sleep(self, seconds):
        self.server.stopping.wait(seconds)

    def stay_silent(self):
        """Never answer; wait until the client closes (or shutdown)."""
        self.sock.settimeout(0.25)
        while not self.server.stopping.is_set():
            try:
                data = self.sock.recv(4096)
            except socket.timeout:
                continue
            except OSError:
                return
            if not data:
                return

    def send(self, data, faults):
        size = faults["chunk_size"] if faults else 0
        pause = (faults["chunk_delay"] if faults else 0) / 1000.0
        if size and size > 0:
            for i in range(0, len(data), size):
                if i and pause > 0:
                    self.sleep(pause)
                self.sock.sendall(data[i:i + size])
        else:
            self.sock.sendall(data)

    def close_gently(self):
        try:
            self.sock.shutdown(socket.SHUT_WR)
            self.sock.settimeout(0.5)
            drained = 0
            while drained < MAX_HEAD:
                data = self.sock.recv(4096)
                if not data:
                    break
                drained += len(data)
        except OSError:
            pass

    # -- request parsing and routing

    def dispatch(self, head, rest, faults):
        srv = self.server
        try:
            text = head.decode("latin-1")
        except Exception:
            return html_page(400, "Bad Request", "Unreadable request.")
        lines = re.split(r"\r?\n", text)
        parts = lines[0].split()
        if not parts:
            return html_page(400, "Bad Request", "Empty request line.")
        self.method = parts[0].upper()
        if len(parts) >= 3 and parts[-1].upper().startswith("HTTP/"):
            self.target = " ".join(parts[1:-1])
        else:
            self.target = " ".join(parts[1:])
        headers = {}
        for line in lines[1:]:
            if not line.strip():
                continue
            if ":" not in line:
                return html_page(400, "Bad Request",
                                 "Malformed header line.")
            k, v = line.split(":", 1)
            headers.setdefault(k.strip().lower(), v.strip())
        target = self.target
        if not target:
            return html_page(400, "Bad Request", "No request target.")
        if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*://", target):
            target = self.check_proxy(target, headers)
            if isinstance(target, Answer):
                return target
        elif not target.startswith("/"):
            return html_page(400, "Bad Request", "Bad request target.")
        path, _, query = target.partition("?")
        path = urllib.parse.unquote(path)
        if path == CONTROL_PATH and srv.opts.control:
            return self.control(query)
        if path not in (CMD_PATH, SUBMIT_PATH):
            return html_page(404, "Not Found", "The requested URL %s was not "
                             "found on this server." % _html(path))
        if self.method not in ("GET", "POST"):
            return html_page(405, "Method Not Allowed",
                             "The method %s is not allowed for the requested "
                             "URL." % _html(self.method))
        self.freedb_request = True
        if faults["silent"]:
            if self.method == "POST":
                self.read_post_body(rest, headers)
            return None
        if path == SUBMIT_PATH:
            if self.method != "POST":
                return freedb("500 Missing required header information "
                              "(submissions use the POST method).")
            return self.submit(rest, headers)
        if self.method == "POST":
            body = self.read_post_body(rest, headers)
            if isinstance(body, Answer):
                return body
            query = body.decode("latin-1").strip()
        return self.command(query, faults)

    def check_proxy(self, url, headers):
        try:
            u = urllib.parse.urlsplit(url)
            port = u.port
        except ValueError:
            return html_page(400, "Bad Request", "Malformed URL.")
        if u.scheme.lower() != "http" or not u.hostname:
            return html_page(400, "Bad Request",
                             "Only http:// URLs with a host are proxied.")
        if port is not None and not 0 < port < 65536:
            return html_page(400, "Bad Request", "Bad port in URL.")
        host = headers.get("host")
        if not host:
            return html_page(400, "Bad Request",
                             "Proxy request without a Host header.")
        hname = host.rsplit(":", 1)[0] if host.count(":") == 1 else host
        if hname.strip("[]").lower() != u.hostname.lower():
            return html_page(400, "Bad Request",
                             "Host header %s does not match the URL host %s."
                             % (_html(host), _html(u.hostname)))
        path = u.path or "/"
        return path + ("?" + u.query if u.query else "")

    def read_post_body(self, rest, headers):
        cl = headers.get("content-length")
        if cl is None:
            return rest
        if not cl.isdigit():
            return html_page(400, "Bad Request", "Bad Content-Length.")
        if int(cl) > self.server.opts.max_body:
            return plain_error(413, "Request Entity Too Large",
                               "500 Request body too large.")
        body, _, _ = self.read_body(rest, int(cl))
        return body

    # -- cddb.cgi

    def command(self, query, faults):
        params = parse_query(query)
        level_text = params.get("proto")
        if level_text is None or level_text.strip() == "":
            level = DEFAULT_PROTO
        else:
            try:
                level = int(level_text.strip())
            except ValueError:
                return freedb("501 Illegal protocol level.")
            if not 1 <= level <= MAX_PROTO:
                return freedb("501 Illegal protocol level.")
        cmd = params.get("cmd")
        if cmd is None or not cmd.split():
            return freedb(MSG_ARGS, level)
        words = cmd.split()
        name = words[0].lower()
        if name == "cddb" and len(words) >= 2:
            name = "cddb " + words[1].lower()
            args = words[2:]
        else:
            args = words[1:]
        hello = params.get("hello", "")
        if not hello.strip():
            return freedb("409 No handshake.", level)
        if name == "cddb query":
            return self.cmd_query(args, level, faults)
        if name == "cddb read":
            return self.cmd_read(args, level)
        if name == "cddb lscat":
            return freedb(["210 OK, category list follows (until "
                           "terminating `.')"] + self.server.db.categories(),
                          level)
        if name == "sites":
            return self.cmd_sites(level, faults)
        if name == "stat":
            return self.cmd_stat(level)
        if name == "motd":
            return self.cmd_motd(level)
        if name == "ver":
            return freedb("200 freedb_server.py v%s Copyright (c) RUBO "
                          "project (local test server)" % VERSION, level)
        if name == "whom":
            return freedb("401 No user information available.", level)
        if name == "discid":
            return self.cmd_discid(args, level)
        if name in ("log", "update", "cddb unlink"):
            return freedb("401 Permission denied.", level)
        return freedb(MSG_SYNTAX, level)

    def parse_toc(self, args, with_id):
        """args: [discid] ntrks off... nsecs; returns tuple or error text."""
        if with_id:
            if not args or not ID_RE.match(args[0]):
                return None
            discid, args = int(args[0], 16), args[1:]
        else:
            discid = None
        if len(args) < 3 or not all(a.isdigit() for a in args):
            return None
        ntrks = int(args[0])
        if not 1 <= ntrks <= 99 or len(args) != ntrks + 2:
            return None
        offsets = [int(a) for a in args[1:-1]]
        return discid, offsets, int(args[-1])

    def cmd_query(self, args, level, faults):
        db = self.server.db
        if faults["huge_answer"] > 0:
            return huge_answer(faults["huge_answer"], level)
        toc = self.parse_toc(args, True)
        if toc is None:
            return freedb(MSG_ARGS if len(args) < 4 else MSG_BADARG, level)
        discid, offsets, nsecs = toc
        exact = []
        for cat in db.categories():
            try:
                text = db.load(cat, discid)
            except FileNotFoundError:
                continue
            except OSError:
                return freedb("402 Server error.", level)
            try:
                rec = parse_record(text, strict=False)
            except RecordError:
                return freedb("403 Database entry is corrupt.", level)
            exact.append("%s %08x %s" % (cat, discid, rec["keys"]["DTITLE"]))
        if len(exact) == 1:
            return freedb("200 " + exact[0], level)
        if exact and level >= 4:
            return freedb(["210 Found exact matches, list follows (until "
                           "terminating `.')"] + exact, level)
        if exact:
            return freedb(["211 Found inexact matches, list follows (until "
                           "terminating `.')"] + exact, level)
        close = db.fuzzy(offsets, nsecs)
        if close:
            return freedb(["211 Found inexact matches, list follows (until "
                           "terminating `.')"] +
                          ["%s %08x %s" % (c, d, t) for _, c, d, t in close],
                          level)
        return freedb("202 No match for disc ID %08x." % discid, level)

    def cmd_read(self, args, level):
        db = self.server.db
        if len(args) != 2:
            return freedb(MSG_ARGS, level)
        cat = args[0].lower()
        if not ID_RE.match(args[1]) or "/" in cat or cat.startswith("."):
            return freedb(MSG_BADARG, level)
        discid = int(args[1], 16)
        try:
            text = db.load(cat, discid)
        except FileNotFoundError:
            return freedb("401 %s %08x No such CD entry in database."
                          % (cat, discid), level)
        except OSError:
            return freedb("402 Server error.", level)
        try:
            rec = parse_record(text, strict=False)
        except RecordError:
            return freedb("403 Database entry is corrupt.", level)
        out = ["210 %s %08x CD database entry follows (until terminating "
               "`.')" % (cat, discid)]
        out += adapt_record(rec["lines"], level)
        return freedb(out, level)

    def cmd_sites(self, level, faults):
        port = self.server.server_address[1]
        sites = [
            ("127.0.0.2", "http", 0, CMD_PATH, "N052.31", "E013.24",
             "Site on port 0, Berlin Germany"),
        ] if faults["port_zero_site"] else []
        sites += [
            ("127.0.0.1", "http", port, CMD_PATH, "N052.31", "E013.24",
             "Loopback test server, Berlin Germany"),
            ("127.0.0.1", "cddbp", 8880, "-", "N052.31", "E013.24",
             "Loopback test server, Berlin Germany"),
            ("localhost", "http", port, CMD_PATH, "S033.52", "E151.12",
             "Loopback alias, Sydney Australia"),
            ("127.0.0.1", "http", port, CMD_PATH, "N037.23", "W122.01",
             "Loopback alias, San Jose CA USA"),
        ]
        out = ["210 OK, site information follows (until terminating `.')"]
        for host, proto, sport, path, lat, lon, desc in sites:
            if level >= 3:
                out.append("%s %s %d %s %s %s %s"
                           % (host, proto, sport, path, lat, lon, desc))
            elif proto == "cddbp":
                out.append("%s %d %s %s %s" % (host, sport, lat, lon, desc))
        return freedb(out, level)

    def cmd_stat(self, level):
        counts = dict(self.server.db.counts())
        total = sum(counts.values())
        cats = list(CATEGORIES) + sorted(c for c in counts
                                          if c not in CATEGORIES)
        out = ["210 OK, status information follows (until terminating `.')",
               "Server status:",
               "    current proto: %d" % level,
               "    max proto: %d" % MAX_PROTO,
               "    interface: http",
               "    gets: no",
               "    puts: no",
               "    updates: no",
               "    posting: %s" % ("no" if self.server.opts.read_only
                                    else "yes"),
               "    validation: accepted",
               "    quotes: no",
               "    strip ext: no",
               "    secure: no",
               "    current users: %d" % self.server.active,
               "    max users: 100",
               "Database entries: %d" % total,
               "Database entries by category:"]
        out += ["    %s: %d" % (c, counts.get(c, 0)) for c in cats]
        return freedb(out, level)

    def cmd_motd(self, level):
        opts = self.server.opts
        if opts.no_motd:
            return freedb("401 No message of the day available.", level)
        if opts.motd:
            try:
                with open(opts.motd, "rb") as f:
                    text = decode_file(f.read())
                stamp = os.path.getmtime(opts.motd)
            except OSError:
                return freedb("401 No message of the day available.", level)
            body = split_lines(text)
            when = datetime.datetime.fromtimestamp(stamp)
        else:
            body = ["Welcome to the RUBO local freedb test server.",
                    "This server answers on the loopback interface only.",
                    "Its database holds invented entries for testing."]
            when = datetime.datetime(2024, 1, 15, 12, 0, 0)
        body = [("." + l) if l.startswith(".") else l for l in body]
        return freedb(["210 Last modified: %s MOTD follows (until terminating "
                       "`.')" % when.strftime("%m/%d/%y %H:%M:%S")] + body,
                      level)

    def cmd_discid(self, args, level):
        toc = self.parse_toc(args, False)
        if toc is None:
            return freedb(MSG_ARGS, level)
        _, offsets, nsecs = toc
        return freedb("200 Disc ID is %08x" % compute_discid(offsets, nsecs),
                      level)

    # -- submit.cgi

    def submit(self, rest, headers):
        srv = self.server
        need = ["category", "discid", "user-email", "submit-mode",
                "content-length"]
        if any(not headers.get(h) for h in need):
            missing = [h for h in need if not headers.get(h)]
            # drain what the client may still send
            if headers.get("content-length", "").isdigit():
                self.read_body(rest, min(int(headers["content-length"]),
                                         srv.opts.max_body))
            return freedb("500 Missing required header information (%s)."
                          % ", ".join(missing))
        cl = headers["content-length"]
        if not cl.isdigit():
            return freedb("501 Invalid header information: Content-Length.")
        length = int(cl)
        if length > srv.opts.max_body:
            return plain_error(413, "Request Entity Too Large",
                               "500 Submission too large (limit %d bytes)."
                               % srv.opts.max_body)
        body, complete, extra = self.read_body(rest, length)
        if not complete:
            return freedb("500 Content-Length does not match the body: %d "
                          "bytes announced, %d received."
                          % (length, len(body)))
        if extra:
            return freedb("500 Content-Length does not match the body: more "
                          "than %d bytes received." % length)
        cat = headers["category"].strip().lower()
        if cat not in CATEGORIES:
            return freedb("501 Invalid header information: freedb category.")
        hid = headers["discid"].strip()
        if not re.fullmatch(r"[0-9a-fA-F]{8}", hid):
            return freedb("501 Invalid header information: disc ID.")
        discid = int(hid, 16)
        if not re.fullmatch(r"[^@\s]+@[^@\s]+\.[^@\s]+",
                            headers["user-email"].strip()):
            return freedb("501 Invalid header information: email address.")
        mode = headers["submit-mode"].strip().lower()
        if mode not in ("test", "submit"):
            return freedb("501 Invalid header information: submit mode.")
        cs = headers.get("charset", "ISO-8859-1").strip().lower()
        if cs not in CHARSETS:
            return freedb("501 Invalid header information: charset.")
        note = headers.get("x-cddbd-note")
        if note is not None and len(note) > 70:
            return freedb("501 Invalid header information: X-Cddbd-Note "
                          "longer than 70 characters.")
        try:
            text = body.decode(CHARSETS[cs])
        except UnicodeDecodeError:
            return freedb("501 Invalid header information: charset (the "
                          "entry is not valid %s)." % headers.get("charset"))
        try:
            rec = parse_record(text, strict=True)
        except RecordError as e:
            return freedb("500 Internal Server Error: invalid freedb entry, "
                          "%s." % e)
        if discid not in rec["discids"]:
            return freedb("501 Invalid header information: disc ID %08x is "
                          "not in the DISCID line." % discid)
        computed = compute_discid(rec["offsets"], rec["length"])
        if computed != discid:
            return freedb("500 Internal Server Error: invalid freedb entry, "
                          "disc ID %08x does not match the ID %08x computed "
                          "from the track offsets and disc length."
                          % (discid, computed))
        if mode == "submit":
            if srv.opts.read_only:
                return freedb("500 Internal Server Error: submissions are "
                              "disabled on this server.")
            try:
                srv.db.store(cat, discid, text)
            except OSError as e:
                return freedb("500 Internal Server Error: could not store "
                              "the entry (%s)." % e.strerror)
        return freedb("200 OK, submission has been sent.")

    # -- fault switches at run time

    def control(self, query):
        params = {}
        for piece in query.split("&"):
            if piece:
                k, _, v = piece.partition("=")
                params[urllib.parse.unquote(k)] = urllib.parse.unquote(v)
        try:
            self.server.faults.update(params)
        except ValueError as e:
            return plain_error(400, "Bad Request", "500 %s" % e)
        return Answer(CRLF.join(["200 Switches follow"] +
                                self.server.faults.describe() + ["."]) + CRLF)


def _html(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;")
            .replace(">", "&gt;"))


def parse_query(query):
    """Lenient: '+' and blanks separate words, %XX decoded, first key wins."""
    params = {}
    for piece in query.split("&"):
        if not piece:
            continue
        key, _, value = piece.partition("=")
        key = key.strip().lower()
        value = urllib.parse.unquote(value.replace("+", " "),
                                     encoding="latin-1")
        params.setdefault(key, value)
    return params


def adapt_record(lines, level):
    """Record lines as sent at the given protocol level."""
    out = []
    has_year = any(l.startswith("DYEAR=") for l in lines)
    has_genre = any(l.startswith("DGENRE=") for l in lines)
    for n, line in enumerate(lines):
        if line.startswith(("DYEAR=", "DGENRE=")) and level < 5:
            continue
        if line.startswith(".") or line == "":
            continue
        out.append(line)
        last_dtitle = (line.startswith("DTITLE=") and
                       (n + 1 >= len(lines) or
                        not lines[n + 1].startswith("DTITLE=")))
        if last_dtitle and level >= 5:
            if not has_year:
                out.append("DYEAR=")
            if not has_genre:
                out.append("DGENRE=")
    return out


def huge_answer(size, level):
    head = "210 Found exact matches, list follows (until terminating `.')\r\n"
    tail = ".\r\n"
    remaining = size - len(head) - len(tail)
    lines = []
    i = 0
    while remaining > 0:
        base = "misc %08x Huge Artist %d / Huge Title %d" % (i, i, i)
        need = len(base) + 2
        if remaining >= need + 64:
            lines.append(base + CRLF)
            remaining -= need
        else:
            width = max(remaining - 2, len("misc 00000000 X"))
            line = "misc %08x X" % i
            line = (line + " " + "x" * width)[:width] if width > len(line) \
                else line
            lines.append(line + CRLF)
            remaining = 0
        i += 1
    body = head + "".join(lines) + tail
    return Answer(body, charset="UTF-8" if level >= 6 else "ISO-8859-1")


# ------------------------------------------------------------------ main

def build_parser():
    p = argparse.ArgumentParser(
        description="Local freedb server (HTTP/1.0) for tests.")
    here = os.path.dirname(os.path.abspath(__file__))
    p.add_argument("--port", type=int, required=True,
                   help="TCP port; 0 picks a free one")
    p.add_argument("--bind", default="127.0.0.1",
                   help="loopback address to listen on (default 127.0.0.1)")
    p.add_argument("--db", default=os.path.join(here, "db"),
                   help="database directory DIR/<category>/<discid>")
    p.add_argument("--log", help="append one line per request to FILE")
    p.add_argument("--timeout", type=float, default=10.0,
                   help="socket time-out in seconds (default 10)")
    p.add_argument("--max-body", type=int, default=256 * 1024,
                   help="largest accepted request body (default 262144)")
    p.add_argument("--fuzzy-seconds", type=int, default=10,
                   help="tolerance of inexact matches in seconds; "
                        "-1 disables them (default 10)")
    p.add_argument("--read-only", action="store_true",
                   help="refuse real submissions (test ones still checked)")
    p.add_argument("--motd", help="file with the message of the day")
    p.add_argument("--no-motd", action="store_true",
                   help="answer motd with 401")
    p.add_argument("--parent-pid", type=int, default=0, metavar="PID",
                   help="exit when process PID has gone (for test runners)")
    p.add_argument("--control", action="store_true",
                   help="enable GET /control?switch=value to change the "
                        "fault switches while running")
    f = p.add_argument_group("fault injection")
    f.add_argument("--delay", type=float, default=0.0, metavar="SECONDS",
                   help="answer after a delay")
    f.add_argument("--silent", action="store_true",
                   help="read the request, never answer")
    f.add_argument("--close-after-status", action="store_true",
                   help="send the HTTP header and the freedb status line, "
                        "then close")
    f.add_argument("--chunk-size", type=int, default=0, metavar="N",
                   help="send the answer in chunks of N bytes")
    f.add_argument("--chunk-delay", type=float, default=0.0, metavar="MS",
                   help="pause between chunks in milliseconds")
    f.add_argument("--huge-answer", type=int, default=0, metavar="BYTES",
                   help="answer queries with a 210 list of BYTES bytes")
    f.add_argument("--html-error", action="store_true",
                   help="answer with an HTML 500 error page")
    f.add_argument("--wrong-code", type=int, nargs="?", const=409, default=0,
                   metavar="CODE",
                   help="answer every command with CODE (default 409)")
    f.add_argument("--port-zero-site", action="store_true",
                   help="list a site on port 0 first in the sites answer")
    return p


def main(argv=None):
    opts = build_parser().parse_args(argv)
    try:
        addr = ipaddress.ip_address(opts.bind)
    except ValueError:
        addr = None
    if opts.bind != "localhost" and (addr is None or not addr.is_loopback):
        print("refusing to bind to non-loopback address %s" % opts.bind,
              file=sys.stderr)
        return 2
    bind = "127.0.0.1" if opts.bind == "localhost" else opts.bind
    if not os.path.isdir(opts.db):
        print("database directory %s does not exist" % opts.db,
              file=sys.stderr)
        return 2
    if addr is not None and addr.version == 6:
        FreedbServer.address_family = socket.AF_INET6
    server = FreedbServer((bind, opts.port), opts)

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
    print("listening on %s:%d" % (host, port), flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.stopping.set()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
