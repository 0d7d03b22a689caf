"""The recogniser word boost of the speech server script: the matcher on a toy
vocabulary, whole-word choices and the replaced decode on the Linux recogniser
with scripted alternatives, and the word-list endpoint's limits."""

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

    def test_a_phrase_is_spelled_across_its_space_by_any_pieces(self):
        matcher = self.matcher(["  new york "])
        self.assertEqual(matcher.targets, [S + "new" + S + "york"])
        self.assertEqual(sorted(TOY[t] for t in matcher.openings), sorted([S + "new", S + "ne", S + "n", S]))
        self.assertEqual(sorted(TOY[t] for t, _ in matcher.edges[(0, 3)]), ["w"])
        self.assertEqual(sorted(TOY[t] for t, _ in matcher.edges[(0, 4)]), sorted([S + "york", S + "yo", S]))

    def test_special_and_empty_pieces_are_never_edges(self):
        matcher = self.matcher(["<unk>"])
        self.assertNotIn(TOY.index("<unk>"), {t for edges in matcher.edges.values() for t, _ in edges})
        self.assertNotIn(TOY.index(""), {t for edges in matcher.edges.values() for t, _ in edges})


class WholeWordTest(unittest.TestCase):
    """The Linux recogniser decoding scripted alternatives: its pieces are
    single characters, so a word is many steps long."""

    def tearDown(self):
        send([])

    def text(self, scored):
        return ScriptedRecogniser(scored).decode(mx.array(np.zeros((1, 4, 25), np.float32)))[0].text

    def test_words_that_only_begin_like_a_boosted_word_keep_their_letters_and_case(self):
        heard = [(S + "she" + S + "said" + S + "so" + S + "and", -0.2), (S + "she" + S + "said" + S + "sam" + S + "and", -3.0)]
        plain = self.text(heard)
        self.assertEqual(plain, "she said so and")
        send(["Sarah", "Smith"])
        self.assertEqual(self.text(heard), plain)

    def test_a_boosted_word_the_sound_carries_on_from_is_not_cut_out_of_a_longer_word(self):
        heard = [(S + "sample", -0.1), (S + "sam" + S + "pull", -2.0)]
        send(["Sam"])
        self.assertEqual(self.text(heard), "sample")

    def test_a_boosted_word_is_taken_whole_when_the_sound_nearly_favours_it(self):
        for gap, expected in ((0.1, "ask Nakamura"), (2.0, "ask not compared")):
            heard = [(S + "ask" + S + "not" + S + "compared", -0.3), (S + "ask" + S + "nakamura", -0.3 - gap)]
            send(["Nakamura"])
            self.assertEqual(self.text(heard), expected, gap)
            send(["nakamura"], 12.0)
            self.assertEqual(self.text(heard), "ask nakamura", gap)


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
        cls.heard = [(S + "ask" + S + "not" + S + "compared", -0.3), (S + "ask" + S + "nakamura", -0.4),
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

    def test_english_capitals_are_written_that_the_dictionary_leaves_out(self):
        said = [(S + "i'm" + S + "off" + S + "till" + S + "friday" + S + "and" + S + "i" + S + "may" + S + "march"
                 + S + "in" + S + "may" + S + "or" + S + "june", -0.1)]
        self.assertEqual(self.text(ScriptedRecogniser(said)), "I'm off till Friday and I may march in May or June")
        # Inside a word, and where the boost spells a word, the letters stay.
        said = [(S + "igloo" + S + "fridays" + S + "ipad", -0.1)]
        self.assertEqual(self.text(ScriptedRecogniser(said)), "igloo fridays ipad")
        send(["iPad"])
        self.assertEqual(self.text(ScriptedRecogniser(said)), "igloo fridays iPad")

    def test_a_broken_word_list_still_transcribes(self):
        model = ScriptedRecogniser(self.heard)
        SCRIPT["_QV_BIAS"].update(words=[None], rev=SCRIPT["_QV_BIAS"]["rev"] + 1)
        self.assertEqual(self.text(model), "ask not compared")


if __name__ == "__main__":
    unittest.main()
