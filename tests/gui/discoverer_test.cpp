// The Discoverer2 window without a network: layout, selection display, Id To MAC,
// and the set-up buttons while the endpoint is closed.
#include "discovery/udpendpoint.h"
#include "gui/unit1.h"
#include "gui/unit11.h"
#include "programfolder.h"
#include "scripteddialogs.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using ta::gui::TForm1;
using ta::gui::TForm11;

namespace {

class DiscovererWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.writeSettings("", "", "0", "0", "0", "");
        form = std::make_unique<TForm1>(dialogs, program.path());
        window = new TForm11(form.get());
        form->setForm11(window);
    }

    ProgramFolder program;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
    TForm11 *window = nullptr;
};

} // namespace

TEST_F(DiscovererWindow, DesignedLayout)
{
    EXPECT_EQ(window->objectName(), QStringLiteral("Form11"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Discoverer2"));
    EXPECT_EQ(window->width(), 882);
    QTableWidget *grid = window->Discoverer2StringGrid;
    EXPECT_EQ(grid->geometry(), QRect(16, 16, 836, 281));
    ASSERT_EQ(grid->columnCount(), 8);
    EXPECT_EQ(window->table().rowCount(), 2);
    EXPECT_EQ(grid->rowCount(), 1) << "the header row is the header bar";
    EXPECT_FALSE(grid->horizontalHeader()->isHidden());
    const char *headers[] = {"No", "Key", "MAC Address", "NetBios Name", "Ip Address", "Subnet Mask", "Gateway", "DHCP&Ip Gleaning"};
    const int widths[] = {36, 110, 110, 128, 110, 110, 110, 110};
    for (int c = 0; c < 8; ++c) {
        ASSERT_NE(grid->horizontalHeaderItem(c), nullptr) << c;
        EXPECT_EQ(grid->horizontalHeaderItem(c)->text(), QString::fromLatin1(headers[c]));
        EXPECT_EQ(window->table().cellText(0, c), QString::fromLatin1(headers[c]));
        EXPECT_EQ(grid->columnWidth(c), widths[c]) << c;
    }
    const std::pair<QWidget *, QRect> places[] = {
        {window->SelectedNoLabel, {16, 312, 62, 13}}, {window->MACAddressEdit, {16, 352, 113, 21}},
        {window->NetBiosNameEdit, {144, 352, 129, 21}}, {window->DHCPIpGleaningEdit, {600, 352, 97, 21}},
        {window->IdToMacButton, {16, 384, 75, 25}},   {window->SetButton, {104, 384, 75, 25}},
        {window->ResetButton, {192, 384, 75, 25}},
    };
    for (const auto &[w, rect] : places)
        EXPECT_EQ(w->geometry(), rect) << w->objectName().toStdString();
    // A label without buddy shows its text as it is, "&" included.
    EXPECT_EQ(window->DHCPIpGleaning->buddy(), nullptr);
    EXPECT_EQ(window->DHCPIpGleaning->text(), QStringLiteral("DHCP&Ip Gleaning"));
    for (QLabel *l : {window->SelectedNoValLabel, window->SelectedKeyValLabel, window->SelectedMACAddressValLabel})
        EXPECT_EQ(l->text(), QStringLiteral("-"));
    // The status list sits below the designed controls.
    EXPECT_GT(window->PanelStatusList->mapTo(window, QPoint(0, 0)).y(), window->ResetButton->geometry().bottom());
    EXPECT_GE(window->height(), window->PanelStatusList->mapTo(window, QPoint(0, 0)).y() + window->PanelStatusList->height());
}

TEST_F(DiscovererWindow, SelectionShowsDashesForEmptyLabelsOnly)
{
    auto &table = window->table();
    const char *cells[] = {"1", "", "00-04-A3-00-00-01", "", "127.0.0.2", "255.0.0.0", "", "0"};
    for (int c = 0; c < 8; ++c)
        table.setCellText(1, c, QString::fromLatin1(cells[c]));
    window->MACAddressEdit->setText(QStringLiteral("typed"));
    window->Discoverer2StringGridSelectCell(0, 1);
    EXPECT_EQ(window->SelectedNoValLabel->text(), QStringLiteral("1"));
    EXPECT_EQ(window->SelectedKeyValLabel->text(), QStringLiteral("-"));
    EXPECT_EQ(window->SelectedMACAddressValLabel->text(), QStringLiteral("00-04-A3-00-00-01"));
    EXPECT_EQ(window->MACAddressEdit->text(), QStringLiteral("00-04-A3-00-00-01"));
    EXPECT_EQ(window->NetBiosNameEdit->text(), QString());
    EXPECT_EQ(window->GatewayEdit->text(), QString());
    EXPECT_EQ(window->DHCPIpGleaningEdit->text(), QStringLiteral("0"));

    // A click on the fixed header row keeps the selection shown.
    window->show();
    QHeaderView *header = window->Discoverer2StringGrid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(4) + 5, 5));
    EXPECT_EQ(window->SelectedNoValLabel->text(), QStringLiteral("1"));
    EXPECT_EQ(window->IpAddressEdit->text(), QStringLiteral("127.0.0.2"));
}

// Table row r (r >= 1) is the grid widget's row r - 1: moving the widget's
// current cell selects the matching table row, and the table makes it current.
TEST_F(DiscovererWindow, TableRowsBelowTheHeaderAreTheGridRows)
{
    auto &table = window->table();
    for (int r = 1; r <= 3; ++r) {
        if (r > 1)
            table.addRow();
        table.setCellText(r, 0, QString::number(r));
        table.setCellText(r, 4, QStringLiteral("127.0.0.%1").arg(r + 1));
    }
    QTableWidget *grid = window->Discoverer2StringGrid;
    ASSERT_EQ(table.rowCount(), 4);
    ASSERT_EQ(grid->rowCount(), 3);
    for (int r = 1; r <= 3; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(grid->item(r - 1, 4)->text(), QStringLiteral("127.0.0.%1").arg(r + 1));
        grid->setCurrentCell(r - 1, 2);
        EXPECT_EQ(window->SelectedNoValLabel->text(), QString::number(r));
        EXPECT_EQ(window->IpAddressEdit->text(), QStringLiteral("127.0.0.%1").arg(r + 1));
        table.makeCurrent(r);
        EXPECT_EQ(grid->currentRow(), r - 1);
    }
    window->resetTable();
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cellText(0, 0), QStringLiteral("No"));
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(table.cellText(1, c), QString()) << c;
}

// The header row stays in view when the grid scrolls down to its last row.
TEST_F(DiscovererWindow, HeaderRowStaysInViewWhenTheGridScrolls)
{
    auto &table = window->table();
    for (int r = 1; r <= 40; ++r) {
        if (r > 1)
            table.addRow();
        table.setCellText(r, 0, QString::number(r));
    }
    window->show();
    QTableWidget *grid = window->Discoverer2StringGrid;
    grid->scrollToBottom();
    ASSERT_GT(grid->verticalScrollBar()->value(), 0);
    EXPECT_NE(grid->itemAt(QPoint(5, 5)), nullptr);
    EXPECT_NE(grid->itemAt(QPoint(5, 5))->text(), QStringLiteral("No")) << "no header row among the cells";
    QHeaderView *header = grid->horizontalHeader();
    EXPECT_TRUE(header->isVisible());
    EXPECT_EQ(header->mapTo(grid, QPoint(0, 0)).y(), grid->frameWidth());
    EXPECT_GT(header->height(), 0);
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(header->model()->headerData(c, Qt::Horizontal).toString(), table.cellText(0, c)) << c;
    EXPECT_EQ(header->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("DHCP&Ip Gleaning"));
}

// A double-click on the header row picks as well.
TEST_F(DiscovererWindow, DoubleClickOnTheHeaderPicks)
{
    window->show();
    window->IpAddressEdit->setText(QStringLiteral("127.0.0.5"));
    QHeaderView *header = window->Discoverer2StringGrid->horizontalHeader();
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(ta::gui::PickedIp, QStringLiteral("127.0.0.5"));
    EXPECT_FALSE(window->isVisible());
    ta::gui::PickedIp.clear();
}

TEST_F(DiscovererWindow, IdToMac)
{
    const std::pair<std::optional<QString>, QString> cases[] = {
        {QStringLiteral("258"), QStringLiteral("00-04-A3-00-01-02")},
        {QStringLiteral("-1"), QStringLiteral("00-04-A3-FF-FF-FF")},
        {QStringLiteral("$A3"), QStringLiteral("00-04-A3-00-00-A3")},
        {QStringLiteral(""), QStringLiteral("Please enter a number!")},
        {QStringLiteral("12 "), QStringLiteral("Please enter a number!")},
        {std::nullopt, QStringLiteral("unchanged")},
    };
    for (const auto &[entry, expected] : cases) {
        window->MACAddressEdit->setText(QStringLiteral("unchanged"));
        dialogs.shown.clear();
        dialogs.queryAnswers.enqueue(entry);
        window->IdToMacButton->click();
        ASSERT_FALSE(dialogs.shown.isEmpty());
        EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Enter Id|Id Value (0 - 16777215)"));
        if (expected.startsWith(QLatin1String("Please"))) {
            EXPECT_EQ(dialogs.messages(), QStringList{expected});
            EXPECT_EQ(window->MACAddressEdit->text(), QStringLiteral("unchanged"));
        } else {
            EXPECT_EQ(window->MACAddressEdit->text(), expected) << entry.value_or(QStringLiteral("cancel")).toStdString();
        }
    }
}

TEST_F(DiscovererWindow, SetAndResetDoNothingWhileTheEndpointIsClosed)
{
    dialogs.queryAnswers.enqueue(QStringLiteral("1"));
    window->SetButton->click();
    window->ResetButton->click();
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(DiscovererWindow, EmptyComputerAddressStartsNoScan)
{
    form->IpTxt->clear();
    form->Grid->setCurrentCell(1, 1);
    form->Button3Click();
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Lütfen Bilgisayar IP Giriniz")});
    EXPECT_FALSE(form->IdUDPServer->isActive());
    EXPECT_TRUE(form->IdUDPServer->bindings().isEmpty());
    EXPECT_EQ(form->form11(), window);
    EXPECT_FALSE(window->isVisible());
}
