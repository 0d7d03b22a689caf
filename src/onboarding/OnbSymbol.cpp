#include "onboarding/OnbSymbol.h"

#include "looks/TintedSymbol.h"

OnbSymbol::OnbSymbol(const QString& name, int points, const QColor& color, QWidget* parent)
    : QLabel(parent), m_name(name), m_color(color) {
    setPixmap(TintedSymbol::pixmap(name, points, color, devicePixelRatioF()));
    setAlignment(Qt::AlignCenter);
    setFixedHeight(points + 2);
}
