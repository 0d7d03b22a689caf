#include "reader/ReaderWindowController.h"

#include "engine/MlxServer.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "platform/WindowSystem.h"
#include "platform/Wording.h"
#include "platform/Workspace.h"
#include "reader/KokoroVoice.h"
#include "reader/ReaderLanguage.h"
#include "reader/SourceWords.h"
#include "reader/SpeechPreparation.h"

#include <QDir>
#include <QFileDialog>
#include <QHash>
#include <QStandardPaths>

namespace {

// The locale whose sentence rules split the text a voice reads.
QString sentenceLocale(const QString& voice) {
    static const QHash<QString, QString> locales = {
        {QStringLiteral("a"), QStringLiteral("en_US")}, {QStringLiteral("b"), QStringLiteral("en_GB")},
        {QStringLiteral("e"), QStringLiteral("es")},    {QStringLiteral("f"), QStringLiteral("fr")},
        {QStringLiteral("i"), QStringLiteral("it")},    {QStringLiteral("p"), QStringLiteral("pt")},
    };
    return locales.value(KokoroVoice::languageCode(voice), QStringLiteral("en"));
}

} // namespace

void ReaderWindowController::finish(const std::shared_ptr<QPromise<void>>& promise) {
    if (!promise->future().isFinished())
        promise->finish();
}

const QString ReaderWindowController::kWindowTitle = QStringLiteral("Quorvane Reader");
const QString ReaderWindowController::kCouldNotRead =
    QStringLiteral("That could not be read. The first use of a voice needs a moment online.");
const QString ReaderWindowController::kNoWords =
    QStringLiteral("Reading aloud. Following along word by word is not available for this text.");
const QString ReaderWindowController::kCouldNotPlay = QStringLiteral("That audio could not be played.");
const QString ReaderWindowController::kCouldNotSave = QStringLiteral("That could not be saved. ");
const QString ReaderWindowController::kCouldNotConvert = QStringLiteral("That could not be converted.");
const QString ReaderWindowController::kReadingChanged =
    QStringLiteral("The reading changed before it could be saved. Nothing was saved.");

ReaderWindowController::Services ReaderWindowController::Services::standard() {
    Services services;
    services.ensureEngine = [] { return MlxServer::shared().ensureReady(); };
    services.synthesize = [](const QString& text, const QString& voice) { return synthesizeTimed(text, voice); };
    services.selectedVoice = [] { return KokoroVoice::selectedID(); };
    services.players = [] { return Platform::current().audioPlayers; };
    services.chooseDestination = [](QWidget* parent, const QString& proposed) -> std::optional<QString> {
        const QString start =
            QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(proposed);
        const QString chosen =
            QFileDialog::getSaveFileName(parent, QString(), start, QStringLiteral("MPEG-4 audio (*.m4a)"));
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen;
    };
    services.converter = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    services.reveal = [](const QString& path) {
        if (FileManager* files = Platform::current().fileManager)
            files->reveal(path);
    };
    services.frontmostName = [] {
        Workspace* workspace = Platform::current().workspace;
        const auto app = workspace ? workspace->frontmostApplication() : std::nullopt;
        return app ? app->name : QString();
    };
    services.onCurrentDesktop = [](const QWidget& window) {
        WindowSystem* windows = Platform::current().windowSystem;
        return windows ? windows->isOnCurrentDesktop(window) : true;
    };
    services.trace = [](const QString& line) { ReaderWindowController::trace(line); };
    return services;
}

ReaderWindowController::ReaderWindowController(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services)) {
    m_ticker.setInterval(kTickInterval);
    connect(&m_ticker, &QTimer::timeout, this, &ReaderWindowController::tick);
}

ReaderWindowController::~ReaderWindowController() {
    stopPlayback();
    delete m_window.data();
}

QFuture<void> ReaderWindowController::read(const QString& text) {
    const quint64 generation = ++m_generation;
    stopPlayback();
    show();
    setPreparing(true);
    setStatus(std::nullopt);

    const QString prepared = SpeechPreparation::prepare(text, m_services.readings);
    const QString selected = m_services.selectedVoice ? m_services.selectedVoice() : KokoroVoice::selectedID();
    const QString voice = ReaderLanguage::nativeVoice(prepared, selected).value_or(selected);

    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QFuture<bool> engine = m_services.ensureEngine ? m_services.ensureEngine() : QtFuture::makeReadyFuture(true);
    engine
        .then(this,
              [this, generation, text, prepared, voice, promise](bool ready) {
                  if (isStale(generation)) {
                      finish(promise);
                      return;
                  }
                  if (!ready) {
                      // The engine did not come up: say so rather than stay busy.
                      failReading();
                      finish(promise);
                      return;
                  }
                  afterEngine(generation, text, prepared, voice, promise);
              })
        .onCanceled(this, [promise] { finish(promise); });
    return promise->future();
}

void ReaderWindowController::afterEngine(quint64 generation, const QString& text, const QString& prepared,
                                         const QString& voice, const std::shared_ptr<QPromise<void>>& promise) {
    const QString spoken = SpeechPreparation::respellBrand(prepared, voice);
    traceLine(QStringLiteral("read voice=%1 chars=%2").arg(voice).arg(spoken.size()));
    m_services.synthesize(spoken, voice)
        .then(this,
              [this, generation, text, voice, promise](const std::optional<TimedResult>& result) {
                  afterSynthesis(generation, result, text, voice);
                  finish(promise);
              })
        .onCanceled(this, [this, generation, text, voice, promise] {
            afterSynthesis(generation, std::nullopt, text, voice);
            finish(promise);
        });
}

void ReaderWindowController::failReading() {
    setPreparing(false);
    setStatus(Wording::of(kCouldNotRead));
    m_wav.reset();
    ++m_audioSerial;
    m_sourceText.clear();
    if (!m_timeline.words.isEmpty() || m_timeline.duration != 0) {
        m_timeline = ReaderTimeline();
        emit timelineChanged();
    }
}

void ReaderWindowController::afterSynthesis(quint64 generation, const std::optional<TimedResult>& result,
                                            const QString& text, const QString& voice) {
    if (isStale(generation))
        return;
    if (!result) {
        failReading();
        return;
    }
    // The name a Save proposes comes from the text this audio was made of.
    m_sourceText = text;
    // The page shows the text handed in, not what the preparation made of
    // it: the spoken words only lend it their times. A pronunciation entry's
    // written word is therefore shown as the user wrote it.
    QList<SourceWords::Spoken> spoken;
    spoken.reserve(result->words.size());
    for (const TimedResult::Word& word : result->words)
        spoken.append({word.text, word.start, word.end});
    m_timeline = ReaderTimeline::ofWords(SourceWords::timed(text, spoken, result->duration, sentenceLocale(voice)),
                                         result->duration);
    emit timelineChanged();
    setPreparing(false);
    if (m_timeline.words.isEmpty())
        setStatus(kNoWords);
    traceLine(QStringLiteral("timeline words=%1 spoken=%2 duration=%3")
                  .arg(m_timeline.words.size())
                  .arg(result->words.size())
                  .arg(m_timeline.duration));
    startPlayback(result->audio);
}

void ReaderWindowController::stop() {
    ++m_generation;
    stopPlayback();
    setPreparing(false);
}

void ReaderWindowController::hide() {
    if (m_window)
        m_window->hide();
}

void ReaderWindowController::stopEverything() {
    stop();
    hide();
}

void ReaderWindowController::windowClosed() {
    ++m_generation;
    stopPlayback();
    setPreparing(false);
    traceLine(QStringLiteral("close"));
}

void ReaderWindowController::setPreparing(bool preparing) {
    if (preparing == m_preparing)
        return;
    m_preparing = preparing;
    emit stateChanged();
}

void ReaderWindowController::setStatus(const std::optional<QString>& status) {
    if (status == m_status)
        return;
    m_status = status;
    emit stateChanged();
}

void ReaderWindowController::setPlaying(bool playing) {
    if (playing == m_isPlaying)
        return;
    m_isPlaying = playing;
    emit stateChanged();
}

void ReaderWindowController::setCurrentTime(double time) {
    if (time == m_currentTime)
        return;
    m_currentTime = time;
    emit positionChanged();
}

void ReaderWindowController::setExporting(bool exporting) {
    if (exporting == m_exporting)
        return;
    m_exporting = exporting;
    emit stateChanged();
}

void ReaderWindowController::traceLine(const QString& line) const {
    if (m_services.trace)
        m_services.trace(line);
}
