
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
import mlx.nn as nn  # noqa: F401  (the adaptation code builds on it)

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
_QV_PARAKEET_DIR = os.path.join(_qv_engine_root(), "models", "parakeet-tdt-0.6b-v3-bf16")

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
    model: str = "mlx-community/Kokoro-82M-bf16"
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


# Recogniser word boost and voice adaptation register their patches and
# endpoints here, on the same `app` and `_QV_STT`.

# 5. Run the patched server module as the main module with the arguments given
# after this script.
import warnings

# runpy warns that the module is already imported: that is the point here.
warnings.filterwarnings("ignore", category=RuntimeWarning, module="runpy")
sys.argv = ["mlx_audio.server"] + sys.argv[1:]
runpy.run_module("mlx_audio.server", run_name="__main__", alter_sys=True)
