#pragma once

#include "looks/Alert.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

class Defaults;
class StatsStore;

// Asks once per user, a while after a launch with enough dictated words, for
// a review on the maker's site. GUI thread.
class ReviewPrompt : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kShownKey = "reviewPromptShown";
    static constexpr qint64 kWordsThreshold = 20000;
    static constexpr std::chrono::seconds kDelay{90};

    // Runs `work` after `delay` on the GUI thread.
    using Scheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()> work)>;

    struct Services {
        Defaults* settings = nullptr;
        // The running total of dictated words.
        std::function<qint64()> wordsTotal;
        Scheduler schedule;
        AlertPresenter present;
        // Brings the program in front of other applications.
        std::function<void()> activate;

        // The running program's: `settings` and the words total of `stats`
        // (both must outlive the prompt), Qt timers, message boxes.
        static Services standard(Defaults& settings, const StatsStore& stats);
    };

    explicit ReviewPrompt(Services services, QObject* parent = nullptr);

    // Called once at launch: schedules the question when it was never asked
    // and the words total has reached the threshold.
    void considerAsking();

    // The review page for `reason` ("prompt" or "menu").
    static QUrl pageUrl(const QString& version, const QString& reason);
    // Opens the review page in the browser; the outcome is not looked at.
    static void openPage(const QString& reason);

private:
    void ask(qint64 words);

    Services m_services;
};
