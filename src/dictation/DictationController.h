#pragma once

#include "cleanup/DictationMode.h"
#include "dictation/DictationPeers.h"
#include "dictation/HeldReturn.h"
#include "dictation/LastInsertion.h"
#include "engine/CancelToken.h"
#include "insertion/AXText.h"
#include "insertion/InsertionContext.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AppState;
class CleanupEngine;
class Defaults;
class HistoryStore;
class LlmServer;
class MlxServer;
class ModeStore;
class Recorder;
class StatsStore;
class SystemAudio;

// Runs dictation: the first toggle starts a take (target application, its mode,
// engine wake-up, microphone, ducking, the listening bubble and the live
// preview); the second stops it and carries the text through transcription,
// clean-up, translation, history and statistics into the target application.
// Lives on the GUI thread; every wait is asynchronous, so a new toggle is
// served while an older take is still on its way. Each start and stop raises
// `generation`; work of an older take still pastes and records, but leaves
// messages and the bubble to the newer one.
class DictationController : public QObject, public LastInsertion {
    Q_OBJECT
public:
    // Finishes after the given time on the GUI thread.
    using Delay = std::function<QFuture<void>(std::chrono::milliseconds)>;

    // The stores and services a take goes through. Each must outlive the controller.
    struct Services {
        ModeStore& modes;
        HistoryStore& history;
        StatsStore& stats;
        // The speech server, woken at the start and awaited at the stop.
        MlxServer& speechServer;
        // The language-model server, warmed at the start when the mode cleans.
        LlmServer& cleanupServer;
        SystemAudio& audio;
        // Cleans the transcript; its helper is warmed at the start.
        CleanupEngine& cleanup;
    };

    // `state`, `defaults` and `recorder` must outlive the controller; an empty
    // `delay` uses timers.
    DictationController(AppState& state, Defaults& defaults, Recorder& recorder, Services services,
                        DictationPeers peers = {}, Delay delay = {}, QObject* parent = nullptr);
    ~DictationController() override;

    void setPeers(const DictationPeers& peers) { m_peers = peers; }

    // Stops the take under way, or starts one. Finishes when that start or
    // that stop has run to its end.
    QFuture<void> toggle();
    // Cleans the last inserted text again and puts it in place of the old one
    // when the caret is still right after it, else on the clipboard.
    // `expectedGeneration`, when given, is the take the request was made for:
    // a newer take by then leaves the text alone.
    QFuture<void> cleanupLastInsert(std::optional<int> expectedGeneration);

    // Sends the take the engine last failed on again and carries its text on
    // like a stopped take's (paste-last offers this while that take is the
    // newest thing dictated). The kept recording goes once the engine has
    // answered; another failure keeps it. Nothing while a take is recording
    // or when none is kept. Finishes when the run has ended.
    QFuture<void> retryKeptTake();

    // The program is quitting: ends the microphone capture at once and keeps
    // the take being recorded, or else the newest take not yet turned into
    // text, as a failed take is kept, so that paste-last tries it again at
    // the next launch.
    void keepTakeForQuit();

    int generation() const { return m_generation; }
    QString lastPreview() const { return m_lastPreview; }
    QString insertedText() const override { return m_insertedText; }
    QString fittedAsInserted(const QString& text) const override;
    void replacedBy(const QString& text) override;
    std::optional<AXText::Range> insertedRange() const { return m_insertedRange; }
    std::optional<qint64> lastCaretEnd() const { return m_lastCaretEnd; }
    const DictationMode& activeMode() const { return m_activeMode; }

private:
    struct StopRun;
    using RunPtr = std::shared_ptr<StopRun>;

    QFuture<void> start();
    // Snapshots the frontmost application as the target, resolves and
    // publishes its mode and clears the texts of the last take; answers the
    // application's identifier.
    std::optional<QString> aimAtFrontmostApplication();
    void warmUpCleanup(const std::optional<QString>& bundleID);
    void runPreview(int take, const CancelToken& preview);
    void previewTick(int take, const CancelToken& preview);
    // Stops the live preview, aborting a request of it still in flight.
    void endPreview();

    QFuture<void> stopAndInsert();
    // Ends the translate-once mark with the run it was for: the run translates
    // when the mark was set and this computer can translate.
    void takeTranslateMark(StopRun& run);
    void transcribe(const RunPtr& run);
    // Keeps the take's recording for a retry and tells the user why there is no text.
    void keepFailedTake(const RunPtr& run, const QString& failure);
    void processTranscript(const RunPtr& run, const QString& raw);
    void finishCleanup(const RunPtr& run, QString text);
    void translateAndPublish(const RunPtr& run);
    void publish(const RunPtr& run);
    void traceStop(const RunPtr& run);
    // The dictation's history entry, statistics and milestone.
    void record(const RunPtr& run);
    void insert(const RunPtr& run);
    void whenPasteTaken(std::function<void()> next);
    // Ends this run's hold of Return, if it held it; true when that was the
    // last hold.
    bool letGoOfReturn(const RunPtr& run);
    void afterSettling(const RunPtr& run);
    void finish(const RunPtr& run);
    // Asks for the text around the caret to be readable and tells the user
    // what came of it once the target has taken the paste: that it is on, or,
    // the first time only, that the session will not switch it on.
    void askToReadAroundCaret(const RunPtr& run);
    void tellAboutReading(const RunPtr& run);

    void flash(const QString& message);
    void showBubble(BubbleMode mode);
    void hideBubble();
    void scheduleBubbleHide(std::chrono::milliseconds after);
    void trace(const QString& message) const;
    // A line of the run's trace, written with the others once the text is on
    // its way (or the run ends without it): the file is nothing the paste waits for.
    static void traceRun(const RunPtr& run, const QString& line);
    static void writeTrace(const RunPtr& run);

    AppState& m_state;
    Defaults& m_defaults;
    Recorder& m_recorder;
    Services m_services;
    DictationPeers m_peers;
    Delay m_delay;

    std::optional<CancelToken> m_preview;
    int m_generation = 0;
    QString m_lastPreview;
    std::optional<AXText::Range> m_insertedRange;
    QString m_insertedText;
    // How the last insertion was fitted to the text before it; none when it was only copied.
    std::optional<InsertionContext::Fit> m_insertedFit;
    std::optional<std::chrono::steady_clock::time_point> m_lastBurstEndedAt;
    QString m_lastBurstApp;
    std::optional<qint64> m_lastCaretEnd;
    DictationMode m_activeMode;
    // Held from each stop (with "holdEarlyReturn") until that run ends.
    HeldReturn m_heldReturn;
    // The stopped takes on their way to the text, oldest first.
    QList<std::weak_ptr<StopRun>> m_runsUnderWay;
    double m_pendingGap = std::numeric_limits<double>::infinity();
    bool m_toldReadingRefused = false;
};
