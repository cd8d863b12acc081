#pragma once

#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace ta::protocol {

// A key: the unsigned 32-bit value in decimal.
QString keyText(std::uint32_t key);
// A MAC address: six two-digit upper-case hex numbers joined by "-".
QString macText(QByteArrayView sixBytes);
// An IPv4 address, mask or gateway: four decimal numbers joined by ".".
QString ipv4Text(QByteArrayView fourBytes);

// Integer texts: optional leading blanks, an optional sign, then decimal digits
// or hex digits after "$", "x", "X", "0x" or "0X", nothing after the digits.
// Hex takes at most 8 digits (16 for 64-bit) and wraps as two's complement.
std::optional<std::int32_t> tryIntegerText(const QString &text);
std::optional<std::int64_t> tryInteger64Text(const QString &text);
// The same, throwing TextError("'%s' is not a valid integer value").
std::int32_t integerText(const QString &text);
std::int64_t integer64Text(const QString &text);

// A Boolean text: a number (true when not zero), or "True"/"False" in any case.
// Throws TextError("'%s' is not a valid boolean value").
bool booleanText(const QString &text);

QString invalidIntegerMessage(const QString &text);

} // namespace ta::protocol
