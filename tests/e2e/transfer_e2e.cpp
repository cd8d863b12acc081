#include "apprun.h"
#include "panelsim.h"
#include "programfolder.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Three terminals with records and one address with nothing listening.
const QByteArray kDevices = "001:127.0.0.2;0\r\n002:127.0.0.3;1\r\n003:127.0.0.4;0\r\n004:127.0.0.5;1\r\n";
const char *const kAddresses[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4"};

// Terminal 3's records, read from a file: record numbers and values at the
// edges of their cell and line forms.
const QByteArray kRecordsFile = "12,1234567,2024/12/09 08:05:03\n"
                                "123456,4294967296,2024/12/31 23:59:59\n"
                                "-7,0,2025/01/01 00:00:00\n"
                                "99999,1099511627775,2005/02/01 00:00:00\n";
const QByteArray kRecordsFileLines = "003,0001234567,0,2024/12/09 08:05:03\r\n"
                                     "003,4294967296,0,2024/12/31 23:59:59\r\n"
                                     "003,0000000000,0,2025/01/01 00:00:00\r\n"
                                     "003,1099511627775,0,2005/02/01 00:00:00\r\n";

// Terminal 2 answers in pieces, terminal 3's clock is an hour off.
QStringList threeTerminals(const ProgramFolder &program)
{
    program.write(QStringLiteral("records3.txt"), kRecordsFile);
    return {QStringLiteral("--terminal"), QStringLiteral("127.0.0.2,records=13"),
            QStringLiteral("--terminal"), QStringLiteral("127.0.0.3,records=7,split=9"),
            QStringLiteral("--terminal"),
            QStringLiteral("127.0.0.4,clock-offset=3600,records-file=") + program.filePath(QStringLiteral("records3.txt"))};
}

QString backupRelative()
{
    const QDate today = QDate::currentDate();
    return QStringLiteral("yedek/%1/%2/Backups.TXT").arg(today.year()).arg(today.month(), 2, 10, QLatin1Char('0'));
}

void writeSettings(const ProgramFolder &program, const QByteArray &aktar, const QByteArray &cihazlar)
{
    program.writeSettings(aktar, program.filePath(QStringLiteral("yedek")).toUtf8(), "-1", "-1", "-1", cihazlar);
}

QList<int> pullFlags(const QJsonObject &terminal)
{
    return ints(terminal[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag"));
}

// The grid writes of one cell, in order.
QStringList cellWrites(const QStringList &writes, int row, int column)
{
    QStringList out;
    const QString prefix = QStringLiteral("%1 %2 ").arg(row).arg(column);
    for (const QString &w : writes)
        if (w.startsWith(prefix))
            out << w.mid(prefix.size());
    return out;
}

constexpr int kDurum = 3;
constexpr int kKayit = 4;

} // namespace

TEST(TransferRun, AutomaticRunPullsEverythingDeletesItAndExits)
{
    ProgramFolder program;
    PanelSim panel(threeTerminals(program));
    writeSettings(program, program.filePath(QStringLiteral("aktar.txt")).toUtf8(),
                  "001:127.0.0.2;0\r\n\r\n002:127.0.0.3;1\r\n003:127.0.0.4;0\r\n004:127.0.0.5;1\r\n");
    AppRun app(program);
    ASSERT_TRUE(app.waitForExit(60000)) << app.standardError().toStdString();
    const QDateTime ended = QDateTime::currentDateTime();
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_TRUE(app.dialogs().isEmpty()) << app.standardError().toStdString();
    panel.stop();

    // Every record once, in the terminals' and the records' order, in the
    // transfer file and in today's backup file, and nothing left on a terminal.
    QByteArray expected;
    const char *ids[] = {"001", "002"};
    const char *gs[] = {"0", "1"};
    for (int t = 0; t < 2; ++t) {
        for (const auto &r : panel.terminal(QLatin1String(kAddresses[t]))[QStringLiteral("records")].toArray()) {
            const QJsonObject rec = r.toObject();
            expected += QByteArray(ids[t]) + ','
                + QByteArray::number(qint64(rec[QStringLiteral("data")].toDouble())).rightJustified(10, '0') + ',' + gs[t]
                + ',' + rec[QStringLiteral("time")].toString().toLatin1() + "\r\n";
        }
    }
    expected += kRecordsFileLines;
    EXPECT_EQ(expected.count('\n'), 13 + 7 + 4);
    EXPECT_EQ(program.read(QStringLiteral("aktar.txt")), expected);
    EXPECT_EQ(program.read(backupRelative()), expected);
    // The blank line closed up; the unreachable terminal stays in the list.
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), kDevices);

    // The requests each terminal saw: 0 first, then 2 until a reply carries none.
    const QList<QList<int>> flags{{0, 2, 2, 2}, {0, 2, 2}, {0, 2}};
    for (int t = 0; t < 3; ++t) {
        const QJsonObject terminal = panel.terminal(QLatin1String(kAddresses[t]));
        EXPECT_EQ(pullFlags(terminal), flags[t]) << kAddresses[t];
        EXPECT_TRUE(terminal[QStringLiteral("stored")].toArray().isEmpty()) << kAddresses[t];
        EXPECT_EQ(terminal[QStringLiteral("deleted")].toArray().size(), terminal[QStringLiteral("records")].toArray().size());
    }

    // The clock that was an hour off was set from the PC clock, the others were left alone.
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.2"))[QStringLiteral("clock_frames")].toArray().size(), 1);
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.3"))[QStringLiteral("clock_frames")].toArray().size(), 1);
    const QJsonArray clock = panel.terminal(QStringLiteral("127.0.0.4"))[QStringLiteral("clock_frames")].toArray();
    ASSERT_EQ(clock.size(), 2);
    EXPECT_EQ(clock[0].toObject()[QStringLiteral("command")].toString(), QStringLiteral("get_time"));
    const QJsonObject set = clock[1].toObject();
    EXPECT_EQ(set[QStringLiteral("command")].toString(), QStringLiteral("set_time"));
    EXPECT_TRUE(set[QStringLiteral("bytes")].toString().startsWith(QStringLiteral("55 55 cc cc 64 0d ")));
    const QDateTime setTo = QDateTime::fromString(set[QStringLiteral("time")].toString(), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    ASSERT_TRUE(setTo.isValid());
    EXPECT_LE(setTo.secsTo(ended), 60);
    EXPECT_GE(setTo.secsTo(ended), -1);
    EXPECT_EQ(set[QStringLiteral("weekday")].toInt(), setTo.date().dayOfWeek() % 7 + 1);

    // "Durum" and "Kayıt" as the run wrote them (row 2 is the blank line).
    const QStringList writes = app.gridWrites();
    for (const int row : {1, 3, 4})
        EXPECT_EQ(cellWrites(writes, row, kDurum), QStringList{QStringLiteral("Bağlandı")}) << row;
    EXPECT_EQ(cellWrites(writes, 5, kDurum), QStringList{QStringLiteral("Bağlanamadı")});
    EXPECT_TRUE(cellWrites(writes, 2, kDurum).isEmpty());
    EXPECT_TRUE(cellWrites(writes, 5, kKayit).isEmpty());
    EXPECT_EQ(cellWrites(writes, 1, kKayit).size(), 13);
    EXPECT_EQ(cellWrites(writes, 1, kKayit).first(), QStringLiteral("00001/00013"));
    EXPECT_EQ(cellWrites(writes, 3, kKayit).last(), QStringLiteral("00007/00007"));
    EXPECT_EQ(cellWrites(writes, 4, kKayit),
              (QStringList{QStringLiteral("00012/00004"), QStringLiteral("123456/00004"), QStringLiteral("-00007/00004"),
                           QStringLiteral("99999/00004")}));
}

TEST(TransferRun, UnwritableTransferFileLeavesEveryRecordOnTheTerminals)
{
    // With deletion on, no terminal may delete a record that is not in the
    // transfer file. The program runs as whoever runs the tests, root included.
    struct Case {
        const char *name;
        std::function<QString(const ProgramFolder &)> transferPath;
    };
    const Case cases[] = {
        {"a folder", [](const ProgramFolder &p) { return p.path(); }},
        {"read-only", [](const ProgramFolder &p) {
             p.write(QStringLiteral("aktar.txt"), "kept\r\n");
             const QString path = p.filePath(QStringLiteral("aktar.txt"));
             QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
             return path;
         }},
        {"in a missing folder", [](const ProgramFolder &p) { return p.filePath(QStringLiteral("gone/aktar.txt")); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder program;
        PanelSim panel(threeTerminals(program));
        writeSettings(program, c.transferPath(program).toUtf8(), kDevices);
        AppRun app(program);
        ASSERT_TRUE(app.waitForExit(60000)) << app.standardError().toStdString();
        EXPECT_TRUE(app.dialogs().isEmpty()) << app.standardError().toStdString();
        panel.stop();
        for (int t = 0; t < 3; ++t) {
            const QJsonObject terminal = panel.terminal(QLatin1String(kAddresses[t]));
            EXPECT_TRUE(terminal[QStringLiteral("deleted")].toArray().isEmpty()) << kAddresses[t];
            EXPECT_EQ(terminal[QStringLiteral("stored")].toArray().size(), terminal[QStringLiteral("records")].toArray().size());
            EXPECT_EQ(pullFlags(terminal), QList<int>{0});
            EXPECT_EQ(cellWrites(app.gridWrites(), t + 1, kDurum), (QStringList{QStringLiteral("Bağlandı"), QStringLiteral("Yazma Hatası")}));
        }
        if (QLatin1String(c.name) == QLatin1String("read-only")) {
            EXPECT_EQ(program.read(QStringLiteral("aktar.txt")), QByteArray("kept\r\n"));
        }
        // The device list is saved: the run itself completed.
        EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), kDevices);
    }
}

TEST(TransferRun, IdThatIsNoIntegerStopsTheRunAndKeepsTheWindowOpen)
{
    ProgramFolder program;
    PanelSim panel(threeTerminals(program));
    const QByteArray devices = "001:127.0.0.2;0\r\nab1:127.0.0.3;1\r\n003:127.0.0.4;0\r\n";
    writeSettings(program, program.filePath(QStringLiteral("aktar.txt")).toUtf8(), devices);
    AppRun app(program);
    ASSERT_TRUE(waitUntil([&] { return !app.dialogs().isEmpty(); }, 60000)) << app.standardError().toStdString();
    EXPECT_EQ(app.dialogs(), QStringList{QStringLiteral("error: 'ab1' is not a valid integer value.")});
    EXPECT_TRUE(app.running());
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), devices); // not saved
    // Nothing of the bad row was written; the first row's records are all there.
    EXPECT_EQ(program.read(QStringLiteral("aktar.txt")).count('\n'), 13);
    panel.stop(); // while the program is still open: no connection was left behind
    app.kill();
    EXPECT_TRUE(panel.terminal(QStringLiteral("127.0.0.2"))[QStringLiteral("stored")].toArray().isEmpty());
    const QJsonObject bad = panel.terminal(QStringLiteral("127.0.0.3"));
    EXPECT_EQ(bad[QStringLiteral("stored")].toArray().size(), 7);
    EXPECT_EQ(bad[QStringLiteral("connections")].toInt(), 1);
    EXPECT_EQ(bad[QStringLiteral("open_connections")].toInt(), 0);
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.4"))[QStringLiteral("connections")].toInt(), 0);
}
