#pragma once

#include <QWidget>

class QPainter;

// The product's mark on the milestone badge: two overlapping body circles, an
// eye and an amber beak, drawn in units of the width / 32.
class QuorvaneMark : public QWidget {
    Q_OBJECT
public:
    explicit QuorvaneMark(bool onDark, QWidget* parent = nullptr);

    // Draws the mark into `area` (its width sets the unit).
    static void paint(QPainter& painter, const QRectF& area, bool onDark);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_onDark;
};
