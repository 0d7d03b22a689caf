#include "onboarding/Keyboard.h"

#include "looks/TintedSymbol.h"
#include "onboarding/OnbStyle.h"
#include "platform/Wording.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kPlateCorner = 10;
constexpr qreal kKeyCorner = 4.5;
constexpr qreal kRowIndent = 13;
constexpr float kFaintAlpha = 0.02F;
constexpr float kEdgeAlpha = 0.1F;
constexpr float kPlateAlpha = 0.05F;
constexpr float kLegendAlpha = 0.45F * OnbStyle::kSecondaryAlpha;
constexpr qreal kLift = 2;
constexpr qreal kArrowHeight = 12;

QFont keyFont(qreal pixels, bool bold = false) {
    return OnbStyle::font(pixels, bold ? QFont::Bold : QFont::Normal);
}
} // namespace

const QList<Keyboard::BottomKey>& Keyboard::bottomRow() {
    static const QList<BottomKey> keys{
        {QString(), QString(), QStringLiteral("fn"), 1.05},
        {QStringLiteral("leftControl"), QStringLiteral("\u2303"), QStringLiteral("control"), 1.3},
        {QStringLiteral("leftOption"), QStringLiteral("\u2325"), QStringLiteral("option"), 1.3},
        {QStringLiteral("leftCommand"), QStringLiteral("\u2318"), QStringLiteral("command"), 1.45},
        {QString(), QString(), QString(), 4.3},
        {QStringLiteral("rightCommand"), QStringLiteral("\u2318"), QStringLiteral("command"), 1.45},
        {QStringLiteral("rightOption"), QStringLiteral("\u2325"), QStringLiteral("option"), 1.3},
        {QString(), QString(), QStringLiteral("arrows"), 2.7},
    };
    return keys;
}

QString Keyboard::capSymbol(const BottomKey& key) {
    return key.symbol.isEmpty() ? QString() : Wording::of(key.symbol);
}

QString Keyboard::capLabel(const BottomKey& key) {
    return key.label.isEmpty() ? QString() : Wording::of(key.label);
}

Keyboard::Keyboard(QStringList rows, qreal gap, qreal pad, QWidget* parent)
    : QWidget(parent), m_rows(std::move(rows)), m_gap(gap), m_pad(pad) {
    setFixedHeight(kHeight);
    setMaximumWidth(kMaxWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Keyboard::setLit(const QMap<QString, QColor>& lit) {
    m_lit = lit;
    update();
}

void Keyboard::setPressed(const QString& pressed) {
    m_pressed = pressed;
    update();
}

qreal Keyboard::letterKeyWidth(qreal inner, int index, int count, qreal gap) {
    return (inner - 2 * kRowIndent * index - gap * (count - 1)) / count;
}

qreal Keyboard::bottomUnit(qreal inner, qreal gap) {
    return (inner - (bottomRow().size() - 1) * gap) / kBottomUnits;
}

QList<QRectF> Keyboard::bottomKeyRects(qreal width) const {
    const qreal inner = width - 2 * m_pad;
    const qreal unit = bottomUnit(inner, m_gap);
    const qreal top = m_pad + m_rows.size() * (kKeyHeight + m_gap);
    QList<QRectF> rects;
    qreal x = m_pad;
    for (const BottomKey& key : bottomRow()) {
        rects.append(QRectF(x, top, key.units * unit, kKeyHeight));
        x += key.units * unit + m_gap;
    }
    return rects;
}

void Keyboard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QColor primary = OnbStyle::primary(pal);
    const QColor legend = OnbStyle::withAlpha(primary, kLegendAlpha);
    const qreal width = std::min<qreal>(this->width(), kMaxWidth);
    const qreal inner = width - 2 * m_pad;
    const qreal plateHeight = 2 * m_pad + (m_rows.size() + 1) * kKeyHeight + m_rows.size() * m_gap;

    const QRectF plate(0.5, 0.5, width - 1, plateHeight - 1);
    painter.setPen(QPen(OnbStyle::withAlpha(primary, kEdgeAlpha), 1));
    painter.setBrush(OnbStyle::withAlpha(primary, kPlateAlpha));
    painter.drawRoundedRect(plate, kPlateCorner, kPlateCorner);

    auto face = [&](const QRectF& r) {
        painter.setPen(QPen(OnbStyle::withAlpha(primary, kEdgeAlpha), 1));
        painter.setBrush(OnbStyle::withAlpha(primary, kFaintAlpha));
        painter.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), kKeyCorner, kKeyCorner);
    };

    for (int i = 0; i < m_rows.size(); ++i) {
        const int n = int(m_rows[i].size());
        const qreal keyWidth = letterKeyWidth(inner, i, n, m_gap);
        const qreal y = m_pad + i * (kKeyHeight + m_gap);
        qreal x = m_pad + kRowIndent * i;
        for (const QChar c : m_rows[i]) {
            const QRectF r(x, y, keyWidth, kKeyHeight);
            face(r);
            painter.setFont(keyFont(8));
            painter.setPen(legend);
            painter.drawText(r, Qt::AlignCenter, QString(c));
            x += keyWidth + m_gap;
        }
    }

    const QList<QRectF> rects = bottomKeyRects(width);
    for (int k = 0; k < bottomRow().size(); ++k) {
        const BottomKey& key = bottomRow()[k];
        QRectF r = rects[k];
        if (key.label == QLatin1String("arrows")) {
            const qreal w = (r.width() - 2 * m_gap) / 3;
            const qreal bottom = r.bottom();
            const QRectF left(r.left(), bottom - kArrowHeight, w, kArrowHeight);
            const QRectF up(r.left() + w + m_gap, bottom - 2 * kArrowHeight - 2, w, kArrowHeight);
            const QRectF down(r.left() + w + m_gap, bottom - kArrowHeight, w, kArrowHeight);
            const QRectF right(r.left() + 2 * (w + m_gap), bottom - kArrowHeight, w, kArrowHeight);
            const std::pair<QRectF, qreal> arrows[] = {{left, 180}, {up, 270}, {down, 90}, {right, 0}};
            for (const auto& [rect, angle] : arrows) {
                face(rect);
                painter.save();
                painter.translate(rect.center());
                painter.rotate(angle);
                QPainterPath tri;
                tri.moveTo(2.2, 0);
                tri.lineTo(-1.6, -2.2);
                tri.lineTo(-1.6, 2.2);
                tri.closeSubpath();
                painter.fillPath(tri, legend);
                painter.restore();
            }
            continue;
        }
        if (key.label.isEmpty()) {
            face(r);
            continue;
        }
        if (key.label == QLatin1String("fn")) {
            face(r);
            painter.setFont(keyFont(7));
            painter.setPen(legend);
            painter.drawText(r.adjusted(0, 3, 0, -r.height() / 2), Qt::AlignHCenter | Qt::AlignBottom, key.label);
            const QPixmap globe = TintedSymbol::pixmap(QStringLiteral("globe"), 7, legend, devicePixelRatioF());
            painter.drawPixmap(QPointF(r.center().x() - 3.5, r.center().y() + 1), globe);
            continue;
        }
        const bool lit = m_lit.contains(key.id);
        const bool pressed = key.id == m_pressed;
        const QColor colour = lit ? m_lit.value(key.id) : legend;
        if (pressed)
            r.translate(0, -kLift);
        if (pressed) {
            // A soft glow in the key's colour.
            for (int ring = 3; ring >= 1; --ring) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(OnbStyle::withAlpha(colour, 0.35F * colour.alphaF() / (ring + 1)));
                painter.drawRoundedRect(r.adjusted(-ring, -ring, ring, ring), kKeyCorner + ring, kKeyCorner + ring);
            }
        }
        painter.setPen(QPen(lit ? colour : OnbStyle::withAlpha(primary, kEdgeAlpha), lit ? 1.4 : 1));
        painter.setBrush(lit ? OnbStyle::withAlpha(colour, pressed ? 0.16F : 0.07F) : OnbStyle::withAlpha(primary, kFaintAlpha));
        const qreal inset = lit ? 0.7 : 0.5;
        painter.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), kKeyCorner, kKeyCorner);
        painter.setPen(colour);
        const QString symbol = capSymbol(key);
        if (symbol.isEmpty()) {
            painter.setFont(keyFont(7.5, lit));
            painter.drawText(r, Qt::AlignCenter, capLabel(key));
            continue;
        }
        painter.setFont(keyFont(9, lit));
        painter.drawText(QRectF(r.left(), r.top() + 2, r.width(), r.height() / 2), Qt::AlignHCenter | Qt::AlignBottom,
                         symbol);
        painter.setFont(keyFont(7.5, lit));
        painter.drawText(QRectF(r.left(), r.center().y(), r.width(), r.height() / 2 - 2), Qt::AlignHCenter | Qt::AlignTop,
                         capLabel(key));
    }
}
