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
    const QDeadlineTimer &deadline = replyDeadline_;
    QByteArray got;
    // The number of bytes the reply needs: its head first, then its length byte.
    qsizetype needed = kHeadSize;
    for (;;) {
        got += socket_.read(needed - got.size());
        if (got.size() >= kHeadSize && needed == kHeadSize) {
            const std::uint8_t length = byteAt(got, 5);
            const bool lengthAccepted =
                std::find(acceptedLengths.begin(), acceptedLengths.end(), length) != acceptedLengths.end();
            if (!hasSync(got) || byteAt(got, 4) != expectedCommand || !lengthAccepted)
                return Reply::Invalid;
            needed = length;
            continue;
        }
        if (got.size() >= needed)
            break;
        if (socket_.bytesAvailable() > 0)
            continue;
        if (!connected() || deadline.hasExpired() || !socket_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (socket_.bytesAvailable() > 0)
                continue;
            silent_ = true;
            return Reply::NoAnswer;
        }
    }
    frame_ = got;
    return checkReply(frame_, frame_.size(), expectedCommand, acceptedLengths) ? Reply::Complete : Reply::Invalid;
}

} // namespace ta::transfer
