// A TCP reply as the record pull and the clock check receive it, then the same
// bytes through the shared text conversions (integer and Boolean texts, key,
// MAC and IPv4 forms).

#include "fuzzbytes.h"
#include "protocol/frame.h"
#include "protocol/logentry.h"
#include "protocol/textforms.h"
#include "protocol/texterror.h"

#include <QString>
#include <QStringList>
#include <algorithm>

using namespace ta::protocol;
using ta::fuzz::check;
using ta::fuzz::ExactBytes;

namespace {

// The exchange receives into a buffer of this size.
constexpr qsizetype kReceiveBuffer = 256;

void decodeRecords(QByteArrayView frame)
{
    // Only the records that the length byte covers; the copy ends at the length
    // byte, so a record read past it is caught.
    const int length = byteAt(frame, 5);
    const ExactBytes exact(frame.first(length));
    const QByteArrayView reply = exact.view();
    const int covered = (length - kRecordsReplyHead) / kRecordSize;
    check(covered >= 0 && covered <= kMaxRecordsPerReply, "records covered by an accepted length byte");
    for (int i = 0; i < covered; ++i) {
        const TPanelRecord record = TPanelRecord::decode(reply.sliced(kRecordsReplyHead + i * kRecordSize, kRecordSize));
        check(record.entry.data < (std::uint64_t(1) << 40), "record data is 40 bits");
    }
}

void checkAsReply(QByteArrayView bytes, qsizetype received, std::uint8_t command,
                  std::span<const std::uint8_t> lengths)
{
    const bool accepted = checkReply(bytes, received, command, lengths);
    // Bytes past the count received are not looked at.
    if (received >= 0 && received < bytes.size())
        check(checkReply(bytes.first(received), received, command, lengths) == accepted,
              "reply check looks past the bytes received");
    if (!accepted)
        return;
    check(received >= kHeadSize && hasSync(bytes) && byteAt(bytes, 4) == command, "accepted reply head");
    const std::uint8_t length = byteAt(bytes, 5);
    check(std::find(lengths.begin(), lengths.end(), length) != lengths.end(), "accepted length byte");
    check(received >= length && bytes.size() >= length, "accepted reply is complete");
    // Nor past the length byte.
    const ExactBytes frame(bytes.first(length));
    check(checkReply(frame.view(), length, command, lengths), "reply check looks past the length byte");
    if (command == cmdRecordsReply)
        decodeRecords(bytes);
}

void replyCheck(QByteArrayView input)
{
    const ExactBytes received(input.first(std::min(input.size(), kReceiveBuffer)));
    const QByteArrayView bytes = received.view();
    // Receive results: all of it, short by one, the length byte's count and one
    // less, a closed connection and a socket error.
    std::array<qsizetype, 6> counts{bytes.size(), bytes.size() - 1, 0, -1, 0, 0};
    if (bytes.size() > 5) {
        counts[4] = byteAt(bytes, 5);
        counts[5] = counts[4] - 1;
    }
    for (const qsizetype count : counts) {
        checkAsReply(bytes, count, cmdRecordsReply, kRecordsReplyLengths);
        checkAsReply(bytes, count, cmdTimeReply, kTimeReplyLengths);
        checkAsReply(bytes, count, cmdSetTimeReply, kSetTimeReplyLengths);
    }
}

void integerTexts(const QString &text)
{
    const std::optional<std::int32_t> v32 = tryIntegerText(text);
    try {
        const std::int32_t thrown = integerText(text);
        check(v32 && *v32 == thrown, "integerText agrees with tryIntegerText");
    } catch (const ta::TextError &e) {
        check(!v32, "integerText throws only for what tryIntegerText refuses");
        check(e.text() == invalidIntegerMessage(text), "integer failure text");
    }
    if (v32)
        check(tryIntegerText(QString::number(*v32)) == v32, "32-bit value reads back from its decimal text");

    const std::optional<std::int64_t> v64 = tryInteger64Text(text);
    try {
        const std::int64_t thrown = integer64Text(text);
        check(v64 && *v64 == thrown, "integer64Text agrees with tryInteger64Text");
    } catch (const ta::TextError &) {
        check(!v64, "integer64Text throws only for what tryInteger64Text refuses");
    }
    if (v64)
        check(tryInteger64Text(QString::number(*v64)) == v64, "64-bit value reads back from its decimal text");

    try {
        const bool b = booleanText(text);
        if (v64)
            check(b == (*v64 != 0), "a number is true when not zero");
    } catch (const ta::TextError &e) {
        check(!v64, "every integer text is a Boolean text");
        check(e.text() == QStringLiteral("'%1' is not a valid boolean value").arg(text), "Boolean failure text");
    }
}

void deviceValueTexts(QByteArrayView input)
{
    if (input.size() >= 4) {
        const ExactBytes four(input.first(4));
        const std::uint32_t key = u32le(four.view(), 0);
        check(tryInteger64Text(keyText(key)) == std::optional<std::int64_t>(key), "key text reads back");

        const QString ip = ipv4Text(four.view());
        const QStringList parts = ip.split(QLatin1Char('.'));
        check(parts.size() == 4, "IPv4 text has four numbers");
        for (int i = 0; i < 4; ++i)
            check(parts[i] == QString::number(byteAt(four.view(), i)), "IPv4 numbers in dotted order, no leading zeros");
    }
    if (input.size() >= 6) {
        const ExactBytes six(input.first(6));
        const QString mac = macText(six.view());
        check(mac.size() == 17 && mac == mac.toUpper(), "MAC text is 17 upper-case characters");
        check(QByteArray::fromHex(mac.toLatin1()) == six.view().toByteArray(), "MAC text reads back");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input = ta::fuzz::inputView(data, size);
    replyCheck(input);
    integerTexts(QString::fromUtf8(input));
    integerTexts(QString::fromLatin1(input));
    deviceValueTexts(input);
    return 0;
}
