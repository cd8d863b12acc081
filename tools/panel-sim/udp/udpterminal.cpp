#include "udpterminal.h"

#include "platform/udpbroadcast.h"
#include "protocol/frame.h"
#include "protocol/textforms.h"
#include "settings/cp1254.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QTimer>
#include <QUdpSocket>

namespace panelsim {

using namespace ta::protocol;

namespace {

bool parseMac(const QString &text, std::array<std::uint8_t, 6> &out)
{
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[-:]")));
    if (parts.size() != 6)
        return false;
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const uint v = parts[i].toUInt(&ok, 16);
        if (!ok || v > 255 || parts[i].size() != 2)
            return false;
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
    }
    return true;
}

bool parseAddress(const QString &text, std::array<std::uint8_t, 4> &out)
{
    bool ok = false;
    const quint32 v = QHostAddress(text).toIPv4Address(&ok);
    if (!ok)
        return false;
    out = {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
           static_cast<std::uint8_t>(v)};
    return true;
}

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

QByteArrayView view(const auto &array)
{
    return QByteArrayView(reinterpret_cast<const char *>(array.data()), static_cast<qsizetype>(array.size()));
}

const QHostAddress kBroadcast(QHostAddress::Broadcast);

} // namespace

std::optional<UdpTerminalConfig> parseTerminalConfig(const QString &text, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QStringList items = text.split(QLatin1Char(','));
    UdpTerminalConfig c;
    c.bindAddress = items.value(0).trimmed();
    if (!parseAddress(c.bindAddress, c.ip))
        return fail(QStringLiteral("bad bind address '%1'").arg(c.bindAddress));
    for (qsizetype i = 1; i < items.size(); ++i) {
        const QString item = items[i].trimmed();
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        const QString name = item.left(eq);
        const QString value = eq < 0 ? QString() : item.mid(eq + 1);
        bool ok = eq > 0;
        if (name == QLatin1String("key"))
            c.key = value.toUInt(&ok);
        else if (name == QLatin1String("mac"))
            ok = parseMac(value, c.mac);
        else if (name == QLatin1String("name"))
            c.name = value;
        else if (name == QLatin1String("ip"))
            ok = parseAddress(value, c.ip);
        else if (name == QLatin1String("mask"))
            ok = parseAddress(value, c.mask);
        else if (name == QLatin1String("gw"))
            ok = parseAddress(value, c.gateway);
        else if (name == QLatin1String("dhcp")) {
            const uint v = value.toUInt(&ok);
            ok = ok && v <= 255;
            c.dhcp = static_cast<std::uint8_t>(v);
        } else if (name == QLatin1String("broadcast"))
            c.answerByBroadcast = value == QLatin1String("1");
        else if (name == QLatin1String("status")) {
            for (const QString &kind : value.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
                if (kind == QLatin1String("name"))
                    c.statusName = true;
                else if (kind == QLatin1String("io"))
                    c.statusIO = true;
                else if (kind == QLatin1String("log"))
                    c.statusLog = true;
                else
                    ok = false;
            }
        } else if (name == QLatin1String("every"))
            c.statusIntervalMs = value.toInt(&ok);
        else
            ok = false;
        if (!ok)
            return fail(QStringLiteral("bad terminal option '%1'").arg(item));
    }
    return c;
}

UdpTerminal::UdpTerminal(UdpTerminalConfig config, QObject *parent)
    : QObject(parent), config_(std::move(config)), pendingMac_(config_.mac)
{
}

UdpTerminal::~UdpTerminal()
{
    stop();
}

bool UdpTerminal::start(QString *error)
{
    stop();
    // Terminals, and the program on the same machine, share port 9781; the
    // limited broadcast reaches each of them through a wildcard socket.
    const bool needWildcard = !ta::platform::unicastSocketsReceiveBroadcasts();
    const auto mode = needWildcard ? QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint
                                   : QAbstractSocket::ShareAddress;
    socket_ = new QUdpSocket(this);
    bool ok = socket_->bind(QHostAddress(config_.bindAddress), kUdpPort, mode);
    if (ok && needWildcard) {
        wildcard_ = new QUdpSocket(this);
        ok = wildcard_->bind(QHostAddress::AnyIPv4, kUdpPort, mode);
    }
    if (!ok) {
        if (error)
            *error = QStringLiteral("%1:%2: %3").arg(config_.bindAddress).arg(kUdpPort).arg(
                (wildcard_ ? wildcard_ : socket_)->errorString());
        stop();
        return false;
    }
    for (QUdpSocket *s : {socket_, wildcard_})
        if (s)
            connect(s, &QUdpSocket::readyRead, this, [this, s] { readPending(s); });
    if (config_.statusIntervalMs > 0) {
        statusTimer_ = new QTimer(this);
        connect(statusTimer_, &QTimer::timeout, this, &UdpTerminal::sendStatus);
        statusTimer_->start(config_.statusIntervalMs);
    }
    return true;
}

void UdpTerminal::stop()
{
    for (QUdpSocket **s : {&socket_, &wildcard_}) {
        if (*s) {
            (*s)->close();
            (*s)->deleteLater();
            *s = nullptr;
        }
    }
    delete statusTimer_;
    statusTimer_ = nullptr;
}

void UdpTerminal::readPending(QUdpSocket *socket)
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket->receiveDatagram();
        bool ok = false;
        const quint32 v4 = d.senderAddress().toIPv4Address(&ok);
        handle(d.data(), ok ? QHostAddress(v4) : d.senderAddress(), static_cast<quint16>(d.senderPort()));
    }
}

QByteArray UdpTerminal::discoverReply() const
{
    TDeviceFrame f(cmdDiscoverReply, kDiscoverReplyLength);
    f.setU32LE(6, config_.key);
    f.setBytes(10, config_.mac);
    const QByteArray name = ta::settings::toCp1254(config_.name.left(16));
    for (qsizetype i = 0; i < name.size(); ++i)
        f.setByte(16 + static_cast<int>(i), static_cast<std::uint8_t>(name[i]));
    f.setBytes(32, config_.ip);
    f.setBytes(36, config_.mask);
    f.setBytes(40, config_.gateway);
    f.setByte(44, config_.dhcp);
    return f.bytes();
}

void UdpTerminal::handle(const QByteArray &data, const QHostAddress &from, quint16 fromPort)
{
    QJsonObject record{{QStringLiteral("to"), config_.bindAddress},
                       {QStringLiteral("from"), from.toString()},
                       {QStringLiteral("length"), static_cast<int>(data.size())},
                       {QStringLiteral("hex"), hexText(data)}};
    bool applied = false;
    const QByteArrayView b(data);
    if (data.size() >= kHeadSize && hasSync(b) && byteAt(b, 5) <= data.size()) {
        const std::uint8_t command = byteAt(b, 4);
        const int length = byteAt(b, 5);
        record.insert(QStringLiteral("command"), QStringLiteral("0x%1").arg(command, 2, 16, QLatin1Char('0')));
        const bool namesMe = length >= 16 && u32le(b, 6) == config_.key && b.sliced(10, 6) == view(config_.mac);
        if (command == cmdDiscover && length == kDiscoverLength) {
            send(discoverReply(), config_.answerByBroadcast ? kBroadcast : from, config_.answerByBroadcast ? kUdpPort : fromPort);
            applied = true;
            if (config_.statusIntervalMs == 0)
                sendStatus();
        } else if (command == cmdSetNetwork && length == kSetNetworkLength && namesMe) {
            // A new MAC address takes effect when the terminal restarts.
            for (int i = 0; i < 6; ++i)
                pendingMac_[static_cast<std::size_t>(i)] = byteAt(b, 16 + i);
            QByteArray name = b.sliced(22, 16).toByteArray();
            const qsizetype nul = name.indexOf('\0');
            config_.name = ta::settings::fromCp1254(nul >= 0 ? name.left(nul) : name);
            for (int i = 0; i < 4; ++i) {
                config_.ip[static_cast<std::size_t>(i)] = byteAt(b, 38 + i);
                config_.mask[static_cast<std::size_t>(i)] = byteAt(b, 42 + i);
                config_.gateway[static_cast<std::size_t>(i)] = byteAt(b, 46 + i);
            }
            config_.dhcp = byteAt(b, 50);
            applied = true;
        } else if (command == cmdReset && length == kResetLength && namesMe) {
            ++resetCount_;
            lastErase_ = byteAt(b, 16);
            config_.mac = pendingMac_;
            applied = true;
        }
    }
    record.insert(QStringLiteral("applied"), applied);
    received_.append(record);
    emit datagramHandled(record);
}

void UdpTerminal::send(const QByteArray &bytes, const QHostAddress &to, quint16 port)
{
    if (socket_)
        socket_->writeDatagram(bytes, to, port);
}

void UdpTerminal::sendNameInfo()
{
    TDeviceFrame f(cmdNameInfo, kNameInfoLength);
    const QByteArray name = ta::settings::toCp1254(config_.name.left(16));
    for (qsizetype i = 0; i < name.size(); ++i)
        f.setByte(6 + static_cast<int>(i), static_cast<std::uint8_t>(name[i]));
    f.setBytes(22, config_.mac);
    send(f.bytes(), kBroadcast, kUdpPort);
}

void UdpTerminal::sendIOInfo(std::uint16_t outputs, std::uint16_t inputs)
{
    outputs_ = outputs;
    inputs_ = inputs;
    TDeviceFrame f(cmdIOInfo, kIOInfoLength);
    f.setByte(6, static_cast<std::uint8_t>(outputs >> 8));
    f.setByte(7, static_cast<std::uint8_t>(outputs & 0xFF));
    f.setByte(8, static_cast<std::uint8_t>(inputs >> 8));
    f.setByte(9, static_cast<std::uint8_t>(inputs & 0xFF));
    send(f.bytes(), kBroadcast, kUdpPort);
}

void UdpTerminal::sendLogExtInfo(const QByteArray &payload44)
{
    TDeviceFrame f(cmdLogExtInfo, kLogExtInfoLength);
    for (qsizetype i = 0; i < payload44.size() && i < kLogExtInfoLength - kHeadSize; ++i)
        f.setByte(kHeadSize + static_cast<int>(i), static_cast<std::uint8_t>(payload44[i]));
    send(f.bytes(), kBroadcast, kUdpPort);
}

void UdpTerminal::simulatePassage()
{
    ++passages_;
    const QDateTime now = QDateTime::currentDateTime();
    QByteArray p(kLogExtInfoLength - kHeadSize, '\0');
    p[0] = 1;                                              // valid
    p[1] = 0;                                              // reader_index
    const std::uint64_t data = 1000000ULL + passages_;     // card data, 40 bits big-endian
    for (int i = 0; i < 5; ++i)
        p[2 + i] = static_cast<char>((data >> (8 * (4 - i))) & 0xFF);
    p[7] = static_cast<char>(passages_ & 0xFF);            // id, little-endian
    p[8] = static_cast<char>(passages_ >> 8);
    const QByteArray group = QByteArrayLiteral("GROUP1");
    for (qsizetype i = 0; i < group.size(); ++i)
        p[9 + i] = group[i];
    p[17] = 1;                                             // result
    const int fields[6] = {now.date().day(), now.date().month(), now.date().year() - 2000,
                           now.time().hour(), now.time().minute(), now.time().second()};
    for (int i = 0; i < 6; ++i)
        p[18 + i] = static_cast<char>(fields[i]);
    sendLogExtInfo(p);
}

void UdpTerminal::simulateIOChange()
{
    const int bit = passages_ % 10;
    sendIOInfo(static_cast<std::uint16_t>(outputs_ ^ (1U << bit)), inputs_);
}

void UdpTerminal::sendStatus()
{
    if (config_.statusName)
        sendNameInfo();
    if (config_.statusIO)
        simulateIOChange();
    if (config_.statusLog)
        simulatePassage();
}

void addUdpOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("udp-terminal"),
                      QStringLiteral("A terminal's UDP side: address[,key=N][,mac=XX-XX-XX-XX-XX-XX][,name=TEXT]"
                                     "[,ip=A.B.C.D][,mask=A.B.C.D][,gw=A.B.C.D][,dhcp=N][,broadcast=1]"
                                     "[,status=name+io+log][,every=MS]. Repeatable."),
                      QStringLiteral("definition")});
}

std::optional<QList<UdpTerminal *>> createUdpTerminals(const QCommandLineParser &parser, QObject *parent,
                                                       QString *error)
{
    QList<UdpTerminal *> terminals;
    for (const QString &text : parser.values(QStringLiteral("udp-terminal"))) {
        auto config = parseTerminalConfig(text, error);
        if (!config) {
            qDeleteAll(terminals);
            return std::nullopt;
        }
        terminals << new UdpTerminal(*config, parent);
    }
    return terminals;
}

} // namespace panelsim
