#include "platform/filesync.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
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

bool isReadOnlyFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return false;
    constexpr auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (info.permissions() & anyWrite) == 0;
}

} // namespace ta::platform
