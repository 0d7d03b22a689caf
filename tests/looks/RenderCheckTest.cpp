// The check every render goes through finds what a reader would trip over:
// a label squeezed below its text, a text too faint for what lies behind it
// (a transparent panel counting as any desktop), and a symbol without a
// drawing; and it lets pass what WCAG exempts.
#include "support/RenderCheck.h"
#include "looks/Symbols.h"

#include <QColor>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

QLabel* label(const QString& text, const QColor& ink, QWidget* parent) {
    auto* shown = new QLabel(text, parent);
    QPalette colours = shown->palette();
    colours.setColor(QPalette::WindowText, ink);
    shown->setPalette(colours);
    return shown;
}

// A page of the given colour.
std::unique_ptr<QWidget> page(const QColor& colour) {
    auto widget = std::make_unique<QWidget>();
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, colour);
    widget->setPalette(colours);
    widget->setAutoFillBackground(true);
    widget->resize(320, 120);
    return widget;
}

bool mentions(const QStringList& problems, const QString& part) {
    return std::any_of(problems.cbegin(), problems.cend(), [&](const QString& line) { return line.contains(part); });
}

TEST(RenderCheckTest, ContrastFollowsWcag) {
    EXPECT_NEAR(RenderCheck::contrast(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(RenderCheck::contrast(Qt::white, Qt::white), 1.0, 0.01);
    EXPECT_NEAR(RenderCheck::contrast(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.01);
    EXPECT_NEAR(RenderCheck::contrast(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
}

TEST(RenderCheckTest, DarkTextOnAPageReadsAndGreyOnGreyDoesNot) {
    auto widget = page(Qt::white);
    label(QStringLiteral("Plainly readable"), QColor(0x1d, 0x1d, 0x1f), widget.get())->move(10, 10);
    EXPECT_TRUE(RenderCheck::problems(*widget).isEmpty()) << RenderCheck::problems(*widget).join('\n').toStdString();

    label(QStringLiteral("Barely there"), QColor(0xb0, 0xb0, 0xb0), widget.get())->move(10, 50);
    const QStringList found = RenderCheck::problems(*widget);
    ASSERT_EQ(found.size(), 1) << found.join('\n').toStdString();
    EXPECT_TRUE(found.first().startsWith(QStringLiteral("low contrast"))) << found.first().toStdString();
    EXPECT_TRUE(found.first().contains(QStringLiteral("Barely there")));
}

TEST(RenderCheckTest, LargeTextNeedsLessAndADisabledControlOrAShadowNeedsNone) {
    auto widget = page(Qt::white);
    // 3.5 : 1 is enough at 24 pixels (18 pt), not below.
    QLabel* large = label(QStringLiteral("Large"), QColor(0x88, 0x88, 0x88), widget.get());
    QFont font = large->font();
    font.setPixelSize(24);
    large->setFont(font);
    large->adjustSize();
    EXPECT_TRUE(RenderCheck::problems(*widget).isEmpty());
    font.setPixelSize(20);
    large->setFont(font);
    large->adjustSize();
    EXPECT_EQ(RenderCheck::problems(*widget).size(), 1);
    large->setEnabled(false);
    EXPECT_TRUE(RenderCheck::problems(*widget).isEmpty());

    // A pale halo drawn first and the text over it: only the text counts.
    class Haloed : public QWidget {
    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter painter(this);
            painter.setPen(QColor(0xf0, 0xf0, 0xf0));
            painter.drawText(QPointF(11, 21), QStringLiteral("Haloed"));
            painter.setPen(Qt::black);
            painter.drawText(QPointF(10, 20), QStringLiteral("Haloed"));
        }
    };
    auto* haloed = new Haloed;
    haloed->setParent(widget.get());
    haloed->setGeometry(150, 10, 120, 30);
    EXPECT_TRUE(RenderCheck::problems(*widget).isEmpty()) << RenderCheck::problems(*widget).join('\n').toStdString();
}

TEST(RenderCheckTest, TextOnATransparentPanelMustReadOverALightAndADarkDesktop) {
    QWidget panel;
    panel.setAttribute(Qt::WA_TranslucentBackground);
    panel.resize(200, 40);
    label(QStringLiteral("Floating"), Qt::white, &panel)->move(10, 10);
    EXPECT_TRUE(mentions(RenderCheck::problems(panel), QStringLiteral("Floating")));
}

TEST(RenderCheckTest, ALabelGivenLessThanItsWrappedHeightIsClipped) {
    auto widget = page(Qt::white);
    QLabel* wrapped = label(QStringLiteral("A sentence long enough to need three or four lines at this narrow width."),
                            Qt::black, widget.get());
    wrapped->setWordWrap(true);
    wrapped->setGeometry(10, 10, 120, wrapped->heightForWidth(120));
    EXPECT_FALSE(mentions(RenderCheck::problems(*widget), QStringLiteral("clipped")));
    wrapped->resize(120, wrapped->fontMetrics().height());
    EXPECT_TRUE(mentions(RenderCheck::problems(*widget), QStringLiteral("clipped text")));
    // A hidden label is nobody's problem.
    wrapped->hide();
    EXPECT_TRUE(RenderCheck::problems(*widget).isEmpty());
}

TEST(RenderCheckTest, ASymbolWithoutADrawingIsReported) {
    auto widget = page(Qt::white);
    EXPECT_TRUE(RenderCheck::problems(*widget).isEmpty());
    (void)Symbols::icon(QStringLiteral("no.such.symbol"));
    EXPECT_TRUE(mentions(RenderCheck::problems(*widget), QStringLiteral("no.such.symbol")));
}

} // namespace
