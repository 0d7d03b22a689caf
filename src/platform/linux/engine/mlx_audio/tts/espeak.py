"""Speech synthesis with libespeak-ng through ctypes, returning the samples
and the start time of every word from espeak-ng's word events."""

import ctypes
import threading

import numpy as np

_AUDIO_OUTPUT_SYNCHRONOUS = 2
_EVENT_LIST_TERMINATED = 0
_EVENT_WORD = 1
_POS_CHARACTER = 1
_CHARS_UTF8 = 1
_RATE = 1
_DEFAULT_RATE = 175


class _Event(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("unique_identifier", ctypes.c_uint),
        ("text_position", ctypes.c_int),
        ("length", ctypes.c_int),
        ("audio_position", ctypes.c_int),
        ("sample", ctypes.c_int),
        ("user_data", ctypes.c_void_p),
        ("id", ctypes.c_char * 8),
    ]


_CALLBACK = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(ctypes.c_short), ctypes.c_int, ctypes.POINTER(_Event))

# espeak-ng keeps global state: one synthesis at a time.
_lock = threading.Lock()
_library = None
_sample_rate = 0


def _load():
    global _library, _sample_rate
    if _library is None:
        library = ctypes.CDLL("libespeak-ng.so.1")
        library.espeak_Initialize.restype = ctypes.c_int
        library.espeak_Initialize.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.c_int]
        library.espeak_SetSynthCallback.argtypes = [_CALLBACK]
        library.espeak_SetVoiceByName.argtypes = [ctypes.c_char_p]
        library.espeak_SetParameter.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int]
        library.espeak_Synth.argtypes = [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_uint, ctypes.c_int,
                                         ctypes.c_uint, ctypes.c_uint, ctypes.c_void_p, ctypes.c_void_p]
        rate = library.espeak_Initialize(_AUDIO_OUTPUT_SYNCHRONOUS, 0, None, 0)
        if rate <= 0:
            raise RuntimeError("espeak-ng did not initialise")
        _library, _sample_rate = library, rate
    return _library


def synthesize(text, voice="en-us", speed=1.0):
    """Returns (samples as float32 in [-1, 1], sample rate, words), where
    words are (text, start seconds, end seconds) in spoken order. A word ends
    where the next begins; the last ends with the audio."""
    with _lock:
        library = _load()
        chunks, starts = [], []

        def collect(wav, count, events):
            if wav and count > 0:
                chunks.append(np.ctypeslib.as_array(wav, shape=(count,)).copy())
            index = 0
            while events[index].type != _EVENT_LIST_TERMINATED:
                event = events[index]
                if event.type == _EVENT_WORD:
                    starts.append((event.text_position, event.length, event.audio_position / 1000.0))
                index += 1
            return 0

        callback = _CALLBACK(collect)
        library.espeak_SetSynthCallback(callback)
        library.espeak_SetVoiceByName(voice.encode())
        library.espeak_SetParameter(_RATE, max(80, min(450, int(round(_DEFAULT_RATE * speed)))), 0)
        encoded = text.encode("utf-8") + b"\0"
        library.espeak_Synth(encoded, len(encoded), 0, _POS_CHARACTER, 0, _CHARS_UTF8, None, None)
        rate = _sample_rate

    samples = (np.concatenate(chunks).astype(np.float32) / 32768.0) if chunks else np.zeros(0, np.float32)
    duration = len(samples) / float(rate)
    words = []
    for index, (position, length, start) in enumerate(starts):
        # Positions count code points from 1.
        word = text[position - 1: position - 1 + length].strip()
        end = starts[index + 1][2] if index + 1 < len(starts) else duration
        if word:
            words.append((word, min(start, duration), max(min(end, duration), min(start, duration))))
    return samples, rate, words
