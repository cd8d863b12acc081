#include "discovery/udpendpoint.h"

#include "platform/udpbroadcast.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace ta::discovery {

UdpEndpoint::UdpEndpoint(QObject *parent) : QObject(parent) {}

UdpEndpoint::~UdpEndpoint()
{
    deactivate();
}

void UdpEndpoint::addBinding(const QString &ip, quint16 port)
{
    bindings_.append({ip, port});
}

void UdpEndpoint::clearBindings()
{
    bindings_.clear();
}

bool belongsToLocalNetwork(const QHostAddress &local, int prefixLength, int localInterface, const QHostAddress &sender,
                           int arrivalInterface)
{
    if (arrivalInterface > 0 && localInterface > 0)
        return arrivalInterface == localInterface;
    return sender.isInSubnet(local, prefixLength);
}

void UdpEndpoint::activate()
{
    if (active_)
        return;
    deactivate();
    const QHostAddress address(bindings_.isEmpty() ? QString() : bindings_.first().ip);
    const quint16 port = bindings_.isEmpty() ? 0 : bindings_.first().port;
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol)
        throw EndpointError(kBindErrorText);

    const bool sharedPort = !platform::unicastSocketsReceiveBroadcasts();
    // A socket on the wildcard address itself receives everything: no extra one.
    const bool needWildcard = sharedPort && address != QHostAddress::AnyIPv4;
    // Where a wildcard socket may share the port, both sockets must allow sharing
    // (on Linux: a second program that also shares the port is not detected);
    // elsewhere a port already taken is a bind error.
    const auto mode = sharedPort ? QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint
                                 : QAbstractSocket::DontShareAddress;
    socket_ = new QUdpSocket(this);
    bool bound = socket_->bind(address, port, mode);
    if (bound && needWildcard) {
        wildcard_ = new QUdpSocket(this);
        bound = wildcard_->bind(QHostAddress::AnyIPv4, port, mode);
    }
    if (!bound) {
        deactivate();
        throw EndpointError(kBindErrorText);
    }

    localAddress_ = address;
    localPrefix_ = 32;
    localInterface_ = 0;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            if (entry.ip() == address) {
                localPrefix_ = entry.prefixLength() >= 0 ? entry.prefixLength() : 32;
                localInterface_ = iface.index();
            }
        }
    }
    connect(socket_, &QUdpSocket::readyRead, this, &UdpEndpoint::readPending);
    if (wildcard_)
        connect(wildcard_, &QUdpSocket::readyRead, this, &UdpEndpoint::readPending);
    active_ = true;
}

void UdpEndpoint::deactivate()
{
    active_ = false;
    for (QUdpSocket **s : {&socket_, &wildcard_}) {
        if (*s) {
            (*s)->disconnect(this);
            (*s)->close(); // frees the address and port at once
            (*s)->deleteLater(); // a delivery from it may still be on the stack
            *s = nullptr;
        }
    }
}

void UdpEndpoint::send(const QString &host, quint16 port, const QByteArray &bytes)
{
    if (!active_ || !socket_)
        throw EndpointError(QStringLiteral("Socket is not active."));
    const QHostAddress destination(host);
    if (destination.isNull())
        throw EndpointError(QStringLiteral("Host not found: %1").arg(host));
    if (destination.isBroadcast() && !broadcastEnabled_)
        throw EndpointError(QStringLiteral("Broadcasts are not enabled."));
    const qint64 written = socket_->writeDatagram(bytes, destination, port);
    if (written != bytes.size())
        throw EndpointError(socket_->errorString());
}

bool UdpEndpoint::takeOne(QUdpSocket *socket, bool wildcard)
{
    if (!socket || !socket->hasPendingDatagrams())
        return false;
    const QNetworkDatagram datagram = socket->receiveDatagram();
    if (!datagram.isValid())
        return true;
    QHostAddress sender = datagram.senderAddress();
    bool ok = false;
    const quint32 v4 = sender.toIPv4Address(&ok);
    if (ok)
        sender = QHostAddress(v4);
    if (wildcard && !belongsToLocalNetwork(localAddress_, localPrefix_, localInterface_, sender, datagram.interfaceIndex()))
        return true;
    emit datagramReceived(datagram.data(), sender.toString());
    return true;
}

void UdpEndpoint::readPending()
{
    if (delivering_)
        return; // the running delivery's loop takes it
    delivering_ = true;
    // The sockets may be closed by a handler; re-read the members every turn.
    while (active_ && (takeOne(socket_, false) || takeOne(wildcard_, true))) {
    }
    delivering_ = false;
}

} // namespace ta::discovery
