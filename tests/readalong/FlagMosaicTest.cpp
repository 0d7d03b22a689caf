#include "reader/FlagMosaic.h"
#include "reader/FlagMagnifier.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/SpanishFlags.h"

#include "support/Artifacts.h"
#include "support/ManualTimers.h"
#include "support/RenderCheck.h"

#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(FlagMosaic, SideIsTheWholeWidthSoCellsShrinkToFit) {
    const FlagMosaic::Geometry geometry{4, 5, 50, 2};
    EXPECT_DOUBLE_EQ(geometry.cell(), 11);
    EXPECT_DOUBLE_EQ(geometry.size().width(), 50);
    EXPECT_DOUBLE_EQ(geometry.size().height(), 63);
    // The last cell ends exactly at the mosaic's edges.
    EXPECT_DOUBLE_EQ(geometry.cellRect(4, 3).right(), 50);
    EXPECT_DOUBLE_EQ(geometry.cellRect(4, 3).bottom(), 63);
}

TEST(FlagMosaic, FillsCellsInReadingOrderAndLeavesCellsPastTheTableEmpty) {
    EXPECT_EQ((FlagMosaic::Geometry{5, 4, 46, 1}.entryAt(1, 0)), 5);
    const FlagMosaic::Geometry square{5, 5, 46, 1};
    int empty = 0;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            empty += !square.entryAt(r, c).has_value();
    EXPECT_EQ(empty, 5);
    EXPECT_EQ(square.entryAt(3, 4), 19);
    EXPECT_FALSE(square.entryAt(4, 0).has_value());
}

TEST(FlagMosaic, RendersFlagsInsideItsRoundedFrame) {
    FlagMosaic mosaic({5, 4, 46, 1});
    EXPECT_EQ(mosaic.size(), QSize(46, 37));
    QImage image(mosaic.size() * 4, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(4);
    image.fill(Qt::transparent);
    mosaic.render(&image, {}, {}, QWidget::DrawChildren);
    Artifacts::save(image, QStringLiteral("flag-mosaic.png"));
    // The rounded corner stays clear; the centre of the first cell is painted.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    const QRectF first = mosaic.geometry().cellRect(0, 0);
    EXPECT_GT(qAlpha(image.pixel(int(first.center().x() * 4), int(first.center().y() * 4))), 0);
}

TEST(FlagMagnifier, RendersEveryFlagWithItsNameAtTheFixedWidth) {
    FlagMagnifierHover hover;
    FlagMagnifier magnifier([] {}, 5, hover);
    magnifier.adjustSize();
    EXPECT_EQ(magnifier.width(), FlagMagnifier::kWidth);
    int names = 0;
    for (const QLabel* label : magnifier.findChildren<QLabel*>()) {
        for (const SpanishFlags::Entry& entry : SpanishFlags::table())
            names += label->text() == entry.name;
        // Nothing is cut off at the cell's edge.
        if (label->width() == FlagMagnifier::kCellWidth) {
            EXPECT_LE(label->sizeHint().width(), FlagMagnifier::kCellWidth) << label->text().toStdString();
        }
    }
    EXPECT_EQ(names, 20);
    QImage image(magnifier.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    magnifier.render(&image);
    Artifacts::save(image, QStringLiteral("flag-magnifier.png"));
    RenderCheck::expectReadable(magnifier, QStringLiteral("flag-magnifier"));
}

TEST(FlagMagnifierHover, LeavingDismissesAfterAFifthOfASecondUnlessThePointerComesBack) {
    ManualTimers timers;
    FlagMagnifierHover hover(timers.delayedCall());
    int dismissed = 0;
    const auto dismiss = [&] { ++dismissed; };

    hover.setInside(true);
    hover.setInside(false, dismiss);
    timers.advance(100ms);
    hover.setInside(true);
    timers.advance(200ms);
    EXPECT_EQ(dismissed, 0);
    EXPECT_TRUE(hover.inside());

    hover.setInside(false, dismiss);
    timers.advance(199ms);
    EXPECT_EQ(dismissed, 0);
    timers.advance(1ms);
    EXPECT_EQ(dismissed, 1);
    EXPECT_FALSE(hover.inside());
}
