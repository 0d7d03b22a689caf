"""Voice adaptation on the real Linux recogniser through the speech server's
HTTP interface on loopback: a stored adapter changes what is heard, a fit on
flite clips reports its progress while it runs and stores its adapter in the
engine folder once kept, and clear removes it."""

import json
import os
import shutil
import sys
import tempfile
import threading
import time
import unittest
import urllib.request

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "boost"))
sys.path.insert(0, os.path.join(HERE, "..", "speechengine"))

from speech_server_boost_engine_test import Server  # noqa: E402
from speech_server_test import SENTENCE, flite_take  # noqa: E402

TRAINING = [
    "The quick brown fox jumps over the lazy dog",
    "She sells sea shells by the sea shore today",
    "Please increase the dosage to three hundred milligrams",
    "We reviewed the patient chart before the appointment",
    "The meeting is scheduled for Tuesday afternoon",
    "He was genuinely pleased with the work we did",
    "The committee approved the budget without discussion",
    "Weather permitting we will leave early tomorrow",
    "Please confirm the address before you send it",
    "The library closes at six on weekday evenings",
    "My name is spelled the way I just said it",
    "Thank you for calling, how can I help you today",
]


def status(server):
    request = urllib.request.Request(server.base + "v1/quorvane/adapt/status", headers=server.headers())
    with urllib.request.urlopen(request, timeout=5) as answer:
        return json.loads(answer.read())


class StoredAdapterOnTheRecogniserTest(unittest.TestCase):
    def heard_with(self, adapter):
        folder = tempfile.mkdtemp()
        try:
            if adapter is not None:
                np.savez(os.path.join(folder, "voice-adapter.npz"), scale=adapter[0], shift=adapter[1])
            server = Server(folder)
            try:
                return server.transcribe(flite_take(SENTENCE, 8.0, folder)), status(server)["tuned"]
            finally:
                server.stop()
        finally:
            shutil.rmtree(folder)

    def test_a_scale_of_zero_changes_the_transcript_and_identity_does_not(self):
        plain, tuned = self.heard_with(None)
        self.assertFalse(tuned)
        self.assertEqual(self.heard_with((np.ones(25, np.float32), np.zeros(25, np.float32))), (plain, True))
        silenced, tuned = self.heard_with((np.zeros(25, np.float32), np.zeros(25, np.float32)))
        self.assertTrue(tuned)
        self.assertNotEqual(silenced, plain)


class FitOnTheRecogniserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.server = Server(cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.folder)

    def test_a_fit_reports_progress_while_it_runs_and_keeps_its_adapter_until_cleared(self):
        import base64
        self.assertEqual(self.server.post_json("v1/quorvane/adapt/clear", {}), (200, {"ok": True}))
        for index, sentence in enumerate(TRAINING):
            audio = base64.b64encode(flite_take(sentence, 0.0, self.folder)).decode("ascii")
            self.assertEqual(self.server.post_json("v1/quorvane/adapt/clip", {"text": sentence, "audio": audio}),
                             (200, {"clips": index + 1}))
        seen = []
        answer = {}
        fit = threading.Thread(target=lambda: answer.update(self.server.post_json("v1/quorvane/adapt/fit", {})[1]))
        started = time.monotonic()
        fit.start()
        while fit.is_alive():
            seen.append(status(self.server))
            time.sleep(0.05)
        fit.join()
        print("fit of 12 flite clips: %.1f s" % (time.monotonic() - started), file=sys.stderr)
        self.assertEqual((answer["ok"], answer["clips"]), (True, 12))
        self.assertLessEqual(answer["loss"], answer["first_loss"])
        self.assertTrue(any(0 < s["step"] < s["steps"] == 60 for s in seen), seen[:5])
        self.assertEqual(status(self.server), {"tuned": True, "clips": 0, "step": 60, "steps": 60})
        self.assertTrue(self.server.transcribe(flite_take(SENTENCE, 8.0, self.folder)).strip())
        self.assertFalse(os.path.exists(os.path.join(self.folder, "voice-adapter.npz")))
        self.assertEqual(self.server.post_json("v1/quorvane/adapt/keep", {}), (200, {"ok": True}))
        self.assertTrue(os.path.exists(os.path.join(self.folder, "voice-adapter.npz")))
        self.server.post_json("v1/quorvane/adapt/clear", {})
        self.assertFalse(os.path.exists(os.path.join(self.folder, "voice-adapter.npz")))
        self.assertFalse(status(self.server)["tuned"])


if __name__ == "__main__":
    unittest.main()
