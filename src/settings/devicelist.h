#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace ta::settings {

// One device row as the device list file keeps it: "ID:IP;G".
struct DeviceLine {
    QString id;
    QString ip;
    QString g;
    friend bool operator==(const DeviceLine &, const DeviceLine &) = default;
};

// The line text of a device row, cells as they stand.
QString deviceLineText(const QString &id, const QString &ip, const QString &g);

// Reads a device line by its separators: ID before the first ":", IP from there
// to the first ";" after it, G the one character after that ";". A line without
// ";" keeps its IP and has an empty G; a line without ":" has the text before
// ";" as its ID and an empty IP.
DeviceLine parseDeviceLine(const QString &line);

// CR LF, a lone CR and a lone LF each become CR LF.
QByteArray normaliseLineBreaks(const QByteArray &bytes);

// Splits CR LF separated text into lines; a final line break begins no further
// line, blank lines in between count, and an empty text has no lines.
QStringList splitLines(const QString &normalisedText);

} // namespace ta::settings
