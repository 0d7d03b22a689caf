#pragma once

#include <QList>
#include <QRectF>
#include <QWidget>

// A development sheet for choosing a glass variant by eye: a title and a grid
// of numbered swatches, three to a row. Without the numbered glass each
// swatch is the plain ultra-thin material with its number.
class GlassVariantPickerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 3;
    static constexpr int kColumnWidth = 160;
    static constexpr int kSwatchHeight = 58;
    static constexpr int kColumnSpacing = 8;
    static constexpr int kRowSpacing = 12;
    static constexpr int kPadding = 20;
    static constexpr int kSpacing = 10;
    static constexpr qreal kSwatchRadius = 16;

    explicit GlassVariantPickerView(QWidget* parent = nullptr);

    QList<int> variants() const { return m_variants; }
    // Where swatch `index` lies.
    QRectF swatchRect(int index) const;
    static QString title();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int titleHeight() const;

    QList<int> m_variants;
};
