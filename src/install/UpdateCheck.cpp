#include "install/UpdateCheck.h"

#include "install/BuildValues.h"
#include "install/InstallFolder.h"
#include "install/Updater.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "platform/ProgramLauncher.h"
#include "platform/UrlOpener.h"
#include "platform/Wording.h"
#include "state/AppActions.h"
#include "support/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>
#include <QUuid>
#include <QtConcurrent>

#include <cerrno>
#include <cstring>

Q_LOGGING_CATEGORY(lcUpdate, "quorvane.update")

namespace {

constexpr const char* kArchiveName = "Quorvane.archive";
constexpr const char* kUnpackedName = "unpacked";
constexpr qint64 kDownloadChunkBytes = 1024 * 1024;
// The marker an update puts into its work folder: only folders holding it are swept.
constexpr const char* kWorkMarkerName = ".quorvane-update-work";
// A UUID without braces, as the work folder's name carries it.
constexpr qsizetype kUuidLength = 36;

// Values reach the scripts as arguments only; nothing is ever written into
// their text.
constexpr const char* kRelaunchScript = R"SH(#!/bin/bash
# Waits for the old process to end, removes the update's work folder (which now
# holds the previous version) and starts the new copy.
pid="$1"; work="$2"; folder="$3"
while kill -0 "$pid" 2>/dev/null; do sleep 0.2; done
# bash reads on from the open script, so its private folder can go now.
rm -rf -- "$(dirname -- "$0")"
rm -rf -- "$work"
exec "$folder/bin/quorvane" </dev/null >/dev/null 2>&1
)SH";

constexpr const char* kSwapScript = R"SH(#!/bin/bash
# Replaces the install folder once the old process has ended: the new copy is
# copied beside it first, the old one set aside, the new one renamed in, and
# only then is the old one deleted. Any failure leaves the old folder in place.
# Both the copy and the old folder set aside live in the update's own work
# folder (beside the install folder, named by the update), so no other name
# there is ever touched.
pid="$1"; old="$2"; new="$3"; receipt="$4"; version="$5"; work="$6"
while kill -0 "$pid" 2>/dev/null; do sleep 0.2; done
# bash reads on from the open script, so its private folder can go now.
rm -rf -- "$(dirname -- "$0")"
staged="$work/staged"
previous="$work/previous"
mkdir -p -- "$(dirname -- "$receipt")"
if [ ! -f "$old/quorvane-install.txt" ]; then
  printf 'blocked\n%s\n%s\n' "$version" "not an install folder: $old" > "$receipt"
elif ! err=$(cp -a -- "$new" "$staged" 2>&1); then
  printf 'restored\n%s\n%s\n' "$version" "$err" > "$receipt"
elif ! err=$(mv -T -- "$old" "$previous" 2>&1); then
  printf 'blocked\n%s\n%s\n' "$version" "$err" > "$receipt"
elif err=$(mv -T -- "$staged" "$old" 2>&1); then
  printf 'ok\n%s\n' "$version" > "$receipt"
elif mv -T -- "$previous" "$old"; then
  printf 'restored\n%s\n%s\n' "$version" "$err" > "$receipt"
else
  # The old version could not go back: its only copy stays in the work folder.
  printf 'restored\n%s\n%s\n' "$version" "$err; the previous version is kept in $previous" > "$receipt"
  work=""
fi
[ -n "$work" ] && rm -rf -- "$work"
exec "$old/bin/quorvane" </dev/null >/dev/null 2>&1
)SH";

QNetworkRequest makeRequest(const QUrl& url, std::chrono::milliseconds stallTimeout,
                            const std::optional<QSslConfiguration>& ssl) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // https to https only: a redirect to plain http is refused.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(int(stallTimeout.count()));
    if (ssl)
        request.setSslConfiguration(*ssl);
    return request;
}

// Ends `reply` once `deadline` has passed, however steadily its bytes trickle
// in: a transfer time-out alone only notices a server that falls silent.
void abortAfter(QNetworkReply* reply, std::chrono::milliseconds deadline) {
    QTimer::singleShot(deadline, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
}

// Whether the swap script, which copies and renames in plain steps, may still
// succeed where the one-step exchange failed with `error`: the folder may not
// change while the program runs, or the file system (NFS, CIFS, FAT, ecryptfs,
// most FUSE homes) cannot exchange two folders at all.
bool scriptCanSwapAfter(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EXDEV:
    case EINVAL:
    case EOPNOTSUPP:
    case ENOSYS:
        return true;
    default:
        return false;
    }
}

bool isHttps(const QUrl& url) { return url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty(); }

bool answeredOk(QNetworkReply* reply) {
    return reply->error() == QNetworkReply::NoError &&
           reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200 && isHttps(reply->url());
}

} // namespace

UpdateCheck::Settings UpdateCheck::standardSettings() {
    Settings settings;
    settings.site = BuildValues::site();
    settings.manifestUrl = settings.site.resolved(QUrl(QStringLiteral("/version.json")));
    settings.releaseKey = BuildValues::releaseKey();
    settings.installFolder = InstallFolder::running();
    settings.runningVersion = Updater::currentVersion();
    settings.roots = InstallLocation::standardRoots();
    settings.pid = QCoreApplication::applicationPid();
    settings.present = messageBoxPresenter();
    settings.quit = requestQuit;
    return settings;
}

UpdateCheck::UpdateCheck(Settings settings, QNetworkAccessManager& network, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_network(network) {}

UpdateCheck::~UpdateCheck() {
    if (m_promise)
        finish(Outcome::Failed);
}

QString UpdateCheck::offerText(const UpdateManifest& manifest, const QString& runningVersion) {
    QString text;
    if (manifest.notes && !manifest.notes->isEmpty())
        text = *manifest.notes + QStringLiteral("\n\n");
    return text + QStringLiteral("You have ") + runningVersion + QStringLiteral(".") +
           QStringLiteral(" Install it now? Quorvane will relaunch.");
}

QString UpdateCheck::refusedText(const QString& version, const QString& runningVersion, const QString& detail) {
    QString text = QStringLiteral("The last attempt to install ") + version +
                   Wording::of(QStringLiteral(" was refused by macOS, so Quorvane is still running ")) + runningVersion +
                   Wording::of(QStringLiteral(". This is a permission on the app itself rather than anything wrong with "
                                              "the download.\n\nDownloading it from the site and dragging it into "
                                              "Applications replaces this copy properly.")) +
                   QLatin1Char('\n');
    if (!detail.isEmpty())
        text += QStringLiteral("\n") + Wording::of(QStringLiteral("macOS said: ")) + detail;
    return text;
}

QFuture<UpdateCheck::Outcome> UpdateCheck::check(bool userInitiated) {
    if (m_promise) {
        if (userInitiated) {
            // The check under way now reports what it finds, as the user asked.
            m_userInitiated = true;
            Alert alert;
            alert.style = Alert::Style::Informational;
            alert.title = tr("Already checking for updates");
            alert.text = QStringLiteral("Quorvane is checking for updates right now and will tell you what it finds.");
            alert.buttons = {tr("OK")};
            m_settings.present(alert, [](int) {});
        }
        QPromise<Outcome> busy;
        busy.start();
        busy.addResult(Outcome::AlreadyRunning);
        busy.finish();
        return busy.future();
    }
    m_promise = std::make_shared<QPromise<Outcome>>();
    m_promise->start();
    QFuture<Outcome> future = m_promise->future();
    m_userInitiated = userInitiated;
    // A build without a release key never installs anything, so there is
    // nothing to ask the server, nor anywhere the copy would have to be first.
    if (m_settings.releaseKey.size() != ReleaseArchive::kPublicKeyBytes) {
        if (userInitiated)
            inform(tr("This build does not update itself"),
                   QStringLiteral("This copy of Quorvane was built without a release signing key, so it cannot check "
                                  "an update and never installs one. You can download new versions directly from ") +
                       m_settings.site.host() + QStringLiteral("/download."),
                   Outcome::NoReleaseKey);
        else
            finish(Outcome::NoReleaseKey);
        return future;
    }
    sweepWorkFolders();
    if (const auto receipt = Updater::lastAttempt(); receipt && !Updater::isNewer(receipt->version, m_settings.runningVersion))
        Updater::clearReceipt();
    fetchManifest([this](std::optional<UpdateManifest> manifest) { afterManifest(manifest); });
    return future;
}

void UpdateCheck::fetchManifest(std::function<void(std::optional<UpdateManifest>)> done) {
    if (!isHttps(m_settings.manifestUrl)) {
        QTimer::singleShot(0, this, [done] { done(std::nullopt); });
        return;
    }
    const std::chrono::milliseconds deadline = m_settings.manifestDeadline;
    QNetworkReply* reply = m_network.get(makeRequest(m_settings.manifestUrl, deadline, m_settings.ssl));
    abortAfter(reply, deadline);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > kMaxManifestBytes || total > kMaxManifestBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
        reply->deleteLater();
        const QByteArray body = reply->read(kMaxManifestBytes + 1);
        if (!answeredOk(reply) || body.size() > kMaxManifestBytes) {
            done(std::nullopt);
            return;
        }
        done(UpdateManifest::fromJson(body));
    });
}

void UpdateCheck::afterManifest(const std::optional<UpdateManifest>& manifest) {
    if (!manifest) {
        if (m_userInitiated)
            inform(tr("Couldn't check for updates"), QStringLiteral("Please try again in a moment."), Outcome::NoManifest);
        else
            finish(Outcome::NoManifest);
        return;
    }
    const QString& running = m_settings.runningVersion;
    if (!Updater::isNewer(manifest->version, running)) {
        if (m_userInitiated)
            inform(tr("You're up to date"), QStringLiteral("Quorvane ") + running + QStringLiteral(" is the latest version."),
                   Outcome::UpToDate);
        else
            finish(Outcome::UpToDate);
        return;
    }
    if (!m_settings.installFolder) {
        if (m_userInitiated)
            inform(tr("Quorvane can't update this copy"),
                   QStringLiteral("This copy of Quorvane was installed by a package manager or runs from a build "
                                  "folder. Update it the way it was installed."),
                   Outcome::Managed);
        else
            finish(Outcome::Managed);
        return;
    }
    const QString folder = *m_settings.installFolder;
    if (!InstallLocation::isCorrect(folder, m_settings.roots)) {
        inform(tr("Move Quorvane to Applications first"),
               QStringLiteral("Quorvane is running from ") + InstallLocation::whereItIs(folder, m_settings.roots) +
                   Wording::of(QStringLiteral(". Updates can only install once it is in the Applications folder. Move "
                                              "it there and open it again, then check for updates.")),
               Outcome::WrongPlace);
        return;
    }
    // Offered, it could only fail once downloaded: the user is told where it can be updated.
    if (!InstallLocation::canReplace(folder)) {
        if (m_userInitiated)
            inform(tr("Quorvane can't update this copy"),
                   QStringLiteral("Quorvane ") + manifest->version + QStringLiteral(" is available, but this copy is in ") +
                       InstallLocation::whereItIs(folder, m_settings.roots) +
                       QStringLiteral(", which your account can't change. Download it from ") + m_settings.site.host() +
                       QStringLiteral("/download and install it there as this copy was installed, or move Quorvane "
                                      "into ~/Applications, where it updates itself."),
                   Outcome::Unchangeable);
        else
            finish(Outcome::Unchangeable);
        return;
    }
    const auto receipt = Updater::lastAttempt();
    if (receipt && receipt->status != QLatin1String(Updater::kStatusOk) && receipt->version == manifest->version) {
        askAboutRefusal(*manifest);
        return;
    }
    offer(*manifest);
}

void UpdateCheck::askAboutRefusal(const UpdateManifest& manifest) {
    const auto receipt = Updater::lastAttempt();
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.title = tr("Quorvane could not replace itself");
    alert.text = refusedText(manifest.version, m_settings.runningVersion, receipt ? receipt->detail : QString());
    alert.buttons = {tr("Download from the Site"), tr("Try Again Anyway"), tr("Later")};
    m_settings.present(alert, [this, manifest](int button) {
        if (button == 0) {
            QUrl page = m_settings.site;
            page.setPath(QStringLiteral("/download"));
            if (UrlOpener* opener = Platform::current().urlOpener)
                (void)opener->open(page);
            finish(Outcome::Declined);
        } else if (button == 1) {
            Updater::clearReceipt();
            offer(manifest);
        } else {
            finish(Outcome::Declined);
        }
    });
}

void UpdateCheck::offer(const UpdateManifest& manifest) {
    Alert alert;
    alert.style = Alert::Style::Informational;
    alert.title = tr("Quorvane %1 is available").arg(manifest.version);
    alert.text = offerText(manifest, m_settings.runningVersion);
    alert.buttons = {tr("Install and Relaunch"), tr("Later")};
    m_settings.present(alert, [this, manifest](int button) {
        if (button == 0)
            install(manifest);
        else
            finish(Outcome::Declined);
    });
}

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
    const QString work = parent + QLatin1Char('/') + QLatin1String(kWorkFolderPrefix) +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    m_work = work;
    if (!QDir().mkdir(work) || !QFile::setPermissions(work, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner) ||
        !QFile(work + QLatin1Char('/') + QLatin1String(kWorkMarkerName)).open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
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

void UpdateCheck::exchangeInto(const UpdateManifest& manifest, const QString& work, const QString& unpacked) {
    const QString fresh = unpacked + QLatin1Char('/') + QLatin1String(InstallFolder::kFolderName);
    const auto freshVersion = InstallFolder::markerVersion(fresh);
    const QFileInfo program(fresh + QLatin1Char('/') + QLatin1String(InstallFolder::kProgramPath));
    const QStringList entries = QDir(unpacked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (entries != QStringList{QLatin1String(InstallFolder::kFolderName)} || !freshVersion ||
        *freshVersion != manifest.version || !Updater::isNewer(*freshVersion, m_settings.runningVersion) ||
        !program.isFile() || !program.isExecutable()) {
        qCWarning(lcUpdate) << "the archive does not hold the release it was offered as";
        fail();
        return;
    }
    const QString folder = *m_settings.installFolder;
    FileManager* files = Platform::current().fileManager;
    // The running folder is checked again just before it changes.
    if (!files || !InstallFolder::isInstallFolder(folder)) {
        fail();
        return;
    }
    const int error = files->exchange(folder, fresh);
    if (error == 0) {
        Updater::writeReceipt(QLatin1String(Updater::kStatusOk), manifest.version, QString());
        if (startScript(QStringLiteral("relaunch.sh"), kRelaunchScript,
                        {QString::number(m_settings.pid), work, folder})) {
            finish(Outcome::Relaunching);
            return;
        }
        // The new version is in place; only the restart is missing.
        inform(tr("Update installed"),
               QStringLiteral("Quorvane ") + manifest.version +
                   QStringLiteral(" is installed. Quit Quorvane and open it again to finish."),
               Outcome::InstalledNeedsRestart);
        return;
    }
    if (!scriptCanSwapAfter(error)) {
        qCWarning(lcUpdate) << "exchange failed:" << std::strerror(error);
        fail();
        return;
    }
    Updater::writeReceipt(QLatin1String(Updater::kStatusBlocked), manifest.version, QString::fromLocal8Bit(std::strerror(error)));
    if (startScript(QStringLiteral("swap.sh"), kSwapScript,
                    {QString::number(m_settings.pid), folder, fresh, Updater::receiptPath(), manifest.version, work})) {
        finish(Outcome::SwapScheduled);
        return;
    }
    fail();
}

bool UpdateCheck::startScript(const QString& name, const QByteArray& text, const QStringList& arguments) {
    ProgramLauncher* launcher = Platform::current().programLauncher;
    const QString folder = Paths::makePrivateTempFolder(QStringLiteral("qv-script"));
    if (!launcher || folder.isEmpty())
        return false;
    const QString path = folder + QLatin1Char('/') + name;
    QSaveFile script(path);
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size() || !script.commit() ||
        !launcher->startDetached(QStringLiteral("/bin/bash"), QStringList{path} + arguments)) {
        QDir(folder).removeRecursively();
        return false;
    }
    QTimer::singleShot(kQuitDelay, this, [quit = m_settings.quit] {
        if (quit)
            quit();
    });
    return true;
}

void UpdateCheck::sweepWorkFolders() {
    if (!m_settings.installFolder)
        return;
    const QDir parent(QFileInfo(*m_settings.installFolder).path());
    const QString prefix = QLatin1String(kWorkFolderPrefix);
    const QStringList left = parent.entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoSymLinks | QDir::Hidden);
    for (const QString& name : left) {
        // Only a folder an update made: its exact name and the marker inside.
        const QString id = name.mid(prefix.size());
        if (id.size() != kUuidLength || QUuid::fromString(id).isNull() ||
            !QFileInfo(parent.filePath(name) + QLatin1Char('/') + QLatin1String(kWorkMarkerName)).isFile())
            continue;
        QDir(parent.filePath(name)).removeRecursively();
    }
}

void UpdateCheck::fail() {
    // Nothing of a refused release stays on disk.
    if (!m_work.isEmpty())
        QDir(std::exchange(m_work, QString())).removeRecursively();
    QUrl page = m_settings.site;
    inform(tr("Update failed"),
           QStringLiteral("Quorvane couldn't install the update. You can download it directly from ") + page.host() +
               QStringLiteral("/download."),
           Outcome::Failed);
}

void UpdateCheck::inform(const QString& title, const QString& text, Outcome outcome) {
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.title = title;
    alert.text = text;
    alert.buttons = {tr("OK")};
    m_settings.present(alert, [this, outcome](int) { finish(outcome); });
}

void UpdateCheck::finish(Outcome outcome) {
    m_work.clear();
    const std::shared_ptr<QPromise<Outcome>> promise = std::exchange(m_promise, nullptr);
    if (!promise)
        return;
    promise->addResult(outcome);
    promise->finish();
}
