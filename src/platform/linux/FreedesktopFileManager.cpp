#include "platform/linux/FreedesktopFileManager.h"

#include "platform/UrlOpener.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <stdio.h>

namespace {
// A file manager started by the call itself may take a while to answer.
constexpr std::chrono::milliseconds kShowItemsTimeout{5000};
} // namespace

FreedesktopFileManager::FreedesktopFileManager(UrlOpener& folderOpener, const QDBusConnection& bus)
    : m_folderOpener(folderOpener), m_bus(bus) {}

bool FreedesktopFileManager::reveal(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // URIs go percent-encoded: a file manager reads "file:///a b" as no file.
    call << QStringList{QString::fromLatin1(QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded())} << QString();
    const QUrl folder = QUrl::fromLocalFile(info.absolutePath());
    auto* answer = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(kShowItemsTimeout.count())), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this, folder](QDBusPendingCallWatcher* watcher) {
        watcher->deleteLater();
        if (watcher->isError())
            m_folderOpener.open(folder);
    });
    return true;
}

bool FreedesktopFileManager::trash(const QString& path) { return QFile::moveToTrash(path); }

int FreedesktopFileManager::exchange(const QString& first, const QString& second) {
    if (::renameat2(AT_FDCWD, QFile::encodeName(first).constData(), AT_FDCWD, QFile::encodeName(second).constData(),
                    RENAME_EXCHANGE)
        == 0)
        return 0;
    return errno;
}
