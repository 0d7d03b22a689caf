#pragma once

#include <QImage>
#include <QLinearGradient>
#include <QWidget>

class QLabel;
class StatsStore;

// The Dashboard's time-saved card: the saved time in a headline, the word
// count, speaking rate and pages below it, on a warm gradient with a glow in
// the top-right corner. Follows the store and the light or dark look at once.
class HeroCard : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kCornerRadius = 20;
    static constexpr qreal kGlowSide = 96;
    static constexpr qreal kGlowInset = 18;
    static constexpr qreal kGlowBlur = 3;
    static constexpr qreal kGlowInnerRadius = 2;
    static constexpr qreal kGlowOuterRadius = 54;
    static constexpr int kPadding = 26;
    static constexpr qreal kHeadlineSize = 30;

    // `stats` must outlive the card.
    explicit HeroCard(StatsStore& stats, QWidget* parent = nullptr);

    // The background from the top-left to the bottom-right corner of `area`.
    static QLinearGradient gradient(bool dark, const QRectF& area);

    QLabel* headline() const { return m_headline; }
    QLabel* statistics() const { return m_statistics; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    // The blurred glow with room for its blur around it, made once per screen density.
    static const QImage& glowImage(qreal ratio);

    StatsStore& m_stats;
    QLabel* m_headline;
    QLabel* m_statistics;
};
