#pragma once

class QString;

// The desktop's file manager and trash. GUI thread.
class FileManager {
public:
    virtual ~FileManager() = default;
    // Asks the file manager to show `path` selected, or opens its folder where
    // no file manager offers that; does not wait for the desktop. False when
    // `path` does not exist.
    virtual bool reveal(const QString& path) = 0;
    // Moves `path` to the user's trash, from where it can be restored. False
    // (and `path` left where it is) when the trash refused it.
    virtual bool trash(const QString& path) = 0;
    // Swaps two paths on one file system in a single step, so that neither is
    // ever missing. 0 on success, else the errno (EXDEV across file systems,
    // EACCES or EPERM when the folder may not change, EINVAL or EOPNOTSUPP
    // where the file system cannot exchange in one step).
    virtual int exchange(const QString& first, const QString& second) = 0;
};
