"""The word boost on the real Linux recogniser, through the speech server's
HTTP interface on loopback: a rare name spoken by flite is heard once it is
boosted, many unrelated boosted words leave a sentence recognised."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "speechengine"))

from speech_server_test import (SCRIPT, SENTENCE, STAND_INS, flite_take, free_port,  # noqa: E402
                                transcription_body)

NAME_SENTENCE = "ask nakamura to review the contract"
# Words of a dictionary that have nothing to do with the sentences spoken here.
UNRELATED = ("Abernathy Brightwell Castellano Delacroix Eriksson Fitzgerald Gallagher Hargreaves Ingram "
             "Jablonski Kowalczyk Lindqvist Montgomery Nakashima Ostrowski Pemberton Quintero Rasmussen "
             "Sandoval Thornbury Underhill Valentino Whitaker Yamamoto Zimmerman").split()


class Server:
    """The speech server script on the stand-in packages, on a free port."""

    def __init__(self, folder):
        self.port = free_port()
        self.base = "http://127.0.0.1:%d/" % self.port
        with open(SCRIPT, encoding="utf-8") as source:
            script = "# quorvane engine test" + source.read()
        environment = dict(os.environ, PYTHONPATH=STAND_INS, QV_ENGINE_ROOT=folder)
        self.log = open(os.path.join(folder, "engine.log"), "wb")
        self.process = subprocess.Popen(
            ["/usr/bin/python3", "-c", script, "--host", "127.0.0.1", "--port", str(self.port)],
            stdout=self.log, stderr=subprocess.STDOUT, env=environment)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            try:
                urllib.request.urlopen(self.base + "v1/models", timeout=2).read()
                return
            except (urllib.error.URLError, ConnectionError):
                time.sleep(0.1)
        self.stop()
        raise RuntimeError("the speech server did not answer")

    def stop(self):
        self.process.terminate()
        self.process.wait(10)
        self.log.close()

    def post_json(self, path, body):
        request = urllib.request.Request(self.base + path, data=json.dumps(body).encode(),
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=600) as answer:
                return answer.status, json.loads(answer.read())
        except urllib.error.HTTPError as error:
            return error.code, None

    def transcribe(self, wav):
        boundary = "quorvane-" + str(uuid.uuid4()).upper()
        request = urllib.request.Request(self.base + "v1/audio/transcriptions", data=transcription_body(wav, boundary),
                                         headers={"Content-Type": "multipart/form-data; boundary=" + boundary})
        with urllib.request.urlopen(request, timeout=120) as answer:
            return json.loads(answer.read())["text"]


class WordBoostOnTheRecogniserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.server = Server(cls.folder)
        cls.name_take = flite_take(NAME_SENTENCE, 4.0, cls.folder)
        cls.meeting_take = flite_take(SENTENCE, 8.0, cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.folder)

    def tearDown(self):
        self.server.post_json("v1/quorvane/bias", {"words": [], "boost": 9.0})

    def test_a_rare_name_is_heard_as_spelled_once_boosted_and_missed_again_after_an_empty_list(self):
        plain = self.server.transcribe(self.name_take)
        self.assertNotIn("nakamura", plain.lower())
        self.assertEqual(self.server.post_json("v1/quorvane/bias", {"words": ["Nakamura"], "boost": 9.0}),
                         (200, {"words": 1, "boost": 9.0}))
        self.assertIn("Nakamura", self.server.transcribe(self.name_take).split())
        # A body that fails validation leaves the list in force.
        self.assertEqual(self.server.post_json("v1/quorvane/bias", {"words": ["x"], "boost": "high"})[0], 422)
        self.assertIn("Nakamura", self.server.transcribe(self.name_take).split())
        self.server.post_json("v1/quorvane/bias", {"words": [], "boost": 9.0})
        self.assertEqual(self.server.transcribe(self.name_take), plain)

    def test_two_hundred_unrelated_boosted_words_leave_the_sentence_recognised(self):
        words = [name + suffix for suffix in ("", "son", "ley", "field", "wood", "ridge", "ford", "ton")
                 for name in UNRELATED][:200]
        self.assertEqual(self.server.post_json("v1/quorvane/bias", {"words": words, "boost": 9.0})[1]["words"], 200)
        heard = self.server.transcribe(self.meeting_take).lower().split()
        found = [word for word in SENTENCE.split() if word in heard]
        self.assertGreaterEqual(len(found), 7, heard)


if __name__ == "__main__":
    unittest.main()
