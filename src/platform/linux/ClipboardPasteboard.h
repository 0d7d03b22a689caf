#pragma once

#include "platform/Pasteboard.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QMimeData;

// The clipboard through QClipboard. The program serves its own clipboard data,
// so the event loop must keep running while it owns the clipboard.
class ClipboardPasteboard : public QObject, public Pasteboard {
    Q_OBJECT
public:
    ClipboardPasteboard();

    qint64 changeCount() override;
    Snapshot snapshot() override;
    void clear() override;
    void restore(const Snapshot& items) override;
    void writeText(const QString& text, bool transient) override;
    void whenFetched(std::function<void()> done) override;

private:
    void onChanged();
    void onFetched(QMimeData* data);
    void take(QMimeData* data);
    bool stillOurs() const;

    qint64 m_count = 0;
    bool m_writing = false;
    bool m_fetched = false;
    QPointer<QMimeData> m_ours;
    QList<std::function<void()>> m_waiting;
};
