#include "discovery/discoverytable.h"
#include "discovery/netframes.h"
#include "discovery/panelstatus.h"
#include "discovery/udpendpoint.h"
#include "protocol/texterror.h"

#include "apprun.h"
#include "qtprint.h"

#include <QHostAddress>
#include <QList>
#include <QStringList>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <vector>

using namespace ta::discovery;
using ta::protocol::DatagramKind;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// The Discoverer2 table as plain rows, as it stands right after the scan's reset.
class FakeTable final : public DiscoveryTable {
public:
    FakeTable() : rows(2, QStringList(kDiscoveryColumns, QString())) {}
    int rowCount() const override { return static_cast<int>(rows.size()); }
    QString cellText(int row, int column) const override { return rows[row][column]; }
    void setCellText(int row, int column, const QString &text) override { rows[row][column] = text; }
    void addRow() override { rows.append(QStringList(kDiscoveryColumns, QString())); }
    void makeCurrent(int row) override { current = row; }

    QList<QStringList> rows;
    int current = -1;
};

// A discovery reply payload (frame bytes 6..44).
QByteArray reply(const char *key, const char *mac, const QByteArray &name16, const char *addresses, const char *dhcp)
{
    return hex(key) + hex(mac) + name16 + hex(addresses) + hex(dhcp);
}

const QByteArray kName = QByteArray("PANEL") + QByteArray(11, '\0');

} // namespace

TEST(DiscoveryReply, RowsPerKeyAndMacAddress)
{
    FakeTable t;
    const QByteArray a = reply("01000000", "000a1b2c3d4e", kName, "0a000007" "ffffff00" "0a000001", "01");
    EXPECT_EQ(enterDiscoverReply(t, a), 1);
    EXPECT_EQ(t.rows[1], (QStringList{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("00-0A-1B-2C-3D-4E"),
                                      QStringLiteral("PANEL           "), QStringLiteral("10.0.0.7"),
                                      QStringLiteral("255.255.255.0"), QStringLiteral("10.0.0.1"), QStringLiteral("1")}));

    struct Case {
        const char *what;
        QByteArray payload;
        int expectedRow;
        int expectedRows;
    };
    const Case cases[] = {
        // Answering again (with a new address) keeps the row and takes the new values.
        {"same terminal again", reply("01000000", "000a1b2c3d4e", kName, "0a000008" "ffffff00" "0a000001", "00"), 1, 2},
        {"same key, other MAC", reply("01000000", "000a1b2c3d4f", kName, "0a000009" "ffffff00" "0a000001", "00"), 2, 3},
        {"same MAC, other key", reply("02000000", "000a1b2c3d4e", kName, "0a00000a" "ffffff00" "0a000001", "00"), 3, 4},
        {"largest key", reply("ffffffff", "000000000001", kName, "0a00000b" "ffffff00" "0a000001", "00"), 4, 5},
        {"the first terminal once more", reply("01000000", "000a1b2c3d4e", kName, "0a00000c" "ffffff00" "0a000001", "02"), 1, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        t.current = -1;
        EXPECT_EQ(enterDiscoverReply(t, c.payload), c.expectedRow);
        EXPECT_EQ(t.rowCount(), c.expectedRows);
        EXPECT_EQ(t.current, 1) << "row 1 is current after every reply";
        EXPECT_EQ(t.rows[c.expectedRow][ColNo], QString::number(c.expectedRow));
    }
    EXPECT_EQ(t.rows[1][ColIp], QStringLiteral("10.0.0.12"));
    EXPECT_EQ(t.rows[1][ColDhcp], QStringLiteral("2"));
    EXPECT_EQ(t.rows[4][ColKey], QStringLiteral("4294967295"));
}

TEST(DiscoveryReply, PassesOverRowsWithoutKey)
{
    FakeTable t;
    t.addRow();
    t.rows[1][ColNo] = QStringLiteral("1"); // a row without key: never matched
    t.rows[1][ColMac] = QStringLiteral("00-00-00-00-00-01");
    const QByteArray r = reply("00000000", "000000000001", kName, "7f000002" "ff000000" "7f000001", "00");
    EXPECT_EQ(enterDiscoverReply(t, r), 2) << "the empty last row is used, no row added";
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(enterDiscoverReply(t, r), 2);
}

TEST(NetworkFrames, SelectionValidity)
{
    const QString d = QStringLiteral("-");
    const QString one = QStringLiteral("1");
    const QString mac = QStringLiteral("00-04-A3-00-00-01");
    struct Case {
        Selection s;
        bool valid;
    } cases[] = {
        {{one, one, mac}, true},   {{d, d, d}, false},         {{QString(), one, mac}, false},
        {{one, d, mac}, false},    {{one, QString(), mac}, false}, {{one, one, d}, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isValidSelection(c.s), c.valid) << c.s.no.toStdString() << '|' << c.s.key.toStdString();
}

// What a conversion gives: its bytes in hex, or the text of its failure
// ("address: ..." for a refused address, "error: ..." for any other).
template <typename Convert>
QString outcome(Convert convert, const char *text)
{
    try {
        const auto b = convert(QString::fromLatin1(text));
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(b.data()), static_cast<qsizetype>(b.size())).toHex());
    } catch (const InvalidAddressError &e) {
        return QStringLiteral("address: ") + e.text();
    } catch (const ta::TextError &e) {
        return QStringLiteral("error: ") + e.text();
    }
}

TEST(NetworkFrames, MacTextToBytes)
{
    const std::pair<const char *, const char *> cases[] = {
        {"00-0A-1B-2C-3D-4E", "000a1b2c3d4e"},
        {"00-0a-1b-2c-3d-4e", "000a1b2c3d4e"},
        {"00:0A:1B:2C:3D:4E", "000a1b2c3d4e"},
        {"00-0A-1B-2C-3D-4Ezzz", "000a1b2c3d4e"}, // beyond position 17 is ignored
        {"00-0A-1B-2C-3D-4", "000a1b2c3d04"},     // one digit when the text ends
        {"", "error: '$' is not a valid integer value"},
        {" 00-0A-1B-2C-3D-4E", "error: '$ 0' is not a valid integer value"},
        {"00-0A-1B-2C-3D", "error: '$' is not a valid integer value"},
        {"0G-00-00-00-00-00", "error: '$0G' is not a valid integer value"},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(outcome(macBytes, text), QString::fromLatin1(expected)) << text;
}

TEST(NetworkFrames, DottedSplit)
{
    struct Case {
        const char *text;
        std::vector<const char *> fields;
    } cases[] = {
        {"192.168.1.20", {"192", "168", "1", "20"}},
        {"192 168 1 20", {"192", "168", "1", "20"}},
        {" 192.168.1.20 ", {"192", "168", "1", "20"}},
        {"192.168.1", {"192", "168", "1"}},
        {"", {}},
        {"192.168.1.20.", {"192", "168", "1", "20", ""}},
        {"192.168..20", {"192", "168", "", "20"}},
        {"\"1.2\".3", {"1.2", "3"}},
        {"\"a\"\"b\".c", {"a\"b", "c"}},
        {"1. .2", {"1", "", "2"}},
    };
    for (const Case &c : cases) {
        QStringList expected;
        for (const char *f : c.fields)
            expected << QString::fromLatin1(f);
        EXPECT_EQ(dottedFields(QString::fromLatin1(c.text)), expected) << c.text;
    }
}

// Set refuses address texts that are not empty and not four numbers 0..255.
TEST(NetworkFrames, AddressTexts)
{
    const char *const accepted[][2] = {{"192.168.1.20", "c0a80114"}, {"192 168 1 20", "c0a80114"},
                                       {" 192.168.1.20 ", "c0a80114"}, {"", "00000000"}, {"$FF.0.0.1", "ff000001"}};
    for (const auto &[text, bytes] : accepted)
        EXPECT_EQ(outcome(addressBytes, text), QString::fromLatin1(bytes)) << text;
    for (const char *text : {"192.168.1", "192.168.1.20.", "192.168..20", "300.1.1.1", "-1.0.0.0", "a.b.c.d"})
        EXPECT_EQ(outcome(addressBytes, text), QStringLiteral("address: '%1' is not a valid IP address").arg(QString::fromLatin1(text)));
}

TEST(NetworkFrames, SetNetworkFrame)
{
    const Selection s{QStringLiteral("1"), QStringLiteral("4294967295"), QStringLiteral("00-04-A3-00-00-01")};
    auto frame = beginSetNetwork(s, QStringLiteral("00-04-a3-00-00-02"));
    finishSetNetwork(frame, QStringLiteral("ABC"), QStringLiteral("127.0.0.9"), QStringLiteral("255.0.0.0"),
                     QString(), QStringLiteral("257"));
    EXPECT_EQ(frame.bytes(), hex("5555cccc4233" "ffffffff" "0004a3000001" "0004a3000002" "414243"
                                 "00000000000000000000000000" "7f000009" "ff000000" "00000000" "01"));

    auto longName = beginSetNetwork(s, s.mac);
    finishSetNetwork(longName, QStringLiteral("ABCDEFGHIJKLMNOPQRST"), QString(), QString(), QString(), QStringLiteral("0"));
    EXPECT_EQ(longName.bytes().mid(22, 16), QByteArray("ABCDEFGHIJKLMNOP"));

    EXPECT_THROW(finishSetNetwork(longName, QString(), QString(), QString(), QString(), QString()), ta::TextError)
        << "an empty DHCP value is no integer";
    EXPECT_THROW(beginSetNetwork(Selection{s.no, QStringLiteral("x"), s.mac}, s.mac), ta::TextError);
}

TEST(NetworkFrames, MacChangeNotice)
{
    const Selection s{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("00-04-A3-00-00-01")};
    EXPECT_FALSE(macChanged(s, QStringLiteral("00-04-A3-00-00-01")));
    EXPECT_FALSE(macChanged(s, QStringLiteral(" 00-04-A3-00-00-01\t")));
    EXPECT_TRUE(macChanged(s, QStringLiteral("00-04-a3-00-00-01")));
    EXPECT_TRUE(macChanged(s, QStringLiteral("00:04:A3:00:00:01")));
}

TEST(NetworkFrames, ResetFrameAndIdToMac)
{
    const Selection s{QStringLiteral("2"), QStringLiteral("258"), QStringLiteral("00-04-A3-00-01-02")};
    const std::pair<int, const char *> erase[] = {{1, "01"}, {0, "00"}, {2, "02"}, {256, "00"}, {-1, "ff"}};
    for (const auto &[value, byte] : erase)
        EXPECT_EQ(resetRequest(s, value), hex("5555cccc4411" "02010000" "0004a3000102") + hex(byte)) << value;

    const std::pair<int, const char *> ids[] = {
        {258, "00-04-A3-00-01-02"}, {16777215, "00-04-A3-FF-FF-FF"}, {-1, "00-04-A3-FF-FF-FF"}, {0xA3, "00-04-A3-00-00-A3"}};
    for (const auto &[id, mac] : ids)
        EXPECT_EQ(idToMacText(id), QString::fromLatin1(mac)) << id;

    EXPECT_EQ(discoverRequest(), hex("5555cccc400700"));
}

TEST(Endpoint, WildcardDatagramsOnlyFromTheChosenNetwork)
{
    const QHostAddress local(QStringLiteral("192.0.2.10"));
    struct Case {
        const char *sender;
        int localInterface;
        int arrival;
        bool accepted;
    } cases[] = {
        {"192.0.2.77", 0, 0, true},     // same /24, interface unknown
        {"198.51.100.7", 0, 0, false},  // other network, interface unknown
        {"198.51.100.7", 3, 3, true},   // came in on the chosen address's interface
        {"192.0.2.77", 3, 4, false},    // came in on another interface
    };
    for (const Case &c : cases)
        EXPECT_EQ(belongsToLocalNetwork(local, 24, c.localInterface, QHostAddress(QString::fromLatin1(c.sender)), c.arrival),
                  c.accepted)
            << c.sender << ' ' << c.arrival;
}

// Bound to the wildcard address itself, the endpoint receives every datagram on
// its one socket: a unicast one from any sender reaches the handler.
TEST(Endpoint, WildcardAddressReceivesUnicastFromAnySender)
{
    quint16 port = 0;
    {
        QUdpSocket probe; // a free port, loopback only
        ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
        port = probe.localPort();
    }
    UdpEndpoint endpoint;
    endpoint.addBinding(QStringLiteral("0.0.0.0"), port);
    endpoint.activate();
    QStringList received;
    QObject::connect(&endpoint, &UdpEndpoint::datagramReceived, [&](const QByteArray &bytes, const QString &from) {
        received << from + QLatin1Char(' ') + QString::fromLatin1(bytes.toHex());
    });
    QUdpSocket sender;
    ASSERT_TRUE(sender.bind(QHostAddress::LocalHost, 0));
    ASSERT_EQ(sender.writeDatagram(QByteArray("\x01\x02", 2), QHostAddress::LocalHost, port), 2);
    EXPECT_TRUE(waitUntil([&] { return !received.isEmpty(); }, 2000));
    EXPECT_EQ(received, QStringList{QStringLiteral("127.0.0.1 0102")});
}

namespace {

QByteArray logPayload(char changeAt43 = 0)
{
    QByteArray p = hex("01" "02" "0000000100" "0100" "4752000000000000" "00" "090c18101921");
    p += hex("04" "05" "06" "07" "08" "09" "3412" "0100" "0a" "0b" "0c" "0d" "ffff" "0e" "0f" "10");
    // byte 43, group_limit: the one a test changes
    p += changeAt43;
    return p;
}

} // namespace

TEST(PanelStatus, CachesPerSenderAndKind)
{
    PanelStatusLists lists;
    const QString a = QStringLiteral("127.0.0.2");
    const QString b = QStringLiteral("127.0.0.3");
    const QByteArray io = hex("02810001");
    struct Step {
        const char *what;
        DatagramKind kind;
        QByteArray payload;
        QString ip;
        bool reported;
    } steps[] = {
        {"first log", DatagramKind::LogExtInfo, logPayload(), a, true},
        {"same log again", DatagramKind::LogExtInfo, logPayload(), a, false},
        {"last byte changed", DatagramKind::LogExtInfo, logPayload(1), a, true},
        {"changed once more", DatagramKind::LogExtInfo, logPayload(1), a, false},
        {"identical payload, other sender", DatagramKind::LogExtInfo, logPayload(1), b, true},
        {"io from the same sender", DatagramKind::IOInfo, io, a, true},
        {"io again", DatagramKind::IOInfo, io, a, false},
        {"name", DatagramKind::NameInfo, hex("41424300000000000000000000000000" "0004a3000001"), a, true},
        {"same name again", DatagramKind::NameInfo, hex("41424300000000000000000000000000" "0004a3000001"), a, true},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        const auto report = takeStatus(lists, s.kind, s.payload, s.ip);
        EXPECT_EQ(report.has_value(), s.reported);
        if (report) {
            EXPECT_EQ(report->ip, s.ip);
        }
    }
    ASSERT_EQ(lists.LogExtInfoList.size(), 2);
    EXPECT_EQ(lists.LogExtInfoList[0].Ip, a);
    EXPECT_EQ(lists.LogExtInfoList[0].Info, logPayload(1));
    EXPECT_EQ(lists.LogExtInfoList[1].Ip, b);
    ASSERT_EQ(lists.IOInfoList.size(), 1);
    EXPECT_EQ(lists.IOInfoList[0].Info, io);
}

TEST(PanelStatus, Descriptions)
{
    EXPECT_EQ(logExtInfoText(logPayload(16)),
              QStringLiteral("valid:1, reader_index:2, data:256, id:1, group_name:\"GR      \", result:0 time:9/12/24 16:25:33"
                             ", reader_type:4, reader_in_out:5, reader_level:6, reader_anti_passback_valid:7"
                             ", reader_level_pass_valid:8, level_counter_valid:9, level_limit:4660, level_counter:1"
                             ", same_id_level:10, same_id_limit:11, same_id_counter:12, id_credit_valid:13"
                             ", id_credit:65535, id_limit_counter:14, group_cluster_id:15, group_credit_value:16"
                             ", group_limit:16"));
    QByteArray maxData = logPayload();
    maxData.replace(2, 5, hex("ffffffffff"));
    EXPECT_TRUE(logExtInfoText(maxData).contains(QStringLiteral(", data:1099511627775, id:1,")));

    EXPECT_EQ(ioInfoText(hex("02810001")), QStringLiteral(", R0:T, R1:F, R2:F, R3:F, R4:F, R5:F, R6:F, R7:T, R8:F, R9:T"
                                                          ", I0:T, I1:F, I2:F, I3:F, I4:F, I5:F, I6:F, I7:F, I8:F"));
    EXPECT_EQ(ioInfoText(hex("fd00ff01")), QStringLiteral(", R0:F, R1:F, R2:F, R3:F, R4:F, R5:F, R6:F, R7:F, R8:T, R9:F"
                                                          ", I0:T, I1:F, I2:F, I3:F, I4:F, I5:F, I6:F, I7:F, I8:T"))
        << "ignored bits of the high bytes";

    const QString ip = QStringLiteral("127.0.0.2");
    EXPECT_EQ(nameInfoText(hex("41424344000000004546474800000000" "000a1b2c3d4e"), ip),
              QStringLiteral("\"ABCD\", mac:00-0A-1B-2C-3D-4E, ip:127.0.0.2"));
    EXPECT_EQ(nameInfoText(QByteArray("ABCDEFGHIJKLMNOP") + hex("000000000001"), ip),
              QStringLiteral("\"ABCDEFGHIJKLMNOP\", mac:00-00-00-00-00-01, ip:127.0.0.2"));
}
