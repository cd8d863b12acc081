#include "panelsim.h"
#include "programfolder.h"
#include "protocol/texterror.h"
#include "transfer/clocksync.h"
#include "transfer/recordwriter.h"
#include "transfer/transferrun.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace ta::transfer;
using ta::protocol::PanelTime;

namespace {

// The grid, the two paths and the options, as a window would hold them.
class FakeHost final : public TransferHost {
public:
    FakeHost() : grid(100, QList<QString>(5)) {}

    int rowCount() const override { return static_cast<int>(grid.size()); }
    QString cell(int row, int column) const override { return grid[row][column]; }
    void setCell(int row, int column, const QString &text) override { grid[row][column] = text; }
    QString transferPath() const override { return aktar; }
    QString backupFolder() const override { return yedek; }
    bool syncClocks() const override { return saat; }
    bool deleteAfterPull() const override { return veriSil; }
    void pump() override
    {
        ++pumps;
        if (onPump)
            onPump(*this);
    }
    void setClockText(const QString &text) override { clockText = text; }

    void device(int row, const QString &id, const QString &ip, const QString &g)
    {
        setCell(row, ColId, id);
        setCell(row, ColIp, ip);
        setCell(row, ColG, g);
    }

    QList<QList<QString>> grid;
    QString aktar, yedek;
    bool saat = false, veriSil = true;
    int pumps = 0;
    QString clockText;
    std::function<void(FakeHost &)> onPump;
};

const QDateTime kPcNow(QDate(2025, 1, 2), QTime(10, 20, 30));

class TransferRunTest : public ::testing::Test {
protected:
    TransferRunTest()
    {
        host.aktar = program.filePath(QStringLiteral("aktar.txt"));
        host.yedek = program.filePath(QStringLiteral("yedek"));
        options.port = port;
        options.limits = {2000, 2000};
        options.now = [] { return QDateTime::currentDateTime(); };
    }
    RunResult run() { return TransferRun(host, options).run(); }
    QList<QByteArray> transferLines() const { return lines(program.read(QStringLiteral("aktar.txt"))); }
    QList<QByteArray> backupLines() const
    {
        return lines(program.read(QStringLiteral("yedek/") + backupFilePath(QString(), QDate::currentDate()).mid(2)));
    }
    static QList<QByteArray> lines(const QByteArray &bytes)
    {
        QList<QByteArray> out = bytes.split('\n');
        if (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        return out;
    }
    QStringList sim(const QString &terminal, const QStringList &more = {}) const
    {
        return QStringList{QStringLiteral("--port"), QString::number(port), QStringLiteral("--terminal"), terminal} + more;
    }

    ProgramFolder program;
    FakeHost host;
    quint16 port = freePort();
    TransferOptions options;
};

} // namespace

TEST(TransferTexts, KayitCell)
{
    EXPECT_EQ(kayitText(12, 345), QStringLiteral("00012/00345"));
    EXPECT_EQ(kayitText(123456, 345), QStringLiteral("123456/00345"));
    EXPECT_EQ(kayitText(-7, 345), QStringLiteral("-00007/00345"));
    EXPECT_EQ(kayitText(INT32_MIN, 0), QStringLiteral("-2147483648/00000"));
}

TEST(TransferTexts, TransferLine)
{
    const PanelTime t{9, 12, 24, 8, 5, 3};
    EXPECT_EQ(transferLine(QStringLiteral("5"), QStringLiteral("0"), 1234567, t), QByteArray("005,0001234567,0,2024/12/09 08:05:03\r\n"));
    EXPECT_EQ(transferLine(QStringLiteral("1234"), QStringLiteral("1"), 0, t).left(17), QByteArray("1234,0000000000,1"));
    EXPECT_EQ(transferLine(QStringLiteral("-7"), QStringLiteral("0"), 0, t).left(4), QByteArray("-007"));
    EXPECT_EQ(transferLine(QStringLiteral("$10"), QStringLiteral("0"), (std::uint64_t(1) << 40) - 1, t).left(18),
              QByteArray("016,1099511627775,"));
    EXPECT_EQ(transferLine(QStringLiteral("1"), QStringLiteral("Ç"), 4294967296, PanelTime{1, 2, 5, 0, 0, 0}),
              QByteArray("001,4294967296,\xC7,2005/02/01 00:00:00\r\n"));
    EXPECT_TRUE(transferLine(QStringLiteral("1"), QStringLiteral("0"), 1, PanelTime{1, 1, 100, 0, 0, 0}).contains(",20100/01/01 "));
    try {
        transferLine(QStringLiteral("abc"), QStringLiteral("0"), 1, t);
        FAIL() << "no error";
    } catch (const ta::TextError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("'abc' is not a valid integer value"));
    }
}

TEST(TransferTexts, BackupPathFollowsThePcDate)
{
    EXPECT_EQ(backupFilePath(QStringLiteral("/b"), QDate(2025, 1, 2)), QStringLiteral("/b/2025/01/Backups.TXT"));
    EXPECT_EQ(backupFilePath(QStringLiteral("/b/"), QDate(2024, 12, 31)), QStringLiteral("/b/2024/12/Backups.TXT"));
}

TEST(ClockCheck, TextDecisionAndSetFrame)
{
    const QByteArray reply = QByteArray::fromHex("5555cccca30d090c1802101921");
    EXPECT_EQ(clockText(reply), QStringLiteral("Time: 9/12/24 16:25:33"));
    const QDateTime terminal(QDate(2024, 12, 9), QTime(16, 25, 33));
    EXPECT_FALSE(clockNeedsSetting(reply, terminal));
    EXPECT_FALSE(clockNeedsSetting(reply, terminal.addSecs(2)));
    EXPECT_FALSE(clockNeedsSetting(reply, terminal.addSecs(-2)));
    EXPECT_TRUE(clockNeedsSetting(reply, terminal.addSecs(3)));
    EXPECT_TRUE(clockNeedsSetting(reply, terminal.addSecs(-3)));
    EXPECT_TRUE(clockNeedsSetting(QByteArray::fromHex("5555cccca30d1f0d1802101921"), terminal)); // month 13
    EXPECT_TRUE(clockNeedsSetting(QByteArray::fromHex("5555cccca30d1f021802101921"), terminal)); // 31 February

    // The year byte is the year's last two digits.
    struct Case {
        QDateTime pc;
        const char *frame;
    };
    const Case cases[] = {
        {QDateTime(QDate(2025, 6, 1), QTime(7, 8, 9)), "5555cccc640d01061901070809"},
        {QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)), "5555cccc640d01010007000000"},
        {QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0)), "5555cccc640d01010006000000"},
        {QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)), "5555cccc640d1f0c6306173b3b"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(setTimeFrame(c.pc), QByteArray::fromHex(c.frame)) << c.frame;
}

TEST(RecordWriterTest, CreatesFoldersAndReportsEachWrite)
{
    ProgramFolder program;
    RecordWriter writer([] { return QDate(2025, 1, 2); });
    const QString aktar = program.filePath(QStringLiteral("aktar.txt"));
    const QString yedek = program.filePath(QStringLiteral("b/c"));
    program.write(QStringLiteral("aktar.txt"), "old"); // no line break at its end
    StoreResult r = writer.StoreRecord(aktar, yedek, QStringLiteral("5"), QStringLiteral("0"), 1234567, PanelTime{9, 12, 24, 8, 5, 3});
    EXPECT_TRUE(r.transferWritten);
    EXPECT_TRUE(r.backupWritten);
    EXPECT_EQ(program.read(QStringLiteral("aktar.txt")), QByteArray("old005,0001234567,0,2024/12/09 08:05:03\r\n"));
    EXPECT_EQ(program.read(QStringLiteral("b/c/2025/01/Backups.TXT")), QByteArray("005,0001234567,0,2024/12/09 08:05:03\r\n"));
    const auto flushed = writer.flushTouched();
    EXPECT_TRUE(flushed.transferFlushed && flushed.backupFlushed);

    // A transfer path that is a folder: the backup still gets the line.
    r = writer.StoreRecord(program.path(), yedek, QStringLiteral("5"), QStringLiteral("0"), 1, PanelTime{9, 12, 24, 8, 5, 3});
    EXPECT_FALSE(r.transferWritten);
    EXPECT_TRUE(r.backupWritten);
    // A backup folder below a file: the transfer file still gets the line.
    r = writer.StoreRecord(aktar, program.filePath(QStringLiteral("aktar.txt/x")), QStringLiteral("5"), QStringLiteral("0"), 1,
                           PanelTime{9, 12, 24, 8, 5, 3});
    EXPECT_TRUE(r.transferWritten);
    EXPECT_FALSE(r.backupWritten);
    EXPECT_THROW(writer.StoreRecord(aktar, yedek, QStringLiteral("x"), QStringLiteral("0"), 1, PanelTime{}), ta::TextError);
    EXPECT_EQ(program.read(QStringLiteral("aktar.txt")).count('\n'), 2); // nothing of the bad ID was written
}

TEST(RecordWriterTest, ReadOnlyFileIsNotWrittenEvenWhereTheSystemWouldAllowIt)
{
    ProgramFolder program;
    RecordWriter writer([] { return QDate(2025, 1, 2); });
    program.write(QStringLiteral("aktar.txt"), "old\r\n");
    const QString aktar = program.filePath(QStringLiteral("aktar.txt"));
    ASSERT_TRUE(makeReadOnly(aktar));
    const StoreResult r = writer.StoreRecord(aktar, program.filePath(QStringLiteral("b")), QStringLiteral("5"),
                                             QStringLiteral("0"), 1, PanelTime{9, 12, 24, 8, 5, 3});
    EXPECT_FALSE(r.transferWritten);
    EXPECT_TRUE(r.backupWritten);
    EXPECT_EQ(program.read(QStringLiteral("aktar.txt")), QByteArray("old\r\n"));
}

TEST(RecordWriterTest, FlushFailsForAFileThatHasGoneAndDoesNotMakeItAgain)
{
    struct Case {
        const char *name;
        bool removeTransfer;
        bool removeBackup;
    };
    for (const Case c : {Case{"transfer file gone", true, false}, Case{"backup file gone", false, true}}) {
        ProgramFolder program;
        RecordWriter writer([] { return QDate(2025, 1, 2); });
        const QString aktar = program.filePath(QStringLiteral("aktar.txt"));
        const QString backup = program.filePath(QStringLiteral("b/2025/01/Backups.TXT"));
        writer.StoreRecord(aktar, program.filePath(QStringLiteral("b")), QStringLiteral("5"), QStringLiteral("0"), 1,
                           PanelTime{9, 12, 24, 8, 5, 3});
        if (c.removeTransfer) {
            ASSERT_TRUE(QFile::remove(aktar));
        }
        if (c.removeBackup) {
            ASSERT_TRUE(QFile::remove(backup));
        }
        const auto flushed = writer.flushTouched();
        EXPECT_EQ(flushed.transferFlushed, !c.removeTransfer) << c.name;
        EXPECT_EQ(flushed.backupFlushed, !c.removeBackup) << c.name;
        EXPECT_EQ(QFile::exists(aktar), !c.removeTransfer) << c.name;
        EXPECT_EQ(QFile::exists(backup), !c.removeBackup) << c.name;
        // Flushed files are forgotten: the next flush has nothing to do.
        const auto again = writer.flushTouched();
        EXPECT_TRUE(again.transferFlushed && again.backupFlushed) << c.name;
    }
}

TEST_F(TransferRunTest, DeletionOnPullsEverythingAndDeletesIt)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=13")));
    host.device(1, QStringLiteral("005"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    host.setCell(3, ColId, QStringLiteral("009")); // no IP: skipped, not in the device list
    const RunResult result = run();
    ASSERT_EQ(result.status, RunResult::Completed);
    EXPECT_EQ(result.deviceLines, QStringList{QStringLiteral("005:127.0.0.2;0")});
    EXPECT_EQ(host.cell(1, ColDurum), kConnected);
    EXPECT_EQ(host.cell(1, ColKayit), QStringLiteral("00013/00013"));
    panel.stop();
    const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), (QList<int>{0, 2, 2, 2}));
    EXPECT_EQ(ints(t[QStringLiteral("deleted")].toArray()).size(), 13);
    EXPECT_TRUE(t[QStringLiteral("stored")].toArray().isEmpty());
    const auto lines = transferLines();
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines[0], QByteArray("005,0001000007,0,2024/12/09 08:01:01\r"));
    EXPECT_EQ(backupLines(), lines);
}

TEST_F(TransferRunTest, DeletionOffLeavesTheRecords)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=13")));
    host.veriSil = false;
    host.device(1, QStringLiteral("005"), QStringLiteral("127.0.0.2"), QStringLiteral("1"));
    ASSERT_EQ(run().status, RunResult::Completed);
    panel.stop();
    const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), (QList<int>{0, 1, 1, 1}));
    EXPECT_EQ(t[QStringLiteral("stored")].toArray().size(), 13);
    EXPECT_EQ(transferLines().size(), 13);
}

TEST_F(TransferRunTest, DeletionSwitchedOnDuringThePullAppliesToTheNextRequest)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=13")));
    host.veriSil = false;
    host.onPump = [](FakeHost &h) {
        if (h.pumps == 2) // the first record of the first reply, inside the pull
            h.veriSil = true;
    };
    host.device(1, QStringLiteral("005"), QStringLiteral("127.0.0.2"), QStringLiteral("1"));
    ASSERT_EQ(run().status, RunResult::Completed);
    panel.stop();
    EXPECT_EQ(ints(panel.terminal(QStringLiteral("127.0.0.2"))[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")),
              (QList<int>{0, 2, 2, 2}));
}

TEST_F(TransferRunTest, FilesOfAnEarlierTerminalTakenAwayDoNotStopALaterPull)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=3"), {QStringLiteral("--terminal"), QStringLiteral("127.0.0.3,records=4")}));
    host.veriSil = false;
    host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    host.device(2, QStringLiteral("2"), QStringLiteral("127.0.0.3"), QStringLiteral("0"));
    bool taken = false;
    // Once the second terminal is connected, the importing application has
    // taken the first transfer file, and the operator has picked another file
    // and switched deletion on.
    host.onPump = [&](FakeHost &h) {
        if (taken || h.cell(2, ColDurum) != kConnected)
            return;
        taken = true;
        ASSERT_TRUE(QFile::rename(h.aktar, program.filePath(QStringLiteral("taken.txt"))));
        h.aktar = program.filePath(QStringLiteral("aktar2.txt"));
        h.veriSil = true;
    };
    ASSERT_EQ(run().status, RunResult::Completed);
    EXPECT_TRUE(taken);
    EXPECT_EQ(host.cell(2, ColDurum), kConnected);
    EXPECT_EQ(host.cell(2, ColKayit), QStringLiteral("00004/00004"));
    panel.stop();
    const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.3"));
    EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), (QList<int>{0, 2}));
    EXPECT_EQ(ints(t[QStringLiteral("deleted")].toArray()).size(), 4);
    EXPECT_EQ(lines(program.read(QStringLiteral("aktar2.txt"))).size(), 4);
}

TEST_F(TransferRunTest, SplitRepliesAndTrailingBytesAreGathered)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=13,split=5,split-delay=5,extra-bytes=9")));
    host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    ASSERT_EQ(run().status, RunResult::Completed);
    panel.stop();
    const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), (QList<int>{0, 2, 2, 2}));
    EXPECT_TRUE(t[QStringLiteral("stored")].toArray().isEmpty());
    EXPECT_EQ(transferLines().size(), 13);
}

TEST_F(TransferRunTest, InvalidRepliesAreIgnoredWithoutDeletionAndEndThePullWithIt)
{
    // 8 records in replies of 6 and 2; one reply is spoilt. With deletion on no
    // request follows it: a request carrying 2 would delete what the terminal
    // counted as sent. Without deletion it is ignored and the next request carries 1.
    struct Case {
        const char *fault;
        bool deletion;
        QList<int> flags;
        int lines;
        int stored;
        QString durum;
    };
    const Case cases[] = {
        {"invalid-reply=2", true, {0, 2}, 6, 2, kInvalidReply},
        {"invalid-reply=2", false, {0, 1, 1, 1}, 8, 8, kConnected},
        {"bad-length=2", true, {0, 2}, 6, 2, kInvalidReply},
        {"bad-length=2", false, {0, 1, 1}, 6, 8, kConnected}, // its records count as sent
        {"overcount=1", true, {0}, 0, 8, kInvalidReply},
        {"overcount=1", false, {0, 1, 1}, 2, 8, kConnected},
        {"overcount=2", true, {0, 2}, 6, 2, kInvalidReply},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.fault) + (c.deletion ? ", deletion on" : ", deletion off"));
        ProgramFolder folder;
        host = FakeHost();
        host.aktar = folder.filePath(QStringLiteral("aktar.txt"));
        host.yedek = folder.filePath(QStringLiteral("yedek"));
        host.veriSil = c.deletion;
        host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
        PanelSim panel(sim(QStringLiteral("127.0.0.2,records=8,") + QLatin1String(c.fault)));
        ASSERT_EQ(run().status, RunResult::Completed);
        EXPECT_EQ(host.cell(1, ColDurum), c.durum);
        panel.stop();
        const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.2"));
        EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), c.flags);
        EXPECT_EQ(t[QStringLiteral("stored")].toArray().size(), c.stored);
        EXPECT_EQ(lines(folder.read(QStringLiteral("aktar.txt"))).size(), c.lines);
    }
}

TEST_F(TransferRunTest, DeletionSwitchedOnAfterAnIgnoredReplyDeletesNothing)
{
    // The spoilt first reply's records count as sent; deletion switched on
    // during the second reply must not reach the terminal as a 2.
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=13,bad-length=1")));
    host.veriSil = false;
    host.onPump = [](FakeHost &h) {
        if (h.pumps == 2) // the first record of the second reply
            h.veriSil = true;
    };
    host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    ASSERT_EQ(run().status, RunResult::Completed);
    EXPECT_EQ(host.cell(1, ColDurum), kInvalidReply);
    panel.stop();
    const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), (QList<int>{0, 1}));
    EXPECT_EQ(t[QStringLiteral("stored")].toArray().size(), 13);
    EXPECT_EQ(transferLines().size(), 6);
}

TEST_F(TransferRunTest, SilentTerminalIsLeftAfterTheTimeLimit)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=3,silent"), {QStringLiteral("--terminal"), QStringLiteral("127.0.0.3,records=2")}));
    options.limits.replyMs = 300;
    host.saat = true; // the clock check waits too, once
    host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    host.device(2, QStringLiteral("2"), QStringLiteral("127.0.0.3"), QStringLiteral("0"));
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(run().status, RunResult::Completed);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(host.cell(1, ColDurum), kNoAnswer);
    EXPECT_EQ(host.cell(1, ColKayit), QString());
    EXPECT_EQ(host.cell(2, ColDurum), kConnected);
    panel.stop();
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.2"))[QStringLiteral("stored")].toArray().size(), 3);
    EXPECT_EQ(transferLines().size(), 2);
}

TEST_F(TransferRunTest, ClosedConnectionEndsThePullAtOnce)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=13,close-after=1")));
    host.veriSil = false;
    host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(run().status, RunResult::Completed);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(host.cell(1, ColDurum), kNoAnswer);
    EXPECT_EQ(transferLines().size(), 6);
    panel.stop();
}

TEST_F(TransferRunTest, UnreachableTerminal)
{
    host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    host.device(2, QStringLiteral("2"), QStringLiteral("127.0.0.3"), QStringLiteral("0"));
    const RunResult result = run();
    ASSERT_EQ(result.status, RunResult::Completed);
    EXPECT_EQ(host.cell(1, ColDurum), kNotConnected);
    EXPECT_EQ(host.cell(2, ColDurum), kNotConnected);
    EXPECT_EQ(result.deviceLines.size(), 2);
}

TEST_F(TransferRunTest, FailedTransferWriteLeavesEveryRecordOnTheTerminal)
{
    for (const bool deletion : {true, false}) {
        for (const UnwritableFile &c : unwritableFiles()) {
            SCOPED_TRACE(std::string(c.name) + (deletion ? ", deletion on" : ", deletion off"));
            ProgramFolder folder;
            host = FakeHost();
            host.veriSil = deletion;
            host.aktar = c.path(folder);
            const QByteArray before = folder.read(QStringLiteral("aktar.txt"));
            host.yedek = folder.filePath(QStringLiteral("yedek"));
            host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
            PanelSim panel(sim(QStringLiteral("127.0.0.2,records=13")));
            ASSERT_EQ(run().status, RunResult::Completed);
            EXPECT_EQ(host.cell(1, ColDurum), kWriteFailed);
            panel.stop();
            const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.2"));
            EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), (QList<int>{0}));
            EXPECT_TRUE(t[QStringLiteral("deleted")].toArray().isEmpty());
            EXPECT_EQ(t[QStringLiteral("stored")].toArray().size(), 13);
            EXPECT_EQ(folder.read(QStringLiteral("aktar.txt")), before);
        }
    }
}

TEST_F(TransferRunTest, FailedBackupWriteEndsADeletingPullAndIsShownOtherwise)
{
    struct Case {
        bool deletion;
        QList<int> flags;
        int lines;
        QString durum;
    };
    // With deletion on the pull stops at the first record that missed the
    // backup file; without it the pull goes on and the row shows it at the end.
    const Case cases[] = {
        {true, {0}, 1, kWriteFailed},
        {false, {0, 1, 1}, 8, kBackupFailed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.deletion ? "deletion on" : "deletion off");
        ProgramFolder folder;
        host = FakeHost();
        host.veriSil = c.deletion;
        host.aktar = folder.filePath(QStringLiteral("aktar.txt"));
        folder.write(QStringLiteral("yedek"), "a file, not a folder");
        host.yedek = folder.filePath(QStringLiteral("yedek"));
        host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
        PanelSim panel(sim(QStringLiteral("127.0.0.2,records=8")));
        ASSERT_EQ(run().status, RunResult::Completed);
        EXPECT_EQ(host.cell(1, ColDurum), c.durum);
        EXPECT_EQ(lines(folder.read(QStringLiteral("aktar.txt"))).size(), c.lines);
        panel.stop();
        const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.2"));
        EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), c.flags);
        EXPECT_EQ(t[QStringLiteral("stored")].toArray().size(), 8);
    }
}

TEST_F(TransferRunTest, DeletionSwitchedOnAfterAFailedBackupWriteDeletesNothing)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=13")));
    host.veriSil = false;
    program.write(QStringLiteral("yedek"), "a file, not a folder");
    host.onPump = [](FakeHost &h) {
        if (h.pumps == 8) // the first record of the second reply
            h.veriSil = true;
    };
    host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    ASSERT_EQ(run().status, RunResult::Completed);
    EXPECT_EQ(host.cell(1, ColDurum), kWriteFailed);
    panel.stop();
    const QJsonObject t = panel.terminal(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")), (QList<int>{0, 1}));
    EXPECT_EQ(t[QStringLiteral("stored")].toArray().size(), 13);
    EXPECT_EQ(transferLines().size(), 7);
}

TEST_F(TransferRunTest, IdThatIsNoIntegerEndsTheRun)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=3"), {QStringLiteral("--terminal"), QStringLiteral("127.0.0.3,records=2")}));
    host.device(1, QStringLiteral("abc"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    host.device(2, QStringLiteral("2"), QStringLiteral("127.0.0.3"), QStringLiteral("0"));
    const RunResult result = run();
    EXPECT_EQ(result.status, RunResult::Failed);
    EXPECT_EQ(result.error, QStringLiteral("'abc' is not a valid integer value"));
    EXPECT_EQ(host.cell(2, ColDurum), QString()); // never visited
    EXPECT_TRUE(program.read(QStringLiteral("aktar.txt")).isNull());
    panel.stop();
    EXPECT_EQ(panel.terminal(QStringLiteral("127.0.0.2"))[QStringLiteral("stored")].toArray().size(), 3);
}

TEST_F(TransferRunTest, RefusedWithoutPaths)
{
    host.aktar.clear();
    EXPECT_EQ(run().status, RunResult::NoTransferPath);
    host.aktar = QStringLiteral("x");
    host.yedek.clear();
    EXPECT_EQ(run().status, RunResult::NoBackupFolder);
}

TEST_F(TransferRunTest, ClockIsSetOnlyWhenOff)
{
    PanelSim panel(sim(QStringLiteral("127.0.0.2,records=1"),
                       {QStringLiteral("--terminal"), QStringLiteral("127.0.0.3,records=1,clock-offset=100"),
                        QStringLiteral("--terminal"), QStringLiteral("127.0.0.4,records=1,bad-clock")}));
    host.saat = true;
    host.device(1, QStringLiteral("1"), QStringLiteral("127.0.0.2"), QStringLiteral("0"));
    host.device(2, QStringLiteral("2"), QStringLiteral("127.0.0.3"), QStringLiteral("0"));
    host.device(3, QStringLiteral("3"), QStringLiteral("127.0.0.4"), QStringLiteral("0"));
    ASSERT_EQ(run().status, RunResult::Completed);
    EXPECT_TRUE(host.clockText.startsWith(QStringLiteral("Time: 31/13/"))) << host.clockText.toStdString();
    panel.stop();
    auto commands = [&](const char *address) {
        QStringList out;
        for (const auto &f : panel.terminal(QLatin1String(address))[QStringLiteral("clock_frames")].toArray())
            out << f.toObject()[QStringLiteral("command")].toString();
        return out;
    };
    EXPECT_EQ(commands("127.0.0.2"), QStringList{QStringLiteral("get_time")});
    EXPECT_EQ(commands("127.0.0.3"), (QStringList{QStringLiteral("get_time"), QStringLiteral("set_time")}));
    EXPECT_EQ(commands("127.0.0.4"), (QStringList{QStringLiteral("get_time"), QStringLiteral("set_time")}));
    EXPECT_EQ(transferLines().size(), 3);
}
