#pragma once

#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>

namespace ta::protocol {

inline constexpr int kLogEntrySize = 24;

// The date and time of an event by the terminal's clock: one byte each.
struct PanelTime {
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    std::uint8_t year = 0; // counted from 2000
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    static PanelTime fromBytes(QByteArrayView sixBytes);
    friend bool operator==(const PanelTime &, const PanelTime &) = default;
};

// The 24-byte passage event block shared by stored records and cmdLogExtInfo.
struct TPanelLogEntry {
    std::uint8_t valid = 0;
    std::uint8_t reader_index = 0;
    std::uint64_t data = 0; // 40 bits, most significant byte first on the wire
    std::uint16_t id = 0;   // little-endian on the wire
    std::array<char, 8> group_name{};
    std::uint8_t result = 0;
    PanelTime time;

    // Decodes the block from exactly kLogEntrySize bytes.
    static TPanelLogEntry decode(QByteArrayView block);
};

// One stored record of a cmdRecordsReply: record_no and a TPanelLogEntry.
struct TPanelRecord {
    std::int32_t record_no = 0;
    TPanelLogEntry entry;

    static TPanelRecord decode(QByteArrayView record28);
};

} // namespace ta::protocol
