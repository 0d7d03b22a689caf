
# The speech server as Quorvane runs it. The application passes this text to the
# engine's interpreter with "-c", after a first line naming the build that
# launched it, followed by "--host", "--port" and "--log-dir". It patches the
# audio package's server in memory, then runs it.
import base64
import os
import runpy
import sys
import tempfile
import wave

# 1. The array framework keeps at most 512 MiB of buffers for reuse.
import mlx.core as mx

mx.set_cache_limit(512 * 1024 * 1024)

# 2. Dictation weights in half precision.
import mlx_audio.utils as _qv_utils

_qv_load_weights = _qv_utils.load_weights


def _qv_load_weights_half(path, *args, **kwargs):
    weights = _qv_load_weights(path, *args, **kwargs)
    try:
        if "parakeet" in str(path).lower():
            return {name: (value.astype(mx.bfloat16) if value.dtype == mx.float32 else value)
                    for name, value in weights.items()}
    except Exception:
        pass
    return weights


_qv_utils.load_weights = _qv_load_weights_half

# 3. The server module, imported now so that the server started at the end
# serves this patched module.
import mlx_audio.server as _qv_server
from pydantic import BaseModel

app = _qv_server.app


def _qv_engine_root():
    root = os.environ.get("QV_ENGINE_ROOT", "")
    if root:
        return root
    data = os.environ.get("XDG_DATA_HOME", "") or os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.path.join(data, "Quorvane")


_QV_PARAKEET_HUB = "mlx-community/parakeet-tdt-0.6b-v3"
_QV_KOKORO_HUB = "mlx-community/Kokoro-82M-bf16"
_QV_MODELS_DIR = os.path.join(_qv_engine_root(), "models")
_QV_PARAKEET_DIR = os.path.join(_QV_MODELS_DIR, "parakeet-tdt-0.6b-v3-bf16")


# 3a. Only the application may drive the server. Any process of this machine
# can reach the port, a page in the user's browser among them, so every request
# that carries an Origin (a browser sends one with every cross-site request) or
# names another host than this server (a page reaching it through a name of its
# own) is refused with 403, and every request without the key the application
# passed at launch with 401, all before any work is done. A WebSocket handshake
# is a request too, refused alike: closed before it is accepted, which the
# server answers with 403.
import hmac

from fastapi import HTTPException
from fastapi.responses import JSONResponse

_QV_KEY = os.environ.pop("QV_ENGINE_KEY", "").encode("latin-1", "replace")
_QV_KEY_HEADER = b"x-quorvane-key"


class _QVOnlyTheApplication:
    def __init__(self, app):
        self.inner = app

    async def __call__(self, scope, receive, send):
        if scope["type"] not in ("http", "websocket"):
            await self.inner(scope, receive, send)
            return
        headers = {}
        for name, value in scope["headers"]:
            headers.setdefault(name.lower(), []).append(value)
        port = (scope.get("server") or ("", 0))[1]
        own_hosts = {("%s:%d" % (host, port)).encode() for host in ("127.0.0.1", "localhost")}
        hosts = headers.get(b"host", [])
        keys = headers.get(_QV_KEY_HEADER, [])
        if b"origin" in headers or len(hosts) != 1 or hosts[0].lower() not in own_hosts:
            status, detail = 403, "only the application may use this server"
        elif not _QV_KEY or len(keys) != 1 or not hmac.compare_digest(keys[0], _QV_KEY):
            status, detail = 401, "the request does not carry the application's key"
        else:
            await self.inner(scope, receive, send)
            return
        if scope["type"] == "http":
            await JSONResponse({"detail": detail}, status_code=status)(scope, receive, send)
        else:
            await _qv_refuse_handshake(receive, send)


async def _qv_refuse_handshake(receive, send):
    if (await receive())["type"] == "websocket.connect":
        await send({"type": "websocket.close", "code": 1008})


# Added last, so it runs first: before the body is read.
app.add_middleware(_QVOnlyTheApplication)


# 3b. A request names a model, and a model is loaded from the folder it names:
# only the application's own models are taken, its hub names and the folders
# in the engine's models folder.
def _qv_own_model(name):
    text = str(name)
    if text in (_QV_PARAKEET_HUB, _QV_KOKORO_HUB):
        return not os.path.exists(text)
    models = os.path.realpath(_QV_MODELS_DIR)
    return os.path.isabs(text) and os.path.realpath(text).startswith(models + os.sep)


def _qv_require_own_model(name):
    if not _qv_own_model(name):
        raise HTTPException(status_code=400, detail="not one of the application's models")


def _qv_own_models_only(load):
    def load_own(name, *args, **kwargs):
        _qv_require_own_model(name)
        return load(name, *args, **kwargs)
    return load_own


import mlx_audio.stt.utils as _qv_stt_utils
import mlx_audio.tts.utils as _qv_tts_utils

_qv_stt_utils.load_model = _qv_own_models_only(_qv_stt_utils.load_model)
_qv_tts_utils.load_model = _qv_own_models_only(_qv_tts_utils.load_model)

# The recogniser shared by the alignment and the voice adaptation, loaded on
# first use and kept for the life of the server (key "m").
_QV_STT = {}


def _qv_stt():
    if "m" not in _QV_STT:
        from mlx_audio.stt.utils import load_model
        _QV_STT["m"] = load_model(_QV_PARAKEET_DIR if os.path.isdir(_QV_PARAKEET_DIR) else _QV_PARAKEET_HUB)
    return _QV_STT["m"]


# 4. Timed speech for the read-along window.
def _qv_words_from_tokens(sentences):
    """Joins recogniser pieces into words: a piece that begins with a space,
    or the first piece taken, opens a word; any other extends the last one."""
    words = []
    for sentence in sentences:
        for token in getattr(sentence, "tokens", None) or []:
            text = getattr(token, "text", None) or ""
            start, end = getattr(token, "start", None), getattr(token, "end", None)
            if not text.strip() or start is None or end is None:
                continue
            if text.startswith(" ") or not words:
                words.append({"text": text.strip(), "start": float(start), "end": float(end)})
            else:
                words[-1]["text"] += text
                words[-1]["end"] = float(end)
    return words


def _qv_align(samples, rate):
    """Recovers word times from synthesised audio with the recogniser."""
    model = _qv_stt()
    handle, path = tempfile.mkstemp(suffix=".wav")
    os.close(handle)
    try:
        _qv_write_wav(path, samples, rate)
        result = model.generate(path)
    finally:
        try:
            os.unlink(path)
        except OSError:
            pass
    return _qv_words_from_tokens(getattr(result, "sentences", None) or [])


def _qv_pcm16(samples):
    import numpy as np
    return (np.clip(np.asarray(samples, dtype=np.float32), -1.0, 1.0) * 32767.0).astype("<i2").tobytes()


def _qv_write_wav(target, samples, rate):
    with wave.open(target, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(int(rate))
        out.writeframes(_qv_pcm16(samples))


class _QVTimedRequest(BaseModel):
    model: str = _QV_KOKORO_HUB
    input: str
    voice: str = "af_heart"
    speed: float = 1.0
    lang_code: str = "a"


_QV_PIPELINES = {}


@app.post("/v1/audio/speech_timed")
def _qv_speech_timed(request: _QVTimedRequest):
    import io
    import numpy as np
    from mlx_audio.tts.models.kokoro import KokoroPipeline
    from mlx_audio.tts.utils import load_model

    key = (request.model, request.lang_code)
    if key not in _QV_PIPELINES:
        _QV_PIPELINES[key] = KokoroPipeline(lang_code=request.lang_code, model=load_model(request.model),
                                            repo_id=request.model)
    pipeline = _QV_PIPELINES[key]
    pipeline.voices.clear()

    chunks, words, offset = [], [], 0.0
    for result in pipeline(request.input, voice=request.voice, speed=request.speed):
        if result.audio is None:
            continue
        audio = np.asarray(result.audio, dtype=np.float32).reshape(-1)
        for token in getattr(result, "tokens", None) or []:
            start, end = getattr(token, "start_ts", None), getattr(token, "end_ts", None)
            if start is None or end is None or not (token.text or "").strip():
                continue
            words.append({"text": token.text, "start": offset + float(start), "end": offset + float(end)})
        offset += audio.shape[0] / 24000.0
        chunks.append(audio)
    if not chunks:
        return {"audio": None, "words": [], "sample_rate": 24000, "duration": 0.0}

    samples = np.concatenate(chunks)
    if not words:
        try:
            words = _qv_align(samples, 24000)
        except Exception:
            words = []
    out = io.BytesIO()
    _qv_write_wav(out, samples, 24000)
    return {"audio": base64.b64encode(out.getvalue()).decode("ascii"), "words": words,
            "sample_rate": 24000, "duration": samples.shape[0] / 24000.0}


# 5. Recogniser word boost: the user's own words are favoured while the
# recogniser chooses its pieces. Matching is on characters, so every sequence
# of pieces that spells a word is boosted, however the recogniser splits it.
# A boosted word is written whole or not at all: where one could begin, its
# whole spelling is looked ahead and weighed as a word against the word the
# recogniser would write, so a boost never turns an ordinary word into part of
# a name, nor capitalises one.
import math
import threading
import time

import numpy as np
from mlx_audio.stt.models.parakeet.parakeet import ParakeetTDT as _QVParakeet

_QV_WORD_START = "\u2581"
_QV_MAX_WORDS = 200
_QV_MAX_WORD_LENGTH = 64
_QV_MAX_BOOST = 12.0
_QV_WINDOW = 6.0
# The boost was set for single pieces of a subword vocabulary; a whole word is
# favoured by this share of it. Measured against ordinary sentences, more lets
# names take the place of short ordinary words that merely sound near them.
_QV_WORD_SHARE = 0.35
# Pieces the look-ahead of one step may score at most, so that a long list over
# a vocabulary of short pieces keeps every step cheap.
_QV_MAX_LOOKAHEAD = 512

_QV_BIAS = {"words": [], "boost": 9.0, "rev": 0}


def _qv_log_probs(scores):
    """Token scores as log probabilities, so that scores of successive pieces add up."""
    values = np.asarray(scores, dtype=np.float64).reshape(-1)
    top = values.max()
    return values - (top + np.log(np.exp(values - top).sum()))


class _QVTextBias:
    """The boost of one word list over one vocabulary. `edges` maps a (word,
    offset) position to the (piece, new offset) pairs of the pieces that spell
    the word on from that offset.

    At a step where some word could begin, `choose` looks ahead along every
    spelling of the words whose pieces stay within `window` of the best piece
    at each step, and weighs the best one, ended by a word boundary, against
    the word the recogniser writes by itself from here (its best piece at
    every step, to the boundary). The boosted word is taken when its log
    probability plus `word_boost` is the higher, and its remaining pieces are then
    written in the steps that follow. The word being written is kept per
    decoding thread, since two takes may be decoded at once."""

    def __init__(self, vocabulary, blank_id, words, boost):
        self.targets = [_QV_WORD_START + word.strip().replace(" ", _QV_WORD_START) for word in words]
        self.boost = float(boost)
        self.word_boost = self.boost * _QV_WORD_SHARE
        self.window = _QV_WINDOW
        self.blank = blank_id
        self.size = blank_id + 1
        # A word has ended when the next piece is the blank, opens a word, or
        # begins with punctuation.
        self.ends = np.zeros(self.size, dtype=bool)
        self.ends[blank_id] = True
        by_first = {}
        for token, piece in enumerate(vocabulary[:blank_id]):
            if piece and not piece.startswith("<"):
                by_first.setdefault(piece[0], []).append((token, piece))
                self.ends[token] = piece.startswith(_QV_WORD_START) or not piece[0].isalnum()
        self.edges = {}
        for index, target in enumerate(self.targets):
            for offset in range(len(target)):
                found = [(token, offset + len(piece)) for token, piece in by_first.get(target[offset], ())
                         if target.startswith(piece, offset)]
                if found:
                    self.edges[(index, offset)] = found
        self.openings = np.array(sorted({token for index in range(len(self.targets))
                                         for token, _ in self.edges.get((index, 0), ())}), dtype=np.int64)
        self._live = threading.local()
        self.reset()

    @property
    def plan(self):
        """The pieces of the boosted word still to write on this thread."""
        if not hasattr(self._live, "plan"):
            self.reset()
        return self._live.plan

    def reset(self):
        self._live.plan = []

    def choose(self, values, after):
        """The piece to write, from the log probabilities `values` of this
        step; `after(pieces)` answers the log probabilities once the tuple of
        pieces `pieces` is written from here."""
        best = int(np.argmax(values))
        floor = values[best] - self.window
        plan = self.plan
        if plan:
            token = plan.pop(0)
            if values[token] > floor:
                return token
            # The sound no longer allows the word: the recogniser goes on alone.
            plan.clear()
        if self.openings.size == 0 or not (values[self.openings] > floor).any():
            return best
        budget = [_QV_MAX_LOOKAHEAD]

        def scored(pieces):
            if budget[0] <= 0:
                return None
            budget[0] -= 1
            return after(pieces)

        word, score = self._best_word(values, scored)
        if word is None:
            return best
        own = self._own_word(values, best, scored)
        if own is None or score + self.word_boost <= own:
            return best
        self._live.plan = list(word[1:])
        return word[0]

    def _ended(self, values):
        """The log probability that a word ends here."""
        kept = values[self.ends]
        top = kept.max()
        return top + math.log(np.exp(kept - top).sum())

    def _best_word(self, values, scored):
        """The most probable whole spelling of a boosted word from here,
        followed by a word boundary, as (pieces, log probability); (None, None)
        when no word can be spelled within the window."""
        found, found_score = None, -math.inf
        pending = [((), {(index, 0) for index in range(len(self.targets))}, 0.0, values)]
        while pending:
            pieces, live, score, here = pending.pop()
            floor = here.max() - self.window
            steps = {}
            for position in live:
                for token, offset in self.edges.get(position, ()):
                    if here[token] > floor:
                        steps.setdefault(token, set()).add((position[0], offset))
            for token, reached in steps.items():
                total = score + here[token]
                # Log probabilities only fall along a spelling.
                if total <= found_score:
                    continue
                following = scored(pieces + (token,))
                if following is None:
                    return found, (found_score if found is not None else None)
                if any(offset == len(self.targets[index]) for index, offset in reached) and \
                        following[self.ends].max() > following.max() - self.window:
                    ended = total + self._ended(following)
                    if ended > found_score:
                        found, found_score = pieces + (token,), ended
                ongoing = {(index, offset) for index, offset in reached if offset < len(self.targets[index])}
                if ongoing:
                    pending.append((pieces + (token,), ongoing, total, following))
        return found, (found_score if found is not None else None)

    def _own_word(self, values, best, scored):
        """The log probability of the word the recogniser writes by itself
        from here, up to and with its boundary; None when the look-ahead ran
        out first."""
        if best == self.blank:
            return values[best]
        pieces, score = (best,), values[best]
        while True:
            here = scored(pieces)
            if here is None:
                return None
            following = int(np.argmax(here))
            if self.ends[following]:
                return score + self._ended(here)
            pieces += (following,)
            score += here[following]


def _qv_biased_step(model, matcher):
    """A step that lets the matcher choose the piece from the token scores. The
    inner step is the package's own computation, compiled; the choice and the
    look-ahead, which runs the inner step on the pieces a word would add, are
    made outside it."""
    blank = model.blank_id

    def inner(feature, token, hidden, cell):
        output, (hidden, cell) = model.decoder(None if int(np.asarray(token)) == blank else token, (hidden, cell))
        logits = model.joint(feature, output)
        return logits[: blank + 1].astype(mx.float32), mx.argmax(logits[blank + 1:]).astype(mx.int32), hidden, cell

    compiled = mx.compile(inner)

    def step(feature, token, hidden, cell):
        scores, duration, hidden, cell = compiled(feature, token, hidden, cell)
        known = {(): (None, hidden, cell)}

        def state(pieces):
            if pieces not in known:
                _, previous_hidden, previous_cell = state(pieces[:-1])
                following, _, next_hidden, next_cell = compiled(feature, pieces[-1], previous_hidden, previous_cell)
                known[pieces] = (_qv_log_probs(np.array(following, dtype=np.float32)), next_hidden, next_cell)
            return known[pieces]

        chosen = matcher.choose(_qv_log_probs(np.array(scores, dtype=np.float32)), lambda pieces: state(pieces)[0])
        return mx.array(chosen, mx.int32), duration, hidden, cell

    return step


def _qv_install_bias(model):
    """Puts the current word list in force on `model` before a transcription."""
    words = _QV_BIAS["words"]
    if not words:
        if "_qv_saved_step" in model.__dict__:
            model.step = model._qv_saved_step
            model._qv_bias_rev = None
        return
    if model.__dict__.get("_qv_bias_rev") != _QV_BIAS["rev"]:
        if "_qv_saved_step" not in model.__dict__:
            model._qv_saved_step = model.step
        matcher = _QVTextBias(model.vocabulary, model.blank_id, words, _QV_BIAS["boost"])
        model._qv_matcher = matcher
        model.step = _qv_biased_step(model, matcher)
        model._qv_bias_rev = _QV_BIAS["rev"]
    matcher = model.__dict__.get("_qv_matcher")
    if matcher is not None:
        matcher.reset()


_qv_package_decode = _QVParakeet.decode


def _qv_decode(self, *args, **kwargs):
    try:
        _qv_install_bias(self)
    except Exception:
        pass
    try:
        args = _qv_adapted(args)
    except Exception:
        pass
    return _qv_package_decode(self, *args, **kwargs)


_QVParakeet.decode = _qv_decode


def _qv_clamped_boost(value):
    value = float(value)
    if math.isnan(value):
        return 0.0
    return min(_QV_MAX_BOOST, max(0.0, value))


class _QVBiasRequest(BaseModel):
    words: list = []
    boost: float = 9.0


@app.post("/v1/quorvane/bias")
def _qv_set_bias(request: _QVBiasRequest):
    kept = []
    for word in request.words:
        text = str(word).strip()
        if text and len(text) <= _QV_MAX_WORD_LENGTH:
            kept.append(text)
    kept = kept[:_QV_MAX_WORDS]
    boost = _qv_clamped_boost(request.boost)
    _QV_BIAS.update(words=kept, boost=boost, rev=_QV_BIAS["rev"] + 1)
    return {"words": len(kept), "boost": boost}


# 6. Voice adaptation: a scale and a shift per mel channel, learnt from clips of
# the user reading known sentences, applied to the features before every
# transcription. It adapts to how a voice colours each band, not to words.
#
# The fit asks the recogniser itself how well each clip matches its sentence
# (the score of its forced alignment) and searches the scales that raise that
# score; there are no gradients to follow, so the search is by trial: a
# coordinate search over bands of neighbouring channels, from the identity,
# within fixed bounds, ending early when its time is up or a clear arrives.
# Channels are tied in bands because the acoustic model reads only the first
# cepstra of the channels: neighbours stand in for one another, and a search
# over single channels wanders off into scales that fit the clips alone.
# The shift stays zero: the acoustic model takes off each take's mean
# cepstrum, and a shift of a channel only moves that mean.
_QV_ADAPTER_FILE = os.path.join(_qv_engine_root(), "voice-adapter.npz")
_QV_BAND_WIDTH = 5
_QV_SCALE_BOUNDS = (0.5, 2.0)
_QV_SEARCH_STEPS = (0.2, 0.1, 0.05)
_QV_MAX_EVALUATIONS = 60
_QV_FIT_SECONDS = 90.0

_QV_ADAPT = {"scale": None, "shift": None, "clips": [], "progress": [0, 0], "generation": 0}
# Orders a fit's result against a clear that arrives while it runs.
_QV_ADAPT_LOCK = threading.Lock()


def _qv_load_adapter(path):
    """(scale, shift) from the archive at `path`, or (None, None) when it is
    missing, unreadable, pickled, of unequal or empty lengths or not finite."""
    try:
        with open(path, "rb") as handle, np.load(handle, allow_pickle=False) as stored:
            scale = np.asarray(stored["scale"], dtype=np.float32)
            shift = np.asarray(stored["shift"], dtype=np.float32)
        if (scale.ndim != 1 or scale.shape != shift.shape or scale.size == 0
                or not np.all(np.isfinite(scale)) or not np.all(np.isfinite(shift))):
            return None, None
        return scale, shift
    except Exception:
        return None, None


_QV_ADAPT["scale"], _QV_ADAPT["shift"] = _qv_load_adapter(_QV_ADAPTER_FILE)


def _qv_adapted(args):
    """The arguments of a transcription with the adapter applied to the mel
    features (the first argument); an adapter for another channel count is
    dropped."""
    scale, shift = _QV_ADAPT["scale"], _QV_ADAPT["shift"]
    if scale is None or not args:
        return args
    features = args[0]
    if np.asarray(features).shape[-1] != scale.shape[0]:
        _QV_ADAPT["scale"], _QV_ADAPT["shift"] = None, None
        return args
    changed = np.asarray(features, dtype=np.float32) * scale + shift
    return (mx.array(changed, getattr(features, "dtype", mx.float32)),) + tuple(args[1:])


class _QVCancelled(Exception):
    pass


def _qv_band_scale(bands, channels):
    """Per-channel scales from one scale per band of _QV_BAND_WIDTH channels
    (the last band takes what is left)."""
    return np.repeat(bands, _QV_BAND_WIDTH)[:channels].astype(np.float32) if channels else np.ones(0, np.float32)


def _qv_search_scales(objective, channels, evaluations=_QV_MAX_EVALUATIONS, seconds=_QV_FIT_SECONDS,
                      on_step=lambda done: None, cancelled=lambda: False):
    """The per-channel scales, tied in bands, that raise `objective` (higher
    is better; None counts as worse than anything) most, found by coordinate
    search from the identity within _QV_SCALE_BOUNDS: each band in turn is
    moved by the step while that improves, first up, else down; then the step
    is halved. Stops after `evaluations` calls of `objective` or `seconds`,
    keeping the best found. Returns (scale, first value, best value, calls);
    raises _QVCancelled as soon as `cancelled` holds."""
    deadline = time.monotonic() + seconds
    calls = [0]

    def value(bands):
        if cancelled():
            raise _QVCancelled()
        calls[0] += 1
        result = objective(_qv_band_scale(bands, channels))
        on_step(calls[0])
        return -math.inf if result is None else result

    def spent():
        return calls[0] >= evaluations or time.monotonic() >= deadline

    bands = np.ones(-(-channels // _QV_BAND_WIDTH))
    first = best = value(bands)
    for step in _QV_SEARCH_STEPS:
        for band in range(bands.size):
            for direction in (1.0, -1.0):
                moved = False
                while not spent():
                    trial = bands.copy()
                    trial[band] = min(max(trial[band] + direction * step, _QV_SCALE_BOUNDS[0]), _QV_SCALE_BOUNDS[1])
                    if trial[band] == bands[band]:
                        break
                    result = value(trial)
                    if result <= best:
                        break
                    bands, best, moved = trial, result, True
                if moved:
                    break
    return _qv_band_scale(bands, channels), first, best, calls[0]


def _qv_clip_features(model, clip):
    """The log-mel features of a held clip's audio, or None when it is not a
    WAV take."""
    from mlx_audio.stt.models.parakeet.audio import get_logmel
    from mlx_audio.stt.utils import load_audio

    handle, path = tempfile.mkstemp(suffix=".wav")
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(base64.b64decode(str(clip.get("audio", "")), validate=True))
        audio = load_audio(path, model.preprocessor_config.sample_rate, dtype=mx.bfloat16)
    finally:
        try:
            os.unlink(path)
        except OSError:
            pass
    features = np.asarray(get_logmel(audio, model.preprocessor_config), dtype=np.float32)
    return features if features.shape[0] else None


def _qv_forced_total(alignment, pairs, workers):
    """The objective of a fit: the summed forced score of every (sentence
    index, features) pair under a scale, None when some clip loses its path."""

    def total(scale):
        scores = list(workers.map(lambda pair: alignment.score(pair[0], pair[1] * scale), pairs))
        return None if any(score is None for score in scores) else float(sum(scores))

    return total


class _QVClip(BaseModel):
    text: str
    audio: str


@app.post("/v1/quorvane/adapt/clip")
def _qv_adapt_clip(clip: _QVClip):
    _QV_ADAPT["clips"].append({"text": clip.text, "audio": clip.audio})
    return {"clips": len(_QV_ADAPT["clips"])}


@app.post("/v1/quorvane/adapt/clear")
def _qv_adapt_clear():
    with _QV_ADAPT_LOCK:
        _QV_ADAPT.update(clips=[], scale=None, shift=None, progress=[0, 0], generation=_QV_ADAPT["generation"] + 1)
        try:
            os.unlink(_QV_ADAPTER_FILE)
        except OSError:
            pass
    return {"ok": True}


# A tuning run's start and its end without a better adapter: the run's clips
# and any adapter fitted but not kept are dropped and the stored adapter is in
# force again, its file untouched; a fit still running ends. Only a clear
# (the user turning the tuning off) deletes the stored adapter.
@app.post("/v1/quorvane/adapt/discard")
def _qv_adapt_discard():
    with _QV_ADAPT_LOCK:
        scale, shift = _qv_load_adapter(_QV_ADAPTER_FILE)
        _QV_ADAPT.update(clips=[], scale=scale, shift=shift, progress=[0, 0], generation=_QV_ADAPT["generation"] + 1)
    return {"ok": True}


@app.post("/v1/quorvane/adapt/fit")
def _qv_adapt_fit():
    from concurrent.futures import ThreadPoolExecutor

    generation = _QV_ADAPT["generation"]
    clips = list(_QV_ADAPT["clips"])
    if not clips:
        return {"ok": False, "reason": "no clips"}
    started = time.monotonic()
    model = _qv_stt()
    alignment = model.forced_alignment([str(clip.get("text", "")) for clip in clips])
    try:
        pairs = []
        for index, clip in enumerate(clips):
            try:
                features = _qv_clip_features(model, clip) if alignment.usable(index) else None
            except Exception:
                features = None
            if features is not None and alignment.score(index, features) is not None:
                pairs.append((index, features))
        if not pairs:
            return {"ok": False, "reason": "nothing usable"}
        channels = pairs[0][1].shape[-1]
        pairs = [pair for pair in pairs if pair[1].shape[-1] == channels]
        frames = sum(pair[1].shape[0] for pair in pairs)

        def on_step(done):
            with _QV_ADAPT_LOCK:
                if _QV_ADAPT["generation"] == generation:
                    _QV_ADAPT["progress"] = [min(done, _QV_MAX_EVALUATIONS), _QV_MAX_EVALUATIONS]

        with ThreadPoolExecutor(max_workers=alignment.decoders) as workers:
            scale, first, best, calls = _qv_search_scales(
                _qv_forced_total(alignment, pairs, workers), channels,
                seconds=max(0.0, _QV_FIT_SECONDS - (time.monotonic() - started)), on_step=on_step,
                cancelled=lambda: _QV_ADAPT["generation"] != generation)
    except _QVCancelled:
        return {"ok": False, "reason": "cancelled"}
    finally:
        alignment.close()
    shift = np.zeros(channels, np.float32)
    with _QV_ADAPT_LOCK:
        if _QV_ADAPT["generation"] != generation:
            return {"ok": False, "reason": "cancelled"}
        _QV_ADAPT.update(scale=scale, shift=shift, clips=[], progress=[_QV_MAX_EVALUATIONS, _QV_MAX_EVALUATIONS])
    print("voice adapter: %d clips, forced score %.0f -> %.0f after %d trials in %.1f s, scales %s"
          % (len(pairs), first, best, calls, time.monotonic() - started,
             " ".join("%.2f" % value for value in scale)), file=sys.stderr, flush=True)
    return {"ok": True, "clips": len(pairs), "steps": calls, "loss": -best / frames, "first_loss": -first / frames}


# A fit's adapter is in force for this server only, so that the application
# can check it on takes held back from the fit; it is stored, and so used by
# the servers launched after this one, only once the application keeps it.
@app.post("/v1/quorvane/adapt/keep")
def _qv_adapt_keep():
    with _QV_ADAPT_LOCK:
        scale, shift = _QV_ADAPT["scale"], _QV_ADAPT["shift"]
        if scale is None:
            return {"ok": False, "reason": "no adapter"}
        partial = _QV_ADAPTER_FILE + ".partial.npz"
        try:
            os.makedirs(os.path.dirname(_QV_ADAPTER_FILE), mode=0o700, exist_ok=True)
            # Tuned on the user's voice, the adapter is theirs alone, whatever
            # the umask and whatever a partial file left behind allowed.
            handle = os.open(partial, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
            os.fchmod(handle, 0o600)
            with os.fdopen(handle, "wb") as out:
                np.savez(out, scale=scale, shift=shift)
            os.replace(partial, _QV_ADAPTER_FILE)
        except Exception as error:
            return {"ok": False, "reason": "not stored: %s" % error}
    return {"ok": True}


@app.get("/v1/quorvane/adapt/status")
def _qv_adapt_status():
    step, steps = _QV_ADAPT["progress"]
    return {"tuned": _QV_ADAPT["scale"] is not None, "clips": len(_QV_ADAPT["clips"]), "step": step, "steps": steps}



# 7. Run the patched server module as the main module with the arguments given
# after this script, without a log line per request: the takes of a dictation
# and the sentences of a reading would push everything else out of the log.
import warnings

import uvicorn

_qv_uvicorn_run = uvicorn.run


def _qv_run_without_access_lines(*args, **kwargs):
    kwargs["access_log"] = False
    return _qv_uvicorn_run(*args, **kwargs)


uvicorn.run = _qv_run_without_access_lines

# runpy warns that the module is already imported: that is the point here.
warnings.filterwarnings("ignore", category=RuntimeWarning, module="runpy")
sys.argv = ["mlx_audio.server"] + sys.argv[1:]
runpy.run_module("mlx_audio.server", run_name="__main__", alter_sys=True)
