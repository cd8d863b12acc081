#pragma once

#include <QString>

class QFileDevice;

namespace ta::platform {

// Pushes an open file's written data through to the disk (fsync on POSIX,
// FlushFileBuffers on Windows). False when the system reports a failure.
bool syncToDisk(QFileDevice &file);

// Opens the file at `path` and pushes its data through to the disk.
bool syncPathToDisk(const QString &path);

// Pushes a folder's entries (a file or folder made in it) through to the disk.
// On Windows the file system keeps them with the file itself: nothing to do.
bool syncFolderToDisk(const QString &path);

// True for an existing file that carries no write permission at all (the
// read-only attribute on Windows). Checked by permission bits, so it holds
// also for a user that the system would let write anyway.
bool isReadOnlyFile(const QString &path);

} // namespace ta::platform
