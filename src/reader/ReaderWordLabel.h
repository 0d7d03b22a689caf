#pragma once

#include <QColor>
#include <QLabel>

#include <optional>

// One word of the read-along page: its text in an ink colour on a clear
// background, or on a rounded highlight while it is spoken. It paints both
// itself: a palette or style sheet per word would make laying out a long
// reading slow. GUI thread.
class ReaderWordLabel : public QLabel {
public:
    static constexpr double kCornerRadius = 3;

    // `textSize` is the text's size in the label's font, measured once by the
    // caller for every word that repeats.
    ReaderWordLabel(const QString& text, const QSize& textSize, QWidget* parent = nullptr);

    // The padding around the text.
    static QMargins padding();

    // The text's size and the padding, without asking the label's layout again.
    QSize sizeHint() const override { return m_ideal; }
    QSize minimumSizeHint() const override { return m_ideal; }

    // The text colour and, for the spoken word, the highlight behind it.
    void setLook(const QColor& ink, const std::optional<QColor>& highlight);
    QColor ink() const { return m_ink; }
    const std::optional<QColor>& highlight() const { return m_highlight; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QSize m_ideal;
    QColor m_ink;
    std::optional<QColor> m_highlight;
};
