import argparse
import json
import os
import signal
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

_log_lock = threading.Lock()


def _config():
    path = os.environ.get("LLM_FIXTURE_CONFIG")
    if not path:
        return {}
    try:
        with open(path, encoding="utf-8") as handle:
            return json.load(handle)
    except (OSError, ValueError):
        return {}


def _log(entry):
    path = os.environ.get("LLM_FIXTURE_LOG")
    if not path:
        return
    with _log_lock, open(path, "a", encoding="utf-8") as handle:
        handle.write(json.dumps(entry) + "\n")


def make_handler(model):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def _send(self, status, body):
            data = body.encode("utf-8")
            self.send_response(status)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def do_GET(self):
            _log({"method": "GET", "path": self.path})
            if self.path != "/v1/models":
                return self._send(404, "{}")
            status = int(_config().get("models_status", 200))
            self._send(status, json.dumps({"object": "list", "data": [{"id": model}]}))

        def do_POST(self):
            length = int(self.headers.get("Content-Length") or 0)
            raw = self.rfile.read(length).decode("utf-8", "replace")
            try:
                body = json.loads(raw)
            except ValueError:
                body = raw
            _log({"method": "POST", "path": self.path, "content_type": self.headers.get("Content-Type"),
                  "body": body})
            if self.path != "/v1/chat/completions":
                return self._send(404, "{}")
            config = _config()
            time.sleep(float(config.get("chat_delay", 0)))
            if "chat_body" in config:
                return self._send(int(config.get("chat_status", 200)), config["chat_body"])
            content = config.get("chat_content", "ready")
            reply = {"id": "fixture", "object": "chat.completion", "model": model,
                     "choices": [{"index": 0, "finish_reason": "stop",
                                  "message": {"role": "assistant", "content": content}}]}
            self._send(int(config.get("chat_status", 200)), json.dumps(reply))

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command")
    parser.add_argument("--model", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=8080)
    args = parser.parse_args()
    if args.command != "server" or args.host != "127.0.0.1":
        sys.exit(2)
    if _config().get("ignore_term"):
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
    time.sleep(float(_config().get("startup_delay", 0)))
    server = ThreadingHTTPServer((args.host, args.port), make_handler(args.model))
    server.daemon_threads = True
    server.serve_forever()


if __name__ == "__main__":
    main()
