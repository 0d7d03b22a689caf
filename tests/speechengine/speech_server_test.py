"""The speech server script on the Linux stand-in packages, through HTTP on
loopback: transcription of flite speech, speech, timed speech, the limits of
the server, and the script's own helpers."""

import base64
import http.client
import io
import json
import os
import runpy
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request
import uuid
import wave

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))
STAND_INS = os.path.join(SOURCE, "src", "platform", "linux", "engine")
SCRIPT = os.path.join(SOURCE, "resources", "engine", "speech-server.py")
SENTENCE = "please schedule a meeting with the marketing team for next tuesday afternoon"
MAX_BODY_BYTES = 64 * 1024 * 1024
KEY_HEADER = "X-Quorvane-Key"

if STAND_INS not in sys.path:
    sys.path.insert(0, STAND_INS)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def flite_take(text, seconds, folder):
    """`text` spoken by flite's slt voice, padded with silence to `seconds`."""
    spoken = os.path.join(folder, "spoken.wav")
    subprocess.run(["flite", "-voice", "slt", "-t", text, "-o", spoken], check=True)
    with wave.open(spoken, "rb") as source:
        rate, frames = source.getframerate(), source.readframes(source.getnframes())
    padding = max(0, int(seconds * rate) - len(frames) // 2)
    out = io.BytesIO()
    with wave.open(out, "wb") as target:
        target.setnchannels(1)
        target.setsampwidth(2)
        target.setframerate(rate)
        target.writeframes(frames + b"\0\0" * padding)
    return out.getvalue()


def transcription_body(wav, boundary, model="mlx-community/parakeet-tdt-0.6b-v3"):
    return ("--" + boundary + "\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\n" +
            model + "\r\n--" + boundary +
            "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"audio.wav\"\r\n"
            "Content-Type: audio/wav\r\n\r\n").encode() + wav + ("\r\n--" + boundary + "--\r\n").encode()


def decoders_mapped(pid):
    """How many recogniser decoders process `pid` holds: each maps the
    acoustic model's "mdef" file once."""
    with open("/proc/%d/maps" % pid, encoding="utf-8") as maps:
        return sum(1 for line in maps if line.rstrip().endswith("/en-us/mdef"))


def load_script_helpers():
    """Runs the script in this process without starting the server and returns
    its names."""
    with open(SCRIPT, encoding="utf-8") as source:
        text = "# quorvane engine test" + source.read()
    original, runpy.run_module = runpy.run_module, lambda *args, **kwargs: None
    saved_argv = sys.argv
    try:
        names = {"__name__": "__qv_script__"}
        exec(compile(text, "<speech server script>", "exec"), names)
        return names
    finally:
        runpy.run_module, sys.argv = original, saved_argv


class Piece:
    def __init__(self, text, start, end):
        self.text, self.start, self.end = text, start, end


class Sentence:
    def __init__(self, tokens):
        self.tokens = tokens


class WordSlicesTest(unittest.TestCase):
    """The stand-in synthesiser's words: slices of the text read, timed by
    espeak-ng's word events."""

    @classmethod
    def setUpClass(cls):
        from mlx_audio.tts import espeak
        cls.espeak = espeak

    def test_words_keep_their_punctuation_and_a_sum_of_money_is_one_word(self):
        text = 'It costs $3.50, said Dr. Smith. "Really?" she asked, on the shore.'
        _, _, words = self.espeak.synthesize(text)
        self.assertEqual([word for word, _, _ in words], text.split())
        self.assertEqual(" ".join(word for word, _, _ in words), text)

    def test_a_word_without_an_event_shares_its_neighbours_time_and_times_never_fall(self):
        text = "on the shore"
        words = self.espeak.timed_words(text, [(0, 1.0), (7, 2.0), (0, 0.5)], 3.0)
        self.assertEqual(words, [("on", 0.5, 1.1), ("the", 1.1, 2.0), ("shore", 2.0, 3.0)])
        # Events reported out of order keep the written order rising.
        words = self.espeak.timed_words("a b", [(2, 0.2), (0, 0.6)], 1.0)
        self.assertEqual([(start, end) for _, start, end in words], [(0.6, 0.6), (0.6, 1.0)])

    def test_text_without_spaces_is_cut_at_the_events_between_letters(self):
        text = "\u4eca\u5929\u3002\u6211\u4eec"
        self.assertEqual(self.espeak.word_spans(text, [0, 1, 3, 4]), [(0, 1), (1, 3), (3, 4), (4, 5)])
        # A number or a bracketed word stays whole whatever the events say.
        self.assertEqual(self.espeak.word_spans("($3.50)", [1, 2, 3, 4]), [(0, 7)])


class ScriptHelpersTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.script = load_script_helpers()

    def test_pieces_join_into_words_at_leading_spaces(self):
        words = self.script["_qv_words_from_tokens"]([Sentence([
            Piece(" mar", 0.0, 0.2), Piece("ket", 0.2, 0.4), Piece(" te", 0.5, 0.6), Piece("am", 0.6, 0.9)])])
        self.assertEqual(words, [{"text": "market", "start": 0.0, "end": 0.4},
                                 {"text": "team", "start": 0.5, "end": 0.9}])

    def test_blank_and_untimed_pieces_are_skipped_and_the_first_piece_opens_a_word(self):
        words = self.script["_qv_words_from_tokens"]([Sentence([
            Piece("he", 0.0, 0.1), Piece("llo", 0.1, 0.3), Piece(" ", 0.3, 0.4), Piece(" x", None, 0.5)]),
            Sentence([Piece(" you", 0.6, 0.8)])])
        self.assertEqual(words, [{"text": "hello", "start": 0.0, "end": 0.3},
                                 {"text": "you", "start": 0.6, "end": 0.8}])

    def test_dictation_weights_load_in_bfloat16_and_others_stay(self):
        import mlx.core as mx
        import mlx_audio.utils
        folder = tempfile.mkdtemp()
        try:
            for name in ("parakeet-tdt-0.6b-v3-bf16", "kokoro"):
                os.makedirs(os.path.join(folder, name))
                np.savez(os.path.join(folder, name, "weights.npz"),
                         w=np.array([1.0 + 2 ** -12, 3.0], dtype=np.float32), steps=np.array([1, 2], dtype=np.int32))
            half = mlx_audio.utils.load_weights(os.path.join(folder, "parakeet-tdt-0.6b-v3-bf16"))
            full = mlx_audio.utils.load_weights(os.path.join(folder, "kokoro"))
            self.assertIs(half["w"].dtype, mx.bfloat16)
            self.assertEqual(half["w"].tolist(), [1.0, 3.0])
            self.assertIs(half["steps"].dtype, mx.int32)
            self.assertIs(full["w"].dtype, mx.float32)
            self.assertEqual(mx.get_cache_limit(), 512 * 1024 * 1024)
        finally:
            shutil.rmtree(folder)


# A WebSocket endpoint, as a server package may offer one: the server takes
# the handshake (101) and says "open".
SOCKET_ENDPOINT = """
from fastapi import WebSocket as _TestWebSocket


@app.websocket("/v1/test/socket")
async def _test_socket(socket: _TestWebSocket):
    await socket.accept()
    await socket.send_text("open")
    await socket.close()


"""


class ServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.port = free_port()
        cls.base = "http://127.0.0.1:%d/" % cls.port
        with open(SCRIPT, encoding="utf-8") as source:
            script = "# quorvane engine test" + source.read()
        run = script.index("# 7. Run the patched server module")
        script = script[:run] + SOCKET_ENDPOINT + script[run:]
        cls.key = uuid.uuid4().hex
        environment = dict(os.environ, PYTHONPATH=STAND_INS, QV_ENGINE_ROOT=cls.folder, QV_ENGINE_KEY=cls.key)
        cls.log = open(os.path.join(cls.folder, "engine.log"), "wb")
        cls.server = subprocess.Popen(
            ["/usr/bin/python3", "-c", script, "--host", "127.0.0.1", "--port", str(cls.port),
             "--log-dir", os.path.join(cls.folder, "logs")],
            stdout=cls.log, stderr=subprocess.STDOUT, env=environment)
        deadline = time.monotonic() + 90
        while time.monotonic() < deadline:
            try:
                urllib.request.urlopen(urllib.request.Request(cls.base + "v1/models", headers={KEY_HEADER: cls.key}),
                                       timeout=2).read()
                cls.decoders_when_first_answering = decoders_mapped(cls.server.pid)
                return
            except (urllib.error.URLError, ConnectionError):
                time.sleep(0.1)
        cls.tearDownClass()
        raise RuntimeError("the speech server did not answer")

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait(10)
        cls.log.close()
        shutil.rmtree(cls.folder)

    def post_json(self, path, body):
        request = urllib.request.Request(self.base + path, data=json.dumps(body).encode(),
                                         headers={"Content-Type": "application/json", KEY_HEADER: self.key})
        with urllib.request.urlopen(request, timeout=60) as answer:
            return answer.status, answer.read()

    def transcription_status(self, wav, model="mlx-community/parakeet-tdt-0.6b-v3"):
        """The status and answer of a transcription of `wav` by `model`."""
        boundary = "quorvane-" + str(uuid.uuid4()).upper()
        request = urllib.request.Request(self.base + "v1/audio/transcriptions",
                                         data=transcription_body(wav, boundary, model),
                                         headers={"Content-Type": "multipart/form-data; boundary=" + boundary,
                                                  KEY_HEADER: self.key})
        try:
            with urllib.request.urlopen(request, timeout=120) as answer:
                return answer.status, json.loads(answer.read())
        except urllib.error.HTTPError as error:
            return error.code, json.loads(error.read())

    def transcribe(self, wav):
        status, answer = self.transcription_status(wav)
        self.assertEqual(status, 200)
        return answer["text"].lower()

    def status_of(self, method, path, headers, body=None):
        """The status of a request sent with exactly `headers` (and the Host
        http.client adds unless `headers` has one)."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            connection.putrequest(method, path, skip_host="Host" in headers)
            for name, value in headers.items():
                connection.putheader(name, value)
            connection.putheader("Content-Length", str(len(body or b"")))
            connection.endheaders(body)
            answer = connection.getresponse()
            answer.read()
            return answer.status
        finally:
            connection.close()

    def test_only_requests_with_the_key_and_without_a_page_behind_them_are_served(self):
        adapter = os.path.join(self.folder, "voice-adapter.npz")
        with open(adapter, "wb") as out:
            out.write(b"the user's adapter")
        own = "127.0.0.1:%d" % self.port
        refused = [
            ({"Origin": "http://example.invalid", KEY_HEADER: self.key}, 403),
            ({"Origin": "null", KEY_HEADER: self.key}, 403),
            ({"Host": "attacker.example:%d" % self.port, KEY_HEADER: self.key}, 403),
            ({"Host": "127.0.0.1:%d" % (self.port + 1), KEY_HEADER: self.key}, 403),
            ({}, 401),
            ({KEY_HEADER: "0" * len(self.key)}, 401),
            ({KEY_HEADER: self.key[:-1]}, 401),
        ]
        for headers, status in refused:
            for method, path in (("POST", "/v1/quorvane/adapt/clear"), ("GET", "/v1/models"),
                                 ("POST", "/v1/quorvane/bias")):
                with self.subTest(headers=headers, path=path):
                    self.assertEqual(self.status_of(method, path, headers, b'{"words": ["x"]}'), status)
        self.assertTrue(os.path.exists(adapter))
        # A form or a JSON body from a page is refused alike.
        self.assertEqual(self.status_of("POST", "/v1/audio/transcriptions",
                                        {"Origin": "http://example.invalid",
                                         "Content-Type": "multipart/form-data; boundary=x"}, b"--x--\r\n"), 403)
        for host in (own, "localhost:%d" % self.port, "LOCALHOST:%d" % self.port):
            with self.subTest(host=host):
                self.assertEqual(self.status_of("GET", "/v1/quorvane/adapt/status", {"Host": host, KEY_HEADER: self.key}),
                                 200)

    def handshake_status(self, headers):
        """The status a WebSocket handshake to the test endpoint is answered
        with, sent with `headers` (and this server's Host unless they have one)."""
        lines = ["GET /v1/test/socket HTTP/1.1", "Upgrade: websocket", "Connection: Upgrade",
                 "Sec-WebSocket-Key: " + base64.b64encode(os.urandom(16)).decode(), "Sec-WebSocket-Version: 13"]
        if "Host" not in headers:
            lines.append("Host: 127.0.0.1:%d" % self.port)
        lines += ["%s: %s" % header for header in headers.items()]
        with socket.create_connection(("127.0.0.1", self.port), timeout=30) as connection:
            connection.sendall(("\r\n".join(lines) + "\r\n\r\n").encode())
            answer = b""
            while b"\r\n" not in answer:
                chunk = connection.recv(4096)
                if not chunk:
                    break
                answer += chunk
        return int(answer.split(b" ", 2)[1])

    def test_a_websocket_handshake_is_refused_as_a_request_is(self):
        refused = [
            {"Origin": "http://example.invalid", KEY_HEADER: self.key},
            {"Origin": "null", KEY_HEADER: self.key},
            {"Host": "attacker.example:%d" % self.port, KEY_HEADER: self.key},
            {"Host": "127.0.0.1:%d" % (self.port + 1), KEY_HEADER: self.key},
            {},
            {KEY_HEADER: "0" * len(self.key)},
            {KEY_HEADER: self.key[:-1]},
        ]
        for headers in refused:
            with self.subTest(headers=headers):
                self.assertEqual(self.handshake_status(headers), 403)
        for host in ("127.0.0.1:%d" % self.port, "localhost:%d" % self.port):
            with self.subTest(host=host):
                self.assertEqual(self.handshake_status({"Host": host, KEY_HEADER: self.key}), 101)

    def test_only_the_applications_own_models_are_loaded(self):
        elsewhere = os.path.join(self.folder, "elsewhere")
        os.makedirs(elsewhere)
        np.savez(os.path.join(elsewhere, "weights.npz"), w=np.zeros(2, dtype=np.float32))
        take = flite_take("hello there", 1.5, self.folder)
        for model in (elsewhere, os.path.join(self.folder, "models", "..", "elsewhere"), "/usr/share",
                      "mlx-community/../../elsewhere", "../elsewhere"):
            with self.subTest(model=model):
                self.assertEqual(self.transcription_status(take, model)[0], 400)
                for path in ("v1/audio/speech", "v1/audio/speech_timed"):
                    with self.assertRaises(urllib.error.HTTPError) as failure:
                        self.post_json(path, {"model": model, "input": "Ready.", "response_format": "wav"})
                    self.assertEqual(failure.exception.code, 400)
        # A model folder of the engine's own is taken.
        own = os.path.join(self.folder, "models", "parakeet-tdt-0.6b-v3-bf16")
        os.makedirs(own, exist_ok=True)
        self.assertEqual(self.transcription_status(take, own)[0], 200)

    def test_transcription_of_flite_speech(self):
        heard = self.transcribe(flite_take(SENTENCE, 8.0, self.folder)).split()
        found = [word for word in SENTENCE.split() if word in heard]
        self.assertGreaterEqual(len(found), 7, heard)

    def test_the_recogniser_is_loaded_before_the_model_list_answers(self):
        self.assertGreaterEqual(self.decoders_when_first_answering, 2)

    def test_a_short_take_is_not_held_up_by_a_long_one_in_progress(self):
        # As a final take sent while a live preview is still being decoded.
        long_take = flite_take(" ".join([SENTENCE] * 3), 20.0, self.folder)
        short_take = flite_take("hello there", 1.5, self.folder)
        finished = []

        def send(name, wav):
            self.transcribe(wav)
            finished.append(name)

        long_request = threading.Thread(target=send, args=("long", long_take))
        long_request.start()
        time.sleep(0.5)
        send("short", short_take)
        long_request.join(120)
        self.assertEqual(finished, ["short", "long"])

    def test_a_body_over_64_mib_is_refused_with_413_before_it_is_read(self):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            connection.putrequest("POST", "/v1/audio/transcriptions")
            connection.putheader("Content-Type", "multipart/form-data; boundary=x")
            connection.putheader(KEY_HEADER, self.key)
            connection.putheader("Content-Length", str(MAX_BODY_BYTES + 1))
            connection.endheaders()
            self.assertEqual(connection.getresponse().status, 413)
        finally:
            connection.close()

    def test_a_body_sent_in_chunks_is_refused_with_413_once_it_passes_64_mib(self):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        try:
            connection.putrequest("POST", "/v1/audio/transcriptions")
            connection.putheader("Content-Type", "multipart/form-data; boundary=quorvane-x")
            connection.putheader(KEY_HEADER, self.key)
            connection.putheader("Transfer-Encoding", "chunked")
            connection.endheaders()
            body = transcription_body(b"\0" * (MAX_BODY_BYTES + 1), "quorvane-x")
            chunk = 1024 * 1024
            for start in range(0, len(body), chunk):
                piece = body[start:start + chunk]
                connection.send(b"%x\r\n%s\r\n" % (len(piece), piece))
            connection.send(b"0\r\n\r\n")
            self.assertEqual(connection.getresponse().status, 413)
        finally:
            connection.close()

    def test_speech_answers_with_a_wav(self):
        status, body = self.post_json("v1/audio/speech", {
            "model": "mlx-community/Kokoro-82M-bf16", "input": "Ready.", "voice": "af_heart", "speed": 1.0,
            "response_format": "wav"})
        self.assertEqual(status, 200)
        self.assertGreater(len(body), 100)
        self.assertEqual(body[:4], b"RIFF")

    def test_timed_speech_gives_24_khz_audio_and_increasing_word_times(self):
        status, body = self.post_json("v1/audio/speech_timed", {"input": "The quick brown fox jumps over the dog."})
        self.assertEqual(status, 200)
        answer = json.loads(body)
        self.assertEqual(answer["sample_rate"], 24000)
        with wave.open(io.BytesIO(base64.b64decode(answer["audio"])), "rb") as audio:
            self.assertEqual((audio.getframerate(), audio.getsampwidth(), audio.getnchannels()), (24000, 2, 1))
            self.assertAlmostEqual(audio.getnframes() / 24000.0, answer["duration"], places=6)
        words = answer["words"]
        self.assertEqual([word["text"] for word in words], "The quick brown fox jumps over the dog.".split())
        for earlier, later in zip(words, words[1:]):
            self.assertLess(earlier["start"], later["start"])
        for word in words:
            self.assertLessEqual(word["start"], word["end"])
            self.assertLessEqual(word["end"], answer["duration"] + 1e-6)

    def test_timed_speech_of_nothing_has_no_audio(self):
        status, body = self.post_json("v1/audio/speech_timed", {"input": ""})
        self.assertEqual((status, json.loads(body)),
                         (200, {"audio": None, "words": [], "sample_rate": 24000, "duration": 0.0}))

    def test_timed_speech_in_spanish_gives_the_spanish_words_with_their_own_times(self):
        text = "¿Qué tal, señor? El niño pagó 3,50 euros en la tienda."
        status, body = self.post_json("v1/audio/speech_timed", {"input": text, "voice": "ef_dora", "lang_code": "e"})
        answer = json.loads(body)
        self.assertEqual(status, 200)
        self.assertTrue(answer["audio"])
        self.assertEqual([word["text"] for word in answer["words"]], text.split())
        for earlier, later in zip(answer["words"], answer["words"][1:]):
            self.assertLess(earlier["start"], later["start"])
        self.assertLessEqual(answer["words"][-1]["end"], answer["duration"] + 1e-6)

    def test_a_request_without_input_fails_validation(self):
        with self.assertRaises(urllib.error.HTTPError) as failure:
            self.post_json("v1/audio/speech_timed", {"voice": "af_heart"})
        self.assertEqual(failure.exception.code, 422)


if __name__ == "__main__":
    unittest.main()
