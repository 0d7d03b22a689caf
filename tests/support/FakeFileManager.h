#pragma once

#include "platform/FileManager.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>

// Records reveals; trashes by moving into `trashFolder` when set, else
// refuses; exchanges for real.
class FakeFileManager : public FileManager {
public:
    bool reveal(const QString& path) override {
        revealed.append(path);
        return true;
    }
    bool trash(const QString& path) override {
        trashed.append(path);
        if (trashFolder.isEmpty())
            return false;
        QDir().mkpath(trashFolder);
        return QFile::rename(path, trashFolder + QLatin1Char('/') + QString::number(trashed.size()));
    }

    // Swaps for real unless `exchangeError` says what to fail with.
    int exchange(const QString& first, const QString& second) override {
        if (exchangeError != 0)
            return exchangeError;
        if (::renameat2(AT_FDCWD, QFile::encodeName(first).constData(), AT_FDCWD, QFile::encodeName(second).constData(),
                        RENAME_EXCHANGE)
            == 0)
            return 0;
        return errno;
    }

    int exchangeError = 0;
    QString trashFolder;
    QStringList revealed;
    QStringList trashed;
};
