#include "install/Uninstaller.h"

#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "install/InstallFolder.h"
#include "install/RemovalProgress.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "state/AppActions.h"
#include "support/Defaults.h"
#include "support/Paths.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>
#include <QtConcurrent>

#include <atomic>
#include <memory>

namespace {

constexpr const char* kFormerName = "Brindlewick";
constexpr const char* kAppId = "app.quorvane.native";
constexpr std::chrono::milliseconds kProgressEvery{100};

qint64 sizeOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return 0;
    if (!info.isDir() || info.isSymLink())
        return info.isSymLink() ? 0 : info.size();
    qint64 total = 0;
    QDirIterator it(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo item = it.fileInfo();
        if (item.isFile() && !item.isSymLink())
            total += item.size();
    }
    return total;
}

qint64 sizeOfAll(const QStringList& locations) {
    qint64 total = 0;
    for (const QString& location : locations)
        total += sizeOf(location);
    return total;
}

// What the removal has done so far, read on the GUI thread while the pool deletes.
struct RemovalTally {
    // Bytes the locations held when the deletion started; -1 until counted.
    std::atomic<qint64> total{-1};
    std::atomic<qint64> freed{0};
};

// Removes one file or link, counting the bytes a file held.
void removeFile(const QFileInfo& file, RemovalTally& tally) {
    const qint64 size = file.isSymLink() ? 0 : file.size();
    if (QFile::remove(file.filePath()))
        tally.freed += size;
}

void removeCounting(const QString& location, RemovalTally& tally) {
    const QFileInfo info(location);
    if (!info.isDir() || info.isSymLink()) {
        removeFile(info, tally);
        return;
    }
    QDirIterator it(location, QDir::Files | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        removeFile(it.fileInfo(), tally);
    }
    QDir(location).removeRecursively();
}

// Sizes in megabytes or gigabytes, as "about 1.2 GB" reads.
QString formatBytes(qint64 bytes) {
    constexpr double kGigabyte = 1e9;
    constexpr double kMegabyte = 1e6;
    const QLocale locale;
    if (bytes >= qint64(kGigabyte))
        return locale.toString(double(bytes) / kGigabyte, 'f', 2) + QStringLiteral(" GB");
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    return locale.toString(std::max(0.1, double(bytes) / kMegabyte), 'f', 1) + QStringLiteral(" MB");
}

} // namespace

Uninstaller::Folders Uninstaller::standardFolders() {
    Folders folders;
    folders.home = Paths::home();
    folders.applicationSupport = Paths::applicationSupport();
    const QString xdgCache = qEnvironmentVariable("XDG_CACHE_HOME");
    folders.cache =
        QDir::isAbsolutePath(xdgCache) ? QDir::cleanPath(xdgCache) : folders.home + QStringLiteral("/.cache");
    folders.config = Paths::config();
    folders.logs = Paths::logs();
    return folders;
}

Uninstaller::Services Uninstaller::standardServices() {
    return Services{
        messageBoxPresenter(),
        InstallFolder::running(),
        [] {
            // Nothing may write into the folders while or after they go: the
            // phone link takes no more notes, the engine's servers end, and
            // the settings live in memory only (the main window still saves
            // its frame as the program quits).
            if (const std::function<void()>& stopPhoneLink = AppActions::shared().stopPhoneLink)
                stopPhoneLink();
            QList<QFuture<void>> servers{MlxServer::shared().end(), LlmServer::shared().endIfOwned()};
            Defaults::shared().clear();
            return QtFuture::whenAll(servers.begin(), servers.end()).then([](const QList<QFuture<void>>&) {});
        },
        requestQuit,
        [](std::chrono::milliseconds delay, std::function<void()> work) {
            QTimer::singleShot(delay, qApp, std::move(work));
        },
    };
}

Uninstaller::Uninstaller(Folders folders, Services services, QObject* parent)
    : QObject(parent), m_folders(std::move(folders)), m_services(std::move(services)) {
    m_progressTimer.setInterval(kProgressEvery);
}

Uninstaller::~Uninstaller() = default;

QStringList Uninstaller::locations() const {
    const QString support = m_folders.applicationSupport;
    QStringList rows{support + QStringLiteral("/Quorvane"),
                     support + QStringLiteral("/Quorvane Native"),
                     support + QLatin1Char('/') + QLatin1String(kFormerName),
                     m_folders.cache + QStringLiteral("/Quorvane"),
                     m_folders.cache + QLatin1Char('/') + QLatin1String(kAppId),
                     m_folders.config + QStringLiteral("/Quorvane")};
    const QStringList logs = QDir(m_folders.logs)
                                 .entryList({QStringLiteral("Quorvane*")},
                                            QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString& log : logs)
        rows << m_folders.logs + QLatin1Char('/') + log;
    return rows;
}

qint64 Uninstaller::totalSize() const { return sizeOfAll(locations()); }

void Uninstaller::confirmAndRemove(std::function<void(bool)> answered) {
    // The engine and its models run to thousands of files: they are counted
    // on the thread pool, and the question comes once the count is in.
    QtConcurrent::run([locations = locations()] {
        return sizeOfAll(locations);
    }).then(this, [this, answered = std::move(answered)](qint64 bytes) mutable { ask(bytes, std::move(answered)); });
}

void Uninstaller::ask(qint64 bytes, std::function<void(bool)> answered) {
    Alert alert;
    alert.style = Alert::Style::Critical;
    alert.title = tr("Remove Quorvane and everything it downloaded?");
    alert.text = tr("This deletes your past dictations, your dictionary, your settings and your phone notes, along "
                    "with the speech engine and the models, and frees about %1.")
                     .arg(formatBytes(bytes))
                 + QStringLiteral("\n\n")
                 + Wording::of(tr("Quorvane itself moves to the Trash. This cannot be undone."));
    alert.buttons = {tr("Remove Everything"), tr("Cancel")};
    alert.returnButton = 1;
    m_services.present(alert, [this, answered = std::move(answered)](int button) {
        const bool remove = button == 0;
        if (remove)
            removeEverything();
        if (answered)
            answered(remove);
    });
}

QFuture<void> Uninstaller::removeEverything() {
    if (m_removal)
        return *m_removal;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    m_progress = std::make_unique<RemovalProgress>();
    m_progress->show();
    QFuture<void> stopped = m_services.stopEverything ? m_services.stopEverything() : QtFuture::makeReadyFuture();
    auto tally = std::make_shared<RemovalTally>();
    m_removal = stopped
                    .then(this,
                          [this, tally, locations = locations()] {
                              m_progress->showDeleting(0, 0);
                              m_progressTimer.start();
                              return QtConcurrent::run([tally, locations] {
                                  tally->total = sizeOfAll(locations);
                                  for (const QString& location : locations)
                                      removeCounting(location, *tally);
                              });
                          })
                    .unwrap()
                    .then(this, [this, tally] {
                        m_progressTimer.stop();
                        m_progress->showDeleting(tally->total, tally->total);
                        QGuiApplication::restoreOverrideCursor();
                        finish();
                    });
    connect(&m_progressTimer, &QTimer::timeout, m_progress.get(),
            [this, tally] { m_progress->showDeleting(tally->freed, tally->total); });
    return *m_removal;
}

void Uninstaller::finish() {
    auto quitOnce = [this] {
        if (std::exchange(m_quitting, true))
            return;
        if (m_services.quit)
            m_services.quit();
    };
    // The fallback first: a trash that hangs or refuses still ends the program.
    m_services.schedule(kQuitFallback, quitOnce);
    FileManager* files = Platform::current().fileManager;
    if (m_services.installFolder && InstallFolder::isInstallFolder(*m_services.installFolder) && files)
        (void)files->trash(*m_services.installFolder);
    m_services.schedule(std::chrono::milliseconds(0), quitOnce);
}
