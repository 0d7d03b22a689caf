#include "app/MenuBarIcon.h"

#include "looks/Symbols.h"
#include "support/Bundle.h"

#include <QPainter>
#include <QPixmap>

namespace MenuBarIcon {

namespace {

constexpr int kPoints = 18;
// The idle icon's colour on a dark and on a light panel, and the stand-in
// symbol's while recording.
constexpr QColor kOnDarkPanel(0xff, 0xff, 0xff);
constexpr QColor kOnLightPanel(0x1d, 0x1d, 0x1f);
constexpr QColor kRecordingSymbol(0xff, 0x95, 0x00);

QColor idleColour(bool darkPanel) { return darkPanel ? kOnDarkPanel : kOnLightPanel; }

// The art's shape in one colour, as the idle icon is a template.
QPixmap tinted(const QPixmap& source, const QColor& colour) {
    QPixmap result(source.size());
    result.setDevicePixelRatio(source.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawPixmap(0, 0, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), colour);
    return result;
}

} // namespace

QIcon load(bool recording, bool darkPanel) {
    const QString path =
        Bundle::resource(recording ? QStringLiteral("tray-quor-rec@2x.png") : QStringLiteral("tray-quor@2x.png"));
    if (path.isEmpty())
        return {};
    QPixmap image(path);
    if (image.isNull())
        return {};
    image = image.scaled(kPoints * 2, kPoints * 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(2.0);
    if (!recording)
        image = tinted(image, idleColour(darkPanel));
    return QIcon(image);
}

QIcon icon(bool recording, bool darkPanel) {
    QIcon art = load(recording, darkPanel);
    if (!art.isNull())
        return art;
    const QIcon symbol = Symbols::icon(recording ? QStringLiteral("mic.fill") : QStringLiteral("mic"));
    QPixmap drawn = symbol.pixmap(kPoints * 2, kPoints * 2);
    if (drawn.isNull())
        return symbol;
    drawn.setDevicePixelRatio(2.0);
    return QIcon(tinted(drawn, recording ? kRecordingSymbol : idleColour(darkPanel)));
}

} // namespace MenuBarIcon
