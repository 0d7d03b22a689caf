#pragma once

#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QObject>

class UrlOpener;

// Reveals through org.freedesktop.FileManager1 ShowItems on the session bus,
// without waiting for the file manager: when the call fails (no file manager
// offers it) the file's folder is opened with `folderOpener` instead. Trashes
// into the freedesktop trash.
class FreedesktopFileManager : public QObject, public FileManager {
public:
    explicit FreedesktopFileManager(UrlOpener& folderOpener,
                                    const QDBusConnection& bus = QDBusConnection::sessionBus());

    bool reveal(const QString& path) override;
    bool trash(const QString& path) override;
    // renameat2 with RENAME_EXCHANGE.
    int exchange(const QString& first, const QString& second) override;

private:
    UrlOpener& m_folderOpener;
    QDBusConnection m_bus;
};
