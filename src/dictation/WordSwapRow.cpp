#include "dictation/WordSwapRow.h"

#include "dictation/BubbleStyle.h"
#include "dictation/SwapOptionButton.h"
#include "looks/TextColours.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kWordSize = 12;
constexpr qreal kArrowSize = 9;
constexpr int kItemSpacing = 6;
constexpr qreal kHeardAlpha = TextColours::kSecondary;
constexpr qreal kUnderlineAlpha = 0.85;
constexpr qreal kUnderlineDrop = 2;
constexpr qreal kArrowWidth = 9;

QFont wordFont() { return BubbleStyle::font(kWordSize, QFont::Medium); }
} // namespace

WordSwapRow::WordSwapRow(Take take, QWidget* parent) : QWidget(parent), m_take(std::move(take)) {
    setAttribute(Qt::WA_TranslucentBackground);
}

QColor WordSwapRow::heardWordColour(bool light) {
    return BubbleStyle::withAlpha(light ? QColor(Qt::black) : QColor(Qt::white), kHeardAlpha);
}

int WordSwapRow::lineHeight() const {
    const int chip = SwapOptionButton(1, QStringLiteral("W"), m_light).sizeHint().height();
    return qMax(chip, QFontMetrics(wordFont()).height());
}

int WordSwapRow::rowHeight() const {
    if (m_shown.isEmpty())
        return 0;
    return int(m_shown.size()) * lineHeight() + int(m_shown.size() - 1) * kLineSpacing;
}

void WordSwapRow::setSwaps(const QList<AppState::WordSwap>& swaps, bool light) {
    const QList<AppState::WordSwap> shown = swaps.mid(0, kMaxSwaps);
    if (shown == m_shown && light == m_light)
        return;
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_shown = shown;
    m_light = light;
    m_lines.clear();
    for (const AppState::WordSwap& swap : std::as_const(m_shown)) {
        Line line;
        const QStringList options = swap.options.mid(0, kMaxOptions);
        for (qsizetype i = 0; i < options.size(); ++i) {
            auto* button = new SwapOptionButton(int(i) + 1, options[i], light, this);
            const QString option = options[i];
            const AppState::WordSwap offer = swap;
            connect(button, &QAbstractButton::clicked, this, [this, offer, option] {
                if (m_take)
                    m_take(offer, option);
            });
            button->show();
            line.buttons << button;
            m_buttons << button;
        }
        m_lines << line;
    }
    arrange();
    update();
}

void WordSwapRow::resizeEvent(QResizeEvent* event) {
    arrange();
    QWidget::resizeEvent(event);
}

void WordSwapRow::arrange() {
    const QFontMetrics words(wordFont());
    const int h = lineHeight();
    qreal y = 0;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        Line& line = m_lines[i];
        qreal x = 0;
        const qreal wordWidth = words.horizontalAdvance(m_shown[i].word);
        line.word = QRectF(x, y, wordWidth, h);
        x += wordWidth + kItemSpacing;
        line.arrow = QRectF(x, y, kArrowWidth, h);
        x += kArrowWidth + kItemSpacing;
        for (SwapOptionButton* button : std::as_const(line.buttons)) {
            const QSize size = button->sizeHint();
            button->setGeometry(int(x), int(y + (h - size.height()) / 2.0), size.width(), size.height());
            x += size.width() + kItemSpacing;
        }
        y += h + kLineSpacing;
    }
}

void WordSwapRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetricsF words(wordFont());
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        painter.setFont(wordFont());
        painter.setPen(heardWordColour(m_light));
        painter.drawText(line.word, Qt::AlignLeft | Qt::AlignVCenter, m_shown[i].word);
        // The mark: a 1-point orange line along the word's bottom, 2 points lower.
        const qreal baseline = line.word.center().y() + (words.ascent() - words.descent()) / 2;
        const qreal underline = baseline + words.descent() + kUnderlineDrop - 1;
        painter.fillRect(QRectF(line.word.left(), underline, line.word.width(), 1),
                         BubbleStyle::withAlpha(BubbleStyle::orange(), kUnderlineAlpha));
        // The arrow symbol, drawn as a shaft and a head.
        const QPointF mid = line.arrow.center();
        const qreal half = kArrowSize / 2 - 1;
        QPainterPath arrow;
        arrow.moveTo(mid.x() - half, mid.y());
        arrow.lineTo(mid.x() + half, mid.y());
        arrow.moveTo(mid.x() + half - 3, mid.y() - 3);
        arrow.lineTo(mid.x() + half, mid.y());
        arrow.lineTo(mid.x() + half - 3, mid.y() + 3);
        painter.setPen(QPen(BubbleStyle::secondary(m_light), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(arrow);
    }
}
