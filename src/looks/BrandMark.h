#pragma once

#include <QWidget>

// The product logo at a given size (points): our "icon.png" art, or an orange
// microphone symbol at 0.8 of the size when it is missing.
class BrandMark : public QWidget {
public:
    explicit BrandMark(qreal size, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_size;
    QPixmap m_logo;
};
