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

// Creates the file at `path` when missing, appends `bytes` and closes it
// again. True when every byte was written and the file closed without error.
// On POSIX one open, one write and one close (QFile adds two stats and a seek
// to every open, which counts when a line is appended per record).
bool appendToFile(const QString &path, const QByteArray &bytes);

// True for an existing file that carries no write permission at all (the
// read-only attribute on Windows). Checked by permission bits, so it holds
// also for a user that the system would let write anyway.
bool isReadOnlyFile(const QString &path);

} // namespace ta::platform
