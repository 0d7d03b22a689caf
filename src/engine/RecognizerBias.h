#pragma once

#include "stores/WordBoostSink.h"

#include <QFuture>
#include <QMutex>
#include <QObject>
#include <QPromise>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class MlxServer;

// Keeps the speech server's word-boost list equal to the user's own words: the
// dictionary's canonical spellings followed by the account's name words. The
// server forgets the list when it restarts, so the launch sends it once the
// server answers, every server the program launches later (a first run's,
// one after a crash or a repair) is sent it as soon as it answers, and every
// change of the dictionary pushes it again.
//
// push() may be called from any thread; the comparison with the last list
// handed to a send happens under a lock. Sends run on this object's thread
// (the GUI thread), one at a time: a list pushed while one is in flight waits,
// and only the newest waiting list goes out, so the server always ends with the
// newest list. Answers and errors of the server are ignored.
class RecognizerBias : public QObject, public WordBoostSink {
    Q_OBJECT
public:
    using WordSource = std::function<QStringList()>;

    static constexpr double kBoost = 9.0;
    static constexpr std::chrono::milliseconds kSendTimeout{5000};
    static constexpr std::chrono::milliseconds kProbeTimeout{2000};
    static constexpr std::chrono::milliseconds kProbePause{1500};
    static constexpr int kMaxProbes = 40;

    // `words` builds the list at each push and at the launch's send.
    RecognizerBias(QUrl baseUrl, WordSource words, QObject* parent = nullptr);

    // Builds the list; unless `force`, a list equal to the last one handed to a
    // send (same words, same order) is not sent again. Returns at once.
    void push(bool force) override;
    // Probes the model list up to kMaxProbes times, kProbePause apart, until the
    // server answers below 500 or not in HTTP at all; then sends the current
    // list once, without changing lastSent(). The future finishes with true
    // once the list was handed to a send, false when the server never answered.
    // Callable from any thread.
    QFuture<bool> sendOnceReady();
    // Sends the current list, without changing lastSent(), to each server that
    // `server` launches from now on, once it answers. GUI thread.
    void follow(MlxServer& server);

    QStringList lastSent() const;
    // The request body: {"words": [...], "boost": 9.0}.
    static QByteArray body(const QStringList& words);

    // Tests shorten the pause between probes.
    void setProbePause(std::chrono::milliseconds pause) { m_probePause = pause; }

private:
    void enqueue(const QStringList& words);
    void sendNext();
    void probe(int remaining, const std::shared_ptr<QPromise<bool>>& promise);

    const QUrl m_baseUrl;
    const WordSource m_words;
    std::chrono::milliseconds m_probePause = kProbePause;

    mutable QMutex m_lock;
    QStringList m_lastSent; // guarded by m_lock

    // This object's thread only.
    bool m_sending = false;
    std::optional<QStringList> m_waiting;
};
