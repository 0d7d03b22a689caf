"""The speech-to-text loader and audio loader."""

import numpy as np

import mlx.core as mx
import mlx_audio.utils
from mlx_audio.audio_io import read_wav, resample
from mlx_audio.stt.models.parakeet.parakeet import ParakeetTDT


def load_model(path_or_name):
    """Loads the recogniser named by a model folder or a hub name. The weights
    go through the package's weight loader looked up at call time, so a
    wrapper installed over it applies."""
    return ParakeetTDT(str(path_or_name), mlx_audio.utils.load_weights(path_or_name))


def load_audio(path, sample_rate, dtype=mx.float32):
    """A WAV file as mono samples in [-1, 1] at `sample_rate`, of type `dtype`."""
    samples, rate = read_wav(path)
    return mx.array(np.asarray(resample(samples, rate, sample_rate), dtype=np.float32), dtype)
