#include "transfer/recordwriter.h"

#include "platform/filesync.h"
#include "protocol/textforms.h"
#include "settings/cp1254.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <charconv>
#include <iterator>
#include <utility>

#include <algorithm>

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
    for (QString path = QDir::cleanPath(QDir(folder).absolutePath()); !QFileInfo::exists(path); ++missing) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
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
    result.transferWritten = platform::appendToFile(transferPath, line, &created);
    if (result.transferWritten)
        remember(touchedTransfer_, transferPath, created ? 1 : 0);

    if (backupFolder.isEmpty())
        return result;
    const QDate day = today_();
    if (day != backupDay_ || backupFolder != backupFolder_) {
        backupDay_ = day;
        backupFolder_ = backupFolder;
        backupPath_ = backupFilePath(backupFolder, day);
    }
    // The year and month folders exist but for the first record of a month (or
    // of another backup folder): they are made when the append finds none.
    int newFolders = 0;
    result.backupWritten = platform::appendToFile(backupPath_, line, &created);
    if (!result.backupWritten) {
        const QString folder = QFileInfo(backupPath_).absolutePath();
        newFolders = missingFolders(folder);
        if (newFolders > 0 && QDir().mkpath(folder))
            result.backupWritten = platform::appendToFile(backupPath_, line, &created);
    }
    if (result.backupWritten)
        remember(touchedBackup_, backupPath_, created ? 1 + newFolders : 0);
    return result;
}

QDate currentDay()
{
    // Reading the local date asks the time zone each time; once a second is
    // plenty, and never past the coming midnight.
    thread_local QDate day;
    thread_local QElapsedTimer sinceRead;
    thread_local qint64 validMs = 0;
    if (!sinceRead.isValid() || sinceRead.elapsed() >= validMs) {
        const QDateTime now = QDateTime::currentDateTime();
        day = now.date();
        validMs = std::min<qint64>(1000, now.msecsTo(day.addDays(1).startOfDay()));
        sinceRead.start();
    }
    return day;
}

RecordWriter::FlushResult RecordWriter::flushTouched()
{
    FlushResult result;
    result.transferFlushed = flushAll(touchedTransfer_);
    result.backupFlushed = flushAll(touchedBackup_);
    return result;
}

void RecordWriter::forgetTouched()
{
    touchedTransfer_.clear();
    touchedBackup_.clear();
}

} // namespace ta::transfer
