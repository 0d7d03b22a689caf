#include "install/UpdateCheck.h"

#include "install/InstallFolder.h"
#include "install/UpdateRequests.h"
#include "install/Updater.h"
#include "platform/FileManager.h"
#include "platform/Platform.h"
#include "platform/ProgramLauncher.h"
#include "support/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>

#include <cerrno>
#include <cstring>

// The swap of the running release for the downloaded one, and the scripts
// that finish it once this program has quit.

namespace {

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

} // namespace

void UpdateCheck::exchangeInto(const UpdateManifest& manifest, const QString& work, const QString& unpacked) {
    const QString fresh = unpacked + QLatin1Char('/') + QLatin1String(InstallFolder::kFolderName);
    const auto freshVersion = InstallFolder::markerVersion(fresh);
    const QFileInfo program(fresh + QLatin1Char('/') + QLatin1String(InstallFolder::kProgramPath));
    const QStringList entries =
        QDir(unpacked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (entries != QStringList{QLatin1String(InstallFolder::kFolderName)} || !freshVersion
        || *freshVersion != manifest.version || !Updater::isNewer(*freshVersion, m_settings.runningVersion)
        || !program.isFile() || !program.isExecutable()) {
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
               QStringLiteral("Quorvane ") + manifest.version
                   + QStringLiteral(" is installed. Quit Quorvane and open it again to finish."),
               Outcome::InstalledNeedsRestart);
        return;
    }
    if (!scriptCanSwapAfter(error)) {
        qCWarning(lcUpdate) << "exchange failed:" << std::strerror(error);
        fail();
        return;
    }
    Updater::writeReceipt(QLatin1String(Updater::kStatusBlocked), manifest.version,
                          QString::fromLocal8Bit(std::strerror(error)));
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
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size() || !script.commit()
        || !launcher->startDetached(QStringLiteral("/bin/bash"), QStringList{path} + arguments)) {
        QDir(folder).removeRecursively();
        return false;
    }
    QTimer::singleShot(kQuitDelay, this, [quit = m_settings.quit] {
        if (quit)
            quit();
    });
    return true;
}
