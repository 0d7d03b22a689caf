#pragma once

#include <QFuture>
#include <QObject>
#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;

// One fetch of one model file, streamed to a fresh "qv-model-<uuid>" file in a
// given folder (the destination's, so the caller's move is a rename on one
// device). Speaks HTTP(S) and "file:" URLs: a file read to its end counts as
// status 200, a missing file as 404; a file is copied on a worker thread.
// Lives on the thread that made it; the
// answer comes exactly once, whichever completion report arrives first.
class ModelDownloader : public QObject {
    Q_OBJECT
public:
    struct Result {
        QString filePath; // empty on failure
        int status = -1;  // 200 on success, else the status seen or -1
        // "HTTP <status>" for an answer other than 200, else the transport's
        // text (also when a 200 answer broke off).
        std::optional<QString> error;
    };
    // Bytes written so far and bytes expected (-1 when unknown).
    using Progress = std::function<void(qint64 written, qint64 expected)>;

    static constexpr auto kTempPrefix = "qv-model-";

    explicit ModelDownloader(Progress onProgress, QObject* parent = nullptr);
    ~ModelDownloader() override;

    // Fetches `url` into `folder`. `timeout` is the longest wait without any
    // data. A body longer than `byteLimit` is cut off after byteLimit + 1 bytes
    // and handed back as it is, so the caller's size check refuses it. Call once.
    QFuture<Result> download(const QUrl& url, std::chrono::seconds timeout, const QString& folder, qint64 byteLimit);

private:
    void fetchNetwork(const QUrl& url, std::chrono::seconds timeout);
    void readFile(const QString& path);
    static Result copyFile(const QString& path, const QString& target, qint64 byteLimit,
                           const std::atomic<bool>& cancelled, const Progress& progress);
    QString targetPath() const;
    void onReadyRead();
    void onFinished();
    bool openTarget();
    void finish(Result result);

    Progress m_onProgress;
    std::shared_ptr<class QPromise<Result>> m_promise;
    bool m_resumed = false;
    // Set when this object goes, for a copy still running on its worker.
    std::shared_ptr<std::atomic<bool>> m_cancelled = std::make_shared<std::atomic<bool>>(false);
    int m_lastStatus = -1;
    QString m_folder;
    qint64 m_byteLimit = 0;
    qint64 m_written = 0;
    std::unique_ptr<QFile> m_target;
    QNetworkAccessManager* m_session = nullptr;
    QNetworkReply* m_reply = nullptr;
};
