#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QTcpSocket>
#include <cstdint>
#include <span>

namespace ta::transfer {

inline constexpr quint16 kTerminalPort = 9780;

// Time limits of one terminal connection.
struct ConnectionLimits {
    int connectMs = 5000; // to make the connection
    int replyMs = 10000;  // from a request until its whole reply has arrived
};

// One blocking TCP connection to a terminal. A reply is gathered over as many
// reads as it takes until its length byte's count has arrived; bytes beyond
// the frame, and anything ahead of its sync bytes, are dropped. Once a
// reply has not come in time, or the terminal has closed the connection, the
// connection counts as silent: further receives fail at once.
class TerminalConnection {
public:
    enum class Reply { Complete, Invalid, NoAnswer };

    explicit TerminalConnection(ConnectionLimits limits = {});

    // Closes any open connection, then connects; true when connected.
    bool connectTo(const QString &host, quint16 port);
    void close();
    bool connected() const;
    bool silent() const { return silent_; }

    // Sends one request frame (anything still unread is dropped first).
    void send(const QByteArray &frame);
    // Receives the reply to the last request, checked against the expected
    // command and length bytes. On Complete, frame() holds exactly the frame.
    Reply receive(std::uint8_t expectedCommand, std::span<const std::uint8_t> acceptedLengths);
    const QByteArray &frame() const { return frame_; }

private:
    ConnectionLimits limits_;
    QTcpSocket socket_;
    QByteArray frame_;
    QDeadlineTimer replyDeadline_;
    bool silent_ = false;
};

} // namespace ta::transfer
