#include "reader/ReaderController.h"

#include "audio/Recorder.h"
#include "dictation/DictationPeers.h"
#include "dictation/FlashMessage.h"
#include "engine/EngineHttp.h"
#include "engine/MlxServer.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "reader/KokoroVoice.h"
#include "reader/ReaderChunks.h"
#include "reader/ReaderLanguage.h"
#include "reader/ReaderSelection.h"
#include "reader/SpeechPreparation.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "translator/Translator.h"

#include <QFuture>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkRequest>
#include <QPromise>
#include <QTextBoundaryFinder>

Q_LOGGING_CATEGORY(lcReader, "quorvane.reader")

namespace {

const QString kSpeechModel = QStringLiteral("mlx-community/Kokoro-82M-bf16");

int characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

void finishPromise(const std::shared_ptr<QPromise<void>>& promise) {
    if (!promise->future().isFinished())
        promise->finish();
}

// A reading cut short: its waiters see a cancelled future and go no further.
void abandonPromise(const std::shared_ptr<QPromise<void>>& promise) {
    if (promise->future().isFinished())
        return;
    promise->future().cancel();
    promise->finish();
}

} // namespace

struct ReaderController::Run {
    quint64 generation = 0;
    QString text;
    std::optional<QString> voiceOverride;
    double speed = 1.0;
    float volume = 1.0f;
    QString voice;
    QStringList chunks;
    // Audio that came while the output was winding down after its last
    // sound; played once it has.
    QList<QByteArray> held;
    // No more audio will come: the reading ends with the output's end.
    bool allQueued = false;
    // A chunk could not be played and the user was told, once for the reading.
    bool toldUnplayable = false;
    // The chunk to ask for once the one queued last starts playing.
    std::optional<qsizetype> nextChunk;
    std::shared_ptr<QPromise<void>> promise = std::make_shared<QPromise<void>>();
};

ReaderController::Services ReaderController::Services::standard() {
    Services services;
    services.ensureEngine = [] { return MlxServer::shared().ensureReady(); };
    services.server = MlxServer::baseURL();
    services.selectedVoice = [] { return KokoroVoice::selectedID(); };
    services.readAlongWindow = [] { return Defaults::shared().boolOr(QStringLiteral("readAlongWindow"), false); };
    services.selectedText = [](QObject* context) { return ReaderSelection::read(context); };
    services.trace = [](const QString& line) { Recorder::trace(line); };
    return services;
}

ReaderController::ReaderController(AppState& state, Services services, QObject* parent)
    : QObject(parent), m_state(state), m_services(std::move(services)) {
    m_nextChunkTimer.setSingleShot(true);
    connect(&m_nextChunkTimer, &QTimer::timeout, this, [this] {
        if (auto request = std::exchange(m_nextRequest, nullptr))
            request();
    });
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        qCWarning(lcReader) << "the player did not report the end of its sound; going on";
        resumePlayback();
    });
}

ReaderController::~ReaderController() {
    m_nextChunkTimer.stop();
    m_watchdog.stop();
    if (m_player)
        m_player->stop();
}

bool ReaderController::isStale(const RunPtr& run) const { return run->generation != m_generation; }

void ReaderController::setReading(bool reading) {
    if (m_isReading == reading)
        return;
    m_isReading = reading;
    emit isReadingChanged();
}

QFuture<void> ReaderController::readSelection() {
    if (m_peers.cancelSelectionPoll)
        m_peers.cancelSelectionPoll();
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    // A stop or another reading while the selection is read abandons this one.
    const quint64 generation = m_generation;
    m_services.selectedText(this)
        .then(this,
              [this, promise, generation](const std::optional<QString>& text) {
                  if (generation != m_generation) {
                      finishPromise(promise);
                      return;
                  }
                  if (!text || text->isEmpty()) {
                      flash(tr("No selected text found. Highlight text first."));
                      finishPromise(promise);
                      return;
                  }
                  QFuture<void> reading;
                  if (m_services.readAlongWindow && m_services.readAlongWindow() && m_peers.readAlong) {
                      // One voice at a time: the window's reading ends this one.
                      halt();
                      reading = m_peers.readAlong(*text);
                  } else {
                      reading = speak(*text);
                  }
                  reading.then(this, [promise] { finishPromise(promise); }).onCanceled([promise] {
                      finishPromise(promise);
                  });
              })
        .onCanceled([promise] { finishPromise(promise); });
    return promise->future();
}

QFuture<void> ReaderController::speak(const QString& text, const std::optional<QString>& voiceOverride, double speed,
                                      float volume) {
    silenceReadAlong();
    halt();
    auto run = std::make_shared<Run>();
    run->generation = ++m_generation;
    run->text = text;
    run->voiceOverride = voiceOverride;
    run->speed = speed;
    run->volume = volume;
    run->promise->start();
    setReading(true);
    QFuture<bool> engine = m_services.ensureEngine ? m_services.ensureEngine() : QtFuture::makeReadyFuture(true);
    engine.then(this, [this, run](bool) { afterEngine(run); }).onCanceled([run] { finishPromise(run->promise); });
    return run->promise->future();
}

void ReaderController::afterEngine(const RunPtr& run) {
    if (isStale(run)) {
        abandonPromise(run->promise);
        return;
    }
    const QString prepared = SpeechPreparation::prepare(run->text, m_services.readings);
    const QString selected = m_services.selectedVoice ? m_services.selectedVoice() : KokoroVoice::all().first().id;
    if (run->voiceOverride) {
        run->voice = *run->voiceOverride;
    } else {
        const std::optional<QString> language = ReaderLanguage::confidentLanguage(prepared);
        const std::optional<QString> native = ReaderLanguage::nativeVoice(prepared, selected);
        if (language && !native && !ReaderLanguage::kokoroSpeaks(*language)) {
            setReading(false);
            speakWithSystemVoice(run->text, *language)
                .then(this, [run] { finishPromise(run->promise); })
                .onCanceled(this, [run] { abandonPromise(run->promise); });
            return;
        }
        run->voice = native.value_or(selected);
    }
    const std::optional<QString> dominant = ReaderLanguage::dominantLanguage(prepared);
    trace(QStringList{QStringLiteral("reader voice override=") + run->voiceOverride.value_or(QStringLiteral("none")),
                      QStringLiteral("selected=") + selected, QStringLiteral("chosen=") + run->voice,
                      QStringLiteral("lang=") + dominant.value_or(QStringLiteral("nil")),
                      QStringLiteral("langCode=") + KokoroVoice::languageCode(run->voice),
                      QStringLiteral("chars=") + QString::number(characterCount(prepared))}
              .join(u' '));

    run->chunks = ReaderChunks::splitForReader(prepared);
    if (run->chunks.isEmpty()) {
        setReading(false);
        finishPromise(run->promise);
        return;
    }
    m_playbackVolume = run->volume;
    awaitChunk(run, 0, requestChunk(run, 0));
}

QFuture<std::optional<QByteArray>> ReaderController::requestChunk(const RunPtr& run, qsizetype index) {
    return synthesize(m_services.server, SpeechPreparation::respellBrand(run->chunks[index], run->voice), run->voice,
                      run->speed);
}

void ReaderController::awaitChunk(const RunPtr& run, qsizetype index, QFuture<std::optional<QByteArray>> audio) {
    if (isStale(run)) {
        abandonPromise(run->promise);
        return;
    }
    audio
        .then(this,
              [this, run, index](const std::optional<QByteArray>& wav) {
                  // A stale run ends here, before it could flash or clear the newer run's state.
                  if (isStale(run)) {
                      abandonPromise(run->promise);
                      return;
                  }
                  if (!wav) {
                      if (index == 0) {
                          const QString name = [&] {
                              for (const KokoroVoice& voice : KokoroVoice::all())
                                  if (voice.id == run->voice)
                                      return voice.name;
                              return tr("that voice");
                          }();
                          flash(Wording::of(tr("Could not start %@. The first use of a voice needs a moment online."))
                                    .replace(QStringLiteral("%@"), name));
                      }
                      // What is already queued still plays to its end.
                      run->allQueued = true;
                      if (!m_playbackContinuation)
                          finishReading(run);
                      return;
                  }
                  const bool last = index + 1 >= run->chunks.size();
                  run->allQueued = last;
                  if (!last)
                      run->nextChunk = index + 1;
                  // Behind a sound still playing this chunk is appended, so the voice
                  // runs on without a gap; it starts once what the output holds is played.
                  const bool behind = m_playbackContinuation && m_player;
                  const std::chrono::milliseconds startsIn =
                      behind ? std::max(std::chrono::milliseconds(0), m_player->duration() - m_player->position())
                             : std::chrono::milliseconds(0);
                  if (!queueAudio(run, *wav) && last && !m_playbackContinuation)
                      finishReading(run);
                  if (last)
                      return;
                  // The next chunk is asked for when this one starts playing, so it is
                  // made while this one plays and no further ahead: a long text is
                  // neither made nor held all at once. Audio held until the output
                  // has wound down starts with the output's end, which asks then.
                  if (!behind) {
                      requestNextChunk(run);
                  } else if (run->held.isEmpty()) {
                      m_nextRequest = [this, run] { requestNextChunk(run); };
                      m_nextChunkTimer.start(startsIn);
                  }
              })
        .onCanceled(this, [run] { finishPromise(run->promise); });
}

void ReaderController::requestNextChunk(const RunPtr& run) {
    m_nextChunkTimer.stop();
    m_nextRequest = nullptr;
    if (!run->nextChunk)
        return;
    const qsizetype index = *std::exchange(run->nextChunk, std::nullopt);
    awaitChunk(run, index, requestChunk(run, index));
}

bool ReaderController::queueAudio(const RunPtr& run, const QByteArray& wav) {
    if (!m_playbackContinuation || !m_player)
        return play(run, wav);
    if (run->held.isEmpty() && m_player->append(wav))
        armWatchdog();
    else
        run->held.append(wav);
    return true;
}

void ReaderController::afterPlayback(const RunPtr& run) {
    if (isStale(run)) {
        abandonPromise(run->promise);
        return;
    }
    // Audio that came while the output wound down starts it again; an
    // unplayable chunk is skipped.
    while (!run->held.isEmpty() && !m_playbackContinuation)
        play(run, run->held.takeFirst());
    while (!run->held.isEmpty() && m_player && m_player->append(run->held.first())) {
        run->held.removeFirst();
        armWatchdog();
    }
    // Otherwise the next chunk's audio, when it comes, starts the output again.
    if (!m_playbackContinuation && run->allQueued)
        finishReading(run);
    else
        requestNextChunk(run);
}

void ReaderController::armWatchdog() {
    m_watchdog.start(std::max(std::chrono::milliseconds(0), m_player->duration() - m_player->position())
                     + m_services.watchdogMargin);
}

void ReaderController::finishReading(const RunPtr& run) {
    setReading(false);
    finishPromise(run->promise);
}

bool ReaderController::play(const RunPtr& run, const QByteArray& wav) {
    AudioPlayer::Factory* players = Platform::current().audioPlayers;
    std::unique_ptr<AudioPlayer> player = players ? players->create(wav) : nullptr;
    if (!player) {
        qCWarning(lcReader) << "a chunk's audio cannot be played; skipping it";
        tellUnplayable(run);
        return false;
    }
    player->setVolume(m_playbackVolume);
    player->setFinished([this] { QTimer::singleShot(0, this, [this] { resumePlayback(); }); });
    m_player = std::move(player);
    m_playbackContinuation = [this, run] { afterPlayback(run); };
    if (!m_player->play()) {
        qCWarning(lcReader) << "the player did not start; skipping the chunk";
        tellUnplayable(run);
        QTimer::singleShot(0, this, [this] { resumePlayback(); });
        return true;
    }
    armWatchdog();
    return true;
}

void ReaderController::tellUnplayable(const RunPtr& run) {
    if (std::exchange(run->toldUnplayable, true))
        return;
    flash(Wording::of(tr("That audio could not be played.")));
}

void ReaderController::resumePlayback() {
    m_watchdog.stop();
    if (auto continuation = std::exchange(m_playbackContinuation, nullptr))
        continuation();
}

std::optional<SystemSpeech::Voice> ReaderController::systemVoice(const QString& language) {
    SystemSpeech* speech = Platform::current().systemSpeech;
    if (!speech)
        return std::nullopt;
    const QList<SystemSpeech::Voice> candidates = speech->voices(language.section(u'-', 0, 0).toLower());
    if (candidates.isEmpty())
        return std::nullopt;
    for (int quality : {3, 2})
        for (const SystemSpeech::Voice& voice : candidates)
            if (voice.quality == quality)
                return voice;
    return candidates.first();
}

QFuture<void> ReaderController::speakWithSystemVoice(const QString& text, const QString& language) {
    silenceReadAlong();
    halt();
    auto run = std::make_shared<Run>();
    run->generation = ++m_generation;
    run->promise->start();
    setReading(true);
    const QString prepared = SpeechPreparation::prepare(text, m_services.readings);
    const std::optional<SystemSpeech::Voice> voice = systemVoice(language);
    if (!voice) {
        setReading(false);
        flash(Wording::of(tr("This Mac has no voice for %@."))
                  .replace(QStringLiteral("%@"), Translator::displayName(language)));
        finishPromise(run->promise);
        return run->promise->future();
    }
    trace(QStringLiteral("reader system voice lang=%1 voice=%2 quality=%3 chars=%4")
              .arg(language, voice->identifier)
              .arg(voice->quality)
              .arg(characterCount(prepared)));
    m_speechContinuation = [this, run] {
        if (isStale(run)) {
            abandonPromise(run->promise);
            return;
        }
        setReading(false);
        finishPromise(run->promise);
    };
    Platform::current().systemSpeech->speak(prepared, voice->identifier,
                                            [this] { QTimer::singleShot(0, this, [this] { finishSystemSpeech(); }); });
    return run->promise->future();
}

void ReaderController::finishSystemSpeech() {
    if (auto continuation = std::exchange(m_speechContinuation, nullptr))
        continuation();
}

void ReaderController::stop() {
    // The translated reading waits on this engine piece by piece; without its
    // own run raised it would take the stop for a piece's end and go on.
    if (m_peers.abandonTranslatedReading)
        m_peers.abandonTranslatedReading();
    silenceReadAlong();
    halt();
}

void ReaderController::halt() {
    ++m_generation;
    m_watchdog.stop();
    m_nextChunkTimer.stop();
    m_nextRequest = nullptr;
    if (std::unique_ptr<AudioPlayer> player = std::move(m_player))
        player->stop();
    if (SystemSpeech* speech = Platform::current().systemSpeech)
        speech->stop();
    finishSystemSpeech();
    resumePlayback();
    setReading(false);
}

void ReaderController::silenceReadAlong() {
    if (m_peers.stopReadAlong)
        m_peers.stopReadAlong();
}

void ReaderController::stopEverything() {
    stop();
    if (m_peers.hideTranslateBar)
        m_peers.hideTranslateBar();
    if (m_peers.hideReadAlong)
        m_peers.hideReadAlong();
}

QByteArray ReaderController::speechRequestBody(const QString& text, const QString& voice, double speed) {
    const QJsonObject body{
        {QStringLiteral("model"), kSpeechModel},
        {QStringLiteral("input"), text},
        {QStringLiteral("voice"), voice},
        {QStringLiteral("speed"), speed},
        {QStringLiteral("lang_code"), KokoroVoice::languageCode(voice)},
        {QStringLiteral("response_format"), QStringLiteral("wav")},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QFuture<std::optional<QByteArray>> ReaderController::synthesize(const QUrl& server, const QString& text,
                                                                const QString& voice, double speed) {
    QUrl url = server;
    url.setPath(url.path().endsWith(u'/') ? url.path() + QStringLiteral("v1/audio/speech")
                                          : url.path() + QStringLiteral("/v1/audio/speech"));
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const int timeout = int(std::chrono::duration_cast<std::chrono::milliseconds>(kSynthesisTimeout).count());
    return EngineHttp::send(request, "POST", speechRequestBody(text, voice, speed), timeout)
        .then([](const HttpAnswer& answer) -> std::optional<QByteArray> {
            if (answer.transportFailed || answer.status != 200 || answer.body.size() <= kMinimumSpeechBytes)
                return std::nullopt;
            return answer.body;
        });
}

void ReaderController::flash(const QString& message) { flashMessage(m_state, m_peers.bubble, message, kFlashShown); }

void ReaderController::trace(const QString& line) const {
    if (m_services.trace)
        m_services.trace(line);
}
