#pragma once

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class Recorder;

// Tunes the speech recogniser to one voice and keeps the tuning only when it
// helps: the user reads twelve sentences to learn from and four held back; the
// recogniser's word errors on the four are measured, the server fits an
// adapter on the twelve and puts it in force for itself alone, the four are
// measured again, and the server stores the adapter only when the errors
// strictly fell. The adapter stored before stays in force until then: the
// first measurement is made with it, and a run that fails or is not better
// discards only what it fitted, so dictation then works exactly as before; a
// run cut short (the program quits) stores and deletes nothing. Only turning
// the tuning off deletes the stored adapter.
//
// GUI thread only. Takes stay in memory and go only to the local speech server.
class VoiceTuning : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        enum class Kind { AlreadyPerfect, Better, NotBetter, TurnedOff };
        Kind kind = Kind::TurnedOff;
        int before = 0;
        int after = 0;
        int words = 0;

        static Outcome alreadyPerfect(int words) { return {Kind::AlreadyPerfect, 0, 0, words}; }
        static Outcome better(int before, int after, int words) { return {Kind::Better, before, after, words}; }
        static Outcome notBetter(int before, int after, int words) { return {Kind::NotBetter, before, after, words}; }
        static Outcome turnedOff() { return {Kind::TurnedOff, 0, 0, 0}; }
        bool operator==(const Outcome&) const = default;
    };

    struct Phase {
        enum class Kind { Recording, MeasuringBefore, Tuning, MeasuringAfter, Done, Failed, Idle };
        Kind kind = Kind::Idle;
        // Recording: takes captured before this one; MeasuringBefore/After:
        // held-back takes transcribed; Tuning: the step done.
        int count = 0;
        // Recording: all twelve training takes exist. Tuning: steps planned is `of`.
        bool checking = false;
        int of = 0;
        Outcome outcome;
        QString message;

        static Phase idle() { return {}; }
        static Phase recording(int index, bool checking) { return {Kind::Recording, index, checking, 0, {}, {}}; }
        static Phase measuringBefore(int done) { return {Kind::MeasuringBefore, done, false, 0, {}, {}}; }
        static Phase tuning(int step, int of) { return {Kind::Tuning, step, false, of, {}, {}}; }
        static Phase measuringAfter(int done) { return {Kind::MeasuringAfter, done, false, 0, {}, {}}; }
        static Phase done(Outcome outcome) { return {Kind::Done, 0, false, 0, outcome, {}}; }
        static Phase failed(QString message) { return {Kind::Failed, 0, false, 0, {}, std::move(message)}; }
        bool operator==(const Phase&) const = default;
    };

    // Transcribes one WAV take within the time-out; the future fails (with
    // Transcriber's errors) when the transcription does.
    using Transcribe = std::function<QFuture<QString>(const QByteArray& wav, std::chrono::milliseconds timeout)>;

    static constexpr int kTrainingTakes = 12;
    static constexpr int kCheckingTakes = 4;
    // A take counts from this WAV size on: the header and about a quarter second.
    static constexpr qsizetype kMinimumTakeBytes = 8001;
    static constexpr std::chrono::seconds kTranscriptionTimeout{180};
    static constexpr std::chrono::milliseconds kProgressInterval{500};

    static const QStringList& trainingSentences();
    static const QStringList& checkingSentences();

    // `recorder` is this controller's own; `transcribe` and `base` reach the
    // speech server (an empty base: MlxServer::baseURL()).
    VoiceTuning(std::unique_ptr<Recorder> recorder, Transcribe transcribe, QUrl base = {}, QObject* parent = nullptr);
    ~VoiceTuning() override;

    Phase phase() const { return m_phase; }
    float level() const { return m_level; }
    const QList<QByteArray>& trainingClips() const { return m_training; }
    const QList<QByteArray>& checkingClips() const { return m_checking; }
    int captured() const { return int(m_training.size() + m_checking.size()); }
    // The stored adapter, "voice-adapter.npz" in the engine folder: every
    // server launched loads it.
    static QString adapterFile();
    // Whether an adapter is stored, so in force for dictation.
    static bool adapterInForce();
    // The sentence to read next; none once all sixteen takes exist.
    std::optional<QString> currentSentence() const;

    void beginRecording();
    void finishRecording();
    void discardLast();
    void reset();
    // Tunes and measures; does nothing unless exactly 12 + 4 takes exist. The
    // future finishes when the run has ended (phase done or failed).
    QFuture<void> run();
    // Removes the adapter from the server and deletes the stored one
    // (failures ignored); phase done(turnedOff).
    QFuture<void> turnOff();

    // (word errors, reference words): word-level edit distance after lower-
    // casing and splitting at every character that is not a letter or digit.
    static std::pair<int, int> wordErrors(const QString& reference, const QString& heard);

    // Tests shorten the waits.
    void setTranscriptionTimeout(std::chrono::milliseconds timeout) { m_transcriptionTimeout = timeout; }
    void setProgressInterval(std::chrono::milliseconds interval) { m_progressInterval = interval; }

signals:
    void phaseChanged(const VoiceTuning::Phase& phase);
    void levelChanged(float level);
    void clipsChanged();

private:
    struct Run;
    void setPhase(const Phase& phase);
    // Stops a take being recorded and drops it.
    void abandonTake();
    void measure(const std::shared_ptr<Run>& run, bool after, int index, std::function<void()> next);
    void upload(const std::shared_ptr<Run>& run, int index, std::function<void()> next);
    void startWatcher(const std::shared_ptr<Run>& run);
    void pollProgress(const std::shared_ptr<bool>& watching);
    void decide(const std::shared_ptr<Run>& run);
    void fail(const std::shared_ptr<Run>& run, const QString& message);
    void post(const std::shared_ptr<Run>& run, const QString& path, std::function<void()> next);

    std::unique_ptr<Recorder> m_recorder;
    const Transcribe m_transcribe;
    const QUrl m_base;
    std::chrono::milliseconds m_transcriptionTimeout = kTranscriptionTimeout;
    std::chrono::milliseconds m_progressInterval = kProgressInterval;

    Phase m_phase;
    float m_level = 0;
    QList<QByteArray> m_training;
    QList<QByteArray> m_checking;
};
