#pragma once

#include "engine/Transcriber.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What the microphone test makes of one take and the engine's answer to it:
// the one-line verdict and its colour, the copyable report, whether the
// engine repair is offered, the test button's label, and where the take is
// kept. Pure except saveWav(); any thread.
namespace MicTestVerdict {

// A peak level below this is silence.
inline constexpr float kSilenceLevel = 0.02F;
inline constexpr int kRecordSeconds = 3;
inline constexpr int kSampleRate = 16000;

enum class Color { Secondary, Red, Orange, Green };

struct Verdict {
    QString text;
    Color color = Color::Secondary;
    bool operator==(const Verdict&) const = default;
};

// What the recorder reported about the take.
struct Take {
    QString deviceName;  // "none" without an input device
    QString inputFormat; // "%.0f Hz, %d ch"
    qsizetype sampleCount = 0;
    float peakLevel = 0;
};

// The phases of one test; `secondsLeft` counts while Recording.
enum class Phase { Recording, Idle, Testing, Done };

// The engine error first (a port held by another account in its own words),
// then silence, then the answer (texts pass through the desktop's wording).
Verdict interpret(float peakLevel, const Transcriber::Diagnosis& diagnosis);
// The report's lines joined by line feeds; with `engineReplaced`, it says the
// engine had stopped answering and was replaced before the take was sent.
QString report(const Take& take, const Transcriber::Diagnosis& diagnosis, bool engineReplaced = false);
// Silence first: a silent take never offers the repair, nor a port held by
// another account; else every outcome but a 200 with words does.
bool canRepair(float peakLevel, const Transcriber::Diagnosis& diagnosis);
QString buttonLabel(Phase phase, int secondsLeft = 0);
// "Quorvane Native/diagnostics/mic-test.wav" under Application Support,
// replacing an earlier take; the path when a file is there afterwards.
std::optional<QString> saveWav(const QByteArray& wav);

} // namespace MicTestVerdict
