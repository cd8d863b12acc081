#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>

namespace ta::protocol {

// Command codes of the terminal protocol.
enum Command : std::uint8_t {
    cmdLogExtInfo = 0x15,
    cmdIOInfo = 0x16,
    cmdNameInfo = 0x17,
    cmdDiscover = 0x40,
    cmdSetNetwork = 0x42,
    cmdDiscoverReply = 0x43,
    cmdReset = 0x44,
    cmdGetTime = 0x63,
    cmdSetTime = 0x64,
    cmdGetRecords = 0x76,
    cmdTimeReply = 0xA3,
    cmdSetTimeReply = 0xA4,
    cmdRecordsReply = 0xB6,
};

// Frame lengths (the length byte counts the whole frame, head included).
inline constexpr int kHeadSize = 6;
inline constexpr int kMaxFrameSize = 255;
inline constexpr int kDiscoverLength = 7;
inline constexpr int kDiscoverReplyLength = 45;
inline constexpr int kSetNetworkLength = 51;
inline constexpr int kResetLength = 17;
inline constexpr int kLogExtInfoLength = 50;
inline constexpr int kIOInfoLength = 10;
inline constexpr int kNameInfoLength = 28;
inline constexpr int kGetRecordsLength = 7;
inline constexpr int kGetTimeLength = 6;
inline constexpr int kTimeReplyLength = 13;
inline constexpr int kSetTimeLength = 13;
inline constexpr int kSetTimeReplyLength = 6;
inline constexpr int kRecordSize = 28;          // one TPanelRecord
inline constexpr int kRecordsReplyHead = 11;    // head + record_count + record_total
inline constexpr int kMaxRecordsPerReply = 6;
inline constexpr std::array<std::uint8_t, 7> kRecordsReplyLengths{11, 39, 67, 95, 123, 151, 179};
inline constexpr std::array<std::uint8_t, 1> kTimeReplyLengths{13};
inline constexpr std::array<std::uint8_t, 1> kSetTimeReplyLengths{6};
inline constexpr std::array<std::uint8_t, 4> kSync{0x55, 0x55, 0xCC, 0xCC};

// One message to or from a terminal: 55 55 CC CC, command, total length, payload.
// Built zero-filled at its full length; payload fields are written at fixed offsets.
class TDeviceFrame {
public:
    TDeviceFrame(std::uint8_t command, int length);

    void setByte(int offset, std::uint8_t value);
    // A one-byte field filled from an integer keeps the low 8 bits.
    void setLow8(int offset, qint64 value) { setByte(offset, static_cast<std::uint8_t>(value & 0xFF)); }
    void setU32LE(int offset, std::uint32_t value);
    void setBytes(int offset, std::span<const std::uint8_t> bytes);

    const QByteArray &bytes() const { return bytes_; }
    int length() const { return static_cast<int>(bytes_.size()); }

private:
    QByteArray bytes_;
};

// Little-endian and big-endian readers over raw frame bytes (callers check bounds).
std::uint8_t byteAt(QByteArrayView b, qsizetype offset);
std::uint16_t u16le(QByteArrayView b, qsizetype offset);
std::uint32_t u32le(QByteArrayView b, qsizetype offset);
std::int32_t s32le(QByteArrayView b, qsizetype offset);
std::uint64_t u40be(QByteArrayView b, qsizetype offset);

bool hasSync(QByteArrayView bytes);

// The head of a TCP reply: at least 6 bytes, the sync bytes, the expected
// command and one of the accepted length bytes (the rest may be still to come).
bool replyHeadFits(QByteArrayView bytes, std::uint8_t expectedCommand, std::span<const std::uint8_t> acceptedLengths);

// Checks a TCP reply of which `received` bytes arrived (received may be 0 or -1):
// at least 6 bytes, the sync bytes, the expected command, one of the accepted
// length bytes, and at least that many bytes received.
bool checkReply(QByteArrayView bytes, qsizetype received, std::uint8_t expectedCommand,
                std::span<const std::uint8_t> acceptedLengths);

// The four datagram kinds the program receives.
enum class DatagramKind { LogExtInfo, IOInfo, NameInfo, DiscoverReply };

struct RecognisedDatagram {
    DatagramKind kind;
    QByteArrayView frame;   // the first length-byte bytes of the datagram
    QByteArrayView payload; // frame bytes 6 .. length-1
};

// Recognises a received datagram by its sync bytes and its (command, length) pair;
// std::nullopt for anything that is not a frame for the program.
std::optional<RecognisedDatagram> recogniseDatagram(QByteArrayView datagram);

} // namespace ta::protocol
