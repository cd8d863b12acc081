#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <functional>

namespace ta::transfer {

class TerminalConnection;

// The clock text of a clock reply: "Time: 9/12/24 16:25:33", numbers unpadded.
QString clockText(QByteArrayView timeReply);

// True when the terminal clock of a clock reply is to be set from `pc`: when
// it is no valid date and time, or more than 2 seconds off either way.
bool clockNeedsSetting(QByteArrayView timeReply, const QDateTime &pc);

// The set request for the PC date and time `pc`.
QByteArray setTimeFrame(const QDateTime &pc);

// Reads the terminal clock on the open connection, hands its text to
// `showClockText` and sets the clock from the PC clock `now` when it is off. Never fails,
// leaves the connection open.
void SyncDeviceClock(TerminalConnection &connection, const std::function<QDateTime()> &now,
                     const std::function<void(const QString &)> &showClockText);

} // namespace ta::transfer
