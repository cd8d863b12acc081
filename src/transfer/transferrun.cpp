#include "transfer/transferrun.h"

#include "protocol/frame.h"
#include "protocol/logentry.h"
#include "protocol/texterror.h"
#include "settings/devicelist.h"
#include "transfer/clocksync.h"

#include <algorithm>

namespace ta::transfer {

using namespace ta::protocol;

TransferRun::TransferRun(TransferHost &host, TransferOptions options)
    : host_(host), options_(std::move(options)), connection_(options_.limits),
      writer_([now = options_.now] { return now().date(); })
{
}

RunResult TransferRun::run()
{
    RunResult result;
    if (host_.transferPath().isEmpty()) {
        result.status = RunResult::NoTransferPath;
        return result;
    }
    if (host_.backupFolder().isEmpty()) {
        result.status = RunResult::NoBackupFolder;
        return result;
    }
    const int rows = host_.rowCount();
    try {
        for (int row = 1; row < rows; ++row) {
            const QString ip = host_.cell(row, ColIp);
            if (ip.isEmpty())
                continue;
            result.deviceLines.append(settings::deviceLineText(host_.cell(row, ColId), ip, host_.cell(row, ColG)));
            if (!connection_.connectTo(ip, options_.port)) {
                host_.setCell(row, ColDurum, kNotConnected);
                connection_.close();
                continue;
            }
            host_.setCell(row, ColDurum, kConnected);
            host_.pump();
            if (host_.syncClocks())
                SyncDeviceClock(connection_, options_.now, [this](const QString &text) { host_.setClockText(text); });
            bool backupFailed = false;
            switch (pullRecords(row, backupFailed)) {
            case PullEnd::NoAnswer:
                host_.setCell(row, ColDurum, kNoAnswer);
                break;
            case PullEnd::WriteFailed:
                host_.setCell(row, ColDurum, kWriteFailed);
                break;
            case PullEnd::Done:
                if (backupFailed)
                    host_.setCell(row, ColDurum, kBackupFailed);
                break;
            }
            host_.pump();
            connection_.close();
        }
    } catch (const TextError &e) {
        connection_.close();
        return RunResult{RunResult::Failed, {}, e.text()};
    }
    return result;
}

TransferRun::PullEnd TransferRun::pullRecords(int row, bool &backupFailed)
{
    for (int iteration = 1; iteration <= options_.maxRequests; ++iteration) {
        std::uint8_t pullFlag = 0;
        if (iteration > 1)
            pullFlag = host_.deleteAfterPull() ? 2 : 1;
        if (pullFlag == 2) {
            // The terminal deletes what it has sent: every line written so far
            // must be on the disk first.
            const auto flushed = writer_.flushTouched();
            if (!flushed.transferFlushed)
                return PullEnd::WriteFailed;
            backupFailed = backupFailed || !flushed.backupFlushed;
        }
        TDeviceFrame request(cmdGetRecords, kGetRecordsLength);
        request.setByte(6, pullFlag);
        connection_.send(request.bytes());
        switch (connection_.receive(cmdRecordsReply, kRecordsReplyLengths)) {
        case TerminalConnection::Reply::NoAnswer:
            return PullEnd::NoAnswer;
        case TerminalConnection::Reply::Invalid:
            continue;
        case TerminalConnection::Reply::Complete:
            break;
        }
        const QByteArray &reply = connection_.frame();
        // A reply without records ends the pull, also one whose record_count
        // claims records its length does not carry.
        if (byteAt(reply, 6) == 0 || byteAt(reply, 5) == kRecordsReplyHead)
            return PullEnd::Done;
        if (storeReply(row, reply, backupFailed) == PullEnd::WriteFailed)
            return PullEnd::WriteFailed;
    }
    return PullEnd::Done;
}

TransferRun::PullEnd TransferRun::storeReply(int row, const QByteArray &reply, bool &backupFailed)
{
    const int recordCount = byteAt(reply, 6);
    const std::int32_t recordTotal = s32le(reply, 7);
    // Records the length byte does not cover are not there to be read.
    const int carried = std::min(recordCount, (byteAt(reply, 5) - kRecordsReplyHead) / kRecordSize);
    for (int i = 0; i < carried; ++i) {
        const TPanelRecord record =
            TPanelRecord::decode(QByteArrayView(reply).sliced(kRecordsReplyHead + kRecordSize * i, kRecordSize));
        const QString id = host_.cell(row, ColId);
        const QString g = host_.cell(row, ColG);
        host_.pump();
        host_.setCell(row, ColKayit, kayitText(record.record_no, recordTotal));
        const StoreResult stored = writer_.StoreRecord(host_.transferPath(), host_.backupFolder(), id, g,
                                                       record.entry.data, record.entry.time);
        backupFailed = backupFailed || !stored.backupWritten;
        // A line that is not in the transfer file must stay on the terminal:
        // no further request goes out on this connection.
        if (!stored.transferWritten)
            return PullEnd::WriteFailed;
    }
    return PullEnd::Done;
}

} // namespace ta::transfer
