"""Tests of the local MusicBrainz stand-in, run as a subprocess on a free port.

python3 -m unittest tools/musicbrainz-server/test_musicbrainz_server.py -v
"""

import json
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import musicbrainz_server  # noqa: E402

KNOWN = "49HHV7Eb8UKF3aQiNmu1GR8vKTY-"
KNOWN_TOC = "1+6+95462+150+15363+32314+46592+63414+80489"
UNKNOWN = "xxxxxxxxxxxxxxxxxxxxxxxxxxx-"


class StandIn:
    def __init__(self, *args):
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "musicbrainz_server.py"), "--port", "0"]
            + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline().strip()
        if not line.startswith("listening on "):
            self.stop()
            raise RuntimeError("stand-in did not start: %s %s" % (line, self.proc.stderr.read()))
        self.url = line[len("listening on "):]

    def get(self, path, context=None, timeout=10, headers=None):
        request = urllib.request.Request(self.url + path, headers=headers or {})
        try:
            with urllib.request.urlopen(request, timeout=timeout, context=context) as r:
                return r.status, dict(r.headers), r.read()
        except urllib.error.HTTPError as e:
            return e.code, dict(e.headers), e.read()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(10)
        self.proc.stdout.close()
        self.proc.stderr.close()


class PlainTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.log = os.path.join(self.dir, "requests.log")
        self.server = StandIn("--control", "--request-log", self.log)

    def tearDown(self):
        self.server.stop()
        shutil.rmtree(self.dir)

    def test_known_disc_is_its_data_file(self):
        status, _, body = self.server.get("/ws/2/discid/%s?fmt=json" % KNOWN)
        self.assertEqual(status, 200)
        with open(os.path.join(HERE, "data", KNOWN + ".json"), "rb") as f:
            self.assertEqual(body, f.read())

    def test_unknown_disc_bad_id_and_toc_match(self):
        self.assertEqual(self.server.get("/ws/2/discid/" + UNKNOWN)[0], 404)
        self.assertEqual(self.server.get("/ws/2/discid/short-")[0], 400)
        status, _, body = self.server.get("/ws/2/discid/%s?toc=%s" % (UNKNOWN, KNOWN_TOC))
        self.assertEqual(status, 200)
        self.assertEqual(json.loads(body)["release-count"], 1)

    def test_busy_once_then_served_and_requests_logged(self):
        self.assertEqual(self.server.get("/control?busy_once=1&retry_after=4")[0], 200)
        status, headers, _ = self.server.get("/ws/2/discid/" + KNOWN,
                                             headers={"User-Agent": "RUBO/1.20 ( x )"})
        self.assertEqual((status, headers.get("Retry-After")), (503, "4"))
        self.assertEqual(self.server.get("/ws/2/discid/" + KNOWN)[0], 200)
        with open(self.log, encoding="utf-8") as f:
            lines = [json.loads(line) for line in f]
        self.assertEqual(lines[1]["path"], "/ws/2/discid/" + KNOWN)
        self.assertEqual(lines[1]["user_agent"], "RUBO/1.20 ( x )")

    def test_silent_never_answers(self):
        self.assertEqual(self.server.get("/control?silent=1")[0], 200)
        with self.assertRaises((socket.timeout, urllib.error.URLError)):
            self.server.get("/ws/2/discid/" + KNOWN, timeout=1)


class HttpsTest(unittest.TestCase):
    @unittest.skipUnless(shutil.which("openssl"), "openssl is missing")
    def test_https_with_the_test_authority_only(self):
        certs = tempfile.mkdtemp()
        try:
            subprocess.run([os.path.join(HERE, "make-test-ca"), certs, "t"], check=True)
            server = StandIn("--cert", os.path.join(certs, "t-server.pem"),
                             "--key", os.path.join(certs, "t-server.key"))
            try:
                trusting = ssl.create_default_context(cafile=os.path.join(certs, "t-ca.pem"))
                self.assertEqual(server.get("/ws/2/discid/" + KNOWN, trusting)[0], 200)
                with self.assertRaises(urllib.error.URLError):
                    server.get("/ws/2/discid/" + KNOWN, ssl.create_default_context())
            finally:
                server.stop()
        finally:
            shutil.rmtree(certs)


class DataTest(unittest.TestCase):
    def test_each_answer_is_named_by_the_id_of_its_toc(self):
        self.assertEqual(musicbrainz_server.disc_id(1, 6, 95462, [150, 15363, 32314, 46592,
                                                                  63414, 80489]), KNOWN)
        for name in os.listdir(os.path.join(HERE, "data")):
            with open(os.path.join(HERE, "data", name), encoding="utf-8") as f:
                answer = json.load(f)
            if "offsets" in answer:
                offsets = answer["offsets"]
                self.assertEqual(musicbrainz_server.disc_id(1, len(offsets), answer["sectors"],
                                                            offsets) + ".json", name)


if __name__ == "__main__":
    unittest.main()
