#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

// What another process sees of a running program on the harness's desktop:
// its tray icon inside the tray host, its open pop-up menus and the TCP ports
// it listens on. Desktop tests only.
namespace ProgramOnDesktop {

// The middle of a mapped window titled `title` that is not a top-level window
// (the tray host embeds icons in its own window); none when there is none.
std::optional<QPoint> embeddedWindow(const QString& title);

// The frames of the mapped pop-up windows (override-redirect top-levels)
// that process `pid` owns, such as an open menu.
QList<QRect> popups(qint64 pid);

// The TCP ports process `pid` listens on, IPv4 and IPv6.
QList<quint16> listeningPorts(qint64 pid);

} // namespace ProgramOnDesktop
