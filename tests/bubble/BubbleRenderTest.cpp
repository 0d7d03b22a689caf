// Renders every look of the bubble offscreen at 620 x 320 and scale 1, keeps
// the pictures under the build folder, and checks them at known pixels.
#include "dictation/BubbleView.h"
#include "dictation/GlassVariantPickerView.h"
#include "looks/GlassBackdrop.h"
#include "looks/Paper.h"
#include "looks/RuledSurface.h"
#include "state/AppState.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/RenderCheck.h"
#include "support/TempFolder.h"

#include <QImage>
#include <QPainter>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

class BubbleRenderTest : public testing::Test {
protected:
    BubbleRenderTest() {
        state.setTargetAppName(QStringLiteral("Text Editor"));
        state.setModeName(QStringLiteral("Email"));
        state.setMicLevel(0.6f);
    }

    // The panel's content: the backdrop with the bubble on it.
    QImage render(const QString& name) {
        view = std::make_unique<BubbleView>(state, defaults, BubbleView::Actions{});
        view->resize(BubbleView::kWidth, BubbleView::kHeight);
        QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        look = view->lookRect();
        text = view->textRect();
        lineHeight = BubbleView::paperLineHeight();
        RenderCheck::expectReadable(*view, name);
        view.reset();
        Artifacts::save(image, name + QStringLiteral(".png"));
        return image;
    }

    // How many pixels of `area` are brighter than `level` in every channel.
    static int brightPixels(const QImage& image, const QRect& area, int level) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > level && c.green() > level && c.blue() > level;
            }
        return count;
    }

    void resultWithSwaps() {
        state.setFinalText(QStringLiteral("Could you send teh report to Anna before the meeting tomorrow?"));
        state.setWordSwaps(
            {{QUuid::createUuid(), QStringLiteral("teh"), {QStringLiteral("the"), QStringLiteral("tea")}, 15, 3},
             {QUuid::createUuid(),
              QStringLiteral("Anna"),
              {QStringLiteral("Anne"), QStringLiteral("Ana"), QStringLiteral("Hanna"), QStringLiteral("Ann")},
              29,
              4}});
        state.setBubbleMode(BubbleMode::Result);
    }

    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    AppState state;
    std::unique_ptr<BubbleView> view;
    QRectF look;
    QRectF text;
    qreal lineHeight = 0;
};

MATCHER_P2(IsNear, colour, tolerance, "") {
    const QColor c = arg;
    return std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance
           && std::abs(c.blue() - colour.blue()) <= tolerance && std::abs(c.alpha() - colour.alpha()) <= tolerance;
}

TEST_F(BubbleRenderTest, BothCardStylesShowBothStagesOnTheirBackdrop) {
    for (const bool light : {false, true}) {
        defaults.set(QStringLiteral("cardStyle"), light ? QStringLiteral("light") : QStringLiteral("dark"));
        for (const bool result : {false, true}) {
            SCOPED_TRACE(std::string(light ? "light " : "dark ") + (result ? "result" : "listening"));
            state.setModeIsPinned(result);
            if (result) {
                resultWithSwaps();
            } else {
                state.setLiveText(QStringLiteral("Could you send the report"));
                state.setBubbleMode(BubbleMode::Listening);
            }
            const QImage image =
                render(QStringLiteral("card-%1-%2").arg(light ? "light" : "dark", result ? "result" : "listening"));
            ASSERT_EQ(image.size(), QSize(620, 320));
            EXPECT_EQ(look.bottom(), 320);
            EXPECT_EQ(look.width(), 620);
            if (!result)
                EXPECT_EQ(image.pixelColor(310, 20).alpha(), 0) << "above the card the desktop shows through";
            else
                EXPECT_GT(look.height(), 15 + 26 + 8 + 20 + 8 + 40 + 15 - 2) << "room for the two swap lines";
            // Black at 22 % darkens the backdrop, white at 38 % lightens it.
            const QColor card = image.pixelColor(612, int(look.center().y()));
            if (light) {
                EXPECT_GT(card.red(), 100);
            } else {
                EXPECT_LT(card.red(), 28);
                const int glass = GlassBackdrop::fill(GlassBackdrop::Material::HudWindow).alpha();
                EXPECT_NEAR(card.alpha(), 0.22 * 255 + glass * 0.78, 3);
            }
            // Letters in the text's colour: white on the dark card, black on the light one.
            int letters = 0;
            for (int y = int(text.top()); y < int(text.bottom()); ++y)
                for (int x = int(text.left()); x < int(text.left()) + 200; ++x) {
                    const QRgb pixel = image.pixel(x, y);
                    letters += light ? qGray(pixel) < 60 && qAlpha(pixel) > 200 : qGray(pixel) > 200;
                }
            EXPECT_GT(letters, 50);
        }
    }
}

TEST_F(BubbleRenderTest, ThePillSitsCentredAtTheBottom) {
    defaults.set(QStringLiteral("previewStyle"), QStringLiteral("pill"));
    state.setBubbleMode(BubbleMode::Listening);
    const QImage image = render(QStringLiteral("pill"));
    EXPECT_DOUBLE_EQ(look.center().x(), 310);
    EXPECT_EQ(look.bottom(), 320);
    EXPECT_EQ(look.height(), 9 + 26 + 9);
    // The orange bars of the waveform in the middle of the pill.
    const QColor middle = image.pixelColor(int(look.center().x()), int(look.center().y()));
    EXPECT_GT(middle.red(), 200);
    EXPECT_LT(middle.blue(), 100);
}

TEST_F(BubbleRenderTest, AFlashIsACardWithTheMessage) {
    defaults.set(QStringLiteral("previewStyle"), QStringLiteral("pill"));
    state.setFlashMessage(QStringLiteral("Pasted your last dictation."));
    state.setBubbleMode(BubbleMode::Flash);
    const QImage image = render(QStringLiteral("flash"));
    EXPECT_EQ(look.width(), 620);
    EXPECT_GT(brightPixels(image, text.toRect(), 200), 50);
}

TEST_F(BubbleRenderTest, PaperCardsAreRuledSheetsWithAMargin) {
    defaults.set(QStringLiteral("paperTheme"), true);
    state.setFinalText(
        QStringLiteral("Dear Anna, the report is attached. I moved the numbers for March into the second "
                       "table and added a note on the shipping costs. Let me know if anything is missing."));
    state.setBubbleMode(BubbleMode::Result);
    for (const QString& shade : {QStringLiteral("cream"), QStringLiteral("slate")}) {
        SCOPED_TRACE(shade.toStdString());
        defaults.set(QStringLiteral("paperShade"), shade);
        const QImage image = render(QStringLiteral("paper-") + shade);
        const Paper::Palette& palette = shade == QLatin1String("slate") ? Paper::slate() : Paper::cream();
        const int top = int(look.top());
        const int x = 612; // right of the text, left of the edge
        // Between the first two rules: the sheet itself.
        const int between = top + int(lineHeight * 1.5);
        EXPECT_THAT(image.pixelColor(x, between), IsNear(palette.sheet, 1));
        // The margin line at 30 points is tinted orange.
        const QColor margin = image.pixelColor(30, int(look.center().y()));
        EXPECT_NE(margin, palette.sheet);
        EXPECT_GT(margin.red() - margin.blue(), palette.sheet.red() - palette.sheet.blue());
        // Rules every line height from the top, away from the rounded corners.
        const int corner = 24;
        QList<int> rules;
        for (int y = top + corner; y < int(look.bottom()) - corner; ++y)
            if (image.pixelColor(x, y) != image.pixelColor(x, between))
                rules << y - top;
        QList<int> expected;
        for (qreal y : RuledSurface::ruleOffsets(look.height(), lineHeight)) {
            const int row = qRound(look.top() + y) - top;
            if (row >= corner && row < int(look.bottom()) - corner - top)
                expected << row;
        }
        ASSERT_GE(expected.size(), 3);
        ASSERT_EQ(rules.size(), expected.size());
        for (qsizetype i = 0; i < rules.size(); ++i)
            EXPECT_NEAR(rules[i], expected[i], 1);
        // The text sits between the rules: no rule crosses its first line's letters.
        EXPECT_GT(text.top() - top, lineHeight);
    }
}

TEST_F(BubbleRenderTest, ThePickerRendersItsSwatches) {
    GlassVariantPickerView picker;
    QImage image(picker.size(), QImage::Format_ARGB32_Premultiplied);
    // A dark desktop behind, as the picker is shown over one.
    image.fill(QColor(40, 44, 52));
    picker.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    Artifacts::save(image, QStringLiteral("glass-picker.png"));
    RenderCheck::expectReadable(picker, QStringLiteral("glass-picker"));
    EXPECT_EQ(image.width(), 20 + 3 * 160 + 2 * 8 + 20);
    const QRectF first = picker.swatchRect(0);
    const QColor swatch = image.pixelColor(int(first.left()) + 10, int(first.center().y()));
    EXPECT_GT(swatch.red(), 40) << "the veil lightens what lies behind it";
    EXPECT_EQ(image.pixelColor(5, 5), QColor(40, 44, 52));
}

} // namespace
