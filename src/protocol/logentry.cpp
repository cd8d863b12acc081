#include "protocol/logentry.h"

#include "protocol/frame.h"

namespace ta::protocol {

PanelTime PanelTime::fromBytes(QByteArrayView b)
{
    return PanelTime{byteAt(b, 0), byteAt(b, 1), byteAt(b, 2), byteAt(b, 3), byteAt(b, 4), byteAt(b, 5)};
}

TPanelLogEntry TPanelLogEntry::decode(QByteArrayView b)
{
    TPanelLogEntry e;
    e.valid = byteAt(b, 0);
    e.reader_index = byteAt(b, 1);
    e.data = u40be(b, 2);
    e.id = u16le(b, 7);
    for (int i = 0; i < 8; ++i)
        e.group_name[static_cast<std::size_t>(i)] = b[9 + i];
    e.result = byteAt(b, 17);
    e.time = PanelTime::fromBytes(b.sliced(18, 6));
    return e;
}

TPanelRecord TPanelRecord::decode(QByteArrayView b)
{
    return TPanelRecord{s32le(b, 0), TPanelLogEntry::decode(b.sliced(4, kLogEntrySize))};
}

} // namespace ta::protocol
