#pragma once

#include <QByteArray>

// The two-note chime of a milestone, synthesised anew as a WAV file on every
// call. GUI thread.
namespace MilestoneTone {

inline constexpr double kSampleRate = 44100.0;
inline constexpr double kSeconds = 0.66;
inline constexpr float kVolume = 0.5F;

// The chime as a complete 16-bit mono PCM WAV file at `rate` lasting
// `seconds` (truncated to whole frames); empty when the length does not fit a
// WAV file.
QByteArray wav(double rate, double seconds);
// Plays the chime at half volume through the platform's audio players,
// ending a chime still sounding. Failures are silent.
void play();

} // namespace MilestoneTone
