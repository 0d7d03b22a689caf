#include "engine/ModelDownload.h"

#include "engine/ModelDownloader.h"
#include "engine/ModelTable.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPromise>
#include <QSet>
#include <QUrl>

#include <filesystem>
#include <system_error>

ModelDownload::ModelDownload(QString modelFolder, ModelFiles files, QList<QUrl> bases, QObject* parent)
    : QObject(parent), m_folder(std::move(modelFolder)), m_files(std::move(files)), m_bases(std::move(bases)),
      m_total(ModelTable::totalBytes(m_files)) {}

ModelDownload::~ModelDownload() {
    delete m_fetch;
    if (m_promise)
        settle(false);
}

bool ModelDownload::complete(const QString& modelFolder, const ModelFiles& files) {
    const QDir folder(modelFolder);
    for (const ModelFile& file : files) {
        const QFileInfo info(folder.filePath(file.name));
        if (!info.isFile() || info.size() != file.size)
            return false;
    }
    return true;
}

QString ModelDownload::failureMessage() const {
    return QStringLiteral(
               "Could not download the dictation model (%1). Check your internet connection and try Repair again.")
        .arg(m_lastError);
}

QFuture<bool> ModelDownload::run(bool force) {
    m_promise = std::make_shared<QPromise<bool>>();
    m_promise->start();
    QFuture<bool> future = m_promise->future();
    PrivateFiles::makeFolder(m_folder);
    sweepLeftovers();
    m_force = force;
    m_index = 0;
    m_done = 0;
    nextFile();
    return future;
}

void ModelDownload::sweepLeftovers() const {
    QSet<QString> folders;
    for (const ModelFile& file : m_files)
        folders.insert(QFileInfo(QDir(m_folder).filePath(file.name)).absolutePath());
    for (const QString& path : folders) {
        const QDir folder(path);
        const QStringList leftovers = folder.entryList({QLatin1String(ModelDownloader::kTempPrefix) + QLatin1Char('*')},
                                                       QDir::Files | QDir::Hidden);
        for (const QString& name : leftovers)
            QFile::remove(folder.filePath(name));
    }
}

void ModelDownload::report(qint64 done) { emit progressChanged(m_total > 0 ? double(done) / double(m_total) : 1.0); }

void ModelDownload::nextFile() {
    while (m_index < m_files.size()) {
        const ModelFile& file = m_files.at(m_index);
        const QString destination = QDir(m_folder).filePath(file.name);
        const QFileInfo info(destination);
        if (!m_force && info.isFile() && info.size() == file.size) {
            m_done += file.size;
            report(m_done);
            ++m_index;
            continue;
        }
        if (m_force)
            QFile::remove(destination);
        emit detailChanged(QLatin1String(kDetail));
        tryBase(0);
        return;
    }
    settle(true);
}

void ModelDownload::tryBase(int baseIndex) {
    if (baseIndex >= m_bases.size()) {
        if (m_bases.isEmpty())
            m_lastError = QStringLiteral("download failed");
        settle(false);
        return;
    }
    const ModelFile file = m_files.at(m_index);
    const QUrl url = ModelTable::address(m_bases.at(baseIndex), file.name);
    if (!url.isValid()) {
        m_lastError = QStringLiteral("bad URL");
        tryBase(baseIndex + 1);
        return;
    }
    const qint64 base = m_done;
    m_fetch = new ModelDownloader([this, base](qint64 written, qint64) { report(base + written); });
    const QString folder = QFileInfo(QDir(m_folder).filePath(file.name)).absolutePath();
    m_fetch->download(url, kIdleTimeout, folder, file.size)
        .then(this, [this, file, baseIndex](const ModelDownloader::Result& result) {
            m_fetch->deleteLater();
            m_fetch = nullptr;
            if (result.filePath.isEmpty()) {
                m_lastError = result.error.value_or(QStringLiteral("download failed"));
                tryBase(baseIndex + 1);
                return;
            }
            if (!accept(result.filePath, file)) {
                tryBase(baseIndex + 1);
                return;
            }
            m_done += file.size;
            report(m_done);
            ++m_index;
            nextFile();
        });
}

bool ModelDownload::accept(const QString& fetched, const ModelFile& file) {
    const QFileInfo info(fetched);
    const qint64 size = info.exists() ? info.size() : -1;
    if (size != file.size) {
        QFile::remove(fetched);
        m_lastError = QStringLiteral("%1 came back %2 bytes, expected %3").arg(file.name).arg(size).arg(file.size);
        return false;
    }
    // rename(2) replaces the old file in one step: the name never holds a part.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(fetched).toStdString(),
                            QFile::encodeName(QDir(m_folder).filePath(file.name)).toStdString(), error);
    if (error) {
        QFile::remove(fetched);
        m_lastError = QString::fromStdString(error.message());
        return false;
    }
    return true;
}

void ModelDownload::settle(bool ok) {
    if (!m_promise)
        return;
    const auto promise = std::exchange(m_promise, nullptr);
    promise->addResult(ok);
    promise->finish();
}
