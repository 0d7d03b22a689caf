"""A small transducer over the recogniser's log-mel features, used to fit a
voice adapter: an encoder (four frames stacked, one tanh layer), a stateless
prediction network (an embedding of the previous piece, the blank's zero) and
a joint network (tanh of their sum, one linear layer to the pieces, the blank
and the durations). Its forward pass keeps what the exact gradient of its
log-probabilities with respect to the input features needs.

Run as a program it writes its weights, made from a fixed seed, to the ".npz"
file named on the command line, for the model folder."""

import sys

import numpy as np

STACK = 4
HIDDEN = 48
SEED = 20260
PREFIX = "transducer."


def make_weights(features, outputs, seed=SEED):
    """Weights for `features` mel channels and `outputs` joint outputs (the
    pieces, the blank, then the durations)."""
    generator = np.random.default_rng(seed)
    inputs = features * STACK
    return {
        PREFIX + "encoder.weight": (generator.standard_normal((inputs, HIDDEN)) / np.sqrt(inputs)).astype(np.float32),
        PREFIX + "encoder.bias": np.zeros(HIDDEN, np.float32),
        PREFIX + "decoder.embedding": (generator.standard_normal((outputs, HIDDEN)) * 0.5).astype(np.float32),
        PREFIX + "joint.weight": (generator.standard_normal((HIDDEN, outputs)) / np.sqrt(HIDDEN)).astype(np.float32),
        PREFIX + "joint.bias": np.zeros(outputs, np.float32),
    }


class Transducer:
    def __init__(self, weights, blank):
        self.blank = blank
        self.encoder_weight = np.asarray(weights[PREFIX + "encoder.weight"], dtype=np.float64)
        self.encoder_bias = np.asarray(weights[PREFIX + "encoder.bias"], dtype=np.float64)
        self.embedding = np.asarray(weights[PREFIX + "decoder.embedding"], dtype=np.float64)
        self.joint_weight = np.asarray(weights[PREFIX + "joint.weight"], dtype=np.float64)
        self.joint_bias = np.asarray(weights[PREFIX + "joint.bias"], dtype=np.float64)

    @staticmethod
    def encoded_length(frames):
        return frames // STACK

    def encoder(self, features, frames):
        """(encoded frames, hidden) and what the gradient needs."""
        features = np.asarray(features, dtype=np.float64).reshape(-1, features.shape[-1])[:frames]
        count = self.encoded_length(frames)
        stacked = features[: count * STACK].reshape(count, -1)
        encoded = np.tanh(stacked @ self.encoder_weight + self.encoder_bias)
        return encoded, (features.shape, encoded)

    def decoder(self, tokens):
        """One row per position of [blank] + pieces; the blank's row is zero."""
        tokens = np.asarray(tokens, dtype=np.int64)
        rows = self.embedding[tokens]
        rows[tokens == self.blank] = 0.0
        return rows

    def joint(self, encoded, predicted):
        """(frames, positions, outputs) scores and the hidden layer."""
        hidden = np.tanh(encoded[:, None, :] + predicted[None, :, :])
        return hidden @ self.joint_weight + self.joint_bias, hidden

    def log_probs(self, features, tokens):
        """Log-probabilities (frames, len(tokens) + 1, blank + 1) of the pieces
        and the blank for `features` (frames, channels), and the function
        taking their gradient to the gradient of the features."""
        features = np.asarray(features)
        encoded, (shape, _) = self.encoder(features, features.shape[-2])
        predicted = self.decoder([self.blank] + list(tokens))
        scores, hidden = self.joint(encoded, predicted)
        scores = scores[..., : self.blank + 1]
        shifted = scores - scores.max(axis=-1, keepdims=True)
        log_probs = shifted - np.log(np.exp(shifted).sum(axis=-1, keepdims=True))

        def pullback(gradient):
            gradient = np.asarray(gradient, dtype=np.float64)
            probs = np.exp(log_probs)
            d_scores = gradient - probs * gradient.sum(axis=-1, keepdims=True)
            d_hidden = d_scores @ self.joint_weight[:, : self.blank + 1].T
            d_inner = d_hidden * (1.0 - hidden ** 2)
            d_encoded = d_inner.sum(axis=1) * (1.0 - encoded ** 2)
            d_stacked = d_encoded @ self.encoder_weight.T
            d_features = np.zeros(shape)
            d_features[: d_stacked.shape[0] * STACK] = d_stacked.reshape(-1, shape[-1])
            return d_features.reshape(features.shape)

        return log_probs, pullback


if __name__ == "__main__":
    from mlx_audio.stt.models.parakeet.audio import PreprocessArgs
    from mlx_audio.stt.models.parakeet.parakeet import DURATIONS, VOCABULARY

    np.savez(sys.argv[1], **make_weights(PreprocessArgs().features, len(VOCABULARY) + 1 + len(DURATIONS)))
