#pragma once

#include <QByteArray>
#include <QList>

#include <optional>
#include <span>

// The audio form every client of the speech server sends: a WAV file of 16-bit
// PCM, mono, at the speech engine's rate. Pure functions, any thread.
namespace WavData {

// The rate of the samples the encoder takes and the header states.
inline constexpr int kSampleRate = 16000;

// A 16-bit PCM mono 16 kHz WAV file of `samples` (the canonical 44-byte header,
// then the data). Samples are clamped to [-1, 1] and scaled by 32767, truncated
// toward zero; a NaN becomes silence.
QByteArray encode(std::span<const float> samples);
QByteArray encode(const QList<float>& samples);
// The samples of a file in the layout `encode` writes, scaled back to [-1, 1];
// nothing for any other layout or a data size the file does not hold.
std::optional<QList<float>> decode(const QByteArray& wav);

} // namespace WavData
