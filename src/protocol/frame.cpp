#include "protocol/frame.h"

#include <algorithm>
#include <cassert>

namespace ta::protocol {

TDeviceFrame::TDeviceFrame(std::uint8_t command, int length) : bytes_(length, '\0')
{
    assert(length >= kHeadSize && length <= kMaxFrameSize);
    for (int i = 0; i < 4; ++i)
        setByte(i, kSync[static_cast<std::size_t>(i)]);
    setByte(4, command);
    setByte(5, static_cast<std::uint8_t>(length));
}

void TDeviceFrame::setByte(int offset, std::uint8_t value)
{
    assert(offset >= 0 && offset < bytes_.size());
    if (offset < 0 || offset >= bytes_.size())
        return;
    bytes_[offset] = static_cast<char>(value);
}

void TDeviceFrame::setU32LE(int offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        setByte(offset + i, static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
}

void TDeviceFrame::setBytes(int offset, std::span<const std::uint8_t> bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i)
        setByte(offset + static_cast<int>(i), bytes[i]);
}

std::uint8_t byteAt(QByteArrayView b, qsizetype offset)
{
    return static_cast<std::uint8_t>(b[offset]);
}

std::uint16_t u16le(QByteArrayView b, qsizetype offset)
{
    return static_cast<std::uint16_t>(byteAt(b, offset) | (byteAt(b, offset + 1) << 8));
}

std::uint32_t u32le(QByteArrayView b, qsizetype offset)
{
    return std::uint32_t(byteAt(b, offset)) | (std::uint32_t(byteAt(b, offset + 1)) << 8)
        | (std::uint32_t(byteAt(b, offset + 2)) << 16) | (std::uint32_t(byteAt(b, offset + 3)) << 24);
}

std::int32_t s32le(QByteArrayView b, qsizetype offset)
{
    return static_cast<std::int32_t>(u32le(b, offset));
}

std::uint64_t u40be(QByteArrayView b, qsizetype offset)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 5; ++i)
        v = (v << 8) | byteAt(b, offset + i);
    return v;
}

bool hasSync(QByteArrayView bytes)
{
    if (bytes.size() < 4)
        return false;
    for (int i = 0; i < 4; ++i)
        if (byteAt(bytes, i) != kSync[static_cast<std::size_t>(i)])
            return false;
    return true;
}

bool replyHeadFits(QByteArrayView bytes, std::uint8_t expectedCommand, std::span<const std::uint8_t> acceptedLengths)
{
    if (bytes.size() < kHeadSize || !hasSync(bytes) || byteAt(bytes, 4) != expectedCommand)
        return false;
    const std::uint8_t length = byteAt(bytes, 5);
    return std::find(acceptedLengths.begin(), acceptedLengths.end(), length) != acceptedLengths.end();
}

bool checkReply(QByteArrayView bytes, qsizetype received, std::uint8_t expectedCommand,
                std::span<const std::uint8_t> acceptedLengths)
{
    if (received < kHeadSize || !replyHeadFits(bytes, expectedCommand, acceptedLengths))
        return false;
    const std::uint8_t length = byteAt(bytes, 5);
    return received >= length && bytes.size() >= length;
}

std::optional<RecognisedDatagram> recogniseDatagram(QByteArrayView datagram)
{
    if (datagram.size() < kHeadSize || !hasSync(datagram))
        return std::nullopt;
    struct Kind {
        std::uint8_t command;
        int length;
        DatagramKind kind;
    };
    static constexpr Kind kinds[] = {
        {cmdLogExtInfo, kLogExtInfoLength, DatagramKind::LogExtInfo},
        {cmdIOInfo, kIOInfoLength, DatagramKind::IOInfo},
        {cmdNameInfo, kNameInfoLength, DatagramKind::NameInfo},
        {cmdDiscoverReply, kDiscoverReplyLength, DatagramKind::DiscoverReply},
    };
    const std::uint8_t command = byteAt(datagram, 4);
    const int length = byteAt(datagram, 5);
    for (const Kind &k : kinds) {
        if (k.command == command && k.length == length) {
            if (datagram.size() < length)
                return std::nullopt;
            const QByteArrayView frame = datagram.first(length);
            return RecognisedDatagram{k.kind, frame, frame.sliced(kHeadSize)};
        }
    }
    return std::nullopt;
}

} // namespace ta::protocol
