#include "platform/linux/HtmlFolderNotesApp.h"

#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxNumber = 10'000;

bool isPermissionError(int error) { return error == EACCES || error == EPERM || error == EROFS; }

NotesApp::Result failure(int error) {
    if (isPermissionError(error))
        return {NotesApp::Outcome::NeedsPermission, QString::fromLocal8Bit(std::strerror(error))};
    return {NotesApp::Outcome::Failed, QStringLiteral("The note could not be saved: %1.").arg(QString::fromLocal8Bit(std::strerror(error)))};
}

// Creates `path` and its parents; 0 or the errno of the failure.
int makeFolder(const QByteArray& path) {
    QByteArray partial;
    for (const QByteArray& piece : path.split('/')) {
        partial += piece;
        if (!partial.isEmpty() && ::mkdir(partial.constData(), 0700) != 0 && errno != EEXIST)
            return errno;
        partial += '/';
    }
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

} // namespace

HtmlFolderNotesApp::HtmlFolderNotesApp(QString root) : m_root(std::move(root)) {
    if (m_root.isEmpty())
        m_root = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(kFolderName);
}

QString HtmlFolderNotesApp::fileStem(const QString& title) {
    QString stem;
    for (const char32_t c : title.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            stem += QLatin1Char(' ');
        else if (c == U'/')
            stem += QLatin1Char('-');
        else
            stem += QString::fromUcs4(&c, 1);
    }
    stem = stem.simplified();
    while (stem.startsWith(QLatin1Char('.')))
        stem.remove(0, 1);
    const QList<uint> points = stem.toUcs4();
    if (points.size() > kNameLimit)
        stem = QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), kNameLimit).trimmed();
    return stem.isEmpty() ? QStringLiteral("Untitled") : stem;
}

NotesApp::Result HtmlFolderNotesApp::create(const QString& title, const QString& html, const QString& folder) {
    const QString target = folder.isEmpty() ? m_root : QDir(m_root).filePath(folder);
    if (const int error = makeFolder(QFile::encodeName(target)))
        return failure(error);

    // Written whole under a hidden name, then linked to a free name: link()
    // never replaces a file, so two notes with one title both stay.
    QTemporaryFile temporary(QDir(target).filePath(QStringLiteral(".note-XXXXXX")));
    if (!temporary.open())
        return failure(errno != 0 ? errno : EIO);
    const QByteArray bytes = html.toUtf8();
    if (temporary.write(bytes) != bytes.size() || !temporary.flush() || ::fsync(temporary.handle()) != 0)
        return failure(errno != 0 ? errno : EIO);
    const QByteArray from = QFile::encodeName(temporary.fileName());
    const QString stem = fileStem(title);
    for (int number = 1; number <= kMaxNumber; ++number) {
        const QString name = number == 1 ? stem : QStringLiteral("%1 %2").arg(stem).arg(number);
        const QByteArray to = QFile::encodeName(QDir(target).filePath(name + QStringLiteral(".html")));
        if (::link(from.constData(), to.constData()) == 0)
            return {Outcome::Created, {}};
        if (errno != EEXIST)
            return failure(errno);
    }
    return failure(EEXIST);
}

void HtmlFolderNotesApp::showNotesFolder() {
    QDir().mkpath(m_root);
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_root));
}
