// The main window's side of a discovery scan: the UDP endpoint, the scan
// itself and the datagram listener.
#include "discovery/discoverytable.h"
#include "discovery/netframes.h"
#include "discovery/panelstatus.h"
#include "discovery/udpendpoint.h"
#include "gui/dialogs.h"
#include "gui/unit1.h"
#include "gui/unit11.h"
#include "protocol/frame.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QThread>

namespace ta::gui {

QString PickedIp;

namespace {

const QString kEnterComputerIp = QStringLiteral("Lütfen Bilgisayar IP Giriniz");

} // namespace

void TForm1::createEndpoint()
{
    IdUDPServer = new discovery::UdpEndpoint(this);
    IdUDPServer->setObjectName(QStringLiteral("IdUDPServer"));
    IdUDPServer->setBroadcastEnabled(true);
    IdUDPServer->setDefaultPort(0);
    connect(IdUDPServer, &discovery::UdpEndpoint::datagramReceived, this, &TForm1::IdUDPServerUDPRead);
}

void TForm1::Button3Click()
{
    if (IpTxt->text().isEmpty()) {
        dialogs_.messageBox(kEnterComputerIp);
        return;
    }
    // Every way out leaves the endpoint closed and without bindings.
    const auto closeEndpoint = [this] {
        IdUDPServer->deactivate();
        IdUDPServer->clearBindings();
    };
    IdUDPServer->addBinding(IpTxt->text(), discovery::kDiscoveryPort);
    IdUDPServer->setBroadcastEnabled(true);
    IdUDPServer->setDefaultPort(discovery::kDiscoveryPort);
    try {
        IdUDPServer->activate();
    } catch (const discovery::EndpointError &e) {
        closeEndpoint();
        dialogs_.messageBox(e.text());
        return;
    }

    TForm11 *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Form11"))
            window = qobject_cast<TForm11 *>(w);
    if (!window)
        window = new TForm11(this);
    Form11 = window;
    window->resetTable();

    if (!IdUDPServer->isActive()) {
        closeEndpoint();
        return;
    }
    try {
        const QByteArray request = discovery::discoverRequest();
        for (int i = 0; i < 3; ++i) {
            IdUDPServer->send(discovery::kBroadcastHost, IdUDPServer->defaultPort(), request);
            QThread::msleep(100); // replies wait in the socket until the window shows
        }
    } catch (const discovery::EndpointError &e) {
        closeEndpoint();
        dialogs_.messageBox(e.text());
        return;
    }

    window->exec();
    delete window; // clears Form11

    // Only a picked address changes the device grid, and only a device row:
    // the current one, or row 1 when none is current.
    if (!PickedIp.isEmpty()) {
        const int row = Grid->currentRow() >= 0 ? Grid->currentRow() + 1 : 1; // table row 0 is device row 1
        setCell(row, ColIp, PickedIp);
    }
    PickedIp.clear();
    closeEndpoint();
}

void TForm1::IdUDPServerUDPRead(const QByteArray &AData, const QString &peerIp)
{
    const auto datagram = protocol::recogniseDatagram(AData);
    if (!datagram)
        return;
    if (datagram->kind == protocol::DatagramKind::DiscoverReply) {
        TForm11 *window = Form11.data();
        if (!window)
            return;
        discovery::enterDiscoverReply(window->table(), datagram->payload);
        window->Discoverer2StringGridSelectCell(0, 1);
        return;
    }
    if (const auto report = discovery::takeStatus(PanelStatus, datagram->kind, datagram->payload, peerIp)) {
        if (TForm11 *window = Form11.data())
            window->showStatus(*report);
    }
}

} // namespace ta::gui
