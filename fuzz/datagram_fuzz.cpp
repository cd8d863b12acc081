// A received UDP datagram: recognition by sync bytes and (command, length), and
// the passage event block of a recognised cmdLogExtInfo.

#include "fuzzbytes.h"
#include "protocol/frame.h"
#include "protocol/logentry.h"

using namespace ta::protocol;
using ta::fuzz::check;
using ta::fuzz::ExactBytes;

namespace {

struct Expected {
    std::uint8_t command;
    int length;
};

Expected expectedFor(DatagramKind kind)
{
    switch (kind) {
    case DatagramKind::LogExtInfo:
        return {cmdLogExtInfo, kLogExtInfoLength};
    case DatagramKind::IOInfo:
        return {cmdIOInfo, kIOInfoLength};
    case DatagramKind::NameInfo:
        return {cmdNameInfo, kNameInfoLength};
    case DatagramKind::DiscoverReply:
        return {cmdDiscoverReply, kDiscoverReplyLength};
    }
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ExactBytes datagram(ta::fuzz::inputView(data, size));
    const auto recognised = recogniseDatagram(datagram.view());
    if (!recognised)
        return 0;

    const Expected expected = expectedFor(recognised->kind);
    const QByteArrayView frame = recognised->frame;
    check(frame.data() == datagram.view().data() && frame.size() == expected.length, "frame is the datagram's head");
    check(byteAt(frame, 4) == expected.command && byteAt(frame, 5) == expected.length, "kind matches its pair");
    check(recognised->payload.data() == frame.data() + kHeadSize && recognised->payload.size() == frame.size() - kHeadSize,
          "payload follows the head");

    // The frame on its own, so that nothing after it can be read unnoticed.
    const ExactBytes exactFrame(frame);
    const auto alone = recogniseDatagram(exactFrame.view());
    check(alone && alone->kind == recognised->kind, "bytes after the frame do not matter");

    if (alone->kind == DatagramKind::LogExtInfo) {
        const TPanelLogEntry entry = TPanelLogEntry::decode(alone->payload.first(kLogEntrySize));
        check(entry.data < (std::uint64_t(1) << 40), "entry data is 40 bits");
    }
    return 0;
}
