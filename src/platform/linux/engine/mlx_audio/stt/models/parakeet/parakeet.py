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
the others wait for one to come free.

A dictation sends the whole take so far again and again (its live previews,
then the final take), and the server cannot tell which request is the last.
So every request is answered in full, and after each one spare decoders go on
with an utterance fed the take so far: a later request whose features begin
with exactly those frames takes over such an utterance, feeds it only the new
frames and ends it, instead of decoding the whole take again. The cepstral
mean is our own (`CepstralMean`): a take decoded in one request has its own
mean taken off, as the acoustic model's batch normalisation does, and a take
continued from an earlier request keeps that request's mean for its frames
and a running mean after them, so feeding in pieces needs no frame twice."""

import atexit
import bisect
import contextlib
import os
import queue
import re
import shutil
import tempfile
import threading
import time

import numpy as np

import mlx.core as mx
from mlx_audio.stt.models.parakeet.audio import PreprocessArgs, cepstra, get_logmel, sound_span

_FRAMES_PER_SECOND = 100.0
# Debian's model, used until a recogniser is loaded from a model folder that
# holds one (the engine's own copy, downloaded by the application).
_MODEL_FOLDER = "/usr/share/pocketsphinx/model/en-us"
_FILLERS = re.compile(r"^(<s>|</s>|<sil>|\[\w+\]|\+\+.*\+\+)$")
# Decoders of dictation; each holds its own model (about 100 MB). Two decode
# requests at once, and two more go on with the utterance of a take.
DECODERS = 4
# Utterances kept going with the latest take: two once a request has continued
# one (a dictation in progress, whose next request may arrive while the other
# is being ended for a preview), else one.
LIVE_UTTERANCES = 2
# A kept utterance untouched for this long is not continued: the next request
# drops it.
LIVE_SECONDS = 20.0
# Frames an utterance kept going is fed at once, so that a request taking it
# over waits for one piece at most.
FEED_FRAMES = 50
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


# Feature parameters written for dictation's decoders, by model folder, and
# the temporary folder that holds them.
_FRONT_ENDS = {}
_COPIES = []


def _front_end(folder):
    """The feature parameters of dictation's decoders for the model in
    `folder`: the model's own "feat.params" with the decoder's cepstral mean
    normalisation off, since `CepstralMean` does it."""
    if folder not in _FRONT_ENDS:
        path = os.path.join(folder, "en-us", "feat.params")
        lines = []
        if os.path.isfile(path):
            with open(path, encoding="utf-8") as source:
                lines = source.read().splitlines()
        kept = [line for line in lines if not line.split() or line.split()[0] not in ("-cmn", "-cmninit")]
        kept.append("-cmn none")
        if not _COPIES:
            _COPIES.append(tempfile.mkdtemp(prefix="qv-recogniser-"))
            atexit.register(shutil.rmtree, _COPIES[0], True)
        copy_path = os.path.join(_COPIES[0], "feat%d.params" % len(_FRONT_ENDS))
        with open(copy_path, "w", encoding="utf-8") as copy:
            copy.write("\n".join(kept) + "\n")
        _FRONT_ENDS[folder] = copy_path
    return _FRONT_ENDS[folder]


def _new_decoder(dictation=False):
    """A decoder of the current model. Dictation's decoders take cepstra
    already normalised by `CepstralMean`; the others normalise each take by
    its own mean."""
    with _MAKING:
        from pocketsphinx import Decoder
        config = Decoder.default_config()
        config.set_string("-hmm", os.path.join(_MODEL_FOLDER, "en-us"))
        config.set_string("-lm", os.path.join(_MODEL_FOLDER, "en-us.lm.bin"))
        config.set_string("-dict", os.path.join(_MODEL_FOLDER, "cmudict-en-us.dict"))
        config.set_string("-logfn", os.devnull)
        if dictation:
            config.set_string("-featparams", _front_end(_MODEL_FOLDER))
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


class CepstralMean:
    """The cepstral mean taken off the frames of one utterance. The `seed`
    frames (those of the request that started it) have their own mean taken
    off, as a batch normalisation does; every later frame has the mean of all
    frames up to and with it taken off. It needs no frame after the one it
    normalises beyond the seed, so an utterance fed in pieces gets the same
    cepstra as one fed at once."""

    def __init__(self, seed):
        seed = np.asarray(seed, dtype=np.float64)
        self._sum = seed.sum(axis=0)
        self._count = float(seed.shape[0])
        self._seed_mean = self._sum / max(self._count, 1.0)
        self._seeded = seed.shape[0]
        self._done = 0

    def normalised(self, rows):
        rows = np.asarray(rows, dtype=np.float64)
        inside = max(0, min(rows.shape[0], self._seeded - self._done))
        self._done += rows.shape[0]
        values = np.empty_like(rows)
        values[:inside] = rows[:inside] - self._seed_mean
        after = rows[inside:]
        if after.shape[0]:
            sums = self._sum + np.cumsum(after, axis=0)
            counts = self._count + np.arange(1, after.shape[0] + 1, dtype=np.float64)
            self._sum, self._count = sums[-1], counts[-1]
            values[inside:] = after - sums / counts[:, None]
        return values.astype(np.float32)


def _results(decoder):
    """The timed words of the best path and the distinct texts of the n-best
    list with their log posteriors, once the decoder has ended an utterance."""
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

    def give_back(self, decoder):
        self._idle.put(decoder)

    def preload(self):
        """Makes every decoder not made yet."""
        with self._lock:
            missing = self._size - self._made
            self._made = self._size
        made = []
        try:
            for _ in range(missing):
                made.append(_new_decoder(True))
        finally:
            with self._lock:
                self._made -= missing - len(made)
            for decoder in made:
                self._idle.put(decoder)

    def take(self, wait=True):
        """An idle decoder; else a new one while fewer than `size` exist; else
        the next one to come free, or None at once unless `wait`. Lent until
        given back."""
        with self._lock:
            try:
                return self._idle.get_nowait()
            except queue.Empty:
                make = self._made < self._size
                if make:
                    self._made += 1
        if not make:
            return self._idle.get() if wait else None
        try:
            return _new_decoder(True)
        except Exception:
            with self._lock:
                self._made -= 1
            raise


class Utterance:
    """An utterance under way on a decoder of `pool`, fed the cepstra of the
    first frames of `target` (log-mel features), under the mean of the `seed`
    features and a running one after them (`CepstralMean`). Whoever owns it feeds it:
    the thread keeping it going while it is `busy`, else the request that took
    it over."""

    def __init__(self, pool, args, decoder, seed):
        self.pool = pool
        self.args = args
        self.decoder = decoder
        self.target = None
        self.fed = 0
        self.busy = self.claimed = self.dropped = False
        self.touched = time.monotonic()
        self.mean = CepstralMean(cepstra(seed, args))
        self.seeded = seed.shape[0]
        decoder.start_utt()

    def continues(self, features):
        """Whether `features` begin with exactly the frames this utterance is
        fed (or is being fed)."""
        target = self.target
        return (target is not None and target.shape[0] <= features.shape[0]
                and target.shape[1:] == features.shape[1:] and np.array_equal(features[: target.shape[0]], target))

    def feed(self, features, frames):
        """Feeds the frames of `features` from the last one fed up to `frames`."""
        if frames > self.fed:
            rows = self.mean.normalised(cepstra(features[self.fed:frames], self.args))
            self.decoder.process_cep(np.ascontiguousarray(rows).tobytes(), False, False)
            self.fed = frames

    def finish(self, features):
        """Feeds the rest of `features`, ends the utterance and gives the
        decoder back; returns the words and alternatives as `_results` does."""
        try:
            self.feed(features, features.shape[0])
            self.decoder.end_utt()
            return _results(self.decoder)
        finally:
            self.release(ended=True)

    def release(self, ended=False):
        if self.decoder is not None:
            decoder, self.decoder = self.decoder, None
            try:
                if not ended:
                    decoder.end_utt()
            finally:
                self.pool.give_back(decoder)


class LiveTakes:
    """Decodes takes on `pool`, keeping utterances going with the latest take
    so that a request for a longer take of the same audio only decodes what
    is new (see the module's notes). Non-blocking towards requests: keeping an
    utterance going only uses decoders that are idle, and a request for other
    audio drops the utterances of the previous take."""

    def __init__(self, pool, keep=LIVE_UTTERANCES, seconds=LIVE_SECONDS):
        self._pool = pool
        self._keep = keep
        self._seconds = seconds
        self._live = []
        self._serving = 0
        self._changed = threading.Condition()

    @contextlib.contextmanager
    def serving(self):
        """Marks a request being answered: utterances kept going wait
        meanwhile, as feeding them would take the interpreter from it."""
        with self._changed:
            self._serving += 1
        try:
            yield
        finally:
            with self._changed:
                self._serving -= 1
                self._changed.notify_all()

    def recognise(self, features, args):
        """The timed words and alternatives of log-mel `features` (frames,
        channels) as `_results` gives them."""
        features = np.ascontiguousarray(features, dtype=np.float32)
        utterance = self._claim(features)
        continued = utterance is not None
        if utterance is None:
            utterance = Utterance(self._pool, args, self._pool.take(), features)
        self._follow(features, args, self._keep if continued else min(1, self._keep))
        return utterance.finish(features)

    def _claim(self, features):
        """Takes over the kept utterance that continues `features` furthest,
        once the thread feeding it has stopped; drops the ones that do not
        continue it and the stale ones. None when there is none."""
        dropped = []
        try:
            with self._changed:
                now = time.monotonic()
                for utterance in list(self._live):
                    if not utterance.continues(features) or now - utterance.touched > self._seconds:
                        self._live.remove(utterance)
                        utterance.dropped = True
                        if not utterance.busy:
                            dropped.append(utterance)
                if not self._live:
                    return None
                # The one fed furthest, and of those the one whose mean saw
                # the most of the take.
                chosen = max(self._live, key=lambda utterance: (utterance.target.shape[0], utterance.fed,
                                                                utterance.seeded))
                self._live.remove(chosen)
                chosen.claimed = True
                self._changed.notify_all()
                while chosen.busy:
                    self._changed.wait()
                return chosen
        finally:
            _in_background(dropped)

    def _follow(self, features, args, keep):
        """Has `keep` utterances go on to the end of `features`: the kept
        ones that continue it, then new ones on idle decoders. Those of other
        audio, which a request decoded meanwhile may have left, are not
        touched."""
        with self._changed:
            following = [utterance for utterance in self._live if utterance.continues(features)]
            for utterance in following:
                self._aim(utterance, features)
            wanted = keep - len(following)
        made = []
        for _ in range(wanted):
            decoder = self._pool.take(wait=False)
            if decoder is None:
                break
            made.append(Utterance(self._pool, args, decoder, features))
        with self._changed:
            following = sum(1 for utterance in self._live if utterance.continues(features))
            while made and following < keep:
                utterance = made.pop()
                self._live.append(utterance)
                self._aim(utterance, features)
                following += 1
        _in_background(made)

    def _aim(self, utterance, features):
        """Sets the frames the utterance is to be fed; starts its feeding
        thread unless one runs. Called with the lock held."""
        utterance.target = features
        utterance.touched = time.monotonic()
        if not utterance.busy:
            utterance.busy = True
            threading.Thread(target=self._keep_feeding, args=(utterance,), daemon=True).start()

    def _keep_feeding(self, utterance):
        """Feeds the utterance up to its target a piece at a time, until it
        gets there, is taken over or is dropped."""
        try:
            while True:
                with self._changed:
                    while self._serving and not (utterance.claimed or utterance.dropped):
                        self._changed.wait()
                    target = utterance.target
                    if utterance.claimed or utterance.dropped or utterance.fed >= target.shape[0]:
                        break
                utterance.feed(target, min(target.shape[0], utterance.fed + FEED_FRAMES))
        except Exception:
            utterance.dropped = True
        with self._changed:
            utterance.busy = False
            release = utterance.dropped and not utterance.claimed
            if release and utterance in self._live:
                self._live.remove(utterance)
            self._changed.notify_all()
        if release:
            utterance.release()


def _in_background(utterances):
    """Ends dropped utterances and gives their decoders back off the request's
    way: ending one runs the search's last pass over all its frames."""
    if utterances:
        threading.Thread(target=lambda: [utterance.release() for utterance in utterances], daemon=True).start()


_POOL = DecoderPool(DECODERS)
_LIVE = LiveTakes(_POOL)


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
    lower case, words opened by WORD_START) with their log posteriors.

    The walk asks for the alternatives that begin with a text, many times
    over; they are found by bisection in the texts in sorted order (they are
    distinct), and the joint network's scores for a text are kept."""

    def __init__(self, scored):
        self.scored = list(scored)
        self._sorted = sorted(self.scored)
        self._sorted_texts = [text for text, _ in self._sorted]
        self.joint_scores = {}

    def beginning_with(self, prefix):
        """The (text, score) pairs whose text begins with `prefix`."""
        low = bisect.bisect_left(self._sorted_texts, prefix)
        high = bisect.bisect_left(self._sorted_texts, prefix + "\U0010ffff", low)
        return self._sorted[low:high]


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
        # The look-ahead of a boost asks for the same texts again and again.
        known = alternatives.joint_scores.get(spoken)
        if known is None:
            known = alternatives.joint_scores[spoken] = self._scores(alternatives, spoken)
        return mx.array(known.copy())

    def _scores(self, alternatives, spoken):
        scores = np.full(self.blank + 1 + len(DURATIONS), UNREACHABLE, dtype=np.float32)
        scores[self.blank + 1:] = 0.0
        follow, consistent = {}, []
        for candidate, score in alternatives.beginning_with(spoken):
            consistent.append(score)
            rest = candidate[len(spoken):]
            key = rest[:2] if rest.startswith(WORD_START) else rest[:1]
            follow.setdefault(key, []).append(score)
        if not consistent:
            scores[self.blank] = 0.0
            return scores
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
        return scores


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
        values = np.asarray(features, dtype=np.float32)
        values = values.reshape(-1, values.shape[-1]) if values.ndim else values.reshape(0, 1)
        if values.shape[0] == 0:
            return Alternatives([]), []
        timed, scored = _LIVE.recognise(values, self.preprocessor_config)
        return Alternatives(scored), timed

    def decode(self, features, *args, **kwargs):
        """Recognises log-mel `features`; returns one AlignedResult per take."""
        with _LIVE.serving():
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


# Words English writes with a capital, which the acoustic model's dictionary
# holds in lower case: the pronoun "I" and its contractions, the weekdays and
# the months. "may" and "march" are verbs as often as months, so they are
# months only after a word that names a time.
_CAPITALISED = {word: word[0].upper() + word[1:] for word in (
    "i", "i'm", "i've", "i'll", "i'd",
    "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday",
    "january", "february", "april", "june", "july", "august", "september", "october", "november", "december")}
_MONTHS_THAT_ARE_VERBS = {"may": "May", "march": "March"}
_BEFORE_A_MONTH = {"in", "by", "of", "since", "until", "till", "from", "early", "late", "mid", "next", "last",
                   "this", "every"}


def _written(words):
    """`words` as English writes them: the capitals the dictionary leaves out."""
    out = []
    for index, word in enumerate(words):
        if word in _CAPITALISED:
            word = _CAPITALISED[word]
        elif word in _MONTHS_THAT_ARE_VERBS and index > 0 and words[index - 1] in _BEFORE_A_MONTH:
            word = _MONTHS_THAT_ARE_VERBS[word]
        out.append(word)
    return out


def _sentences(text, timed):
    """The emitted text as one sentence of word tokens in English spelling
    (`_written`), each timed by the best path's word at the same place (or
    spread over the best path's span when the texts differ in length)."""
    words = _written([word for word in text.split(WORD_START) if word])
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
