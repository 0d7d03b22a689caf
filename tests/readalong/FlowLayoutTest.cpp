#include "reader/FlowLayout.h"

#include <gtest/gtest.h>

namespace {

QList<QSizeF> boxes(int count, QSizeF size) { return QList<QSizeF>(count, size); }

} // namespace

TEST(FlowLayout, ThreeHundredWideViewsFillALineOfThreeHundredTen) {
    const FlowLayout flow;
    const QList<QSizeF> views = boxes(4, {100, 20});
    const QList<QPointF> corners = flow.place({0, 0, 310, 500}, views);
    ASSERT_EQ(corners.size(), 4);
    EXPECT_EQ(corners[0], QPointF(0, 0));
    EXPECT_EQ(corners[1], QPointF(105, 0));
    EXPECT_EQ(corners[2], QPointF(210, 0));
    EXPECT_EQ(corners[3], QPointF(0, 34));
    EXPECT_EQ(flow.sizeThatFits(310, views), QSizeF(310, 54));
}

TEST(FlowLayout, LinesAreAsTallAsTheirTallestViewAndBoundsOffsetEveryCorner) {
    const FlowLayout flow;
    const QList<QSizeF> views{{50, 10}, {50, 30}, {50, 12}};
    const QList<QPointF> corners = flow.place({20, 40, 110, 100}, views);
    EXPECT_EQ(corners[0], QPointF(20, 40));
    EXPECT_EQ(corners[1], QPointF(75, 40));
    EXPECT_EQ(corners[2], QPointF(20, 40 + 30 + 14));
    EXPECT_EQ(flow.sizeThatFits(110, views), QSizeF(110, 30 + 14 + 12));
}

TEST(FlowLayout, AnOverlongWordStandsAloneAtTheLeftEdge) {
    const FlowLayout flow;
    const QList<QSizeF> views{{500, 20}, {30, 20}};
    const QList<QPointF> corners = flow.place({0, 0, 200, 100}, views);
    EXPECT_EQ(corners[0], QPointF(0, 0));
    EXPECT_EQ(corners[1], QPointF(0, 34));
    EXPECT_EQ(flow.sizeThatFits(200, {{500, 20}}), QSizeF(200, 20));
}

TEST(FlowLayout, WrapsAt480WithoutAProposedWidthAndIsEmptyWithoutViews) {
    const FlowLayout flow;
    EXPECT_EQ(flow.sizeThatFits(std::nullopt, {}), QSizeF(480, 0));
    EXPECT_TRUE(flow.place({0, 0, 300, 300}, {}).isEmpty());
    // Five of 95 (+5) fill 480 exactly (the last gap is not counted); a sixth wraps.
    EXPECT_EQ(flow.sizeThatFits(std::nullopt, boxes(5, {92, 10})).height(), 10);
    EXPECT_EQ(flow.sizeThatFits(std::nullopt, boxes(6, {92, 10})).height(), 34);
}
