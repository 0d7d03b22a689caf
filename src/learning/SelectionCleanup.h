#pragma once

#include "learning/SelectionChipView.h"
#include "platform/Hotkeys.h"

#include <QFuture>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AppState;
class CleanupEngine;
class Defaults;

// The "Clean up" chip next to a selection in an editable field of another
// application: a mouse-up or key-up anywhere schedules a look at the selection
// 0.25 s later; a selection of 25 to 8000 characters offers the chip, which
// cleans the text and pastes the result, fitted to the selection's edges
// (SelectionReplacement), over the selection. Scrolling or
// switching applications dismisses an offer, and a dismissed text is not
// offered again until another text is dismissed. The selection is read again
// before cleaning and before pasting, so a changed selection is never pasted
// over. GUI thread.
class SelectionCleanup : public QObject {
    Q_OBJECT
public:
    using ChipState = SelectionChipView::State;

    inline static constexpr int kMinCharacters = 25;
    inline static constexpr int kMaxCharacters = 8000;

    struct Timing {
        std::chrono::milliseconds pollDelay{250};
        std::chrono::milliseconds offerLife{4500};
        std::chrono::milliseconds doneLife{1400};
    };

    struct Services {
        Defaults& defaults;
        AppState& state;
        CleanupEngine& cleanup;
        // Whether text is being read aloud; absent means never.
        std::function<bool()> isReading;
        // Cleans a selection; by default the engine's transcript cleanup
        // without aggressive polish, instruction or number style, lists inferred.
        std::function<QFuture<QString>(const QString&)> clean;
    };

    explicit SelectionCleanup(Services services);
    SelectionCleanup(Services services, Timing timing, QObject* parent = nullptr);
    ~SelectionCleanup() override;

    // Replaces the check whether text is being read aloud.
    void setReadingCheck(std::function<bool()> isReading) { m_services.isReading = std::move(isReading); }
    // Watches input once; later calls do nothing.
    void start();
    // Looks at the selection `pollDelay` from now, replacing a pending look.
    void schedulePoll();
    // Looks at the selection now.
    void poll();
    // Takes an offer down and remembers its text as turned down.
    void dismiss();
    // The chip's click.
    void cleanSelection();

    ChipState chipState() const { return m_chipState; }
    const std::optional<QString>& shownFor() const { return m_shownFor; }
    const std::optional<QString>& dismissedFor() const { return m_dismissedFor; }
    bool isShown() const;
    SelectionChipView* panel() const { return m_panel.get(); }

    // Where a chip of `size` goes for a selection: above it, or below when
    // there is no room above; its right edge 20 past the selection's, kept 4
    // inside the usable area `visible`. Top-left coordinates.
    static QPointF chipOrigin(const QRectF& selection, const QSizeF& size, const QRectF& visible);
    // Without the selection's rectangle: up and to the right of the pointer.
    static QPointF pointerOrigin(const QPointF& pointer, const QSizeF& size, const std::optional<QRectF>& visible);

private:
    void setChipState(ChipState state);
    void show(const QString& text);
    void hide();
    void finish();
    SelectionChipView& ensurePanel();

    Services m_services;
    Timing m_timing;
    ChipState m_chipState = ChipState::Idle;
    std::optional<QString> m_shownFor;
    std::optional<QString> m_dismissedFor;
    std::optional<Hotkeys::WatchId> m_watch;
    std::unique_ptr<SelectionChipView> m_panel;
    QTimer m_pollTimer;
    QTimer m_hideTimer;
};
