#include "onboarding/MilestoneBadgeView.h"

#include "onboarding/BadgeColors.h"

#include <QEasingCurve>
#include <QPainter>
#include <QRadialGradient>
#include <QVariantAnimation>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kBloomInner = 4;
constexpr qreal kBloomOuter = 132;
constexpr qreal kStartScale = 0.88;
constexpr qreal kEmberSpacing = 15;
constexpr qreal kEmberStartDown = 52;
constexpr qreal kEmberRiseBase = 70;
constexpr qreal kEmberRiseStep = 18;
constexpr qreal kEmberStartOpacity = 0.95;

} // namespace

MilestoneBadgeView::MilestoneBadgeView(const QString& headline, std::optional<int> number, const QString& line,
                                       bool onDark, bool reduceMotion, QWidget* parent)
    : QWidget(parent), m_headline(headline), m_number(number), m_line(line), m_onDark(onDark),
      m_reduceMotion(reduceMotion) {
    setFixedSize(kSize);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(spokenLabel());
    makeColumn(devicePixelRatioF());
}

// The column is drawn with the application's fonts: a render under way ends
// before the view, so none outlives the application.
MilestoneBadgeView::~MilestoneBadgeView() { m_render.waitForFinished(); }

void MilestoneBadgeView::makeColumn(qreal ratio) {
    m_render.waitForFinished();
    m_columnRatio = ratio;
    const BadgeColumn::Content content{m_headline, m_number, m_line, m_onDark};
    m_render = QtConcurrent::run([content, ratio] { return BadgeColumn::render(content, ratio); });
    m_render.then(this, [this, ratio](const BadgeColumn::Images& images) {
        // A column for a screen the badge has since left is dropped.
        if (ratio != m_columnRatio)
            return;
        m_column = images;
        update();
    });
}

QString MilestoneBadgeView::spokenLabel() const {
    QString label;
    if (m_number)
        label = QString::number(*m_number) + QLatin1Char(' ');
    return label + m_headline + QStringLiteral(". ") + m_line;
}

std::chrono::milliseconds MilestoneBadgeView::animationLength() {
    return std::max(kArrival * 2, kEmberRise + kEmberStagger * (kEmbers - 1));
}

void MilestoneBadgeView::arrive() {
    if (m_reduceMotion) {
        setElapsed(animationLength());
        return;
    }
    setElapsed(std::chrono::milliseconds(0));
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setStartValue(0);
        m_animation->setEndValue(static_cast<int>(animationLength().count()));
        m_animation->setDuration(static_cast<int>(animationLength().count()));
        connect(m_animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { setElapsed(std::chrono::milliseconds(value.toInt())); });
    }
    m_animation->start();
}

void MilestoneBadgeView::setElapsed(std::chrono::milliseconds elapsed) {
    m_elapsed = elapsed;
    update();
}

void MilestoneBadgeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    qreal progress = 0;
    if (m_elapsed) {
        if (m_reduceMotion) {
            progress = 1;
        } else {
            const qreal t = std::min<qreal>(1, static_cast<qreal>(m_elapsed->count()) / kArrival.count());
            // An under-damped spring: overshoots a little, then settles at 1.
            progress = t >= 1 ? 1 : QEasingCurve(QEasingCurve::OutBack).valueForProgress(t);
        }
    }
    const qreal opacity = std::clamp<qreal>(progress, 0, 1);
    paintBloom(painter, opacity);
    if (!m_reduceMotion)
        paintEmbers(painter);
    paintColumn(painter, kStartScale + (1 - kStartScale) * progress, opacity);
}

void MilestoneBadgeView::paintBloom(QPainter& painter, qreal opacity) {
    if (opacity <= 0)
        return;
    const QPointF centre = QRectF(rect()).center();
    QRadialGradient gradient(centre, kBloomOuter);
    const QColor base = m_onDark ? QColor(0, 0, 0) : QColor(255, 255, 255);
    auto at = [&](qreal alpha) {
        QColor c = base;
        c.setAlphaF(static_cast<float>(alpha));
        return c;
    };
    const qreal inner = kBloomInner / kBloomOuter;
    gradient.setColorAt(0, at(m_onDark ? 0.72 : 0.94));
    gradient.setColorAt(inner, at(m_onDark ? 0.72 : 0.94));
    gradient.setColorAt((inner + 1) / 2, at(m_onDark ? 0.4 : 0.55));
    gradient.setColorAt(1, at(0));
    painter.save();
    painter.setOpacity(opacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    const QSizeF frame(kSize.width(), kSize.height() - 10);
    painter.drawRect(QRectF(centre - QPointF(frame.width() / 2, frame.height() / 2), frame));
    painter.restore();
}

void MilestoneBadgeView::paintEmbers(QPainter& painter) {
    const QPointF centre = QRectF(rect()).center();
    const QEasingCurve ease(QEasingCurve::OutCubic);
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < kEmbers; ++i) {
        qreal t = 0;
        if (m_elapsed) {
            const auto local = *m_elapsed - kEmberStagger * i;
            t = std::clamp<qreal>(static_cast<qreal>(local.count()) / kEmberRise.count(), 0, 1);
        }
        const qreal k = ease.valueForProgress(t);
        const qreal startY = kEmberStartDown;
        const qreal endY = -(kEmberRiseBase + kEmberRiseStep * (i % 4));
        const qreal y = startY + (endY - startY) * k;
        const qreal alpha = kEmberStartOpacity * (1 - k);
        if (alpha <= 0)
            continue;
        const qreal diameter = (i % 3) + 3;
        QColor colour = BadgeColors::ember();
        colour.setAlphaF(static_cast<float>(alpha));
        painter.setBrush(colour);
        painter.drawEllipse(centre + QPointF((i - 4) * kEmberSpacing, y), diameter / 2, diameter / 2);
    }
    painter.restore();
}

void MilestoneBadgeView::paintColumn(QPainter& painter, qreal scale, qreal opacity) {
    if (opacity <= 0)
        return;
    if (const qreal ratio = devicePixelRatioF(); ratio != m_columnRatio) {
        m_column.reset();
        makeColumn(ratio);
    }
    if (!m_column)
        return;
    painter.save();
    painter.setOpacity(opacity);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    painter.drawImage(QPointF(0, 0), m_column->wideHalo);
    painter.drawImage(QPointF(0, 0), m_column->tightHalo);
    painter.drawImage(QPointF(0, 0), m_column->column);
    painter.restore();
}
