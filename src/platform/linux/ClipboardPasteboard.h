#pragma once

#include "platform/Pasteboard.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

class QMimeData;

// The clipboard through QClipboard. The program serves its own clipboard data,
// so the event loop must keep running while it owns the clipboard. Another
// application's clipboard is read over an X connection of its own with
// deadlines (QClipboard would wait five seconds for each format of an owner
// that never answers), so a hung owner costs a bounded wait. GUI thread only.
class ClipboardPasteboard : public QObject, public Pasteboard {
    Q_OBJECT
public:
    // An owner that has not answered for this long is taken to be hung: what
    // it has not given by then is left out of the snapshot.
    static constexpr std::chrono::milliseconds kOwnerAnswerWait{500};
    // The longest one snapshot of another application's clipboard takes.
    static constexpr std::chrono::milliseconds kSnapshotBudget{2000};

    ClipboardPasteboard();
    ~ClipboardPasteboard() override;

    qint64 changeCount() override;
    // Every format another application's clipboard gives within the waits
    // above; nothing when its owner does not answer.
    Snapshot snapshot() override;
    void clear() override;
    void restore(const Snapshot& items) override;
    void writeText(const QString& text, bool transient) override;
    void whenFetched(std::function<void()> done) override;

private:
    class SelectionReader;

    void onChanged();
    void onFetched(QMimeData* data);
    // What the data this object puts on the clipboard calls when a target fetches it.
    std::function<void(QMimeData*)> fetchWatch();
    void take(QMimeData* data);
    bool stillOurs() const;
    Snapshot snapshotOfQtData() const;

    qint64 m_count = 0;
    bool m_writing = false;
    bool m_fetched = false;
    QPointer<QMimeData> m_ours;
    QList<std::function<void()>> m_waiting;
    // Opened on the first snapshot of another application's clipboard.
    std::unique_ptr<SelectionReader> m_reader;
    bool m_readerTried = false;
};
