#pragma once

#include "mainwindow/SampleScene.h"

#include <QAbstractButton>

#include <chrono>

class QVariantAnimation;

// A selectable picture tile: a framed miniature with a check-mark label
// beneath. The whole tile, the gap between picture and label included, is one
// button and one accessible element (checked while selected). Clicking runs
// `clicked`; the selection is set by the owner, never by the click itself.
// An unselected tile grows slightly under the pointer. GUI thread only.
class SampleTile : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr qreal kHoverScale = 1.015;
    static constexpr std::chrono::milliseconds kHoverAnimation{120};
    static constexpr qreal kRadius = 11;
    static constexpr int kSpacing = 7;
    static constexpr int kLabelHeight = 16;
    static constexpr int kMinimumWidth = 110;

    SampleTile(const QString& label, int height, SampleScene scene, QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return isChecked(); }
    void setScene(SampleScene scene);
    int sampleHeight() const { return m_height; }
    // The scale the picture is drawn at now, and the one it is heading for.
    qreal scale() const { return m_scale; }
    qreal targetScale() const;
    bool isHovering() const { return m_hovering; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void nextCheckState() override;

private:
    void setHovering(bool hovering);
    void animateTo(qreal scale);

    int m_height;
    SampleScene m_scene;
    bool m_hovering = false;
    qreal m_scale = 1.0;
    QVariantAnimation* m_animation;
};
