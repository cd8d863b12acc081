#include "transfer/recordwriter.h"

#include "platform/filesync.h"
#include "protocol/textforms.h"
#include "settings/cp1254.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Creates the file when missing, appends the line and closes it again.
bool appendLine(const QString &path, const QByteArray &line)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool written = file.write(line) == line.size() && file.flush();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

void remember(QStringList &touched, const QString &path)
{
    if (!touched.contains(path))
        touched.append(path);
}

bool flushAll(QStringList &touched)
{
    bool ok = true;
    for (const QString &path : std::as_const(touched))
        ok = platform::syncPathToDisk(path) && ok;
    touched.clear();
    return ok;
}

} // namespace

RecordWriter::RecordWriter(std::function<QDate()> today) : today_(std::move(today)) {}

StoreResult RecordWriter::StoreRecord(const QString &transferPath, const QString &backupFolder, const QString &idText,
                                      const QString &gText, std::uint64_t data, const protocol::PanelTime &time)
{
    const QByteArray line = transferLine(idText, gText, data, time);
    StoreResult result;
    result.transferWritten = appendLine(transferPath, line);
    if (result.transferWritten)
        remember(touchedTransfer_, transferPath);
    const QString backup = backupFilePath(backupFolder, today_());
    result.backupWritten = !backupFolder.isEmpty() && QDir().mkpath(QFileInfo(backup).absolutePath())
        && appendLine(backup, line);
    if (result.backupWritten)
        remember(touchedBackup_, backup);
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
