#include "transfer/recordwriter.h"

#include "platform/filesync.h"
#include "protocol/textforms.h"
#include "settings/cp1254.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ta::transfer {

QString paddedNumber(std::int64_t value, int digits)
{
    const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const QString text = QStringLiteral("%1").arg(magnitude, digits, 10, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + text : text;
}

QString kayitText(std::int32_t recordNo, std::int32_t recordTotal)
{
    return paddedNumber(recordNo, 5) + QLatin1Char('/') + paddedNumber(recordTotal, 5);
}

QByteArray transferLine(const QString &idText, const QString &gText, std::uint64_t data,
                        const protocol::PanelTime &t)
{
    const std::int32_t id = protocol::integerText(idText);
    auto two = [](int v) { return paddedNumber(v, 2); };
    const QString line = paddedNumber(id, 3) + QLatin1Char(',') + paddedNumber(static_cast<std::int64_t>(data), 10)
        + QLatin1Char(',') + gText + QLatin1Char(',') + QStringLiteral("20") + two(t.year) + QLatin1Char('/')
        + two(t.month) + QLatin1Char('/') + two(t.day) + QLatin1Char(' ') + two(t.hour) + QLatin1Char(':')
        + two(t.minute) + QLatin1Char(':') + two(t.second) + QStringLiteral("\r\n");
    return settings::toCp1254(line);
}

QString backupFilePath(const QString &backupFolder, const QDate &day)
{
    return QDir(backupFolder).filePath(QStringLiteral("%1/%2/Backups.TXT")
                                           .arg(day.year(), 4, 10, QLatin1Char('0'))
                                           .arg(day.month(), 2, 10, QLatin1Char('0')));
}

namespace {

// Creates the file when missing, appends the line and closes it again. A file
// without any write permission is read-only, also for a user that the system
// would let write anyway.
bool appendLine(const QString &path, const QByteArray &line, bool &created)
{
    created = false;
    if (path.isEmpty() || platform::isReadOnlyFile(path))
        return false;
    QFile file(path);
    const bool existed = file.exists();
    // Unbuffered: a write that fails has failed here, and what it left can be cut off.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    created = !existed;
    const qint64 before = file.size();
    const bool written = file.write(line) == line.size();
    if (!written)
        file.resize(before); // no part of a line for the next line to run into
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

void remember(QList<RecordWriter::Touched> &touched, const QString &path, int newFolders)
{
    for (RecordWriter::Touched &t : touched) {
        if (t.path == path) {
            t.newFolders = std::max(t.newFolders, newFolders);
            return;
        }
    }
    touched.append({path, newFolders});
}

// Pushes each file to the disk, and with it the folder entries that were made
// for it (the file's own in its folder, and those of new folders above).
bool flushAll(QList<RecordWriter::Touched> &touched)
{
    bool ok = true;
    for (const RecordWriter::Touched &t : std::as_const(touched)) {
        ok = platform::syncPathToDisk(t.path) && ok;
        QDir folder = QFileInfo(t.path).absoluteDir();
        for (int i = 0; i < t.newFolders; ++i) {
            ok = platform::syncFolderToDisk(folder.path()) && ok;
            if (!folder.cdUp())
                break;
        }
    }
    touched.clear();
    return ok;
}

// How many of the folders on the way down to `folder` are missing.
int missingFolders(const QString &folder)
{
    int missing = 0;
    for (QDir dir(folder); !dir.exists() && !dir.isRoot(); ++missing)
        if (!dir.cdUp())
            break;
    return missing;
}

} // namespace

RecordWriter::RecordWriter(std::function<QDate()> today) : today_(std::move(today)) {}

StoreResult RecordWriter::StoreRecord(const QString &transferPath, const QString &backupFolder, const QString &idText,
                                      const QString &gText, std::uint64_t data, const protocol::PanelTime &time)
{
    const QByteArray line = transferLine(idText, gText, data, time);
    StoreResult result;
    bool created = false;
    result.transferWritten = appendLine(transferPath, line, created);
    if (result.transferWritten)
        remember(touchedTransfer_, transferPath, created ? 1 : 0);
    const QString backup = backupFilePath(backupFolder, today_());
    const QString folder = QFileInfo(backup).absolutePath();
    const int newFolders = backupFolder.isEmpty() ? 0 : missingFolders(folder);
    result.backupWritten = !backupFolder.isEmpty() && QDir().mkpath(folder) && appendLine(backup, line, created);
    if (result.backupWritten)
        remember(touchedBackup_, backup, created ? 1 + newFolders : 0);
    return result;
}

RecordWriter::FlushResult RecordWriter::flushTouched()
{
    FlushResult result;
    result.transferFlushed = flushAll(touchedTransfer_);
    result.backupFlushed = flushAll(touchedBackup_);
    return result;
}

} // namespace ta::transfer
