"""Speech synthesis with libespeak-ng through ctypes, returning the samples
and the words of the text read, each timed by espeak-ng's word events."""

import bisect
import ctypes
import re
import threading
import unicodedata

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


def word_spans(text, positions):
    """The (start, end) code-point spans of the words of `text`: its runs of
    non-space characters, each with the punctuation written against it. A run
    is cut only where a word event falls on a letter after a letter or after
    wide punctuation, as in scripts written without spaces."""
    cuts = sorted(set(positions))
    spans = []
    for run in re.finditer(r"\S+", text):
        begin = run.start()
        for at in cuts[bisect.bisect_right(cuts, run.start()):bisect.bisect_left(cuts, run.end())]:
            before = text[at - 1]
            wide_mark = unicodedata.category(before).startswith("P") and unicodedata.east_asian_width(before) in "WF"
            if text[at].isalpha() and (before.isalpha() or wide_mark):
                spans.append((begin, at))
                begin = at
        spans.append((begin, run.end()))
    return spans


def timed_words(text, marks, duration):
    """The words of `text` as (text, start, end), in order. `marks` are the
    word events as (code-point offset, seconds) in spoken order; a word takes
    the earliest event that falls in it (espeak-ng reports a number or a sum
    of money as several events). A word with no event of its own ("the", which
    espeak-ng joins to its neighbour) shares the time between its timed
    neighbours by length, so no word of the text is dropped. A word ends where
    the next begins; the last ends with the audio."""
    spans = word_spans(text, [offset for offset, _ in marks])
    if not spans:
        return []
    starts = [begin for begin, _ in spans]
    times = [None] * len(spans)
    for offset, seconds in marks:
        index = max(0, bisect.bisect_right(starts, offset) - 1)
        seconds = min(max(seconds, 0.0), duration)
        if times[index] is None or seconds < times[index]:
            times[index] = seconds
    # Spoken order: a word never starts before the one written before it.
    latest = 0.0
    for index, seconds in enumerate(times):
        if seconds is not None:
            latest = max(latest, seconds)
            times[index] = latest
    timed = [index for index, seconds in enumerate(times) if seconds is not None]
    anchors = [(0, 0.0)] if not timed or timed[0] != 0 else []
    anchors += [(index, times[index]) for index in timed] + [(len(spans), duration)]
    for (first, begin), (last, end) in zip(anchors, anchors[1:]):
        lengths = [spans[index][1] - spans[index][0] for index in range(first, last)]
        total, before = float(sum(lengths)), 0
        for index, length in zip(range(first, last), lengths):
            times[index] = begin + (end - begin) * (before / total if total else 0.0)
            before += length
    return [(text[begin:end], times[index], times[index + 1] if index + 1 < len(spans) else duration)
            for index, (begin, end) in enumerate(spans)]


def synthesize(text, voice="en-us", speed=1.0):
    """Returns (samples as float32 in [-1, 1], sample rate, words), where
    words are the slices of `text` as (text, start seconds, end seconds), in
    the order written (see `timed_words`)."""
    with _lock:
        library = _load()
        chunks, marks = [], []

        def collect(wav, count, events):
            if wav and count > 0:
                chunks.append(np.ctypeslib.as_array(wav, shape=(count,)).copy())
            index = 0
            while events[index].type != _EVENT_LIST_TERMINATED:
                event = events[index]
                if event.type == _EVENT_WORD:
                    # Positions count code points from 1.
                    marks.append((event.text_position - 1, event.audio_position / 1000.0))
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
    return samples, rate, (timed_words(text, marks, duration) if marks else [])
