#include "engine/VoiceTuning.h"

#include "audio/Recorder.h"
#include "audio/WavData.h"
#include "engine/MlxServer.h"
#include "engine/Transcriber.h"
#include "engine/VoiceAdapter.h"
#include "support/QuorvaneError.h"
#include "support/Text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QPointer>
#include <QPromise>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

const QString kClearPath = QStringLiteral("v1/quorvane/adapt/clear");
const QString kDiscardPath = QStringLiteral("v1/quorvane/adapt/discard");
const QString kClipPath = QStringLiteral("v1/quorvane/adapt/clip");
const QString kFitPath = QStringLiteral("v1/quorvane/adapt/fit");
const QString kKeepPath = QStringLiteral("v1/quorvane/adapt/keep");

QStringList wordsOf(const QString& text) {
    QStringList words;
    QString word;
    for (const QChar character : text.toLower()) {
        if (character.isLetterOrNumber()) {
            word.append(character);
        } else if (!word.isEmpty()) {
            words.append(word);
            word.clear();
        }
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

// The transcript, or the description of why there is none.
std::pair<QString, std::optional<QString>> outcomeOf(QFuture<QString>& future) {
    try {
        return {future.result(), std::nullopt};
    } catch (const Transcriber::RequestFailed& failure) {
        return {QString(), failure.localizedDescription()};
    } catch (const QuorvaneError& error) {
        return {QString(), error.localizedDescription()};
    } catch (const std::exception& error) {
        return {QString(), QString::fromUtf8(error.what())};
    }
}

} // namespace

struct VoiceTuning::Run {
    int errorsBefore = 0;
    int errorsAfter = 0;
    int words = 0;
    std::shared_ptr<bool> watching;
    QPromise<void> finished;
};

const QStringList& VoiceTuning::trainingSentences() {
    static const QStringList sentences{
        QStringLiteral("The quick brown fox jumps over the lazy dog"),
        QStringLiteral("She sells sea shells by the sea shore today"),
        QStringLiteral("Please increase the dosage to three hundred milligrams"),
        QStringLiteral("We reviewed the patient chart before the appointment"),
        QStringLiteral("The meeting is scheduled for Tuesday afternoon"),
        QStringLiteral("He was genuinely pleased with the work we did"),
        QStringLiteral("The committee approved the budget without discussion"),
        QStringLiteral("Weather permitting we will leave early tomorrow"),
        QStringLiteral("Please confirm the address before you send it"),
        QStringLiteral("The library closes at six on weekday evenings"),
        QStringLiteral("My name is spelled the way I just said it"),
        QStringLiteral("Thank you for calling, how can I help you today"),
    };
    return sentences;
}

const QStringList& VoiceTuning::checkingSentences() {
    static const QStringList sentences{
        QStringLiteral("The doctor prescribed a different medication entirely"),
        QStringLiteral("Our records show the invoice was paid last month"),
        QStringLiteral("Please bring the signed forms to the front desk"),
        QStringLiteral("They agreed to postpone the decision until Friday"),
    };
    return sentences;
}

VoiceTuning::VoiceTuning(std::unique_ptr<Recorder> recorder, Transcribe transcribe, QUrl base, QObject* parent)
    : QObject(parent), m_recorder(std::move(recorder)), m_transcribe(std::move(transcribe)), m_base(std::move(base)) {}

VoiceTuning::~VoiceTuning() = default;

QString VoiceTuning::adapterFile() {
    return QDir::cleanPath(MlxServer::engineRoot()) + QStringLiteral("/voice-adapter.npz");
}

bool VoiceTuning::adapterInForce() { return QFileInfo::exists(adapterFile()); }

std::optional<QString> VoiceTuning::currentSentence() const {
    if (m_training.size() < kTrainingTakes)
        return trainingSentences().at(m_training.size());
    if (m_checking.size() < kCheckingTakes)
        return checkingSentences().at(m_checking.size());
    return std::nullopt;
}

void VoiceTuning::setPhase(const Phase& phase) {
    m_phase = phase;
    emit phaseChanged(m_phase);
}

void VoiceTuning::beginRecording() {
    if (!currentSentence())
        return;
    QPointer<VoiceTuning> self(this);
    const std::optional<QuorvaneError> error = m_recorder->start([self](float level) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, level] {
                if (self) {
                    self->m_level = level;
                    emit self->levelChanged(level);
                }
            },
            Qt::QueuedConnection);
    });
    if (error) {
        setPhase(Phase::failed(error->localizedDescription()));
        return;
    }
    setPhase(Phase::recording(captured(), m_training.size() >= kTrainingTakes));
}

void VoiceTuning::finishRecording() {
    if (m_phase.kind != Phase::Kind::Recording)
        return;
    const QByteArray wav = WavData::encode(m_recorder->samples());
    m_recorder->stop();
    m_level = 0;
    emit levelChanged(0);
    if (wav.size() >= kMinimumTakeBytes) {
        (m_training.size() < kTrainingTakes ? m_training : m_checking).append(wav);
        emit clipsChanged();
    }
    setPhase(Phase::idle());
}

void VoiceTuning::abandonTake() {
    if (m_phase.kind != Phase::Kind::Recording)
        return;
    m_recorder->stop();
    m_level = 0;
    emit levelChanged(0);
    setPhase(Phase::idle());
}

void VoiceTuning::discardLast() {
    // A take in progress would otherwise be filed under the sentence after
    // the one it was read from.
    abandonTake();
    if (!m_checking.isEmpty())
        m_checking.removeLast();
    else if (!m_training.isEmpty())
        m_training.removeLast();
    else
        return;
    emit clipsChanged();
}

void VoiceTuning::reset() {
    abandonTake();
    m_training.clear();
    m_checking.clear();
    emit clipsChanged();
    setPhase(Phase::idle());
}

std::pair<int, int> VoiceTuning::wordErrors(const QString& reference, const QString& heard) {
    const QStringList expected = wordsOf(reference);
    if (expected.isEmpty())
        return {0, 0};
    return {Text::wordEditDistance(expected, wordsOf(heard)), int(expected.size())};
}

QFuture<void> VoiceTuning::run() {
    if (m_training.size() != kTrainingTakes || m_checking.size() != kCheckingTakes)
        return QtFuture::makeReadyFuture();
    auto run = std::make_shared<Run>();
    run->finished.start();
    QFuture<void> finished = run->finished.future();
    setPhase(Phase::measuringBefore(0));
    // Measured with the stored adapter in force: a new one must beat it.
    post(run, kDiscardPath, [this, run] {
        measure(run, false, 0, [this, run] {
            if (run->errorsBefore == 0) {
                setPhase(Phase::done(Outcome::alreadyPerfect(run->words)));
                run->finished.finish();
                return;
            }
            setPhase(Phase::tuning(0, 0));
            upload(run, 0, [this, run] {
                startWatcher(run);
                post(run, kFitPath, [this, run] {
                    *run->watching = false;
                    setPhase(Phase::measuringAfter(0));
                    measure(run, true, 0, [this, run] { decide(run); });
                });
            });
        });
    });
    return finished;
}

void VoiceTuning::post(const std::shared_ptr<Run>& run, const QString& path, std::function<void()> next) {
    VoiceAdapter::post(path, QJsonObject(), VoiceAdapter::kPostTimeout, m_base)
        .then(this, [this, run, next = std::move(next)](const VoiceAdapter::Posted& posted) {
            if (posted.error)
                fail(run, *posted.error);
            else
                next();
        });
}

void VoiceTuning::measure(const std::shared_ptr<Run>& run, bool after, int index, std::function<void()> next) {
    if (index >= kCheckingTakes) {
        next();
        return;
    }
    m_transcribe(m_checking.at(index), m_transcriptionTimeout)
        .then(this, [this, run, after, index, next = std::move(next)](QFuture<QString> future) mutable {
            const auto [heard, error] = outcomeOf(future);
            if (error) {
                fail(run, *error);
                return;
            }
            const auto [errors, words] = wordErrors(checkingSentences().at(index), heard);
            if (after) {
                run->errorsAfter += errors;
                setPhase(Phase::measuringAfter(index + 1));
            } else {
                run->errorsBefore += errors;
                run->words += words;
                setPhase(Phase::measuringBefore(index + 1));
            }
            measure(run, after, index + 1, std::move(next));
        });
}

void VoiceTuning::upload(const std::shared_ptr<Run>& run, int index, std::function<void()> next) {
    if (index >= kTrainingTakes) {
        next();
        return;
    }
    QJsonObject body;
    body.insert(QStringLiteral("text"), trainingSentences().at(index));
    body.insert(QStringLiteral("audio"), QString::fromLatin1(m_training.at(index).toBase64()));
    VoiceAdapter::post(kClipPath, body, VoiceAdapter::kPostTimeout, m_base)
        .then(this, [this, run, index, next = std::move(next)](const VoiceAdapter::Posted& posted) mutable {
            if (posted.error)
                fail(run, *posted.error);
            else
                upload(run, index + 1, std::move(next));
        });
}

void VoiceTuning::startWatcher(const std::shared_ptr<Run>& run) {
    run->watching = std::make_shared<bool>(true);
    pollProgress(run->watching);
}

void VoiceTuning::pollProgress(const std::shared_ptr<bool>& watching) {
    VoiceAdapter::progress(m_base).then(this, [this, watching](const std::optional<std::pair<int, int>>& progress) {
        if (!*watching)
            return;
        if (progress && progress->second >= 1 && m_phase.kind == Phase::Kind::Tuning)
            setPhase(Phase::tuning(progress->first, progress->second));
        QTimer::singleShot(m_progressInterval, this, [this, watching] {
            if (*watching)
                pollProgress(watching);
        });
    });
}

void VoiceTuning::decide(const std::shared_ptr<Run>& run) {
    if (run->errorsAfter < run->errorsBefore) {
        // Only now is the adapter stored for the servers launched after this one.
        VoiceAdapter::post(kKeepPath, QJsonObject(), VoiceAdapter::kPostTimeout, m_base)
            .then(this, [this, run](const VoiceAdapter::Posted& posted) {
                if (posted.error) {
                    fail(run, *posted.error);
                } else if (!posted.answer.value(QStringLiteral("ok")).toBool()) {
                    fail(run, tr("The tuning could not be saved."));
                } else {
                    setPhase(Phase::done(Outcome::better(run->errorsBefore, run->errorsAfter, run->words)));
                    run->finished.finish();
                }
            });
        return;
    }
    post(run, kDiscardPath, [this, run] {
        setPhase(Phase::done(Outcome::notBetter(run->errorsBefore, run->errorsAfter, run->words)));
        run->finished.finish();
    });
}

void VoiceTuning::fail(const std::shared_ptr<Run>& run, const QString& message) {
    if (run->watching)
        *run->watching = false;
    VoiceAdapter::post(kDiscardPath, QJsonObject(), VoiceAdapter::kPostTimeout, m_base)
        .then(this, [this, run, message](const VoiceAdapter::Posted&) {
            setPhase(Phase::failed(message));
            run->finished.finish();
        });
}

QFuture<void> VoiceTuning::turnOff() {
    return VoiceAdapter::post(kClearPath, QJsonObject(), VoiceAdapter::kPostTimeout, m_base)
        .then(this, [this](const VoiceAdapter::Posted&) { setPhase(Phase::done(Outcome::turnedOff())); });
}
