"""The recogniser's decoding of growing takes on the real decoders: a request
whose features begin with a take already decoded only feeds the new frames to
an utterance kept going with it, and answers exactly as one utterance fed the
whole take under the first request's mean does; other audio, a stale utterance
and a changed voice adapter get a whole decode, the acoustic model's own.
Also the cepstral mean and the walk's lookup of the alternatives that
continue a text."""

import os
import shutil
import tempfile
import threading
import time
import unittest

import numpy as np

from speech_server_test import STAND_INS, flite_take  # noqa: F401 (puts the stand-ins on the path)

from mlx_audio.audio_io import read_wav  # noqa: E402
from mlx_audio.stt.models.parakeet import parakeet  # noqa: E402
from mlx_audio.stt.models.parakeet.audio import PreprocessArgs, cepstra, get_logmel  # noqa: E402

ARGS = PreprocessArgs()
SENTENCES = ["please schedule a meeting with the marketing team for next tuesday afternoon",
             "the train was late again this morning",
             "we should order more paper for the printer"]


class WatchedDecoder:
    """A decoder that counts the frames fed to it by each thread and fails
    when two threads feed it at once."""

    def __init__(self, decoder, fed, pause):
        self._decoder = decoder
        self._fed = fed
        self._pause = pause
        self._feeding = threading.Lock()

    def process_cep(self, data, no_search, full_utt):
        if not self._feeding.acquire(blocking=False):
            raise AssertionError("two threads feed one decoder at once")
        try:
            time.sleep(self._pause[0])
            frames = len(data) // (4 * ARGS.cepstra)
            self._fed[threading.get_ident()] = self._fed.get(threading.get_ident(), 0) + frames
            return self._decoder.process_cep(data, no_search, full_utt)
        finally:
            self._feeding.release()

    def __getattr__(self, name):
        return getattr(self._decoder, name)


class WatchedPool(parakeet.DecoderPool):
    def __init__(self, size):
        super().__init__(size)
        self.fed = {}
        # Seconds every feeding takes longer, widening the window for two at once.
        self.pause = [0.0]
        self.lent = 0
        self._count = threading.Lock()

    def take(self, wait=True):
        decoder = super().take(wait)
        if decoder is None:
            return None
        with self._count:
            self.lent += 1
        return decoder if isinstance(decoder, WatchedDecoder) else WatchedDecoder(decoder, self.fed, self.pause)

    def give_back(self, decoder):
        with self._count:
            self.lent -= 1
        super().give_back(decoder)

    def fed_here(self):
        """Frames fed on this thread so far."""
        return self.fed.get(threading.get_ident(), 0)


def features_of(samples):
    return np.asarray(get_logmel(samples, ARGS), dtype=np.float32)


def continued(pool, first, features):
    """The words and alternatives of `features` decoded as a take grown from
    its first request's `first` features: one utterance seeded with those,
    fed the whole take at once."""
    return parakeet.Utterance(pool, ARGS, pool.take(), first).finish(features)


def settle(pool, live, kept):
    """Waits for the utterances kept going to reach their frames and the
    dropped ones to be given back."""
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        with live._changed:
            idle = all(not utterance.busy for utterance in live._live) and len(live._live) == kept
        if idle and pool.lent == kept:
            return
        time.sleep(0.02)
    raise AssertionError("the kept utterances did not settle")


def drop_all(pool, live):
    """Drops every utterance kept going, as a request for other audio does."""
    live._claim(features_of(np.full(4000, 0.25, np.float32)))
    settle(pool, live, 0)


class LiveTakesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.pool = WatchedPool(4)
        cls.pool.preload()
        cls.takes = []
        for sentence in SENTENCES:
            samples, rate = read_wav(flite_take(sentence, 0.0, cls.folder))
            cls.takes.append(samples)
        # Each take decoded whole on its own, with nothing kept going.
        alone = parakeet.LiveTakes(cls.pool, keep=0)
        cls.whole = [alone.recognise(features_of(samples), ARGS) for samples in cls.takes]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def setUp(self):
        self.live = parakeet.LiveTakes(self.pool)

    def tearDown(self):
        drop_all(self.pool, self.live)

    def assert_decoded_whole(self, features, whole=None):
        """Recognises `features`, checking that every frame was fed here (no
        kept utterance went on with them) and the answer is `whole`."""
        before = self.pool.fed_here()
        result = self.live.recognise(features, ARGS)
        self.assertEqual(self.pool.fed_here() - before, features.shape[0])
        if whole is not None:
            self.assertEqual(result, whole)

    def test_growing_takes_feed_only_new_frames_and_answer_as_one_utterance_under_the_last_requests_mean(self):
        kept = 0
        for samples in self.takes:
            seconds = len(samples) / 16000.0
            earlier = None
            for cut in (0.8, seconds * 0.5, seconds * 0.8, seconds):
                features = features_of(samples[: int(cut * 16000)])
                settle(self.pool, self.live, kept)
                before = self.pool.fed_here()
                result = self.live.recognise(features, ARGS)
                self.assertLessEqual(self.pool.fed_here() - before,
                                     features.shape[0] - (0 if earlier is None else earlier.shape[0]))
                # One utterance goes on after a new take, two once a take grows.
                kept = 1 if earlier is None else 2
                if cut < seconds:
                    earlier = features
            # The answer went on from the utterance the request before started.
            settle(self.pool, self.live, kept)
            self.assertEqual(result, continued(self.pool, earlier, features))

    def test_a_request_arriving_while_the_take_is_being_caught_up_takes_it_over(self):
        samples = self.takes[0]
        self.pool.pause[0] = 0.02
        try:
            for cut in (16000, 32000, len(samples)):
                # No settling: the kept utterances are still being fed when
                # the next request for the same take arrives.
                result = self.live.recognise(features_of(samples[:cut]), ARGS)
        finally:
            self.pool.pause[0] = 0.0
        settle(self.pool, self.live, 2)
        # Whichever kept utterance was ahead answered.
        whole = features_of(samples)
        self.assertIn(result, [continued(self.pool, features_of(samples[:cut]), whole) for cut in (16000, 32000)])

    def test_kept_utterances_wait_while_a_request_is_being_answered(self):
        here = threading.get_ident()

        def fed_elsewhere():
            return sum(frames for thread, frames in self.pool.fed.items() if thread != here)

        before = fed_elsewhere()
        with self.live.serving():
            self.live.recognise(features_of(self.takes[0][:32000]), ARGS)
            time.sleep(0.3)
            self.assertEqual(fed_elsewhere(), before)
        settle(self.pool, self.live, 1)
        self.assertGreater(fed_elsewhere(), before)

    def test_other_audio_is_decoded_whole_and_drops_the_utterances_of_the_previous_take(self):
        first, second = self.takes[0], self.takes[1]
        self.live.recognise(features_of(first[:32000]), ARGS)
        settle(self.pool, self.live, 1)
        features = features_of(second)
        self.assert_decoded_whole(features, self.whole[1])
        settle(self.pool, self.live, 1)
        self.assertTrue(all(utterance.continues(features) for utterance in self.live._live))
        # The first take, now longer, is not continued from anything.
        self.assert_decoded_whole(features_of(first), self.whole[0])

    def test_a_stale_utterance_is_not_continued(self):
        samples = self.takes[2]
        self.live = parakeet.LiveTakes(self.pool, seconds=0.0)
        self.live.recognise(features_of(samples[:16000]), ARGS)
        settle(self.pool, self.live, 1)
        self.assert_decoded_whole(features_of(samples), self.whole[2])

    def test_features_changed_by_a_voice_adapter_are_not_continued(self):
        samples = self.takes[2]
        self.live.recognise(features_of(samples[:16000]), ARGS)
        settle(self.pool, self.live, 1)
        # The adapter's scales change every frame of the take.
        self.assert_decoded_whole(features_of(samples) * np.float32(1.1))


class CepstralMeanTest(unittest.TestCase):
    def test_frames_fed_in_pieces_get_the_same_cepstra_as_fed_at_once(self):
        rows = np.random.default_rng(7).normal(3.0, 4.0, (437, 13)).astype(np.float32)
        whole = parakeet.CepstralMean(rows[:80]).normalised(rows)
        pieces = parakeet.CepstralMean(rows[:80])
        cut = np.concatenate([pieces.normalised(rows[start:end])
                              for start, end in ((0, 1), (1, 50), (50, 50), (50, 301), (301, 437))])
        self.assertTrue(np.array_equal(whole, cut))
        # Past the seed, each frame loses the mean of every frame up to it.
        self.assertTrue(np.allclose(whole[:80], rows[:80] - rows[:80].mean(axis=0), atol=1e-5))
        self.assertTrue(np.allclose(whole[200], rows[200] - rows[:201].mean(axis=0), atol=1e-5))

    def test_a_take_decoded_in_one_request_is_heard_as_the_acoustic_models_own_normalisation_hears_it(self):
        folder = tempfile.mkdtemp()
        try:
            samples, rate = read_wav(flite_take(SENTENCES[1], 0.0, folder))
        finally:
            shutil.rmtree(folder)
        features = features_of(samples)
        batch = parakeet._new_decoder()
        parakeet._run(batch, cepstra(features, ARGS))
        pool = parakeet.DecoderPool(1)
        self.assertEqual(parakeet.LiveTakes(pool, keep=0).recognise(features, ARGS), parakeet._results(batch))


class WalkLookupTest(unittest.TestCase):
    """The walk finds the alternatives that continue a text by bisection;
    its scores equal those of a scan of every alternative, with and without
    a boost's look-ahead asking for the same texts again."""

    def test_joint_scores_equal_those_of_a_scan_of_every_alternative(self):
        words = ["a", "an", "and", "band", "bandage", "can", "candle", "cane"]
        rng = np.random.default_rng(3)
        scored = []
        for _ in range(300):
            text = "".join(parakeet.WORD_START + words[i] for i in rng.integers(0, len(words), rng.integers(1, 5)))
            if text not in dict(scored):
                scored.append((text, float(rng.normal(-5.0, 3.0))))
        alternatives = parakeet.Alternatives(scored)
        joint = parakeet.JointNetwork(parakeet.VOCABULARY, len(parakeet.VOCABULARY))
        asked = {""} | {text[:end] for text, _ in scored for end in range(len(text) + 1)}
        asked |= {parakeet.WORD_START + "x", parakeet.WORD_START + "Can", parakeet.WORD_START + "ban" + "\uffff"}
        for text in sorted(asked) * 2:
            self.assertEqual(sorted(alternatives.beginning_with(text.lower())),
                             sorted(pair for pair in scored if pair[0].startswith(text.lower())), text)
            scan = parakeet.Alternatives([])
            scan.beginning_with = lambda prefix: [pair for pair in scored if pair[0].startswith(prefix)]
            self.assertTrue(np.array_equal(np.asarray(joint(alternatives, text)), np.asarray(joint(scan, text))), text)


if __name__ == "__main__":
    unittest.main()
