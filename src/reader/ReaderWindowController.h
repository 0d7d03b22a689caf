#pragma once

#include "engine/EngineHttp.h"
#include "platform/AudioPlayer.h"
#include "reader/ReaderTimeline.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QPromise>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Defaults;
class ReadAloudStore;

// The read-along window's controller: reads one text as a whole through the
// speech engine's timed synthesis, plays it with the words' times as the
// timeline, publishes the playback position 30 times a second for the page,
// seeks, changes speed and saves the reading as M4A. One floating window,
// made on the first reading and hidden, never deleted, on close. Every
// reading, close and stop raises the generation; a reading compares it after
// each wait and, once stale, changes nothing. `preparing` never outlives its
// reading: a failed engine, a close or a stop clears it. The timeline, the
// audio and the text they were made from change together: a reading that
// fails leaves none of an earlier one behind, so Save never writes one
// reading's audio under another's name. GUI thread only.
class ReaderWindowController : public QObject {
    Q_OBJECT
public:
    // One synthesis with the time of every spoken word.
    struct TimedResult {
        struct Word {
            QString text;
            double start = 0; // seconds from the start of `audio`
            double end = 0;
            bool operator==(const Word&) const = default;
        };
        QByteArray audio; // a WAV file as the server made it
        QList<Word> words;
        double duration = 0; // seconds; 0 when the answer gave none
    };

    // What the controller reaches outside itself; `standard()` wires the real
    // parts but the pronunciation list, which whoever makes the controller
    // hands in; tests put in their own.
    struct Services {
        std::function<QFuture<bool>()> ensureEngine;
        std::function<QFuture<std::optional<TimedResult>>(const QString& text, const QString& voice)> synthesize;
        std::function<QString()> selectedVoice;
        // Made on use; none means nothing can play.
        std::function<AudioPlayer::Factory*()> players;
        // The save panel: the chosen file for a proposed name, or none when cancelled.
        std::function<std::optional<QString>(QWidget* parent, const QString& proposedName)> chooseDestination;
        // The audio converter (ffmpeg); empty when none is installed.
        QString converter;
        // Shows a saved file in the file manager.
        std::function<void(const QString& path)> reveal;
        // The frontmost application's name for the window trace; empty for none.
        std::function<QString()> frontmostName;
        // Whether the window is on the desktop the user is on.
        std::function<bool(const QWidget& window)> onCurrentDesktop;
        std::function<void(const QString& line)> trace;
        // The user's pronunciations; none reads every word as written.
        const ReadAloudStore* readings = nullptr;
        // Off in unit tests that need no window.
        bool makesWindow = true;

        static Services standard();
    };

    static constexpr std::chrono::seconds kTimedTimeout{900};
    static constexpr std::chrono::milliseconds kTickInterval{1000 / 30};
    static constexpr int kWindowWidth = 580;
    static constexpr int kWindowHeight = 780;
    static constexpr int kMinimumWidth = 420;
    static constexpr int kMinimumHeight = 460;
    // The window level reported while it stays on top (a floating window's).
    static constexpr int kFloatingLevel = 3;
    static constexpr double kDefaultRate = 1.0;
    static const QString kWindowTitle;

    static const QString kCouldNotRead;
    static const QString kNoWords;
    static const QString kCouldNotPlay;
    static const QString kCouldNotSave; // followed by the error's description
    static const QString kCouldNotConvert;
    // Save found another reading (or none) once the save panel closed.
    static const QString kReadingChanged;

    explicit ReaderWindowController(Services services, QObject* parent = nullptr);
    ~ReaderWindowController() override;

    const ReaderTimeline& timeline() const { return m_timeline; }
    double currentTime() const { return m_currentTime; }
    bool isPlaying() const { return m_isPlaying; }
    bool preparing() const { return m_preparing; }
    const std::optional<QString>& status() const { return m_status; }
    double rate() const { return m_rate; }
    bool exporting() const { return m_exporting; }
    quint64 generation() const { return m_generation; }
    bool hasPlayer() const { return m_player != nullptr; }
    AudioPlayer* player() const { return m_player.get(); }
    // The window once made (hidden or shown), else null.
    QWidget* window() const { return m_window; }

    // The whole read-along reading of `text`; finishes when playback has
    // started, failed or the reading went stale.
    QFuture<void> read(const QString& text);
    // Makes the window on first use, shows it on top without taking focus.
    void show();
    // Jumps to a word: keeps playing when playing; when paused, plays from it.
    void seekToWord(int index);
    // Also sets the live player's speed; a new reading keeps it.
    void setRate(double rate);
    // Saves the reading as M4A through the save panel and the converter; the
    // user's existing file is replaced only by a finished conversion. Nothing
    // while an export runs or without audio; nothing, and `kReadingChanged`,
    // when another reading (or a failed one) replaced the audio while the
    // panel was open. Finishes when done.
    QFuture<void> exportAudio();
    // Stops the ticker and the player; not playing, at 0.
    void stopPlayback();
    // The reader's stop: a new generation, playback stopped, nothing
    // preparing. The window stays.
    void stop();
    void hide();
    // stop() and hide().
    void stopEverything();

    // The page's transport: play or pause; step by whole sentences; scrub.
    void togglePlayback();
    void skip(double seconds);
    void scrub(double seconds);

    // The window, player and ticker callbacks.
    void windowClosed();
    void playerFinished();
    void tick();

    // "<label> onActiveSpace=… visible=… level=… frame={{x, y}, {w, h}} screens=… frontmost=…".
    QString describe(const QString& label) const;

    static constexpr int kNameWords = 6;
    static constexpr int kNameCharacters = 60;

    // POSTs the text to "v1/audio/speech_timed" of the speech server (of
    // `server` when given) at normal speed; playback applies the rate. The
    // future finishes on the GUI thread; nothing on any failure.
    static QFuture<std::optional<TimedResult>> synthesizeTimed(const QString& text, const QString& voice);
    static QFuture<std::optional<TimedResult>> synthesizeTimed(const QString& text, const QString& voice,
                                                               const QUrl& server);
    // The request body, for the client and its tests.
    static QByteArray timedRequestBody(const QString& text, const QString& voice);
    // Reads one answer: status 200, a JSON object whose "audio" is strict
    // Base64; words lacking a string "text" or numeric "start"/"end" are
    // skipped one by one; a missing or non-numeric "duration" gives 0.
    static std::optional<TimedResult> decodeTimedAnswer(const HttpAnswer& answer);

    // The first words of the text (at most six, at most 60 characters) and
    // ".m4a"; "Reading.m4a" when no word is left.
    static QString suggestedName(const QString& text);

    // "Quorvane/reader-window.log" in Application Support.
    static QString traceFile();
    // Appends "<ISO 8601 time>  <message>" to the trace log when
    // QUORVANE_READER_TRACE is "1" or "readerWindowTrace" is on; nothing
    // otherwise. Errors are swallowed.
    static void trace(const QString& message);
    static void trace(const QString& message, const Defaults& defaults);

signals:
    void timelineChanged();
    void positionChanged();
    // preparing, status, isPlaying, rate, exporting or the player changed.
    void stateChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isStale(quint64 generation) const { return generation != m_generation; }
    // Finishes the promise unless it is finished already.
    static void finish(const std::shared_ptr<QPromise<void>>& promise);
    void afterEngine(quint64 generation, const QString& text, const QString& prepared, const QString& voice,
                     const std::shared_ptr<QPromise<void>>& promise);
    void afterSynthesis(quint64 generation, const std::optional<TimedResult>& result, const QString& text,
                        const QString& voice);
    // Says why nothing can be read and forgets the earlier reading.
    void failReading();
    void startPlayback(const QByteArray& wav);
    // Starts or resumes the player; an output that refuses says so.
    bool startPlayer();
    void setPreparing(bool preparing);
    void setStatus(const std::optional<QString>& status);
    void setPlaying(bool playing);
    void setCurrentTime(double time);
    void setExporting(bool exporting);
    void traceLine(const QString& line) const;
    QWidget* makeWindow();

    Services m_services;
    ReaderTimeline m_timeline;
    double m_currentTime = 0;
    bool m_isPlaying = false;
    bool m_preparing = false;
    std::optional<QString> m_status;
    double m_rate = kDefaultRate;
    QString m_sourceText;
    bool m_exporting = false;
    std::unique_ptr<AudioPlayer> m_player;
    QPointer<QWidget> m_window;
    QTimer m_ticker;
    std::optional<QByteArray> m_wav;
    // Raised whenever `m_wav` changes, so a save can tell its reading is gone.
    quint64 m_audioSerial = 0;
    quint64 m_generation = 0;
};
