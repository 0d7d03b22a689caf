#pragma once

#include "platform/Pasteboard.h"

#include <QList>

// A clipboard held in memory. `otherAppCopies` stands for another application
// taking the clipboard; `targetFetches` for the paste target asking for the data.
class FakePasteboard : public Pasteboard {
public:
    qint64 changeCount() override { return count; }
    Snapshot snapshot() override { return items; }
    void clear() override {
        items.clear();
        bump();
    }
    void restore(const Snapshot& snapshot) override {
        ++restores;
        items = snapshot;
        bump();
    }
    void writeText(const QString& text, bool transient) override {
        Item item{{QStringLiteral("text/plain"), text.toUtf8()}};
        if (transient)
            item << qMakePair(QStringLiteral("x-kde-passwordManagerHint"), QByteArray("secret"));
        items = {item};
        bump();
    }
    void whenFetched(std::function<void()> done) override {
        if (fetched)
            done();
        else
            waiting << std::move(done);
    }

    void otherAppCopies(const QString& text) {
        items = {Item{{QStringLiteral("text/plain"), text.toUtf8()}}};
        bump();
    }
    void targetFetches() {
        fetched = true;
        const auto calls = std::exchange(waiting, {});
        for (const auto& call : calls)
            call();
    }
    QString plainText() const {
        for (const Item& item : items)
            for (const auto& [format, bytes] : item)
                if (format == QStringLiteral("text/plain"))
                    return QString::fromUtf8(bytes);
        return {};
    }
    bool isTransient() const {
        return !items.isEmpty()
               && items.first().contains(qMakePair(QStringLiteral("x-kde-passwordManagerHint"), QByteArray("secret")));
    }

    Snapshot items;
    qint64 count = 0;
    int restores = 0;
    bool fetched = false;
    QList<std::function<void()>> waiting;

private:
    void bump() {
        ++count;
        fetched = false;
        waiting.clear();
    }
};
