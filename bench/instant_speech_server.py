"""A speech server that answers at once, for timing the program's own share
of a dictation. Takes the engine interpreter's arguments (the server script
given with -c is ignored) and serves the model list, transcriptions and, for
a reading, half a second of silence; with --fail-transcriptions, every
transcription is a server error, as from an engine whose model does not load.
Its sockets behave like the real engine's (uvicorn on asyncio): Nagle is off
on every accepted connection, and ACKs are the kernel's usual delayed ones."""
import argparse
import io
import json
import socket
import wave
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

SPEECH_RATE = 24000


def silence():
    out = io.BytesIO()
    with wave.open(out, "wb") as sound:
        sound.setnchannels(1)
        sound.setsampwidth(2)
        sound.setframerate(SPEECH_RATE)
        sound.writeframes(b"\0\0" * (SPEECH_RATE // 2))
    return out.getvalue()


TEXT = "um so please schedule a meeting with the marketing team for next tuesday afternoon"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    fail_transcriptions = False

    def setup(self):
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        super().setup()

    def _json(self, payload, status=200):
        body = json.dumps(payload).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        self._json({"data": []})

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        if self.path.endswith("/v1/audio/speech"):
            body = silence()
            self.send_response(200)
            self.send_header("Content-Type", "audio/wav")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if self.fail_transcriptions:
            self._json({"detail": "the dictation model could not be loaded"}, 500)
            return
        self._json({"text": TEXT})

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("-c")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=50061)
    parser.add_argument("--log-dir")
    parser.add_argument("--fail-transcriptions", action="store_true")
    options = parser.parse_args()
    Handler.fail_transcriptions = options.fail_transcriptions
    ThreadingHTTPServer((options.host, options.port), Handler).serve_forever()


if __name__ == "__main__":
    main()
