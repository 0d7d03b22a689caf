#pragma once

#include "platform/Accessibility.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class AtspiBus;
class AtspiFlag;
class AtspiFocusEvents;
class AtspiFocusWalk;
struct AtspiLastFocused;
class AtspiTextOffsets;
class Workspace;

// Other applications' elements through AT-SPI. Trust is the session's
// accessibility flag (org.a11y.Status IsEnabled on the session bus): kept in a
// cache that asynchronous reads and the flag's change signal refresh, so asking
// never waits for the bus. Offsets are turned into UTF-16 units for toolkits
// that count code points (all but Qt); for a large text that takes a map of
// its astral characters, kept current with the application's text-change
// events, so that a read costs the characters read, not everything before
// them. The focused element is the one the toolkits last said gained the
// focus, while it still has it; only for an application not heard from is it
// searched for by walking its elements, in slices of kWalkSlice with the event
// loop turning between them: a question that the first slice cannot answer
// gets none, and the questions after the walk has found the focus get it.
// Lives on the GUI thread.
class AtspiAccessibility : public QObject, public Accessibility {
    Q_OBJECT
public:
    // How long one slice of a walk for the focus holds the thread.
    static constexpr std::chrono::milliseconds kWalkSlice{20};
    // A slice that lasts the whole walk, for a program that asks once and
    // has no window to keep answering (the helper).
    static constexpr std::chrono::milliseconds kWholeWalk = std::chrono::hours(1);

    // `workspace` names the frontmost application whose focus is looked up;
    // `bus` is where the accessibility flag lives (tests pass a private one).
    explicit AtspiAccessibility(Workspace* workspace, const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                std::chrono::milliseconds walkSlice = kWalkSlice);
    ~AtspiAccessibility() override;

    // The flag as last heard, false until the first answer; starts a refresh.
    bool isTrusted() override;
    // Sets the flag on the bus without waiting, then reads it back: the
    // flag as read back is both the answer and the new `isTrusted`.
    void requestTrust(std::function<void(bool on)> answered) override;
    void prepare() override;
    std::shared_ptr<AccessibleElement> focusedElement() override;
    std::optional<QRect> focusedWindowFrame(qint64 pid) override;
    // The top-level X window at the point and its process, then that
    // application's deepest element there; the walk over the element's
    // neighbours ends at the first call that fails or times out.
    std::shared_ptr<AccessibleElement> elementAt(QPoint point) override;
    // From the element found focused last, in a toolkit that counts UTF-16
    // units; none before a focus has been found.
    std::unique_ptr<PendingCaretSlice> readCaretAhead(qint64 before, qint64 after) override;
    // Over our own connection to the accessibility bus, of the element found
    // or heard focused last; nothing before a focus has been found or while
    // the connection is being made.
    void readSelectionRect(std::function<void(std::optional<QRect> rect)> answered) override;

    // How many elements the searches for the focus have visited so far: the
    // cost the focus events spare.
    quint64 elementsWalked() const { return m_elementsWalked; }

private:
    // The element heard gaining the focus last becomes the one to ask first.
    void takeHeardFocus();
    // One slice of the walk under way; the focus it finds becomes the last found.
    void walkOn();

    Workspace* m_workspace;
    std::unique_ptr<AtspiFlag> m_flag;
    std::unique_ptr<AtspiLastFocused> m_lastFocused;
    // Set by the focus events, taken by the next question about the focus.
    std::unique_ptr<AtspiLastFocused> m_heard;
    // Shared with the elements handed out, which may outlive this object.
    std::shared_ptr<AtspiTextOffsets> m_offsets;
    std::unique_ptr<AtspiFocusEvents> m_focusEvents;
    std::unique_ptr<AtspiBus> m_accessibilityBus;
    std::chrono::milliseconds m_walkSlice;
    // The walk for the focus under way, and the turn of the event loop at
    // which it goes on.
    std::unique_ptr<AtspiFocusWalk> m_walk;
    QTimer m_walkTurn;
    quint64 m_elementsWalked = 0;
};
