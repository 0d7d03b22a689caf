#include "translation/TranslateKeys.h"

#include "audio/Recorder.h"
#include "dictation/DictationPeers.h"
#include "dictation/FlashMessage.h"
#include "platform/OnDeviceTranslator.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "reader/ReaderChunks.h"
#include "reader/ReaderSelection.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Text.h"
#include "translation/TranslateBar.h"
#include "translator/Translator.h"

#include <QPromise>
#include <QTimer>

#include <memory>

struct TranslateKeys::Reading {
    qint64 generation = 0;
    QString text;
    QString source;
    QString target;
    QStringList chunks;
    Clock::time_point started;
    QFuture<std::optional<QString>> next;
    // Every piece was handled while this was the current request.
    bool completed = false;
    QPromise<void> promise;
};

namespace {

double secondsSince(TranslateKeys::Clock::time_point start, TranslateKeys::Clock::time_point now) {
    return std::chrono::duration<double>(now - start).count();
}

} // namespace

TranslateKeys::Services TranslateKeys::Services::standard() {
    Services services;
    services.available = [] { return Translator::isAvailable(); };
    services.selectedText = [](QObject* context) { return ReaderSelection::read(context); };
    services.split = [](const QString& text) { return ReaderChunks::splitForReader(text); };
    services.translatePiece = [](const QString& text, const QString& source, const QString& target) {
        OnDeviceTranslator* translator = Platform::current().onDeviceTranslator;
        return translator ? translator->translate(text, source, target)
                          : QtFuture::makeReadyFuture(std::optional<QString>());
    };
    services.toggleDictation = [] {
        if (const std::function<void()>& toggle = AppActions::shared().toggleDictation)
            toggle();
    };
    services.trace = [](const QString& line) { Recorder::trace(line); };
    services.now = [] { return Clock::now(); };
    return services;
}

TranslateKeys::TranslateKeys(AppState& state, Services services, QObject* parent)
    : QObject(parent), m_state(state), m_services(std::move(services)) {}

bool TranslateKeys::prologue() {
    if (!m_services.available || !m_services.available())
        return false;
    ++m_currentRun;
    if (m_peers.bar)
        m_peers.bar->hide();
    return true;
}

void TranslateKeys::armDictation() {
    Translator::setTranslateNextDictation(true);
    m_state.setIsTranslating(true);
    QTimer::singleShot(0, this, [this] {
        if (m_services.toggleDictation)
            m_services.toggleDictation();
    });
}

void TranslateKeys::dictateOnceTranslated() {
    if (m_services.available && m_services.available())
        armDictation();
}

void TranslateKeys::translateDictateKeyPressed() {
    if (prologue())
        dictateOnceTranslated();
}

void TranslateKeys::withSelection(const QString& traceName, std::function<void(const QString& trimmed)> then) {
    const Clock::time_point started = m_services.now();
    m_services.selectedText(this).then(this, [this, traceName, started, then](const std::optional<QString>& text) {
        const QString captured = text.value_or(QString());
        trace(QStringLiteral("%1 grabSelection=%2s chars=%3")
                  .arg(traceName)
                  .arg(secondsSince(started, m_services.now()), 0, 'f', 2)
                  .arg(Text::graphemeCount(captured)));
        then(captured.trimmed());
    });
}

void TranslateKeys::translateKeyPressed() {
    if (!prologue())
        return;
    withSelection(QStringLiteral("translate"), [this](const QString& trimmed) {
        if (!trimmed.isEmpty())
            (void)readTranslated(trimmed);
        else if (m_services.available())
            armDictation();
    });
}

void TranslateKeys::translateReadKeyPressed() {
    if (!prologue())
        return;
    withSelection(QStringLiteral("translateRead"), [this](const QString& trimmed) {
        if (!trimmed.isEmpty()) {
            (void)readTranslated(trimmed);
            return;
        }
        flash(QStringLiteral("Highlight some text first, then double-tap again to hear it in %@.")
                  .replace(QStringLiteral("%@"), Translator::displayName(Translator::readTarget())));
    });
}

QFuture<void> TranslateKeys::readTranslated(const QString& text, const std::optional<QString>& into) {
    if (!m_services.available || !m_services.available())
        return QtFuture::makeReadyFuture();
    auto reading = std::make_shared<Reading>();
    reading->promise.start();
    QFuture<void> done = reading->promise.future();
    reading->text = text;
    reading->target = into.value_or(Translator::readTarget());
    reading->started = m_services.now();
    reading->generation = ++m_currentRun;

    const std::optional<QString> source = Translator::detect(text);
    if (!source || Translator::base(*source) == Translator::base(reading->target)) {
        m_services.speak(text).then(this, [this, reading] { finished(reading); }).onCanceled(this, [this, reading] {
            finished(reading);
        });
        return done;
    }
    reading->source = *source;
    Translator::availability(reading->source, reading->target)
        .then(this, [this, reading](Translator::Availability availability) {
            // The highlighted passage's language is the one that cannot be
            // translated from, as a dictation's failure names its own language.
            const QString name = Translator::displayName(reading->source);
            if (availability == Translator::Availability::Unsupported) {
                // No package can fix this pair, so installing is not suggested.
                flash(name + Wording::of(QStringLiteral(" cannot be translated on this Mac.")));
                finished(reading);
                return;
            }
            if (availability != Translator::Availability::Installed) {
                flash(name
                      + Wording::of(QStringLiteral(" is not downloaded yet. System Settings > General > Language "
                                                   "& Region > Translation Languages.")));
                finished(reading);
                return;
            }
            if (m_peers.bar)
                m_peers.bar->show(reading->text, reading->source, reading->target);
            reading->chunks = m_services.split(reading->text);
            if (reading->chunks.isEmpty()) {
                finished(reading);
                return;
            }
            reading->next = m_services.translatePiece(reading->chunks.first(), reading->source, reading->target);
            translateNext(reading, 0);
        });
    return done;
}

void TranslateKeys::translateNext(const std::shared_ptr<Reading>& reading, qsizetype index) {
    if (m_currentRun != reading->generation || index >= reading->chunks.size()) {
        reading->completed = m_currentRun == reading->generation;
        finished(reading);
        return;
    }
    // A copy: the continuation may replace `reading->next` while `then` still uses its future.
    QFuture<std::optional<QString>> awaited = reading->next;
    awaited
        .then(this,
              [this, reading, index](const std::optional<QString>& translated) { piece(reading, index, translated); })
        .onCanceled(this, [this, reading, index] { piece(reading, index, std::nullopt); });
}

void TranslateKeys::piece(const std::shared_ptr<Reading>& reading, qsizetype index,
                          const std::optional<QString>& translated) {
    // A superseded reading ends silently, even when its piece failed.
    if (m_currentRun != reading->generation) {
        finished(reading);
        return;
    }
    if (!translated) {
        flash(QStringLiteral("Could not translate that selection."));
        finished(reading);
        return;
    }
    if (index + 1 < reading->chunks.size())
        reading->next = m_services.translatePiece(reading->chunks.at(index + 1), reading->source, reading->target);
    const QString spoken = translated->trimmed();
    if (spoken.isEmpty()) {
        translateNext(reading, index + 1);
        return;
    }
    if (index == 0) {
        trace(QStringLiteral("translate chars=%1 chunks=%2 firstWord=%3s")
                  .arg(Text::graphemeCount(reading->text))
                  .arg(reading->chunks.size())
                  .arg(secondsSince(reading->started, m_services.now()), 0, 'f', 2));
        if (m_peers.bar && m_peers.bar->isVisible())
            m_peers.bar->armHide(kBarWhileSpeaking);
    }
    // A piece cut short by a stop or by another reading ends the passage there.
    m_services.speak(spoken)
        .then(this, [this, reading, index] { translateNext(reading, index + 1); })
        .onCanceled(this, [this, reading] { finished(reading); });
}

void TranslateKeys::finished(const std::shared_ptr<Reading>& reading) {
    // The continuation on the next piece holds the reading; letting go of the
    // piece ends that cycle, which would keep both for good.
    reading->next = {};
    if (reading->promise.future().isFinished())
        return;
    if (reading->completed && m_peers.bar && m_peers.bar->isVisible() && !m_peers.bar->expanded())
        m_peers.bar->armHide(kBarAfterReading);
    reading->promise.finish();
}

void TranslateKeys::flash(const QString& message) { flashMessage(m_state, m_peers.bubble, message, kFlashShown); }

void TranslateKeys::trace(const QString& line) const {
    if (m_services.trace)
        m_services.trace(line);
}
