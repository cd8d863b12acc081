#include "platform/filesync.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
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
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return false;
    return syncToDisk(file);
}

bool appendToFile(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
#ifdef Q_OS_WIN
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written && file.error() == QFileDevice::NoError;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
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
