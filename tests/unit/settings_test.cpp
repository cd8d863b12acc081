#include "programfolder.h"
#include "protocol/texterror.h"
#include "settings/cp1254.h"
#include "settings/devicelist.h"
#include "settings/settingsfolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace ta::settings;

TEST(Cp1254, TurkishLettersRoundTrip)
{
    const QString turkish = QStringLiteral("ğĞıİşŞçÇöÖüÜ Aktarım");
    const QByteArray bytes = toCp1254(turkish);
    EXPECT_EQ(bytes.size(), turkish.size());
    EXPECT_EQ(static_cast<unsigned char>(toCp1254(QStringLiteral("ş"))[0]), 0xFE);
    EXPECT_EQ(static_cast<unsigned char>(toCp1254(QStringLiteral("İ"))[0]), 0xDD);
    EXPECT_EQ(static_cast<unsigned char>(toCp1254(QStringLiteral("€"))[0]), 0x80);
    EXPECT_EQ(fromCp1254(bytes), turkish);
    EXPECT_EQ(toCp1254(QStringLiteral("日")), QByteArray("?"));
}

TEST(Cp1254, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toCp1254(fromCp1254(all)), all);
    // The bytes the code page leaves unassigned read as the code point of the same value.
    for (const int b : {0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E}) {
        EXPECT_EQ(fromCp1254(QByteArray(1, static_cast<char>(b))), QString(QChar(b))) << b;
        EXPECT_EQ(toCp1254(QString(QChar(b))), QByteArray(1, static_cast<char>(b))) << b;
    }
}

TEST(DeviceList, LinesReadBySeparators)
{
    struct Case {
        const char *line;
        DeviceLine expected;
    };
    const Case cases[] = {
        {"001:10.0.0.21;0", {QStringLiteral("001"), QStringLiteral("10.0.0.21"), QStringLiteral("0")}},
        {"002:10.0.0.22;1", {QStringLiteral("002"), QStringLiteral("10.0.0.22"), QStringLiteral("1")}},
        // A two-character ID keeps its address instead of losing its first digit.
        {"12:10.0.0.5;1", {QStringLiteral("12"), QStringLiteral("10.0.0.5"), QStringLiteral("1")}},
        {"003:10.0.0.9", {QStringLiteral("003"), QStringLiteral("10.0.0.9"), QString()}},
        {"004;1", {QStringLiteral("004"), QString(), QStringLiteral("1")}},
        {"005:10.0.0.1;", {QStringLiteral("005"), QStringLiteral("10.0.0.1"), QString()}},
        {"006:10.0.0.1;01", {QStringLiteral("006"), QStringLiteral("10.0.0.1"), QStringLiteral("0")}},
        {"", {}},
        {"abc", {QStringLiteral("abc"), QString(), QString()}},
        {":;", {QString(), QString(), QString()}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseDeviceLine(QString::fromLatin1(c.line)), c.expected) << c.line;

    // Every line the program writes loads back as it was.
    const QString ids[] = {QStringLiteral("001"), QStringLiteral("12"), QStringLiteral("1234"), QString()};
    for (const QString &id : ids) {
        const DeviceLine d{id, QStringLiteral("127.0.0.2"), QStringLiteral("1")};
        EXPECT_EQ(parseDeviceLine(deviceLineText(d.id, d.ip, d.g)), d) << id.toStdString();
    }
}

TEST(DeviceList, LineBreaksAndSplitting)
{
    EXPECT_EQ(normaliseLineBreaks("a\r\nb\rc\nd\r"), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
    EXPECT_EQ(normaliseLineBreaks("\n\r"), QByteArray("\r\n\r\n"));
    EXPECT_EQ(splitLines(QString()), QStringList());
    EXPECT_EQ(splitLines(QStringLiteral("a\r\n")), QStringList{QStringLiteral("a")});
    EXPECT_EQ(splitLines(QStringLiteral("a\r\n\r\nb")), (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(splitLines(QStringLiteral("\r\n")), QStringList{QString()});
}

class SettingsFolderTest : public ::testing::Test {
protected:
    ProgramFolder program;
    SettingsFolder folder{program.settingsPath()};
};

TEST_F(SettingsFolderTest, SavesByteForByte)
{
    folder.savePath(kAktarFile, QStringLiteral("C:\\Aktarım\\şube.txt"));
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Aktar.txt")), QByteArray("C:\\Aktar\xFDm\\\xFE" "ube.txt"));
    EXPECT_EQ(folder.loadPath(kAktarFile), QStringLiteral("C:\\Aktarım\\şube.txt"));

    folder.saveOption(kSaatFile, true);
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Saat.txt")), QByteArray("-1"));
    folder.saveOption(kSaatFile, false);
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Saat.txt")), QByteArray("0"));

    folder.saveDeviceList({QStringLiteral("001:10.0.0.21;0"), QStringLiteral("002:10.0.0.22;1")});
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), QByteArray("001:10.0.0.21;0\r\n002:10.0.0.22;1\r\n"));
    folder.saveDeviceList({});
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), QByteArray(""));
}

TEST_F(SettingsFolderTest, PathFilesLoseTrailingLineBreaks)
{
    const QByteArray contents[] = {"C:\\x.txt", "C:\\x.txt\r\n", "C:\\x.txt\n", "C:\\x.txt\r", "C:\\x.txt\r\n\r\n"};
    for (const QByteArray &c : contents) {
        program.write(QStringLiteral("Ayarlar/Aktar.txt"), c);
        EXPECT_EQ(folder.loadPath(kAktarFile), QStringLiteral("C:\\x.txt")) << c.toStdString();
    }
}

TEST_F(SettingsFolderTest, OptionsFirstLine)
{
    struct Case {
        QByteArray content;
        std::optional<bool> value;
    };
    const Case cases[] = {{"-1", true}, {"0", false}, {"1\r\n0", true}, {"False\nTrue", false},
                          {"", std::nullopt}, {"\r\n1", std::nullopt}, {"\n-1", std::nullopt}};
    for (const auto &c : cases) {
        program.write(QStringLiteral("Ayarlar/Saat.txt"), c.content);
        EXPECT_EQ(folder.loadOption(kSaatFile), c.value) << c.content.toStdString();
    }
    program.write(QStringLiteral("Ayarlar/Saat.txt"), "yes\r\n");
    try {
        folder.loadOption(kSaatFile);
        FAIL();
    } catch (const ta::TextError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("'yes' is not a valid boolean value"));
    }
}

TEST_F(SettingsFolderTest, DeviceListLoad)
{
    QByteArray many;
    for (int i = 1; i <= 120; ++i)
        many += QStringLiteral("%1:127.0.0.%2;0\r\n").arg(i, 3, 10, QLatin1Char('0')).arg(i).toLatin1();
    program.write(QStringLiteral("Ayarlar/Cihazlar.txt"), many);
    const auto rows = folder.loadDeviceList(99);
    ASSERT_EQ(rows.size(), 99);
    EXPECT_EQ(rows[98].id, QStringLiteral("099"));

    program.write(QStringLiteral("Ayarlar/Cihazlar.txt"), "001:10.0.0.21;0\n\n002:10.0.0.22;1");
    const auto gaps = folder.loadDeviceList(99);
    ASSERT_EQ(gaps.size(), 3);
    EXPECT_EQ(gaps[1], DeviceLine{});
    EXPECT_EQ(gaps[2].ip, QStringLiteral("10.0.0.22"));
}

TEST_F(SettingsFolderTest, MissingFileAndFolderMessages)
{
    try {
        folder.loadPath(kAktarFile);
        FAIL();
    } catch (const ta::TextError &e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(folder.filePath(kAktarFile))))
            << e.what();
    }
    SettingsFolder missing(program.filePath(QStringLiteral("nowhere")));
    try {
        missing.saveOption(kSaatFile, true);
        FAIL();
    } catch (const ta::TextError &e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(missing.filePath(kSaatFile))))
            << e.what();
    }
}

TEST_F(SettingsFolderTest, ReadOnlyFileKeepsItsContent)
{
    program.write(QStringLiteral("Ayarlar/Saat.txt"), "0");
    const QString path = folder.filePath(kSaatFile);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_THROW(folder.saveOption(kSaatFile, true), ta::TextError);
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Saat.txt")), QByteArray("0"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    folder.saveOption(kSaatFile, true);
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Saat.txt")), QByteArray("-1"));
}
