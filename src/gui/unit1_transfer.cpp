// The main window's side of the transfer run: the host the run works through,
// "Kayıtları Çek", and closing the window while a run works.
#include "gui/dialogs.h"
#include "gui/unit1.h"
#include "protocol/texterror.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMap>
#include <QTableWidget>
#include <QTimer>

namespace ta::gui {

namespace {

// What the run writes into "Durum" and "Kayıt"; off unless asked for through
// the logging rules (the end-to-end runs read it).
Q_LOGGING_CATEGORY(lcGrid, "terminalaktarim.grid", QtInfoMsg)

// The run reads and writes the window's controls at the moments it needs them.
// The window keeps painting throughout; only the per-record "Kayıt" writes are
// held back (the latest text per row) and reach the grid at most every 50 ms,
// so that a long pull does not cost a paint per record.
class WindowTransferHost final : public transfer::TransferHost {
public:
    explicit WindowTransferHost(TForm1 &form) : form_(form) {}
    ~WindowTransferHost() override { flush(); }
    WindowTransferHost(const WindowTransferHost &) = delete;
    WindowTransferHost &operator=(const WindowTransferHost &) = delete;

    int rowCount() const override { return TForm1::kGridRows; }
    QString cell(int row, int column) const override
    {
        if (column == TForm1::ColKayit) {
            if (const auto it = pendingKayit_.constFind(row); it != pendingKayit_.cend())
                return *it;
        }
        return form_.cell(row, column);
    }
    void setCell(int row, int column, const QString &text) override
    {
        qCDebug(lcGrid).noquote() << row << column << text;
        if (column == TForm1::ColKayit) {
            pendingKayit_.insert(row, text);
            return;
        }
        flush();
        form_.setCell(row, column, text);
    }
    QString transferPath() const override { return form_.AktarTxt->text(); }
    QString backupFolder() const override { return form_.YedekTxt->text(); }
    bool syncClocks() const override { return form_.CheckBox1->isChecked(); }
    bool deleteAfterPull() const override { return form_.CheckBox2->isChecked(); }
    void setClockText(const QString &text) override { form_.Saat->setText(text); }

    // Pending events at every pump point; the held-back "Kayıt" texts reach
    // the grid at most every 50 ms, often enough for the operator and rare
    // enough not to slow a long pull down.
    void pump() override
    {
        if (!sinceApply_.isValid() || sinceApply_.elapsed() >= kApplyIntervalMs)
            flush();
        QCoreApplication::processEvents();
    }

    // Every held-back "Kayıt" text into the grid.
    void flush()
    {
        for (auto it = pendingKayit_.cbegin(); it != pendingKayit_.cend(); ++it)
            form_.setCell(it.key(), TForm1::ColKayit, it.value());
        pendingKayit_.clear();
        sinceApply_.start();
    }

private:
    static constexpr int kApplyIntervalMs = 50;
    TForm1 &form_;
    QMap<int, QString> pendingKayit_;
    QElapsedTimer sinceApply_;
};

} // namespace

void TForm1::BitBtn1Click()
{
    // A click while a run works (delivered by its pump) starts nothing.
    if (transferRunning_)
        return;
    Timer1->stop();
    transferRunning_ = true;
    WindowTransferHost host(*this);
    const transfer::RunResult result = transfer::TransferRun(host, transferOptions_).run();
    host.flush(); // the grid is complete before any box opens
    transferRunning_ = false;

    bool closeNow = closeAfterRun_;
    switch (result.status) {
    case transfer::RunResult::NoTransferPath:
        dialogs_.messageBox(QStringLiteral("Lütfen Aktarılacak Dosya Seçiniz"));
        break;
    case transfer::RunResult::NoBackupFolder:
        dialogs_.messageBox(QStringLiteral("Lütfen Yedek Klasörü Seçiniz"));
        break;
    case transfer::RunResult::Failed:
        dialogs_.showError(result.error);
        break;
    case transfer::RunResult::Completed:
        try {
            settings_.saveDeviceList(result.deviceLines);
            closeNow = closeNow || CheckBox3->isChecked();
        } catch (const TextError &e) {
            dialogs_.showError(e.text());
        }
        break;
    }
    closeAfterRun_ = false;
    if (closeNow)
        close();
}

void TForm1::closeEvent(QCloseEvent *e)
{
    // "Kapat" or the close box during a run: the run finishes first.
    if (transferRunning_) {
        closeAfterRun_ = true;
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

} // namespace ta::gui
