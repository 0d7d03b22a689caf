#include "selftests/SelfTestText.h"

#include "support/StoreFile.h"

#include <QGuiApplication>
#include <QScreen>

#include <charconv>
#include <cmath>
#include <limits>

namespace SelfTestText {
namespace {

// Magnitudes from here on are written with an exponent: below 1e-4, and from
// the point where the type no longer holds every integer.
constexpr double kSmallest = 1e-4;

template <typename Real> QString shortest(Real value, Real largest) {
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    const Real magnitude = std::fabs(value);
    const bool exponent = magnitude != 0 && (magnitude < Real(kSmallest) || magnitude >= largest);
    char buffer[64];
    const std::to_chars_result written = std::to_chars(
        buffer, buffer + sizeof buffer, value, exponent ? std::chars_format::scientific : std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, written.ptr - buffer);
    if (!exponent && !text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

} // namespace

QString boolean(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

QString decimal(double value) { return shortest(value, 9007199254740992.0); }

QString decimal(float value) { return shortest(value, 16777216.0f); }

QString rect(const std::optional<QRectF>& rect) {
    if (!rect)
        return QStringLiteral("none");
    // The primary screen's bottom edge is y = 0; everything above it counts up.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRectF origin = primary ? QRectF(primary->geometry()) : QRectF();
    const double x = rect->x() - origin.x();
    const double y = (origin.y() + origin.height()) - (rect->y() + rect->height());
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(decimal(x), decimal(y), decimal(rect->width()), decimal(rect->height()));
}

QString oneDecimal(double value) { return QString::asprintf("%.1f", value); }

void write(const QString& path, const QString& text) { (void)StoreFile(path).write(text.toUtf8()); }

} // namespace SelfTestText
