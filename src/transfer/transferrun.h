#pragma once

#include "transfer/recordwriter.h"
#include "transfer/terminalconnection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace ta::transfer {

// Grid columns the run reads and writes.
enum GridColumn { ColId = 0, ColIp = 1, ColG = 2, ColDurum = 3, ColKayit = 4 };

// "Durum" texts.
inline const QString kConnected = QStringLiteral("Bağlandı");
inline const QString kNotConnected = QStringLiteral("Bağlanamadı");
inline const QString kNoAnswer = QStringLiteral("Yanıt Yok");
inline const QString kWriteFailed = QStringLiteral("Yazma Hatası");
inline const QString kBackupFailed = QStringLiteral("Yedek Hatası");
inline const QString kInvalidReply = QStringLiteral("Geçersiz Yanıt");

// What the run needs of whoever shows it: the main window, or a benchmark.
// Every value is read at the moment the run needs it, so changes made while
// the run pumps take effect from then on.
class TransferHost {
public:
    virtual ~TransferHost() = default;

    virtual int rowCount() const = 0; // header row included
    virtual QString cell(int row, int column) const = 0;
    virtual void setCell(int row, int column, const QString &text) = 0;
    virtual QString transferPath() const = 0; // "Aktarım Dosya"
    virtual QString backupFolder() const = 0; // "Yedek Klasör"
    virtual bool syncClocks() const = 0;      // "Saatleri Güncelle"
    virtual bool deleteAfterPull() const = 0; // "Kayıt Çektikten Sonra Verileri Sil"
    // Lets pending events run and the view repaint (the host may do so less often).
    virtual void pump() = 0;
    virtual void setClockText(const QString &text) = 0;
};

struct TransferOptions {
    quint16 port = kTerminalPort;
    ConnectionLimits limits;
    int maxRequests = 100000; // per connection
    std::function<QDateTime()> now = &QDateTime::currentDateTime; // the PC clock, for the clock check
    std::function<QDate()> today = &currentDay;                   // the day, for the backup folder
};

struct RunResult {
    enum Status { Completed, NoTransferPath, NoBackupFolder, Failed } status = Completed;
    QStringList deviceLines; // gathered device list lines, for a completed run
    QString error;           // the failure's text, for a failed run
};

// One transfer run over rows 1 to rowCount()-1 of the host's grid.
class TransferRun {
public:
    explicit TransferRun(TransferHost &host, TransferOptions options = {});

    RunResult run();

private:
    // How the record pull on one connection ended.
    enum class PullEnd { Done, NoAnswer, InvalidReply, WriteFailed };
    PullEnd pullRecords(int row, bool &backupFailed);
    // Hands the records of one reply to the record writer. `keep` is set when a
    // record is missing from one of the files, so that the terminal must keep it.
    PullEnd storeReply(int row, const QByteArray &reply, bool &backupFailed, std::optional<PullEnd> &keep);

    TransferHost &host_;
    TransferOptions options_;
    TerminalConnection connection_;
    RecordWriter writer_;
};

} // namespace ta::transfer
