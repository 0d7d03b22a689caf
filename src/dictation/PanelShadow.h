#pragma once

#include <QObject>

#include <memory>

class BubbleView;
class QWidget;

// The soft shadow under the bubble's look, drawn in a window of its own just
// behind the panel: the panel is exactly as large as its content, so a shadow
// cannot fall inside it. Drawn only while a compositor gives windows an alpha
// channel (asked at each show); without one a translucent window would show
// its shadow as a dark block. Follows the panel's place and visibility and
// the look's shape. GUI thread only.
class PanelShadow : public QObject {
    Q_OBJECT
public:
    static constexpr int kMargin = 24;
    static constexpr int kBlur = 14;
    static constexpr qreal kDrop = 5;
    static constexpr qreal kOpacity = 0.3;

    // `panel` and `view` (inside it) must outlive the shadow.
    PanelShadow(QWidget& panel, BubbleView& view);
    ~PanelShadow() override;

    // The shadow's window; null until a shadow has been drawn.
    QWidget* window() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();

    QWidget& m_panel;
    BubbleView& m_view;
    std::unique_ptr<QWidget> m_window;
};
