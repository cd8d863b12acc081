#include "transfer/transferrun.h"

#include "protocol/frame.h"
#include "protocol/logentry.h"
#include "protocol/texterror.h"
#include "settings/devicelist.h"
#include "transfer/clocksync.h"

namespace ta::transfer {

using namespace ta::protocol;

TransferRun::TransferRun(TransferHost &host, TransferOptions options)
    : host_(host), options_(std::move(options)), connection_(options_.limits),
      writer_(options_.today)
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
            case PullEnd::InvalidReply:
                host_.setCell(row, ColDurum, kInvalidReply);
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

namespace {

// A record_count beyond the records that the length byte covers makes a reply
// invalid: the terminal may count records as sent that never arrived.
bool recordCountFits(const QByteArray &reply)
{
    return byteAt(reply, 6) <= (byteAt(reply, 5) - kRecordsReplyHead) / kRecordSize;
}

} // namespace

TransferRun::PullEnd TransferRun::pullRecords(int row, bool &backupFailed)
{
    // Set once the terminal holds records sent on this connection that are not
    // in both files (a failed write, an invalid reply): from then on no request
    // carrying 2 may go out, since it would delete them.
    std::optional<PullEnd> keep;
    // Files written for an earlier connection may since have been taken away
    // (the importing application takes the transfer file): not this pull's.
    writer_.forgetTouched();
    for (int iteration = 1; iteration <= options_.maxRequests; ++iteration) {
        std::uint8_t pullFlag = 0;
        if (iteration > 1)
            pullFlag = host_.deleteAfterPull() ? 2 : 1;
        if (pullFlag == 2) {
            if (keep)
                return *keep;
            // Every line written so far must be on the disk before the terminal
            // deletes its record.
            const auto flushed = writer_.flushTouched();
            if (!flushed.transferFlushed || !flushed.backupFlushed)
                return PullEnd::WriteFailed;
        }
        TDeviceFrame request(cmdGetRecords, kGetRecordsLength);
        request.setByte(6, pullFlag);
        connection_.send(request.bytes());
        const TerminalConnection::Reply got = connection_.receive(cmdRecordsReply, kRecordsReplyLengths);
        if (got == TerminalConnection::Reply::NoAnswer)
            return PullEnd::NoAnswer;
        if (got == TerminalConnection::Reply::Invalid || !recordCountFits(connection_.frame())) {
            keep = PullEnd::InvalidReply; // ignored; the next request decides
            continue;
        }
        const QByteArray &reply = connection_.frame();
        if (byteAt(reply, 6) == 0)
            return PullEnd::Done;
        const PullEnd stored = storeReply(row, reply, backupFailed, keep);
        if (stored != PullEnd::Done)
            return stored;
    }
    return PullEnd::Done;
}

TransferRun::PullEnd TransferRun::storeReply(int row, const QByteArray &reply, bool &backupFailed,
                                             std::optional<PullEnd> &keep)
{
    const int recordCount = byteAt(reply, 6);
    const std::int32_t recordTotal = s32le(reply, 7);
    for (int i = 0; i < recordCount; ++i) {
        const TPanelRecord record =
            TPanelRecord::decode(QByteArrayView(reply).sliced(kRecordsReplyHead + kRecordSize * i, kRecordSize));
        const QString id = host_.cell(row, ColId);
        const QString g = host_.cell(row, ColG);
        host_.pump();
        host_.setCell(row, ColKayit, kayitText(record.record_no, recordTotal));
        const StoreResult stored = writer_.StoreRecord(host_.transferPath(), host_.backupFolder(), id, g,
                                                       record.entry.data, record.entry.time);
        // A line that is not in the transfer file ends the pull: no further
        // request goes out on this connection.
        if (!stored.transferWritten) {
            keep = PullEnd::WriteFailed;
            return PullEnd::WriteFailed;
        }
        if (!stored.backupWritten) {
            backupFailed = true;
            keep = PullEnd::WriteFailed;
            // With deletion on the pull ends here; without it the transfer
            // file is what counts, and the pull goes on.
            if (host_.deleteAfterPull())
                return PullEnd::WriteFailed;
        }
    }
    return PullEnd::Done;
}

} // namespace ta::transfer
