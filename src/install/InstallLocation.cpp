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
# Moves an install folder once the program has quit. The copy is made in a
# work folder of its own beside the target, an install folder already at the
# target is set aside into that work folder, the copy renamed in, and only then
# is the work folder deleted. No other name beside the target is touched: a
# folder the user keeps there is never replaced or deleted.
pid="$1"; src="$2"; dst="$3"; stale="$4"
while kill -0 "$pid" 2>/dev/null; do sleep 0.2; done
# bash reads on from the open script, so its private folder can go now.
rm -rf -- "$(dirname -- "$0")"
reveal() {
  xdg-open "$(dirname -- "$src")" >/dev/null 2>&1
  exit 1
}
# Reached through another name (a linked folder on the way), the copy already
# is the target: it is started as it stands, never copied over itself.
if [ "$src" -ef "$dst" ]; then
  exec setsid "$dst/bin/quorvane" </dev/null >/dev/null 2>&1
fi
parent="$(dirname -- "$dst")"
mkdir -p -- "$parent" || reveal
work="$(mktemp -d -- "$parent/.Quorvane.move.XXXXXXXX")" || reveal
if ! cp -a -- "$src" "$work/new" || [ ! -f "$work/new/quorvane-install.txt" ]; then
  rm -rf -- "$work"
  reveal
fi
if [ -e "$dst" ] || [ -L "$dst" ]; then
  if [ ! -f "$dst/quorvane-install.txt" ] || [ -L "$dst" ] || ! mv -T -- "$dst" "$work/old"; then
    rm -rf -- "$work"
    reveal
  fi
fi
if ! mv -T -- "$work/new" "$dst"; then
  # The work folder goes only once the old install is back in its place.
  if [ ! -e "$work/old" ] || mv -T -- "$work/old" "$dst"; then
    rm -rf -- "$work"
  fi
  reveal
fi
rm -rf -- "$work"
# The download goes to the trash, never straight away: being wrong about
# somebody's folder has to be undoable. Never the copy just moved in.
if [ -n "$stale" ] && [ -d "$stale" ] && [ ! "$stale" -ef "$dst" ]; then
  gio trash -- "$stale" >/dev/null 2>&1
fi
exec setsid "$dst/bin/quorvane" </dev/null >/dev/null 2>&1
)SH";

// The path with every link resolved, so that a folder reached through a
// linked home or Applications folder compares equal to itself. Of a path that
// does not exist (yet) the part that does is resolved and the rest kept.
QString realPath(const QString& path) {
    QString existing = QDir::cleanPath(path);
    QString rest;
    while (true) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return rest.isEmpty() ? canonical : QDir::cleanPath(canonical + QLatin1Char('/') + rest);
        const qsizetype cut = existing.lastIndexOf(QLatin1Char('/'));
        if (cut <= 0)
            return QDir::cleanPath(path);
        rest = rest.isEmpty() ? existing.mid(cut + 1) : existing.mid(cut + 1) + QLatin1Char('/') + rest;
        existing.truncate(cut);
    }
}

// Whether `path` is `folder` or lies below it; both real paths.
bool isWithin(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'));
}

bool insideRoots(const QString& folder, const Roots& roots) {
    const QString real = realPath(folder);
    for (const QString& prefix : roots.prefixes) {
        if (real.startsWith(realPath(prefix) + QLatin1Char('/')))
            return true;
    }
    return false;
}

// What the move script would find at `target` once the program has quit,
// checked while the user can still be shown the copy instead: nothing there
// but an install folder it may replace, and a folder to hold it that exists,
// or can be made, and can be written.
bool canLandAt(const QString& target) {
    const QFileInfo existing(target);
    if (existing.isSymLink() || (existing.exists() && !InstallFolder::isInstallFolder(target)))
        return false;
    if (existing.exists() && !canReplace(target))
        return false;
    // The nearest folder on the way that exists is where the script's mkdir starts.
    QFileInfo holder(existing.path());
    while (!holder.exists() && !holder.isSymLink() && !holder.isRoot())
        holder.setFile(holder.path());
    return holder.isDir() && holder.isWritable();
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

bool canReplace(const QString& folder) {
    // An update makes its work folder beside the copy and moves the copy itself
    // out of its folder, which changes the copy's own "..".
    const QFileInfo copy(realPath(folder));
    const QFileInfo parent(copy.path());
    return copy.isDir() && copy.isWritable() && parent.isDir() && parent.isWritable();
}

QString whereItIs(const QString& folder, const Roots& roots) {
    const QString parent = realPath(QFileInfo(folder).path());
    const QString home = roots.home.isEmpty() ? QString() : realPath(roots.home);
    if (home.isEmpty() || home == QLatin1String("/"))
        return parent;
    return isWithin(parent, home) ? QLatin1Char('~') + parent.mid(home.size()) : parent;
}

std::optional<QString> leftover(const QString& folder, const Roots& roots) {
    if (isTranslocated(folder) || QFileInfo(folder).fileName() != QLatin1String(InstallFolder::kFolderName)
        || insideRoots(folder, roots) || isWithin(realPath(moveTarget(roots)), realPath(folder)))
        return std::nullopt;
    return folder;
}

QString moveTarget(const Roots& roots) {
    return roots.home + QStringLiteral("/Applications/") + QLatin1String(InstallFolder::kFolderName);
}

bool moveToApplications(const QString& folder, const Roots& roots, qint64 pid, std::function<void()> quit) {
    const QString target = moveTarget(roots);
    if (realPath(folder) == realPath(target))
        return true;
    ProgramLauncher* launcher = Platform::current().programLauncher;
    if (!launcher || !InstallFolder::isInstallFolder(folder) || !canLandAt(target))
        return false;
    const QString scripts = Paths::makePrivateTempFolder(QStringLiteral("qv-move"));
    if (scripts.isEmpty())
        return false;
    const QString path = scripts + QStringLiteral("/move.sh");
    const QByteArray text(kMoveScript);
    QSaveFile script(path);
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size() || !script.commit()
        || !launcher->startDetached(QStringLiteral("/bin/bash"), {path, QString::number(pid), folder, target,
                                                                  leftover(folder, roots).value_or(QString())})) {
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
