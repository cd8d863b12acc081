#pragma once

#include "protocol/texterror.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

class QNetworkDatagram;
class QUdpSocket;

namespace ta::discovery {

inline constexpr quint16 kDiscoveryPort = 9781;
inline const QString kBroadcastHost = QStringLiteral("255.255.255.255");
inline const QString kBindErrorText = QStringLiteral("Could not bind socket. Address and port are already in use.");

// A failure of the endpoint (bind or send), with the text shown to the operator.
class EndpointError : public TextError {
public:
    using TextError::TextError;
};

// One local address and port the endpoint listens on.
struct Binding {
    QString ip;
    quint16 port = 0;
    friend bool operator==(const Binding &, const Binding &) = default;
};

// The program's UDP endpoint: bindings, broadcast permission, a default port,
// activation, one-datagram sends and received datagrams. Received datagrams are
// delivered by `datagramReceived` on the thread that owns the endpoint, one at
// a time: a delivery that runs a nested event loop never sees the next datagram
// before it has returned.
class UdpEndpoint : public QObject {
    Q_OBJECT

public:
    explicit UdpEndpoint(QObject *parent = nullptr);
    ~UdpEndpoint() override;

    void addBinding(const QString &ip, quint16 port);
    void clearBindings();
    const QList<Binding> &bindings() const { return bindings_; }

    void setBroadcastEnabled(bool enabled) { broadcastEnabled_ = enabled; }
    bool broadcastEnabled() const { return broadcastEnabled_; }
    void setDefaultPort(quint16 port) { defaultPort_ = port; }
    quint16 defaultPort() const { return defaultPort_; }

    // Opens the sockets of the (one) binding. Throws EndpointError with the bind
    // error text when any of them cannot be bound; the endpoint is then inactive.
    void activate();
    void deactivate();
    bool isActive() const { return active_; }

    // Sends `bytes` as one datagram from the bound address. Throws EndpointError.
    void send(const QString &host, quint16 port, const QByteArray &bytes);

signals:
    void datagramReceived(const QByteArray &data, const QString &peerIp);

private:
    void readPending();
    bool takeOne(QUdpSocket *socket, bool wildcard);

    QList<Binding> bindings_;
    bool broadcastEnabled_ = true;
    quint16 defaultPort_ = 0;
    bool active_ = false;
    bool delivering_ = false;
    QUdpSocket *socket_ = nullptr;   // bound to the binding's address
    QUdpSocket *wildcard_ = nullptr; // where broadcasts need it: 0.0.0.0, same port
    QHostAddress localAddress_;
    int localPrefix_ = 32;
    int localInterface_ = 0;
};

// Whether a datagram that arrived at the wildcard socket belongs to the bound
// address's network: it came in on that address's interface, or (where the
// interface is not known) its sender lies in that address's subnet.
bool belongsToLocalNetwork(const QHostAddress &local, int prefixLength, int localInterface, const QHostAddress &sender,
                           int arrivalInterface);

} // namespace ta::discovery
