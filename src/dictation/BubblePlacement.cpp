#include "dictation/BubblePlacement.h"

#include <cmath>

namespace BubblePlacement {

namespace {

QRectF solid(const QRectF& r) { return {r.x(), r.y(), qMax<qreal>(r.width(), 1), qMax<qreal>(r.height(), 1)}; }

std::optional<int> firstTouching(const QList<Screen>& screens, const QRectF& rect) {
    for (qsizetype i = 0; i < screens.size(); ++i)
        if (touches(screens[i].frame, rect))
            return int(i);
    return std::nullopt;
}

qreal overlapArea(const QRectF& a, const QRectF& b) {
    const QRectF both = solid(a).intersected(solid(b));
    return both.isEmpty() ? 0 : both.width() * both.height();
}

struct Choice {
    std::optional<int> screen;
    Rule rule;
};

Choice choose(const Inputs& in) {
    std::optional<int> mouseScreen;
    if (in.mouse)
        for (qsizetype i = 0; i < in.screens.size(); ++i)
            if (in.screens[i].frame.contains(*in.mouse)) {
                mouseScreen = int(i);
                break;
            }

    if (const std::optional<QRectF> caret = in.caretRect ? in.caretRect() : std::nullopt) {
        if (const std::optional<int> screen = firstTouching(in.screens, *caret)) {
            if (!mouseScreen || *screen == *mouseScreen || in.screens.size() == 1)
                return {screen, Rule::Caret};
        }
    }
    if (const std::optional<QRectF> window = in.focusedWindowRect ? in.focusedWindowRect() : std::nullopt) {
        if (const std::optional<int> screen = firstTouching(in.screens, *window)) {
            const QRectF frame = in.screens[*screen].frame;
            if (std::abs(window->width() - frame.width()) < kFullscreenSlack
                && std::abs(window->height() - frame.height()) < kFullscreenSlack)
                return {screen, Rule::FullscreenApp};
        }
    }
    if (const std::optional<QRectF> window = in.focusedWindowRect ? in.focusedWindowRect() : std::nullopt;
        window && !in.screens.isEmpty()) {
        int best = 0;
        qreal bestArea = overlapArea(in.screens[0].frame, *window);
        for (qsizetype i = 1; i < in.screens.size(); ++i) {
            const qreal area = overlapArea(in.screens[i].frame, *window);
            if (area > bestArea) {
                best = int(i);
                bestArea = area;
            }
        }
        if (touches(in.screens[best].frame, *window)) {
            if (mouseScreen && *mouseScreen != best)
                return {mouseScreen, Rule::Mouse};
            return {best, Rule::FocusedWindow};
        }
    }
    if (mouseScreen)
        return {mouseScreen, Rule::Mouse};
    return {in.mainScreen, Rule::MainScreen};
}

} // namespace

QString toString(Rule rule) {
    switch (rule) {
    case Rule::None:
        return QStringLiteral("none");
    case Rule::Caret:
        return QStringLiteral("caret");
    case Rule::FullscreenApp:
        return QStringLiteral("fullscreenApp");
    case Rule::FocusedWindow:
        return QStringLiteral("focusedWindow");
    case Rule::Mouse:
        return QStringLiteral("mouse");
    case Rule::MainScreen:
        return QStringLiteral("mainScreen");
    }
    return QStringLiteral("none");
}

bool touches(const QRectF& a, const QRectF& b) { return solid(a).intersects(solid(b)); }

Result place(const Inputs& inputs, QSizeF size) {
    const Choice choice = choose(inputs);
    Result result;
    result.rule = choice.rule;
    if (!choice.screen || *choice.screen < 0 || *choice.screen >= inputs.screens.size())
        return result;
    const QRectF usable = inputs.screens[*choice.screen].visibleFrame;
    const qreal x = usable.center().x() - size.width() * 0.5;
    result.origin = QPointF(x, usable.bottom() - kBottomGap - size.height());
    if (const std::optional<QRectF> caret = inputs.caretRect ? inputs.caretRect() : std::nullopt) {
        const QRectF guarded =
            QRectF(result.origin, size).adjusted(-kCaretClearX, -kCaretClearY, kCaretClearX, kCaretClearY);
        if (touches(guarded, *caret)) {
            result.cardAtTop = true;
            result.origin.setY(usable.top() + kTopGap);
        }
    }
    return result;
}

} // namespace BubblePlacement
