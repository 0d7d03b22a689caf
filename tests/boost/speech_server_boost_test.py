"""The recogniser word boost of the speech server script: the matcher on a toy
vocabulary, the replaced step and decode on the Linux recogniser with scripted
alternatives, and the word-list endpoint's limits."""

import os
import sys
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "speechengine"))

from speech_server_test import load_script_helpers  # noqa: E402  (puts the stand-ins on the path)

import mlx.core as mx  # noqa: E402
from mlx_audio.stt.models.parakeet.parakeet import Alternatives, ParakeetTDT  # noqa: E402

# Loaded once: the script patches the recogniser class when it runs.
SCRIPT = load_script_helpers()
S = "\u2581"
TOY = ["<unk>", "", S + "new", S + "ne", "w", S + "york", S + "yo", "rk", S + "n", "e", S + "cat", "s", S]


def send(words, boost=9.0):
    return SCRIPT["_qv_set_bias"](SCRIPT["_QVBiasRequest"](words=words, boost=boost))


class ToyRecogniser:
    """A transducer over TOY whose joint network answers scripted scores per
    emitted piece: `script[k]` maps pieces to scores after k pieces; every
    other piece scores -30 and the blank 0 once the script runs out."""

    def __init__(self, script):
        self.vocabulary = TOY
        self.blank_id = len(TOY)
        self.script = script
        self.decoder = lambda token, state: (state[0] + (token is not None), (state[0] + (token is not None), None))

    def joint(self, feature, emitted):
        scores = np.full(self.blank_id + 1 + 2, -30.0, dtype=np.float32)
        if emitted >= len(self.script):
            scores[self.blank_id] = 0.0
        for piece, score in (self.script[emitted] if emitted < len(self.script) else {}).items():
            scores[self.blank_id if piece is None else TOY.index(piece)] = score
        return mx.array(scores)

    def walk(self, step):
        token, hidden, cell, pieces = self.blank_id, 0, None, []
        for _ in range(len(self.script) + 1):
            chosen, _, hidden_next, cell_next = step(None, token, hidden, cell)
            chosen = int(np.asarray(chosen))
            if chosen == self.blank_id:
                break
            pieces.append(TOY[chosen])
            token, hidden, cell = chosen, hidden_next, cell_next
        return "".join(pieces)


class ScriptedRecogniser(ParakeetTDT):
    """The Linux recogniser with the acoustics replaced by fixed alternatives."""

    def __init__(self, scored):
        super().__init__("scripted")
        self.scored = scored
        self.features_seen = []

    def encode(self, features):
        self.features_seen.append(np.asarray(features))
        return Alternatives(self.scored), []


class MatcherTest(unittest.TestCase):
    def matcher(self, words, boost=9.0):
        return SCRIPT["_QVTextBias"](TOY, len(TOY), words, boost)

    def boosted(self, vector, value):
        return sorted(TOY[i] for i in np.flatnonzero(np.isclose(vector, value)))

    def test_a_phrase_is_matched_across_its_space_by_any_spelling(self):
        matcher = self.matcher(["  new york "])
        self.assertEqual(matcher.targets, [S + "new" + S + "york"])
        self.assertEqual(self.boosted(matcher.bias(), 9.0 * 0.35), sorted([S + "new", S + "ne", S + "n", S]))
        matcher.advance(TOY.index(S + "ne"))
        self.assertEqual(self.boosted(matcher.bias(), 9.0), ["w"])
        matcher.advance(TOY.index("w"))
        self.assertEqual(self.boosted(matcher.bias(), 9.0), sorted([S + "york", S + "yo", S]))
        matcher.advance(TOY.index(S + "yo"))
        self.assertEqual(self.boosted(matcher.bias(), 9.0), ["rk"])

    def test_special_and_empty_pieces_are_never_edges(self):
        matcher = self.matcher(["<unk>"])
        self.assertNotIn(TOY.index("<unk>"), {t for edges in matcher.edges.values() for t, _ in edges})
        self.assertNotIn(TOY.index(""), {t for edges in matcher.edges.values() for t, _ in edges})

    def test_a_finished_word_or_a_miss_returns_to_the_openings(self):
        matcher = self.matcher(["new", "cats"])
        openings = matcher.state
        matcher.advance(TOY.index(S + "new"))
        self.assertEqual(matcher.state, openings)
        matcher.advance(TOY.index(S + "cat"))
        self.assertEqual(matcher.state, {(1, 4)})
        matcher.advance(TOY.index("e"))
        self.assertEqual(matcher.state, openings)

    def test_the_boost_moves_the_choice_only_within_the_window(self):
        make_step = SCRIPT["_qv_biased_step"]
        # After "▁ne", "w" continues "new"; "e" is the sound's best guess.
        for gap, expected in ((5.9, S + "new"), (6.1, S + "nee")):
            toy = ToyRecogniser([{S + "ne": 0.0}, {"e": 0.0, "w": -gap}, {None: 0.0}])
            self.assertEqual(toy.walk(make_step(toy, self.matcher(["new"]))), expected, gap)

    def test_an_opening_piece_gets_a_third_of_the_boost(self):
        make_step = SCRIPT["_qv_biased_step"]
        for boost, expected in ((9.0, S + "cat"), (5.0, S + "new")):
            toy = ToyRecogniser([{S + "new": 0.0, S + "cat": -3.0}, {None: 0.0}])
            self.assertEqual(toy.walk(make_step(toy, self.matcher(["cat"], boost))), expected, boost)


class WordListTest(unittest.TestCase):
    def tearDown(self):
        send([])

    def test_words_are_trimmed_and_empty_or_long_ones_dropped(self):
        self.assertEqual(send([" Nakamura ", "", "   ", "x" * 65, "y" * 64, 42]), {"words": 3, "boost": 9.0})
        self.assertEqual(SCRIPT["_QV_BIAS"]["words"], ["Nakamura", "y" * 64, "42"])

    def test_the_first_200_words_are_kept_and_the_boost_is_clamped(self):
        self.assertEqual(send(["w%d" % i for i in range(250)], 20.0), {"words": 200, "boost": 12.0})
        self.assertEqual(SCRIPT["_QV_BIAS"]["words"][-1], "w199")
        self.assertEqual(send(["a"], -1.0)["boost"], 0.0)
        self.assertEqual(send(["a"], float("nan"))["boost"], 0.0)

    def test_every_update_raises_the_revision(self):
        before = SCRIPT["_QV_BIAS"]["rev"]
        send(["a"])
        send(["a"])
        self.assertEqual(SCRIPT["_QV_BIAS"]["rev"], before + 2)


class ReplacedDecodeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.heard = [(S + "ask" + S + "not" + S + "compared", -0.3), (S + "ask" + S + "nakamura", -1.8),
                     (S + "cask" + S + "nakamura", -3.0)]

    def tearDown(self):
        send([])

    def text(self, model):
        return model.decode(mx.array(np.zeros((1, 4, 25), np.float32)))[0].text

    def test_a_boosted_name_comes_out_as_spelled_and_an_empty_list_restores_the_step(self):
        model = ScriptedRecogniser(self.heard)
        package_step = model.step
        self.assertEqual(self.text(model), "ask not compared")
        send(["Nakamura"])
        self.assertEqual(self.text(model), "ask Nakamura")
        self.assertEqual(self.text(model), "ask Nakamura")
        send(["nakamura"])
        self.assertEqual(self.text(model), "ask nakamura")
        send([])
        self.assertEqual(self.text(model), "ask not compared")
        self.assertEqual(model.step, package_step)

    def test_the_matcher_is_rebuilt_only_when_the_list_changes(self):
        model = ScriptedRecogniser(self.heard)
        send(["Nakamura"])
        self.text(model)
        first = model._qv_matcher
        self.text(model)
        self.assertIs(model._qv_matcher, first)
        send(["Nakamura"])
        self.text(model)
        self.assertIsNot(model._qv_matcher, first)

    def test_a_broken_word_list_still_transcribes(self):
        model = ScriptedRecogniser(self.heard)
        SCRIPT["_QV_BIAS"].update(words=[None], rev=SCRIPT["_QV_BIAS"]["rev"] + 1)
        self.assertEqual(self.text(model), "ask not compared")


if __name__ == "__main__":
    unittest.main()
