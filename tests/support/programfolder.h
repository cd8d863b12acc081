#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

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
