#pragma once

#include "platform/OnDeviceTranslator.h"

#include <QFuture>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class TranslationGate;

// Which of a fixed list of languages can be used for translation on this
// computer now: `sources`, the languages a dictation can be translated from into
// the typing target, and `targets`, the languages a passage can be read aloud
// in. A refresh takes one snapshot of the installed pairs, works the two passes
// out off the GUI thread and publishes both lists together. At most one refresh
// per target every 300 s unless forced; a forced refresh asked for while
// another runs, or one for another target, runs right after it. GUI thread only.
class TranslationCatalog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList targets READ targets NOTIFY targetsChanged)
    Q_PROPERTY(QStringList sources READ sources NOTIFY sourcesChanged)
    Q_PROPERTY(bool hasChecked READ hasChecked NOTIFY hasCheckedChanged)
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kThrottle{300};

    struct Lists {
        QStringList sources;
        QStringList targets;
        bool operator==(const Lists&) const = default;
    };

    struct Services {
        // The translator in use, or null; null or unavailable means nothing is checked.
        std::function<OnDeviceTranslator*()> translator;
        std::function<QString()> typeTarget;
        std::function<Clock::time_point()> now;
        // Runs the check away from the GUI thread; the future may finish anywhere.
        std::function<QFuture<Lists>(std::function<Lists()> check)> runCheck;

        static Services standard();
    };

    // The 20 candidate languages, in the order both lists follow.
    static const QStringList& candidates();
    // The two passes over one snapshot for dictation into `target`.
    static Lists check(const OnDeviceTranslator::PairSnapshot& pairs, const QString& target);

    // Shared: the translation roads' free functions and views ask the one catalog of installed pairs.
    static TranslationCatalog& shared();
    explicit TranslationCatalog(Services services, QObject* parent = nullptr);

    QStringList targets() const { return m_lists.targets; }
    QStringList sources() const { return m_lists.sources; }
    bool hasChecked() const { return m_hasChecked; }
    bool refreshing() const { return m_refreshing; }
    std::optional<Clock::time_point> lastRefresh() const { return m_lastRefresh; }

    // Recomputes both lists; finishes (on the GUI thread) when they are
    // published, or at once when there is nothing to do. A refresh queued behind
    // a running one finishes with it.
    QFuture<void> refresh(bool force = false);

    // Refreshes (throttled) when the program becomes active and (forced) when
    // `gate` reports changed pairs; starts the gate's watch. Once.
    void observe(TranslationGate& gate);

signals:
    void targetsChanged();
    void sourcesChanged();
    void hasCheckedChanged();

private:
    struct Pending;
    void start(const QString& target);
    void finish(const QString& target, const Lists& lists);

    Services m_services;
    Lists m_lists;
    bool m_hasChecked = false;
    bool m_refreshing = false;
    std::optional<Clock::time_point> m_lastRefresh;
    QString m_lastTarget;
    QString m_runningTarget;
    std::shared_ptr<Pending> m_running;
    std::shared_ptr<Pending> m_queued;
    bool m_observing = false;
};
