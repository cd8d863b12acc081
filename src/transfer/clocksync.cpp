#include "transfer/clocksync.h"

#include "protocol/frame.h"
#include "transfer/terminalconnection.h"

namespace ta::transfer {

using namespace ta::protocol;

namespace {

struct ClockFields {
    int day, month, year, hour, minute, second;
};

ClockFields fields(QByteArrayView r)
{
    return {byteAt(r, 6), byteAt(r, 7), byteAt(r, 8), byteAt(r, 10), byteAt(r, 11), byteAt(r, 12)};
}

} // namespace

QString clockText(QByteArrayView reply)
{
    const ClockFields f = fields(reply);
    return QStringLiteral("Time: %1/%2/%3 %4:%5:%6").arg(f.day).arg(f.month).arg(f.year).arg(f.hour).arg(f.minute).arg(f.second);
}

bool clockNeedsSetting(QByteArrayView reply, const QDateTime &pc)
{
    const ClockFields f = fields(reply);
    const QDate date(2000 + f.year, f.month, f.day);
    const QTime time(f.hour, f.minute, f.second);
    if (!date.isValid() || !time.isValid())
        return true;
    // The terminal keeps local time, as the PC shows it.
    const QDateTime terminal(date, time, pc.timeSpec());
    return qAbs(terminal.secsTo(pc)) > 2;
}

QByteArray setTimeFrame(const QDateTime &pc)
{
    const QDate d = pc.date();
    const QTime t = pc.time();
    TDeviceFrame frame(cmdSetTime, kSetTimeLength);
    frame.setLow8(6, d.day());
    frame.setLow8(7, d.month());
    frame.setLow8(8, d.year() % 100); // the year's last two digits
    frame.setLow8(9, d.dayOfWeek() % 7 + 1); // 1 = Sunday ... 7 = Saturday
    frame.setLow8(10, t.hour());
    frame.setLow8(11, t.minute());
    frame.setLow8(12, t.second());
    return frame.bytes();
}

void SyncDeviceClock(TerminalConnection &connection, const std::function<QDateTime()> &now,
                     const std::function<void(const QString &)> &showClockText)
{
    connection.send(TDeviceFrame(cmdGetTime, kGetTimeLength).bytes());
    if (connection.receive(cmdTimeReply, kTimeReplyLengths) != TerminalConnection::Reply::Complete)
        return;
    const QByteArray reply = connection.frame();
    showClockText(clockText(reply));
    const QDateTime pcNow = now();
    if (!clockNeedsSetting(reply, pcNow) || !pcNow.isValid())
        return;
    connection.send(setTimeFrame(pcNow));
    connection.receive(cmdSetTimeReply, kSetTimeReplyLengths); // whatever comes changes nothing
}

} // namespace ta::transfer
