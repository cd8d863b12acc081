// Discovery scans of the main window against simulated terminals on loopback,
// in the test's own network namespace (port 9781 is fixed).
#include "apprun.h"
#include "programfolder.h"
#include "scripteddialogs.h"

#include "discovery/udpendpoint.h"
#include "gui/unit1.h"
#include "gui/unit11.h"
#include "udpterminal.h"

#include <QApplication>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <vector>

using ta::gui::TForm1;
using ta::gui::TForm11;

namespace {

const QString kBindError = QStringLiteral("Could not bind socket. Address and port are already in use.");

class DiscoveryScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.writeSettings("", "", "0", "0", "0", "001:127.0.0.20;0\r\n002:127.0.0.21;0\r\n");
        form = std::make_unique<TForm1>(dialogs, program.path());
        form->setForm11(new TForm11(form.get())); // as at program start
        form->IpTxt->setText(QStringLiteral("127.0.0.1"));
    }

    panelsim::UdpTerminal &terminal(const char *definition)
    {
        QString error;
        auto config = panelsim::parseTerminalConfig(QString::fromLatin1(definition), &error);
        EXPECT_TRUE(config.has_value()) << error.toStdString();
        terminals.push_back(std::make_unique<panelsim::UdpTerminal>(*config));
        EXPECT_TRUE(terminals.back()->start(&error)) << error.toStdString();
        return *terminals.back();
    }

    // Runs one scan; `whileShown` runs inside the modal Discoverer2 window, which
    // the test closes (or picks in). A window still open after 15 s is closed.
    void scan(const std::function<void(TForm11 &)> &whileShown)
    {
        bool ran = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            TForm11 *w = form->form11();
            if (ran || !w || !w->isVisible())
                return;
            ran = true;
            poll.stop();
            whileShown(*w);
            if (form->form11() && form->form11()->isVisible())
                form->form11()->close();
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (TForm11 *w = form->form11()) {
                ADD_FAILURE() << "Discoverer2 window still open";
                w->close();
            }
        });
        poll.start();
        guard.start(15000);
        form->Button3Click();
    }

    static int rowOfKey(TForm11 &w, const QString &key)
    {
        for (int r = 1; r < w.table().rowCount(); ++r)
            if (w.table().cellText(r, 1) == key)
                return r;
        return -1;
    }

    // Frames of one command a terminal received.
    static QStringList framesOf(const panelsim::UdpTerminal &t, const char *command, bool appliedOnly = false)
    {
        QStringList out;
        for (const auto &v : t.received()) {
            const QJsonObject o = v.toObject();
            if (o.value(QStringLiteral("command")).toString() == QLatin1String(command)
                && (!appliedOnly || o.value(QStringLiteral("applied")).toBool()))
                out << o.value(QStringLiteral("hex")).toString();
        }
        return out;
    }

    // Counts the discovery replies the program's endpoint delivered.
    static int replies(const QSignalSpy &datagrams)
    {
        int n = 0;
        for (const auto &args : datagrams)
            n += args.at(0).toByteArray().mid(4, 1) == QByteArray("\x43");
        return n;
    }

    bool endpointClosed() const { return !form->IdUDPServer->isActive() && form->IdUDPServer->bindings().isEmpty(); }

    ProgramFolder program;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
    std::vector<std::unique_ptr<panelsim::UdpTerminal>> terminals;
};

const char *const kPanel1 = "127.0.0.2,key=1001,mac=00-04-A3-00-00-01,name=PANEL1,mask=255.0.0.0,gw=127.0.0.1,dhcp=0";
// The second answers by broadcast: its replies reach the program's wildcard socket.
const char *const kPanel2 =
    "127.0.0.3,key=1002,mac=00-04-A3-00-00-02,name=PANEL2,mask=255.0.0.0,gw=127.0.0.1,dhcp=1,broadcast=1";

} // namespace

TEST_F(DiscoveryScan, ListsEachTerminalOnceAndCarriesThePickIntoTheCurrentDeviceRow)
{
    panelsim::UdpTerminal &p1 = terminal(kPanel1);
    panelsim::UdpTerminal &p2 = terminal(kPanel2);
    QSignalSpy datagrams(form->IdUDPServer, &ta::discovery::UdpEndpoint::datagramReceived);
    form->Grid->setCurrentCell(1, 0); // device row 2

    scan([&](TForm11 &w) {
        ASSERT_TRUE(waitUntil([&] { return replies(datagrams) == 6; }, 5000)) << replies(datagrams);
        for (const panelsim::UdpTerminal *t : {&p1, &p2})
            EXPECT_EQ(framesOf(*t, "0x40"), QStringList(3, QStringLiteral("55 55 cc cc 40 07 00")));
        ASSERT_EQ(w.table().rowCount(), 3) << "three answers each, one row each";
        const int r1 = rowOfKey(w, QStringLiteral("1001"));
        const int r2 = rowOfKey(w, QStringLiteral("1002"));
        ASSERT_EQ(QSet<int>({r1, r2}), QSet<int>({1, 2}));
        EXPECT_EQ(w.table().cellText(r2, 0), QString::number(r2));
        EXPECT_EQ(w.table().cellText(r2, 2), QStringLiteral("00-04-A3-00-00-02"));
        EXPECT_EQ(w.table().cellText(r2, 3), QStringLiteral("PANEL2          "));
        EXPECT_EQ(w.table().cellText(r2, 4), QStringLiteral("127.0.0.3"));
        EXPECT_EQ(w.table().cellText(r2, 7), QStringLiteral("1"));
        EXPECT_EQ(w.Discoverer2StringGrid->currentRow(), 0) << "table row 1, the first below the header bar";
        EXPECT_EQ(w.SelectedNoValLabel->text(), QStringLiteral("1"));

        // Select the second terminal, then double-click it.
        const QRect cell = w.Discoverer2StringGrid->visualItemRect(w.Discoverer2StringGrid->item(r2 - 1, 4));
        QTest::mouseClick(w.Discoverer2StringGrid->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_EQ(w.IpAddressEdit->text(), QStringLiteral("127.0.0.3"));
        QTest::mouseDClick(w.Discoverer2StringGrid->viewport(), Qt::LeftButton, {}, cell.center());
    });

    EXPECT_EQ(form->cell(2, TForm1::ColIp), QStringLiteral("127.0.0.3"));
    EXPECT_EQ(form->cell(1, TForm1::ColIp), QStringLiteral("127.0.0.20"));
    EXPECT_EQ(form->cell(0, TForm1::ColIp), QStringLiteral("IP"));
    EXPECT_EQ(form->form11(), nullptr) << "the window is destroyed after the scan";
    EXPECT_TRUE(endpointClosed());
    EXPECT_TRUE(ta::gui::PickedIp.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // Port 9781 is free again once the terminals are gone.
    terminals.clear();
    QUdpSocket probe;
    EXPECT_TRUE(probe.bind(QHostAddress::AnyIPv4, ta::discovery::kDiscoveryPort, QAbstractSocket::DontShareAddress))
        << probe.errorString().toStdString();
}

TEST_F(DiscoveryScan, ClosingWithoutPickLeavesTheGridAndAPickWithoutCurrentRowGoesToRowOne)
{
    terminal(kPanel1);
    form->Grid->setCurrentCell(1, 0); // device row 2
    scan([](TForm11 &) {});
    EXPECT_EQ(form->cell(2, TForm1::ColIp), QStringLiteral("127.0.0.21"));
    EXPECT_TRUE(endpointClosed());

    form->Grid->setCurrentCell(-1, -1);
    scan([](TForm11 &w) {
        ASSERT_TRUE(waitUntil([&] { return w.IpAddressEdit->text() == QLatin1String("127.0.0.2"); }, 5000));
        w.Discoverer2StringGridDblClick();
    });
    EXPECT_EQ(form->cell(1, TForm1::ColIp), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(form->cell(0, TForm1::ColIp), QStringLiteral("IP"));
    EXPECT_EQ(form->cell(2, TForm1::ColIp), QStringLiteral("127.0.0.21"));
}

TEST_F(DiscoveryScan, SetAndResetReachOnlyTheSelectedTerminal)
{
    panelsim::UdpTerminal &p1 = terminal(kPanel1);
    panelsim::UdpTerminal &p2 = terminal(kPanel2);
    dialogs.queryAnswers.enqueue(QStringLiteral("1"));
    QSignalSpy datagrams(form->IdUDPServer, &ta::discovery::UdpEndpoint::datagramReceived);

    scan([&](TForm11 &w) {
        // All six answers in, so no later reply reselects row 1 below.
        ASSERT_TRUE(waitUntil([&] { return replies(datagrams) == 6; }, 5000));
        w.Discoverer2StringGrid->setCurrentCell(rowOfKey(w, QStringLiteral("1002")) - 1, 0);
        ASSERT_EQ(w.SelectedKeyValLabel->text(), QStringLiteral("1002"));

        // A refused address sends nothing.
        w.IpAddressEdit->setText(QStringLiteral("127.0.0"));
        w.SetButton->click();
        EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("'127.0.0' is not a valid IP address")});

        w.MACAddressEdit->setText(QStringLiteral("00-04-A3-00-00-22"));
        w.NetBiosNameEdit->setText(QStringLiteral("NEWNAME"));
        w.IpAddressEdit->setText(QStringLiteral("127.0.0.9"));
        w.SubnetMaskEdit->setText(QStringLiteral("255.255.0.0"));
        w.GatewayEdit->setText(QStringLiteral("127.0.0.1"));
        w.DHCPIpGleaningEdit->setText(QStringLiteral("2"));
        w.SetButton->click();
        w.ResetButton->click();
        ASSERT_TRUE(waitUntil([&] { return framesOf(p1, "0x44").size() == 1 && framesOf(p2, "0x44").size() == 1; }, 5000));
    });

    const QString set = QStringLiteral("55 55 cc cc 42 33 ea 03 00 00 00 04 a3 00 00 02 00 04 a3 00 00 22 "
                                       "4e 45 57 4e 41 4d 45 00 00 00 00 00 00 00 00 00 "
                                       "7f 00 00 09 ff ff 00 00 7f 00 00 01 02");
    EXPECT_EQ(framesOf(p2, "0x42"), QStringList(3, set)) << "the refused Set sent nothing";
    EXPECT_EQ(framesOf(p2, "0x42", true).size(), 3);
    EXPECT_EQ(framesOf(p1, "0x42").size(), 3) << "a broadcast reaches every terminal";
    EXPECT_TRUE(framesOf(p1, "0x42", true).isEmpty());
    EXPECT_EQ(p2.config().ip, (std::array<std::uint8_t, 4>{127, 0, 0, 9}));
    EXPECT_EQ(p2.config().mac, (std::array<std::uint8_t, 6>{0x00, 0x04, 0xA3, 0x00, 0x00, 0x22})) << "in effect after the reset";
    EXPECT_EQ(p2.config().name, QStringLiteral("NEWNAME"));
    EXPECT_EQ(p1.config().ip, (std::array<std::uint8_t, 4>{127, 0, 0, 2}));

    EXPECT_EQ(framesOf(p2, "0x44"), QStringList{QStringLiteral("55 55 cc cc 44 11 ea 03 00 00 00 04 a3 00 00 02 01")});
    EXPECT_EQ(p2.resetCount(), 1);
    EXPECT_EQ(p2.lastEraseMemory(), 1);
    EXPECT_EQ(p1.resetCount(), 0);
    EXPECT_EQ(dialogs.messages(), (QStringList{QStringLiteral("'127.0.0' is not a valid IP address"),
                                               QStringLiteral("MAC adres is changed, plase restart device (Press Reset button and type 0)!")}));
    EXPECT_TRUE(endpointClosed());
}

// Scans that end before the window shows leave no binding and no window change.
TEST_F(DiscoveryScan, RefusedAddressesEndEarly)
{
    QUdpSocket holder; // the port taken exclusively on 127.0.0.4
    ASSERT_TRUE(holder.bind(QHostAddress(QStringLiteral("127.0.0.4")), ta::discovery::kDiscoveryPort,
                            QAbstractSocket::DontShareAddress));
    const std::pair<QString, QString> cases[] = {
        {QString(), QStringLiteral("Lütfen Bilgisayar IP Giriniz")},
        {QStringLiteral(" "), kBindError},
        {QStringLiteral("no address"), kBindError},
        {QStringLiteral("203.0.113.1"), kBindError}, // not this computer's: only bound, nothing sent
        {QStringLiteral("127.0.0.4"), kBindError},
    };
    TForm11 *const window = form->form11();
    for (const auto &[ip, message] : cases) {
        SCOPED_TRACE(ip.toStdString());
        dialogs.shown.clear();
        form->IpTxt->setText(ip);
        form->Button3Click();
        EXPECT_EQ(dialogs.messages(), QStringList{message});
        EXPECT_TRUE(endpointClosed());
        EXPECT_EQ(form->form11(), window) << "the hidden window is kept";
        EXPECT_FALSE(window->isVisible());
    }

    // A later scan with a right address works.
    holder.close();
    terminal(kPanel1);
    dialogs.shown.clear();
    form->IpTxt->setText(QStringLiteral("127.0.0.1"));
    scan([](TForm11 &w) {
        EXPECT_TRUE(waitUntil([&] { return w.table().cellText(1, 1) == QLatin1String("1001"); }, 5000));
    });
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(endpointClosed());
}

TEST_F(DiscoveryScan, StatusDatagramsShowLiveAndOnlyWhenChanged)
{
    panelsim::UdpTerminal &p1 = terminal(kPanel1);
    panelsim::UdpTerminal &p2 = terminal(kPanel2);
    QByteArray log(44, '\0');
    log[0] = 1;
    log[6] = 7; // data 7
    log[7] = 1; // id 1

    QStringList lines;
    scan([&](TForm11 &w) {
        p1.sendNameInfo();
        p1.sendNameInfo();                 // every name is reported
        p1.sendIOInfo(0x0281, 0x0001);
        p1.sendIOInfo(0x0281, 0x0001);     // unchanged: not reported
        p2.sendIOInfo(0x0281, 0x0001);     // same payload, other sender
        p1.sendLogExtInfo(log);
        log[43] = 5;
        p1.sendLogExtInfo(log);            // one byte changed
        p2.sendNameInfo();                 // the last one, to wait for
        ASSERT_TRUE(waitUntil([&] {
            return w.PanelStatusList->count() > 0
                && w.PanelStatusList->item(w.PanelStatusList->count() - 1)->text().contains(QLatin1String("PANEL2"));
        }, 5000));
        for (int i = 0; i < w.PanelStatusList->count(); ++i)
            lines << w.PanelStatusList->item(i)->text().mid(10); // after "hh:mm:ss  "
    });

    const QString io = QStringLiteral("cmdIOInfo  , R0:T, R1:F, R2:F, R3:F, R4:F, R5:F, R6:F, R7:T, R8:F, R9:T"
                                      ", I0:T, I1:F, I2:F, I3:F, I4:F, I5:F, I6:F, I7:F, I8:F");
    const QString logText = QStringLiteral(
        "cmdLogExtInfo  valid:1, reader_index:0, data:7, id:1, group_name:\"        \", result:0 time:0/0/0 0:0:0"
        ", reader_type:0, reader_in_out:0, reader_level:0, reader_anti_passback_valid:0, reader_level_pass_valid:0"
        ", level_counter_valid:0, level_limit:0, level_counter:0, same_id_level:0, same_id_limit:0, same_id_counter:0"
        ", id_credit_valid:0, id_credit:0, id_limit_counter:0, group_cluster_id:0, group_credit_value:0, group_limit:");
    const QString name1 = QStringLiteral("127.0.0.2  cmdNameInfo  \"PANEL1\", mac:00-04-A3-00-00-01, ip:127.0.0.2");
    EXPECT_EQ(lines, (QStringList{name1, name1, QStringLiteral("127.0.0.2  ") + io, QStringLiteral("127.0.0.3  ") + io,
                                  QStringLiteral("127.0.0.2  ") + logText + QLatin1Char('0'),
                                  QStringLiteral("127.0.0.2  ") + logText + QLatin1Char('5'),
                                  QStringLiteral("127.0.0.3  cmdNameInfo  \"PANEL2\", mac:00-04-A3-00-00-02, ip:127.0.0.3")}));
    EXPECT_EQ(form->PanelStatus.IOInfoList.size(), 2);
    EXPECT_EQ(form->PanelStatus.LogExtInfoList.size(), 1);

    // The caches outlive the window: the same IO status in a later scan is not shown again.
    scan([&](TForm11 &w) {
        p1.sendIOInfo(0x0281, 0x0001);
        p1.sendNameInfo();
        EXPECT_TRUE(waitUntil([&] { return w.PanelStatusList->count() == 1; }, 5000));
        EXPECT_TRUE(w.PanelStatusList->item(0)->text().contains(QLatin1String("cmdNameInfo")));
    });
}

// With no terminal answering, the buttons meet an empty selection.
TEST_F(DiscoveryScan, ButtonsRefuseAnInvalidSelection)
{
    QSignalSpy datagrams(form->IdUDPServer, &ta::discovery::UdpEndpoint::datagramReceived);
    scan([&](TForm11 &w) {
        struct Step {
            QPushButton *button;
            std::optional<QString> entry;
            const char *shown; // "m:" message, "e:" error box, nullptr: nothing after the query
        } steps[] = {
            {w.SetButton, std::nullopt, "m:Please select a valid row"},
            {w.ResetButton, QStringLiteral("1"), "m:Please select a valid row"},
            {w.ResetButton, QStringLiteral("x"), "e:'x' is not a valid integer value."}, // before the selection check
            {w.ResetButton, std::nullopt, nullptr},                                        // cancelled
        };
        for (const Step &s : steps) {
            SCOPED_TRACE(s.button->objectName().toStdString() + " " + s.entry.value_or(QStringLiteral("-")).toStdString());
            dialogs.shown.clear();
            if (s.button == w.ResetButton)
                dialogs.queryAnswers.enqueue(s.entry);
            s.button->click();
            QStringList after;
            for (const ScriptedDialogs::Shown &d : dialogs.shown)
                if (d.kind == ScriptedDialogs::Shown::Message)
                    after << QStringLiteral("m:") + d.text;
                else if (d.kind == ScriptedDialogs::Shown::Error)
                    after << QStringLiteral("e:") + d.text;
            EXPECT_EQ(after, s.shown ? QStringList{QString::fromUtf8(s.shown)} : QStringList{});
        }
        EXPECT_EQ(w.table().rowCount(), 2);
    });
    // Only the program's own three requests came back (on its wildcard socket).
    for (const auto &args : datagrams)
        EXPECT_EQ(args.at(0).toByteArray(), QByteArray::fromHex("5555cccc400700"));
    EXPECT_TRUE(endpointClosed());
}
