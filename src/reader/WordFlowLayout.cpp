#include "reader/WordFlowLayout.h"

#include <QWidget>

#include <cmath>

WordFlowLayout::WordFlowLayout(FlowLayout flow, QWidget* parent) : QLayout(parent), m_flow(flow) {}

WordFlowLayout::~WordFlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void WordFlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
    m_idealValid = false;
}

QLayoutItem* WordFlowLayout::itemAt(int index) const {
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

QLayoutItem* WordFlowLayout::takeAt(int index) {
    if (index < 0 || index >= m_items.size())
        return nullptr;
    m_idealValid = false;
    return m_items.takeAt(index);
}

void WordFlowLayout::invalidate() {
    m_idealValid = false;
    QLayout::invalidate();
}

const QList<QSizeF>& WordFlowLayout::ideal() const {
    if (!m_idealValid) {
        m_ideal.clear();
        m_ideal.reserve(m_items.size());
        for (const QLayoutItem* item : m_items)
            m_ideal.append(item->isEmpty() ? QSizeF(0, 0) : QSizeF(item->sizeHint()));
        m_idealValid = true;
    }
    return m_ideal;
}

double WordFlowLayout::innerWidth(int width) const {
    const QMargins margins = contentsMargins();
    return std::max(0, std::min(width - margins.left() - margins.right(), m_measure));
}

int WordFlowLayout::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    const double inner = innerWidth(width);
    return int(std::ceil(m_flow.sizeThatFits(inner, ideal()).height())) + margins.top() + margins.bottom();
}

QSize WordFlowLayout::sizeHint() const {
    const QMargins margins = contentsMargins();
    const QSizeF size = m_flow.sizeThatFits(std::nullopt, ideal());
    return {int(std::ceil(size.width())) + margins.left() + margins.right(),
            int(std::ceil(size.height())) + margins.top() + margins.bottom()};
}

QSize WordFlowLayout::minimumSize() const {
    const QMargins margins = contentsMargins();
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

void WordFlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QMargins margins = contentsMargins();
    const double width = innerWidth(rect.width());
    const double left = rect.left() + (rect.width() - width - margins.left() - margins.right()) / 2 + margins.left();
    const QRectF inner(left, rect.top() + margins.top(), width,
                       std::max(0, rect.height() - margins.top() - margins.bottom()));
    const QList<QSizeF>& sizes = ideal();
    const QList<QPointF> corners = m_flow.place(inner, sizes);
    for (qsizetype i = 0; i < m_items.size(); ++i)
        m_items[i]->setGeometry(
            QRect(QPoint(int(std::lround(corners[i].x())), int(std::lround(corners[i].y()))), sizes[i].toSize()));
}
