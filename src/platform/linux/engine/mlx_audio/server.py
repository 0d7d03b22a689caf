"""The speech server: a FastAPI application `app` with the model list,
transcription and speech endpoints, run by uvicorn. Started as a module with
"--host", "--port" and "--log-dir". A request body over 64 MiB is refused with
413, and the recogniser is loaded before the port opens."""

import argparse
import logging
import os
import shutil
import tempfile
import threading

import numpy as np
from fastapi import FastAPI, File, Form, HTTPException, UploadFile
from fastapi.responses import JSONResponse, Response
from pydantic import BaseModel

from mlx_audio.audio_io import wav_bytes

MAX_BODY_BYTES = 64 * 1024 * 1024
# The dictation model's folder below "models" in the engine folder.
MODEL_FOLDER_NAME = "parakeet-tdt-0.6b-v3-bf16"
_TOO_LARGE = "the request body is larger than %d bytes" % MAX_BODY_BYTES


class BodyLimit:
    """Refuses a request whose body is larger than `limit` bytes with 413,
    before the application reads it: by its Content-Length at once, and for a
    body sent in chunks as soon as the bytes received pass the limit (the rest
    is read and dropped, so the client gets the answer). Nothing over the limit
    is ever held."""

    def __init__(self, app, limit):
        self.app = app
        self.limit = limit

    async def __call__(self, scope, receive, send):
        if scope["type"] != "http":
            await self.app(scope, receive, send)
            return
        declared = dict(scope["headers"]).get(b"content-length")
        if declared is not None and declared.isdigit() and int(declared) > self.limit:
            await JSONResponse({"detail": _TOO_LARGE}, status_code=413)(scope, receive, send)
            return
        received = 0

        async def limited():
            nonlocal received
            message = await receive()
            if message["type"] != "http.request":
                return message
            received += len(message.get("body", b""))
            if received <= self.limit:
                return message
            while message.get("more_body", False):
                message = await receive()
            # Passed on as the framework's own error while it parses the body.
            raise HTTPException(status_code=413, detail=_TOO_LARGE)

        await self.app(scope, limited, send)


app = FastAPI(title="speech server")
app.add_middleware(BodyLimit, limit=MAX_BODY_BYTES)

_models = {}
_models_lock = threading.Lock()


def _loaded(kind, name):
    """The model of `kind` ("stt" or "tts") named `name`, loaded once."""
    with _models_lock:
        key = (kind, name)
        if key not in _models:
            if kind == "stt":
                from mlx_audio.stt.utils import load_model
            else:
                from mlx_audio.tts.utils import load_model
            _models[key] = load_model(name)
        return _models[key]


@app.get("/v1/models")
def list_models():
    with _models_lock:
        names = sorted({name for _, name in _models})
    return {"object": "list", "data": [{"id": name, "object": "model"} for name in names]}


@app.post("/v1/audio/transcriptions")
def transcribe(file: UploadFile = File(...), model: str = Form(...)):
    recogniser = _loaded("stt", model)
    handle, path = tempfile.mkstemp(suffix=".wav")
    try:
        with os.fdopen(handle, "wb") as out:
            shutil.copyfileobj(file.file, out)
        try:
            result = recogniser.generate(path)
        except Exception as error:  # an unreadable upload
            raise HTTPException(status_code=400, detail="could not read the audio: %s" % error)
    finally:
        os.unlink(path)
    return {"text": result.text}


class SpeechRequest(BaseModel):
    model: str
    input: str
    voice: str = "af_heart"
    speed: float = 1.0
    lang_code: str = ""
    response_format: str = "wav"


def language_of(voice):
    return voice[:1] if voice[:1] in ("a", "b", "e", "f", "i", "p", "j", "z", "h") else "a"


def pipeline_for(model_name, lang_code):
    from mlx_audio.tts.models.kokoro import KokoroPipeline
    return KokoroPipeline(lang_code=lang_code, model=_loaded("tts", model_name), repo_id=model_name)


@app.post("/v1/audio/speech")
def speech(request: SpeechRequest):
    if request.response_format != "wav":
        raise HTTPException(status_code=400, detail="only wav is available")
    pipeline = pipeline_for(request.model, request.lang_code or language_of(request.voice))
    chunks = [np.asarray(result.audio).reshape(-1)
              for result in pipeline(request.input, voice=request.voice, speed=request.speed)
              if result.audio is not None]
    samples = np.concatenate(chunks) if chunks else np.zeros(0, np.float32)
    return Response(content=wav_bytes(samples, 24000), media_type="audio/wav")


def main():
    parser = argparse.ArgumentParser(description="speech server")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--log-dir", default="")
    arguments = parser.parse_args()
    if arguments.log_dir:
        os.makedirs(arguments.log_dir, mode=0o700, exist_ok=True)
        log_path = os.path.join(arguments.log_dir, "server.log")
        handler = logging.FileHandler(log_path)
        # The log holds what the user said: theirs alone, also when an
        # earlier run left it open to others.
        os.chmod(log_path, os.stat(log_path).st_mode & 0o700)
        handler.setFormatter(logging.Formatter("%(asctime)s %(levelname)s %(name)s: %(message)s"))
        for name in ("uvicorn", "uvicorn.error", "uvicorn.access"):
            logging.getLogger(name).addHandler(handler)
    # The recogniser's decoders are made before the port opens, so that the
    # first takes do not pay for them, from the engine's own model copy when
    # it has one (decoders made earlier would keep the model they were made
    # from). A model that will not load leaves the server up: transcriptions
    # then answer with the loader's error.
    from mlx_audio.stt.models.parakeet.parakeet import load_decoders, use_model_folder
    root = os.environ.get("QV_ENGINE_ROOT", "")
    if root:
        use_model_folder(os.path.join(root, "models", MODEL_FOLDER_NAME))
    try:
        load_decoders()
    except Exception as error:
        logging.getLogger("uvicorn.error").warning("the recogniser did not load: %s", error)
    import uvicorn
    # By import string, so that a script that imported and patched this module
    # before running it as the main module gets its patched `app` served.
    uvicorn.run("mlx_audio.server:app", host=arguments.host, port=arguments.port, workers=1)


if __name__ == "__main__":
    main()
