#include "platform/filesync.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ta::platform {

namespace {

bool syncHandle(int fd)
{
    if (fd < 0)
        return false;
#ifdef Q_OS_WIN
    const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
#else
    return ::fsync(fd) == 0;
#endif
}

} // namespace

bool syncToDisk(QFileDevice &file)
{
    return file.flush() && syncHandle(file.handle());
}

bool syncPathToDisk(const QString &path)
{
    QFile file(path);
    // FlushFileBuffers needs a handle with write access; fsync works on any.
    // A file that has gone since it was written is not made anew: that flush failed.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::ExistingOnly))
        return false;
    return syncToDisk(file);
}

bool syncFolderToDisk(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

bool appendToFile(const QString &path, const QByteArray &bytes, bool *created)
{
    if (created)
        *created = false;
    if (path.isEmpty())
        return false;
#ifdef Q_OS_WIN
    if (isReadOnlyFile(path))
        return false;
    QFile file(path);
    const bool existed = file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    if (created)
        *created = !existed;
    const qint64 before = file.size();
    const bool written = file.write(bytes) == bytes.size();
    if (!written)
        file.resize(before);
    file.close();
    return written && file.error() == QFileDevice::NoError;
#else
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 && created)
            *created = true;
    }
    if (fd < 0)
        return false;
    struct stat st {};
    // No write bit at all is read-only, also for a user the system lets write.
    if (::fstat(fd, &st) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        ::close(fd);
        return false;
    }
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        at += n;
        left -= n;
    }
    if (left > 0) {
        // Cut the fragment off again; the caller sees the failure either way.
        [[maybe_unused]] const int cut = ::ftruncate(fd, st.st_size);
    }
    const bool closed = ::close(fd) == 0;
    return left == 0 && closed;
#endif
}

bool isReadOnlyFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return false;
    constexpr auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (info.permissions() & anyWrite) == 0;
}

} // namespace ta::platform
