"""Arrays, data types and the buffer cache limit of the array framework,
backed by numpy. bfloat16 values are float32 values rounded to bfloat16
precision and tagged with the bfloat16 type."""

import numpy as np


class Dtype:
    def __init__(self, name, numpy_type):
        self.name = name
        self.numpy_type = numpy_type

    def __repr__(self):
        return "mlx.core." + self.name


float32 = Dtype("float32", np.float32)
bfloat16 = Dtype("bfloat16", np.float32)
float16 = Dtype("float16", np.float16)
int32 = Dtype("int32", np.int32)
int16 = Dtype("int16", np.int16)

_BY_NUMPY = {np.dtype(np.float32): float32, np.dtype(np.float16): float16,
             np.dtype(np.int32): int32, np.dtype(np.int16): int16}


def _to_bfloat16(values):
    """Rounds float32 values to the nearest bfloat16 (ties to even)."""
    bits = np.ascontiguousarray(values, dtype=np.float32).view(np.uint32)
    rounding = ((bits >> 16) & 1) + np.uint32(0x7FFF)
    return ((bits + rounding) & np.uint32(0xFFFF0000)).view(np.float32)


class array:
    def __init__(self, values, dtype=None):
        if isinstance(values, array):
            dtype = dtype or values.dtype
            values = values._values
        values = np.asarray(values)
        if dtype is None:
            dtype = _BY_NUMPY.get(values.dtype, float32)
            if dtype is float32 and values.dtype != np.float32:
                values = values.astype(np.float32)
        if dtype is bfloat16:
            values = _to_bfloat16(values)
        else:
            values = values.astype(dtype.numpy_type, copy=False)
        self._values = values
        self.dtype = dtype

    def astype(self, dtype):
        return array(self._values, dtype)

    def flatten(self):
        return array(self._values.reshape(-1), self.dtype)

    def tolist(self):
        return self._values.tolist()

    def __array__(self, dtype=None, copy=None):
        return self._values if dtype is None else self._values.astype(dtype)

    @property
    def shape(self):
        return self._values.shape

    @property
    def size(self):
        return self._values.size

    def __len__(self):
        return len(self._values)

    def __getitem__(self, index):
        return array(self._values[index], self.dtype)


def concatenate(arrays, axis=0):
    dtype = arrays[0].dtype if arrays and isinstance(arrays[0], array) else None
    return array(np.concatenate([np.asarray(a) for a in arrays], axis=axis), dtype)


_cache_limit = 0


def set_cache_limit(limit):
    """Sets the most bytes kept for reuse and returns the previous limit."""
    global _cache_limit
    previous, _cache_limit = _cache_limit, int(limit)
    return previous


def get_cache_limit():
    return _cache_limit


def compile(function):
    """The graph compiler: the stand-in runs `function` as it is."""
    return function


def eval(*_arrays):
    """Arrays here are always evaluated."""
    return None


def argmax(values, axis=None):
    """The index of the largest value (along `axis`), as int32."""
    return array(np.argmax(np.asarray(values), axis=axis).astype(np.int32), int32)
