// bench_flush DIR COUNT BYTES
//
// The flushes of a deleting pull, alone: COUNT times, BYTES bytes are appended
// to each of two files (DIR/flush-a.txt, DIR/flush-b.txt; one open, append and
// close each, as the record writer does) and then both are pushed to the disk
// with ta::platform::syncPathToDisk, as the run does before every request that
// carries pull_flag 2. Prints the whole time and, as flush_seconds, the time
// of the flushes alone.
#include "benchsupport.h"

#include "platform/filesync.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {

constexpr const char *kName = "flush";

void append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size())
        ta::bench::fail(kName, QStringLiteral("cannot append to %1").arg(path));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        ta::bench::fail(kName, QStringLiteral("usage: bench_flush DIR COUNT BYTES"));
    const QString a = QDir(args[1]).filePath(QStringLiteral("flush-a.txt"));
    const QString b = QDir(args[1]).filePath(QStringLiteral("flush-b.txt"));
    const long long count = args[2].toLongLong();
    const QByteArray bytes(args[3].toInt(), 'x');

    qint64 flushNsecs = 0;
    QElapsedTimer clock, flushClock;
    clock.start();
    for (long long i = 0; i < count; ++i) {
        append(a, bytes);
        append(b, bytes);
        flushClock.start();
        if (!ta::platform::syncPathToDisk(a) || !ta::platform::syncPathToDisk(b))
            ta::bench::fail(kName, QStringLiteral("a flush failed"));
        flushNsecs += flushClock.nsecsElapsed();
    }
    const qint64 nsecs = clock.nsecsElapsed();
    ta::bench::printResult(kName, nsecs, count,
                           {{"flush_seconds", QString::number(static_cast<double>(flushNsecs) / 1e9, 'f', 4)},
                            {"flushes", QString::number(2 * count)}});
    return 0;
}
