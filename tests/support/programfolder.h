#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>

#include "qtprint.h"

// A temporary program folder with an Ayarlar folder, written byte for byte.
class ProgramFolder {
public:
    explicit ProgramFolder(bool withSettingsFolder = true);

    QString path() const { return dir_.path(); }
    QString settingsPath() const;
    QString filePath(const QString &relative) const;

    // Writes raw bytes to a file below the program folder (folders made as needed).
    void write(const QString &relative, const QByteArray &bytes) const;
    // Raw bytes of a file below the program folder; a null array when missing.
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;

    // Fills Ayarlar with all six files.
    void writeSettings(const QByteArray &aktar, const QByteArray &yedek, const QByteArray &saat,
                       const QByteArray &veriSil, const QByteArray &otomatik, const QByteArray &cihazlar) const;

private:
    QTemporaryDir dir_;
};

// Clears every write permission bit of a file: read-only for the program, also
// when it runs as root.
bool makeReadOnly(const QString &path);

// The ways a transfer file can be unwritable: a folder in its place, a
// read-only file (holding "kept\r\n"), a file in a missing folder. `path`
// prepares the case in a program folder and gives the path to use.
struct UnwritableFile {
    const char *name;
    std::function<QString(const ProgramFolder &)> path;
};
const QList<UnwritableFile> &unwritableFiles();
