"""The word boost on the real Linux recogniser, through the speech server's
HTTP interface on loopback: a name spoken by flite that the recogniser nearly
hears is written as spelled once boosted, and boost lists of two and of two
hundred words leave ordinary sentences recognised at least as well as without
a list, compared case by case."""

import concurrent.futures
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

from speech_server_test import SCRIPT, STAND_INS, flite_take, free_port, transcription_body  # noqa: E402

NAME_SENTENCE = "send the draft to smith before noon"
# The account's full name, which every user's list holds.
FULL_NAME = ["Sarah", "Smith"]


def data_lines(name):
    with open(os.path.join(HERE, name), encoding="utf-8") as source:
        return [line.strip() for line in source if line.strip()]


def word_errors(reference, heard):
    """Substitutions, insertions and deletions between two word lists, letter case counting."""
    row = list(range(len(heard) + 1))
    for i, said in enumerate(reference, 1):
        diagonal, row[0] = row[0], i
        for j, written in enumerate(heard, 1):
            diagonal, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, diagonal + (said != written))
    return row[-1]


class Server:
    """The speech server script on the stand-in packages, on a free port."""

    def __init__(self, folder):
        self.port = free_port()
        self.base = "http://127.0.0.1:%d/" % self.port
        with open(SCRIPT, encoding="utf-8") as source:
            script = "# quorvane engine test" + source.read()
        # The key the server takes requests with, as the program passes it.
        self.key = uuid.uuid4().hex
        environment = dict(os.environ, PYTHONPATH=STAND_INS, QV_ENGINE_ROOT=folder, QV_ENGINE_KEY=self.key)
        self.log = open(os.path.join(folder, "engine.log"), "wb")
        self.process = subprocess.Popen(
            ["/usr/bin/python3", "-c", script, "--host", "127.0.0.1", "--port", str(self.port)],
            stdout=self.log, stderr=subprocess.STDOUT, env=environment)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            try:
                urllib.request.urlopen(urllib.request.Request(self.base + "v1/models", headers=self.headers()),
                                       timeout=2).read()
                return
            except (urllib.error.URLError, ConnectionError):
                time.sleep(0.1)
        self.stop()
        raise RuntimeError("the speech server did not answer")

    def stop(self):
        self.process.terminate()
        self.process.wait(10)
        self.log.close()

    def headers(self, **more):
        """The headers of a request of the program's, with `more`."""
        return dict(more, **{"X-Quorvane-Key": self.key})

    def post_json(self, path, body):
        request = urllib.request.Request(self.base + path, data=json.dumps(body).encode(),
                                         headers=self.headers(**{"Content-Type": "application/json"}))
        try:
            with urllib.request.urlopen(request, timeout=600) as answer:
                return answer.status, json.loads(answer.read())
        except urllib.error.HTTPError as error:
            return error.code, None

    def transcribe(self, wav):
        boundary = "quorvane-" + str(uuid.uuid4()).upper()
        request = urllib.request.Request(
            self.base + "v1/audio/transcriptions", data=transcription_body(wav, boundary),
            headers=self.headers(**{"Content-Type": "multipart/form-data; boundary=" + boundary}))
        with urllib.request.urlopen(request, timeout=120) as answer:
            return json.loads(answer.read())["text"]


class WordBoostOnTheRecogniserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.server = Server(cls.folder)
        cls.name_take = flite_take(NAME_SENTENCE, 4.0, cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.folder)

    def tearDown(self):
        self.server.post_json("v1/quorvane/bias", {"words": [], "boost": 9.0})

    def transcribe_all(self, takes):
        # The server decodes two takes at once.
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            return list(pool.map(self.server.transcribe, takes))

    def test_a_name_the_recogniser_nearly_hears_is_written_as_spelled_once_boosted(self):
        plain = self.server.transcribe(self.name_take)
        self.assertNotIn("Smith", plain.split())
        self.assertEqual(self.server.post_json("v1/quorvane/bias", {"words": ["Smith"], "boost": 9.0}),
                         (200, {"words": 1, "boost": 9.0}))
        self.assertEqual(self.server.transcribe(self.name_take), "send the draft to Smith before noon")
        # A body that fails validation leaves the list in force.
        self.assertEqual(self.server.post_json("v1/quorvane/bias", {"words": ["x"], "boost": "high"})[0], 422)
        self.assertIn("Smith", self.server.transcribe(self.name_take).split())
        self.server.post_json("v1/quorvane/bias", {"words": [], "boost": 9.0})
        self.assertEqual(self.server.transcribe(self.name_take), plain)

    def test_boost_lists_do_not_raise_the_word_error_rate_of_ordinary_sentences(self):
        sentences = data_lines("ordinary-sentences.txt")
        many = data_lines("boost-words.txt")
        self.assertGreaterEqual(len(sentences), 50)
        self.assertEqual(len(many), 200)
        sentences = [(sentence, flite_take(sentence, 0.0, self.folder)) for sentence in sentences]
        total = sum(len(sentence.split()) for sentence, _ in sentences)
        rates, heard = {}, {}
        for name, words in (("without a list", []), ("with 2 words", FULL_NAME), ("with 200 words", many)):
            self.assertEqual(self.server.post_json("v1/quorvane/bias", {"words": words, "boost": 9.0})[1]["words"],
                             len(words))
            heard[name] = self.transcribe_all([take for _, take in sentences])
            errors = sum(word_errors(sentence.split(), text.split())
                         for (sentence, _), text in zip(sentences, heard[name]))
            rates[name] = errors / total
        print("word error rate over %d sentences (%d words): %s" % (
            len(sentences), total, ", ".join("%s %.4f" % item for item in rates.items())))
        self.assertLessEqual(rates["with 2 words"], rates["without a list"], rates)
        self.assertLessEqual(rates["with 200 words"], rates["without a list"], rates)
        # The sentence in which the full name once turned "so" into "Sarah" and
        # capitalised every word opening with an "s".
        self.assertEqual(heard["with 2 words"][0], heard["without a list"][0])


if __name__ == "__main__":
    unittest.main()
