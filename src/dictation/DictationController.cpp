#include "dictation/DictationController.h"

#include "audio/AudioInputDevice.h"
#include "audio/Recorder.h"
#include "audio/WavData.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "cleanup/TextCleanup.h"
#include "dictation/FrontmostApp.h"
#include "dictation/SystemAudio.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "engine/Transcriber.h"
#include "insertion/InsertionAccess.h"
#include "insertion/InsertionContext.h"
#include "insertion/PasteService.h"
#include "platform/KeySynth.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "state/Announce.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "support/Text.h"
#include "translator/Translator.h"

#include <QPointer>
#include <QPromise>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <cmath>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr double kSampleRate = WavData::kSampleRate;
// A take shorter than this is dropped without a word.
constexpr double kShortestTakeSeconds = 0.4;
// The live preview transcribes takes of this length, every interval.
constexpr double kPreviewShortestSeconds = 0.8;
constexpr double kPreviewLongestSeconds = 90.0;
constexpr auto kPreviewInterval = 700ms;
constexpr auto kPreviewTimeout = 30s;
constexpr auto kTranscriptionTimeout = 120s;
// The engine wait is traced when it is longer than this.
constexpr double kTracedEngineWakeSeconds = 0.05;
// How long an answer of the speech server vouches for it at the stop.
constexpr std::chrono::seconds kServerTrusted{60};
// A request that fails sooner found no server, rather than a server at work.
constexpr std::chrono::seconds kServerGone{2};
// A dictation within this many seconds of the last one, into the same
// application, goes on from where that one ended.
constexpr double kBurstGapSeconds = 4.0;
// Units read before the caret for fitting the text to what precedes it.
constexpr qint64 kCaretContextLength = 64;
// How old a reading of the caret's surroundings may be at the insertion;
// older ones are read again, as the user may have moved on meanwhile.
constexpr auto kCaretFresh = 150ms;
// A peak below this level means the microphone heard nothing.
constexpr float kHeardLevel = 0.02f;
// The bubble turns from listening to thinking when the engine takes longer.
constexpr auto kThinkingShownAfter = 40ms;
// How long after the paste the field is read again.
constexpr auto kSettle = 60ms;
constexpr auto kSettleBeforeOfferingClean = 250ms;
constexpr auto kSettleAfterReclean = 130ms;
// How long the target may take to fetch the pasted text from the clipboard.
constexpr auto kPasteFetchWait = 2s;
constexpr auto kFlashShown = 2200ms;
constexpr auto kRecleanShownAtMost = 20s;
constexpr auto kRecleanUnchangedShown = 2500ms;
constexpr auto kRecleanDoneShown = 3s;
const QString kNoSpeech = QStringLiteral("No speech detected");
const QString kNoSound = QStringLiteral("No sound from your mic. Check System Settings > Sound > Input.");
const QString kCopiedNoTrust = QStringLiteral("Copied. Grant Accessibility to auto-paste.");
const QString kEngineSilent =
    QStringLiteral("The speech engine is not answering. Quit and reopen Quorvane to start it again.");
const QString kEngineMissing = QStringLiteral(
    "The speech engine is not installed. Open Microphone Test\u2026 in the menu and choose Repair speech engine.");
const QString kEngineFailed = QStringLiteral("The speech engine failed on this take.");
const QString kTakeKept = QStringLiteral(" Your recording is kept: Paste Last Dictation tries it again.");

QFuture<void> timerDelay(std::chrono::milliseconds delay) {
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> future = promise->future();
    promise->start();
    QTimer::singleShot(delay, [promise] { promise->finish(); });
    return future;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}


// Modes whose clean-up is off offer cleaning afterwards, except the two that
// want the words exactly as spoken.
bool offersCleanLater(const DictationMode& mode) {
    return mode.cleanLevel == CleanLevel::Off && mode.id != QLatin1String("code")
           && mode.id != QLatin1String("verbatim");
}

} // namespace

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

DictationController::DictationController(AppState& state, Defaults& defaults, Recorder& recorder,
                                         Services services, DictationPeers peers, Delay delay, QObject* parent)
    : QObject(parent), m_state(state), m_defaults(defaults), m_recorder(recorder), m_services(services),
      m_peers(peers), m_delay(delay ? std::move(delay) : Delay(timerDelay)),
      m_activeMode(DictationMode::notes(defaults)),
      m_heldReturn(
          [this] {
              const std::optional<FrontmostApp> front = FrontmostApp::current();
              return m_state.targetAppName().isEmpty() || (front && front->name == m_state.targetAppName());
          },
          [this] { m_state.setReturnPressedWhileThinking(true); }) {}

DictationController::~DictationController() = default;

QFuture<void> DictationController::toggle() { return m_state.isRecording() ? stopAndInsert() : start(); }

void DictationController::keepTakeForQuit() {
    std::optional<QByteArray> take;
    if (m_recorder.isRunning()) {
        m_recorder.stop();
        const QList<float> samples = m_recorder.samples();
        if (m_state.isRecording() && double(samples.size()) / kSampleRate >= kShortestTakeSeconds)
            take = WavData::encode(samples);
    }
    for (qsizetype index = m_runsUnderWay.size() - 1; !take && index >= 0; --index) {
        const RunPtr run = m_runsUnderWay[index].lock();
        if (run && !run->recorded && !run->done.future().isFinished())
            take = run->wav;
    }
    if (take && !m_services.history.keptTake().keep(*take))
        trace(QStringLiteral("could not keep the take at quit at ") + m_services.history.keptTake().path());
}

// ---- Start ------------------------------------------------------------------

QFuture<void> DictationController::start() {
    m_state.setReturnPressedWhileThinking(false);
    if (m_peers.corrections)
        m_peers.corrections->checkForCorrection();
    if (m_state.isRecording())
        return QtFuture::makeReadyFuture();

    const int take = ++m_generation;
    m_lastPreview.clear();
    m_insertedText.clear();
    m_insertedRange.reset();
    m_pendingGap = m_lastBurstEndedAt ? secondsSince(*m_lastBurstEndedAt) : std::numeric_limits<double>::infinity();

    const std::optional<QString> bundleID = aimAtFrontmostApplication();

    // The engine wakes while the user speaks.
    (void)m_services.speechServer.ensureReady();
    warmUpCleanup(bundleID);

    const std::optional<QuorvaneError> error = m_recorder.start([this](float level) {
        QMetaObject::invokeMethod(this, [this, level] { m_state.setMicLevel(level); }, Qt::QueuedConnection);
    });
    if (error) {
        flash(error->localizedDescription());
        CleanupEngine::discardWarm();
        // A translate-once mark goes with the take it was for, which never began.
        Translator::setTranslateNextDictation(false);
        m_state.setIsTranslating(false);
        return QtFuture::makeReadyFuture();
    }

    const std::optional<quint32> device = AudioInputDevice::best();
    trace(QStringLiteral("start  device=%1  format=%2")
              .arg(device ? AudioInputDevice::name(*device) : QStringLiteral("none"), m_recorder.inputFormatInfo()));
    m_state.setIsRecording(true);
    m_services.audio.duck();
    showBubble(BubbleMode::Listening);

    endPreview();
    if (m_defaults.stringOr(QStringLiteral("previewStyle"), QString()) != QLatin1String("pill")) {
        m_preview = CancelToken();
        runPreview(take, *m_preview);
    }
    return QtFuture::makeReadyFuture();
}

std::optional<QString> DictationController::aimAtFrontmostApplication() {
    const std::optional<FrontmostApp> front = FrontmostApp::current();
    m_state.setTargetAppName(front ? front->name : QString());
    m_state.setTargetAppIcon(front ? front->icon : QIcon());
    const std::optional<QString> bundleID = front ? front->bundleID : std::nullopt;

    ModeStore& modes = m_services.modes;
    const DictationMode mode = modes.resolve(bundleID);
    modes.setActiveMode(mode);
    m_activeMode = mode;
    m_state.setModeName(modes.isEnabled() ? mode.name : QString());
    const std::optional<QString> pinned = m_defaults.string(QStringLiteral("pinnedMode"));
    m_state.setModeIsPinned(modes.isEnabled() && pinned && modes.mode(*pinned).has_value());

    m_state.setLiveText(QString());
    m_state.setFinalText(QString());
    m_state.setCleanupState(AppState::CleanupState::Idle);
    return bundleID;
}

void DictationController::warmUpCleanup(const std::optional<QString>& bundleID) {
    if (m_services.modes.resolve(bundleID).cleanLevel == CleanLevel::Off)
        return;
    CleanupEngine::warmRules();
    CleanupEngine::prewarm();
    LlmServer& server = m_services.cleanupServer;
    server.isUp().then(this, [&server](bool isUp) {
        if (isUp)
            (void)server.warmUp();
        else
            (void)server.ensureStarted();
    });
}

// ---- Live preview -------------------------------------------------------------

void DictationController::runPreview(int take, const CancelToken& preview) {
    // Queued, so that a wait that is already over cannot recurse.
    m_delay(kPreviewInterval).then(this, [this, take, preview] {
        QMetaObject::invokeMethod(this, [this, take, preview] { previewTick(take, preview); }, Qt::QueuedConnection);
    });
}

void DictationController::previewTick(int take, const CancelToken& preview) {
    if (preview.isCancelled() || m_generation != take || !m_state.isRecording())
        return;
    const double seconds = double(m_recorder.sampleCount()) / kSampleRate;
    if (seconds < kPreviewShortestSeconds || seconds > kPreviewLongestSeconds) {
        runPreview(take, preview);
        return;
    }
    const QByteArray wav = WavData::encode(m_recorder.samples());
    const double timeout = std::chrono::duration<double>(kPreviewTimeout).count();
    Transcriber::transcribe(wav, timeout, preview).then(this, [this, take, preview](QFuture<QString> answer) {
        try {
            const QString text = answer.result();
            if (m_generation != take || !m_state.isRecording())
                return;
            m_lastPreview = text;
            m_state.setLiveText(text);
        } catch (...) {
            // A failed preview is silent; the next one comes 0.7 s later.
        }
        if (!preview.isCancelled())
            runPreview(take, preview);
    });
}

void DictationController::endPreview() {
    if (m_preview)
        m_preview->cancel();
    m_preview.reset();
}

// ---- Stop and insert -----------------------------------------------------------

QFuture<void> DictationController::stopAndInsert() {
    auto run = std::make_shared<StopRun>();
    run->take = ++m_generation;
    run->done.start();
    QFuture<void> done = run->done.future();

    run->caretAhead = std::make_unique<AXText::CaretContextRead>(kCaretContextLength);

    // The final request must not wait behind a preview still on its way.
    endPreview();
    m_recorder.stop();
    m_state.setIsRecording(false);

    // The take is read once, here: a newer take empties the recorder.
    const QList<float> samples = m_recorder.samples();
    run->sampleCount = samples.size();
    run->peak = m_recorder.peakLevel();
    run->wav = WavData::encode(samples);
    if (double(run->sampleCount) / kSampleRate < kShortestTakeSeconds) {
        takeTranslateMark(*run);
        m_services.audio.restore();
        CleanupEngine::discardWarm();
        hideBubble();
        finish(run);
        return done;
    }

    m_runsUnderWay.removeIf([](const std::weak_ptr<StopRun>& older) { return older.expired(); });
    m_runsUnderWay.append(run);
    // A Return pressed while the engine works waits for the words.
    if (DictationSettings::readBool(m_defaults, DictationSettings::kHoldEarlyReturn)) {
        run->holdsReturn = true;
        m_heldReturn.hold();
    }

    // A server that answered the wake at the start of the take is sent the
    // take at once; should it have gone meanwhile, the request fails at once
    // and the server is woken before the one try again.
    const std::optional<Clock::time_point> ready = m_services.speechServer.lastReady();
    if (ready && Clock::now() - *ready < kServerTrusted) {
        run->serverTaken = true;
        traceStop(run);
        transcribe(run);
    } else {
        run->caretAhead.reset();
        const Clock::time_point stopTime = Clock::now();
        m_services.speechServer.ensureReady().then(this, [this, run, stopTime](QFuture<bool>) {
            const double wake = secondsSince(stopTime);
            if (wake > kTracedEngineWakeSeconds)
                traceRun(run, QStringLiteral("timing engineWake=%1s").arg(wake, 0, 'f', 2));
            traceStop(run);
            transcribe(run);
        });
    }
    // While the engine works. An engine that answers at once leaves the
    // bubble listening until the result, sparing a look that would only flicker.
    m_services.audio.restore();
    m_delay(kThinkingShownAfter).then(this, [this, run] {
        if (!run->answered && run->take == m_generation)
            showBubble(BubbleMode::Thinking);
    });
    return done;
}

void DictationController::traceStop(const RunPtr& run) {
    traceRun(run, QStringLiteral("stop   captured=%1s peak=%2")
                      .arg(double(run->sampleCount) / kSampleRate, 0, 'f', 1)
                      .arg(double(m_recorder.peakLevel()), 0, 'f', 3));
}

void DictationController::takeTranslateMark(StopRun& run) {
    if (std::exchange(run.markTaken, true))
        return;
    // Only a computer that can translate takes the mark; every other one drops it.
    const bool marked = Translator::takeTranslateNextDictation();
    run.translate = marked && Translator::isAvailable();
    m_state.setIsTranslating(false);
}

void DictationController::transcribe(const RunPtr& run) {
    takeTranslateMark(*run);

    run->transcriptionStart = Clock::now();
    Transcriber::transcribe(run->wav, std::chrono::duration<double>(kTranscriptionTimeout).count()).then(this, [this, run](QFuture<QString> answer) {
        run->answered = true;
        QString raw;
        // What the user is told when the engine, not the user, is why there is no text.
        std::optional<QString> engineFailure;
        try {
            raw = answer.result();
        } catch (const Transcriber::RequestFailed& error) {
            if (std::exchange(run->serverTaken, false) && Clock::now() - run->transcriptionStart < kServerGone) {
                traceRun(run, QStringLiteral("transcription failed at once, waking the engine: ") + error.message);
                if (run->take == m_generation)
                    showBubble(BubbleMode::Thinking);
                m_services.speechServer.ensureReady().then(this, [this, run](QFuture<bool>) { transcribe(run); });
                return;
            }
            traceRun(run, QStringLiteral("transcription failed: ") + error.message);
            engineFailure = MlxServer::isInstalled() ? kEngineSilent : kEngineMissing;
        } catch (const QuorvaneError& error) {
            traceRun(run, QStringLiteral("transcription failed: ") + error.message);
            engineFailure = kEngineFailed;
        }
        if (engineFailure) {
            CleanupEngine::discardWarm();
            keepFailedTake(run, *engineFailure);
            finish(run);
            return;
        }
        if (run->retry)
            m_services.history.keptTake().discard();
        if (raw.isEmpty()) {
            CleanupEngine::discardWarm();
            if (run->take == m_generation)
                flash(run->peak >= kHeardLevel ? kNoSpeech : Wording::of(kNoSound));
            finish(run);
            return;
        }
        processTranscript(run, raw);
    });
    // Read while the engine works; the insertion uses it when the text comes soon.
    const std::unique_ptr<AXText::CaretContextRead> ahead = std::move(run->caretAhead);
    run->caret = ahead ? ahead->take() : AXText::caretContext(kCaretContextLength);
    run->caretRead = Clock::now();
}

void DictationController::keepFailedTake(const RunPtr& run, const QString& failure) {
    KeptTake& kept = m_services.history.keptTake();
    const bool keptNow = kept.keep(run->wav);
    if (!keptNow)
        traceRun(run, QStringLiteral("could not keep the failed take at ") + kept.path());
    if (run->take == m_generation)
        flash(keptNow ? failure + kTakeKept : failure);
}

QFuture<void> DictationController::retryKeptTake() {
    if (m_state.isRecording())
        return QtFuture::makeReadyFuture();
    const std::optional<QByteArray> wav = m_services.history.keptTake().wav();
    if (!wav)
        return QtFuture::makeReadyFuture();

    auto run = std::make_shared<StopRun>();
    run->take = ++m_generation;
    run->done.start();
    QFuture<void> done = run->done.future();
    run->wav = *wav;
    run->retry = true;
    const QList<float> samples = WavData::decode(*wav).value_or(QList<float>());
    run->sampleCount = samples.size();
    for (const float sample : samples)
        run->peak = std::max(run->peak, std::fabs(sample));

    // As at the start of a take: the previous insertion is examined before
    // this one replaces it, and the text goes where the user is now.
    if (m_peers.corrections)
        m_peers.corrections->checkForCorrection();
    m_lastPreview.clear();
    m_insertedText.clear();
    m_insertedRange.reset();
    m_pendingGap = std::numeric_limits<double>::infinity();
    aimAtFrontmostApplication();
    showBubble(BubbleMode::Thinking);
    trace(QStringLiteral("retry  kept take of %1s").arg(double(run->sampleCount) / kSampleRate, 0, 'f', 1));
    m_services.speechServer.ensureReady().then(this, [this, run](QFuture<bool>) { transcribe(run); });
    return done;
}

void DictationController::processTranscript(const RunPtr& run, const QString& raw) {
    run->cleanupStart = Clock::now();
    run->raw = raw;
    run->mode = m_activeMode;
    const DictationMode& mode = run->mode;
    const QString text = TextCleanup::postProcess(CleanupEngine::digitizeNumbers(raw, mode.numberStyle));

    if (mode.cleanLevel != CleanLevel::Off) {
        const bool allowInferredLists = mode.id != QLatin1String("code") && mode.id != QLatin1String("verbatim");
        CleanupEngine::clean(text, mode.cleanLevel == CleanLevel::Aggressive, mode.instruction, mode.numberStyle,
                             allowInferredLists)
            .then(this, [this, run, text](const CleanupEngine::Result& outcome) {
                finishCleanup(run, outcome.text.isEmpty() ? text : outcome.text);
            });
        return;
    }
    CleanupEngine::discardWarm();
    finishCleanup(run, mode.keepsEveryWord() ? text : CleanupEngine::stripFillers(text));
}

void DictationController::finishCleanup(const RunPtr& run, QString text) {
    if (!run->mode.endWithPeriod) {
        const int strip = InsertionContext::trailingStripCount(text);
        if (strip > 0)
            text.chop(strip);
    }
    traceRun(run,
             QStringLiteral("timing transcribe=%1s clean=%2s words=%3")
                 .arg(std::chrono::duration<double>(run->cleanupStart - run->transcriptionStart).count(), 0, 'f', 2)
                 .arg(secondsSince(run->cleanupStart), 0, 'f', 2)
                 .arg(StatsStore::wordCount(run->raw)));
    if (text.isEmpty()) {
        if (run->take == m_generation)
            hideBubble();
        finish(run);
        return;
    }
    run->text = text;
    translateAndPublish(run);
}

void DictationController::translateAndPublish(const RunPtr& run) {
    run->final = run->text;
    if (!run->translate) {
        publish(run);
        return;
    }
    Translator::translate(run->text).then(this, [this, run](const Translator::Result& result) {
        if (result.succeeded()) {
            run->final = result.text;
            run->original = run->text;
            run->originalLanguage = Translator::detect(run->text);
            run->translatedTo = Translator::typeTarget();
        } else if (run->take == m_generation) {
            if (const std::optional<QString> message = Translator::message(*result.failure))
                flash(*message);
        }
        publish(run);
    });
}

void DictationController::publish(const RunPtr& run) {
    m_state.setFinalText(run->final);
    m_state.setWordSwaps(m_peers.wordSwaps ? m_peers.wordSwaps->findSwaps(run->final) : QList<AppState::WordSwap>());
    m_insertedText = run->final;
    m_insertedFit.reset();

    if (!InsertionAccess::canPaste()) {
        PasteService::copy(run->final);
        record(run);
        if (run->take == m_generation)
            flash(Wording::of(kCopiedNoTrust));
        finish(run);
        return;
    }
    if (!InsertionAccess::canReadAroundCaret())
        askToReadAroundCaret(run);
    insert(run);
}

void DictationController::record(const RunPtr& run) {
    HistoryEntry entry;
    entry.id = QUuid::createUuid();
    entry.date = QDateTime::currentDateTimeUtc();
    entry.app = m_state.targetAppName();
    entry.text = run->final;
    entry.original = run->original;
    entry.originalLanguage = run->originalLanguage;
    entry.translatedTo = run->translatedTo;
    m_services.history.record(entry);
    run->recorded = true;
    m_services.stats.count(run->final, run->sampleCount);
    if (m_peers.milestones)
        m_peers.milestones->celebrateIfDue(m_services.stats.timeSavedSeconds());
}

void DictationController::askToReadAroundCaret(const RunPtr& run) {
    QPointer<DictationController> self = this;
    InsertionAccess::askToReadAroundCaret([self, run](bool on) {
        if (!self)
            return;
        run->readingAnswer = on;
        // The bubble finds its place by asking the target about its window,
        // and a target fetching the pasted text from us answers nothing: the
        // flash would hold this thread until the target gave up the paste.
        if (run->pasteTaken)
            self->tellAboutReading(run);
    });
}

void DictationController::tellAboutReading(const RunPtr& run) {
    const std::optional<bool> on = std::exchange(run->readingAnswer, std::nullopt);
    if (!on || run->take != m_generation)
        return;
    if (*on) {
        flash(InsertionAccess::readingTurnedOn());
    } else if (!m_toldReadingRefused) {
        m_toldReadingRefused = true;
        flash(InsertionAccess::readingRefused());
    } else {
        return;
    }
    run->toldAboutReading = true;
}

void DictationController::insert(const RunPtr& run) {
    const Clock::time_point readStart = Clock::now();
    const AXText::CaretContext caret = run->caret && readStart - run->caretRead < kCaretFresh
                                           ? *run->caret
                                           : AXText::caretContext(kCaretContextLength);
    const std::optional<AXText::Range>& selection = caret.selection;
    // A caret at the very start has nothing before it to read, which is no
    // reason to take the text for a continuation: it starts afresh.
    const std::optional<QString> before =
        !caret.before && selection && selection->location == 0 ? std::optional<QString>(QString()) : caret.before;
    traceRun(run, QStringLiteral("timing ax=%1s app=%2 chars=%3")
                      .arg(secondsSince(readStart), 0, 'f', 2)
                      .arg(m_state.targetAppName())
                      .arg(before ? Text::graphemeCount(*before) : -1));

    const bool sameApplication = m_pendingGap < kBurstGapSeconds && m_lastBurstApp == m_state.targetAppName();
    const bool continuing = sameApplication && m_lastCaretEnd && selection && selection->length == 0
                            && selection->location == *m_lastCaretEnd;

    InsertionContext::Fit fit;
    if (!before) {
        fit = {std::nullopt, sameApplication};
    } else if (continuing) {
        // The previous dictation's closing period and the space after it are
        // selected, so that the paste replaces them and the sentence goes on.
        const int strip = InsertionContext::trailingStripCount(*before);
        const bool replacesEnd = strip > 0 && AXText::setSelectedRange(selection->location - strip, strip);
        fit = {replacesEnd ? before->chopped(strip) : *before, true};
    } else {
        fit = {*before, false};
    }

    const QString text = fit.applied(run->final);
    run->text = text;
    m_insertedText = text;
    m_insertedFit = fit;
    PasteService::paste(text);
    traceRun(run, QStringLiteral("timing total=%1s (stop to paste)").arg(secondsSince(run->stopped), 0, 'f', 3));
    writeTrace(run);
    // Written once the text is on its way: the history's and the statistics'
    // files, and the lists that show them, are nothing the paste waits for.
    record(run);

    const auto settle = offersCleanLater(run->mode) ? kSettleBeforeOfferingClean : kSettle;
    m_delay(settle).then(this, [this, run] { whenPasteTaken([this, run] { afterSettling(run); }); });
}

void DictationController::whenPasteTaken(std::function<void()> next) {
    // A target that is still fetching the pasted text from us answers no
    // accessibility query, so the field is read only once it has the text,
    // or after two seconds when it never asks.
    Pasteboard* pasteboard = Platform::current().pasteboard;
    if (!pasteboard) {
        next();
        return;
    }
    auto pending = std::make_shared<std::function<void()>>(std::move(next));
    const auto runOnce = [pending] {
        if (*pending)
            std::exchange(*pending, nullptr)();
    };
    pasteboard->whenFetched([this, runOnce] { QMetaObject::invokeMethod(this, runOnce, Qt::QueuedConnection); });
    QTimer::singleShot(kPasteFetchWait, this, runOnce);
}

void DictationController::afterSettling(const RunPtr& run) {
    const QString& text = run->text;
    // The keys go back first: a Return posted while they are taken would be taken again.
    letGoOfReturn(run);
    const bool heldBack = m_heldReturn.takePress();
    if (m_state.returnPressedWhileThinking() && DictationSettings::readBool(m_defaults, DictationSettings::kHoldEarlyReturn)) {
        m_state.setReturnPressedWhileThinking(false);
        // A Return that was not held back has reached the target already.
        if (heldBack && !text.isEmpty() && Platform::current().keySynth)
            Platform::current().keySynth->pressReturn();
    }

    m_lastCaretEnd.reset();
    const std::optional<AXText::Range> selection = AXText::selectedRange();
    if (selection && selection->length == 0 && selection->location >= text.size()) {
        m_insertedRange = AXText::Range{selection->location - text.size(), text.size()};
        m_lastCaretEnd = selection->location;
    }
    if (m_peers.corrections) {
        m_peers.corrections->noteInsertion(text, m_insertedRange);
        m_peers.corrections->offerIfPending();
    }
    m_lastBurstEndedAt = Clock::now();
    m_lastBurstApp = m_state.targetAppName();

    run->pasteTaken = true;
    tellAboutReading(run);
    if (run->take == m_generation) {
        const bool notPill = m_defaults.stringOr(QStringLiteral("previewStyle"), QString()) != QLatin1String("pill");
        const bool showCard = DictationSettings::readBool(m_defaults, DictationSettings::kShowResultCard);
        if (notPill && (showCard || offersCleanLater(run->mode)))
            showBubble(BubbleMode::Result);
        else if (!run->toldAboutReading)
            hideBubble();
    }
    finish(run);
}

void DictationController::letGoOfReturn(const RunPtr& run) {
    if (std::exchange(run->holdsReturn, false))
        m_heldReturn.letGo();
}

void DictationController::finish(const RunPtr& run) {
    letGoOfReturn(run);
    writeTrace(run);
    run->done.finish();
}

// ---- Re-clean ---------------------------------------------------------------------

QFuture<void> DictationController::cleanupLastInsert(std::optional<int> expectedGeneration) {
    if (m_insertedText.isEmpty() || m_state.cleanupState() != AppState::CleanupState::Idle)
        return QtFuture::makeReadyFuture();
    m_state.setCleanupState(AppState::CleanupState::Cleaning);
    scheduleBubbleHide(kRecleanShownAtMost);

    const bool aggressive = m_activeMode.cleanLevel == CleanLevel::Aggressive;
    return CleanupEngine::clean(m_insertedText, aggressive, QString(), std::nullopt, true)
        .then(this, [this, expectedGeneration](const CleanupEngine::Result& outcome) {
            const QString cleaned = outcome.text;
            if ((expectedGeneration && *expectedGeneration != m_generation) || cleaned.isEmpty()) {
                m_state.setCleanupState(AppState::CleanupState::Idle);
                return QtFuture::makeReadyFuture();
            }
            // In the field the clean text joins what precedes it as the dictation did.
            const QString fitted = fittedAsInserted(cleaned);
            if (fitted == m_insertedText) {
                m_state.setFinalText(cleaned);
                m_state.setCleanupState(AppState::CleanupState::Done);
                scheduleBubbleHide(kRecleanUnchangedShown);
                return QtFuture::makeReadyFuture();
            }
            const std::optional<AXText::Range> selection = AXText::selectedRange();
            const bool caretAfterInsertion = m_insertedRange && selection && selection->length == 0
                                             && selection->location == m_insertedRange->location + m_insertedRange->length;
            if (!caretAfterInsertion || !AXText::setSelectedRange(m_insertedRange->location, m_insertedRange->length)) {
                PasteService::copy(cleaned);
                m_state.setFinalText(cleaned);
                m_state.setCleanupState(AppState::CleanupState::Copied);
                scheduleBubbleHide(kRecleanDoneShown);
                return QtFuture::makeReadyFuture();
            }
            // A dictation started during the waits below resets the remembered
            // range, so where the new text goes is taken now.
            const qint64 location = m_insertedRange->location;
            const int take = m_generation;
            PasteService::paste(fitted);
            auto taken = std::make_shared<QPromise<void>>();
            taken->start();
            m_delay(kSettleAfterReclean).then(this, [this, taken] {
                whenPasteTaken([taken] { taken->finish(); });
            });
            return taken->future().then(this, [this, cleaned, fitted, location, take] {
                AXText::setSelectedRange(location + fitted.size(), 0);
                if (take != m_generation)
                    return; // the newer take owns the card and the remembered insertion
                m_insertedText = fitted;
                m_insertedRange = AXText::Range{location, fitted.size()};
                m_lastCaretEnd = location + fitted.size();
                m_state.setFinalText(cleaned);
                m_state.setCleanupState(AppState::CleanupState::Done);
                scheduleBubbleHide(kRecleanDoneShown);
            });
        })
        .unwrap();
}

QString DictationController::fittedAsInserted(const QString& text) const {
    return m_insertedFit ? m_insertedFit->applied(text) : text;
}

void DictationController::replacedBy(const QString& text) {
    m_insertedText = text;
    if (!m_insertedRange)
        return;
    m_insertedRange->length = text.size();
    if (m_lastCaretEnd)
        m_lastCaretEnd = m_insertedRange->location + text.size();
}

// ---- Bubble, messages and trace -------------------------------------------------------

void DictationController::flash(const QString& message) {
    m_state.setFlashMessage(message);
    showBubble(BubbleMode::Flash);
    Announce::say(message, false);
    scheduleBubbleHide(kFlashShown);
}

void DictationController::showBubble(BubbleMode mode) {
    if (m_peers.bubble)
        m_peers.bubble->show(mode);
}

void DictationController::hideBubble() {
    if (m_peers.bubble)
        m_peers.bubble->hide();
}

void DictationController::scheduleBubbleHide(std::chrono::milliseconds after) {
    if (m_peers.bubble)
        m_peers.bubble->scheduleHide(after);
}

void DictationController::trace(const QString& message) const { Recorder::trace(message); }

void DictationController::traceRun(const RunPtr& run, const QString& line) { run->traceLines.append(line); }

void DictationController::writeTrace(const RunPtr& run) {
    for (const QString& line : std::exchange(run->traceLines, {}))
        Recorder::trace(line);
}
