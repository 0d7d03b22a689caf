#pragma once

#include "engine/ModelFile.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

// Brings the dictation model folder up to the file table: files already there
// with their exact size stay, every other file is fetched from the bases in
// order (each file starting again at the first base), and only a file of the
// exact size reaches its name, by an atomic rename. Nothing retries by itself:
// when every base failed for one file the run ends, and the files completed
// so far count as done next time. GUI thread; one run at a time.
class ModelDownload : public QObject {
    Q_OBJECT
public:
    // The longest wait without data in one fetch.
    static constexpr std::chrono::seconds kIdleTimeout{3600};
    static constexpr auto kDetail = "Downloading the dictation model";

    ModelDownload(QString modelFolder, ModelFiles files, QList<QUrl> bases, QObject* parent = nullptr);
    ~ModelDownload() override;

    // Downloads what is missing (with `force`, every file again). True when all
    // files are in place; false with lastError() and failureMessage() set.
    // Removes "qv-model-" leftovers of an earlier run first.
    QFuture<bool> run(bool force);

    // The reason of the last failed attempt: "bad URL", "HTTP <n>", a transport
    // error, "download failed", "<name> came back <n> bytes, expected <m>", or
    // a failed move.
    QString lastError() const { return m_lastError; }
    // "Could not download the dictation model (<lastError>). Check your
    // internet connection and try Repair again."
    QString failureMessage() const;
    // True when every table file is in the folder with its exact size.
    static bool complete(const QString& modelFolder, const ModelFiles& files);

signals:
    // Combined progress over all files, 0..1.
    void progressChanged(double fraction);
    void detailChanged(const QString& detail);

private:
    void sweepLeftovers() const;
    void nextFile();
    void tryBase(int baseIndex);
    // Checks a fetched file and moves it into place; false with m_lastError set.
    bool accept(const QString& fetched, const ModelFile& file);
    void report(qint64 done);
    void settle(bool ok);

    const QString m_folder;
    const ModelFiles m_files;
    const QList<QUrl> m_bases;
    const qint64 m_total;
    bool m_force = false;
    int m_index = 0;
    qint64 m_done = 0;
    QString m_lastError;
    std::shared_ptr<class QPromise<bool>> m_promise;
    class ModelDownloader* m_fetch = nullptr;
};
