#pragma once

#include <QFuture>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

class AppState;
class BubbleControl;
class TranslateBar;

// What the translate double-taps and the Translate menu run, and the reading
// aloud of a highlighted passage in another language: the passage is translated
// piece by piece, the next piece's translation running while the current one is
// spoken. Requests are superseded, not cancelled: every request raises
// `currentRun`, and work started under an older value drops what it would have
// done at its next check. GUI thread only.
class TranslateKeys : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kFlashShown{2200};
    // The bar stays while the reading speaks, and a little after it ends.
    static constexpr std::chrono::seconds kBarWhileSpeaking{45};
    static constexpr std::chrono::seconds kBarAfterReading{9};

    struct Services {
        // The translation gate; everything here does nothing without it.
        std::function<bool()> available;
        // The selection of the frontmost application, or nothing.
        std::function<QFuture<std::optional<QString>>(QObject* context)> selectedText;
        // Speaks a text with the reader; finishes when it has been spoken, and
        // is cancelled when a stop or another reading cut it short.
        std::function<QFuture<void>(const QString& text)> speak;
        // The reader's chunks of a passage.
        std::function<QStringList(const QString& text)> split;
        // One piece; nothing for a failed or timed-out translation.
        std::function<QFuture<std::optional<QString>>(const QString& text, const QString& source,
                                                      const QString& target)>
            translatePiece;
        // Starts a dictation, or stops the running one.
        std::function<void()> toggleDictation;
        std::function<void(const QString& line)> trace;
        std::function<Clock::time_point()> now;

        // The translator, the selection, the reader's chunks and the action
        // table's dictation; whoever makes the keys joins them to the reader
        // (`speak`).
        static Services standard();
    };

    struct Peers {
        TranslateBar* bar = nullptr;
        BubbleControl* bubble = nullptr;
    };

    // `state` must outlive this.
    TranslateKeys(AppState& state, Services services, QObject* parent = nullptr);

    void setPeers(Peers peers) { m_peers = peers; }

    qint64 currentRun() const { return m_currentRun; }
    // Supersedes whatever translate request is running (the reader's stop-all).
    void abandon() { ++m_currentRun; }

    // The translate-and-dictate key.
    void translateDictateKeyPressed();
    // The selection-aware translate key: reads the selection translated, or
    // dictates once translated when nothing is selected.
    void translateKeyPressed();
    // Reads the selection translated into the reading target.
    void translateReadKeyPressed();
    // Marks the next dictation for translation and starts it.
    void dictateOnceTranslated();
    // Reads `text` translated into `into`, or into the reading target; finishes
    // when the reading has ended, failed or been superseded.
    QFuture<void> readTranslated(const QString& text, const std::optional<QString>& into = std::nullopt);

private:
    struct Reading;
    bool prologue();
    void armDictation();
    void withSelection(const QString& traceName, std::function<void(const QString& trimmed)> then);
    void translateNext(const std::shared_ptr<Reading>& reading, qsizetype index);
    void piece(const std::shared_ptr<Reading>& reading, qsizetype index, const std::optional<QString>& translated);
    void finished(const std::shared_ptr<Reading>& reading);
    void flash(const QString& message);
    void trace(const QString& line) const;

    AppState& m_state;
    Services m_services;
    Peers m_peers;
    qint64 m_currentRun = 0;
};
