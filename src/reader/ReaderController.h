#pragma once

#include "platform/AudioPlayer.h"
#include "platform/SystemSpeech.h"

#include <QByteArray>
#include <QFuture>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AppState;
class BubbleControl;
class ReadAloudStore;

// The read-aloud engine: takes the selection or a text handed in, prepares it
// for speech, chooses a voice, cuts it into chunks and plays the speech
// engine's answer for each, the next chunk's request running while the
// current one plays (never more than one chunk ahead of it) and its audio
// queued behind it on the same open output.
// Text in a language no engine voice speaks goes to the desktop's own
// synthesizer. One voice at a time: a reading here stops the read-along
// window's, and one handed to that window stops this one. Sound that cannot
// be played is skipped and said once per reading. Every reading, stop and
// stopEverything raises the generation; a run compares it after every wait
// and, once stale, touches nothing. A reading cut short by a stop or by a
// newer reading ends with its future cancelled, so whoever reads piece by
// piece (the translated reading, a greeting and its sequel) stops there
// instead of going on with the next piece. A player that never reports its
// end is given up after its duration and a margin. GUI thread only.
class ReaderController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isReading READ isReading NOTIFY isReadingChanged)
public:
    // How long past its duration a player that never reports its end is waited for.
    static constexpr std::chrono::milliseconds kWatchdogMargin{2000};

    // What the reader asks of the program around it; `standard()` wires the
    // real parts but the pronunciation list, which whoever makes the reader
    // hands in; tests put in their own.
    struct Services {
        // Waits for the speech engine; the answer is not consulted.
        std::function<QFuture<bool>()> ensureEngine;
        // The speech server's address.
        QUrl server;
        // The user's voice ("readerVoice" through the voice table).
        std::function<QString()> selectedVoice;
        // Whether a selection is read in the read-along window.
        std::function<bool()> readAlongWindow;
        std::function<QFuture<std::optional<QString>>(QObject* context)> selectedText;
        std::function<void(const QString& line)> trace;
        // The user's pronunciations; none reads every word as written.
        const ReadAloudStore* readings = nullptr;
        // How long past its duration a player that never reports its end is waited for.
        std::chrono::milliseconds watchdogMargin = kWatchdogMargin;

        static Services standard();
    };

    // The parts of the program a reading reaches into; a missing one is skipped.
    struct Peers {
        BubbleControl* bubble = nullptr;
        // The selection clean-up chip's pending look at the selection.
        std::function<void()> cancelSelectionPoll;
        // Reads a text in the read-along window; finishes when it has.
        std::function<QFuture<void>(const QString& text)> readAlong;
        // Raises the read-along window's generation and stops its playback.
        std::function<void()> stopReadAlong;
        // Hides the read-along window.
        std::function<void()> hideReadAlong;
        std::function<void()> hideTranslateBar;
        // Ends a running translated reading (the translator's run counter).
        std::function<void()> abandonTranslatedReading;
    };

    static constexpr std::chrono::seconds kSynthesisTimeout{120};
    // A reply this long or shorter holds no speech.
    static constexpr int kMinimumSpeechBytes = 100;
    static constexpr std::chrono::milliseconds kFlashShown{2200};

    // `state` must outlive the reader.
    ReaderController(AppState& state, Services services, QObject* parent = nullptr);
    ~ReaderController() override;

    void setPeers(Peers peers) { m_peers = std::move(peers); }
    const Peers& peers() const { return m_peers; }

    bool isReading() const { return m_isReading; }
    quint64 generation() const { return m_generation; }

    // Reads the frontmost application's selection: in the read-along window
    // when "readAlongWindow" is on, else directly; flashes when none is found.
    QFuture<void> readSelection();
    // Reads `text`; finishes once playback has ended or failed, and is
    // cancelled when a stop or a newer reading cut it short. `voiceOverride`
    // replaces the voice the reader would choose.
    QFuture<void> speak(const QString& text, const std::optional<QString>& voiceOverride = std::nullopt,
                        double speed = 1.0, float volume = 1.0f);
    // The desktop synthesizer for `text` (unprepared) in `language`.
    QFuture<void> speakWithSystemVoice(const QString& text, const QString& language);
    // The user's stop: ends every reading road, this engine's, the translated
    // reading and the read-along window's playback.
    void stop();
    // Also hides the translate bar and the read-along window.
    void stopEverything();

    // One request to "v1/audio/speech"; the WAV bytes, or nothing for a
    // failure or a reply of 100 bytes or less.
    static QFuture<std::optional<QByteArray>> synthesize(const QUrl& server, const QString& text, const QString& voice,
                                                         double speed);
    static QByteArray speechRequestBody(const QString& text, const QString& voice, double speed);
    // The best installed desktop voice for the language: premium, else
    // enhanced, else the first.
    static std::optional<SystemSpeech::Voice> systemVoice(const QString& language);

signals:
    void isReadingChanged();

private:
    struct Run;
    using RunPtr = std::shared_ptr<Run>;

    bool isStale(const RunPtr& run) const;
    // Ends this engine's reading only: a new generation, the sound stopped,
    // the waits resumed. What a new reading does before it starts.
    void halt();
    void setReading(bool reading);
    void afterEngine(const RunPtr& run);
    QFuture<std::optional<QByteArray>> requestChunk(const RunPtr& run, qsizetype index);
    void awaitChunk(const RunPtr& run, qsizetype index, QFuture<std::optional<QByteArray>> audio);
    // Asks for the run's next chunk, if one is due; at most one is made ahead
    // of the chunk playing.
    void requestNextChunk(const RunPtr& run);
    // Appends a chunk's audio to the open output, or starts one; false when
    // the audio cannot be played at all.
    bool queueAudio(const RunPtr& run, const QByteArray& wav);
    // The output reached the end of what was queued.
    void afterPlayback(const RunPtr& run);
    // Gives a player that never reports its end until the end of what it holds.
    void armWatchdog();
    void finishReading(const RunPtr& run);
    // Starts a player; the run's playback goes on at its end. False, and
    // nothing goes on, when the audio cannot be played.
    bool play(const RunPtr& run, const QByteArray& wav);
    // Flashes that sound could not be played, the first time in a run.
    void tellUnplayable(const RunPtr& run);
    // Stops the read-along window's playback: one voice at a time.
    void silenceReadAlong();
    void resumePlayback();
    void finishSystemSpeech();
    void flash(const QString& message);
    void trace(const QString& line) const;

    AppState& m_state;
    Services m_services;
    Peers m_peers;
    quint64 m_generation = 0;
    bool m_isReading = false;
    float m_playbackVolume = 1.0f;
    std::unique_ptr<AudioPlayer> m_player;
    std::function<void()> m_playbackContinuation;
    std::function<void()> m_speechContinuation;
    // Runs when the chunk queued last starts playing.
    std::function<void()> m_nextRequest;
    QTimer m_nextChunkTimer;
    QTimer m_watchdog;
};
