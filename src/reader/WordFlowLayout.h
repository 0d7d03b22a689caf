#pragma once

#include "reader/FlowLayout.h"

#include <QLayout>
#include <QList>
#include <QWidget>

// A widget layout that sets its items as words in lines through FlowLayout's
// measuring and placing. Items keep their ideal sizes, cached until the
// layout is invalidated. GUI thread.
class WordFlowLayout : public QLayout {
public:
    explicit WordFlowLayout(FlowLayout flow, QWidget* parent = nullptr);

    // Lines no wider than `measure` (inside the margins), the block centred in
    // a wider rectangle; unlimited by default.
    void setMeasure(int measure) { m_measure = measure; }
    ~WordFlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    void invalidate() override;

private:
    const QList<QSizeF>& ideal() const;
    double innerWidth(int width) const;

    FlowLayout m_flow;
    int m_measure = QWIDGETSIZE_MAX;
    QList<QLayoutItem*> m_items;
    mutable QList<QSizeF> m_ideal;
    mutable bool m_idealValid = false;
};
