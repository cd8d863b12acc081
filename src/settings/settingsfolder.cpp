#include "settings/settingsfolder.h"

#include "platform/filesync.h"
#include "protocol/texterror.h"
#include "settings/cp1254.h"
#include "settings/filecontent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ta::settings {

SettingsFolder::SettingsFolder(QString folderPath) : folder_(std::move(folderPath)) {}

SettingsFolder SettingsFolder::besideProgram(const QString &programDir)
{
    return SettingsFolder(QDir(programDir).filePath(kFolderName));
}

QString SettingsFolder::filePath(const QString &fileName) const
{
    return QDir::toNativeSeparators(QDir(folder_).filePath(fileName));
}

QByteArray SettingsFolder::readBytes(const QString &fileName) const
{
    const QString path = filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TextError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    return file.readAll();
}

QString SettingsFolder::readText(const QString &fileName) const
{
    return settingsText(readBytes(fileName));
}

QString SettingsFolder::loadPath(const QString &fileName) const
{
    return pathFromBytes(readBytes(fileName));
}

std::optional<bool> SettingsFolder::loadOption(const QString &fileName) const
{
    return optionFromBytes(readBytes(fileName));
}

QList<DeviceLine> SettingsFolder::loadDeviceList(int maxRows) const
{
    return deviceListFromBytes(readBytes(kCihazlarFile), maxRows);
}

void SettingsFolder::writeBytes(const QString &fileName, const QByteArray &content) const
{
    const QString path = filePath(fileName);
    auto fail = [&path](const QString &reason) {
        throw TextError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
    };
    // A read-only file stays as it is, also for a user whom the system would let
    // replace it.
    if (platform::isReadOnlyFile(path))
        fail(QStringLiteral("Access denied"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    if (file.write(content) != content.size() || !file.flush() || !platform::syncToDisk(file))
        fail(file.errorString());
    if (!file.commit())
        fail(file.errorString());
}

void SettingsFolder::savePath(const QString &fileName, const QString &path) const
{
    writeBytes(fileName, toCp1254(path));
}

void SettingsFolder::saveOption(const QString &fileName, bool checked) const
{
    writeBytes(fileName, checked ? QByteArrayLiteral("-1") : QByteArrayLiteral("0"));
}

void SettingsFolder::saveDeviceList(const QStringList &lines) const
{
    QByteArray content;
    for (const QString &line : lines) {
        content += toCp1254(line);
        content += "\r\n";
    }
    writeBytes(kCihazlarFile, content);
}

} // namespace ta::settings
