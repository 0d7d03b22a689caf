#include "platform/linux/HtmlFolderNotesApp.h"

#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextBoundaryFinder>
#include <QUrl>

#include <cerrno>
#include <cstdio>
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
    return {NotesApp::Outcome::Failed,
            QStringLiteral("The note could not be saved: %1.").arg(QString::fromLocal8Bit(std::strerror(error)))};
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

// Moves `from` to `to` unless `to` exists: 0, or the errno.
int renameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

// The longest start of `text` that ends between user-perceived characters and
// takes at most `bytes` bytes of UTF-8.
QString cutToBytes(const QString& text, qsizetype bytes) {
    if (text.toUtf8().size() <= bytes)
        return text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype kept = 0;
    qsizetype keptBytes = 0;
    for (qsizetype next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
        keptBytes += QStringView(text).sliced(kept, next - kept).toUtf8().size();
        if (keptBytes > bytes)
            break;
        kept = next;
    }
    return text.first(kept);
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
        // Joiners are formatting characters too, but they hold emoji
        // sequences and many scripts' letters together.
        const bool joiner = c == U'\u200C' || c == U'\u200D';
        if (category == QChar::Other_Control || (category == QChar::Other_Format && !joiner)
            || category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            stem += QLatin1Char(' ');
        else if (c == U'/')
            stem += QLatin1Char('-');
        else
            stem += QString::fromUcs4(&c, 1);
    }
    stem = stem.simplified();
    while (stem.startsWith(QLatin1Char('.')))
        stem.remove(0, 1);
    stem = cutToBytes(stem, kStemBytes).trimmed();
    return stem.isEmpty() ? QStringLiteral("Untitled") : stem;
}

int HtmlFolderNotesApp::link(const QByteArray& from, const QByteArray& to) const {
    return ::link(from.constData(), to.constData()) == 0 ? 0 : errno;
}

NotesApp::Result HtmlFolderNotesApp::create(const QString& title, const QString& html, const QString& folder) {
    const QString target = folder.isEmpty() ? m_root : QDir(m_root).filePath(folder);
    if (const int error = makeFolder(QFile::encodeName(target)))
        return failure(error);

    // Written whole under a hidden name, then linked to a free name: link()
    // never replaces a file, so two notes with one title both stay. A file
    // system without hard links refuses link() with EPERM, which is no
    // question of permission: there the hidden file is renamed instead, by a
    // rename that refuses to replace.
    QTemporaryFile temporary(QDir(target).filePath(QStringLiteral(".note-XXXXXX")));
    if (!temporary.open())
        return failure(errno != 0 ? errno : EIO);
    const QByteArray bytes = html.toUtf8();
    if (temporary.write(bytes) != bytes.size() || !temporary.flush() || ::fsync(temporary.handle()) != 0)
        return failure(errno != 0 ? errno : EIO);
    const QByteArray from = QFile::encodeName(temporary.fileName());
    const QString stem = fileStem(title);
    bool linking = true;
    for (int number = 1; number <= kMaxNumber; ++number) {
        const QString name = number == 1 ? stem : QStringLiteral("%1 %2").arg(stem).arg(number);
        const QByteArray to = QFile::encodeName(QDir(target).filePath(name + QStringLiteral(".html")));
        int error = linking ? link(from, to) : renameWithoutReplacing(from, to);
        if (linking && error == EPERM) {
            linking = false;
            error = renameWithoutReplacing(from, to);
        }
        if (error == 0)
            return {Outcome::Created, {}};
        if (error != EEXIST)
            return failure(error);
    }
    return failure(EEXIST);
}

void HtmlFolderNotesApp::showNotesFolder() {
    QDir().mkpath(m_root);
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_root));
}
