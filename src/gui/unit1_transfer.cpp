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
#include <QTableWidget>
#include <QTimer>

namespace ta::gui {

namespace {

// What the run writes into "Durum" and "Kayıt"; off unless asked for through
// the logging rules (the end-to-end runs read it).
Q_LOGGING_CATEGORY(lcGrid, "terminalaktarim.grid", QtInfoMsg)

// The run reads and writes the window's controls at the moments it needs them.
class WindowTransferHost final : public transfer::TransferHost {
public:
    // While the run works the window paints only when the pump says so.
    explicit WindowTransferHost(TForm1 &form) : form_(form) { form_.setUpdatesEnabled(false); }
    ~WindowTransferHost() override { form_.setUpdatesEnabled(true); }
    WindowTransferHost(const WindowTransferHost &) = delete;
    WindowTransferHost &operator=(const WindowTransferHost &) = delete;

    int rowCount() const override { return form_.Grid->rowCount(); }
    QString cell(int row, int column) const override { return form_.cell(row, column); }
    void setCell(int row, int column, const QString &text) override
    {
        form_.setCell(row, column, text);
        qCDebug(lcGrid).noquote() << row << column << text;
    }
    QString transferPath() const override { return form_.AktarTxt->text(); }
    QString backupFolder() const override { return form_.YedekTxt->text(); }
    bool syncClocks() const override { return form_.CheckBox1->isChecked(); }
    bool deleteAfterPull() const override { return form_.CheckBox2->isChecked(); }
    void setClockText(const QString &text) override { form_.Saat->setText(text); }

    // Pending events at every pump point; repainting at most every 50 ms, often
    // enough for the operator and rare enough not to slow a long pull down.
    void pump() override
    {
        QCoreApplication::processEvents();
        if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < kRepaintIntervalMs)
            return;
        form_.setUpdatesEnabled(true);
        form_.repaint();
        form_.setUpdatesEnabled(false);
        sinceRepaint_.start();
    }

private:
    static constexpr int kRepaintIntervalMs = 50;
    TForm1 &form_;
    QElapsedTimer sinceRepaint_;
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
