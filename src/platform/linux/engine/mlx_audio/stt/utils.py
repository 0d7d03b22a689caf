"""The speech-to-text loader."""

import mlx_audio.utils
from mlx_audio.stt.models.parakeet.parakeet import ParakeetTDT


def load_model(path_or_name):
    """Loads the recogniser named by a model folder or a hub name. The weights
    go through the package's weight loader looked up at call time, so a
    wrapper installed over it applies."""
    return ParakeetTDT(str(path_or_name), mlx_audio.utils.load_weights(path_or_name))
