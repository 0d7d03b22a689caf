#pragma once

#include <QFuture>
#include <QString>

#include <chrono>
#include <optional>

class QObject;

// The text selected in the frontmost application, for reading it aloud. Tried
// in this order: the focused element's selection through the accessibility
// interface; the primary selection when the frontmost application holds it
// (never a stale selection of another window); a synthesized copy against a
// transient sentinel, never into a terminal, after which the whole clipboard
// is put back as it was. The copy is polled on timers: the GUI thread never
// sleeps, as the X11 clipboard needs its event loop. The copy borrows the
// clipboard in turn with every other round trip (ClipboardTurns): a read
// while another copy or a paste is out starts once the user's clipboard is
// back. GUI thread only.
namespace ReaderSelection {

inline constexpr auto kSentinel = "<<QV_NO_SELECTION>>";

struct Timing {
    std::chrono::milliseconds pollInterval{25};
    int polls = 24;
};

// The trimmed, non-empty selection, or nothing. A copy started goes to its
// end and puts the clipboard back even when `context` is gone meanwhile; the
// future finishes on the GUI thread.
QFuture<std::optional<QString>> read(QObject* context, Timing timing = {});

} // namespace ReaderSelection
