#include "apprun.h"
#include "panelsim.h"
#include "programfolder.h"

#include <QDate>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// Three terminals with records and one address with nothing listening.
const QByteArray kDevices = "001:127.0.0.2;0\r\n002:127.0.0.3;1\r\n003:127.0.0.4;0\r\n004:127.0.0.5;1\r\n";

QStringList threeTerminals()
{
    return {QStringLiteral("--terminal"), QStringLiteral("127.0.0.2,records=13"),
            QStringLiteral("--terminal"), QStringLiteral("127.0.0.3,records=7,split=9"),
            QStringLiteral("--terminal"), QStringLiteral("127.0.0.4,records=20,clock-offset=3600")};
}

QString backupRelative()
{
    const QDate today = QDate::currentDate();
    return QStringLiteral("yedek/%1/%2/Backups.TXT").arg(today.year()).arg(today.month(), 2, 10, QLatin1Char('0'));
}

void writeSettings(const ProgramFolder &program, const QByteArray &veriSil, const QByteArray &cihazlar)
{
    program.writeSettings(program.filePath(QStringLiteral("aktar.txt")).toUtf8(), program.filePath(QStringLiteral("yedek")).toUtf8(),
                          "-1", veriSil, "-1", cihazlar);
}

} // namespace

TEST(TransferRun, AutomaticRunPullsEverythingDeletesItAndExits)
{
    PanelSim panel(threeTerminals());
    ProgramFolder program;
    writeSettings(program, "-1", "001:127.0.0.2;0\r\n\r\n002:127.0.0.3;1\r\n003:127.0.0.4;0\r\n004:127.0.0.5;1\r\n");
    AppRun app(program);
    ASSERT_TRUE(app.waitForExit(60000)) << app.standardError().toStdString();
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_TRUE(app.dialogs().isEmpty()) << app.standardError().toStdString();
    panel.stop();

    // Nothing lost: every record a terminal deleted is a line of the transfer
    // file and of the backup file, and the terminals keep nothing.
    const QByteArray transfer = program.read(QStringLiteral("aktar.txt"));
    QSet<QByteArray> lines;
    for (const QByteArray &l : transfer.split('\n'))
        if (!l.isEmpty())
            lines.insert(l);
    int deleted = 0;
    const char *ids[] = {"001", "002", "003"};
    const char *gs[] = {"0", "1", "0"};
    const char *addresses[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4"};
    for (int t = 0; t < 3; ++t) {
        const QJsonObject terminal = panel.terminal(QLatin1String(addresses[t]));
        EXPECT_TRUE(terminal[QStringLiteral("stored")].toArray().isEmpty()) << addresses[t];
        const QList<int> flags = ints(terminal[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag"));
        ASSERT_FALSE(flags.isEmpty());
        EXPECT_EQ(flags.first(), 0);
        EXPECT_EQ(flags.count(2), flags.size() - 1);
        const QList<int> deletedNos = ints(terminal[QStringLiteral("deleted")].toArray());
        deleted += deletedNos.size();
        for (const auto &r : terminal[QStringLiteral("records")].toArray()) {
            const QJsonObject rec = r.toObject();
            EXPECT_TRUE(deletedNos.contains(rec[QStringLiteral("record_no")].toInt()));
            const QByteArray line = QByteArray(ids[t]) + ',' + QByteArray::number(qint64(rec[QStringLiteral("data")].toDouble())).rightJustified(10, '0')
                + ',' + gs[t] + ',' + rec[QStringLiteral("time")].toString().toLatin1() + '\r';
            EXPECT_TRUE(lines.contains(line)) << line.toStdString();
        }
    }
    EXPECT_EQ(deleted, 40);
    EXPECT_EQ(lines.size(), 40);
    EXPECT_EQ(program.read(backupRelative()), transfer);
    // The clock that was an hour off was set, the others were left alone.
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.4"))[QStringLiteral("clock_frames")].toArray().size(), 2);
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.2"))[QStringLiteral("clock_frames")].toArray().size(), 1);
    // The blank line closed up; the unreachable terminal stays in the list.
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), kDevices);
}

TEST(TransferRun, UnwritableTransferFileLeavesEveryRecordOnTheTerminals)
{
    PanelSim panel(threeTerminals());
    ProgramFolder program;
    program.writeSettings(program.path().toUtf8(), program.filePath(QStringLiteral("yedek")).toUtf8(), "0", "-1", "-1", kDevices);
    AppRun app(program);
    ASSERT_TRUE(app.waitForExit(60000)) << app.standardError().toStdString();
    panel.stop();
    for (const char *address : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
        const QJsonObject terminal = panel.terminal(QLatin1String(address));
        EXPECT_TRUE(terminal[QStringLiteral("deleted")].toArray().isEmpty()) << address;
        EXPECT_EQ(terminal[QStringLiteral("stored")].toArray().size(), terminal[QStringLiteral("records")].toArray().size());
        EXPECT_EQ(ints(terminal[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), QList<int>{0});
    }
}

TEST(TransferRun, IdThatIsNoIntegerStopsTheRunAndKeepsTheWindowOpen)
{
    PanelSim panel(threeTerminals());
    ProgramFolder program;
    const QByteArray devices = "001:127.0.0.2;0\r\nab1:127.0.0.3;1\r\n003:127.0.0.4;0\r\n";
    writeSettings(program, "-1", devices);
    AppRun app(program);
    ASSERT_TRUE(waitUntil([&] { return !app.dialogs().isEmpty(); }, 60000)) << app.standardError().toStdString();
    EXPECT_EQ(app.dialogs(), QStringList{QStringLiteral("error: 'ab1' is not a valid integer value.")});
    EXPECT_TRUE(app.running());
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/Cihazlar.txt")), devices); // not saved
    app.kill();
    panel.stop();
    EXPECT_TRUE(panel.terminal(QStringLiteral("127.0.0.2"))[QStringLiteral("stored")].toArray().isEmpty());
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.3"))[QStringLiteral("stored")].toArray().size(), 7);
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.4"))[QStringLiteral("connections")].toInt(), 0);
}
