#include "discovery/netframes.h"

#include "protocol/textforms.h"
#include "settings/cp1254.h"

namespace ta::discovery {

using namespace ta::protocol;

namespace {

const QString kDash = QStringLiteral("-");

bool isBlank(QChar c)
{
    return c.unicode() <= u' ';
}

} // namespace

bool isValidSelection(const Selection &s)
{
    for (const QString *label : {&s.no, &s.key, &s.mac})
        if (label->isEmpty() || *label == kDash)
            return false;
    return true;
}

QByteArray discoverRequest()
{
    TDeviceFrame frame(cmdDiscover, kDiscoverLength);
    frame.setByte(6, 0x00);
    return frame.bytes();
}

std::array<std::uint8_t, 6> macBytes(const QString &text)
{
    std::array<std::uint8_t, 6> out{};
    for (int i = 0; i < 6; ++i)
        out[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(integerText(QLatin1Char('$') + text.mid(3 * i, 2)) & 0xFF);
    return out;
}

QStringList dottedFields(const QString &text)
{
    QStringList fields;
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < n && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString field;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && !isBlank(text[i]) && text[i] != QLatin1Char('.'))
                ++i;
            field = text.mid(start, i - start);
        }
        fields << field;
        skipBlanks();
        if (i < n && text[i] == QLatin1Char('.')) {
            if (i + 1 == n)
                fields << QString();
            ++i;
            skipBlanks();
        }
    }
    return fields;
}

std::array<std::uint8_t, 4> addressBytes(const QString &text)
{
    std::array<std::uint8_t, 4> out{};
    if (text.isEmpty())
        return out;
    const QStringList fields = dottedFields(text);
    const auto invalid = [&] { return InvalidAddressError(QStringLiteral("'%1' is not a valid IP address").arg(text)); };
    if (fields.size() != 4)
        throw invalid();
    for (int i = 0; i < 4; ++i) {
        const auto v = tryIntegerText(fields[i]);
        if (!v || *v < 0 || *v > 255)
            throw invalid();
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*v);
    }
    return out;
}

namespace {

// Key (low 32 bits of a 64-bit integer text) and current MAC at bytes 6..15.
void writeKeyAndMac(TDeviceFrame &frame, const Selection &selection)
{
    frame.setU32LE(6, static_cast<std::uint32_t>(integer64Text(selection.key) & 0xFFFFFFFF));
    frame.setBytes(10, macBytes(selection.mac));
}

} // namespace

TDeviceFrame beginSetNetwork(const Selection &selection, const QString &newMacText)
{
    TDeviceFrame frame(cmdSetNetwork, kSetNetworkLength);
    writeKeyAndMac(frame, selection);
    frame.setBytes(16, macBytes(newMacText));
    return frame;
}

bool macChanged(const Selection &selection, const QString &newMacText)
{
    // Trimmed of blanks and control characters at both ends only.
    qsizetype first = 0;
    qsizetype last = newMacText.size();
    while (first < last && isBlank(newMacText[first]))
        ++first;
    while (last > first && isBlank(newMacText[last - 1]))
        --last;
    return newMacText.mid(first, last - first) != selection.mac;
}

void finishSetNetwork(TDeviceFrame &frame, const QString &name, const QString &ip, const QString &mask,
                      const QString &gateway, const QString &dhcp)
{
    const QByteArray nameBytes = settings::toCp1254(name.left(16));
    for (qsizetype i = 0; i < nameBytes.size() && i < 16; ++i)
        frame.setByte(22 + static_cast<int>(i), static_cast<std::uint8_t>(nameBytes[i]));
    frame.setBytes(38, addressBytes(ip));
    frame.setBytes(42, addressBytes(mask));
    frame.setBytes(46, addressBytes(gateway));
    frame.setLow8(50, integerText(dhcp));
}

QByteArray resetRequest(const Selection &selection, std::int32_t eraseMemory)
{
    TDeviceFrame frame(cmdReset, kResetLength);
    writeKeyAndMac(frame, selection);
    frame.setLow8(16, eraseMemory);
    return frame.bytes();
}

QString idToMacText(std::int32_t id)
{
    const auto v = static_cast<std::uint32_t>(id);
    const std::array<char, 6> bytes{0x00, 0x04, static_cast<char>(0xA3), static_cast<char>((v >> 16) & 0xFF),
                                    static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
    return macText(QByteArrayView(bytes.data(), 6));
}

} // namespace ta::discovery
