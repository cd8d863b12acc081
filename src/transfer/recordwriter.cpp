#include "transfer/recordwriter.h"

#include "platform/filesync.h"
#include "protocol/textforms.h"
#include "settings/cp1254.h"

#include <QDir>
#include <QFileInfo>
#include <charconv>
#include <iterator>
#include <utility>

namespace ta::transfer {

namespace {

// Appends `value` in decimal with at least `digits` digits, zero-padded, the
// minus sign ahead of the padding. Plain characters, no QString::arg: the
// transfer line is made once per record.
void appendPadded(QByteArray &out, std::int64_t value, int digits)
{
    const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char text[24];
    const char *end = std::to_chars(std::begin(text), std::end(text), magnitude).ptr;
    const auto length = static_cast<int>(end - text);
    if (value < 0)
        out += '-';
    if (length < digits)
        out.append(digits - length, '0');
    out.append(text, length);
}

} // namespace

QString paddedNumber(std::int64_t value, int digits)
{
    QByteArray text;
    appendPadded(text, value, digits);
    return QString::fromLatin1(text);
}

QString kayitText(std::int32_t recordNo, std::int32_t recordTotal)
{
    return paddedNumber(recordNo, 5) + QLatin1Char('/') + paddedNumber(recordTotal, 5);
}

QByteArray transferLine(const QString &idText, const QString &gText, std::uint64_t data,
                        const protocol::PanelTime &t)
{
    const std::int32_t id = protocol::integerText(idText);
    // Everything but the flag cell is ASCII, so the code page only matters there.
    QByteArray line;
    line.reserve(40 + gText.size());
    appendPadded(line, id, 3);
    line += ',';
    appendPadded(line, static_cast<std::int64_t>(data), 10);
    line += ',';
    line += settings::toCp1254(gText);
    line += ",20";
    const std::pair<std::uint8_t, char> fields[] = {{t.year, '/'},   {t.month, '/'},  {t.day, ' '},
                                                    {t.hour, ':'},   {t.minute, ':'}, {t.second, '\r'}};
    for (const auto &[number, after] : fields) {
        appendPadded(line, number, 2);
        line += after;
    }
    line += '\n';
    return line;
}

QString backupFilePath(const QString &backupFolder, const QDate &day)
{
    return QDir(backupFolder).filePath(QStringLiteral("%1/%2/Backups.TXT")
                                           .arg(day.year(), 4, 10, QLatin1Char('0'))
                                           .arg(day.month(), 2, 10, QLatin1Char('0')));
}

namespace {

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
    result.transferWritten = platform::appendToFile(transferPath, line);
    if (result.transferWritten)
        remember(touchedTransfer_, transferPath);
    const QString backup = backupFilePath(backupFolder, today_());
    result.backupWritten = !backupFolder.isEmpty() && QDir().mkpath(QFileInfo(backup).absolutePath())
        && platform::appendToFile(backup, line);
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
