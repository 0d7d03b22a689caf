#include "install/InstallLocation.h"

#include "install/InstallFolder.h"
#include "platform/Platform.h"
#include "platform/ProgramLauncher.h"
#include "support/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>

namespace InstallLocation {

namespace {

// Values arrive as arguments; nothing is written into the text.
constexpr const char* kMoveScript = R"SH(#!/bin/bash
# Moves an install folder once the program has quit: copy beside the target,
# set an existing install folder aside, rename the copy in, then delete the
# old one. Nothing is deleted before its replacement is in place.
pid="$1"; src="$2"; dst="$3"; stale="$4"
while kill -0 "$pid" 2>/dev/null; do sleep 0.2; done
# bash reads on from the open script, so its private folder can go now.
rm -rf -- "$(dirname -- "$0")"
mkdir -p -- "$(dirname -- "$dst")"
rm -rf -- "$dst.new"
old=""
if cp -a -- "$src" "$dst.new" && [ -f "$dst.new/quorvane-install.txt" ]; then
  if [ -e "$dst" ] || [ -L "$dst" ]; then
    if [ -f "$dst/quorvane-install.txt" ] && [ ! -L "$dst" ]; then
      old="$dst.old"
      rm -rf -- "$old"
      mv -T -- "$dst" "$old"
    else
      rm -rf -- "$dst.new"
      xdg-open "$(dirname -- "$src")" >/dev/null 2>&1
      exit 1
    fi
  fi
  if mv -T -- "$dst.new" "$dst"; then
    [ -n "$old" ] && rm -rf -- "$old"
    # The download goes to the trash, never straight away: being wrong about
    # somebody's folder has to be undoable.
    if [ -n "$stale" ] && [ -d "$stale" ]; then
      gio trash -- "$stale" >/dev/null 2>&1
    fi
    exec setsid "$dst/bin/quorvane" </dev/null >/dev/null 2>&1
  fi
  [ -n "$old" ] && mv -T -- "$old" "$dst"
fi
rm -rf -- "$dst.new"
xdg-open "$(dirname -- "$src")" >/dev/null 2>&1
exit 1
)SH";

bool insideRoots(const QString& folder, const Roots& roots) {
    for (const QString& prefix : roots.prefixes) {
        if (folder.startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace

Roots standardRoots() {
    const QString home = Paths::home();
    return Roots{home, {QStringLiteral("/opt/"), home + QStringLiteral("/Applications/")}};
}

bool isTranslocated(const QString& folder) { return folder.contains(QLatin1String(kTranslocatedMarker)); }

bool isCorrect(const QString& folder, const Roots& roots) {
    return !isTranslocated(folder) && insideRoots(folder, roots);
}

QString whereItIs(const QString& folder, const Roots& roots) {
    QString parent = QFileInfo(folder).path();
    if (!roots.home.isEmpty() && (parent == roots.home || parent.startsWith(roots.home + QLatin1Char('/'))))
        parent = QLatin1Char('~') + parent.mid(roots.home.size());
    return parent;
}

std::optional<QString> leftover(const QString& folder, const Roots& roots) {
    if (isTranslocated(folder) || QFileInfo(folder).fileName() != QLatin1String(InstallFolder::kFolderName) ||
        insideRoots(folder, roots))
        return std::nullopt;
    return folder;
}

QString moveTarget(const Roots& roots) {
    return roots.home + QStringLiteral("/Applications/") + QLatin1String(InstallFolder::kFolderName);
}

bool moveToApplications(const QString& folder, const Roots& roots, qint64 pid, std::function<void()> quit) {
    const QString target = moveTarget(roots);
    if (QDir::cleanPath(folder) == QDir::cleanPath(target))
        return true;
    ProgramLauncher* launcher = Platform::current().programLauncher;
    if (!launcher || !InstallFolder::isInstallFolder(folder))
        return false;
    const QString scripts = Paths::makePrivateTempFolder(QStringLiteral("qv-move"));
    if (scripts.isEmpty())
        return false;
    const QString path = scripts + QStringLiteral("/move.sh");
    const QByteArray text(kMoveScript);
    QSaveFile script(path);
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size() || !script.commit() ||
        !launcher->startDetached(QStringLiteral("/bin/bash"),
                                 {path, QString::number(pid), folder, target, leftover(folder, roots).value_or(QString())})) {
        QDir(scripts).removeRecursively();
        return false;
    }
    QTimer::singleShot(kQuitDelay, QCoreApplication::instance(), [quit = std::move(quit)] {
        if (quit)
            quit();
    });
    return true;
}

} // namespace InstallLocation
