#pragma once

#include <QByteArray>
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

// Creates the file at `path` when missing, appends `bytes` and closes it
// again. True only when every byte went in; a write that falls short is cut
// off again, so no fragment is left for the next append to run into. A
// read-only file (see isReadOnlyFile) is never written. `created` tells
// whether the file was made by this call. On POSIX this is one open, one fstat,
// one write and one close: it runs once per record and file.
bool appendToFile(const QString &path, const QByteArray &bytes, bool *created = nullptr);

// True for an existing file that carries no write permission at all (the
// read-only attribute on Windows). Checked by permission bits, so it holds
// also for a user that the system would let write anyway.
bool isReadOnlyFile(const QString &path);

} // namespace ta::platform
