#pragma once

#include <QImage>
#include <QString>

#include <optional>

// The milestone badge's column: the mark with its drop shadow, the hours with
// their headline and the caption, inside two soft halos that follow its
// shape, drawn once into images of the badge's size. The blurs are the
// costly part, so the view has them made on the thread pool. Any thread.
namespace BadgeColumn {

struct Content {
    QString headline;
    std::optional<int> number;
    QString line;
    bool onDark = false;
};

// Drawn in this order, each at the badge's top left corner.
struct Images {
    QImage wideHalo;
    QImage tightHalo;
    QImage column;
};

// The column at `devicePixelRatio`, centred in images of MilestoneBadgeView::kSize.
Images render(const Content& content, qreal devicePixelRatio);

} // namespace BadgeColumn
