"""The dictation recogniser: pocketsphinx with its US English model on 16 kHz
audio, answering with sentences of timed tokens. A token is one word whose
text begins with a space, as the recogniser's word-start pieces do."""

import os
import re
import threading

import numpy as np

from mlx_audio.audio_io import read_wav, resample

SAMPLE_RATE = 16000
_FRAMES_PER_SECOND = 100.0
_MODEL_FOLDER = "/usr/share/pocketsphinx/model/en-us"
_FILLERS = re.compile(r"^(<s>|</s>|<sil>|\[\w+\]|\+\+.*\+\+)$")


class AlignedToken:
    def __init__(self, text, start, end):
        self.text = text
        self.start = start
        self.end = end
        self.duration = end - start


class AlignedSentence:
    def __init__(self, tokens):
        self.tokens = tokens
        self.text = "".join(token.text for token in tokens).strip()
        self.start = tokens[0].start if tokens else 0.0
        self.end = tokens[-1].end if tokens else 0.0


class AlignedResult:
    def __init__(self, sentences):
        self.sentences = sentences
        self.text = " ".join(sentence.text for sentence in sentences).strip()


class ParakeetTDT:
    def __init__(self, name, weights=None):
        self.name = name
        self.weights = dict(weights or {})
        self._lock = threading.Lock()
        self._decoder = None

    def _ensure_decoder(self):
        if self._decoder is None:
            from pocketsphinx import Decoder
            config = Decoder.default_config()
            config.set_string("-hmm", os.path.join(_MODEL_FOLDER, "en-us"))
            config.set_string("-lm", os.path.join(_MODEL_FOLDER, "en-us.lm.bin"))
            config.set_string("-dict", os.path.join(_MODEL_FOLDER, "cmudict-en-us.dict"))
            config.set_string("-logfn", os.devnull)
            self._decoder = Decoder(config)
        return self._decoder

    def decode(self, samples):
        """Recognises 16 kHz float samples; returns (word, start, end) tuples."""
        pcm = (np.clip(samples, -1.0, 1.0) * 32767.0).astype("<i2").tobytes()
        with self._lock:
            decoder = self._ensure_decoder()
            decoder.start_utt()
            decoder.process_raw(pcm, False, True)
            decoder.end_utt()
            segments = [(segment.word, segment.start_frame, segment.end_frame) for segment in decoder.seg()]
        words = []
        for word, first, last in segments:
            word = re.sub(r"\(\d+\)$", "", word)
            if _FILLERS.match(word):
                continue
            words.append((word, first / _FRAMES_PER_SECOND, (last + 1) / _FRAMES_PER_SECOND))
        return words

    def generate(self, audio_path, **_options):
        samples, rate = read_wav(audio_path)
        samples = resample(samples, rate, SAMPLE_RATE)
        tokens = [AlignedToken(" " + word, start, end) for word, start, end in self.decode(samples)]
        return AlignedResult([AlignedSentence(tokens)] if tokens else [])
