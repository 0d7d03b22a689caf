#pragma once

#include "install/InstallLocation.h"
#include "install/ReleaseArchive.h"
#include "install/UpdateManifest.h"
#include "looks/Alert.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QSslConfiguration>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;

// The self-update: fetches the manifest, offers a newer release, downloads
// its archive beside the install folder, checks its signature, unpacks it,
// exchanges it with the running install folder in one step and starts the new
// copy. Only a marked install folder is ever replaced, only an archive signed
// with the build's release key is ever unpacked, and a failed update leaves
// the running copy as it was. A build without a release key asks no server at
// all. One check at a time: a check the user starts while another runs is told
// so, and the one under way then reports what it finds. Every request has a
// deadline for the whole of it, so a server that trickles its answer cannot keep
// a check alive. GUI thread; the signature check and the unpacking run on the
// thread pool.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kManifestTimeout{15};
    static constexpr std::chrono::minutes kDownloadDeadline{30};
    static constexpr qint64 kMaxManifestBytes = 64 * 1024;
    static constexpr std::chrono::milliseconds kQuitDelay{300};
    static constexpr const char* kWorkFolderPrefix = "qv-update-";

    // How a check ended.
    enum class Outcome {
        AlreadyRunning, // another check was under way; this one said so when the user asked
        NoManifest,
        UpToDate,
        Managed,               // not a marked install folder: never replaced
        WrongPlace,            // an install folder outside the update roots
        Unchangeable,          // an install folder this user may not replace (root's copy in /opt)
        NoReleaseKey,          // a build without a key never asks and never installs
        Declined,              // "Later", or the download page instead
        BadUrl,                // the manifest's url does not parse
        Failed,                // "Update failed" was shown; nothing changed
        Relaunching,           // exchanged; the new copy starts when we quit
        InstalledNeedsRestart, // exchanged, but the new copy could not be started
        SwapScheduled,         // the folder refused the exchange; a script swaps after we quit
    };
    Q_ENUM(Outcome)

    struct Settings {
        QUrl manifestUrl;
        QUrl site;
        // The 32-byte release key; empty means no update is ever installed.
        QByteArray releaseKey;
        // The running install folder; none for a managed copy.
        std::optional<QString> installFolder;
        QString runningVersion;
        InstallLocation::Roots roots;
        // The process the scripts wait for before they touch the folder.
        qint64 pid = 0;
        // The longest the manifest's request may take, start to end.
        std::chrono::milliseconds manifestDeadline{kManifestTimeout};
        // Archive size cap, the longest wait for its next byte and the longest
        // its whole download may take.
        qint64 maxArchiveBytes = qint64(1) * 1024 * 1024 * 1024;
        std::chrono::milliseconds stallTimeout{30000};
        std::chrono::milliseconds downloadDeadline{kDownloadDeadline};
        ReleaseArchive::Limits unpackLimits;
        // Applied to every request when set (tests trust their own authority).
        std::optional<QSslConfiguration> ssl;
        AlertPresenter present;
        // Ends the program; called kQuitDelay after the scripts have started.
        std::function<void()> quit;
    };

    // The settings of the running program's check.
    static Settings standardSettings();

    UpdateCheck(Settings settings, QNetworkAccessManager& network, QObject* parent = nullptr);
    ~UpdateCheck() override;

    // The whole check. A silent one (not user-initiated) shows only what the
    // user must act on: an offer, the wrong place, a failed install.
    QFuture<Outcome> check(bool userInitiated);

    // The texts of the offer.
    static QString offerText(const UpdateManifest& manifest, const QString& runningVersion);
    static QString refusedText(const QString& version, const QString& runningVersion, const QString& detail);

private:
    void fetchManifest(std::function<void(std::optional<UpdateManifest>)> done);
    void afterManifest(const std::optional<UpdateManifest>& manifest);
    void askAboutRefusal(const UpdateManifest& manifest);
    void offer(const UpdateManifest& manifest);
    void install(const UpdateManifest& manifest);
    void afterDownload(const UpdateManifest& manifest, const QString& work, const QString& archive);
    void exchangeInto(const UpdateManifest& manifest, const QString& work, const QString& unpacked);
    bool startScript(const QString& name, const QByteArray& text, const QStringList& arguments);
    void sweepWorkFolders();
    void fail();
    void inform(const QString& title, const QString& text, Outcome outcome);
    void finish(Outcome outcome);

    Settings m_settings;
    QNetworkAccessManager& m_network;
    bool m_userInitiated = false;
    // The work folder of the install under way; removed when it fails.
    QString m_work;
    std::shared_ptr<QPromise<Outcome>> m_promise;
};
