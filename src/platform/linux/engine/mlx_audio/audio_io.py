"""16-bit PCM WAV reading and writing and sample-rate conversion."""

import io
import wave

import numpy as np


def read_wav(source):
    """Reads a PCM WAV (a path or bytes) as float samples in [-1, 1], mixed to
    mono, and its sample rate."""
    handle = io.BytesIO(source) if isinstance(source, (bytes, bytearray)) else source
    with wave.open(handle, "rb") as wav:
        rate, channels, width = wav.getframerate(), wav.getnchannels(), wav.getsampwidth()
        frames = wav.readframes(wav.getnframes())
    if width == 1:
        samples = (np.frombuffer(frames, dtype=np.uint8).astype(np.float32) - 128.0) / 128.0
    elif width == 2:
        samples = np.frombuffer(frames, dtype="<i2").astype(np.float32) / 32768.0
    elif width == 4:
        samples = np.frombuffer(frames, dtype="<i4").astype(np.float32) / 2147483648.0
    else:
        raise ValueError("unsupported sample width %d" % width)
    if channels > 1:
        samples = samples[: len(samples) // channels * channels].reshape(-1, channels).mean(axis=1)
    return samples, rate


def wav_bytes(samples, rate):
    """Encodes float samples as a mono 16-bit PCM WAV."""
    pcm = (np.clip(np.asarray(samples, dtype=np.float32), -1.0, 1.0) * 32767.0).astype("<i2")
    out = io.BytesIO()
    with wave.open(out, "wb") as wav:
        wav.setnchannels(1)
        wav.setsampwidth(2)
        wav.setframerate(int(rate))
        wav.writeframes(pcm.tobytes())
    return out.getvalue()


def resample(samples, from_rate, to_rate):
    """Linear-interpolation resampling, enough for speech."""
    samples = np.asarray(samples, dtype=np.float32)
    if from_rate == to_rate or len(samples) == 0:
        return samples
    count = int(round(len(samples) * float(to_rate) / float(from_rate)))
    positions = np.arange(count, dtype=np.float64) * (float(from_rate) / float(to_rate))
    return np.interp(positions, np.arange(len(samples)), samples).astype(np.float32)
