#include "install/UpdateCheck.h"

#include "install/UpdateRequests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUuid>
#include <QtConcurrent>

// The download of an offered release into a work folder of its own, and the
// sweep of the work folders earlier updates left.

using UpdateRequests::abortAfter;
using UpdateRequests::answeredOk;
using UpdateRequests::isHttps;
using UpdateRequests::makeRequest;

namespace {

constexpr const char* kArchiveName = "Quorvane.archive";
constexpr const char* kUnpackedName = "unpacked";
constexpr qint64 kDownloadChunkBytes = 1024 * 1024;
// The marker an update puts into its work folder: only folders holding it are swept.
constexpr const char* kWorkMarkerName = ".quorvane-update-work";
// A UUID without braces, as the work folder's name carries it.
constexpr qsizetype kUuidLength = 36;

} // namespace

void UpdateCheck::install(const UpdateManifest& manifest) {
    const QUrl url(manifest.url, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        finish(Outcome::BadUrl);
        return;
    }
    if (!isHttps(url) || manifest.signature.size() != ReleaseArchive::kSignatureBytes) {
        fail();
        return;
    }
    // Beside the install folder: the exchange needs one file system.
    const QString parent = QFileInfo(*m_settings.installFolder).path();
    const QString work = parent + QLatin1Char('/') + QLatin1String(kWorkFolderPrefix)
                         + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    m_work = work;
    if (!QDir().mkdir(work)
        || !QFile::setPermissions(work, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)
        || !QFile(work + QLatin1Char('/') + QLatin1String(kWorkMarkerName))
                .open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        fail();
        return;
    }
    const QString archivePath = work + QLatin1Char('/') + QLatin1String(kArchiveName);
    auto file = std::make_shared<QFile>(archivePath);
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        fail();
        return;
    }
    QNetworkReply* reply = m_network.get(makeRequest(url, m_settings.stallTimeout, m_settings.ssl));
    abortAfter(reply, m_settings.downloadDeadline);
    // Small pieces: writing one of tens of megabytes would stall the GUI thread.
    reply->setReadBufferSize(kDownloadChunkBytes);
    const qint64 cap = m_settings.maxArchiveBytes;
    auto tooBig = std::make_shared<bool>(false);
    connect(reply, &QNetworkReply::readyRead, reply, [reply, file, cap, tooBig] {
        const QByteArray chunk = reply->readAll();
        if (file->size() + chunk.size() > cap) {
            *tooBig = true;
            reply->abort();
            return;
        }
        if (file->write(chunk) != chunk.size())
            reply->abort();
    });
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, cap, tooBig] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > cap) {
            *tooBig = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, file, tooBig, manifest, work, archivePath] {
        reply->deleteLater();
        if (!*tooBig && reply->isOpen())
            file->write(reply->readAll());
        const bool written = file->flush();
        file->close();
        if (*tooBig || !answeredOk(reply) || !written) {
            qCWarning(lcUpdate) << "download failed:" << reply->errorString();
            fail();
            return;
        }
        afterDownload(manifest, work, archivePath);
    });
}

void UpdateCheck::afterDownload(const UpdateManifest& manifest, const QString& work, const QString& archive) {
    const QString unpacked = work + QLatin1Char('/') + QLatin1String(kUnpackedName);
    const QByteArray key = m_settings.releaseKey;
    const ReleaseArchive::Limits limits = m_settings.unpackLimits;
    QtConcurrent::run([archive, unpacked, key, signature = manifest.signature, limits]() -> std::optional<QString> {
        if (!ReleaseArchive::verify(archive, signature, key))
            return QStringLiteral("the archive's signature does not match");
        if (!QDir().mkdir(unpacked))
            return QStringLiteral("no folder to unpack into");
        return ReleaseArchive::unpack(archive, unpacked, limits);
    }).then(this, [this, manifest, work, unpacked](std::optional<QString> error) {
        if (error) {
            qCWarning(lcUpdate) << "update refused:" << *error;
            fail();
            return;
        }
        exchangeInto(manifest, work, unpacked);
    });
}

void UpdateCheck::sweepWorkFolders() {
    if (!m_settings.installFolder)
        return;
    const QDir parent(QFileInfo(*m_settings.installFolder).path());
    const QString prefix = QLatin1String(kWorkFolderPrefix);
    const QStringList left =
        parent.entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoSymLinks | QDir::Hidden);
    for (const QString& name : left) {
        // Only a folder an update made: its exact name and the marker inside.
        const QString id = name.mid(prefix.size());
        if (id.size() != kUuidLength || QUuid::fromString(id).isNull()
            || !QFileInfo(parent.filePath(name) + QLatin1Char('/') + QLatin1String(kWorkMarkerName)).isFile())
            continue;
        QDir(parent.filePath(name)).removeRecursively();
    }
}
