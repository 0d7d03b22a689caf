"""Voice adaptation inside the speech server script: the transducer loss and
its gradients against brute force and finite differences, the fit's clips and
steps, and the stored adapter's checks."""

import base64
import io
import itertools
import os
import shutil
import sys
import tempfile
import unittest
import wave

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "speechengine"))
ENGINE_ROOT = tempfile.mkdtemp()
os.environ["QV_ENGINE_ROOT"] = ENGINE_ROOT

from speech_server_test import load_script_helpers  # noqa: E402

import mlx.core as mx  # noqa: E402
from mlx_audio.stt.models.parakeet.transducer import Transducer, make_weights  # noqa: E402

SCRIPT = load_script_helpers()
ADAPTER_FILE = os.path.join(ENGINE_ROOT, "voice-adapter.npz")


def tearDownModule():
    shutil.rmtree(ENGINE_ROOT)


def log_softmax(values):
    shifted = values - values.max(axis=-1, keepdims=True)
    return shifted - np.log(np.exp(shifted).sum(axis=-1, keepdims=True))


def brute_force_loss(lp, targets, blank):
    """-log of the sum over every alignment: T blanks and U pieces in any
    order that ends with a blank, each step read at its (frame, pieces) cell."""
    frames, count = lp.shape[0], len(targets)
    total = []
    for places in itertools.combinations(range(frames + count - 1), count):
        t = u = 0
        score = 0.0
        for position in range(frames + count):
            if position in places:
                score += lp[t, u, targets[u]]
                u += 1
            else:
                score += lp[t, u, blank]
                t += 1
        total.append(score)
    return -np.logaddexp.reduce(total)


def wav(seconds, seed):
    samples = np.random.default_rng(seed).standard_normal(int(16000 * seconds)) * 0.1
    out = io.BytesIO()
    with wave.open(out, "wb") as target:
        target.setnchannels(1)
        target.setsampwidth(2)
        target.setframerate(16000)
        target.writeframes((np.clip(samples, -1, 1) * 32767).astype("<i2").tobytes())
    return base64.b64encode(out.getvalue()).decode("ascii")


class TransducerLossTest(unittest.TestCase):
    def test_the_forward_recursion_sums_every_alignment(self):
        generator = np.random.default_rng(1)
        for frames, targets in ((3, [1, 2]), (4, [0, 0, 1]), (2, [])):
            lp = log_softmax(generator.standard_normal((frames, len(targets) + 1, 4)))
            loss, _ = SCRIPT["_qv_transducer_loss"](lp, targets, 3)
            self.assertAlmostEqual(loss, brute_force_loss(lp, targets, 3), places=9)

    def test_the_gradient_matches_finite_differences(self):
        generator = np.random.default_rng(2)
        lp = generator.standard_normal((3, 3, 4))
        loss, gradient = SCRIPT["_qv_transducer_loss"](lp, [2, 0], 3)
        step = 1e-6
        for index in np.ndindex(lp.shape):
            moved = lp.copy()
            moved[index] += step
            numeric = (SCRIPT["_qv_transducer_loss"](moved, [2, 0], 3)[0] - loss) / step
            self.assertAlmostEqual(gradient[index], numeric, delta=1e-4, msg=str(index))

    def test_the_transducer_gradient_reaches_the_features_exactly(self):
        generator = np.random.default_rng(3)
        net = Transducer(make_weights(5, 9), blank=6)
        features = generator.standard_normal((9, 5))
        tokens = [1, 4]
        weights = generator.standard_normal((2, 3, 7))
        _, pullback = net.log_probs(features, tokens)
        gradient = pullback(weights)
        self.assertEqual(gradient.shape, features.shape)
        self.assertTrue(np.all(gradient[8] == 0.0))  # past the last whole stack of frames
        step = 1e-6
        for index in np.ndindex(features.shape):
            moved = features.copy()
            moved[index] += step
            numeric = ((net.log_probs(moved, tokens)[0] - net.log_probs(features, tokens)[0]) * weights).sum() / step
            self.assertAlmostEqual(gradient[index], numeric, delta=1e-4, msg=str(index))


class FitTest(unittest.TestCase):
    def setUp(self):
        SCRIPT["_qv_adapt_clear"]()

    def clip(self, text, audio):
        return SCRIPT["_qv_adapt_clip"](SCRIPT["_QVClip"](text=text, audio=audio))

    def test_one_clip_trains_forty_steps_and_the_adapter_is_stored(self):
        self.assertEqual(self.clip("Thank you for calling, how can I help you today", wav(0.6, 1)), {"clips": 1})
        answer = SCRIPT["_qv_adapt_fit"]()
        self.assertEqual((answer["ok"], answer["clips"], answer["steps"]), (True, 1, 40))
        self.assertTrue(np.isfinite(answer["loss"]))
        self.assertEqual(SCRIPT["_qv_adapt_status"](), {"tuned": True, "clips": 0, "step": 40, "steps": 40})
        scale, shift = SCRIPT["_qv_load_adapter"](ADAPTER_FILE)
        self.assertEqual(scale.shape, (25,))
        self.assertFalse(np.allclose(scale, 1.0) and np.allclose(shift, 0.0))

    def test_thirteen_clips_train_at_most_120_steps_and_unusable_clips_are_skipped(self):
        for index in range(13):
            self.clip("the quick brown fox", wav(0.3, index))
        self.clip("caf\u00e9 au lait", wav(0.3, 20))
        self.clip("the quick brown fox", "not base64 at all!")
        self.clip("the quick brown fox", base64.b64encode(b"RIFF but not a wave").decode())
        answer = SCRIPT["_qv_adapt_fit"]()
        self.assertEqual((answer["clips"], answer["steps"]), (13, 120))

    def test_a_fit_without_usable_clips_says_why(self):
        self.assertEqual(SCRIPT["_qv_adapt_fit"](), {"ok": False, "reason": "no clips"})
        self.clip("\u00e9t\u00e9", wav(0.3, 1))
        self.assertEqual(SCRIPT["_qv_adapt_fit"](), {"ok": False, "reason": "nothing usable"})

    def test_clear_forgets_clips_and_adapter_and_deletes_the_file(self):
        self.clip("hello there", wav(0.3, 1))
        SCRIPT["_qv_adapt_fit"]()
        self.clip("hello there", wav(0.3, 2))
        self.assertTrue(os.path.exists(ADAPTER_FILE))
        self.assertEqual(SCRIPT["_qv_adapt_clear"](), {"ok": True})
        self.assertEqual(SCRIPT["_qv_adapt_status"](), {"tuned": False, "clips": 0, "step": 0, "steps": 0})
        self.assertFalse(os.path.exists(ADAPTER_FILE))

    def test_text_becomes_the_longest_pieces_from_the_left(self):
        vocabulary = ["<unk>", "\u2581a", "\u2581ab", "b", "c", ","]
        self.assertEqual(SCRIPT["_qv_text_tokens"](vocabulary, " abc, ab "), [2, 4, 5, 2])
        self.assertIsNone(SCRIPT["_qv_text_tokens"](vocabulary, "abd"))


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
