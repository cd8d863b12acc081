// The fault matrix: the real executable against panel-sim, every fault with
// deletion on and with deletion off. Each case makes a faulty run and then a
// clean run against what the terminal still stores, and checks over both:
// every record the terminal deleted is in the transfer file and in the backup
// file, in order, none missing and none twice, except the records of the one
// reply that was in flight when the fault struck; every run ends in time; the
// device list file holds its old or its new content, never anything else.
#include "apprun.h"
#include "panelsim.h"
#include "programfolder.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/statvfs.h>

namespace {

const QString kAddress = QStringLiteral("127.0.0.2");
constexpr int kRecords = 47;
constexpr int kBatch = 5; // records per reply: the most that the reply in flight can repeat
// The blank line goes when the run saves the device list.
const QByteArray kOldDevices = "001:127.0.0.2;0\r\n\r\n";
const QByteArray kNewDevices = "001:127.0.0.2;0\r\n";
constexpr int kRunMs = 8000;                // a run that has no reason to wait for a time limit
constexpr int kSilentRunMs = 10000 + 6000;  // a run that waits out the 10 s reply limit once
constexpr int kKillAfterLines = kBatch + 1; // the kill comes once the second reply is being written

// What the faulty run's surroundings do wrong, besides the terminal's switches.
enum class Setting { None, ReadOnlyTransfer, BlockedBackup, FullDisk, KillMidPull };

struct Fault {
    const char *name;
    const char *terminalSwitches; // panel-sim switches of the faulty run
    Setting setting;
    int limitMs;          // the faulty run ends within this
    bool pullsEverything; // the fault must not keep the faulty run from taking every record
};

const Fault kFaults[] = {
    {"CloseMidPull", "close-after=3", Setting::None, kRunMs, false},
    {"SplitReplies", "split=7,split-delay=5", Setting::None, kRunMs, true},
    {"StopsAnswering", "silent-after=3", Setting::None, kSilentRunMs, false},
    {"WrongLengthByte", "bad-length=2", Setting::None, kRunMs, false},
    {"RecordCountBeyondLength", "overcount=2", Setting::None, kRunMs, false},
    {"ReadOnlyTransferFile", "", Setting::ReadOnlyTransfer, kRunMs, false},
    {"UnwritableBackupFolder", "", Setting::BlockedBackup, kRunMs, false},
    {"FullFilesystem", "", Setting::FullDisk, kRunMs, false},
    {"KilledMidPull", "delay=200", Setting::KillMidPull, kRunMs, false},
};

struct MatrixCase {
    Fault fault;
    bool deletion;
};

void PrintTo(const MatrixCase &c, std::ostream *os)
{
    *os << c.fault.name << (c.deletion ? ", deletion on" : ", deletion off");
}

std::vector<MatrixCase> matrix()
{
    std::vector<MatrixCase> out;
    for (const Fault &f : kFaults)
        for (bool deletion : {true, false})
            out.push_back({f, deletion});
    return out;
}

// Runs a command to its end, for at most 10 s; true when it exited with 0.
bool runCommand(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(10000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A tmpfs mounted for the test (in the test's own mount namespace), unmounted again.
class Tmpfs {
public:
    bool mount(const QString &dir)
    {
        if (!runCommand(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                  QStringLiteral("size=64k"), QStringLiteral("tmpfs"), dir}))
            return false;
        dir_ = dir;
        return true;
    }
    ~Tmpfs()
    {
        if (!dir_.isEmpty())
            runCommand(QStringLiteral("umount"), {dir_});
    }

private:
    QString dir_;
};

qint64 freeBytes(const QString &dir)
{
    struct statvfs s {};
    if (statvfs(QFile::encodeName(dir).constData(), &s) != 0)
        return -1;
    return static_cast<qint64>(s.f_bavail) * static_cast<qint64>(s.f_bsize);
}

// The transfer line of a record of the report, as terminal 001 with flag 0 gives it.
QByteArray recordLine(const QJsonObject &record)
{
    return "001," + QByteArray::number(static_cast<qint64>(record[QStringLiteral("data")].toDouble())).rightJustified(10, '0')
        + ",0," + record[QStringLiteral("time")].toString().toLatin1() + "\r\n";
}

QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> out;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', from);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        out << bytes.mid(from, next - from);
        from = next;
    }
    return out;
}

// The lines one run added to one file, checked against the terminal's records
// in their order (`remaining`: what the terminal stored when the run began,
// `remainingNos` their numbers) and the number of them it deleted during the
// run. Lines are shown by record number, -1 for a line that is no record.
void expectRunLines(const char *what, const QByteArray &added, const QList<QByteArray> &remaining,
                    const QList<int> &remainingNos, int deleted, bool deletion, bool everything)
{
    SCOPED_TRACE(what);
    EXPECT_TRUE(added.isEmpty() || added.endsWith("\r\n")) << "the run left a partial line: "
                                                            << added.mid(added.lastIndexOf('\n') + 1).toStdString();
    QList<int> nos;
    for (const QByteArray &line : linesOf(added)) {
        const qsizetype at = remaining.indexOf(line);
        nos << (at < 0 ? -1 : remainingNos[at]);
    }
    EXPECT_FALSE(nos.contains(-1)) << "lines that are no record: " << testing::PrintToString(nos);
    EXPECT_TRUE(std::is_sorted(nos.begin(), nos.end()) && std::adjacent_find(nos.begin(), nos.end()) == nos.end())
        << "records out of order or twice: " << testing::PrintToString(nos);
    // Every record the terminal deleted is here, first and in its order.
    EXPECT_EQ(nos.mid(0, deleted), remainingNos.mid(0, deleted)) << "deleted records missing";
    if (deletion) {
        // Beyond what was deleted, only the one reply in flight.
        EXPECT_EQ(nos, remainingNos.mid(0, nos.size()));
        EXPECT_LE(nos.size() - deleted, kBatch) << testing::PrintToString(nos);
    }
    if (everything) {
        EXPECT_EQ(nos, remainingNos);
    }
}

QString backupRelative()
{
    const QDate today = QDate::currentDate();
    return QStringLiteral("yedek/%1/%2/Backups.TXT").arg(today.year()).arg(today.month(), 2, 10, QLatin1Char('0'));
}

class FaultMatrix : public testing::TestWithParam<MatrixCase> {
protected:
    // What panel-sim reported on its terminal after one run.
    struct TerminalState {
        QList<int> pullFlags;
        QList<int> deleted;
        QList<int> stored;
    };

    TerminalState stateOf(PanelSim &panel)
    {
        panel.stop();
        const QJsonObject t = panel.terminal(kAddress);
        return {ints(t[QStringLiteral("requests")].toArray(), QStringLiteral("pull_flag")),
                ints(t[QStringLiteral("deleted")].toArray()), ints(t[QStringLiteral("stored")].toArray())};
    }

    void expectDeviceListWhole(const char *when)
    {
        const QByteArray devices = program_.read(QStringLiteral("Ayarlar/Cihazlar.txt"));
        EXPECT_TRUE(devices == kOldDevices || devices == kNewDevices) << when << ": " << testing::PrintToString(devices);
    }

    // Runs the program to its end, which must come within `limitMs`.
    void runToEnd(AppRun &app, int limitMs, const char *which)
    {
        QElapsedTimer clock;
        clock.start();
        const bool ended = app.waitForExit(limitMs);
        std::printf("%s run: %lld ms\n", which, static_cast<long long>(clock.elapsed()));
        EXPECT_TRUE(ended) << which << " run still running after " << limitMs << " ms\n" << app.standardError().toStdString();
        app.kill();
        if (ended) {
            EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << which;
            EXPECT_EQ(app.exitCode(), 0) << which;
            EXPECT_TRUE(app.dialogs().isEmpty()) << which << " run: " << app.standardError().toStdString();
        }
    }

    qint64 sizeOf(const QString &relative) const { return program_.read(relative).size(); }

    ProgramFolder program_;
};

TEST_P(FaultMatrix, NoRecordLostOverTheFaultyAndTheCleanRun)
{
    const auto [fault, deletion] = GetParam();
    Tmpfs tmpfs; // after program_ is made, gone before it is removed
    const QString transferRelative = fault.setting == Setting::FullDisk ? QStringLiteral("full/aktar.txt") : QStringLiteral("aktar.txt");
    program_.writeSettings(program_.filePath(transferRelative).toUtf8(), program_.filePath(QStringLiteral("yedek")).toUtf8(),
                           "0", deletion ? "-1" : "0", "-1", kOldDevices);

    // The faulty run's surroundings.
    const QString yearFolder = QStringLiteral("yedek/%1").arg(QDate::currentDate().year());
    const QString filler = QStringLiteral("full/filler");
    switch (fault.setting) {
    case Setting::ReadOnlyTransfer:
        program_.write(transferRelative, "");
        ASSERT_TRUE(QFile::setPermissions(program_.filePath(transferRelative),
                                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        break;
    case Setting::BlockedBackup:
        // A file where the year folder must go stops root as well as anyone.
        program_.write(yearFolder, "not a folder");
        break;
    case Setting::FullDisk: {
        QDir(program_.path()).mkdir(QStringLiteral("full"));
        if (!tmpfs.mount(program_.filePath(QStringLiteral("full"))))
            GTEST_SKIP() << "cannot mount a tmpfs here";
        // A transfer file whose last page has room for two lines and part of a
        // third, on a filesystem with no other free page.
        const QByteArray old = "009,0000000001,0,2024/01/01 00:00:00\r\n";
        const int page = 4096;
        program_.write(transferRelative, old.repeated((page - 2 * old.size() - old.size() / 2) / old.size()));
        program_.write(filler, QByteArray(freeBytes(program_.filePath(QStringLiteral("full"))), '\0'));
        ASSERT_EQ(freeBytes(program_.filePath(QStringLiteral("full"))), 0);
        break;
    }
    case Setting::None:
    case Setting::KillMidPull:
        break;
    }
    const QByteArray transferBefore = program_.read(transferRelative);

    // The faulty run.
    QString faultyTerminal = QStringLiteral("%1,records=%2,batch=%3").arg(kAddress).arg(kRecords).arg(kBatch);
    if (*fault.terminalSwitches)
        faultyTerminal += QLatin1Char(',') + QLatin1String(fault.terminalSwitches);
    PanelSim faultyPanel({QStringLiteral("--terminal"), faultyTerminal});
    {
        AppRun app(program_);
        if (fault.setting == Setting::KillMidPull) {
            ASSERT_TRUE(waitUntil([&] { return program_.read(transferRelative).count('\n') >= kKillAfterLines; }, fault.limitMs))
                << app.standardError().toStdString();
            ASSERT_TRUE(app.running()) << "the run ended before the kill";
            app.kill(); // SIGKILL
        } else {
            runToEnd(app, fault.limitMs, "faulty");
        }
    }
    const TerminalState faulty = stateOf(faultyPanel);
    expectDeviceListWhole("after the faulty run");
    QList<QByteArray> records;
    QList<int> recordNos;
    for (const auto &r : faultyPanel.terminal(kAddress)[QStringLiteral("records")].toArray()) {
        records << recordLine(r.toObject());
        recordNos << r.toObject()[QStringLiteral("record_no")].toInt();
    }
    ASSERT_EQ(records.size(), kRecords);

    // The faulty run's lines.
    const QByteArray transferFaulty = program_.read(transferRelative);
    const QByteArray backupFaulty = program_.read(backupRelative());
    ASSERT_TRUE(transferFaulty.startsWith(transferBefore)) << "the transfer file lost what it held";
    const int deletedFaulty = static_cast<int>(faulty.deleted.size());
    EXPECT_EQ(faulty.deleted, recordNos.mid(0, deletedFaulty));
    if (!deletion) {
        EXPECT_FALSE(faulty.pullFlags.contains(2));
        EXPECT_EQ(deletedFaulty, 0);
    }
    expectRunLines("faulty run, transfer file", transferFaulty.mid(transferBefore.size()), records, recordNos, deletedFaulty,
                   deletion, fault.pullsEverything);
    expectRunLines("faulty run, backup file", backupFaulty, records, recordNos, deletedFaulty, deletion, fault.pullsEverything);
    if (fault.setting == Setting::ReadOnlyTransfer) {
        // A file without a write permission bit is read-only, also for root.
        EXPECT_TRUE(transferFaulty.isEmpty()) << "the read-only transfer file was written";
        EXPECT_EQ(deletedFaulty, 0);
    }

    // The fault goes; the terminal keeps what it stores.
    switch (fault.setting) {
    case Setting::ReadOnlyTransfer:
        ASSERT_TRUE(QFile::setPermissions(program_.filePath(transferRelative), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        break;
    case Setting::BlockedBackup:
        ASSERT_TRUE(QFile::remove(program_.filePath(yearFolder)));
        break;
    case Setting::FullDisk:
        ASSERT_TRUE(QFile::remove(program_.filePath(filler)));
        break;
    case Setting::None:
    case Setting::KillMidPull:
        break;
    }
    const QList<QByteArray> remaining = records.mid(deletedFaulty);
    const QList<int> remainingNos = recordNos.mid(deletedFaulty);
    QByteArray storedFile;
    for (const auto &r : faultyPanel.terminal(kAddress)[QStringLiteral("records")].toArray())
        if (faulty.stored.contains(r.toObject()[QStringLiteral("record_no")].toInt()))
            storedFile += QByteArray::number(r.toObject()[QStringLiteral("record_no")].toInt()) + ','
                + QByteArray::number(static_cast<qint64>(r.toObject()[QStringLiteral("data")].toDouble())) + ','
                + r.toObject()[QStringLiteral("time")].toString().toLatin1() + '\n';
    program_.write(QStringLiteral("stored.txt"), storedFile);

    // The clean run.
    PanelSim cleanPanel({QStringLiteral("--terminal"), QStringLiteral("%1,batch=%2,records-file=%3")
                                                           .arg(kAddress)
                                                           .arg(kBatch)
                                                           .arg(program_.filePath(QStringLiteral("stored.txt")))});
    {
        AppRun app(program_);
        runToEnd(app, kRunMs, "clean");
    }
    const TerminalState clean = stateOf(cleanPanel);
    expectDeviceListWhole("after the clean run");
    EXPECT_EQ(program_.read(QStringLiteral("Ayarlar/Cihazlar.txt")), kNewDevices);
    const QByteArray transferClean = program_.read(transferRelative);
    ASSERT_TRUE(transferClean.startsWith(transferFaulty)) << "the transfer file lost what it held";
    const QByteArray backupClean = program_.read(backupRelative());
    ASSERT_TRUE(backupClean.startsWith(backupFaulty)) << "the backup file lost what it held";
    if (deletion) {
        EXPECT_EQ(clean.deleted, faulty.stored);
        EXPECT_TRUE(clean.stored.isEmpty());
    } else {
        EXPECT_FALSE(clean.pullFlags.contains(2));
        EXPECT_EQ(clean.stored, recordNos);
    }
    const int deletedClean = static_cast<int>(clean.deleted.size());
    expectRunLines("clean run, transfer file", transferClean.mid(transferFaulty.size()), remaining, remainingNos, deletedClean,
                   deletion, true);
    expectRunLines("clean run, backup file", backupClean.mid(backupFaulty.size()), remaining, remainingNos, deletedClean,
                   deletion, true);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, testing::ValuesIn(matrix()), [](const testing::TestParamInfo<MatrixCase> &param) {
    return std::string(param.param.fault.name) + (param.param.deletion ? "_DeletionOn" : "_DeletionOff");
});

} // namespace
