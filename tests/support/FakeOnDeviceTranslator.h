#pragma once

#include "platform/OnDeviceTranslator.h"

#include <QHash>
#include <QList>
#include <QPromise>

#include <functional>
#include <memory>

// A translator whose pairs and answers a test sets. Translations finish when
// the test says so, from a promise it can complete at any time, or at once with
// `answer`.
class FakeOnDeviceTranslator : public OnDeviceTranslator {
public:
    struct Request {
        QString text;
        QString source;
        QString target;
    };

    bool isAvailable() override { return available; }

    PairStatus status(const QString& source, const QString& target) override {
        return pairs.value(source + QLatin1Char('>') + target, PairStatus::Unsupported);
    }

    QFuture<std::optional<QString>> translate(const QString& text, const QString& source,
                                              const QString& target) override {
        requests.append({text, source, target});
        if (holdAnswers) {
            held.append(std::make_shared<QPromise<std::optional<QString>>>());
            held.last()->start();
            return held.last()->future();
        }
        return QtFuture::makeReadyFuture(answer);
    }

    // A copy of `pairs` as they stand; counts the looks taken.
    std::unique_ptr<PairSnapshot> snapshot() override {
        struct Copy : PairSnapshot {
            QHash<QString, PairStatus> pairs;
            PairStatus status(const QString& source, const QString& target) const override {
                return pairs.value(source + QLatin1Char('>') + target, PairStatus::Unsupported);
            }
        };
        auto copy = std::make_unique<Copy>();
        copy->pairs = pairs;
        ++snapshots;
        return copy;
    }

    std::optional<QString> installCommand(const QString& source, const QString& target) override {
        if (status(source, target) != PairStatus::Supported)
            return std::nullopt;
        return QStringLiteral("sudo apt-get install pair-") + source + QLatin1Char('-') + target;
    }

    std::optional<QString> removeCommand(const QString& source, const QString& target) override {
        if (status(source, target) != PairStatus::Installed)
            return std::nullopt;
        return QStringLiteral("sudo apt-get remove pair-") + source + QLatin1Char('-') + target;
    }

    void watchInstalledPairs(std::function<void()> changed) override { pairsChanged = std::move(changed); }

    void setPair(const QString& source, const QString& target, PairStatus status) {
        pairs.insert(source + QLatin1Char('>') + target, status);
    }

    bool available = true;
    QHash<QString, PairStatus> pairs;
    std::optional<QString> answer;
    // When set, each translation waits in `held` until the test finishes it.
    bool holdAnswers = false;
    QList<std::shared_ptr<QPromise<std::optional<QString>>>> held;
    QList<Request> requests;
    int snapshots = 0;
    // What the watcher would call.
    std::function<void()> pairsChanged;
};
