#include "gui/unit11.h"

#include "discovery/netframes.h"
#include "discovery/panelstatus.h"
#include "discovery/udpendpoint.h"
#include "gui/dialogs.h"
#include "gui/place.h"
#include "gui/unit1.h"
#include "protocol/textforms.h"

#include <QDateTime>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>

namespace ta::gui {

using discovery::Selection;

namespace {

QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top, int width, int height)
{
    auto *l = place<QLabel>(parent, name, left, top, width, height);
    l->setText(text);
    return l;
}

// The designed window is 463 high; the status list goes below its buttons.
constexpr int kWindowHeight = 663;
constexpr int kStatusTop = 420;

} // namespace

// The grid's cells as the discovery-reply logic sees them: row 0 is the
// header bar, which stays in place when the grid scrolls, and row r (r >= 1)
// is the grid widget's row r - 1.
class TForm11::Table final : public discovery::DiscoveryTable {
public:
    explicit Table(TForm11 &form) : form_(form) {}
    int rowCount() const override { return grid()->rowCount() + 1; }
    QString cellText(int row, int column) const override
    {
        const QTableWidgetItem *item = row == 0 ? grid()->horizontalHeaderItem(column) : grid()->item(row - 1, column);
        return item ? item->text() : QString();
    }
    void setCellText(int row, int column, const QString &text) override
    {
        if (row == 0) {
            grid()->setHorizontalHeaderItem(column, new QTableWidgetItem(text));
            return;
        }
        if (QTableWidgetItem *item = grid()->item(row - 1, column)) {
            item->setText(text);
            return;
        }
        auto *item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid()->setItem(row - 1, column, item);
    }
    void addRow() override { grid()->setRowCount(grid()->rowCount() + 1); }
    // The header cannot be current: row 0 leaves no current cell.
    void makeCurrent(int row) override { grid()->setCurrentCell(row - 1, row >= 1 ? 0 : -1); }

private:
    QTableWidget *grid() const { return form_.Discoverer2StringGrid; }
    TForm11 &form_;
};

TForm11::TForm11(TForm1 *form1) : QDialog(form1), form1_(form1), table_(new Table(*this))
{
    buildLayout();
    FormCreate();
}

TForm11::~TForm11()
{
    delete table_;
}

void TForm11::buildLayout()
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Discoverer2"));
    setFont(designedFont());
    // The designed window, grown below its buttons to hold the status list.
    resize(882, kWindowHeight);

    Discoverer2StringGrid = place<QTableWidget>(this, "Discoverer2StringGrid", 16, 16, 836, 281);
    Discoverer2StringGrid->setColumnCount(kColumns);
    Discoverer2StringGrid->setRowCount(1); // the header bar holds the header row
    QHeaderView *header = Discoverer2StringGrid->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setFixedHeight(24);
    Discoverer2StringGrid->verticalHeader()->hide();
    Discoverer2StringGrid->verticalHeader()->setDefaultSectionSize(24);
    Discoverer2StringGrid->horizontalHeader()->setDefaultSectionSize(110);
    Discoverer2StringGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Discoverer2StringGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    Discoverer2StringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Discoverer2StringGrid->viewport()->installEventFilter(this);
    header->viewport()->installEventFilter(this);

    SelectedNoLabel = label(this, "SelectedNoLabel", QStringLiteral("Selected No:"), 16, 312, 62, 13);
    SelectedNoValLabel = label(this, "SelectedNoValLabel", QStringLiteral("-"), 83, 312, 3, 13);
    SelectedKeyLabel = label(this, "SelectedKeyLabel", QStringLiteral("Key:"), 120, 312, 21, 13);
    SelectedKeyValLabel = label(this, "SelectedKeyValLabel", QStringLiteral("-"), 144, 312, 3, 13);
    SelectedMACAddressLabel = label(this, "SelectedMACAddressLabel", QStringLiteral("MAC Address:"), 224, 312, 67, 13);
    SelectedMACAddressValLabel = label(this, "SelectedMACAddressValLabel", QStringLiteral("-"), 296, 312, 3, 13);
    // Value labels grow with their text (the designed widths fit "-").
    for (QLabel *l : {SelectedNoValLabel, SelectedKeyValLabel, SelectedMACAddressValLabel})
        l->setMinimumWidth(l->width());
    SelectedNoValLabel->resize(36, 13);
    SelectedKeyValLabel->resize(78, 13);
    SelectedMACAddressValLabel->resize(120, 13);
    MACAddressLabel = label(this, "MACAddressLabel", QStringLiteral("MAC Address"), 16, 336, 64, 13);
    NetBiosNameLabel = label(this, "NetBiosNameLabel", QStringLiteral("NetBios Name"), 144, 336, 68, 13);
    IpAddressLabel = label(this, "IpAddressLabel", QStringLiteral("Ip Address"), 288, 336, 50, 13);
    SubnetMaskLabel = label(this, "SubnetMaskLabel", QStringLiteral("Subnet Mask"), 392, 336, 63, 13);
    GatewayLabel = label(this, "GatewayLabel", QStringLiteral("Gateway"), 496, 336, 42, 13);
    // Without a buddy a label shows "&" as it is: one "&" shows one.
    DHCPIpGleaning = label(this, "DHCPIpGleaning", QStringLiteral("DHCP&Ip Gleaning"), 600, 336, 90, 13);
    MACAddressEdit = place<QLineEdit>(this, "MACAddressEdit", 16, 352, 113, 21);
    NetBiosNameEdit = place<QLineEdit>(this, "NetBiosNameEdit", 144, 352, 129, 21);
    IpAddressEdit = place<QLineEdit>(this, "IpAddressEdit", 288, 352, 89, 21);
    SubnetMaskEdit = place<QLineEdit>(this, "SubnetMaskEdit", 392, 352, 89, 21);
    GatewayEdit = place<QLineEdit>(this, "GatewayEdit", 496, 352, 89, 21);
    DHCPIpGleaningEdit = place<QLineEdit>(this, "DHCPIpGleaningEdit", 600, 352, 97, 21);
    IdToMacButton = place<QPushButton>(this, "IdToMacButton", 16, 384, 75, 25);
    IdToMacButton->setText(QStringLiteral("Id To MAC"));
    SetButton = place<QPushButton>(this, "SetButton", 104, 384, 75, 25);
    SetButton->setText(QStringLiteral("Set"));
    ResetButton = place<QPushButton>(this, "ResetButton", 192, 384, 75, 25);
    ResetButton->setText(QStringLiteral("Reset"));
    for (QPushButton *b : {IdToMacButton, SetButton, ResetButton})
        b->setAutoDefault(false); // Enter in an edit does not click a button

    PanelStatusBox = place<QGroupBox>(this, "PanelStatusBox", 16, kStatusTop, 836, kWindowHeight - kStatusTop - 16);
    PanelStatusBox->setTitle(QStringLiteral("Panel Status"));
    PanelStatusList = place<QListWidget>(PanelStatusBox, "PanelStatusList", 8, 18, 820, PanelStatusBox->height() - 26);
    PanelStatusList->setSelectionMode(QAbstractItemView::NoSelection);
    PanelStatusList->setEditTriggers(QAbstractItemView::NoEditTriggers);

    // Tab order as designed.
    setTabOrder(Discoverer2StringGrid, NetBiosNameEdit);
    setTabOrder(NetBiosNameEdit, IpAddressEdit);
    setTabOrder(IpAddressEdit, SubnetMaskEdit);
    setTabOrder(SubnetMaskEdit, GatewayEdit);
    setTabOrder(GatewayEdit, DHCPIpGleaningEdit);
    setTabOrder(DHCPIpGleaningEdit, SetButton);
    setTabOrder(SetButton, MACAddressEdit);
    setTabOrder(MACAddressEdit, IdToMacButton);
    setTabOrder(IdToMacButton, ResetButton);

    // Widget row w is table row w + 1; no current cell selects nothing.
    connect(Discoverer2StringGrid, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (row >= 0)
            Discoverer2StringGridSelectCell(column, row + 1);
    });
    connect(IdToMacButton, &QPushButton::clicked, this, &TForm11::IdToMacButtonClick);
    connect(SetButton, &QPushButton::clicked, this, &TForm11::SetButtonClick);
    connect(ResetButton, &QPushButton::clicked, this, &TForm11::ResetButtonClick);
}

void TForm11::FormCreate()
{
    const QString headers[kColumns] = {QStringLiteral("No"),          QStringLiteral("Key"),
                                       QStringLiteral("MAC Address"), QStringLiteral("NetBios Name"),
                                       QStringLiteral("Ip Address"),  QStringLiteral("Subnet Mask"),
                                       QStringLiteral("Gateway"),     QStringLiteral("DHCP&Ip Gleaning")};
    for (int c = 0; c < kColumns; ++c)
        table_->setCellText(0, c, headers[c]); // the fixed header row
    Discoverer2StringGrid->setColumnWidth(0, 36);
    Discoverer2StringGrid->setColumnWidth(3, 128);
}

discovery::DiscoveryTable &TForm11::table()
{
    return *table_;
}

void TForm11::resetTable()
{
    Discoverer2StringGrid->setRowCount(1); // table rows 0 (header) and 1
    for (int c = 0; c < Discoverer2StringGrid->columnCount(); ++c)
        table_->setCellText(1, c, QString());
}

void TForm11::showStatus(const discovery::StatusReport &report)
{
    PanelStatusList->addItem(QStringLiteral("%1  %2  %3  %4")
                                 .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")), report.ip,
                                      discovery::statusKindName(report.kind), report.description));
    while (PanelStatusList->count() > kStatusLines)
        delete PanelStatusList->takeItem(0);
    PanelStatusList->scrollToBottom();
}

void TForm11::Discoverer2StringGridSelectCell(int /*ACol*/, int ARow)
{
    const auto text = [this, ARow](int column) { return table_->cellText(ARow, column); };
    const auto orDash = [](const QString &t) { return t.isEmpty() ? QStringLiteral("-") : t; };
    SelectedNoValLabel->setText(orDash(text(0)));
    SelectedKeyValLabel->setText(orDash(text(1)));
    SelectedMACAddressValLabel->setText(orDash(text(2)));
    MACAddressEdit->setText(text(2));
    NetBiosNameEdit->setText(text(3));
    IpAddressEdit->setText(text(4));
    SubnetMaskEdit->setText(text(5));
    GatewayEdit->setText(text(6));
    DHCPIpGleaningEdit->setText(text(7));
}

bool TForm11::eventFilter(QObject *watched, QEvent *event)
{
    // A double-click anywhere on the grid picks, also on the header or no row at all.
    const bool onGrid =
        watched == Discoverer2StringGrid->viewport() || watched == Discoverer2StringGrid->horizontalHeader()->viewport();
    if (onGrid && event->type() == QEvent::MouseButtonDblClick) {
        Discoverer2StringGridDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm11::Discoverer2StringGridDblClick()
{
    PickedIp = IpAddressEdit->text();
    close();
}

bool TForm11::endpointActive() const
{
    return form1_ && form1_->IdUDPServer && form1_->IdUDPServer->isActive();
}

void TForm11::broadcast(const QByteArray &bytes)
{
    form1_->IdUDPServer->send(discovery::kBroadcastHost, form1_->IdUDPServer->defaultPort(), bytes);
}

void TForm11::IdToMacButtonClick()
{
    const auto entry = form1_->dialogs().inputQuery(QStringLiteral("Enter Id"), QStringLiteral("Id Value (0 - 16777215)"));
    if (!entry)
        return;
    const auto id = protocol::tryIntegerText(*entry);
    if (!id) {
        form1_->dialogs().messageBox(discovery::kEnterNumber);
        return;
    }
    MACAddressEdit->setText(discovery::idToMacText(*id));
}

void TForm11::SetButtonClick()
{
    if (!endpointActive())
        return;
    Dialogs &dialogs = form1_->dialogs();
    const Selection selection{SelectedNoValLabel->text(), SelectedKeyValLabel->text(), SelectedMACAddressValLabel->text()};
    if (!discovery::isValidSelection(selection)) {
        dialogs.messageBox(discovery::kSelectValidRow);
        return;
    }
    try {
        const QString newMac = MACAddressEdit->text();
        protocol::TDeviceFrame frame = discovery::beginSetNetwork(selection, newMac);
        if (discovery::macChanged(selection, newMac))
            dialogs.messageBox(discovery::kMacChangedNotice);
        // Read after the notice: a reply handled meanwhile may have changed them.
        discovery::finishSetNetwork(frame, NetBiosNameEdit->text(), IpAddressEdit->text(), SubnetMaskEdit->text(),
                                    GatewayEdit->text(), DHCPIpGleaningEdit->text());
        for (int i = 0; i < 3; ++i) {
            broadcast(frame.bytes());
            QThread::msleep(100);
        }
    } catch (const discovery::InvalidAddressError &e) {
        dialogs.messageBox(e.text());
    } catch (const TextError &e) {
        dialogs.showError(e.text());
    }
}

void TForm11::ResetButtonClick()
{
    if (!endpointActive())
        return;
    Dialogs &dialogs = form1_->dialogs();
    const auto entry = dialogs.inputQuery(QStringLiteral("Reset with erasing memory"),
                                          QStringLiteral("Memory Reset (0: False, 1: True)"));
    if (!entry)
        return;
    try {
        const std::int32_t erase = protocol::integerText(*entry);
        const Selection selection{SelectedNoValLabel->text(), SelectedKeyValLabel->text(),
                                  SelectedMACAddressValLabel->text()};
        if (!discovery::isValidSelection(selection)) {
            dialogs.messageBox(discovery::kSelectValidRow);
            return;
        }
        broadcast(discovery::resetRequest(selection, erase));
    } catch (const TextError &e) {
        dialogs.showError(e.text());
    }
}

} // namespace ta::gui
