"""The speech pipeline: text in, results with 24 kHz audio and timed tokens
out. Every language gives tokens: the words of the text read, each a slice of
it with its punctuation, timed by espeak-ng's word events for that language."""

import re

import mlx.core as mx
from mlx_audio.audio_io import resample
from mlx_audio.tts import espeak
from mlx_audio.tts.utils import SAMPLE_RATE

# espeak-ng knows British English as "en" (it has no voice called "en-gb").
_LANGUAGES = {"a": "en-us", "b": "en", "e": "es", "f": "fr", "i": "it", "p": "pt-br",
              "j": "ja", "z": "cmn", "h": "hi"}
# espeak-ng voice variants, one of its own for every voice id, so that two
# voices of one language sound different: female variants for the ids whose
# second letter is "f", male ones for "m". An id not listed speaks the
# language's plain voice.
_VARIANTS = {
    "af_heart": "f1", "af_bella": "f2", "af_sarah": "f3", "af_nicole": "f4", "af_sky": "f5",
    "af_nova": "Annie", "af_river": "Alicia", "am_adam": "m1", "am_michael": "m2",
    "bf_emma": "belinda", "bf_isabella": "linda", "bm_george": "m3", "bm_lewis": "m4",
    "ef_dora": "anika", "em_alex": "m5", "em_santa": "m6", "ff_siwis": "aunty",
    "if_sara": "Andrea", "im_nicola": "m7", "pf_dora": "grandma", "pm_alex": "m8",
}
# "[word](/phonemes/)": the reader's pronunciation markup. The phonemes are in
# the neural model's alphabet, which espeak-ng does not read, so the word is
# said as written; neither brackets nor phonemes are spoken or timed.
_MARKUP = re.compile(r"\[([^\]\n]*)\]\(/[^/\n]*/\)")


def plain_text(text):
    """`text` with every pronunciation markup replaced by its word."""
    return _MARKUP.sub(lambda match: match.group(1), text or "")


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
            language = _LANGUAGES.get(self.lang_code, "en-us")
            variant = _VARIANTS.get(voice)
            self.voices[voice] = language + "+" + variant if variant else language
        return self.voices[voice]

    def __call__(self, text, voice="af_heart", speed=1.0, split_pattern=r"\n+"):
        """Yields one result per paragraph of `text`; token times are in
        seconds from the start of the result's own audio."""
        for paragraph in re.split(split_pattern, plain_text(text)):
            if not paragraph.strip():
                continue
            samples, rate, words = espeak.synthesize(paragraph, self._voice(voice), speed)
            if len(samples) == 0:
                continue
            audio = resample(samples, rate, SAMPLE_RATE)
            length = len(audio) / float(SAMPLE_RATE)
            tokens = [Token(word, min(start, length), min(end, length))
                      for word, start, end in words]
            audio = mx.array(audio[None, :])
            yield Result(paragraph, tokens, audio)
