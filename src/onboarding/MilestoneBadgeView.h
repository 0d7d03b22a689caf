#pragma once

#include "onboarding/BadgeColumn.h"

#include <QFuture>
#include <QString>
#include <QWidget>

#include <chrono>
#include <optional>

class QVariantAnimation;

// What the milestone badge draws, 300 × 240 on a clear background: a soft
// bloom, a burst of nine rising embers, the mark, the hours with their
// headline and a caption. It arrives with a short spring and lets every click
// through. With reduce motion it shows at full size at once and has no embers.
// The column (mark, hours, caption and their halos) is made on the thread pool
// when the view is made and shows once it is there. GUI thread.
class MilestoneBadgeView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kSize{300, 240};
    static constexpr std::chrono::milliseconds kArrival{360};
    static constexpr std::chrono::milliseconds kEmberRise{1900};
    static constexpr std::chrono::milliseconds kEmberStagger{70};
    static constexpr int kEmbers = 9;

    MilestoneBadgeView(const QString& headline, std::optional<int> number, const QString& line, bool onDark,
                       bool reduceMotion, QWidget* parent = nullptr);
    ~MilestoneBadgeView() override;

    QString headline() const { return m_headline; }
    std::optional<int> number() const { return m_number; }
    QString line() const { return m_line; }
    bool onDark() const { return m_onDark; }
    bool reduceMotion() const { return m_reduceMotion; }
    // The label read out for the whole badge: "3 hours saved. <caption>".
    QString spokenLabel() const;

    // Starts the arrival and the embers (at once with reduce motion).
    void arrive();
    // Puts the animations at `elapsed` after arriving; tests and renders use it.
    void setElapsed(std::chrono::milliseconds elapsed);
    bool hasArrived() const { return m_elapsed.has_value(); }
    // The total length of the animations.
    static std::chrono::milliseconds animationLength();
    // Whether the column has been made for the badge's screen.
    bool hasColumn() const { return m_column.has_value(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintBloom(QPainter& painter, qreal opacity);
    void paintEmbers(QPainter& painter);
    void paintColumn(QPainter& painter, qreal scale, qreal opacity);
    // Has the column made for `ratio` on the thread pool.
    void makeColumn(qreal ratio);

    QString m_headline;
    std::optional<int> m_number;
    QString m_line;
    bool m_onDark;
    bool m_reduceMotion;
    std::optional<std::chrono::milliseconds> m_elapsed;
    QVariantAnimation* m_animation = nullptr;
    QFuture<BadgeColumn::Images> m_render;
    std::optional<BadgeColumn::Images> m_column;
    qreal m_columnRatio = 0;
};
