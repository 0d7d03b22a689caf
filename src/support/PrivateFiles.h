#pragma once

#include <QFileDevice>
#include <QIODevice>
#include <QString>

class QFile;
class QSaveFile;

// The user's files and folders, kept from the machine's other accounts: what
// the program makes is 0600 (files) or 0700 (folders) whatever the umask, and
// a file made with wider rights, by an earlier version or by hand, loses its
// group and others' bits when it is next written. Owner bits are kept as they
// are. Any thread.
namespace PrivateFiles {

// The rights a private file keeps (Qt's "user" rights are what this process
// may do, which for root is everything: never copied).
inline constexpr QFileDevice::Permissions kOwnerBits =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Makes `folder` and every missing folder above it 0700. Existing folders on
// the way that lie inside the program's data, config or state folders (never
// those folders themselves) are narrowed. False when `folder` is not a folder
// at the end.
bool makeFolder(const QString& folder);

// Takes group and others' bits off the file or folder at `path`. True when
// nothing is left to take (also when it is missing).
bool narrow(const QString& path);

// Makes the file's folder, then opens `file` for `mode`, creating it 0600 or
// narrowing the one that is there, before anything is written.
bool open(QFile& file, QIODevice::OpenMode mode);
// The same for a write through a temporary file: the temporary file is narrowed
// before anything is written, and so is the file it replaces.
bool open(QSaveFile& file, QIODevice::OpenMode mode);

// Makes `path` an existing private file without changing what it holds (an
// empty one when it is missing), for a writer that opens it itself.
bool claim(const QString& path);

} // namespace PrivateFiles
