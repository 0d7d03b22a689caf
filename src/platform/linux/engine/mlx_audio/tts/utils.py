"""The text-to-speech loader."""

SAMPLE_RATE = 24000


class SpeechModel:
    """A speech model by name; on Linux every name speaks with espeak-ng at
    24 kHz."""

    sample_rate = SAMPLE_RATE

    def __init__(self, name):
        self.name = name


_models = {}


def load_model(name):
    if name not in _models:
        _models[name] = SpeechModel(name)
    return _models[name]
