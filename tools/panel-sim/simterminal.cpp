#include "simterminal.h"

#include "protocol/frame.h"

#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

using namespace ta::protocol;

namespace {

struct Switch {
    const char *name;
    std::function<bool(Faults &, const QString &)> apply;
};

bool toInt(const QString &value, int min, int &out)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    if (!ok || v < min)
        return false;
    out = v;
    return true;
}

const QList<Switch> &switches()
{
    static const QList<Switch> list{
        {"batch", [](Faults &f, const QString &v) { return toInt(v, 1, f.batch) && f.batch <= kMaxRecordsPerReply; }},
        {"delay", [](Faults &f, const QString &v) { return toInt(v, 0, f.delayMs); }},
        {"split", [](Faults &f, const QString &v) { return toInt(v.isEmpty() ? QStringLiteral("5") : v, 1, f.splitBytes); }},
        {"split-delay", [](Faults &f, const QString &v) { return toInt(v, 0, f.splitDelayMs); }},
        {"silent", [](Faults &f, const QString &v) { f.silentAfter = 0; return v.isEmpty(); }},
        {"silent-after", [](Faults &f, const QString &v) { return toInt(v, 0, f.silentAfter); }},
        {"close-after", [](Faults &f, const QString &v) { return toInt(v, 0, f.closeAfter); }},
        {"invalid-reply", [](Faults &f, const QString &v) { return toInt(v, 1, f.invalidReply); }},
        {"overcount", [](Faults &f, const QString &v) { return toInt(v.isEmpty() ? QStringLiteral("0") : v, 0, f.overcount); }},
        {"bad-length", [](Faults &f, const QString &v) { return toInt(v, 1, f.badLength); }},
        {"extra-bytes", [](Faults &f, const QString &v) { return toInt(v, 0, f.extraBytes); }},
        {"clock-offset", [](Faults &f, const QString &v) { bool ok; f.clockOffsetS = v.toInt(&ok); return ok; }},
        {"bad-clock", [](Faults &f, const QString &v) { f.badClock = true; return v.isEmpty(); }},
    };
    return list;
}

} // namespace

bool Faults::set(const QString &name, const QString &value)
{
    for (const Switch &s : switches())
        if (name == QLatin1String(s.name))
            return s.apply(*this, value);
    return false;
}

QStringList Faults::names()
{
    QStringList out;
    for (const Switch &s : switches())
        out << QLatin1String(s.name);
    return out;
}

SimTerminal::SimTerminal(const TerminalConfig &config, QList<SimRecord> records, QObject *parent)
    : QObject(parent), config_(config), initial_(records), store_(std::move(records)),
      clockOffsetS_(config.faults.clockOffsetS)
{
    connect(&server_, &QTcpServer::newConnection, this, &SimTerminal::accept);
}

SimTerminal::~SimTerminal()
{
    for (Connection *c : std::as_const(connections_)) {
        if (c->socket)
            c->socket->disconnect(this);
        delete c;
    }
}

bool SimTerminal::listen(QString *error)
{
    if (server_.listen(config_.address, config_.port))
        return true;
    *error = QStringLiteral("cannot listen on %1:%2: %3")
                 .arg(config_.address.toString())
                 .arg(config_.port)
                 .arg(server_.errorString());
    return false;
}

void SimTerminal::accept()
{
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        auto *c = new Connection;
        c->socket = socket;
        c->number = ++connectionCount_;
        connections_.append(c);
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { readFrames(*c); });
        connect(socket, &QTcpSocket::disconnected, this, [c] {
            c->outbox.clear();
            if (c->socket)
                c->socket->deleteLater();
        });
        emit activity();
    }
}

void SimTerminal::readFrames(Connection &c)
{
    emit activity();
    c.pending += c.socket->readAll();
    while (c.pending.size() >= kHeadSize) {
        if (!hasSync(c.pending)) {
            c.pending.clear(); // out of step: wait for the next request
            return;
        }
        const int length = byteAt(c.pending, 5);
        if (length < kHeadSize) {
            c.pending.clear();
            return;
        }
        if (c.pending.size() < length)
            return;
        const QByteArray frame = c.pending.left(length);
        c.pending.remove(0, length);
        handle(c, frame);
    }
}

QDateTime SimTerminal::clock() const
{
    return QDateTime::currentDateTime().addSecs(clockOffsetS_);
}

void SimTerminal::handle(Connection &c, const QByteArray &frame)
{
    const std::uint8_t command = byteAt(frame, 4);
    const int length = byteAt(frame, 5);
    if (command == cmdGetRecords && length == kGetRecordsLength) {
        const int pullFlag = byteAt(frame, 6);
        requests_.append(QJsonObject{{QStringLiteral("connection"), c.number}, {QStringLiteral("pull_flag"), pullFlag}});
        recordsRequest(c, pullFlag);
        return;
    }
    if (command == cmdGetTime && length == kGetTimeLength) {
        clockFrames_.append(QJsonObject{{QStringLiteral("connection"), c.number}, {QStringLiteral("command"), QStringLiteral("get_time")}});
        TDeviceFrame r(cmdTimeReply, kTimeReplyLength);
        const QDateTime now = clock();
        const bool bad = config_.faults.badClock && !clockSet_;
        r.setLow8(6, bad ? 31 : now.date().day());
        r.setLow8(7, bad ? 13 : now.date().month());
        r.setLow8(8, now.date().year() - 2000);
        r.setLow8(9, now.date().dayOfWeek() % 7 + 1);
        r.setLow8(10, now.time().hour());
        r.setLow8(11, now.time().minute());
        r.setLow8(12, now.time().second());
        ++c.requests;
        reply(c, r.bytes());
        return;
    }
    if (command == cmdSetTime && length == kSetTimeLength) {
        const QDate d(2000 + byteAt(frame, 8), byteAt(frame, 7), byteAt(frame, 6));
        const QTime t(byteAt(frame, 10), byteAt(frame, 11), byteAt(frame, 12));
        clockFrames_.append(QJsonObject{{QStringLiteral("connection"), c.number},
                                        {QStringLiteral("command"), QStringLiteral("set_time")},
                                        {QStringLiteral("bytes"), QString::fromLatin1(frame.toHex(' '))},
                                        {QStringLiteral("weekday"), byteAt(frame, 9)},
                                        {QStringLiteral("time"), QDateTime(d, t).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))}});
        if (d.isValid() && t.isValid()) {
            clockOffsetS_ = QDateTime::currentDateTime().secsTo(QDateTime(d, t));
            clockSet_ = true;
        }
        ++c.requests;
        reply(c, TDeviceFrame(cmdSetTimeReply, kSetTimeReplyLength).bytes());
        return;
    }
    // Anything else is no request of this terminal: no answer.
}

void SimTerminal::recordsRequest(Connection &c, int pullFlag)
{
    const Faults &f = config_.faults;
    if (pullFlag == 0 || c.total < 0) {
        c.cursor = 0;
        c.total = static_cast<int>(store_.size());
    }
    if (pullFlag == 2) {
        // Deletes what it has sent on this connection.
        for (int i = 0; i < c.cursor; ++i)
            deleted_.append(store_[i].record_no);
        store_.remove(0, c.cursor);
        c.cursor = 0;
    }
    ++c.requests;
    const int count = std::min<int>(f.batch, static_cast<int>(store_.size()) - c.cursor);
    TDeviceFrame r(cmdRecordsReply, kRecordsReplyHead + kRecordSize * count);
    const int replyNo = c.replies + 1;
    const bool overcount = f.overcount == 0 || f.overcount == replyNo;
    r.setLow8(6, count + (overcount ? 1 : 0));
    r.setU32LE(7, static_cast<std::uint32_t>(c.total));
    for (int i = 0; i < count; ++i) {
        const QByteArray rec = store_[c.cursor + i].encode();
        r.setBytes(kRecordsReplyHead + kRecordSize * i,
                   std::span(reinterpret_cast<const std::uint8_t *>(rec.constData()), static_cast<std::size_t>(rec.size())));
    }
    QByteArray bytes = r.bytes();
    // A reply with a wrong command is taken back; one with a wrong length byte
    // or record_count counts as sent, as a terminal would count it.
    if (f.invalidReply == replyNo)
        bytes[4] = static_cast<char>(0xB7);
    else
        c.cursor += count;
    if (f.badLength == replyNo)
        bytes[5] = static_cast<char>(bytes.size() + 1);
    reply(c, bytes);
}

void SimTerminal::reply(Connection &c, QByteArray bytes)
{
    const Faults &f = config_.faults;
    if (f.silentAfter >= 0 && c.requests > f.silentAfter)
        return;
    ++c.replies;
    bytes += QByteArray(f.extraBytes, '\x5A');
    const bool closeAfter = f.closeAfter >= 0 && c.replies >= f.closeAfter;
    const int pieceSize = f.splitBytes > 0 ? f.splitBytes : static_cast<int>(bytes.size());
    for (qsizetype at = 0; at < bytes.size(); at += pieceSize) {
        const bool last = at + pieceSize >= bytes.size();
        c.outbox.append({at == 0 ? f.delayMs : f.splitDelayMs, bytes.mid(at, pieceSize), last && closeAfter});
    }
    if (!c.sending)
        sendNext(c);
}

void SimTerminal::sendNext(Connection &c)
{
    c.sending = !c.outbox.isEmpty() && c.socket;
    if (!c.sending)
        return;
    const int delayMs = c.outbox.constFirst().delayMs;
    auto send = [this, &c] {
        if (c.outbox.isEmpty() || !c.socket)
            return;
        const Connection::Piece piece = c.outbox.takeFirst();
        c.socket->write(piece.bytes);
        c.socket->flush();
        if (piece.closeAfter) {
            c.outbox.clear();
            c.socket->disconnectFromHost();
        }
        sendNext(c);
    };
    if (delayMs == 0)
        send();
    else
        QTimer::singleShot(delayMs, this, send);
}

QJsonObject SimTerminal::report() const
{
    QJsonArray stored, records;
    for (const SimRecord &r : store_)
        stored.append(r.record_no);
    for (const SimRecord &r : initial_)
        records.append(r.toJson());
    int open = 0;
    for (const Connection *c : connections_)
        open += c->socket && c->socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
    return QJsonObject{
        {QStringLiteral("address"), config_.address.toString()},
        {QStringLiteral("open_connections"), open},
        {QStringLiteral("port"), port()},
        {QStringLiteral("connections"), connectionCount_},
        {QStringLiteral("requests"), requests_},
        {QStringLiteral("clock_frames"), clockFrames_},
        {QStringLiteral("deleted"), deleted_},
        {QStringLiteral("stored"), stored},
        {QStringLiteral("records"), records},
    };
}
