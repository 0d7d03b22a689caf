#pragma once

#include <QFuture>
#include <QString>

#include <optional>

// The desktop's primary selection: the text last selected in any application,
// served by the application that selected it. GUI thread only.
class PrimarySelection {
public:
    struct Owned {
        QString text;
        // The process of the application that holds the selection; 0 when unknown.
        qint64 ownerPid = 0;
    };

    virtual ~PrimarySelection() = default;

    // The selected text with its owner's process; none when nobody holds a
    // selection or it holds no text. The owner serves the text itself, so the
    // wait for it is bounded and runs on the event loop; the future finishes
    // on the GUI thread.
    virtual QFuture<std::optional<Owned>> read() = 0;
};
