"""The recogniser's front end: log-mel features computed as the acoustic
model's own front end does (its "feat.params": 25 filters from 130 to 6800 Hz,
25.625 ms Hamming windows every 10 ms, pre-emphasis 0.97, 512-point FFT), and
the cepstra the acoustic model reads (DCT of the log-mel energies, lifter 22).
Features have one row per frame and one column per mel channel; an adapter may
change them between the two steps.

The digital silence at the two ends of a take (exact zeros, as a microphone
stream holds before and after the sound) is left out of the features: the
acoustic model takes off the mean cepstrum of the whole take, and frames of
nothing at the ends would make that mean, and with it every frame, depend on
how long the take ran before and after the speaker."""

import numpy as np

import mlx.core as mx


class PreprocessArgs:
    def __init__(self, sample_rate=16000, features=25, window_size=0.025625, window_stride=0.01, n_fft=512,
                 lower_frequency=130.0, upper_frequency=6800.0, preemphasis=0.97, cepstra=13, lifter=22):
        self.sample_rate = sample_rate
        self.features = features
        self.window_size = window_size
        self.window_stride = window_stride
        self.n_fft = n_fft
        self.lower_frequency = lower_frequency
        self.upper_frequency = upper_frequency
        self.preemphasis = preemphasis
        self.cepstra = cepstra
        self.lifter = lifter

    @property
    def win_length(self):
        return int(round(self.window_size * self.sample_rate))

    @property
    def hop_length(self):
        return int(round(self.window_stride * self.sample_rate))


# 16-bit sample scale: the acoustic model's energies are of 16-bit samples.
_PCM_SCALE = 32768.0
# The floor of the filter-bank energies before the logarithm.
_ENERGY_FLOOR = 1e-4
_FILTERS = {}


def _mel(hz):
    return 2595.0 * np.log10(1.0 + hz / 700.0)


def _mel_inverse(mel):
    return 700.0 * (10.0 ** (mel / 2595.0) - 1.0)


def mel_filters(args):
    """Triangular filters of unit area, their corners rounded to FFT bins."""
    key = (args.sample_rate, args.n_fft, args.features, args.lower_frequency, args.upper_frequency)
    if key not in _FILTERS:
        bins = args.n_fft // 2 + 1
        bin_hz = args.sample_rate / float(args.n_fft)
        low, high = _mel(args.lower_frequency), _mel(args.upper_frequency)
        step = (high - low) / (args.features + 1)
        hz = np.arange(bins) * bin_hz
        filters = np.zeros((args.features, bins))
        for index in range(args.features):
            left, centre, right = (round(_mel_inverse(low + (index + k) * step) / bin_hz) * bin_hz for k in range(3))
            inside = (hz >= left) & (hz <= right) & (np.arange(bins) < bins - 1)
            rising = (hz - left) / (centre - left)
            falling = (right - hz) / (right - centre)
            filters[index] = np.where(inside, np.minimum(rising, falling) * 2.0 / (right - left), 0.0)
        _FILTERS[key] = filters
    return _FILTERS[key]


def sound_span(samples):
    """(first, end) of the samples between the exact zeros at the two ends of
    `samples`; all of them when all are zero, so that a take of silence is
    still heard (and a recogniser that cannot hear fails on it)."""
    values = np.asarray(samples, dtype=np.float64).reshape(-1)
    sounding = np.flatnonzero(values != 0)
    return (int(sounding[0]), int(sounding[-1]) + 1) if sounding.size else (0, int(values.size))


def get_logmel(audio, args):
    """Natural-log mel energies of `audio` (samples in [-1, 1], an array of any
    type) between the digital silence at its ends, as float32, shape (frames,
    features); the first frame starts at sample `sound_span(audio)[0]`."""
    samples = np.asarray(audio, dtype=np.float64).reshape(-1) * _PCM_SCALE
    first, end = sound_span(samples)
    samples = samples[first:end]
    if samples.size == 0:
        return mx.array(np.zeros((0, args.features), np.float32))
    samples = np.append(samples[:1], samples[1:] - args.preemphasis * samples[:-1])
    width, hop = args.win_length, args.hop_length
    if samples.size < width:
        samples = np.pad(samples, (0, width - samples.size))
    count = 1 + (samples.size - width) // hop
    frames = samples[np.arange(width)[None, :] + hop * np.arange(count)[:, None]] * np.hamming(width)
    power = np.abs(np.fft.rfft(frames, args.n_fft)) ** 2
    energies = power @ mel_filters(args).T
    return mx.array(np.log(np.maximum(energies, _ENERGY_FLOOR)).astype(np.float32))


def cepstra(features, args):
    """The acoustic model's cepstra of log-mel `features` (frames, features):
    an orthonormal DCT-II of each frame, then the sine lifter."""
    values = np.asarray(features, dtype=np.float64).reshape(-1, args.features)
    rows = np.arange(args.cepstra)[:, None]
    columns = np.arange(args.features)[None, :]
    basis = np.cos(np.pi * rows * (columns + 0.5) / args.features) * np.sqrt(2.0 / args.features)
    basis[0, :] = np.sqrt(1.0 / args.features)
    lifter = 1.0 + args.lifter / 2.0 * np.sin(np.pi * np.arange(args.cepstra) / args.lifter)
    return ((values @ basis.T) * lifter).astype(np.float32)
