#include "install/UpdateCheck.h"

#include "install/BuildValues.h"
#include "install/InstallFolder.h"
#include "install/UpdateRequests.h"
#include "install/Updater.h"
#include "platform/Platform.h"
#include "platform/UrlOpener.h"
#include "platform/Wording.h"
#include "state/AppActions.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

using UpdateRequests::abortAfter;
using UpdateRequests::answeredOk;
using UpdateRequests::isHttps;
using UpdateRequests::makeRequest;

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
    return text + QStringLiteral("You have ") + runningVersion + QStringLiteral(".")
           + QStringLiteral(" Install it now? Quorvane will relaunch.");
}

QString UpdateCheck::refusedText(const QString& version, const QString& runningVersion, const QString& detail) {
    QString text =
        QStringLiteral("The last attempt to install ") + version
        + Wording::of(QStringLiteral(" was refused by macOS, so Quorvane is still running ")) + runningVersion
        + Wording::of(QStringLiteral(". This is a permission on the app itself rather than anything wrong with "
                                     "the download.\n\nDownloading it from the site and dragging it into "
                                     "Applications replaces this copy properly."))
        + QLatin1Char('\n');
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
                                  "an update and never installs one. You can download new versions directly from ")
                       + m_settings.site.host() + QStringLiteral("/download."),
                   Outcome::NoReleaseKey);
        else
            finish(Outcome::NoReleaseKey);
        return future;
    }
    sweepWorkFolders();
    if (const auto receipt = Updater::lastAttempt();
        receipt && !Updater::isNewer(receipt->version, m_settings.runningVersion))
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
            inform(tr("Couldn't check for updates"), QStringLiteral("Please try again in a moment."),
                   Outcome::NoManifest);
        else
            finish(Outcome::NoManifest);
        return;
    }
    const QString& running = m_settings.runningVersion;
    if (!Updater::isNewer(manifest->version, running)) {
        if (m_userInitiated)
            inform(tr("You're up to date"),
                   QStringLiteral("Quorvane ") + running + QStringLiteral(" is the latest version."),
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
        inform(
            tr("Move Quorvane to Applications first"),
            QStringLiteral("Quorvane is running from ") + InstallLocation::whereItIs(folder, m_settings.roots)
                + Wording::of(QStringLiteral(". Updates can only install once it is in the Applications folder. Move "
                                             "it there and open it again, then check for updates.")),
            Outcome::WrongPlace);
        return;
    }
    // Offered, it could only fail once downloaded: the user is told where it can be updated.
    if (!InstallLocation::canReplace(folder)) {
        if (m_userInitiated)
            inform(tr("Quorvane can't update this copy"),
                   QStringLiteral("Quorvane ") + manifest->version
                       + QStringLiteral(" is available, but this copy is in ")
                       + InstallLocation::whereItIs(folder, m_settings.roots)
                       + QStringLiteral(", which your account can't change. Download it from ") + m_settings.site.host()
                       + QStringLiteral("/download and install it there as this copy was installed, or move Quorvane "
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

void UpdateCheck::fail() {
    // Nothing of a refused release stays on disk.
    if (!m_work.isEmpty())
        QDir(std::exchange(m_work, QString())).removeRecursively();
    QUrl page = m_settings.site;
    inform(tr("Update failed"),
           QStringLiteral("Quorvane couldn't install the update. You can download it directly from ") + page.host()
               + QStringLiteral("/download."),
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
