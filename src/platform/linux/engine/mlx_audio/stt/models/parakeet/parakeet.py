"""The dictation recogniser: pocketsphinx with its US English model on 16 kHz
audio, answering with sentences of timed tokens. A token is one word whose
text begins with a space, as the recogniser's word-start pieces do.

Decoding goes through a pool of decoders shared by every recogniser of the
process: each decode has a decoder to itself, so as many requests as there are
decoders decode at once (a live preview never holds up the final take) and
the others wait for one to come free."""

import contextlib
import os
import queue
import re
import threading

import numpy as np

from mlx_audio.audio_io import read_wav, resample

SAMPLE_RATE = 16000
_FRAMES_PER_SECOND = 100.0
# Debian's model, used until a recogniser is loaded from a model folder that
# holds one (the engine's own copy, downloaded by the application).
_MODEL_FOLDER = "/usr/share/pocketsphinx/model/en-us"
_FILLERS = re.compile(r"^(<s>|</s>|<sil>|\[\w+\]|\+\+.*\+\+)$")
# Decodes that may run at once; each decoder holds its own model (about 100 MB).
DECODERS = 2


# Making decoders is not safe in parallel (the library keeps global state and
# its heap gets corrupted); decoding with separate decoders is.
_MAKING = threading.Lock()


def _new_decoder():
    with _MAKING:
        from pocketsphinx import Decoder
        config = Decoder.default_config()
        config.set_string("-hmm", os.path.join(_MODEL_FOLDER, "en-us"))
        config.set_string("-lm", os.path.join(_MODEL_FOLDER, "en-us.lm.bin"))
        config.set_string("-dict", os.path.join(_MODEL_FOLDER, "cmudict-en-us.dict"))
        config.set_string("-logfn", os.devnull)
        return Decoder(config)


def _pcm(samples):
    return (np.clip(samples, -1.0, 1.0) * 32767.0).astype("<i2").tobytes()


def _segments(decoder, pcm):
    """(word, first frame, last frame) of every segment the decoder finds in `pcm`."""
    decoder.start_utt()
    decoder.process_raw(pcm, False, True)
    decoder.end_utt()
    return [(segment.word, segment.start_frame, segment.end_frame) for segment in decoder.seg()]


class DecoderPool:
    """Up to `size` decoders, made when first needed or all at once by
    `preload`; a decoder is lent to one decode at a time."""

    def __init__(self, size):
        self._size = size
        self._made = 0
        self._idle = queue.SimpleQueue()
        self._lock = threading.Lock()

    def preload(self):
        """Makes every decoder not made yet."""
        with self._lock:
            missing = self._size - self._made
            self._made = self._size
        made = []
        try:
            for _ in range(missing):
                made.append(_new_decoder())
        finally:
            with self._lock:
                self._made -= missing - len(made)
            for decoder in made:
                self._idle.put(decoder)

    @contextlib.contextmanager
    def decoder(self):
        """Lends a decoder for the length of the block."""
        decoder = self._take()
        try:
            yield decoder
        finally:
            self._idle.put(decoder)

    def _take(self):
        """An idle decoder; else a new one while fewer than `size` exist; else
        the next one to come free."""
        with self._lock:
            try:
                return self._idle.get_nowait()
            except queue.Empty:
                make = self._made < self._size
                if make:
                    self._made += 1
        if not make:
            return self._idle.get()
        try:
            return _new_decoder()
        except Exception:
            with self._lock:
                self._made -= 1
            raise


_POOL = DecoderPool(DECODERS)


def load_decoders():
    """Makes the shared decoders now rather than at the first takes."""
    _POOL.preload()


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


def use_model_folder(path):
    """Decoders made from now on load the model in the folder `path` when it
    holds one; a hub name or an empty folder keeps the current model."""
    global _MODEL_FOLDER
    if os.path.isfile(os.path.join(str(path), "en-us", "mdef")):
        _MODEL_FOLDER = str(path)


class ParakeetTDT:
    def __init__(self, name, weights=None):
        use_model_folder(name)
        self.name = name
        self.weights = dict(weights or {})

    def decode(self, samples):
        """Recognises 16 kHz float samples; returns (word, start, end) tuples."""
        pcm = _pcm(samples)
        with _POOL.decoder() as decoder:
            segments = _segments(decoder, pcm)
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
