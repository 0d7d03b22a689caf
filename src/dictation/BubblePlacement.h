#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

// Where the bubble goes: on the screen of the caret, of a full-screen or
// focused window, of the mouse, or the main screen, in that order of rules;
// horizontally centred, its bottom edge 30 points above the usable bottom,
// or its top edge 26 points below the usable top when the caret would be
// covered. All rectangles are global, top-left origin.
namespace BubblePlacement {

enum class Rule { None, Caret, FullscreenApp, FocusedWindow, Mouse, MainScreen };

struct Screen {
    QRectF frame;
    // The usable area (without panels and docks).
    QRectF visibleFrame;
};

struct Inputs {
    // In the desktop's order.
    QList<Screen> screens;
    // Index into `screens`; none when there is no main screen.
    std::optional<int> mainScreen;
    std::optional<QPointF> mouse;
    // Asked when a rule needs them (the caret twice: for its screen and for the band).
    std::function<std::optional<QRectF>()> caretRect;
    std::function<std::optional<QRectF>()> focusedWindowRect;
};

struct Result {
    QPointF origin;
    Rule rule = Rule::None;
    bool cardAtTop = false;
};

inline constexpr qreal kBottomGap = 30;
inline constexpr qreal kTopGap = 26;
// The caret counts as covered inside the panel grown by these.
inline constexpr qreal kCaretClearX = 20;
inline constexpr qreal kCaretClearY = 40;
// A window this close to its screen's size counts as full screen.
inline constexpr qreal kFullscreenSlack = 2;

QString toString(Rule rule);
Result place(const Inputs& inputs, QSizeF size);
// Whether two rectangles overlap; a caret of no width counts as one point wide.
bool touches(const QRectF& a, const QRectF& b);

} // namespace BubblePlacement
