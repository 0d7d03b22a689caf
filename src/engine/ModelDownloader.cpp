#include "engine/ModelDownloader.h"

#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPromise>
#include <QTimer>
#include <QUuid>
#include <QtConcurrent>

namespace {

constexpr qint64 kFileChunk = 1 << 20;
constexpr int kStatusOk = 200;
constexpr int kStatusNotFound = 404;

QString httpError(int status) { return QStringLiteral("HTTP %1").arg(status); }

} // namespace

ModelDownloader::ModelDownloader(Progress onProgress, QObject* parent)
    : QObject(parent), m_onProgress(std::move(onProgress)) {}

ModelDownloader::~ModelDownloader() {
    *m_cancelled = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    finish({.filePath = {}, .status = m_lastStatus, .error = QStringLiteral("download cancelled")});
}

QFuture<ModelDownloader::Result> ModelDownloader::download(const QUrl& url, std::chrono::seconds timeout,
                                                           const QString& folder, qint64 byteLimit) {
    m_promise = std::make_shared<QPromise<Result>>();
    m_promise->start();
    QFuture<Result> future = m_promise->future();
    m_folder = folder;
    m_byteLimit = byteLimit;
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        // Queued, so the answer never arrives before the caller holds the future.
        QTimer::singleShot(0, this, [this, path] { readFile(path); });
    } else {
        fetchNetwork(url, timeout);
    }
    return future;
}

QString ModelDownloader::targetPath() const {
    return QDir(m_folder).filePath(QLatin1String(kTempPrefix) + QUuid::createUuid().toString(QUuid::WithoutBraces));
}

bool ModelDownloader::openTarget() {
    PrivateFiles::makeFolder(m_folder);
    m_target = std::make_unique<QFile>(targetPath());
    return PrivateFiles::open(*m_target, QIODevice::WriteOnly | QIODevice::Truncate);
}

// Copies on a worker: a large file, or one on a slow disk, must not hold the
// GUI thread. Progress and the answer come back to this object's thread; a
// copy this object no longer waits for removes what it wrote.
void ModelDownloader::readFile(const QString& path) {
    PrivateFiles::makeFolder(m_folder);
    const std::shared_ptr<std::atomic<bool>> cancelled = m_cancelled;
    const auto progress = [this](qint64 written, qint64 expected) {
        QMetaObject::invokeMethod(
            this,
            [this, written, expected] {
                if (!m_resumed)
                    m_onProgress(written, expected);
            },
            Qt::QueuedConnection);
    };
    QtConcurrent::run([path, target = targetPath(), limit = m_byteLimit, cancelled, progress] {
        Result result = copyFile(path, target, limit, *cancelled, progress);
        if (*cancelled && !result.filePath.isEmpty())
            QFile::remove(std::exchange(result.filePath, {}));
        return result;
    }).then(this, [this](Result result) {
        if (m_resumed && !result.filePath.isEmpty())
            QFile::remove(result.filePath);
        finish(std::move(result));
    });
}

ModelDownloader::Result ModelDownloader::copyFile(const QString& path, const QString& target, qint64 byteLimit,
                                                  const std::atomic<bool>& cancelled, const Progress& progress) {
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        const int status = source.exists() ? -1 : kStatusNotFound;
        return {.filePath = {},
                .status = status,
                .error = status == kStatusNotFound ? httpError(status) : source.errorString()};
    }
    QFile copy(target);
    if (!PrivateFiles::open(copy, QIODevice::WriteOnly | QIODevice::Truncate))
        return {.filePath = {}, .status = -1, .error = copy.errorString()};
    const auto failed = [&copy](int status, const QString& error) {
        copy.close();
        copy.remove();
        return Result{.filePath = {}, .status = status, .error = error};
    };
    const qint64 expected = source.size();
    qint64 written = 0;
    while (written <= byteLimit && !cancelled) {
        const QByteArray chunk = source.read(std::min(kFileChunk, byteLimit + 1 - written));
        if (chunk.isEmpty())
            break;
        if (copy.write(chunk) != chunk.size())
            return failed(kStatusOk, copy.errorString());
        written += chunk.size();
        progress(written, expected);
    }
    if (source.error() != QFileDevice::NoError)
        return failed(-1, source.errorString());
    if (cancelled)
        return failed(-1, QStringLiteral("download cancelled"));
    copy.close();
    return {.filePath = copy.fileName(), .status = kStatusOk, .error = std::nullopt};
}

void ModelDownloader::fetchNetwork(const QUrl& url, std::chrono::seconds timeout) {
    if (!m_session)
        m_session = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(int(std::chrono::duration_cast<std::chrono::milliseconds>(timeout).count()));
    m_reply = m_session->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &ModelDownloader::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &ModelDownloader::onFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (!m_resumed && received > 0)
            m_onProgress(std::min(received, m_written), total);
    });
}

void ModelDownloader::onReadyRead() {
    if (m_resumed)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        m_lastStatus = status.toInt();
    if (m_lastStatus != kStatusOk) {
        m_reply->readAll(); // an error page is not kept
        return;
    }
    if (!m_target && !openTarget()) {
        finish({.filePath = {}, .status = m_lastStatus, .error = m_target->errorString()});
        return;
    }
    const QByteArray chunk = m_reply->read(m_byteLimit + 1 - m_written);
    if (m_target->write(chunk) != chunk.size()) {
        finish({.filePath = {}, .status = m_lastStatus, .error = m_target->errorString()});
        return;
    }
    m_written += chunk.size();
    if (m_written > m_byteLimit) {
        // Longer than the file can be: keep what came and stop the transfer.
        m_target->close();
        finish({.filePath = m_target->fileName(), .status = kStatusOk, .error = std::nullopt});
    }
}

void ModelDownloader::onFinished() {
    if (m_resumed)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.isValid() ? status.toInt() : m_lastStatus;
    if (code == kStatusOk && m_reply->error() == QNetworkReply::NoError) {
        onReadyRead();
        if (m_resumed)
            return;
        if (!m_target && !openTarget()) {
            finish({.filePath = {}, .status = code, .error = m_target->errorString()});
            return;
        }
        m_target->close();
        finish({.filePath = m_target->fileName(), .status = kStatusOk, .error = std::nullopt});
        return;
    }
    // A transfer that began with 200 and broke off fails for the transport's reason.
    if (status.isValid() && code != kStatusOk) {
        finish({.filePath = {}, .status = code, .error = httpError(code)});
        return;
    }
    finish({.filePath = {}, .status = code, .error = m_reply->errorString()});
}

void ModelDownloader::finish(Result result) {
    if (std::exchange(m_resumed, true))
        return;
    if (result.filePath.isEmpty() && m_target) {
        m_target->close();
        m_target->remove();
    }
    if (m_reply) {
        m_reply->disconnect(this);
        if (m_reply->isRunning())
            m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (m_promise) {
        m_promise->addResult(std::move(result));
        m_promise->finish();
    }
}
