#include "dictation/DictationController.h"

#include "audio/Recorder.h"
#include "audio/WavData.h"
#include "dictation/DictationStopRun.h"
#include "dictation/FrontmostApp.h"
#include "engine/MlxServer.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"

#include <algorithm>

using namespace std::chrono_literals;

namespace {

const QString kTakeKept = QStringLiteral(" Your recording is kept: Paste Last Dictation tries it again.");

} // namespace

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
