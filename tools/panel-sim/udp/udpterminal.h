#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonArray>
#include <QList>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class QCommandLineParser;
class QTimer;
class QUdpSocket;

namespace panelsim {

inline constexpr quint16 kUdpPort = 9781;

// One simulated terminal's UDP side.
struct UdpTerminalConfig {
    QString bindAddress;               // a loopback address, e.g. 127.0.0.2
    std::uint32_t key = 0;
    std::array<std::uint8_t, 6> mac{};
    QString name;                      // NetBIOS name, up to 16 characters
    std::array<std::uint8_t, 4> ip{};  // defaults to the bind address
    std::array<std::uint8_t, 4> mask{255, 0, 0, 0};
    std::array<std::uint8_t, 4> gateway{};
    std::uint8_t dhcp = 0;
    bool answerByBroadcast = false;    // answer cmdDiscover to 255.255.255.255
    // Status datagrams: which kinds, and how often (0: only after each cmdDiscover).
    bool statusName = false;
    bool statusIO = false;
    bool statusLog = false;
    int statusIntervalMs = 0;
};

// Parses "127.0.0.2,key=1001,mac=00-04-A3-00-00-01,name=PANEL1,ip=127.0.0.2,
// mask=255.0.0.0,gw=127.0.0.1,dhcp=0,broadcast=1,status=name+io+log,every=1000".
// Only the bind address is required. nullopt with `error` set on a bad text.
std::optional<UdpTerminalConfig> parseTerminalConfig(const QString &text, QString *error);

// Serves one terminal: answers cmdDiscover, applies a cmdSetNetwork or cmdReset
// that names its key and MAC address, sends status datagrams, and records every
// datagram it received.
class UdpTerminal : public QObject {
    Q_OBJECT

public:
    explicit UdpTerminal(UdpTerminalConfig config, QObject *parent = nullptr);
    ~UdpTerminal() override;

    // Binds bindAddress:9781 (and the shared wildcard socket where the system
    // hands broadcasts only to it). False with `error` set on failure.
    bool start(QString *error);
    void stop();

    const UdpTerminalConfig &config() const { return config_; }
    // Every datagram received: {"from", "command", "length", "hex", "applied"}.
    QJsonArray received() const { return received_; }
    int resetCount() const { return resetCount_; }
    int lastEraseMemory() const { return lastErase_; }

    // Status datagrams, broadcast from the terminal's address to port 9781.
    void sendNameInfo();
    void sendIOInfo(std::uint16_t outputs, std::uint16_t inputs);
    // A 24-byte TPanelLogEntry followed by the 20 reader and counter bytes.
    void sendLogExtInfo(const QByteArray &payload44);
    // One simulated passage: a new log entry with the next id and the time now.
    void simulatePassage();
    // The next input/output change: one more output flag toggled.
    void simulateIOChange();

signals:
    void datagramHandled(const QJsonObject &record);

private:
    void readPending(QUdpSocket *socket);
    void handle(const QByteArray &data, const QHostAddress &from, quint16 fromPort);
    void sendStatus();
    void send(const QByteArray &bytes, const QHostAddress &to, quint16 port);
    QByteArray discoverReply() const;

    UdpTerminalConfig config_;
    QUdpSocket *socket_ = nullptr;
    QUdpSocket *wildcard_ = nullptr;
    QTimer *statusTimer_ = nullptr;
    std::array<std::uint8_t, 6> pendingMac_{};
    QJsonArray received_;
    int resetCount_ = 0;
    int lastErase_ = -1;
    std::uint16_t outputs_ = 0;
    std::uint16_t inputs_ = 0;
    std::uint16_t passages_ = 0;
};

// Adds --udp-terminal (repeatable) to the parser.
void addUdpOptions(QCommandLineParser &parser);
// Creates (not yet started) one terminal per --udp-terminal value. nullopt with
// `error` set when a value does not parse.
std::optional<QList<UdpTerminal *>> createUdpTerminals(const QCommandLineParser &parser, QObject *parent,
                                                       QString *error);

} // namespace panelsim
