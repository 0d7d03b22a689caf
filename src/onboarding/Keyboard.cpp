#include "onboarding/Keyboard.h"

#include "looks/Motion.h"
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
// Faint, but the caps still read as letters.
constexpr float kLegendAlpha = OnbStyle::kTertiaryAlpha;
constexpr qreal kLift = 2;
// A lit key's face: a tint of its colour, faint enough for the legend in
// that colour to read on it.
constexpr float kPressedFill = 0.08F;
constexpr float kLitFill = 0.04F;
constexpr qreal kArrowHeight = 12;

QFont keyFont(qreal pixels, bool bold = false) { return OnbStyle::font(pixels, bold ? QFont::Bold : QFont::Normal); }
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

QString Keyboard::capSymbol(const BottomKey& key) { return key.symbol.isEmpty() ? QString() : Wording::of(key.symbol); }

QString Keyboard::capLabel(const BottomKey& key) { return key.label.isEmpty() ? QString() : Wording::of(key.label); }

Keyboard::Keyboard(QStringList rows, qreal gap, qreal pad, QWidget* parent)
    : QWidget(parent), m_rows(std::move(rows)), m_gap(gap), m_pad(pad) {
    setFixedHeight(kHeight);
    setMaximumWidth(kMaxWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_move.setDuration(int(kPressMove.count()));
    m_move.setStartValue(0.0);
    m_move.setEndValue(1.0);
    m_move.setEasingCurve(Motion::easeOut());
    connect(&m_move, &QVariantAnimation::valueChanged, this, [this](const QVariant& progress) {
        m_progress = progress.toReal();
        update();
    });
}

void Keyboard::setLit(const QMap<QString, QColor>& lit) {
    m_lit = lit;
    update();
}

void Keyboard::setPressed(const QString& pressed) {
    if (pressed == m_pressed)
        return;
    // The keys move from wherever they stand now; a lit set that changes
    // with the pressed key (as the guide's does) moves with it.
    m_litBefore = m_lit;
    m_pressedBefore = m_pressed;
    m_pressed = pressed;
    m_move.stop();
    m_progress = 1;
    if (isVisible() && !Motion::reduced()) {
        m_progress = 0;
        m_move.start();
    }
    update();
}

Keyboard::KeyLook Keyboard::lookOf(const BottomKey& key, const QMap<QString, QColor>& lit,
                                   const QString& pressed) const {
    const QColor primary = OnbStyle::primary(palette());
    const QColor legend = OnbStyle::withAlpha(primary, kLegendAlpha);
    const bool isLit = lit.contains(key.id);
    const bool isPressed = key.id == pressed;
    const QColor colour = isLit ? lit.value(key.id) : legend;
    KeyLook look;
    look.text = colour;
    look.outline = isLit ? colour : OnbStyle::withAlpha(primary, kEdgeAlpha);
    look.outlineWidth = isLit ? 1.4 : 1;
    look.fill = isLit ? OnbStyle::withAlpha(colour, isPressed ? kPressedFill : kLitFill)
                      : OnbStyle::withAlpha(primary, kFaintAlpha);
    look.lift = isPressed ? kLift : 0;
    look.glow = isPressed ? 0.35 : 0;
    look.bold = isLit;
    return look;
}

Keyboard::KeyLook Keyboard::between(const KeyLook& from, const KeyLook& to, qreal progress) {
    const auto mix = [progress](const QColor& a, const QColor& b) {
        const auto channel = [progress](float x, float y) { return x + (y - x) * float(progress); };
        return QColor::fromRgbF(channel(a.redF(), b.redF()), channel(a.greenF(), b.greenF()),
                                channel(a.blueF(), b.blueF()), channel(a.alphaF(), b.alphaF()));
    };
    const auto number = [progress](qreal a, qreal b) { return a + (b - a) * progress; };
    KeyLook look;
    look.text = mix(from.text, to.text);
    look.fill = mix(from.fill, to.fill);
    look.outline = mix(from.outline, to.outline);
    look.outlineWidth = number(from.outlineWidth, to.outlineWidth);
    look.lift = number(from.lift, to.lift);
    look.glow = number(from.glow, to.glow);
    look.bold = progress < 0.5 ? from.bold : to.bold;
    return look;
}

qreal Keyboard::letterKeyWidth(qreal inner, int index, int count, qreal gap) {
    return (inner - 2 * kRowIndent * index - gap * (count - 1)) / count;
}

qreal Keyboard::bottomUnit(qreal inner, qreal gap) { return (inner - (bottomRow().size() - 1) * gap) / kBottomUnits; }

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
        const KeyLook look = m_progress >= 1 ? lookOf(key, m_lit, m_pressed)
                                             : between(lookOf(key, m_litBefore, m_pressedBefore),
                                                       lookOf(key, m_lit, m_pressed), m_progress);
        r.translate(0, -look.lift);
        if (look.glow > 0) {
            // A soft glow in the key's colour, round the key and not under its cap.
            painter.save();
            QPainterPath around;
            around.addRect(r.adjusted(-4, -4, 4, 4));
            QPainterPath cap;
            cap.addRoundedRect(r, kKeyCorner, kKeyCorner);
            painter.setClipPath(around.subtracted(cap), Qt::IntersectClip);
            for (int ring = 3; ring >= 1; --ring) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(OnbStyle::withAlpha(look.text, float(look.glow) * look.text.alphaF() / (ring + 1)));
                painter.drawRoundedRect(r.adjusted(-ring, -ring, ring, ring), kKeyCorner + ring, kKeyCorner + ring);
            }
            painter.restore();
        }
        painter.setPen(QPen(look.outline, look.outlineWidth));
        painter.setBrush(look.fill);
        const qreal inset = look.outlineWidth / 2;
        painter.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), kKeyCorner, kKeyCorner);
        painter.setPen(look.text);
        const QString symbol = capSymbol(key);
        if (symbol.isEmpty()) {
            painter.setFont(keyFont(7.5, look.bold));
            painter.drawText(r, Qt::AlignCenter, capLabel(key));
            continue;
        }
        painter.setFont(keyFont(9, look.bold));
        painter.drawText(QRectF(r.left(), r.top() + 2, r.width(), r.height() / 2), Qt::AlignHCenter | Qt::AlignBottom,
                         symbol);
        painter.setFont(keyFont(7.5, look.bold));
        painter.drawText(QRectF(r.left(), r.center().y(), r.width(), r.height() / 2 - 2),
                         Qt::AlignHCenter | Qt::AlignTop, capLabel(key));
    }
}
