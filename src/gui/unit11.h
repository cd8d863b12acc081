#pragma once

#include "discovery/discoverytable.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace ta::discovery {
struct StatusReport;
}

namespace ta::gui {

class TForm1;

// The Discoverer2 window: terminals found on the network, the selected one's
// settings, the set-up and reset buttons, and the panels' live status.
class TForm11 : public QDialog {
    Q_OBJECT

public:
    static constexpr int kColumns = discovery::kDiscoveryColumns;
    static constexpr int kStatusLines = 1000;

    // `form1` owns the UDP endpoint the buttons send through.
    explicit TForm11(TForm1 *form1);
    ~TForm11() override;

    // The table as the discovery-reply logic sees it.
    discovery::DiscoveryTable &table();
    // Row count 2, every cell of row 1 empty, the header row kept.
    void resetTable();
    // Appends one line for a status report to the "Panel Status" list.
    void showStatus(const discovery::StatusReport &report);

    QTableWidget *Discoverer2StringGrid = nullptr;
    QLabel *SelectedNoLabel = nullptr;
    QLabel *SelectedNoValLabel = nullptr;
    QLabel *SelectedKeyLabel = nullptr;
    QLabel *SelectedKeyValLabel = nullptr;
    QLabel *SelectedMACAddressLabel = nullptr;
    QLabel *SelectedMACAddressValLabel = nullptr;
    QLabel *MACAddressLabel = nullptr;
    QLabel *NetBiosNameLabel = nullptr;
    QLabel *IpAddressLabel = nullptr;
    QLabel *SubnetMaskLabel = nullptr;
    QLabel *GatewayLabel = nullptr;
    QLabel *DHCPIpGleaning = nullptr;
    QLineEdit *MACAddressEdit = nullptr;
    QLineEdit *NetBiosNameEdit = nullptr;
    QLineEdit *IpAddressEdit = nullptr;
    QLineEdit *SubnetMaskEdit = nullptr;
    QLineEdit *GatewayEdit = nullptr;
    QLineEdit *DHCPIpGleaningEdit = nullptr;
    QPushButton *IdToMacButton = nullptr;
    QPushButton *SetButton = nullptr;
    QPushButton *ResetButton = nullptr;
    QGroupBox *PanelStatusBox = nullptr;
    QListWidget *PanelStatusList = nullptr;

public slots:
    void FormCreate();
    void Discoverer2StringGridSelectCell(int ACol, int ARow);
    void Discoverer2StringGridDblClick();
    void IdToMacButtonClick();
    void SetButtonClick();
    void ResetButtonClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Table;
    void buildLayout();
    bool endpointActive() const;
    // Sends one datagram to the broadcast address at the endpoint's default port.
    void broadcast(const QByteArray &bytes);

    TForm1 *form1_;
    Table *table_;
};

} // namespace ta::gui
