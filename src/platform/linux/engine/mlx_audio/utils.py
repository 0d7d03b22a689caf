"""Weight loading shared by the recogniser and the speech models."""

import glob
import os

import numpy as np

import mlx.core as mx


def load_weights(path):
    """Loads every array of the ".npz" files in the model folder `path`
    (none when the folder holds none, as a hub name does) by name."""
    weights = {}
    if os.path.isdir(str(path)):
        for file in sorted(glob.glob(os.path.join(str(path), "*.npz"))):
            with np.load(file, allow_pickle=False) as stored:
                for name in stored.files:
                    weights[name] = mx.array(stored[name])
    return weights
