// bench_transfer keep|delete DIR PORT ADDRESS...
//
// The program's transfer code without a window: one TransferRun over a grid
// with one device row per ADDRESS (IDs 001, 002, ...), the transfer file
// DIR/aktarim.txt and the backup folder DIR/yedek, deletion off (keep) or on
// (delete), clocks left alone. The host's pump does nothing: the run's
// connection waits block and need no event loop. Prints the run's time, the
// lines in the transfer file, and how many rows connected.
#include "benchsupport.h"

#include "transfer/transferrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <vector>

namespace {

constexpr const char *kName = "transfer";

class BenchHost final : public ta::transfer::TransferHost {
public:
    BenchHost(const QStringList &addresses, QString dir, bool deleteAfter)
        : transferPath_(QDir(dir).filePath(QStringLiteral("aktarim.txt"))),
          backupFolder_(QDir(dir).filePath(QStringLiteral("yedek"))), delete_(deleteAfter)
    {
        rows_.push_back(QStringList(5));
        for (qsizetype i = 0; i < addresses.size(); ++i)
            rows_.push_back({QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0')), addresses[i],
                             QStringLiteral("0"), QString(), QString()});
    }

    int rowCount() const override { return static_cast<int>(rows_.size()); }
    QString cell(int row, int column) const override { return rows_[static_cast<std::size_t>(row)][column]; }
    void setCell(int row, int column, const QString &text) override
    {
        rows_[static_cast<std::size_t>(row)][column] = text;
    }
    // The window hands out its edits' texts: no path is made per record.
    QString transferPath() const override { return transferPath_; }
    QString backupFolder() const override { return backupFolder_; }
    bool syncClocks() const override { return false; }
    bool deleteAfterPull() const override { return delete_; }
    void pump() override {}
    void setClockText(const QString &) override {}

    int rowsWith(const QString &durum) const
    {
        int n = 0;
        for (std::size_t r = 1; r < rows_.size(); ++r)
            n += rows_[r][ta::transfer::ColDurum] == durum ? 1 : 0;
        return n;
    }

private:
    std::vector<QStringList> rows_;
    QString transferPath_;
    QString backupFolder_;
    bool delete_;
};

long long linesIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().count('\n');
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5 || (args[1] != QLatin1String("keep") && args[1] != QLatin1String("delete")))
        ta::bench::fail(kName, QStringLiteral("usage: bench_transfer keep|delete DIR PORT ADDRESS..."));
    BenchHost host(args.mid(4), args[2], args[1] == QLatin1String("delete"));
    ta::transfer::TransferOptions options;
    options.port = static_cast<quint16>(args[3].toUInt());

    QElapsedTimer clock;
    clock.start();
    const ta::transfer::RunResult result = ta::transfer::TransferRun(host, options).run();
    const qint64 nsecs = clock.nsecsElapsed();
    if (result.status != ta::transfer::RunResult::Completed)
        ta::bench::fail(kName, QStringLiteral("the run did not complete: %1").arg(result.error));
    ta::bench::printResult(kName, nsecs, linesIn(host.transferPath()),
                           {{"mode", args[1]},
                            {"connected", QString::number(host.rowsWith(ta::transfer::kConnected))},
                            {"unreachable", QString::number(host.rowsWith(ta::transfer::kNotConnected))}});
    return 0;
}
