#include "dictation/DictationController.h"

#include "audio/AudioInputDevice.h"
#include "audio/Recorder.h"
#include "audio/WavData.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "dictation/DictationStopRun.h"
#include "dictation/FrontmostApp.h"
#include "dictation/SystemAudio.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "engine/Transcriber.h"
#include "state/Announce.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "translator/Translator.h"

#include <QPromise>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

// The live preview transcribes takes of this length, every interval.
constexpr double kPreviewShortestSeconds = 0.8;
constexpr double kPreviewLongestSeconds = 90.0;
constexpr auto kPreviewInterval = 700ms;
constexpr auto kPreviewTimeout = 30s;
constexpr auto kFlashShown = 2200ms;

QFuture<void> timerDelay(std::chrono::milliseconds delay) {
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> future = promise->future();
    promise->start();
    QTimer::singleShot(delay, [promise] { promise->finish(); });
    return future;
}

} // namespace

DictationController::DictationController(AppState& state, Defaults& defaults, Recorder& recorder, Services services,
                                         DictationPeers peers, Delay delay, QObject* parent)
    : QObject(parent), m_state(state), m_defaults(defaults), m_recorder(recorder), m_services(services), m_peers(peers),
      m_delay(delay ? std::move(delay) : Delay(timerDelay)), m_activeMode(DictationMode::notes(defaults)),
      m_heldReturn(
          [this] {
              const std::optional<FrontmostApp> front = FrontmostApp::current();
              return m_state.targetAppName().isEmpty() || (front && front->name == m_state.targetAppName());
          },
          [this] { m_state.setReturnPressedWhileThinking(true); }) {}

DictationController::~DictationController() = default;

QFuture<void> DictationController::toggle() { return m_state.isRecording() ? stopAndInsert() : start(); }

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
        QMetaObject::invokeMethod(
            this, [this, level] { m_state.setMicLevel(level); }, Qt::QueuedConnection);
    });
    if (error) {
        flash(error->localizedDescription());
        m_services.cleanup.discardWarm();
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
    m_services.cleanup.warmRules();
    m_services.cleanup.prewarm();
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
        QMetaObject::invokeMethod(
            this, [this, take, preview] { previewTick(take, preview); }, Qt::QueuedConnection);
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
