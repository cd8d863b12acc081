#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// One record a simulated terminal stores.
struct SimRecord {
    std::int32_t record_no = 0;
    std::uint64_t data = 0; // 40 bits
    QDateTime time;         // by the terminal's clock, years 2000 to 2255
    std::uint8_t reader_index = 0;

    // The 28 bytes of the record in a cmdRecordsReply.
    QByteArray encode() const;
    // As the report shows it: record_no, data, and the time as the transfer
    // line writes it ("2024/12/09 08:05:03").
    QJsonObject toJson() const;
};

// `count` records numbered 1 to count; every field is derived from the
// terminal's index and the record's number, with valid time stamps.
QList<SimRecord> generatedRecords(int terminalIndex, int count);

// Records from a text file, one "record_no,data,yyyy/MM/dd HH:mm:ss" a line;
// blank lines and lines starting with '#' are skipped. nullopt and `error` set
// when the file cannot be read or a line is malformed.
std::optional<QList<SimRecord>> recordsFromFile(const QString &path, QString *error);
