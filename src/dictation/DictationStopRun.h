#pragma once

// What the files of the dictation controller share: the values of one run
// from the stop to the insertion, and the clock and the take lengths they
// are measured with. Private to the controller's files.

#include "audio/WavData.h"
#include "cleanup/DictationMode.h"
#include "dictation/DictationController.h"
#include "insertion/AXText.h"

#include <QByteArray>
#include <QPromise>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

using Clock = std::chrono::steady_clock;

inline constexpr double kSampleRate = WavData::kSampleRate;
// A take shorter than this is dropped without a word.
inline constexpr double kShortestTakeSeconds = 0.4;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The values of one run from the stop to the insertion.
struct DictationController::StopRun {
    int take = 0;
    QPromise<void> done;
    QByteArray wav;
    qint64 sampleCount = 0;
    // The loudest sample of the take, for telling silence from a quiet microphone.
    float peak = 0;
    // A kept take the engine failed on, sent again.
    bool retry = false;
    // The stop's trigger (or the retry's): the program's own time is counted from here.
    Clock::time_point stopped = Clock::now();
    Clock::time_point transcriptionStart;
    Clock::time_point cleanupStart;
    bool translate = false;
    // Whether the translation mark was taken for this run (once, however often it is sent).
    bool markTaken = false;
    // Sent to a server that answered a moment ago, without asking it again.
    bool serverTaken = false;
    QString raw;
    DictationMode mode;
    QString text;
    QString final;
    std::optional<QString> original;
    std::optional<QString> originalLanguage;
    std::optional<QString> translatedTo;
    // What the desktop answered when this run asked for reading around the
    // caret, until the user has been told.
    std::optional<bool> readingAnswer;
    // Whether the engine has answered (the last time it was asked).
    bool answered = false;
    // The caret's surroundings in the target, read while the engine worked, and when.
    std::optional<AXText::CaretContext> caret;
    Clock::time_point caretRead;
    // That read, begun at the stop so that the target answers while the take is sent.
    std::unique_ptr<AXText::CaretContextRead> caretAhead;
    // Whether the target has taken the pasted text (or stopped being waited for).
    bool pasteTaken = false;
    // Whether this run told the user about reading around the caret; that
    // message stays up instead of the card decision's hide.
    bool toldAboutReading = false;
    // Whether the text is in the history (pasted or copied).
    bool recorded = false;
    // Whether this run holds Return back from the target.
    bool holdsReturn = false;
    QStringList traceLines;
};
