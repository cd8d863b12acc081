#pragma once

#include "discovery/panelstatus.h"
#include "protocol/texterror.h"
#include "settings/settingsfolder.h"
#include "transfer/transferrun.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace ta::discovery {
class UdpEndpoint;
}

namespace ta::gui {

// The IP address picked in the Discoverer2 window; empty outside a discovery scan.
extern QString PickedIp;

class Dialogs;
class TForm11;

// The main window "Terminal Aktarım": settings, device grid, transfer run and
// the start of a discovery scan. Controls carry their designed names.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    static constexpr int kGridRows = 100; // header row + 99 device rows
    static constexpr int kGridColumns = 5;
    // The open-file dialog's filter: display name | pattern.
    static inline const QString kOpenDialogFilter = QStringLiteral("Txt Dosyaları|*.Txt");
    using enum transfer::GridColumn; // ColId, ColIp, ColG, ColDurum, ColKayit

    // Builds the window and runs FormCreate, loading from `programDir`/Ayarlar.
    TForm1(Dialogs &dialogs, const QString &programDir, QWidget *parent = nullptr);
    ~TForm1() override;

    // Device grid cell access: row 0 is the fixed header row (the table's
    // header bar), rows 1..99 the device rows (table rows 0..98).
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);

    const settings::SettingsFolder &settingsFolder() const { return settings_; }
    Dialogs &dialogs() { return dialogs_; }

    // The Discoverer2 window, or none.
    TForm11 *form11() const;
    void setForm11(TForm11 *window);

    // How the transfer run reaches the terminals (port, time limits, clock).
    void setTransferOptions(transfer::TransferOptions options) { transferOptions_ = std::move(options); }
    bool transferRunning() const { return transferRunning_; }

    // Controls (names as designed).
    QGroupBox *GroupBox1 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLineEdit *YedekTxt = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *AktarTxt = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QCheckBox *CheckBox3 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QTableWidget *Grid = nullptr;
    QLineEdit *IpTxt = nullptr;
    QLabel *Label3 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QTimer *Timer1 = nullptr;
    QWidget *Panel1 = nullptr;
    QLabel *Saat = nullptr;
    QLineEdit *TimeMaskEdit = nullptr;
    discovery::UdpEndpoint *IdUDPServer = nullptr;
    // The panels' last status per sender, kept for the program's life.
    discovery::PanelStatusLists PanelStatus;

public slots:
    void FormCreate();
    void FormActivate();
    void Timer1Timer();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void IdUDPServerUDPRead(const QByteArray &AData, const QString &peerIp);

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override; // unit1_transfer.cpp

private:
    void buildLayout();
    // Runs a handler body; a failure that leaves it is shown in an error box.
    void guarded(const std::function<void()> &body);
    void saveOption(QCheckBox *box, const QString &fileName);
    void createEndpoint();

    Dialogs &dialogs_;
    settings::SettingsFolder settings_;
    QPointer<TForm11> Form11;
    bool activated_ = false;
    transfer::TransferOptions transferOptions_;
    bool transferRunning_ = false;
    bool closeAfterRun_ = false; // closing asked for while a run works
    // While FormCreate loads the options, a failing save is kept here (not
    // shown) and FormCreate ends with it once the check box has changed.
    bool loadingOptions_ = false;
    std::optional<TextError> optionSaveFailure_;
};

} // namespace ta::gui
