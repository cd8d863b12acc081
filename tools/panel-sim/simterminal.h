#pragma once

#include "simrecords.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// Switchable misbehaviour of a terminal; every switch can be set for all
// terminals or for one. Per-connection counts start at 1.
struct Faults {
    int batch = 6;          // records per reply, 1 to 6
    int delayMs = 0;        // before every reply
    int splitBytes = 0;     // send replies in pieces of this many bytes (0: whole)
    int splitDelayMs = 20;  // between two pieces
    int silentAfter = -1;   // answer this many requests per connection, then none (0: never answer)
    int closeAfter = -1;    // close the connection after this many replies
    int invalidReply = 0;   // this reply of a connection goes out with command 0xB7 (its records are not sent)
    int overcount = -1;     // record_count one more than the records carried: in this reply of a connection (0: every reply)
    int badLength = 0;      // this reply of a connection has a length byte one more than it is long
    int extraBytes = 0;     // junk after every reply
    int clockOffsetS = 0;   // terminal clock minus PC clock
    bool badClock = false;  // the clock reads 31/13 until it is set

    // Sets the switch `name` ("split", "silent-after", ...); false for an
    // unknown name or a bad value.
    bool set(const QString &name, const QString &value);
    static QStringList names();
};

// What one terminal is: where it listens, what it stores, how it misbehaves.
// More fields can join here (the UDP side, for one).
struct TerminalConfig {
    QHostAddress address;
    quint16 port = 9780;
    int records = 0;     // generated records, when no file is given
    QString recordsFile; // records read from this file instead
    Faults faults;
};

// One simulated terminal on TCP: answers cmdGetRecords, cmdGetTime and
// cmdSetTime, and keeps everything it received for the report.
class SimTerminal : public QObject {
    Q_OBJECT

public:
    SimTerminal(const TerminalConfig &config, QList<SimRecord> records, QObject *parent = nullptr);
    ~SimTerminal() override;

    bool listen(QString *error);
    quint16 port() const { return server_.serverPort(); }
    QJsonObject report() const;

signals:
    void activity();

private:
    struct Connection {
        QPointer<QTcpSocket> socket;
        int number = 0;
        QByteArray pending;
        int requests = 0;
        int replies = 0;
        int cursor = 0; // records of store_ before this were sent on this connection
        int total = -1; // record_total of this connection's pull: what was stored when it opened
        struct Piece {
            int delayMs;
            QByteArray bytes;
            bool closeAfter;
        };
        QList<Piece> outbox; // goes out in order, one piece after another
        bool sending = false;
    };

    void accept();
    void readFrames(Connection &c);
    void handle(Connection &c, const QByteArray &frame);
    void recordsRequest(Connection &c, int pullFlag);
    void reply(Connection &c, QByteArray bytes);
    void sendNext(Connection &c);
    QDateTime clock() const;

    TerminalConfig config_;
    QTcpServer server_;
    QList<Connection *> connections_; // kept to the end: pieces may still be due
    int connectionCount_ = 0;
    QList<SimRecord> initial_;
    QList<SimRecord> store_;
    QJsonArray requests_;
    QJsonArray clockFrames_;
    QJsonArray deleted_;
    bool clockSet_ = false;
    qint64 clockOffsetS_ = 0;
};
