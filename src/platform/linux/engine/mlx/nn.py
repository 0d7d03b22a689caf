"""The neural-network module of the array framework: a model base class that
holds named parameters."""

from . import core as mx


class Module(dict):
    def parameters(self):
        return {key: value for key, value in self.items() if isinstance(value, mx.array)}

    def load_weights(self, weights):
        self.update(dict(weights))
        return self
