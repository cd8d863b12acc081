#include "protocol/frame.h"
#include "protocol/logentry.h"
#include "protocol/textforms.h"
#include "protocol/texterror.h"

#include "qtprint.h"

#include <gtest/gtest.h>

using namespace ta::protocol;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray withTail(const char *head, int totalSize)
{
    QByteArray b = hex(head);
    b.append(QByteArray(totalSize - b.size(), '\0'));
    return b;
}

} // namespace

TEST(Frame, BuildsZeroFilledFramesWithHead)
{
    EXPECT_EQ(TDeviceFrame(cmdGetTime, kGetTimeLength).bytes(), hex("5555cccc6306"));
    EXPECT_EQ(TDeviceFrame(cmdSetTimeReply, kSetTimeReplyLength).bytes(), hex("5555cccca406"));

    TDeviceFrame discover(cmdDiscover, kDiscoverLength);
    EXPECT_EQ(discover.bytes(), hex("5555cccc400700"));

    TDeviceFrame reset(cmdReset, kResetLength);
    reset.setU32LE(6, 0x04030201u);
    reset.setLow8(16, 256 + 7);
    reset.setLow8(15, -1);
    EXPECT_EQ(reset.bytes(), hex("5555cccc4411" "01020304" "0000000000ff" "07"));
}

struct ReplyCase {
    const char *name;
    QByteArray bytes;
    qsizetype received;
    std::uint8_t expected;
    bool records; // accepted lengths: records reply (true) or time reply
    bool valid;
};

void PrintTo(const ReplyCase &c, std::ostream *os)
{
    *os << c.name;
}

class ReplyCheck : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyCheck, JudgesReply)
{
    const ReplyCase &c = GetParam();
    const std::span<const std::uint8_t> lengths =
        c.records ? std::span<const std::uint8_t>(kRecordsReplyLengths) : std::span<const std::uint8_t>(kTimeReplyLengths);
    EXPECT_EQ(checkReply(c.bytes, c.received, c.expected, lengths), c.valid) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplyCheck,
    ::testing::Values(
        ReplyCase{"empty records reply", withTail("5555ccccb60b00", 11), 11, cmdRecordsReply, true, true},
        ReplyCase{"six records", withTail("5555ccccb6b306", 179), 179, cmdRecordsReply, true, true},
        ReplyCase{"extra bytes ignored", withTail("5555ccccb60b00", 40), 40, cmdRecordsReply, true, true},
        ReplyCase{"length byte 12", withTail("5555ccccb60c00", 12), 12, cmdRecordsReply, true, false},
        ReplyCase{"command b7", withTail("5555ccccb70b00", 11), 11, cmdRecordsReply, true, false},
        ReplyCase{"short receive", withTail("5555ccccb62700", 39), 38, cmdRecordsReply, true, false},
        ReplyCase{"receive closed", withTail("5555ccccb60b00", 11), 0, cmdRecordsReply, true, false},
        ReplyCase{"receive error", withTail("5555ccccb60b00", 11), -1, cmdRecordsReply, true, false},
        ReplyCase{"five bytes", hex("5555ccccb6"), 5, cmdRecordsReply, true, false},
        ReplyCase{"bad sync", withTail("5555cccdb60b00", 11), 11, cmdRecordsReply, true, false},
        ReplyCase{"time reply", hex("5555cccca30d090c180210 1921"), 13, cmdTimeReply, false, true},
        ReplyCase{"time reply length 14", withTail("5555cccca30e", 14), 14, cmdTimeReply, false, false},
        ReplyCase{"time reply wrong command", withTail("5555cccca40d", 13), 13, cmdTimeReply, false, false},
        ReplyCase{"time reply 12 of 13 bytes", withTail("5555cccca30d", 13), 12, cmdTimeReply, false, false}),
    [](const auto &param_info) {
        std::string n = param_info.param.name;
        for (char &ch : n)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

struct DatagramCase {
    const char *name;
    QByteArray bytes;
    std::optional<DatagramKind> kind;
    int frameSize;
};

TEST(Datagram, RecognisesByCommandAndLength)
{
    const DatagramCase cases[] = {
        {"discover reply", withTail("5555cccc432d", 45), DatagramKind::DiscoverReply, 45},
        {"discover reply, 36 bytes", withTail("5555cccc432d", 36), std::nullopt, 0},
        {"discover reply, 40 bytes", withTail("5555cccc432d", 40), std::nullopt, 0},
        {"discover reply, 60 bytes", withTail("5555cccc432d", 60), DatagramKind::DiscoverReply, 45},
        {"discover reply, length 2e", withTail("5555cccc432e", 60), std::nullopt, 0},
        {"log ext info, 60 bytes", withTail("5555cccc1532", 60), DatagramKind::LogExtInfo, 50},
        {"io info", withTail("5555cccc160a", 10), DatagramKind::IOInfo, 10},
        {"name info", withTail("5555cccc171c", 28), DatagramKind::NameInfo, 28},
        {"bad sync", withTail("5555cccd432d", 45), std::nullopt, 0},
        {"five bytes", hex("5555cccc43"), std::nullopt, 0},
        {"own discover", withTail("5555cccc4007", 7), std::nullopt, 0},
        {"own set network", withTail("5555cccc4233", 51), std::nullopt, 0},
        {"own reset", withTail("5555cccc4411", 17), std::nullopt, 0},
    };
    for (const auto &c : cases) {
        const auto r = recogniseDatagram(c.bytes);
        ASSERT_EQ(r.has_value(), c.kind.has_value()) << c.name;
        if (r) {
            EXPECT_EQ(r->kind, *c.kind) << c.name;
            EXPECT_EQ(r->frame.size(), c.frameSize) << c.name;
            EXPECT_EQ(r->payload.size(), c.frameSize - kHeadSize) << c.name;
        }
    }
}

TEST(LogEntry, DecodesFieldsAndByteOrders)
{
    // valid, reader_index, data (BE), id (LE), group_name, result, time
    const QByteArray block = hex("01 02 000012d687 0100 41424300 44454647 09 090c18101921");
    ASSERT_EQ(block.size(), kLogEntrySize);
    const TPanelLogEntry e = TPanelLogEntry::decode(block);
    EXPECT_EQ(e.valid, 1);
    EXPECT_EQ(e.reader_index, 2);
    EXPECT_EQ(e.data, 1234567u);
    EXPECT_EQ(e.id, 1);
    EXPECT_EQ(QByteArray(e.group_name.data(), 8), QByteArray("ABC\0DEFG", 8));
    EXPECT_EQ(e.result, 9);
    EXPECT_EQ(e.time, (PanelTime{9, 12, 24, 16, 25, 33}));

    EXPECT_EQ(u40be(hex("0100000000"), 0), 4294967296u);
    EXPECT_EQ(u40be(hex("ffffffffff"), 0), 1099511627775u);
    EXPECT_EQ(u40be(hex("0000000100"), 0), 256u);

    const QByteArray record = hex("f9ffffff") + block;
    const TPanelRecord r = TPanelRecord::decode(record);
    EXPECT_EQ(r.record_no, -7);
    EXPECT_EQ(r.entry.data, 1234567u);
}

TEST(TextForms, KeyMacAndAddress)
{
    EXPECT_EQ(keyText(u32le(hex("ffffffff"), 0)), QStringLiteral("4294967295"));
    EXPECT_EQ(keyText(u32le(hex("01000000"), 0)), QStringLiteral("1"));
    EXPECT_EQ(macText(hex("000a1b2c3d4e")), QStringLiteral("00-0A-1B-2C-3D-4E"));
    EXPECT_EQ(ipv4Text(hex("0a000007")), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(ipv4Text(hex("ff00ff00")), QStringLiteral("255.0.255.0"));
}

TEST(TextForms, IntegerTexts)
{
    struct Case {
        const char *text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},          {"42", 42},         {"  42", 42},      {"+7", 7},          {"-7", -7},
        {"$A3", 0xA3},     {"xff", 255},       {"Xff", 255},      {"0x1F", 31},       {"0XaB", 0xAB},
        {"-$10", -16},     {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},          {"-2147483649", std::nullopt},
        {"$FFFFFFFF", -1}, {"$100000000", std::nullopt},
        {"", std::nullopt}, {" ", std::nullopt}, {"12 ", std::nullopt}, {"1 2", std::nullopt},
        {"$", std::nullopt}, {"0x", std::nullopt}, {"-", std::nullopt}, {"abc", std::nullopt},
        {"$ 0", std::nullopt}, {"1.5", std::nullopt}, {"\t1", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tryIntegerText(QString::fromLatin1(c.text)), c.value) << c.text;

    EXPECT_EQ(tryInteger64Text(QStringLiteral("4294967295")), 4294967295LL);
    EXPECT_EQ(tryInteger64Text(QStringLiteral("-9223372036854775808")), INT64_MIN);
    EXPECT_EQ(tryInteger64Text(QStringLiteral("9223372036854775808")), std::nullopt);
    EXPECT_EQ(tryInteger64Text(QStringLiteral("$FFFFFFFFFFFFFFFF")), -1);

    try {
        integerText(QStringLiteral("abc"));
        FAIL() << "no error";
    } catch (const ta::TextError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("'abc' is not a valid integer value"));
    }
}

TEST(TextForms, BooleanTexts)
{
    struct Case {
        const char *text;
        std::optional<bool> value;
    };
    const Case cases[] = {{"-1", true}, {"0", false}, {"1", true}, {"2", true}, {"True", true},
                          {"true", true}, {"TRUE", true}, {"False", false}, {"fAlSe", false},
                          {"0.0", false}, {"yes", std::nullopt}, {"", std::nullopt}, {"True ", std::nullopt}};
    for (const auto &c : cases) {
        const QString text = QString::fromLatin1(c.text);
        if (c.value) {
            EXPECT_EQ(booleanText(text), *c.value) << c.text;
        } else {
            try {
                booleanText(text);
                ADD_FAILURE() << "accepted " << c.text;
            } catch (const ta::TextError &e) {
                EXPECT_EQ(e.text(), QStringLiteral("'%1' is not a valid boolean value").arg(text));
            }
        }
    }
}
