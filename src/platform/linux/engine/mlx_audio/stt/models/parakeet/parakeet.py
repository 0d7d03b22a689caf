"""The dictation recogniser: pocketsphinx with its US English model on 16 kHz
audio, answering with sentences of timed tokens. A token is one word whose
text begins with a space, as the recogniser's word-start pieces do.

It offers the seams of a transducer's greedy decoder: a vocabulary of pieces
("\u2581" opens a word) with the blank after the last piece, a prediction
network (`decoder`) and a joint network (`joint`) giving natural-log scores
for each piece and the blank, and the per-step decision `step` that `decode`
calls for every piece it emits. The acoustics come from pocketsphinx: the
log-mel features given to `decode` become cepstra for the acoustic model, and
the alternatives it finds for the take (its n-best list) are walked piece by
piece, each piece scored by the log posterior of the alternatives that
continue the text so far. So a bias added to the scores before the choice
moves the text only among what the acoustics allow.

`forced_alignment` scores takes against the sentences read in them: the
acoustic model's best path through each sentence's words, the measure a voice
adapter is fitted to.

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

import mlx.core as mx
from mlx_audio.stt.models.parakeet.audio import PreprocessArgs, cepstra, get_logmel, sound_span

_FRAMES_PER_SECOND = 100.0
# Debian's model, used until a recogniser is loaded from a model folder that
# holds one (the engine's own copy, downloaded by the application).
_MODEL_FOLDER = "/usr/share/pocketsphinx/model/en-us"
_FILLERS = re.compile(r"^(<s>|</s>|<sil>|\[\w+\]|\+\+.*\+\+)$")
# Decodes that may run at once; each decoder holds its own model (about 100 MB).
DECODERS = 2
# The alternatives read from the n-best list of a take.
NBEST = 300
# Path scores are in the acoustic model's log base 1.0001 and add up thousands
# of frames; this scale makes posteriors of alternatives of one take fall a few
# nats apart, as a recogniser's token scores do.
NATS_PER_SCORE = 0.005
# A piece spelled with a capital letter scores this much below the same piece in
# lower case (the acoustic model's dictionary is in lower case), so a boost of
# a capitalised word lets it come out as the user spells it. The two spellings
# share the probability of the sound, so the scores stay log probabilities,
# which a decision weighing whole words adds up along the text.
CAPITAL_PENALTY = 2.0
_SPELLING_SHARE = float(np.log1p(np.exp(-CAPITAL_PENALTY)))
# Scores of pieces no alternative continues with.
UNREACHABLE = -1.0e9
WORD_START = "\u2581"
_PUNCTUATION = ".,?!'-:;"
# Durations a step may report (frames skipped); the walk has no frames, so
# every step reports the first.
DURATIONS = (0, 1, 2, 3, 4)


def _vocabulary():
    """Special pieces, word-opening letters and digits in both cases, then the
    same inside a word, then punctuation."""
    lower = "abcdefghijklmnopqrstuvwxyz"
    characters = lower + lower.upper() + "0123456789"
    return ["<unk>", "<pad>"] + [WORD_START + c for c in characters] + list(characters) + list(_PUNCTUATION)


VOCABULARY = _vocabulary()


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


def _run(decoder, cepstra_rows):
    """Decodes cepstra of one whole take with the decoder's active search."""
    decoder.start_utt()
    decoder.process_cep(np.ascontiguousarray(cepstra_rows, dtype=np.float32).tobytes(), False, True)
    decoder.end_utt()


def _word(word):
    """A dictionary word without its pronunciation number; None for fillers."""
    word = re.sub(r"\(\d+\)$", "", word)
    return None if _FILLERS.match(word) else word


def _recognise(decoder, cepstra_rows):
    """The timed words of the best path and the distinct texts of the n-best
    list with their log posteriors, for cepstra of one take."""
    _run(decoder, cepstra_rows)
    if decoder.hyp() is None:
        return [], []
    timed = []
    for segment in decoder.seg():
        word = _word(segment.word)
        if word:
            timed.append((word, segment.start_frame / _FRAMES_PER_SECOND,
                          (segment.end_frame + 1) / _FRAMES_PER_SECOND))
    scores = {}
    for rank, entry in enumerate(decoder.nbest()):
        if rank >= NBEST:
            break
        words = [w for w in (_word(w) for w in (entry.hypstr or "").split()) if w]
        if not words:
            continue
        text = WORD_START + WORD_START.join(words).lower()
        score = entry.score * NATS_PER_SCORE
        scores[text] = np.logaddexp(scores[text], score) if text in scores else score
    if not scores:
        best = [word for word, _, _ in timed]
        if best:
            scores[WORD_START + WORD_START.join(best).lower()] = 0.0
    total = np.logaddexp.reduce(list(scores.values())) if scores else 0.0
    return timed, [(text, score - total) for text, score in scores.items()]


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


# Decoders a forced alignment makes for itself, so that the takes of one fit
# are scored side by side without holding up dictation's decoders.
FORCED_DECODERS = 3
# Words as the dictionary spells them: letters of any script and digits, with
# inner apostrophes ("don't"); anything else separates them.
_SPOKEN_WORD = re.compile(r"[^\W_]+(?:'[^\W_]+)*")


def _grammar(words):
    return "#JSGF V1.0;\ngrammar sentence;\npublic <sentence> = %s;\n" % " ".join(words)


class ForcedAlignment:
    """Scores takes against the sentences read in them: the score of the
    acoustic model's best path through exactly the sentence's words (in the
    model's log base 1.0001; higher is better). A sentence with a word the
    dictionary lacks cannot be aligned. Thread-safe: each score borrows one of
    the alignment's own `decoders`; `close` frees them."""

    def __init__(self, sentences, args, decoders):
        self._args = args
        self._idle = queue.SimpleQueue()
        made = [_new_decoder() for _ in range(max(1, decoders))]
        self.decoders = len(made)
        self._words = []
        for text in sentences:
            words = _SPOKEN_WORD.findall(str(text).lower())
            known = bool(words) and all(made[0].lookup_word(word) is not None for word in words)
            self._words.append(words if known else None)
        for decoder in made:
            for index, words in enumerate(self._words):
                if words:
                    decoder.set_jsgf_string("s%d" % index, _grammar(words))
            self._idle.put(decoder)

    def usable(self, index):
        """Whether sentence `index` can be aligned."""
        return self._words[index] is not None

    def score(self, index, features):
        """The forced score of log-mel `features` (frames, channels) as a take
        of sentence `index`, or None when no path through its words survives
        the search or the sentence cannot be aligned."""
        if not self.usable(index):
            return None
        rows = cepstra(features, self._args)
        if rows.shape[0] == 0:
            return None
        decoder = self._idle.get()
        try:
            decoder.set_search("s%d" % index)
            _run(decoder, rows)
            hypothesis = decoder.hyp()
            return None if hypothesis is None else int(hypothesis.best_score)
        finally:
            self._idle.put(decoder)

    def close(self):
        while True:
            try:
                self._idle.get_nowait()
            except queue.Empty:
                return


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


class Alternatives:
    """The encoder's output for one take: texts the acoustics allow (pieces in
    lower case, words opened by WORD_START) with their log posteriors."""

    def __init__(self, scored):
        self.scored = list(scored)


class PredictionNetwork:
    """The state is the text emitted so far; a piece extends it, the blank
    leaves it."""

    def __init__(self, vocabulary, blank):
        self.vocabulary = vocabulary
        self.blank = blank

    def __call__(self, token, state):
        text, cell = state
        if token is not None and int(token) != self.blank:
            text = text + self.vocabulary[int(token)]
        return text, (text, cell)


class JointNetwork:
    """Scores every piece and the blank after the text so far: the log
    posterior of the alternatives continuing with that piece among those
    consistent with the text (the blank: those ending there), followed by
    the duration outputs."""

    def __init__(self, vocabulary, blank):
        self.blank = blank
        self.ids = {piece: index for index, piece in enumerate(vocabulary) if piece and not piece.startswith("<")}

    def __call__(self, alternatives, text):
        spoken = text.lower()
        scores = np.full(self.blank + 1 + len(DURATIONS), UNREACHABLE, dtype=np.float32)
        scores[self.blank + 1:] = 0.0
        follow, consistent = {}, []
        for candidate, score in alternatives.scored:
            if not candidate.startswith(spoken):
                continue
            consistent.append(score)
            rest = candidate[len(spoken):]
            key = rest[:2] if rest.startswith(WORD_START) else rest[:1]
            follow.setdefault(key, []).append(score)
        if not consistent:
            scores[self.blank] = 0.0
            return mx.array(scores)
        total = np.logaddexp.reduce(consistent)
        for key, values in follow.items():
            value = np.logaddexp.reduce(values) - total
            if key == "":
                scores[self.blank] = value
                continue
            capital = key[:-1] + key[-1].upper()
            if capital != key and capital in self.ids:
                scores[self.ids[capital]] = value - CAPITAL_PENALTY - _SPELLING_SHARE
                value -= _SPELLING_SHARE
            if key in self.ids:
                scores[self.ids[key]] = value
        if scores[: self.blank + 1].max() <= UNREACHABLE:
            scores[self.blank] = 0.0
        return mx.array(scores)


class ParakeetTDT:
    def __init__(self, name, weights=None):
        use_model_folder(name)
        self.name = name
        self.weights = dict(weights or {})
        self.preprocessor_config = PreprocessArgs()
        self.vocabulary = list(VOCABULARY)
        self.blank_id = len(self.vocabulary)
        self.durations = list(DURATIONS)
        self.decoder = PredictionNetwork(self.vocabulary, self.blank_id)
        self.joint = JointNetwork(self.vocabulary, self.blank_id)

    def forced_alignment(self, sentences):
        """A ForcedAlignment of takes of `sentences` on this recogniser's
        acoustic model."""
        return ForcedAlignment(sentences, self.preprocessor_config, FORCED_DECODERS)

    def step(self, feature, token, hidden, cell):
        """The greedy decision for one step: the prediction network over the
        last emitted piece (`token`, the blank at the start) and the state
        before it, the joint network over the step's feature and that output.
        Returns the chosen piece (int32), the duration index (int32) and the
        new state."""
        output, (hidden, cell) = self.decoder(None if token == self.blank_id else token, (hidden, cell))
        logits = np.asarray(self.joint(feature, output))
        scores = logits[: self.blank_id + 1]
        return (mx.array(np.int32(np.argmax(scores)), mx.int32),
                mx.array(np.int32(np.argmax(logits[self.blank_id + 1:])), mx.int32), hidden, cell)

    def encode(self, features):
        """The take's alternatives and best-path word times from log-mel
        `features` (frames, mel channels), or (1, frames, mel channels)."""
        rows = cepstra(features, self.preprocessor_config)
        if rows.shape[0] == 0:
            return Alternatives([]), []
        with _POOL.decoder() as decoder:
            timed, scored = _recognise(decoder, rows)
        return Alternatives(scored), timed

    def decode(self, features, *args, **kwargs):
        """Recognises log-mel `features`; returns one AlignedResult per take."""
        alternatives, timed = self.encode(features)
        limit = max((len(text) for text, _ in alternatives.scored), default=0) + 1
        token, hidden, cell, pieces = self.blank_id, "", None, []
        for _ in range(limit):
            chosen, _duration, next_hidden, next_cell = self.step(alternatives, token, hidden, cell)
            chosen = int(np.asarray(chosen))
            if chosen == self.blank_id:
                break
            pieces.append(self.vocabulary[chosen])
            token, hidden, cell = chosen, next_hidden, next_cell
        return [AlignedResult(_sentences("".join(pieces), timed))]

    def generate(self, audio_path, **_options):
        from mlx_audio.stt.utils import load_audio
        audio = load_audio(str(audio_path), self.preprocessor_config.sample_rate, dtype=mx.bfloat16)
        features = get_logmel(audio, self.preprocessor_config)
        result = self.decode(mx.array(np.asarray(features)[None]))[0]
        # The features start at the take's first sound; times count from the
        # start of the take.
        lead = sound_span(audio)[0] / float(self.preprocessor_config.sample_rate)
        for sentence in result.sentences:
            for token in sentence.tokens:
                token.start += lead
                token.end += lead
            sentence.start += lead
            sentence.end += lead
        return result


def _sentences(text, timed):
    """The emitted text as one sentence of word tokens, each timed by the best
    path's word at the same place (or spread over the best path's span when
    the texts differ in length)."""
    words = [word for word in text.split(WORD_START) if word]
    if not words:
        return []
    if len(timed) == len(words):
        spans = [(start, end) for _, start, end in timed]
    else:
        first = timed[0][1] if timed else 0.0
        last = timed[-1][2] if timed else 0.0
        width = (last - first) / len(words)
        spans = [(first + index * width, first + (index + 1) * width) for index in range(len(words))]
    return [AlignedSentence([AlignedToken(" " + word, start, end) for word, (start, end) in zip(words, spans)])]
