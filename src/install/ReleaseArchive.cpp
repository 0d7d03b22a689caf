#include "install/ReleaseArchive.h"

#include <QDir>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>
#include <sodium.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace ReleaseArchive {

namespace {

constexpr size_t kReadBlock = 64 * 1024;

struct ArchiveCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchiveReader = std::unique_ptr<archive, ArchiveCloser>;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports whether the data reached the file system.
    bool close() {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// A name may be used when it is relative and none of its pieces leads up or
// stays in place ("..", "." and empty pieces from "//" are all refused).
std::optional<QStringList> safePieces(const QString& name) {
    QString relative = name;
    if (relative.endsWith(QLatin1Char('/')))
        relative.chop(1);
    if (relative.isEmpty() || relative.startsWith(QLatin1Char('/')) || relative.contains(QChar(0)))
        return std::nullopt;
    const QStringList pieces = relative.split(QLatin1Char('/'));
    for (const QString& piece : pieces) {
        if (piece.isEmpty() || piece == QLatin1String(".") || piece == QLatin1String(".."))
            return std::nullopt;
    }
    return pieces;
}

// Opens the folder of `pieces` under the destination, creating missing
// folders, never following a link on the way; -1 on failure.
int openParent(int root, const QStringList& pieces, qsizetype count) {
    int current = ::dup(root);
    for (qsizetype i = 0; i < count && current >= 0; ++i) {
        const QByteArray piece = QFile::encodeName(pieces[i]);
        if (::mkdirat(current, piece.constData(), 0755) != 0 && errno != EEXIST) {
            ::close(current);
            return -1;
        }
        const int next = ::openat(current, piece.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(current);
        current = next;
    }
    return current;
}

} // namespace

bool verify(const QString& archivePath, const QByteArray& signature, const QByteArray& publicKey) {
    if (publicKey.size() != kPublicKeyBytes || signature.size() != kSignatureBytes || sodium_init() < 0)
        return false;
    QFile file(archivePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size == 0) {
        return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()), nullptr, 0,
                                           reinterpret_cast<const unsigned char*>(publicKey.constData()))
               == 0;
    }
    const uchar* bytes = file.map(0, size);
    if (!bytes)
        return false;
    const bool valid = crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()), bytes,
                                                   static_cast<unsigned long long>(size),
                                                   reinterpret_cast<const unsigned char*>(publicKey.constData()))
                       == 0;
    file.unmap(const_cast<uchar*>(bytes));
    return valid;
}

std::optional<QString> unpack(const QString& archivePath, const QString& destination, const Limits& limits) {
    ArchiveReader reader(archive_read_new());
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_zip(reader.get());
    archive_read_support_format_tar(reader.get());
    archive_read_support_format_gnutar(reader.get());
    if (archive_read_open_filename(reader.get(), QFile::encodeName(archivePath).constData(), kReadBlock) != ARCHIVE_OK)
        return QStringLiteral("the archive cannot be read");
    FileDescriptor root(
        ::open(QFile::encodeName(destination).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (root.get() < 0)
        return QStringLiteral("the destination cannot be opened");

    qint64 entries = 0;
    qint64 unpackedBytes = 0;
    QByteArray buffer(kReadBlock, Qt::Uninitialized);
    archive_entry* entry = nullptr;
    while (true) {
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status != ARCHIVE_OK)
            return QStringLiteral("the archive is damaged");
        if (++entries > limits.maxEntries)
            return QStringLiteral("the archive holds too many entries");
        const char* rawName = archive_entry_pathname(entry);
        const QString name = rawName ? QString::fromUtf8(rawName) : QString();
        const auto pieces = safePieces(name);
        if (!pieces)
            return QStringLiteral("an entry's name leaves the folder: ") + name;
        if (archive_entry_hardlink(entry) || archive_entry_symlink(entry))
            return QStringLiteral("the archive holds a link: ") + name;
        const mode_t type = archive_entry_filetype(entry);
        const bool executable = (archive_entry_perm(entry) & S_IXUSR) != 0;
        FileDescriptor parent(openParent(root.get(), *pieces, pieces->size() - 1));
        if (parent.get() < 0)
            return QStringLiteral("a folder cannot be made for ") + name;
        const QByteArray leaf = QFile::encodeName(pieces->last());
        if (type == AE_IFDIR) {
            if (::mkdirat(parent.get(), leaf.constData(), 0755) != 0 && errno != EEXIST)
                return QStringLiteral("a folder cannot be made: ") + name;
            struct stat info {};
            if (::fstatat(parent.get(), leaf.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(info.st_mode))
                return QStringLiteral("a folder cannot be made: ") + name;
            continue;
        }
        if (type != AE_IFREG)
            return QStringLiteral("the archive holds a special file: ") + name;
        // O_EXCL: a second entry of the same name cannot write through the first.
        FileDescriptor out(::openat(parent.get(), leaf.constData(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, executable ? 0755 : 0644));
        if (out.get() < 0)
            return QStringLiteral("a file cannot be written: ") + name;
        while (true) {
            const la_ssize_t got = archive_read_data(reader.get(), buffer.data(), size_t(buffer.size()));
            if (got == 0)
                break;
            if (got < 0)
                return QStringLiteral("the archive is damaged at ") + name;
            unpackedBytes += got;
            if (unpackedBytes > limits.maxUnpackedBytes)
                return QStringLiteral("the archive unpacks to too many bytes");
            for (la_ssize_t written = 0; written < got;) {
                const ssize_t n = ::write(out.get(), buffer.constData() + written, size_t(got - written));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return QStringLiteral("a file cannot be written: ") + name;
                written += n;
            }
        }
        // The umask may have taken bits away; executables must stay runnable.
        if (::fchmod(out.get(), executable ? 0755 : 0644) != 0 || !out.close())
            return QStringLiteral("a file cannot be written: ") + name;
    }
    return std::nullopt;
}

} // namespace ReleaseArchive
