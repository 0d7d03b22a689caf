#include "reader/ReaderWindowController.h"

#include "engine/MlxServer.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"
#include "reader/KokoroVoice.h"
#include "reader/ReaderLanguage.h"
#include "reader/ReaderWindowView.h"
#include "reader/SourceWords.h"
#include "reader/SpeechPreparation.h"
#include "support/Defaults.h"
#include "support/LineLog.h"
#include "support/Paths.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTextBoundaryFinder>
#include <QUuid>
#include <QVBoxLayout>

#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const QString kSpeechModel = QStringLiteral("mlx-community/Kokoro-82M-bf16");

// Standard Base64 as a strict decoder takes it: whole groups of four from the
// alphabet, "=" only as the padding of the last group.
std::optional<QByteArray> strictBase64(const QByteArray& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    qsizetype padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    for (qsizetype i = 0; i < text.size() - padding; ++i) {
        const char c = text[i];
        const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                              c == '+' || c == '/';
        if (!alphabet)
            return std::nullopt;
    }
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return decoded.decoded;
}

double seconds(std::chrono::milliseconds time) { return double(time.count()) / 1000.0; }

std::chrono::milliseconds milliseconds(double seconds) {
    return std::chrono::milliseconds(qint64(std::llround(seconds * 1000.0)));
}

void finish(const std::shared_ptr<QPromise<void>>& promise) {
    if (!promise->future().isFinished())
        promise->finish();
}

// The last line ffmpeg wrote that says something.
QString lastErrorLine(const QByteArray& output) {
    const QStringList lines = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    return QStringLiteral("The converter failed.");
}

bool isNameCharacter(char32_t c) {
    return c == U' ' || QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

QString firstCharacters(const QString& text, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int i = 0; i < count; ++i)
        if (finder.toNextBoundary() == -1)
            return text;
    return text.left(finder.position());
}

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

QByteArray ReaderWindowController::timedRequestBody(const QString& text, const QString& voice) {
    const QJsonObject body{
        {QStringLiteral("model"), kSpeechModel},
        {QStringLiteral("input"), text},
        {QStringLiteral("voice"), voice},
        {QStringLiteral("speed"), 1.0},
        {QStringLiteral("lang_code"), KokoroVoice::languageCode(voice)},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QFuture<std::optional<ReaderWindowController::TimedResult>>
ReaderWindowController::synthesizeTimed(const QString& text, const QString& voice) {
    return synthesizeTimed(text, voice, MlxServer::baseURL());
}

QFuture<std::optional<ReaderWindowController::TimedResult>>
ReaderWindowController::synthesizeTimed(const QString& text, const QString& voice, const QUrl& server) {
    QUrl url = server;
    url.setPath(url.path().endsWith(u'/') ? url.path() + QStringLiteral("v1/audio/speech_timed")
                                          : url.path() + QStringLiteral("/v1/audio/speech_timed"));
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const int timeout = int(std::chrono::duration_cast<std::chrono::milliseconds>(kTimedTimeout).count());
    return EngineHttp::send(request, "POST", timedRequestBody(text, voice), timeout).then([](const HttpAnswer& answer) {
        return decodeTimedAnswer(answer);
    });
}

std::optional<ReaderWindowController::TimedResult> ReaderWindowController::decodeTimedAnswer(const HttpAnswer& answer) {
    if (answer.transportFailed || answer.status != 200)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue audio = object.value(QStringLiteral("audio"));
    if (!audio.isString())
        return std::nullopt;
    const std::optional<QByteArray> bytes = strictBase64(audio.toString().toLatin1());
    if (!bytes)
        return std::nullopt;

    TimedResult result;
    result.audio = *bytes;
    const QJsonValue words = object.value(QStringLiteral("words"));
    if (words.isArray()) {
        for (const QJsonValue& entry : words.toArray()) {
            const QJsonObject word = entry.toObject();
            const QJsonValue text = word.value(QStringLiteral("text"));
            const QJsonValue start = word.value(QStringLiteral("start"));
            const QJsonValue end = word.value(QStringLiteral("end"));
            if (!entry.isObject() || !text.isString() || !start.isDouble() || !end.isDouble())
                continue;
            result.words.append({text.toString(), start.toDouble(), end.toDouble()});
        }
    }
    const QJsonValue duration = object.value(QStringLiteral("duration"));
    result.duration = duration.isDouble() ? duration.toDouble() : 0;
    return result;
}

QString ReaderWindowController::suggestedName(const QString& text) {
    QString flat = text;
    flat.replace(u'\n', u' ');
    QStringList pieces;
    QString piece;
    for (const char32_t c : flat.toUcs4()) {
        if (isNameCharacter(c)) {
            piece += QString::fromUcs4(&c, 1);
        } else {
            if (!piece.isEmpty())
                pieces << piece;
            piece.clear();
        }
    }
    if (!piece.isEmpty())
        pieces << piece;
    const QStringList words = pieces.join(u' ').split(u' ', Qt::SkipEmptyParts).mid(0, kNameWords);
    const QString name = words.join(u' ').trimmed();
    if (name.isEmpty())
        return QStringLiteral("Reading.m4a");
    return firstCharacters(name, kNameCharacters) + QStringLiteral(".m4a");
}

QString ReaderWindowController::traceFile() {
    static const QString path = Paths::applicationSupport() + QStringLiteral("/Quorvane/reader-window.log");
    return path;
}

void ReaderWindowController::trace(const QString& message) { trace(message, Defaults::shared()); }

void ReaderWindowController::trace(const QString& message, const Defaults& defaults) {
    const bool on = qgetenv("QUORVANE_READER_TRACE") == "1" || defaults.boolean(QStringLiteral("readerWindowTrace")) == true;
    if (!on)
        return;
    const QByteArray line = (LineLog::timestamp() + QStringLiteral("  ") + message + u'\n').toUtf8();
    QFile file(traceFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        QDir().mkpath(QFileInfo(traceFile()).absolutePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
    }
    file.write(line);
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
        const QString start = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(proposed);
        const QString chosen = QFileDialog::getSaveFileName(parent, QString(), start, QStringLiteral("MPEG-4 audio (*.m4a)"));
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
    engine.then(this, [this, generation, text, prepared, voice, promise](bool ready) {
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
    }).onCanceled(this, [promise] { finish(promise); });
    return promise->future();
}

void ReaderWindowController::afterEngine(quint64 generation, const QString& text, const QString& prepared,
                                         const QString& voice, const std::shared_ptr<QPromise<void>>& promise) {
    const QString spoken = SpeechPreparation::respellBrand(prepared, voice);
    traceLine(QStringLiteral("read voice=%1 chars=%2").arg(voice).arg(spoken.size()));
    m_services.synthesize(spoken, voice)
        .then(this, [this, generation, text, voice, promise](const std::optional<TimedResult>& result) {
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

void ReaderWindowController::startPlayback(const QByteArray& wav) {
    m_wav = wav;
    ++m_audioSerial;
    AudioPlayer::Factory* players = m_services.players ? m_services.players() : nullptr;
    std::unique_ptr<AudioPlayer> player = players ? players->create(wav) : nullptr;
    if (!player) {
        setStatus(kCouldNotPlay);
        return;
    }
    AudioPlayer* raw = player.get();
    player->setFinished([this, raw] {
        // A finish of a player already replaced says nothing about this one.
        QMetaObject::invokeMethod(this, [this, raw] {
            if (m_player.get() == raw)
                playerFinished();
        }, Qt::QueuedConnection);
    });
    player->setRate(m_rate);
    m_player = std::move(player);
    if (!startPlayer()) {
        // Nothing would ever end a player that never started: the reading
        // stays without one, as when the audio cannot be loaded.
        m_player.reset();
        emit stateChanged();
    }
}

bool ReaderWindowController::startPlayer() {
    if (!m_player->play()) {
        setPlaying(false);
        setStatus(kCouldNotPlay);
        return false;
    }
    if (m_status == kCouldNotPlay)
        setStatus(std::nullopt);
    setPlaying(true);
    m_ticker.start();
    return true;
}

void ReaderWindowController::stopPlayback() {
    m_ticker.stop();
    if (m_player) {
        m_player->stop();
        m_player.reset();
        emit stateChanged();
    }
    setPlaying(false);
    setCurrentTime(0);
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

void ReaderWindowController::playerFinished() {
    setPlaying(false);
    setCurrentTime(m_timeline.duration);
}

void ReaderWindowController::tick() {
    if (m_player)
        setCurrentTime(seconds(m_player->position()));
}

void ReaderWindowController::seekToWord(int index) {
    if (index < 0 || index >= m_timeline.words.size())
        return;
    if (!m_player)
        return;
    const double duration = seconds(m_player->duration());
    m_player->seek(milliseconds(std::max(0.0, std::min(m_timeline.words[index].start, duration))));
    setCurrentTime(seconds(m_player->position()));
    if (!m_isPlaying)
        togglePlayback();
}

void ReaderWindowController::setRate(double rate) {
    if (rate == m_rate)
        return;
    m_rate = rate;
    if (m_player)
        m_player->setRate(rate);
    emit stateChanged();
}

void ReaderWindowController::togglePlayback() {
    if (!m_player)
        return;
    if (m_player->isPlaying()) {
        m_player->pause();
        setPlaying(false);
    } else {
        startPlayer();
    }
}

void ReaderWindowController::skip(double step) {
    if (!m_player)
        return;
    scrub(m_timeline.seek(seconds(m_player->position()), step));
}

void ReaderWindowController::scrub(double time) {
    if (!m_player)
        return;
    const double duration = seconds(m_player->duration());
    m_player->seek(milliseconds(std::max(0.0, std::min(time, duration))));
    setCurrentTime(seconds(m_player->position()));
}

QFuture<void> ReaderWindowController::exportAudio() {
    if (!m_wav || m_exporting)
        return QtFuture::makeReadyFuture();
    setExporting(true);
    // The save panel is modal and the reading goes on behind it: a reading
    // that finishes or fails meanwhile replaces the audio. What is saved, and
    // the name offered for it, are taken before the panel opens.
    const QByteArray audio = *m_wav;
    const quint64 reading = m_audioSerial;
    const std::optional<QString> destination =
        m_services.chooseDestination ? m_services.chooseDestination(m_window, suggestedName(m_sourceText)) : std::nullopt;
    if (!destination || destination->isEmpty()) {
        setExporting(false);
        return QtFuture::makeReadyFuture();
    }
    if (reading != m_audioSerial) {
        setStatus(kReadingChanged);
        setExporting(false);
        return QtFuture::makeReadyFuture();
    }
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString wavPath = QDir(QDir::tempPath()).filePath(QStringLiteral("quorvane-export-") + uuid + QStringLiteral(".wav"));
    QFile wavFile(wavPath);
    if (!wavFile.open(QIODevice::WriteOnly) || wavFile.write(audio) != audio.size() || !wavFile.flush()) {
        const QString error = wavFile.errorString();
        wavFile.close();
        QFile::remove(wavPath);
        setStatus(kCouldNotSave + error);
        setExporting(false);
        return QtFuture::makeReadyFuture();
    }
    wavFile.close();
    if (m_services.converter.isEmpty()) {
        QFile::remove(wavPath);
        setStatus(kCouldNotConvert);
        setExporting(false);
        return QtFuture::makeReadyFuture();
    }
    // The conversion writes beside the destination and replaces it only once
    // it finished, so a failure leaves the user's file as it was.
    const QString partial = QFileInfo(*destination).absoluteDir().filePath(QStringLiteral(".") + uuid + QStringLiteral(".m4a"));
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    const QString target = *destination;
    auto done = [this, process, wavPath, partial, target, promise](std::optional<QString> failure) {
        QFile::remove(wavPath);
        if (!failure && std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
            failure = kCouldNotSave + QString::fromLocal8Bit(std::strerror(errno));
        if (failure) {
            QFile::remove(partial);
            setStatus(*failure);
        } else if (m_services.reveal) {
            m_services.reveal(target);
        }
        traceLine(QStringLiteral("export ") + (failure ? QStringLiteral("failed") : QStringLiteral("saved")));
        setExporting(false);
        process->deleteLater();
        finish(promise);
    };
    connect(process, &QProcess::finished, this, [process, done](int code, QProcess::ExitStatus exit) {
        if (exit == QProcess::NormalExit && code == 0)
            done(std::nullopt);
        else
            done(kCouldNotSave + lastErrorLine(process->readAll()));
    });
    connect(process, &QProcess::errorOccurred, this, [done](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(kCouldNotConvert);
    });
    process->start(m_services.converter, {QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-i"), wavPath,
                                          QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
                                          QStringLiteral("128k"), partial});
    return promise->future();
}

void ReaderWindowController::show() {
    if (!m_services.makesWindow)
        return;
    if (!m_window)
        m_window = makeWindow();
    m_window->show();
    m_window->raise();
    if (WindowSystem* windows = Platform::current().windowSystem)
        windows->keepOnEveryDesktop(*m_window);
    traceLine(describe(QStringLiteral("present")));
}

QWidget* ReaderWindowController::makeWindow() {
    auto* window = new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                                            Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint);
    window->setWindowTitle(kWindowTitle);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(kWindowWidth, kWindowHeight);
    window->setMinimumSize(kMinimumWidth, kMinimumHeight);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ReaderWindowView(*this, Defaults::shared(), window));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->installEventFilter(this);
    return window;
}

bool ReaderWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Close)
        QMetaObject::invokeMethod(this, &ReaderWindowController::windowClosed, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

QString ReaderWindowController::describe(const QString& label) const {
    const QWidget* window = m_window;
    const bool onSpace = window && (!m_services.onCurrentDesktop || m_services.onCurrentDesktop(*window));
    const bool visible = window && window->isVisible();
    const bool onTop = window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    const QRect frame = window ? window->frameGeometry() : QRect();
    const QString front = m_services.frontmostName ? m_services.frontmostName() : QString();
    return QStringLiteral("%1 onActiveSpace=%2 visible=%3 level=%4 frame={{%5, %6}, {%7, %8}} screens=%9 frontmost=%10")
        .arg(label, onSpace ? QStringLiteral("true") : QStringLiteral("false"),
             visible ? QStringLiteral("true") : QStringLiteral("false"))
        .arg(onTop ? kFloatingLevel : 0)
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height())
        .arg(QGuiApplication::screens().size())
        .arg(front.isEmpty() ? QStringLiteral("?") : front);
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
