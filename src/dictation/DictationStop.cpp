#include "dictation/DictationController.h"

#include "audio/Recorder.h"
#include "audio/WavData.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/TextCleanup.h"
#include "dictation/DictationStopRun.h"
#include "dictation/SystemAudio.h"
#include "engine/MlxServer.h"
#include "engine/Transcriber.h"
#include "insertion/InsertionAccess.h"
#include "insertion/InsertionContext.h"
#include "insertion/PasteService.h"
#include "platform/KeySynth.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "support/QuorvaneError.h"
#include "support/Text.h"
#include "translator/Translator.h"

#include <QPointer>
#include <QTimer>
#include <QUuid>

using namespace std::chrono_literals;

namespace {

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
// How long the target may take to fetch the pasted text from the clipboard.
constexpr auto kPasteFetchWait = 2s;
const QString kNoSpeech = QStringLiteral("No speech detected");
const QString kNoSound = QStringLiteral("No sound from your mic. Check System Settings > Sound > Input.");
const QString kCopiedNoTrust = QStringLiteral("Copied. Grant Accessibility to auto-paste.");
const QString kEngineSilent =
    QStringLiteral("The speech engine is not answering. Quit and reopen Quorvane to start it again.");
const QString kEngineMissing = QStringLiteral(
    "The speech engine is not installed. Open Microphone Test\u2026 in the menu and choose Repair speech engine.");
const QString kEngineFailed = QStringLiteral("The speech engine failed on this take.");
// Modes whose clean-up is off offer cleaning afterwards, except the two that
// want the words exactly as spoken.
bool offersCleanLater(const DictationMode& mode) {
    return mode.cleanLevel == CleanLevel::Off && mode.id != QLatin1String("code")
           && mode.id != QLatin1String("verbatim");
}

} // namespace

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
        m_services.cleanup.discardWarm();
        hideBubble();
        finish(run);
        return done;
    }

    m_runsUnderWay.removeIf([](const std::weak_ptr<StopRun>& older) { return older.expired(); });
    m_runsUnderWay.append(run);
    // A Return pressed while the engine works waits for the words; where keys
    // cannot be posted it could never be given back, so it is not taken.
    if (DictationSettings::readBool(m_defaults, DictationSettings::kHoldEarlyReturn) && InsertionAccess::canPaste()) {
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
    Transcriber::transcribe(run->wav, std::chrono::duration<double>(kTranscriptionTimeout).count())
        .then(this, [this, run](QFuture<QString> answer) {
            run->answered = true;
            QString raw;
            // What the user is told when the engine, not the user, is why there is no text.
            std::optional<QString> engineFailure;
            try {
                raw = answer.result();
            } catch (const Transcriber::RequestFailed& error) {
                if (error.heldByAnotherAccount) {
                    traceRun(run, QStringLiteral("transcription not sent: ") + error.message);
                    engineFailure = error.message;
                } else if (std::exchange(run->serverTaken, false)
                           && Clock::now() - run->transcriptionStart < kServerGone) {
                    traceRun(run, QStringLiteral("transcription failed at once, waking the engine: ") + error.message);
                    if (run->take == m_generation)
                        showBubble(BubbleMode::Thinking);
                    m_services.speechServer.ensureReady().then(this, [this, run](QFuture<bool>) { transcribe(run); });
                    return;
                } else {
                    traceRun(run, QStringLiteral("transcription failed: ") + error.message);
                    engineFailure = MlxServer::isInstalled() ? kEngineSilent : kEngineMissing;
                }
            } catch (const QuorvaneError& error) {
                traceRun(run, QStringLiteral("transcription failed: ") + error.message);
                engineFailure = kEngineFailed;
            }
            if (engineFailure) {
                m_services.cleanup.discardWarm();
                keepFailedTake(run, *engineFailure);
                finish(run);
                return;
            }
            if (run->retry)
                m_services.history.keptTake().discard();
            if (raw.isEmpty()) {
                m_services.cleanup.discardWarm();
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

void DictationController::processTranscript(const RunPtr& run, const QString& raw) {
    run->cleanupStart = Clock::now();
    run->raw = raw;
    run->mode = m_activeMode;
    const DictationMode& mode = run->mode;
    const QString text = TextCleanup::postProcess(CleanupEngine::digitizeNumbers(raw, mode.numberStyle));

    if (mode.cleanLevel != CleanLevel::Off) {
        const bool allowInferredLists = mode.id != QLatin1String("code") && mode.id != QLatin1String("verbatim");
        m_services.cleanup
            .clean(text, mode.cleanLevel == CleanLevel::Aggressive, mode.instruction, mode.numberStyle,
                   allowInferredLists)
            .then(this, [this, run, text](const CleanupEngine::Result& outcome) {
                finishCleanup(run, outcome.text.isEmpty() ? text : outcome.text);
            });
        return;
    }
    m_services.cleanup.discardWarm();
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
    if (m_state.returnPressedWhileThinking()
        && DictationSettings::readBool(m_defaults, DictationSettings::kHoldEarlyReturn)) {
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

bool DictationController::letGoOfReturn(const RunPtr& run) {
    return std::exchange(run->holdsReturn, false) && m_heldReturn.letGo();
}

void DictationController::finish(const RunPtr& run) {
    // A take that ends with no words to follow gives the target the Return
    // it held, as typed.
    if (letGoOfReturn(run) && m_heldReturn.takePress()) {
        m_state.setReturnPressedWhileThinking(false);
        if (KeySynth* synth = Platform::current().keySynth)
            synth->pressReturn();
    }
    writeTrace(run);
    run->done.finish();
}

// ---- Re-clean ---------------------------------------------------------------------
