#pragma once

#include "settings/devicelist.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace ta::settings {

inline const QString kAktarFile = QStringLiteral("Aktar.txt");
inline const QString kYedekFile = QStringLiteral("Yedek.txt");
inline const QString kSaatFile = QStringLiteral("Saat.txt");
inline const QString kVeriSilFile = QStringLiteral("VeriSil.txt");
inline const QString kOtomatikAktarFile = QStringLiteral("OtomatikAktar.txt");
inline const QString kCihazlarFile = QStringLiteral("Cihazlar.txt");
inline const QString kFolderName = QStringLiteral("Ayarlar");

// The Ayarlar folder beside the program. Loads throw ta::TextError with the
// operator's text; every save rewrites its whole file atomically (written beside
// it, flushed, renamed), so a crash never leaves half a file behind.
class SettingsFolder {
public:
    explicit SettingsFolder(QString folderPath);
    static SettingsFolder besideProgram(const QString &programDir);

    const QString &folderPath() const { return folder_; }
    QString filePath(const QString &fileName) const;

    // The whole text of a path file, trailing line breaks left out.
    QString loadPath(const QString &fileName) const;
    // The option's value, or nullopt when the first line is empty.
    std::optional<bool> loadOption(const QString &fileName) const;
    // Every line of the device list file, at most `maxRows`.
    QList<DeviceLine> loadDeviceList(int maxRows) const;

    void savePath(const QString &fileName, const QString &path) const;
    void saveOption(const QString &fileName, bool checked) const;
    void saveDeviceList(const QStringList &lines) const;

    // Reads a file's bytes; throws "Cannot open file ...".
    QByteArray readBytes(const QString &fileName) const;
    // Reads the normalised text of a file; throws "Cannot open file ...".
    QString readText(const QString &fileName) const;
    // Replaces a file's content; throws "Cannot create file ...".
    void writeBytes(const QString &fileName, const QByteArray &content) const;

private:
    QString folder_;
};

} // namespace ta::settings
