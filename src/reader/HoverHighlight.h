#pragma once

#include <QColor>
#include <QPainterPath>
#include <QSizeF>
#include <QWidget>

#include <chrono>

class HoverNoticeModel;
class QVariantAnimation;

// The soft highlight drawn round the paragraph under the pointer: a rounded
// rectangle tinted in the hover colour with a bar along its leading edge,
// stronger while the paragraph is read. A change of state fades over 0.12 s
// while shown and applies at once while hidden. Where the desktop does not
// blend windows, a tinted box would hide the paragraph, so the window keeps
// only the bar and a thin frame in the solid tint. GUI thread only.
class HoverHighlight : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kRadius = 6;
    static constexpr qreal kBarWidth = 3;
    static constexpr qreal kFillOpacity = 0.09;
    static constexpr qreal kReadingFillOpacity = 0.16;
    static constexpr qreal kBarOpacity = 0.5;
    // The frame's width where the window keeps only the bar and the frame.
    static constexpr qreal kFrameWidth = 2;
    static constexpr qreal kReadingBarOpacity = 1.0;
    static constexpr std::chrono::milliseconds kFade{120};
    // The hover colour, shared with the notice's dot.
    static QColor tint() { return QColor::fromRgbF(0.663f, 0.353f, 0.18f); }
    // The bar and the frame in a panel of `size`.
    static QPainterPath barAndFrame(const QSizeF& size, Qt::LayoutDirection direction);

    // `model` must outlive the view.
    explicit HoverHighlight(HoverNoticeModel& model, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(bool reading);

    QVariantAnimation* m_fade;
    // 0 offered, 1 reading, in between while fading.
    qreal m_amount = 0;
};
