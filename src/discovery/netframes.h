#pragma once

#include "protocol/frame.h"
#include "protocol/texterror.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace ta::discovery {

// The three selection labels of the Discoverer2 window.
struct Selection {
    QString no;
    QString key;
    QString mac;
};
inline const QString kSelectValidRow = QStringLiteral("Please select a valid row");
inline const QString kMacChangedNotice =
    QStringLiteral("MAC adres is changed, plase restart device (Press Reset button and type 0)!");
inline const QString kEnterNumber = QStringLiteral("Please enter a number!");

// Valid when none of the three labels is empty or "-".
bool isValidSelection(const Selection &selection);

// A text of the edits that is no IPv4 address: "'%s' is not a valid IP address".
class InvalidAddressError : public TextError {
public:
    using TextError::TextError;
};

// The discovery request 55 55 CC CC 40 07 00.
QByteArray discoverRequest();

// MAC text to six bytes: the pairs at fixed positions 1-2, 4-5, ... 16-17 (from
// 1), each read as "$" + pair. Throws TextError naming the failing "$" text.
std::array<std::uint8_t, 6> macBytes(const QString &text);

// Splits a dotted text into fields at "." (blanks also end a field, a quoted
// field runs to its closing quote, a final "." adds an empty field).
QStringList dottedFields(const QString &text);

// An address, mask or gateway text to four bytes: empty gives 0.0.0.0; four
// fields that are integers from 0 to 255 give their bytes; anything else throws
// InvalidAddressError.
std::array<std::uint8_t, 4> addressBytes(const QString &text);

// cmdSetNetwork, first half: head, key and the current and new MAC addresses.
protocol::TDeviceFrame beginSetNetwork(const Selection &selection, const QString &newMacText);
// Whether the new MAC text (trimmed) differs from the selected one.
bool macChanged(const Selection &selection, const QString &newMacText);
// cmdSetNetwork, second half: NetBIOS name, IP address, mask, gateway, DHCP value.
void finishSetNetwork(protocol::TDeviceFrame &frame, const QString &name, const QString &ip, const QString &mask,
                      const QString &gateway, const QString &dhcp);

// cmdReset for the selected terminal with the erase-memory byte.
QByteArray resetRequest(const Selection &selection, std::int32_t eraseMemory);

// The MAC text for a terminal id: "00-04-A3-" and the id's low 24 bits.
QString idToMacText(std::int32_t id);

} // namespace ta::discovery
