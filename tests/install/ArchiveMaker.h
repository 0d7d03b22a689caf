#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <archive.h>
#include <archive_entry.h>
#include <sodium.h>

// Writes test archives entry by entry, hostile ones included, and signs them.
struct ArchiveEntry {
    enum class Kind { File, Folder, Symlink, Hardlink, Fifo };
    QString name;
    QByteArray contents;
    Kind kind = Kind::File;
    int mode = 0644;
    QString linkTarget;
};

enum class ArchiveFormat { Zip, TarGz };

inline bool writeArchive(const QString& path, const QList<ArchiveEntry>& entries,
                         ArchiveFormat format = ArchiveFormat::Zip) {
    archive* a = archive_write_new();
    if (format == ArchiveFormat::Zip) {
        archive_write_set_format_zip(a);
        archive_write_set_options(a, "zip:compression=store");
    } else {
        archive_write_set_format_pax_restricted(a);
        archive_write_add_filter_gzip(a);
    }
    if (archive_write_open_filename(a, QFile::encodeName(path).constData()) != ARCHIVE_OK) {
        archive_write_free(a);
        return false;
    }
    for (const ArchiveEntry& item : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.name.toUtf8().constData());
        switch (item.kind) {
        case ArchiveEntry::Kind::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, item.contents.size());
            break;
        case ArchiveEntry::Kind::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            break;
        case ArchiveEntry::Kind::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, item.linkTarget.toUtf8().constData());
            break;
        case ArchiveEntry::Kind::Hardlink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_hardlink(entry, item.linkTarget.toUtf8().constData());
            break;
        case ArchiveEntry::Kind::Fifo:
            archive_entry_set_filetype(entry, AE_IFIFO);
            break;
        }
        archive_entry_set_perm(entry, item.mode);
        archive_write_header(a, entry);
        if (item.kind == ArchiveEntry::Kind::File && !item.contents.isEmpty())
            archive_write_data(a, item.contents.constData(), size_t(item.contents.size()));
        archive_entry_free(entry);
    }
    const bool ok = archive_write_close(a) == ARCHIVE_OK;
    archive_write_free(a);
    return ok;
}

// An Ed25519 key pair made for the test.
struct SigningKeys {
    QByteArray publicKey{crypto_sign_PUBLICKEYBYTES, '\0'};
    QByteArray secretKey{crypto_sign_SECRETKEYBYTES, '\0'};

    SigningKeys() {
        // Negative only when libsodium cannot start; the keys stay zero and nothing verifies.
        if (sodium_init() < 0)
            return;
        crypto_sign_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                            reinterpret_cast<unsigned char*>(secretKey.data()));
    }

    QByteArray sign(const QByteArray& bytes) const {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size(),
                             reinterpret_cast<const unsigned char*>(secretKey.constData()));
        return signature;
    }
};

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
