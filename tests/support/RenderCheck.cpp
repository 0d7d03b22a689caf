#include "support/RenderCheck.h"

#include <QAbstractButton>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr double kNormalText = 4.5;
constexpr double kLargeText = 3.0;
// 18 pt at the 96 dots per inch a render is made at.
constexpr qreal kLargePixels = 24;
// The share of a text's background that may fall short before the text does:
// the descent of a line may dip into a neighbour's border.
constexpr double kStrayShare = 0.1;
// How far a text's shadow or halo lies from it.
constexpr int kShadowReach = 3;

// One run of text as the painting drew it, in the render's pixels, with the
// pixels that were there just before it was drawn.
struct DrawnText {
    QString text;
    QRegion visible;
    QColor colour;
    qreal pixels = 0;
    QImage behind;
    QPoint behindAt;
};

// A paint engine that draws onto a canvas through an ordinary painter and,
// before each text, keeps the pixels under it: whatever was painted first
// (a plate, a text's own halo) is what the text is read against.
class TextNotingEngine : public QPaintEngine {
public:
    explicit TextNotingEngine(QImage& canvas) : QPaintEngine(AllFeatures), m_canvas(canvas) {}
    ~TextNotingEngine() override { finish(); }

    void finish() {
        if (m_painter.isActive())
            m_painter.end();
    }
    const std::vector<DrawnText>& texts() const { return m_texts; }

    bool begin(QPaintDevice*) override {
        if (!m_painter.isActive())
            m_painter.begin(&m_canvas);
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override {
        const DirtyFlags dirty = state.state();
        // A clip is given in the coordinates of the transform that comes with it.
        if (dirty & DirtyTransform)
            m_painter.setTransform(state.transform());
        if (dirty & DirtyPen)
            m_painter.setPen(state.pen());
        if (dirty & DirtyBrush)
            m_painter.setBrush(state.brush());
        if (dirty & DirtyBrushOrigin)
            m_painter.setBrushOrigin(state.brushOrigin());
        if (dirty & DirtyBackground)
            m_painter.setBackground(state.backgroundBrush());
        if (dirty & DirtyBackgroundMode)
            m_painter.setBackgroundMode(state.backgroundMode());
        if (dirty & DirtyFont)
            m_painter.setFont(state.font());
        if (dirty & DirtyHints) {
            m_painter.setRenderHints(QPainter::RenderHints(0xff), false);
            m_painter.setRenderHints(state.renderHints(), true);
        }
        if (dirty & DirtyCompositionMode)
            m_painter.setCompositionMode(state.compositionMode());
        if (dirty & DirtyOpacity)
            m_painter.setOpacity(state.opacity());
        if (dirty & DirtyClipPath)
            m_painter.setClipPath(state.clipPath(), state.clipOperation());
        if (dirty & DirtyClipRegion)
            m_painter.setClipRegion(state.clipRegion(), state.clipOperation());
        if (dirty & DirtyClipEnabled)
            m_painter.setClipping(state.isClipEnabled());
    }

    void drawPath(const QPainterPath& path) override {
        Clipped clipped(*this);
        m_painter.drawPath(path);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        Clipped clipped(*this);
        switch (mode) {
        case PolylineMode:
            m_painter.drawPolyline(points, count);
            break;
        case ConvexMode:
            m_painter.drawConvexPolygon(points, count);
            break;
        case OddEvenMode:
            m_painter.drawPolygon(points, count, Qt::OddEvenFill);
            break;
        case WindingMode:
            m_painter.drawPolygon(points, count, Qt::WindingFill);
            break;
        }
    }
    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override {
        Clipped clipped(*this);
        m_painter.drawPixmap(target, pixmap, source);
    }
    void drawTiledPixmap(const QRectF& target, const QPixmap& pixmap, const QPointF& offset) override {
        Clipped clipped(*this);
        m_painter.drawTiledPixmap(target, pixmap, offset);
    }
    void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags flags) override {
        Clipped clipped(*this);
        m_painter.drawImage(target, image, source, flags);
    }

    void drawTextItem(const QPointF& origin, const QTextItem& item) override {
        if (m_painter.pen().style() == Qt::NoPen)
            return;
        DrawnText drawn;
        drawn.text = item.text();
        const QTransform& transform = m_painter.transform();
        const QRectF box = transform.mapRect(
            QRectF(origin.x(), origin.y() - item.ascent(), item.width(), item.ascent() + item.descent()));
        QRegion visible(box.toAlignedRect());
        if (m_painter.hasClipping())
            visible &= transform.map(m_painter.clipRegion());
        if (!systemClip().isEmpty())
            visible &= systemClip();
        drawn.visible = visible & m_canvas.rect();
        drawn.colour = m_painter.pen().color();
        drawn.colour.setAlphaF(drawn.colour.alphaF() * m_painter.opacity());
        const QFont font = item.font();
        const qreal pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0;
        drawn.pixels = pixels * std::abs(transform.m22());
        drawn.behindAt = drawn.visible.boundingRect().topLeft();
        drawn.behind = m_canvas.copy(drawn.visible.boundingRect());
        m_texts.push_back(drawn);
        Clipped clipped(*this);
        m_painter.drawTextItem(origin, item);
    }

private:
    // Keeps a drawing inside the widget being painted, as the screen would.
    class Clipped {
    public:
        explicit Clipped(TextNotingEngine& engine) : m_painter(engine.m_painter) {
            const QRegion system = engine.systemClip();
            m_active = !system.isEmpty();
            if (!m_active)
                return;
            m_painter.save();
            const QTransform transform = m_painter.transform();
            m_painter.resetTransform();
            m_painter.setClipRegion(system, Qt::IntersectClip);
            m_painter.setTransform(transform);
        }
        ~Clipped() {
            if (m_active)
                m_painter.restore();
        }

    private:
        QPainter& m_painter;
        bool m_active = false;
    };

    QImage& m_canvas;
    QPainter m_painter;
    std::vector<DrawnText> m_texts;
};

// A device a widget renders into through the engine above.
class NotingDevice : public QPaintDevice {
public:
    explicit NotingDevice(QSize size) : m_canvas(size, QImage::Format_ARGB32_Premultiplied), m_engine(m_canvas) {
        m_canvas.fill(Qt::transparent);
    }
    ~NotingDevice() override { m_engine.finish(); }

    QPaintEngine* paintEngine() const override { return const_cast<TextNotingEngine*>(&m_engine); }
    const std::vector<DrawnText>& texts() {
        m_engine.finish();
        return m_engine.texts();
    }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return m_canvas.width();
        case PdmHeight:
            return m_canvas.height();
        case PdmWidthMM:
            return qRound(m_canvas.width() * 25.4 / 96);
        case PdmHeightMM:
            return qRound(m_canvas.height() * 25.4 / 96);
        case PdmNumColors:
            return 0;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QImage m_canvas;
    TextNotingEngine m_engine;
};

double channel(double value) { return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4); }

double luminance(const QColor& colour) {
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

// `top` with its alpha laid over the opaque `bottom`.
QColor over(const QColor& top, const QColor& bottom) {
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                            float(top.greenF() * a + bottom.greenF() * (1 - a)),
                            float(top.blueF() * a + bottom.blueF() * (1 - a)));
}

bool hasLetterOrDigit(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber(); });
}

QString shortened(const QString& text) {
    const QString line = text.simplified();
    return line.size() > 48 ? line.left(47) + QChar(0x2026) : line;
}

QString describe(const QWidget* widget) {
    if (!widget)
        return QStringLiteral("(no widget)");
    QString name = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty())
        name += QLatin1Char('#') + widget->objectName();
    return name;
}

// The worst contrast `text` keeps over all but the stray share of its background.
std::optional<double> worstContrast(const DrawnText& text) {
    std::vector<double> ratios;
    for (const QRect& rect : text.visible) {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor pixel = text.behind.pixelColor(QPoint(x, y) - text.behindAt);
                double worst = 21;
                for (const QColor& desktop : {QColor(Qt::white), QColor(Qt::black)}) {
                    const QColor behind = over(pixel, desktop);
                    worst = std::min(worst, RenderCheck::contrast(over(text.colour, behind), behind));
                    if (pixel.alpha() == 255)
                        break;
                }
                ratios.push_back(worst);
            }
    }
    if (ratios.empty())
        return std::nullopt;
    const auto stray = ratios.begin() + std::ptrdiff_t(double(ratios.size()) * kStrayShare);
    std::nth_element(ratios.begin(), stray, ratios.end());
    return *stray;
}

// Whether `text` is the shadow or halo of a text drawn after it: the same
// words a pixel or two away.
bool isShadowOf(const DrawnText& text, const DrawnText& later) {
    if (later.text != text.text)
        return false;
    const QRect a = text.visible.boundingRect(), b = later.visible.boundingRect();
    return std::abs(a.x() - b.x()) <= kShadowReach && std::abs(a.y() - b.y()) <= kShadowReach;
}

void checkContrast(QWidget& root, QStringList& problems) {
    NotingDevice device(root.size());
    root.render(&device, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    const std::vector<DrawnText>& texts = device.texts();
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        const DrawnText& text = *it;
        if (!hasLetterOrDigit(text.text) || text.colour.alpha() == 0 || text.visible.isEmpty())
            continue;
        if (std::any_of(std::next(it), texts.cend(), [&](const DrawnText& later) { return isShadowOf(text, later); }))
            continue;
        const QRect box = text.visible.boundingRect();
        // A control that cannot be used has no contrast to keep (WCAG's inactive components).
        const QWidget* owner = root.childAt(box.center());
        if (owner && !owner->isEnabled())
            continue;
        const std::optional<double> ratio = worstContrast(text);
        const double needed = text.pixels >= kLargePixels ? kLargeText : kNormalText;
        if (!ratio || *ratio >= needed)
            continue;
        const QColor behind = text.behind.pixelColor(box.center() - text.behindAt);
        problems << QStringLiteral("low contrast %1:1 (needs %2:1): \"%3\" in %4 at (%5,%6), %7 over %8")
                        .arg(*ratio, 0, 'f', 2)
                        .arg(needed, 0, 'f', 1)
                        .arg(shortened(text.text), describe(owner))
                        .arg(box.x())
                        .arg(box.y())
                        .arg(text.colour.name(QColor::HexArgb), behind.name(QColor::HexArgb));
    }
}

// The height a text widget's text needs at its width, or none for a widget
// that shows no text.
std::optional<int> neededHeight(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        if (label->text().isEmpty())
            return std::nullopt;
        return label->heightForWidth(label->width());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        if (button->text().isEmpty())
            return std::nullopt;
        return button->fontMetrics().height();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget))
        return edit->fontMetrics().height();
    return std::nullopt;
}

QString shownText(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget))
        return edit->text().isEmpty() ? edit->placeholderText() : edit->text();
    return {};
}

void checkHeights(QWidget& root, QStringList& problems) {
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* widget : widgets) {
        if (widget != &root && !widget->isVisibleTo(&root))
            continue;
        const std::optional<int> needed = neededHeight(*widget);
        if (!needed || *needed <= widget->height())
            continue;
        const QPoint at = widget->mapTo(&root, QPoint(0, 0));
        problems << QStringLiteral("clipped text: %1 \"%2\" at (%3,%4) is %5 px high, its text needs %6 at width %7")
                        .arg(describe(widget), shortened(shownText(*widget)))
                        .arg(at.x())
                        .arg(at.y())
                        .arg(widget->height())
                        .arg(*needed)
                        .arg(widget->width());
    }
}

QMutex symbolsLock;
QStringList& missing() {
    static QStringList names;
    return names;
}
QtMessageHandler previousHandler = nullptr;

// Symbols warns with this text and the name when it has no icon for a name.
const QString kNoIcon = QStringLiteral("no icon for symbol ");

void noteMissingSymbols(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(kNoIcon)) {
        QMutexLocker lock(&symbolsLock);
        const QString name = message.mid(kNoIcon.size());
        if (!missing().contains(name))
            missing() << name;
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

namespace RenderCheck {

double contrast(const QColor& a, const QColor& b) {
    const double first = luminance(a), second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QStringList missingSymbols() {
    QMutexLocker lock(&symbolsLock);
    return missing();
}

void watchSymbols() { previousHandler = qInstallMessageHandler(noteMissingSymbols); }

QStringList problems(QWidget& root) {
    QStringList found;
    checkHeights(root, found);
    checkContrast(root, found);
    for (const QString& name : missingSymbols())
        found << QStringLiteral("no icon for the symbol \"%1\"").arg(name);
    return found;
}

void expectReadable(QWidget& root, const QString& name) {
    const QStringList found = problems(root);
    EXPECT_TRUE(found.isEmpty()) << name.toStdString() << ":\n  " << found.join(QStringLiteral("\n  ")).toStdString();
}

} // namespace RenderCheck
