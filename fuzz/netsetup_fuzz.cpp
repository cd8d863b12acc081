// The texts of the Discoverer2 window as Set, Reset and Id To MAC take them:
// the three selection labels, the six edits, the reset entry and the id entry,
// through the MAC, dotted and integer conversions into the two frames.
//
// Input: the eleven texts in that order, UTF-8, separated by line feeds (the
// missing ones empty).

#include "discovery/netframes.h"
#include "fuzzbytes.h"
#include "protocol/frame.h"
#include "protocol/textforms.h"
#include "protocol/texterror.h"
#include "settings/cp1254.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <optional>

using namespace ta::discovery;
using namespace ta::protocol;
using ta::fuzz::check;

namespace {

enum Text { LabelNo, LabelKey, LabelMac, EditMac, EditName, EditIp, EditMask, EditGateway, EditDhcp, ResetEntry, IdEntry, kTexts };

template <std::size_t N>
QByteArray bytesOf(const std::array<std::uint8_t, N> &a)
{
    return QByteArray(reinterpret_cast<const char *>(a.data()), static_cast<qsizetype>(N));
}

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

// The MAC bytes of a text, checked against the pairs at their fixed places:
// it converts exactly when every pair is one or two hex digits, and the MAC
// text of the result shows those pairs again in upper case.
std::optional<QByteArray> macFromText(const QString &text)
{
    QStringList pairs;
    qsizetype firstBad = -1;
    for (int i = 0; i < 6; ++i) {
        const QString pair = text.mid(3 * i, 2);
        pairs << pair.rightJustified(2, QLatin1Char('0')).toUpper();
        const bool wellFormed = !pair.isEmpty() && isHexDigit(pair[0]) && (pair.size() == 1 || isHexDigit(pair[1]));
        if (!wellFormed && firstBad < 0)
            firstBad = i;
    }
    try {
        const QByteArray bytes = bytesOf(macBytes(text));
        check(firstBad < 0, "a MAC text converts only when its six pairs are hex digits");
        const QString shown = macText(bytes);
        check(shown == pairs.join(QLatin1Char('-')), "the MAC text shows the pairs again, upper case");
        bool dashed = text.size() == 17;
        for (int i = 2; dashed && i < 17; i += 3)
            dashed = text[i] == QLatin1Char('-');
        if (dashed)
            check(shown == text.toUpper(), "a well-formed MAC text reads back as its upper-case form");
        check(bytesOf(macBytes(shown)) == bytes, "the shown MAC text converts to the same bytes");
        return bytes;
    } catch (const ta::TextError &e) {
        check(firstBad >= 0, "a MAC text of six hex pairs converts");
        check(e.text() == invalidIntegerMessage(QLatin1Char('$') + text.mid(3 * firstBad, 2)),
              "MAC failure names the first failing pair with its $");
        return std::nullopt;
    }
}

// The four bytes of an address text: 0 or 4 fields are ever converted.
std::optional<QByteArray> addressFromText(const QString &text)
{
    const QStringList fields = dottedFields(text);
    check(fields.size() <= text.size() + 1, "no more fields than characters and one");
    const bool plain = !text.isEmpty() && !text.contains(QLatin1Char('"')) &&
                       std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= u' '; });
    if (plain)
        check(fields == text.split(QLatin1Char('.')), "a text without blanks and quotes splits at its dots");

    QByteArray expected(4, '\0');
    bool convertible = text.isEmpty() || fields.size() == 4;
    for (qsizetype i = 0; convertible && !text.isEmpty() && i < 4; ++i) {
        const auto v = tryIntegerText(fields[i]);
        convertible = v && *v >= 0 && *v <= 255;
        if (convertible)
            expected[i] = static_cast<char>(*v);
    }
    try {
        const QByteArray bytes = bytesOf(addressBytes(text));
        check(convertible, "an address converts from no text or four byte fields only");
        check(bytes == expected, "address bytes are its four fields in text order");
        return bytes;
    } catch (const InvalidAddressError &e) {
        check(!convertible, "an address of four byte fields converts");
        check(e.text() == QStringLiteral("'%1' is not a valid IP address").arg(text), "address failure text");
        return std::nullopt;
    }
}

void checkHead(const QByteArray &frame, const char *head, int length, const char *what)
{
    check(frame.size() == length && frame.first(6) == QByteArray::fromHex(head), what);
}

// Set: the 51-byte frame is built exactly when every text converts, and holds
// each text's bytes at its place.
void setNetwork(const Selection &selection, const QStringList &t, std::optional<std::int64_t> key,
                std::optional<QByteArray> currentMac)
{
    const std::optional<QByteArray> newMac = macFromText(t[EditMac]);
    std::array<std::optional<QByteArray>, 3> addresses{};
    for (int i = 0; i < 3; ++i)
        addresses[i] = addressFromText(t[EditIp + i]);
    const std::optional<std::int32_t> dhcp = tryIntegerText(t[EditDhcp]);
    const bool convertible = key && currentMac && newMac && addresses[0] && addresses[1] && addresses[2] && dhcp;

    std::optional<QByteArray> frame;
    try {
        TDeviceFrame f = beginSetNetwork(selection, t[EditMac]);
        finishSetNetwork(f, t[EditName], t[EditIp], t[EditMask], t[EditGateway], t[EditDhcp]);
        frame = f.bytes();
    } catch (const ta::TextError &) {
    }
    check(frame.has_value() == convertible, "Set builds its frame exactly when every text converts");
    if (!frame)
        return;

    checkHead(*frame, "5555cccc4233", kSetNetworkLength, "Set frame: 51 bytes, head 55 55 CC CC 42 33");
    check(u32le(*frame, 6) == static_cast<std::uint32_t>(*key), "Set key: low 32 bits, least significant first");
    check(frame->sliced(10, 6) == *currentMac && frame->sliced(16, 6) == *newMac, "Set MAC addresses");
    const QByteArray name = ta::settings::toCp1254(t[EditName].left(16));
    check(frame->sliced(22, 16) == name + QByteArray(16 - name.size(), '\0'), "Set name: 16 bytes, zero after it");
    check(frame->sliced(38, 4) == *addresses[0] && frame->sliced(42, 4) == *addresses[1] &&
              frame->sliced(46, 4) == *addresses[2],
          "Set addresses");
    check(byteAt(*frame, 50) == static_cast<std::uint8_t>(*dhcp & 0xFF), "Set DHCP: low 8 bits");

    // The notice compares the edit, trimmed at both ends only, with the label.
    const QString &edit = t[EditMac];
    check(macChanged(selection, QLatin1Char(' ') + edit + QLatin1Char('\t')) == macChanged(selection, edit),
          "blanks around the new MAC do not change the notice");
    if (!selection.mac.isEmpty() && selection.mac.front().unicode() > u' ' && selection.mac.back().unicode() > u' ')
        check(!macChanged(selection, selection.mac), "the selected MAC itself is no change");
}

// Reset: 17 bytes with the entry's low 8 bits; the entry is converted first.
void reset(const Selection &selection, const QString &entry, std::optional<std::int64_t> key,
           std::optional<QByteArray> currentMac)
{
    const std::optional<std::int32_t> erase = tryIntegerText(entry);
    if (!erase || !isValidSelection(selection))
        return;
    std::optional<QByteArray> frame;
    try {
        frame = resetRequest(selection, *erase);
    } catch (const ta::TextError &) {
    }
    check(frame.has_value() == (key && currentMac), "Reset builds its frame exactly when the selection converts");
    if (!frame)
        return;
    checkHead(*frame, "5555cccc4411", kResetLength, "Reset frame: 17 bytes, head 55 55 CC CC 44 11");
    check(u32le(*frame, 6) == static_cast<std::uint32_t>(*key) && frame->sliced(10, 6) == *currentMac,
          "Reset key and MAC");
    check(byteAt(*frame, 16) == static_cast<std::uint8_t>(*erase & 0xFF), "Reset erase byte: low 8 bits");
}

void idToMac(const QString &entry)
{
    const std::optional<std::int32_t> id = tryIntegerText(entry);
    if (!id)
        return;
    static const QRegularExpression form(QStringLiteral("^00-04-A3(-[0-9A-F]{2}){3}$"));
    const QString mac = idToMacText(*id);
    check(form.match(mac).hasMatch(), "Id To MAC gives 00-04-A3- and three upper-case pairs");
    const auto low24 = static_cast<std::uint32_t>(*id) & 0xFFFFFF;
    check(mac.mid(9).remove(QLatin1Char('-')).toUInt(nullptr, 16) == low24, "Id To MAC pairs are the low 24 bits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QStringList t = QString::fromUtf8(ta::fuzz::inputView(data, size)).split(QLatin1Char('\n'));
    while (t.size() < kTexts)
        t << QString();

    const Selection selection{t[LabelNo], t[LabelKey], t[LabelMac]};
    check(isValidSelection(selection) ==
              !(selection.no.isEmpty() || selection.no == QStringLiteral("-") || selection.key.isEmpty() ||
                selection.key == QStringLiteral("-") || selection.mac.isEmpty() || selection.mac == QStringLiteral("-")),
          "a selection is valid when no label is empty or -");
    const std::optional<std::int64_t> key = tryInteger64Text(selection.key);
    const std::optional<QByteArray> currentMac = macFromText(selection.mac);

    if (isValidSelection(selection))
        setNetwork(selection, t, key, currentMac);
    reset(selection, t[ResetEntry], key, currentMac);
    idToMac(t[IdEntry]);
    return 0;
}
