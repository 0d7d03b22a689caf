#pragma once

#include <QWidget>

class QVariantAnimation;

// A sentence with a translucent accent bar that sweeps once across it from
// left to right on first showing, as if read aloud; it stays filled.
class SweepingHighlight : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 300;
    static constexpr int kSweepMs = 800;
    explicit SweepingHighlight(const QString& text, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    // How much of the text block the bar covers, 0 to 1.
    qreal filled() const { return m_filled; }
    void setFilled(qreal filled);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    qreal m_filled = 0;
    bool m_swept = false;
};
