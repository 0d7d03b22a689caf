"""Voice adaptation inside the speech server script: the search for scales, a
fit against the recogniser's forced alignment of flite takes with one band of
their features turned down, takes heard alike wherever the voice starts in
them, the fit's clips, cancellation and the stored adapter's checks."""

import base64
import io
import os
import shutil
import stat
import sys
import tempfile
import threading
import time
import unittest
import wave

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "speechengine"))
ENGINE_ROOT = tempfile.mkdtemp()
os.environ["QV_ENGINE_ROOT"] = ENGINE_ROOT

from speech_server_test import flite_take, load_script_helpers  # noqa: E402

import mlx.core as mx  # noqa: E402
from mlx_audio.stt.models.parakeet.audio import get_logmel  # noqa: E402
from mlx_audio.stt.utils import load_audio  # noqa: E402

SCRIPT = load_script_helpers()
ADAPTER_FILE = os.path.join(ENGINE_ROOT, "voice-adapter.npz")
SENTENCES = [
    "The quick brown fox jumps over the lazy dog",
    "Please increase the dosage to three hundred milligrams",
    "We reviewed the patient chart before the appointment",
    "The committee approved the budget without discussion",
    "Please confirm the address before you send it",
    "Thank you for calling, how can I help you today",
]
TAKES = {}


def take(sentence):
    if sentence not in TAKES:
        TAKES[sentence] = flite_take(sentence, 0.0, ENGINE_ROOT)
    return TAKES[sentence]


def features_of(wav):
    path = os.path.join(ENGINE_ROOT, "take.wav")
    with open(path, "wb") as out:
        out.write(wav)
    return np.asarray(get_logmel(load_audio(path, 16000), SCRIPT["_qv_stt"]().preprocessor_config))


def tearDownModule():
    shutil.rmtree(ENGINE_ROOT)


class ScaleSearchTest(unittest.TestCase):
    def test_the_search_climbs_to_the_best_band_scales_within_the_bounds(self):
        target = np.repeat([1.6, 0.7, 1.0, 3.0, 0.2], 5)[:23]
        scale, first, best, calls = SCRIPT["_qv_search_scales"](
            lambda scale: -float(np.sum((scale - target) ** 2)), 23, evaluations=400, seconds=60)
        expected = np.repeat([1.6, 0.7, 1.0, 2.0, 0.5], 5)[:23]
        np.testing.assert_allclose(scale, expected, atol=1e-6)
        self.assertEqual(first, -float(np.sum((np.ones(23) - target) ** 2)))
        self.assertGreater(best, first)
        self.assertLess(calls, 400)

    def test_the_search_keeps_the_identity_when_nothing_scores_better_or_every_trial_fails(self):
        for objective in (lambda scale: -float(np.sum((scale - 1.0) ** 2)),
                          lambda scale: 0.0 if np.all(scale == 1.0) else None):
            scale, first, best, _ = SCRIPT["_qv_search_scales"](objective, 25)
            self.assertEqual(scale.tolist(), [1.0] * 25)
            self.assertEqual(best, first)

    def test_the_search_stops_at_its_budget_of_trials_or_of_time(self):
        seen = []
        _, _, _, calls = SCRIPT["_qv_search_scales"](lambda scale: float(scale.sum()), 25, evaluations=7,
                                                      on_step=seen.append)
        self.assertEqual((calls, seen), (7, list(range(1, 8))))

        def slow(scale):
            time.sleep(0.05)
            return float(scale.sum())

        started = time.monotonic()
        SCRIPT["_qv_search_scales"](slow, 25, evaluations=1000, seconds=0.3)
        self.assertLess(time.monotonic() - started, 1.0)

    def test_a_cancelled_search_raises_before_its_next_trial(self):
        calls = []
        with self.assertRaises(SCRIPT["_QVCancelled"]):
            SCRIPT["_qv_search_scales"](lambda scale: calls.append(1) or float(scale.sum()), 25,
                                        cancelled=lambda: len(calls) >= 3)
        self.assertEqual(len(calls), 3)


class ForcedAlignmentFitTest(unittest.TestCase):
    """Takes whose features have one band turned down to half: the search
    against the recogniser's forced alignment puts the band back up."""

    def test_a_band_turned_down_is_found_and_the_forced_score_rises(self):
        model = SCRIPT["_qv_stt"]()
        alignment = model.forced_alignment(SENTENCES)
        band = slice(10, 15)
        pairs = []
        for index, sentence in enumerate(SENTENCES):
            features = features_of(take(sentence))
            features[:, band] *= 0.5
            pairs.append((index, features))
        from concurrent.futures import ThreadPoolExecutor
        try:
            with ThreadPoolExecutor(alignment.decoders) as workers:
                scale, first, best, _ = SCRIPT["_qv_search_scales"](
                    SCRIPT["_qv_forced_total"](alignment, pairs, workers), 25)
        finally:
            alignment.close()
        print("band scales %s, forced score %.0f -> %.0f" % (scale[band].tolist(), first, best), file=sys.stderr)
        self.assertGreater(best, first)
        for value in scale[band]:
            self.assertAlmostEqual(value, 2.0, delta=0.4)

    def test_a_sentence_with_a_word_missing_from_the_dictionary_cannot_be_aligned(self):
        alignment = SCRIPT["_qv_stt"]().forced_alignment(["the quick brown fox", "the qwxzzy fox", "?!"])
        try:
            self.assertEqual([alignment.usable(index) for index in range(3)], [True, False, False])
            self.assertIsNone(alignment.score(1, np.ones((200, 25), np.float32)))
        finally:
            alignment.close()


class TakeStartTest(unittest.TestCase):
    """A held-out take is heard before and after a fit; what the recogniser
    hears must not depend on how long the microphone ran around the voice."""

    def framed(self, wav, lead, trail):
        with wave.open(io.BytesIO(wav), "rb") as source:
            rate, frames = source.getframerate(), source.readframes(source.getnframes())
        out = io.BytesIO()
        with wave.open(out, "wb") as target:
            target.setnchannels(1)
            target.setsampwidth(2)
            target.setframerate(rate)
            target.writeframes(b"\0\0" * int(lead * rate) + frames + b"\0\0" * int(trail * rate))
        return out.getvalue()

    def test_silence_around_a_take_changes_neither_its_features_nor_its_words_and_times_count_from_its_start(self):
        model = SCRIPT["_qv_stt"]()
        short = self.framed(take(SENTENCES[2]), 0.13, 0.2)
        long = self.framed(take(SENTENCES[2]), 0.4137, 0.9)
        np.testing.assert_array_equal(features_of(short), features_of(long))
        heard = []
        for wav in (short, long):
            path = os.path.join(ENGINE_ROOT, "framed.wav")
            with open(path, "wb") as out:
                out.write(wav)
            heard.append(model.generate(path))
        self.assertEqual(heard[0].text, heard[1].text)
        self.assertTrue(heard[0].text)
        first = [result.sentences[0].tokens[0].start for result in heard]
        self.assertAlmostEqual(first[1] - first[0], (int(0.4137 * 16000) - int(0.13 * 16000)) / 16000.0, places=6)
        self.assertGreaterEqual(first[0], 0.13)

    def test_a_take_of_silence_alone_is_still_heard_whole(self):
        # The engine's check of its model transcribes silence: nothing may be
        # trimmed away from it, or a model that cannot load would pass.
        empty = io.BytesIO()
        with wave.open(empty, "wb") as target:
            target.setnchannels(1)
            target.setsampwidth(2)
            target.setframerate(16000)
        silence = features_of(self.framed(empty.getvalue(), 0.5, 0.0))
        self.assertGreater(silence.shape[0], 40)


class FitTest(unittest.TestCase):
    def setUp(self):
        SCRIPT["_qv_adapt_clear"]()

    def clip(self, text, audio):
        return SCRIPT["_qv_adapt_clip"](SCRIPT["_QVClip"](text=text, audio=audio))

    def audio(self, sentence):
        return base64.b64encode(take(sentence)).decode("ascii")

    def test_a_fit_puts_band_scales_and_a_zero_shift_in_force_and_stores_them_only_when_kept(self):
        self.clip(SENTENCES[0], self.audio(SENTENCES[0]))
        self.clip(SENTENCES[1], self.audio(SENTENCES[1]))
        self.clip("the qwxzzy fox", self.audio(SENTENCES[0]))
        self.clip(SENTENCES[2], "not base64 at all!")
        self.clip(SENTENCES[2], base64.b64encode(b"RIFF but not a wave").decode())
        answer = SCRIPT["_qv_adapt_fit"]()
        self.assertEqual((answer["ok"], answer["clips"]), (True, 2))
        self.assertLessEqual(answer["loss"], answer["first_loss"])
        steps = SCRIPT["_QV_MAX_EVALUATIONS"]
        self.assertEqual(SCRIPT["_qv_adapt_status"](), {"tuned": True, "clips": 0, "step": steps, "steps": steps})
        # Not yet checked on the held-back takes: a server launched now would not use it.
        self.assertFalse(os.path.exists(ADAPTER_FILE))
        # Tuned on the user's voice, the stored adapter is theirs alone, even
        # under a desktop's umask and over a partial file left open to others.
        partial = ADAPTER_FILE + ".partial.npz"
        with open(partial, "wb"):
            pass
        os.chmod(partial, 0o644)
        desktop = os.umask(0o022)
        try:
            self.assertEqual(SCRIPT["_qv_adapt_keep"](), {"ok": True})
        finally:
            os.umask(desktop)
        self.assertEqual(stat.S_IMODE(os.stat(ADAPTER_FILE).st_mode), 0o600)
        self.assertFalse(os.path.exists(partial))
        scale, shift = SCRIPT["_qv_load_adapter"](ADAPTER_FILE)
        self.assertEqual((scale.shape, shift.tolist()), ((25,), [0.0] * 25))
        self.assertTrue(np.all(scale.reshape(5, 5) == scale.reshape(5, 5)[:, :1]))

    def test_without_an_adapter_in_force_nothing_is_kept(self):
        self.assertEqual(SCRIPT["_qv_adapt_keep"](), {"ok": False, "reason": "no adapter"})
        self.assertFalse(os.path.exists(ADAPTER_FILE))

    def test_a_fit_without_usable_clips_says_why(self):
        self.assertEqual(SCRIPT["_qv_adapt_fit"](), {"ok": False, "reason": "no clips"})
        self.clip("\u00e9t\u00e9", self.audio(SENTENCES[0]))
        self.assertEqual(SCRIPT["_qv_adapt_fit"](), {"ok": False, "reason": "nothing usable"})

    def test_a_clear_during_a_fit_ends_it_at_once_without_an_adapter(self):
        for sentence in SENTENCES:
            self.clip(sentence, self.audio(sentence))
        trials, cleared = [], threading.Event()
        forced_total = SCRIPT["_qv_forced_total"]

        def counted(*args):
            total = forced_total(*args)
            return lambda scale: trials.append(cleared.is_set()) or total(scale)

        SCRIPT["_qv_forced_total"] = counted
        try:
            answer = {}
            fit = threading.Thread(target=lambda: answer.update(SCRIPT["_qv_adapt_fit"]()))
            fit.start()
            deadline = time.monotonic() + 60
            while len(trials) < 3 and time.monotonic() < deadline:
                time.sleep(0.005)
            cleared.set()
            self.assertEqual(SCRIPT["_qv_adapt_clear"](), {"ok": True})
            fit.join(60)
        finally:
            SCRIPT["_qv_forced_total"] = forced_total
        self.assertEqual(answer, {"ok": False, "reason": "cancelled"})
        self.assertLessEqual(trials.count(True), 1, "trials after the clear")
        self.assertEqual(SCRIPT["_qv_adapt_status"](), {"tuned": False, "clips": 0, "step": 0, "steps": 0})
        self.assertFalse(os.path.exists(ADAPTER_FILE))

    def test_clear_forgets_clips_and_adapter_and_deletes_the_file(self):
        self.clip(SENTENCES[0], self.audio(SENTENCES[0]))
        SCRIPT["_qv_adapt_fit"]()
        SCRIPT["_qv_adapt_keep"]()
        self.clip(SENTENCES[0], self.audio(SENTENCES[0]))
        self.assertTrue(os.path.exists(ADAPTER_FILE))
        self.assertEqual(SCRIPT["_qv_adapt_clear"](), {"ok": True})
        self.assertEqual(SCRIPT["_qv_adapt_status"](), {"tuned": False, "clips": 0, "step": 0, "steps": 0})
        self.assertFalse(os.path.exists(ADAPTER_FILE))


    def test_a_discard_puts_the_stored_adapter_back_in_force_and_leaves_its_file_which_only_clear_deletes(self):
        np.savez(ADAPTER_FILE, scale=np.full(25, 0.75, np.float32), shift=np.zeros(25, np.float32))
        with open(ADAPTER_FILE, "rb") as stored:
            kept = stored.read()
        SCRIPT["_QV_ADAPT"]["scale"], SCRIPT["_QV_ADAPT"]["shift"] = SCRIPT["_qv_load_adapter"](ADAPTER_FILE)
        # A new run: its fit is in force for the check, not stored.
        self.clip(SENTENCES[0], self.audio(SENTENCES[0]))
        self.assertTrue(SCRIPT["_qv_adapt_fit"]()["ok"])
        self.assertFalse(np.array_equal(SCRIPT["_QV_ADAPT"]["scale"], np.full(25, 0.75, np.float32)))
        self.clip(SENTENCES[1], self.audio(SENTENCES[1]))

        self.assertEqual(SCRIPT["_qv_adapt_discard"](), {"ok": True})
        self.assertEqual(SCRIPT["_qv_adapt_status"](), {"tuned": True, "clips": 0, "step": 0, "steps": 0})
        self.assertEqual(SCRIPT["_QV_ADAPT"]["scale"].tolist(), [0.75] * 25)
        with open(ADAPTER_FILE, "rb") as stored:
            self.assertEqual(stored.read(), kept)

        self.assertEqual(SCRIPT["_qv_adapt_clear"](), {"ok": True})
        self.assertFalse(os.path.exists(ADAPTER_FILE))
        self.assertEqual(SCRIPT["_qv_adapt_discard"](), {"ok": True})
        self.assertEqual(SCRIPT["_qv_adapt_status"](), {"tuned": False, "clips": 0, "step": 0, "steps": 0})


class StoredAdapterTest(unittest.TestCase):
    def write(self, **arrays):
        path = os.path.join(ENGINE_ROOT, "candidate.npz")
        np.savez(path, **arrays)
        return path

    def test_only_two_finite_equal_length_vectors_are_taken(self):
        good = SCRIPT["_qv_load_adapter"](self.write(scale=np.full(25, 2.0), shift=np.zeros(25)))
        self.assertEqual(good[0].tolist(), [2.0] * 25)
        for arrays in ({"scale": np.ones(25), "shift": np.zeros(24)},
                       {"scale": np.ones(25)},
                       {"scale": np.full(25, np.nan), "shift": np.zeros(25)},
                       {"scale": np.ones((5, 5)), "shift": np.zeros((5, 5))},
                       {"scale": np.array([{"x": 1}] * 25, dtype=object), "shift": np.zeros(25)}):
            self.assertEqual(SCRIPT["_qv_load_adapter"](self.write(**arrays)), (None, None), list(arrays))

    def test_a_corrupt_or_missing_file_leaves_the_recogniser_unadapted(self):
        path = os.path.join(ENGINE_ROOT, "corrupt.npz")
        with open(path, "wb") as out:
            out.write(b"PK\x03\x04 not really a zip")
        self.assertEqual(SCRIPT["_qv_load_adapter"](path), (None, None))
        self.assertEqual(SCRIPT["_qv_load_adapter"](os.path.join(ENGINE_ROOT, "absent.npz")), (None, None))

    def test_the_adapter_scales_and_shifts_the_features_and_keeps_their_type(self):
        adapt = SCRIPT["_QV_ADAPT"]
        try:
            adapt.update(scale=np.full(3, 2.0, np.float32), shift=np.full(3, 0.5, np.float32))
            features = mx.array(np.ones((1, 2, 3), np.float32), mx.bfloat16)
            (changed, rest) = SCRIPT["_qv_adapted"]((features, "more"))
            self.assertEqual(np.asarray(changed).tolist(), [[[2.5] * 3] * 2])
            self.assertIs(changed.dtype, mx.bfloat16)
            self.assertEqual(rest, "more")
            SCRIPT["_qv_adapted"]((mx.array(np.ones((1, 2, 4), np.float32)),))
            self.assertIsNone(adapt["scale"])
        finally:
            adapt.update(scale=None, shift=None)


if __name__ == "__main__":
    unittest.main()
