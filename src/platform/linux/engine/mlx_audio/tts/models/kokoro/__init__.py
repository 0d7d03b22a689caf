"""The speech pipeline: text in, results with 24 kHz audio and timed tokens
out. Only the English language letters ("a", "b") give tokens, as only their
phonemizer reports word positions; other languages give audio alone."""

import re

import mlx.core as mx
from mlx_audio.audio_io import resample
from mlx_audio.tts import espeak
from mlx_audio.tts.utils import SAMPLE_RATE

_LANGUAGES = {"a": "en-us", "b": "en-gb", "e": "es", "f": "fr", "i": "it", "p": "pt-br",
              "j": "ja", "z": "cmn", "h": "hi"}
_TIMED = ("a", "b")


class Token:
    def __init__(self, text, start_ts, end_ts, whitespace=" "):
        self.text = text
        self.start_ts = start_ts
        self.end_ts = end_ts
        self.whitespace = whitespace


class Result:
    def __init__(self, graphemes, tokens, audio):
        self.graphemes = graphemes
        self.phonemes = ""
        self.tokens = tokens
        self.audio = audio


class KokoroPipeline:
    def __init__(self, lang_code="a", model=None, repo_id=None):
        self.lang_code = lang_code
        self.model = model
        self.repo_id = repo_id
        # Voices loaded by id; the server empties it before each synthesis.
        self.voices = {}

    def _voice(self, voice):
        if voice not in self.voices:
            self.voices[voice] = _LANGUAGES.get(self.lang_code, "en-us")
        return self.voices[voice]

    def __call__(self, text, voice="af_heart", speed=1.0, split_pattern=r"\n+"):
        """Yields one result per paragraph of `text`; token times are in
        seconds from the start of the result's own audio."""
        for paragraph in re.split(split_pattern, text or ""):
            if not paragraph.strip():
                continue
            samples, rate, words = espeak.synthesize(paragraph, self._voice(voice), speed)
            if len(samples) == 0:
                continue
            audio = resample(samples, rate, SAMPLE_RATE)
            length = len(audio) / float(SAMPLE_RATE)
            tokens = [Token(word, min(start, length), min(end, length))
                      for word, start, end in words] if self.lang_code in _TIMED else []
            audio = mx.array(audio[None, :])
            yield Result(paragraph, tokens, audio)
