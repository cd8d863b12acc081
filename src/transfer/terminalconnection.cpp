#include "transfer/terminalconnection.h"

#include "protocol/frame.h"

#include <algorithm>

namespace ta::transfer {

using namespace ta::protocol;

TerminalConnection::TerminalConnection(ConnectionLimits limits) : limits_(limits) {}

bool TerminalConnection::connectTo(const QString &host, quint16 port)
{
    close();
    socket_.connectToHost(host, port);
    return socket_.waitForConnected(limits_.connectMs);
}

void TerminalConnection::close()
{
    socket_.abort();
    frame_.clear();
    silent_ = false;
}

bool TerminalConnection::connected() const
{
    return socket_.state() == QAbstractSocket::ConnectedState;
}

void TerminalConnection::send(const QByteArray &frame)
{
    socket_.readAll(); // the tail of an earlier reply is no part of the next one
    frame_.clear();
    if (silent_ || !connected())
        return;
    socket_.write(frame);
    socket_.flush();
    replyDeadline_ = QDeadlineTimer(limits_.replyMs);
}

TerminalConnection::Reply TerminalConnection::receive(std::uint8_t expectedCommand,
                                                      std::span<const std::uint8_t> acceptedLengths)
{
    frame_.clear();
    if (silent_)
        return Reply::NoAnswer;
    static const QByteArray sync(reinterpret_cast<const char *>(kSync.data()), kSync.size());
    QByteArray got;
    for (;;) {
        got += socket_.readAll();
        // Bytes ahead of the sync bytes (the late tail of an earlier reply) are dropped.
        const qsizetype at = got.indexOf(sync);
        got.remove(0, at >= 0 ? at : std::max<qsizetype>(0, got.size() - (sync.size() - 1)));
        if (at >= 0 && got.size() >= kHeadSize) {
            if (!replyHeadFits(got, expectedCommand, acceptedLengths))
                return Reply::Invalid;
            if (checkReply(got, got.size(), expectedCommand, acceptedLengths)) {
                frame_ = got.left(byteAt(got, 5)); // what follows the frame is dropped
                return Reply::Complete;
            }
        }
        if (socket_.bytesAvailable() > 0)
            continue;
        if (!connected() || replyDeadline_.hasExpired()
            || !socket_.waitForReadyRead(static_cast<int>(replyDeadline_.remainingTime()))) {
            if (socket_.bytesAvailable() > 0)
                continue;
            silent_ = true;
            return Reply::NoAnswer;
        }
    }
}

} // namespace ta::transfer
