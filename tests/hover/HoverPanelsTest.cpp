#include "reader/HoverHighlight.h"
#include "reader/HoverNotice.h"
#include "reader/HoverNoticeModel.h"
#include "reader/HoverReader.h"

#include "support/Artifacts.h"
#include "support/RenderCheck.h"

#include <QImage>
#include <QPainter>

#include <gmock/gmock.h>

namespace {

// The view drawn over a plain backdrop, as it would show over a page.
QImage render(QWidget& view, QSize size, QColor backdrop) {
    view.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(backdrop);
    QPainter painter(&image);
    view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image;
}

// The backdrop mixed with the hover colour at `opacity`.
QColor over(QColor backdrop, qreal opacity) {
    const QColor tint = HoverHighlight::tint();
    return QColor::fromRgbF(float(backdrop.redF() * (1 - opacity) + tint.redF() * opacity),
                            float(backdrop.greenF() * (1 - opacity) + tint.greenF() * opacity),
                            float(backdrop.blueF() * (1 - opacity) + tint.blueF() * opacity));
}

bool near(QColor a, QColor b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

int whitePixels(const QImage& image, QRect area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += QColor(image.pixel(x, y)).lightness() > 200;
    return count;
}

TEST(HoverPanelsTest, TheHighlightTintsThePageAndMarksItsLeadingEdgeMoreStronglyWhileReading) {
    HoverNoticeModel model;
    HoverHighlight highlight(model);
    const QSize size = HoverReader::highlightFrame(QRect(0, 0, 300, 60)).size();
    const QColor page(Qt::white);

    const QImage offered = render(highlight, size, page);
    model.setReading(true); // hidden: applies at once
    const QImage reading = render(highlight, size, page);
    Artifacts::save(offered, QStringLiteral("hover-highlight.png"));
    Artifacts::save(reading, QStringLiteral("hover-highlight-reading.png"));

    const QPoint inside(size.width() / 2, size.height() / 2), bar(1, size.height() / 2);
    EXPECT_TRUE(near(offered.pixelColor(inside), over(page, HoverHighlight::kFillOpacity)));
    EXPECT_TRUE(near(reading.pixelColor(inside), over(page, HoverHighlight::kReadingFillOpacity)));
    EXPECT_TRUE(near(offered.pixelColor(bar), over(over(page, 0.09), 0.5)));
    EXPECT_TRUE(near(reading.pixelColor(bar), HoverHighlight::tint()));
    EXPECT_EQ(reading.pixelColor(HoverHighlight::kBarWidth + 1, size.height() / 2), reading.pixelColor(inside));
    // The rounded corner leaves the page untouched.
    EXPECT_EQ(reading.pixelColor(0, 0), page);
}

TEST(HoverPanelsTest, TheNoticeOffersReadingAndThenTellsHowToStop) {
    HoverNoticeModel model;
    HoverNotice notice(model);
    const QColor page(Qt::white);

    const QImage offered = render(notice, HoverReader::kNoticeSize, page);
    const QRect offeredCapsule = notice.capsule();
    EXPECT_EQ(notice.text(), QStringLiteral("Click to read"));
    model.setReading(true);
    const QImage reading = render(notice, HoverReader::kNoticeSize, page);
    const QRect readingCapsule = notice.capsule();
    EXPECT_EQ(notice.text(), QStringLiteral("Reading. Click to stop."));
    Artifacts::save(offered.scaled(offered.size() * 3), QStringLiteral("hover-notice.png"));
    Artifacts::save(reading.scaled(reading.size() * 3), QStringLiteral("hover-notice-reading.png"));
    notice.resize(HoverReader::kNoticeSize);
    RenderCheck::expectReadable(notice, QStringLiteral("hover-notice-reading"));

    for (const auto& [image, capsule] : {std::pair{offered, offeredCapsule}, std::pair{reading, readingCapsule}}) {
        // Centred in the panel, 6 points of padding round 12-point text, inside the panel.
        EXPECT_LE(std::abs(capsule.center().x() - HoverReader::kNoticeSize.width() / 2), 1);
        EXPECT_TRUE(QRect(QPoint(), HoverReader::kNoticeSize).contains(capsule));
        // The capsule's dark fill beside the dot, white text after it.
        EXPECT_TRUE(near(image.pixelColor(capsule.left() + 8, capsule.top() + 2), HoverNotice::fill(), 6));
        const QRect textArea(capsule.left() + 11 + 6 + 7, capsule.top(), capsule.width() - 11 - 6 - 7 - 11,
                             capsule.height());
        EXPECT_GT(whitePixels(image, textArea), 20);
    }
    EXPECT_GT(readingCapsule.width(), offeredCapsule.width());
    // The dot: full hover colour when offering, fainter while reading.
    const QPoint dot(offeredCapsule.left() + 11 + 3, offeredCapsule.center().y());
    EXPECT_TRUE(near(offered.pixelColor(dot), HoverHighlight::tint(), 12));
    const QPoint readingDot(readingCapsule.left() + 11 + 3, readingCapsule.center().y());
    EXPECT_FALSE(near(reading.pixelColor(readingDot), HoverHighlight::tint(), 12));
    // Outside the capsule the page shows through, shaded just below it.
    EXPECT_EQ(offered.pixelColor(1, 1), page);
    EXPECT_LT(offered.pixelColor(offeredCapsule.center().x(), offeredCapsule.bottom() + 3).lightness(), 255);
}

} // namespace
