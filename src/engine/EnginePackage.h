#pragma once

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>

class ModelDownloader;

// Installs the engine environment from the prebuilt archive "mlx-venv.tar.gz":
// fetched from the first base that serves it into a staging folder beside the
// target ("mlx-venv-incoming"), checked by its listing before tar unpacks it,
// relocated to the target path, proved where it lies by importing the speech
// server module, and only then swapped into place (the former environment is
// renamed aside and put back when the move fails). One line per outcome goes to setup.log with the
// "[engine] " prefix. The fetch runs on the GUI thread; unpacking and the
// child processes run on the thread pool. One install at a time per target.
class EnginePackage : public QObject {
    Q_OBJECT
public:
    static constexpr auto kArchiveName = "mlx-venv.tar.gz";
    static constexpr auto kStagingName = "mlx-venv-incoming";
    static constexpr auto kOutgoingName = "mlx-venv-outgoing";
    static constexpr auto kPlaceholder = "@QUORVANE_VENV@";
    // Where the build makes the environment it packs; rewritten like the placeholder.
    static constexpr auto kBuildPath = "/var/tmp/quorvane-engine-build/mlx-venv";
    static constexpr qint64 kMaxArchiveBytes = qint64{1} << 30;
    // Relocated "bin" files are 1 to kMaxRelocatedBytes bytes long.
    static constexpr qint64 kMaxRelocatedBytes = 199999;
    static constexpr qsizetype kOutputTail = 1500;

    // The longest each child of an install may run before it is ended and the
    // install fails: tar for its listing and for its unpacking, the
    // interpreter for its import check.
    struct Deadlines {
        std::chrono::milliseconds tar{std::chrono::minutes(10)};
        std::chrono::milliseconds import{std::chrono::minutes(1)};
    };

    EnginePackage(QString into, QList<QUrl> bases, QObject* parent = nullptr);
    void setDeadlines(const Deadlines& deadlines) { m_deadlines = deadlines; }
    ~EnginePackage() override;

    // True only when the environment is in place at `into` and its interpreter
    // imports the speech server module. Never fails otherwise than with false.
    QFuture<bool> install();

    // Writes `path` where the environment's "pyvenv.cfg" and small top-level
    // text files in "bin" hold the placeholder or the build path; file modes
    // are kept, links, hidden and binary files left alone, errors skipped.
    static void relocate(const QString& environment, const QString& path);
    // Moves the environment `unpacked` to `into`: the former one is renamed
    // aside, the new one moved in, the former one deleted; when the move fails
    // the former one is put back and `error` says why.
    static bool swapIn(const QString& unpacked, const QString& into, QString* error);
    // What the download stage says: with the archive's size when the first
    // base that names it is a folder on this computer holding it.
    static QString downloadingText(const QList<QUrl>& bases);
    // "Quorvane/setup.log" under Application Support.
    static QString logFile();
    // Appends "[engine] <message>" to the set-up log.
    static void log(const QString& message);

signals:
    void progress(double fraction, const QString& detail);

private:
    void tryBase(int index);
    void unpack(const QString& archive);
    void settle(bool ok);

    const QString m_into;
    const QList<QUrl> m_bases;
    const QString m_staging;
    Deadlines m_deadlines;
    std::shared_ptr<class QPromise<bool>> m_promise;
    ModelDownloader* m_fetch = nullptr;
};
