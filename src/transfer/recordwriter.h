#pragma once

#include "protocol/logentry.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace ta::transfer {

// A signed number in decimal with at least `digits` digits, zero-padded, the
// minus sign ahead of the padding: (-7, 5) gives -00007.
QString paddedNumber(std::int64_t value, int digits);

// The "Kayıt" cell: record_no and record_total, "00012/00345".
QString kayitText(std::int32_t recordNo, std::int32_t recordTotal);

// The transfer line with its CR LF, "005,0001234567,0,2024/12/09 08:05:03".
// Throws ta::TextError("'%s' is not a valid integer value") for an ID text that
// is no integer.
QByteArray transferLine(const QString &idText, const QString &gText, std::uint64_t data,
                        const protocol::PanelTime &time);

// The backup file of a day below the backup folder: B/yyyy/mm/Backups.TXT.
QString backupFilePath(const QString &backupFolder, const QDate &day);

// The PC's current local date, read from the system at most once a second and
// never across midnight.
QDate currentDay();

// What happened to one record's two writes.
struct StoreResult {
    bool transferWritten = false;
    bool backupWritten = false;
};

// The record writer: each record is appended to the transfer file and to the
// day's backup file, each with its own open, append and close. It remembers
// the files touched since the last flushTouched(), so that they can be pushed
// through to the disk before the terminal is told to delete what it sent.
class RecordWriter {
public:
    // `today` gives the PC's current date (for the backup folder).
    explicit RecordWriter(std::function<QDate()> today = &currentDay);

    // Throws only for an ID text that is no integer, before any file is touched.
    StoreResult StoreRecord(const QString &transferPath, const QString &backupFolder, const QString &idText,
                            const QString &gText, std::uint64_t data, const protocol::PanelTime &time);

    struct FlushResult {
        bool transferFlushed = true;
        bool backupFlushed = true;
    };
    // Flushes every file written since the last call to the disk.
    FlushResult flushTouched();
    // Forgets the files written so far without flushing them: a new
    // connection's flush protects only what is written on that connection.
    void forgetTouched();

    // A file written since the last flush, and how many folder entries on its
    // way up were made for it (its own included) and must reach the disk too.
    struct Touched {
        QString path;
        int newFolders = 0;
    };

private:
    std::function<QDate()> today_;
    // The backup file of the last record, kept while day and folder stay.
    QDate backupDay_;
    QString backupFolder_;
    QString backupPath_;
    QList<Touched> touchedTransfer_;
    QList<Touched> touchedBackup_;
};

} // namespace ta::transfer
