#pragma once

#include "dictation/BubblePlacement.h"
#include "dictation/DictationPeers.h"
#include "platform/Hotkeys.h"
#include "state/AppState.h"
#include "state/BubbleMode.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class BubbleView;
class Defaults;
class PanelShadow;
class QWidget;
class WordSwapTaker;

// The one floating window of the dictation: a frameless tool panel that stays
// above every window on every desktop, near the text being typed into, and
// never takes the keyboard focus or activates (with or without a window
// manager). It shows the bubble in the mode asked for, places it, watches
// keys from the first thinking or result show until it hides, hides on
// request or after its one timer, and writes a trace line for each show and
// hide. The window is cut to the look the view draws, so the desktop shows
// and takes clicks around a card or a pill; without a compositing manager
// the look is painted opaque. Takes the mouse only in result mode, and the
// number keys of the offered word swaps only while the card offers them with
// the target in front, so that the digit never reaches the target. The
// program's own posted keystrokes (a swap that retypes the text) are not the
// user's typing. Writes `bubbleMode` and `cardAtTop` of the state;
// everything else it shows is the BubbleView's. GUI thread only.
class BubblePanel : public QObject, public BubbleControl {
    Q_OBJECT
public:
    // Runs `task` once after `delay` on the GUI thread, unless `context` is gone.
    using Schedule = std::function<void(std::chrono::milliseconds delay, QObject* context, std::function<void()> task)>;

    // What the panel asks of the desktop; `standard()` takes it from Qt and the platform.
    struct Desktop {
        std::function<QList<BubblePlacement::Screen>()> screens;
        std::function<std::optional<int>()> mainScreen;
        std::function<std::optional<QPointF>()> mouse;
        std::function<std::optional<QRectF>()> caretRect;
        std::function<std::optional<QRectF>()> focusedWindowRect;
        // The frontmost application's name, "" when there is none.
        std::function<QString()> frontmostName;
        // The key watch and taking; null when keys cannot be watched.
        std::function<Hotkeys*()> keys;
        // Whether a compositing manager blends translucent windows with the
        // desktop; none or false: the panel is painted opaque.
        std::function<bool()> composited;
        Schedule schedule;
        std::function<void(const QString& message)> trace;
        // The clean-up button's action.
        std::function<void()> cleanUp;

        // The platform's desktop, without a clean-up action.
        static Desktop standard();
    };

    static constexpr QSize kSize{620, 320};
    // The screen-saver level: above every ordinary and floating window.
    static constexpr int kWindowLevel = 1000;
    static constexpr qreal kCornerRadius = 24;
    static constexpr std::chrono::milliseconds kFlashShown{2200};
    static constexpr std::chrono::milliseconds kResultWithSwapsShown{6000};
    static constexpr std::chrono::milliseconds kResultBase{700};
    static constexpr std::chrono::milliseconds kResultPerWord{50};
    static constexpr quint32 kReturnKey = 36;
    static constexpr quint32 kKeypadEnterKey = 76;
    // The "1", "2" and "3" keys of the main row.
    static constexpr quint32 kOptionKeys[] = {18, 19, 20};
    // The grab around the panel, and its scale.
    static constexpr int kCaptureMargin = 60;
    static constexpr int kCaptureScale = 2;

    // `state` and `defaults` must outlive the panel.
    BubblePanel(AppState& state, Defaults& defaults, Desktop desktop, QObject* parent = nullptr);
    ~BubblePanel() override;

    void show(BubbleMode mode) override;
    void hide() override;
    void scheduleHide(std::chrono::milliseconds after) override;
    // Makes the panel and its view ahead of the first show, which then has
    // only to place and show them.
    void prepare() { ensurePanel(); }
    // Writes a PNG of the screen 60 points around the panel, at twice the size.
    void captureRegion(const QString& path);

    // The number keys and the option buttons go through `taker` (null: they only hide).
    void setWordSwapTaker(WordSwapTaker* taker) { m_swapTaker = taker; }

    // How long a result card stays: min(0.7 s + 0.05 s a word, "resultCardSeconds"
    // or its default), at least 6 s while word swaps are offered.
    static std::chrono::milliseconds resultLifetime(const QString& finalText, bool hasSwaps, const Defaults& defaults);

    // The key monitor's work for one key going down, with its stored code
    // (none for a key the stored codes do not know).
    void handleKeyDown(std::optional<quint32> keyCode);
    // The work for a number key taken while the card offers swaps.
    void handleOptionKey(quint32 keyCode);

    BubblePlacement::Rule lastPlacementRule() const { return m_lastRule; }
    bool isWatchingKeys() const { return m_keyWatch.has_value(); }
    // The number keys taken from the applications now.
    QList<quint32> takenOptionKeys() const { return m_optionKeys; }
    bool hideScheduled() const { return m_hidePending; }
    // The panel window; null before the first show or prepare().
    QWidget* window() const { return m_panel.get(); }
    BubbleView* view() const { return m_view; }
    // The shadow's window; null before a shadow was drawn.
    QWidget* shadowWindow() const;
    bool acceptsMouse() const;
    // Mapped on the current desktop.
    bool isOnScreen() const;

private:
    QWidget* ensurePanel();
    void dropPanel();
    void setMouseAccepted(bool accepted);
    void fitToLook();
    void startKeyWatch();
    // Takes the number keys the first offer has options for while the card
    // shows it and the target is in front; gives them back otherwise.
    void updateOptionKeys();
    void releaseOptionKeys();
    bool targetInFront() const;
    void present(const QPoint& origin);
    QString showLine(BubbleMode mode, const QPoint& origin) const;
    void takeOption(const AppState::WordSwap& swap, const QString& option);
    void trace(const QString& message) const;

    AppState& m_state;
    Defaults& m_defaults;
    Desktop m_desktop;
    std::unique_ptr<QWidget> m_panel;
    BubbleView* m_view = nullptr;
    // The look's shadow where a compositor draws it; goes before the panel.
    std::unique_ptr<PanelShadow> m_shadow;
    // Each schedule or cancel moves the ticket on; only the timer holding the
    // current ticket hides.
    quint64 m_hideTicket = 0;
    bool m_hidePending = false;
    std::optional<Hotkeys::WatchId> m_keyWatch;
    // The active-window watch of a result card, for the number keys.
    std::optional<Hotkeys::WatchId> m_frontWatch;
    Hotkeys* m_watchedKeys = nullptr;
    std::optional<Hotkeys::TakeId> m_optionTaking;
    Hotkeys* m_optionKeysFrom = nullptr;
    QList<quint32> m_optionKeys;
    WordSwapTaker* m_swapTaker = nullptr;
    BubblePlacement::Rule m_lastRule = BubblePlacement::Rule::None;
};
