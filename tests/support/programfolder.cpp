#include "programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

ProgramFolder::ProgramFolder(bool withSettingsFolder)
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    if (withSettingsFolder)
        QDir(dir_.path()).mkdir(QStringLiteral("Ayarlar"));
}

QString ProgramFolder::settingsPath() const
{
    return filePath(QStringLiteral("Ayarlar"));
}

QString ProgramFolder::filePath(const QString &relative) const
{
    return QDir(dir_.path()).filePath(relative);
}

void ProgramFolder::write(const QString &relative, const QByteArray &bytes) const
{
    const QString path = filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write a test file");
}

QByteArray ProgramFolder::read(const QString &relative) const
{
    QFile f(filePath(relative));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray bytes = f.readAll();
    if (bytes.isNull())
        bytes = QByteArray("");
    return bytes;
}

bool ProgramFolder::exists(const QString &relative) const
{
    return QFileInfo::exists(filePath(relative));
}

void ProgramFolder::writeSettings(const QByteArray &aktar, const QByteArray &yedek, const QByteArray &saat,
                                  const QByteArray &veriSil, const QByteArray &otomatik, const QByteArray &cihazlar) const
{
    write(QStringLiteral("Ayarlar/Aktar.txt"), aktar);
    write(QStringLiteral("Ayarlar/Yedek.txt"), yedek);
    write(QStringLiteral("Ayarlar/Saat.txt"), saat);
    write(QStringLiteral("Ayarlar/VeriSil.txt"), veriSil);
    write(QStringLiteral("Ayarlar/OtomatikAktar.txt"), otomatik);
    write(QStringLiteral("Ayarlar/Cihazlar.txt"), cihazlar);
}

bool makeReadOnly(const QString &path)
{
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

const QList<UnwritableFile> &unwritableFiles()
{
    static const QList<UnwritableFile> cases{
        {"a folder", [](const ProgramFolder &p) { return p.path(); }},
        {"read-only", [](const ProgramFolder &p) {
             p.write(QStringLiteral("aktar.txt"), "kept\r\n");
             const QString path = p.filePath(QStringLiteral("aktar.txt"));
             makeReadOnly(path);
             return path;
         }},
        {"in a missing folder", [](const ProgramFolder &p) { return p.filePath(QStringLiteral("gone/aktar.txt")); }},
    };
    return cases;
}
