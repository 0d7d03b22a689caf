#include "translation/TranslateBarView.h"

#include "looks/GlassBackdrop.h"
#include "looks/PixelFont.h"
#include "looks/Symbols.h"
#include "looks/TextColours.h"
#include "looks/TranslucentWindow.h"
#include "translation/TranslateBar.h"
#include "translator/Translator.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

// The bar sits on the dark heads-up material: light text at falling strengths.
const QColor kOrange = QColor::fromRgbF(1.0f, 0.584f, 0.0f);
const QColor kPrimary = QColor(255, 255, 255);
const QColor kSecondary = QColor::fromRgbF(1, 1, 1, float(TextColours::kSecondary));
const QColor kTertiary = QColor(255, 255, 255, 77);

QPixmap tinted(const QString& symbol, const QColor& colour, int pixels, qreal ratio) {
    QPixmap pixmap = Symbols::icon(symbol).pixmap(QSize(pixels, pixels), ratio);
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    return pixmap;
}

QLabel* symbolLabel(const QString& symbol, const QColor& colour, int pixels, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(tinted(symbol, colour, pixels, parent->devicePixelRatioF()));
    label->setFixedSize(pixels, pixels);
    return label;
}

QLabel* textLabel(const QString& text, const QFont& f, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(f);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    // Inside a button a label would take the button's text colour, which is
    // dark in the light look: the bar's glass is dark in both.
    label->setForegroundRole(QPalette::WindowText);
    return label;
}

// A flat button whose whole rectangle answers clicks; its look is its children.
class RowButton : public QAbstractButton {
public:
    RowButton(int spacing, QMargins padding, QWidget* parent) : QAbstractButton(parent) {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        m_layout = new QHBoxLayout(this);
        m_layout->setSpacing(spacing);
        m_layout->setContentsMargins(padding);
    }
    QHBoxLayout* row() const { return m_layout; }
    QSize sizeHint() const override { return m_layout->sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!underMouse())
            return;
        QPainter painter(this);
        painter.fillRect(rect(), QColor(255, 255, 255, 18));
    }

private:
    QHBoxLayout* m_layout;
};

QWidget* divider(QWidget* parent, int verticalPadding) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, verticalPadding, 0, verticalPadding);
    auto* line = new QWidget(holder);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 255, 38));
    line->setPalette(palette);
    layout->addWidget(line);
    return holder;
}

// The faint rim over everything, so rows never paint over it.
class Rim : public QWidget {
public:
    explicit Rim(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        const qreal radius = TranslateBarView::kCornerRadius - 0.5;
        outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        painter.setPen(QPen(QColor(255, 255, 255, 31), 1));
        painter.drawPath(outline);
    }
};

} // namespace

TranslateBarView::TranslateBarView(TranslateBar& bar, QWidget* parent) : QWidget(parent), m_bar(bar) {
    new TranslucentWindow(
        *this,
        [](const QSize& size) {
            QPainterPath outline;
            outline.addRoundedRect(QRectF(QPointF(), QSizeF(size)), kCornerRadius, kCornerRadius);
            return outline;
        },
        GlassBackdrop::fill(GlassBackdrop::Material::HudWindow));
    m_backdrop = new GlassBackdrop(kCornerRadius, GlassBackdrop::Material::HudWindow, this);
    m_rim = new Rim(this);
    rebuild();
}

void TranslateBarView::rebuild() {
    delete m_content;
    m_content = new QWidget(this);
    auto* stack = new QVBoxLayout(m_content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->setSizeConstraint(QLayout::SetFixedSize);

    const QString targetName = Translator::displayName(m_bar.targetCode());
    auto* header = new RowButton(5, QMargins(11, 6, 11, 6), m_content);
    header->row()->addWidget(symbolLabel(QStringLiteral("speaker.wave.2.fill"), kOrange, 10, header));
    header->row()->addWidget(textLabel(m_bar.sourceName(), pixelFont(11.5), kSecondary, header));
    header->row()->addWidget(symbolLabel(QStringLiteral("arrow.right"), kTertiary, 8, header));
    header->row()->addWidget(textLabel(targetName, pixelFont(11.5, QFont::DemiBold), kPrimary, header));
    header->row()->addWidget(symbolLabel(
        m_bar.expanded() ? QStringLiteral("chevron.up") : QStringLiteral("chevron.down"), kTertiary, 8, header));
    header->row()->addStretch(1);
    header->setAccessibleName(QStringLiteral("Reading aloud, ") + m_bar.sourceName() + QStringLiteral(" to ")
                              + targetName);
    header->setAccessibleDescription(m_bar.expanded() ? QStringLiteral("Closes the language list")
                                                      : QStringLiteral("Opens the language list"));
    connect(header, &QAbstractButton::clicked, &m_bar, &TranslateBar::toggleExpanded, Qt::QueuedConnection);
    stack->addWidget(header);

    if (m_bar.expanded()) {
        stack->addWidget(divider(m_content, 0));
        auto* list = new QWidget(m_content);
        list->setMinimumWidth(kListMinimumWidth);
        auto* rows = new QVBoxLayout(list);
        rows->setContentsMargins(0, 4, 0, 4);
        rows->setSpacing(0);
        const auto addRow = [&](const QString& symbol, const QColor& iconColour, const QString& text,
                                const QColor& textColour) {
            auto* row = new RowButton(7, QMargins(13, 5, 13, 5), list);
            row->row()->addWidget(symbolLabel(symbol, iconColour, 9, row));
            row->row()->addWidget(textLabel(text, pixelFont(12.5), textColour, row));
            row->row()->addStretch(1);
            row->row()->addSpacing(12);
            rows->addWidget(row);
            return row;
        };
        for (const QString& code : m_bar.offered()) {
            const bool current = code == m_bar.targetCode();
            const QString name = Translator::displayName(code);
            RowButton* row = addRow(current ? QStringLiteral("largecircle.fill.circle") : QStringLiteral("circle"),
                                    current ? kOrange : kTertiary, name, kPrimary);
            row->setAccessibleName(QStringLiteral("Read again in ") + name);
            row->setCheckable(true);
            row->setChecked(current);
            connect(
                row, &QAbstractButton::clicked, &m_bar, [bar = &m_bar, code] { bar->choose(code); },
                Qt::QueuedConnection);
        }
        if (m_bar.offersKeep()) {
            rows->addWidget(divider(list, 3));
            RowButton* keep =
                addRow(QStringLiteral("pin"), kOrange,
                       QStringLiteral("Keep ") + targetName + QStringLiteral(" as the default"), kPrimary);
            keep->setAccessibleName(QStringLiteral("Keep ") + targetName + QStringLiteral(" as the default language"));
            connect(keep, &QAbstractButton::clicked, &m_bar, &TranslateBar::keepAsDefault, Qt::QueuedConnection);
        }
        rows->addWidget(divider(list, 3));
        RowButton* add =
            addRow(QStringLiteral("plus.circle"), kTertiary, QStringLiteral("Add a language\u2026"), kSecondary);
        add->setAccessibleName(QStringLiteral("Add a language"));
        add->setAccessibleDescription(QStringLiteral("Opens Translation settings"));
        add->setEnabled(bool(m_bar.peers().openTranslationPage));
        connect(add, &QAbstractButton::clicked, &m_bar, &TranslateBar::addLanguage, Qt::QueuedConnection);
        stack->addWidget(list);
    }
    m_content->adjustSize();
    m_content->show();
    m_content->raise();
    m_rim->raise();
    updateGeometry();
    resize(sizeHint());
}

QSize TranslateBarView::sizeHint() const { return m_content ? m_content->sizeHint() : QSize(); }

void TranslateBarView::resizeEvent(QResizeEvent*) {
    m_backdrop->setGeometry(rect());
    m_rim->setGeometry(rect());
    if (m_content)
        m_content->move(0, 0);
}
