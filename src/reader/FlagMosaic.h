#pragma once

#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include <optional>

// A square tile of Spanish-speaking countries' flags for the voice picker's
// Spanish chip: `columns` × `rows` cells filled from the flag table in order,
// cells past the table's end left clear. `side` is the whole mosaic's width,
// not a cell's. GUI thread.
class FlagMosaic : public QWidget {
public:
    struct Geometry {
        int columns = 0;
        int rows = 0;
        double side = 0;    // points: the whole width
        double spacing = 0; // points: the gap between cells, across and down

        // (side − spacing × (columns − 1)) / columns; 0 without columns.
        double cell() const;
        // side wide, cell × rows + spacing × (rows − 1) high.
        QSizeF size() const;
        // The square of the cell at row `row`, column `column`, from the top left.
        QRectF cellRect(int row, int column) const;
        // The flag-table index a cell shows, or nothing for an empty cell.
        std::optional<int> entryAt(int row, int column) const;
    };

    static constexpr double kCornerRadius = 4;
    // The flag is drawn larger than its cell so the clip crops the emoji's margins.
    static constexpr double kFlagScale = 1.35;

    FlagMosaic(const Geometry& geometry, QWidget* parent = nullptr);

    const Geometry& geometry() const { return m_geometry; }
    QSize sizeHint() const override;

    // "Spanish, spoken in 21 countries".
    static QString accessibleText();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Geometry m_geometry;
};
