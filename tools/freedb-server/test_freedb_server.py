"""Tests of the local freedb server, run as a subprocess on a free port.

python3 -m unittest tools/freedb-server/test_freedb_server.py -v
"""

import os
import re
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "freedb_server.py")
DB = os.path.join(HERE, "db")
HELLO = "hello=joe+pc1+RUBO+1.20"

# ids of the shipped database
ID_SINGLE = "72083009"   # rock only
ID_TWICE = "62073f07"    # rock and misc
ID_FOLDED = "490a8106"   # jazz, TTITLE2 over two lines
ID_ENHANCED = "4b06a306"  # folk, 5 audio tracks + data track
ID_UTF8 = "47093407"     # classical, characters outside Latin-1

SINGLE_TOC = "9+150+17372+33845+52910+69423+88120+104987+121411+139002+2098"
TWICE_TOC = "7+182+21057+40310+58745+80002+97433+118260+1857"
UTF8_NEAR_TOC = "7+160+25340+49811+77725+101260+128933+150077+2359"


def disc_id(offsets, seconds):
    def dsum(n):
        return sum(int(c) for c in str(n))
    n = sum(dsum(o // 75) for o in offsets)
    return (n % 255) << 24 | (seconds - offsets[0] // 75) << 8 | len(offsets)


def xmcd(offsets, seconds, dtitle, titles, discid=None):
    if discid is None:
        discid = "%08x" % disc_id(offsets, seconds)
    lines = ["# xmcd", "#", "# Track frame offsets:"]
    lines += ["# %d" % o for o in offsets]
    lines += ["#", "# Disc length: %d seconds" % seconds, "#", "#",
              "# Revision: 0", "# Submitted via: RUBO 1.20", "#",
              "DISCID=" + discid, "DTITLE=" + dtitle, "DYEAR=2020",
              "DGENRE=Test"]
    lines += ["TTITLE%d=%s" % (i, t) for i, t in enumerate(titles)]
    lines += ["EXTD="] + ["EXTT%d=" % i for i in range(len(titles))]
    return "\r\n".join(lines) + "\r\nPLAYORDER="


SUB_OFFSETS = [150, 20000, 41000, 60125]
SUB_SECONDS = 1102
SUB_ID = "%08x" % disc_id(SUB_OFFSETS, SUB_SECONDS)


class Server:
    """The server as a subprocess; port read from its first line."""

    def __init__(self, *args, db=DB):
        self.proc = subprocess.Popen(
            [sys.executable, SERVER, "--port", "0", "--db", db,
             "--timeout", "1", "--parent-pid", str(os.getpid())] + list(args),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        ready, _, _ = select.select([self.proc.stdout], [], [], 5)
        if not ready:
            self.stop()
            raise RuntimeError("server did not start")
        line = self.proc.stdout.readline().decode()
        m = re.match(r"listening on 127\.0\.0\.1:(\d+)$", line.strip())
        if not m:
            self.stop()
            raise RuntimeError("unexpected first line %r" % line)
        self.port = int(m.group(1))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(3)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(3)
        self.proc.stdout.close()
        self.proc.stderr.close()

    def raw(self, data, timeout=3.0):
        """Send data, read until the server closes; returns bytes."""
        with socket.create_connection(("127.0.0.1", self.port), 2) as s:
            s.settimeout(timeout)
            s.sendall(data)
            out = b""
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    return out
                out += chunk

    def exchange(self, data, timeout=3.0):
        """Returns (status line, headers dict, body bytes)."""
        out = self.raw(data, timeout)
        head, _, body = out.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        headers = {}
        for line in lines[1:]:
            k, _, v = line.partition(":")
            headers[k.strip().lower()] = v.strip()
        return lines[0], headers, body

    def cmd(self, cmd, proto=5, hello=HELLO):
        req = "GET /~cddb/cddb.cgi?cmd=%s&%s&proto=%s HTTP/1.0\r\n\r\n" % (
            cmd, hello, proto)
        return self.exchange(req.encode("latin-1"))

    def text(self, cmd, proto=5, **kw):
        status, headers, body = self.cmd(cmd, proto, **kw)
        return body.decode("utf-8" if proto == 6 else "latin-1")

    def submit(self, body, mode="test", category="rock", discid=SUB_ID,
               length=None, extra=None, email="joe@example.org"):
        if isinstance(body, str):
            body = body.encode("utf-8")
        hdr = ["POST /~cddb/submit.cgi HTTP/1.0", "Category: " + category,
               "Discid: " + discid, "User-Email: " + email,
               "Submit-Mode: " + mode, "Charset: UTF-8"]
        hdr += extra or []
        hdr.append("Content-Length: %d" % (len(body) if length is None
                                           else length))
        req = ("\r\n".join(hdr) + "\r\n\r\n").encode() + body
        return self.exchange(req)


def code(body):
    return body[:3].decode("latin-1")


class ServerCase(unittest.TestCase):
    """Shared server on a scratch copy of the database."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="freedb-test-")
        cls.db = os.path.join(cls.tmp, "db")
        shutil.copytree(DB, cls.db)
        cls.log = os.path.join(cls.tmp, "requests.log")
        cls.srv = Server("--log", cls.log, "--max-body", "100000",
                         db=cls.db)

    @classmethod
    def tearDownClass(cls):
        cls.srv.stop()
        shutil.rmtree(cls.tmp, ignore_errors=True)


class DatabaseTest(unittest.TestCase):

    def test_shipped_records_have_consistent_ids(self):
        count = 0
        for cat in sorted(os.listdir(DB)):
            for name in sorted(os.listdir(os.path.join(DB, cat))):
                with open(os.path.join(DB, cat, name), encoding="utf-8") as f:
                    text = f.read()
                self.assertTrue(text.startswith("# xmcd"), name)
                offs = [int(x) for x in re.findall(r"^#\s+(\d+)$", text, re.M)]
                secs = int(re.search(r"# Disc length: (\d+)", text).group(1))
                self.assertEqual("%08x" % disc_id(offs, secs), name)
                self.assertIn("DISCID=" + name, text)
                titles = set(re.findall(r"^TTITLE(\d+)=", text, re.M))
                self.assertEqual(len(titles), len(offs), name)
                count += 1
        self.assertTrue(4 <= count <= 6)
        self.assertTrue(os.path.exists(os.path.join(DB, "rock", ID_TWICE)))
        self.assertTrue(os.path.exists(os.path.join(DB, "misc", ID_TWICE)))


class CommandTest(ServerCase):

    def test_http_framing(self):
        status, headers, body = self.srv.cmd("motd")
        self.assertEqual(status, "HTTP/1.0 200 OK")
        self.assertEqual(headers["content-type"],
                         "text/plain; charset=ISO-8859-1")
        self.assertTrue(body.endswith(b"\r\n.\r\n"))
        self.assertNotIn(b"\n", body.replace(b"\r\n", b""))

    def test_query_exact_single(self):
        body = self.srv.text("cddb+query+%s+%s" % (ID_SINGLE, SINGLE_TOC))
        self.assertEqual(body, "200 rock %s The Lantern Keepers / Paper "
                               "Harbour\r\n" % ID_SINGLE)

    def test_query_exact_several(self):
        body = self.srv.text("cddb+query+%s+%s" % (ID_TWICE, TWICE_TOC))
        lines = body.split("\r\n")
        self.assertTrue(lines[0].startswith("210 Found exact matches"))
        self.assertEqual(sorted(l.split()[0] for l in lines[1:3]),
                         ["misc", "rock"])
        self.assertEqual(lines[3:], [".", ""])
        # before level 4 there is no 210 for queries
        body = self.srv.text("cddb+query+%s+%s" % (ID_TWICE, TWICE_TOC),
                             proto=3)
        self.assertTrue(body.startswith("211 "))

    def test_query_inexact(self):
        body = self.srv.text("cddb+query+%s+%s" % ("47093408", UTF8_NEAR_TOC),
                             proto=6)
        lines = body.split("\r\n")
        self.assertTrue(lines[0].startswith("211 "))
        self.assertEqual(lines[1], "classical %s Ensemble Čtvrtek / Études "
                                   "pour clavecin" % ID_UTF8)
        self.assertEqual(lines[-2:], [".", ""])

    def test_query_no_match(self):
        body = self.srv.text("cddb+query+0102030a+2+150+13650+360")
        self.assertEqual(body, "202 No match for disc ID 0102030a.\r\n")

    def test_query_bad_arguments(self):
        for args in ["", "72083009", "zzzz+2+150+300+60",
                     "72083009+3+150+300+60", "72083009+x+150+60"]:
            body = self.srv.text("cddb+query+" + args)
            self.assertEqual(code(body.encode()), "500", args)

    def test_read(self):
        body = self.srv.text("cddb+read+rock+" + ID_SINGLE)
        lines = body.split("\r\n")
        self.assertEqual(lines[0], "210 rock %s CD database entry follows "
                                   "(until terminating `.')" % ID_SINGLE)
        self.assertEqual(lines[1], "# xmcd")
        self.assertIn("DISCID=" + ID_SINGLE, lines)
        self.assertIn("DYEAR=2019", lines)
        self.assertEqual(lines[-3:], ["PLAYORDER=", ".", ""])

    def test_read_protocol_levels(self):
        # an old record without DYEAR/DGENRE gets empty ones at level 5
        body = self.srv.text("cddb+read+misc+" + ID_TWICE, proto=5)
        self.assertRegex(body, r"DTITLE=[^\r]*\r\nDYEAR=\r\nDGENRE=\r\n"
                               r"TTITLE0=")
        body = self.srv.text("cddb+read+rock+" + ID_SINGLE, proto=4)
        self.assertNotIn("DYEAR", body)
        self.assertNotIn("DGENRE", body)

    def test_read_charset(self):
        status, headers, body = self.srv.cmd("cddb+read+classical+" + ID_UTF8,
                                             proto=6)
        self.assertEqual(headers["content-type"], "text/plain; charset=UTF-8")
        self.assertIn("DTITLE=Ensemble Čtvrtek / Études pour clavecin",
                      body.decode("utf-8"))
        status, headers, body = self.srv.cmd("cddb+read+classical+" + ID_UTF8,
                                             proto=5)
        self.assertIn("charset=ISO-8859-1", headers["content-type"])
        self.assertIn("DTITLE=Ensemble ?tvrtek / \xc9tudes pour clavecin",
                      body.decode("latin-1"))

    def test_read_folded_title_and_enhanced_cd(self):
        body = self.srv.text("cddb+read+jazz+" + ID_FOLDED)
        t2 = re.findall(r"^TTITLE2=(.*)$", body.replace("\r", ""), re.M)
        self.assertEqual(len(t2), 2)
        self.assertEqual(len(t2[0]), 72)
        body = self.srv.text("cddb+read+folk+" + ID_ENHANCED)
        self.assertIn("TTITLE5=Enhanced CD Data", body)
        self.assertEqual(int(ID_ENHANCED[-2:], 16), 6)

    def test_read_not_found_and_errors(self):
        body = self.srv.text("cddb+read+rock+0102030a")
        self.assertEqual(body, "401 rock 0102030a No such CD entry in "
                               "database.\r\n")
        body = self.srv.text("cddb+read+nosuchcat+" + ID_SINGLE)
        self.assertEqual(code(body.encode()), "401")
        self.assertEqual(code(self.srv.text("cddb+read+rock").encode()), "500")
        # a corrupt entry gives 403, an unreadable one 402
        os.makedirs(os.path.join(self.db, "blues"), exist_ok=True)
        with open(os.path.join(self.db, "blues", "0a0b0c0d"), "w") as f:
            f.write("# xmcd\nDISCID=0a0b0c0d\nTTITLE0=no title\n")
        os.makedirs(os.path.join(self.db, "blues", "0a0b0c0e"))
        self.assertTrue(self.srv.text("cddb+read+blues+0a0b0c0d")
                        .startswith("403 "))
        self.assertTrue(self.srv.text("cddb+query+0a0b0c0d+1+150+60")
                        .startswith("403 "))
        self.assertTrue(self.srv.text("cddb+read+blues+0a0b0c0e")
                        .startswith("402 "))

    def test_sites(self):
        body = self.srv.text("sites", proto=5)
        lines = body.split("\r\n")
        self.assertTrue(lines[0].startswith("210 "))
        self.assertEqual(lines[-2:], [".", ""])
        site = re.compile(r"^(\S+) (http|cddbp) (\d+) (\S+) ([NS]\d{3}\.\d\d) "
                          r"([EW]\d{3}\.\d\d) (.+)$")
        http = [l for l in lines[1:-2] if site.match(l)
                and site.match(l).group(2) == "http"]
        self.assertEqual(len(http), len(lines) - 4)  # one cddbp line
        self.assertIn("127.0.0.1 http %d /~cddb/cddb.cgi" % self.srv.port,
                      body)
        old = self.srv.text("sites", proto=2).split("\r\n")
        self.assertRegex(old[1],
                         r"^\S+ \d+ [NS]\d{3}\.\d\d [EW]\d{3}\.\d\d .+")

    def test_stat(self):
        body = self.srv.text("stat", proto=4)
        lines = body.split("\r\n")
        self.assertTrue(lines[0].startswith("210 OK, status information"))
        self.assertEqual(lines[1], "Server status:")
        for key in ["current proto: 4", "max proto: 6", "gets: no",
                    "updates: no", "posting: yes", "quotes: no",
                    "strip ext: no", "max users: 100"]:
            self.assertIn("    " + key, lines)
        self.assertIn("Database entries by category:", lines)
        self.assertIn("    rock: 2", lines)
        self.assertRegex(body, r"Database entries: \d+\r\n")

    def test_motd(self):
        lines = self.srv.text("motd").split("\r\n")
        self.assertRegex(lines[0], r"^210 Last modified: \d\d/\d\d/\d\d "
                                   r"\d\d:\d\d:\d\d MOTD follows")
        self.assertGreater(len(lines), 3)
        self.assertEqual(lines[-2:], [".", ""])

    def test_other_commands(self):
        self.assertTrue(self.srv.text("cddb+lscat").startswith("210 "))
        self.assertTrue(self.srv.text("ver").startswith("200 "))
        self.assertTrue(self.srv.text("whom").startswith("401 "))
        self.assertEqual(self.srv.text("discid+2+150+13650+360"),
                         "200 Disc ID is %08x\r\n"
                         % disc_id([150, 13650], 360))
        for cmd in ["frobnicate", "cddb+hello+a+b+c+d", "proto+6", "quit",
                    "cddb+write+rock+01020304"]:
            self.assertEqual(self.srv.text(cmd), "500 Command syntax error, "
                             "command unknown, command unimplemented.\r\n",
                             cmd)

    def test_protocol_and_greeting_errors(self):
        self.assertTrue(self.srv.text("motd", proto=7).startswith("501 "))
        self.assertTrue(self.srv.text("motd", proto="x").startswith("501 "))
        self.assertTrue(self.srv.text("motd", hello="hello=")
                        .startswith("409 "))
        body = self.srv.exchange(b"GET /~cddb/cddb.cgi?hello=a+b+c+d&proto=5 "
                                 b"HTTP/1.0\r\n\r\n")[2]
        self.assertEqual(code(body), "500")
        body = self.srv.exchange(b"GET /~cddb/cddb.cgi HTTP/1.0\r\n\r\n")[2]
        self.assertEqual(code(body), "500")
        # without proto the level is 1
        self.assertIn(b"current proto: 1", self.srv.exchange(
            b"GET /~cddb/cddb.cgi?cmd=stat&hello=a+b+c+d HTTP/1.0\r\n\r\n")[2])

    def test_lenient_query_string(self):
        req = ("GET /~cddb/cddb.cgi?cmd=cddb%%20read+rock+%s&&hello=a+b+"
               "MPlayer VERSION&proto=5&junk HTTP/1.0\r\n\r\n" % ID_SINGLE)
        status, _, body = self.srv.exchange(req.encode())
        self.assertEqual(code(body), "210")

    def test_post_command(self):
        data = ("cmd=cddb+read+rock+%s&%s&proto=5" % (ID_SINGLE, HELLO))
        req = ("POST /~cddb/cddb.cgi HTTP/1.0\r\nContent-Length: %d\r\n\r\n%s"
               % (len(data), data))
        self.assertEqual(code(self.srv.exchange(req.encode())[2]), "210")

    def test_proxy_form(self):
        direct = self.srv.cmd("cddb+query+%s+%s" % (ID_SINGLE, SINGLE_TOC))
        req = ("GET http://127.0.0.1/~cddb/cddb.cgi?cmd=cddb+query+%s+%s&%s&"
               "proto=5 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"
               % (ID_SINGLE, SINGLE_TOC, HELLO))
        self.assertEqual(self.srv.exchange(req.encode()), direct)
        req2 = req.replace("\r\nHost: 127.0.0.1", "")
        self.assertEqual(self.srv.exchange(req2.encode())[0],
                         "HTTP/1.0 400 Bad Request")
        req3 = req.replace("Host: 127.0.0.1", "Host: 127.0.0.2")
        self.assertEqual(self.srv.exchange(req3.encode())[0],
                         "HTTP/1.0 400 Bad Request")
        req4 = req.replace("http://127.0.0.1/", "http://127.0.0.1:8080/")
        self.assertEqual(self.srv.exchange(req4.encode()), direct)
        req5 = req.replace("http://", "ftp://")
        self.assertEqual(self.srv.exchange(req5.encode())[0],
                         "HTTP/1.0 400 Bad Request")
        # proxied submit
        body = xmcd(SUB_OFFSETS, SUB_SECONDS, "A / B", list("abcd"))
        req = ("POST http://127.0.0.1/~cddb/submit.cgi HTTP/1.0\r\n"
               "Host: 127.0.0.1\r\nCategory: rock\r\nDiscid: %s\r\n"
               "User-Email: a@b.org\r\nSubmit-Mode: test\r\n"
               "Content-Length: %d\r\n\r\n%s" % (SUB_ID, len(body), body))
        self.assertEqual(code(self.srv.exchange(req.encode())[2]), "200")

    def test_bad_requests(self):
        status = self.srv.exchange(b"GET /index.html HTTP/1.0\r\n\r\n")[0]
        self.assertEqual(status, "HTTP/1.0 404 Not Found")
        status = self.srv.exchange(b"BREW /~cddb/cddb.cgi HTTP/1.0\r\n\r\n")[0]
        self.assertEqual(status, "HTTP/1.0 405 Method Not Allowed")
        status = self.srv.exchange(b"GET /~cddb/cddb.cgi?cmd=motd HTTP/1.0\r\n"
                                   b"no colon here\r\n\r\n")[0]
        self.assertEqual(status, "HTTP/1.0 400 Bad Request")
        status = self.srv.exchange(b"\x00\xff garbage\r\n\r\n")[0]
        self.assertEqual(status, "HTTP/1.0 400 Bad Request")
        big = b"GET /~cddb/cddb.cgi?cmd=motd&x=" + b"a" * 70000 + b" HTTP/1.0"
        status, _, body = self.srv.exchange(big + b"\r\n\r\n")
        self.assertEqual(status, "HTTP/1.0 413 Request Entity Too Large")
        self.assertEqual(code(body), "500")
        hdrs = b"".join(b"X-Filler-%d: %s\r\n" % (i, b"b" * 100)
                        for i in range(700))
        status = self.srv.exchange(b"GET /~cddb/cddb.cgi?cmd=motd HTTP/1.0\r\n"
                                   + hdrs + b"\r\n")[0]
        self.assertEqual(status, "HTTP/1.0 413 Request Entity Too Large")
        status = self.srv.submit(b"x" * 200000)[0]
        self.assertEqual(status, "HTTP/1.0 413 Request Entity Too Large")
        # the server is still alive
        self.assertEqual(code(self.srv.cmd("motd")[2]), "210")

    def test_incomplete_request_and_idle_connection(self):
        t0 = time.time()
        with socket.create_connection(("127.0.0.1", self.srv.port)) as idle:
            self.assertEqual(code(self.srv.cmd("motd")[2]), "210")
            idle.sendall(b"GET /~cddb/cddb.cgi?cmd=motd")
            idle.settimeout(3)
            data = idle.recv(1000)
        self.assertTrue(data.startswith(b"HTTP/1.0 408"))
        self.assertLess(time.time() - t0, 3)

    def test_log(self):
        self.srv.cmd("motd")
        time.sleep(0.1)
        with open(self.log) as f:
            lines = f.read().splitlines()
        self.assertTrue(any(re.search(r" GET /~cddb/cddb\.cgi\?cmd=motd\S* "
                                      r"200 210$", l) for l in lines))


class SubmitTest(ServerCase):

    def good(self):
        return xmcd(SUB_OFFSETS, SUB_SECONDS, "Tessellate / Quartet Hours",
                    ["One", "Two", "Three", "Four"])

    def stored(self, cat="rock"):
        return os.path.exists(os.path.join(self.db, cat, SUB_ID))

    def test_test_mode_is_not_stored(self):
        status, _, body = self.srv.submit(self.good(), mode="test",
                                          category="jazz")
        self.assertEqual(status, "HTTP/1.0 200 OK")
        self.assertEqual(body, b"200 OK, submission has been sent.\r\n")
        self.assertFalse(self.stored("jazz"))

    def test_real_submit_is_served(self):
        body = self.srv.submit(self.good(), mode="submit",
                               extra=["X-Cddbd-Note: sent by a test"])[2]
        self.assertEqual(code(body), "200")
        self.assertTrue(self.stored())
        read = self.srv.text("cddb+read+rock+" + SUB_ID)
        self.assertIn("DTITLE=Tessellate / Quartet Hours", read)
        query = self.srv.text("cddb+query+%s+4+150+20000+41000+60125+%d"
                              % (SUB_ID, SUB_SECONDS))
        self.assertTrue(query.startswith("200 rock " + SUB_ID))

    def test_bad_content_length(self):
        t0 = time.time()
        body = self.srv.submit(self.good(), length=len(self.good()) + 10)[2]
        self.assertEqual(code(body), "500")
        self.assertIn(b"Content-Length", body)
        body = self.srv.submit(self.good(), length=len(self.good()) - 10)[2]
        self.assertEqual(code(body), "500")
        self.assertIn(b"Content-Length", body)
        self.assertLess(time.time() - t0, 4)

    def test_bad_disc_id(self):
        # header id differs from the DISCID line
        body = self.srv.submit(self.good(), discid="01020304")[2]
        self.assertEqual(code(body), "501")
        # DISCID consistent with the header but not with the offsets
        rec = xmcd(SUB_OFFSETS, SUB_SECONDS, "A / B", list("abcd"),
                   discid="01020304")
        body = self.srv.submit(rec, discid="01020304", mode="submit")[2]
        self.assertEqual(code(body), "500")
        self.assertIn(b"computed", body)
        self.assertFalse(os.path.exists(os.path.join(self.db, "rock",
                                                     "01020304")))

    def test_bad_headers(self):
        good = self.good()
        self.assertEqual(code(self.srv.submit(good, category="pop")[2]), "501")
        self.assertEqual(code(self.srv.submit(good, discid="xyz")[2]), "501")
        self.assertEqual(code(self.srv.submit(good, email="nobody")[2]), "501")
        self.assertEqual(code(self.srv.submit(good, mode="maybe")[2]), "501")
        self.assertEqual(code(self.srv.submit(
            good, extra=["X-Cddbd-Note: " + "n" * 71])[2]), "501")
        req = ("POST /~cddb/submit.cgi HTTP/1.0\r\nCategory: rock\r\n"
               "Content-Length: %d\r\n\r\n%s" % (len(good), good))
        body = self.srv.exchange(req.encode())[2]
        self.assertTrue(body.startswith(b"500 Missing required header"))
        body = self.srv.exchange(b"GET /~cddb/submit.cgi HTTP/1.0\r\n\r\n")[2]
        self.assertEqual(code(body), "500")

    def test_bad_records(self):
        good = self.good()
        cases = {
            "not xmcd": good.replace("# xmcd", "# notes", 1),
            "no offsets": good.replace("Track frame offsets:", "Tracks:"),
            "no length": good.replace("# Disc length:", "# Length:"),
            "no dtitle": good.replace("DTITLE=", "DTITEL="),
            "missing title": good.replace("TTITLE3=Four\r\n", ""),
            "extra title": good.replace("TTITLE3=Four",
                                        "TTITLE3=Four\r\nTTITLE4=Five"),
            "no discid": good.replace("DISCID=", "DISKID="),
        }
        for name, rec in cases.items():
            body = self.srv.submit(rec, mode="submit")[2]
            self.assertTrue(body.startswith(b"50"), name)
            self.assertGreater(len(body), 10, name)
        self.assertFalse(self.stored())


class FaultTest(unittest.TestCase):

    def start(self, *args):
        srv = Server(*args)
        self.addCleanup(srv.stop)
        return srv

    def test_delay(self):
        srv = self.start("--delay", "0.6")
        t0 = time.time()
        self.assertEqual(code(srv.cmd("motd")[2]), "210")
        self.assertGreaterEqual(time.time() - t0, 0.55)

    def test_silent(self):
        srv = self.start("--silent")
        with socket.create_connection(("127.0.0.1", srv.port)) as s:
            s.sendall(b"GET /~cddb/cddb.cgi?cmd=motd&%s&proto=5 HTTP/1.0"
                      b"\r\n\r\n" % HELLO.encode())
            s.settimeout(1.5)  # longer than the server's socket time-out
            with self.assertRaises(socket.timeout):
                s.recv(100)

    def test_close_after_status(self):
        srv = self.start("--close-after-status")
        status, _, body = srv.cmd("cddb+read+rock+" + ID_SINGLE)
        self.assertEqual(status, "HTTP/1.0 200 OK")
        self.assertEqual(body, b"210 rock %s CD database entry follows (until "
                               b"terminating `.')\r\n" % ID_SINGLE.encode())

    def test_chunks(self):
        plain = self.start().cmd("cddb+read+rock+" + ID_SINGLE)
        srv = self.start("--chunk-size", "64", "--chunk-delay", "20")
        t0 = time.time()
        chunked = srv.cmd("cddb+read+rock+" + ID_SINGLE)
        self.assertEqual(chunked, plain)
        self.assertGreater(time.time() - t0, 0.2)
        # tiny chunks arrive as separate pieces
        srv = self.start("--chunk-size", "3", "--chunk-delay", "30")
        with socket.create_connection(("127.0.0.1", srv.port)) as s:
            s.sendall(b"GET /~cddb/cddb.cgi?cmd=ver&hello=a&proto=5 "
                      b"HTTP/1.0\r\n\r\n")
            s.settimeout(3)
            self.assertEqual(len(s.recv(100)), 3)

    def test_huge_answer(self):
        srv = self.start("--huge-answer", "100000")
        status, _, body = srv.cmd("cddb+query+%s+%s" % (ID_SINGLE, SINGLE_TOC))
        self.assertEqual(len(body), 100000)
        self.assertTrue(body.startswith(b"210 "))
        self.assertTrue(body.endswith(b"\r\n.\r\n"))
        lines = body.decode().split("\r\n")[1:-2]
        for line in lines:
            self.assertRegex(line, r"^misc [0-9a-f]{8} \S")
        # other commands are unaffected
        self.assertEqual(code(srv.cmd("motd")[2]), "210")

    def test_html_error(self):
        srv = self.start("--html-error")
        status, headers, body = srv.cmd("motd")
        self.assertEqual(status, "HTTP/1.0 500 Internal Server Error")
        self.assertIn("text/html", headers["content-type"])
        self.assertTrue(body.startswith(b"<!DOCTYPE HTML"))

    def test_wrong_code(self):
        srv = self.start("--wrong-code")
        for cmd in ["motd", "sites", "cddb+read+rock+" + ID_SINGLE]:
            self.assertEqual(srv.cmd(cmd)[2], b"409 No handshake.\r\n")
        srv = self.start("--wrong-code", "403")
        self.assertTrue(srv.cmd("stat")[2].startswith(b"403 "))
        srv = self.start("--port-zero-site")
        self.assertIn("\r\n127.0.0.2 http 0 /~cddb/cddb.cgi ", srv.text("sites"))

    def test_control_switches_at_run_time(self):
        srv = self.start("--control")
        body = srv.exchange(b"GET /control?wrong_code=402 HTTP/1.0\r\n\r\n")[2]
        self.assertTrue(body.startswith(b"200 "))
        self.assertTrue(srv.cmd("motd")[2].startswith(b"402 "))
        srv.exchange(b"GET /control?wrong_code=0&close_after_status=1 "
                     b"HTTP/1.0\r\n\r\n")
        body = srv.cmd("motd")[2]
        self.assertEqual(body.count(b"\r\n"), 1)
        # without --control the path does not exist
        plain = self.start()
        status = plain.exchange(b"GET /control?silent=1 HTTP/1.0\r\n\r\n")[0]
        self.assertEqual(status, "HTTP/1.0 404 Not Found")

    def test_refuses_non_loopback_bind(self):
        proc = subprocess.run([sys.executable, SERVER, "--port", "0", "--bind",
                               "0.0.0.0", "--db", DB], capture_output=True,
                              timeout=5)
        self.assertNotEqual(proc.returncode, 0)


if __name__ == "__main__":
    unittest.main()
