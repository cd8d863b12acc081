// bench_floor HOST PORT LATER_FLAG
//
// The protocol's limit: a bare client that sends the record request, reads
// the reply until its length byte's count has arrived, and repeats until a
// reply carries no record. No files, no window, no checks beyond the length.
// The first request carries pull_flag 0, every later one LATER_FLAG (1, or 2
// to make the terminal delete what it sent).
#include "benchsupport.h"

#include "protocol/frame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

namespace {
constexpr const char *kName = "floor";
constexpr int kWaitMs = 10000;
constexpr long long kMaxRequests = 10000000;
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        ta::bench::fail(kName, QStringLiteral("usage: bench_floor HOST PORT LATER_FLAG"));
    const QString host = args[1];
    const auto port = static_cast<quint16>(args[2].toUInt());
    const auto laterFlag = static_cast<char>(args[3].toInt());

    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(kWaitMs))
        ta::bench::fail(kName, QStringLiteral("cannot connect to %1:%2").arg(host).arg(port));

    using namespace ta::protocol;
    QByteArray request(reinterpret_cast<const char *>(kSync.data()), kSync.size());
    request += static_cast<char>(cmdGetRecords);
    request += static_cast<char>(kGetRecordsLength);
    request += '\0';

    QElapsedTimer clock;
    clock.start();
    long long records = 0;
    long long requests = 0;
    QByteArray reply;
    for (;;) {
        if (++requests > kMaxRequests)
            ta::bench::fail(kName, QStringLiteral("the terminal never ran out of records"));
        socket.write(request);
        socket.flush();
        reply.clear();
        while (reply.size() < kHeadSize || reply.size() < byteAt(reply, 5)) {
            if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(kWaitMs))
                ta::bench::fail(kName, QStringLiteral("no reply to request %1").arg(requests));
            reply += socket.readAll();
        }
        if (reply.size() <= kRecordsReplyHead - 1 || byteAt(reply, 6) == 0)
            break;
        records += byteAt(reply, 6);
        request[6] = laterFlag;
    }
    ta::bench::printResult(kName, clock.nsecsElapsed(), records, {{"requests", QString::number(requests)}});
    return 0;
}
