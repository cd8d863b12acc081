#include "discovery/discoverytable.h"

#include "protocol/frame.h"
#include "protocol/textforms.h"
#include "settings/cp1254.h"

namespace ta::discovery {

using namespace ta::protocol;

namespace {

// Payload offsets (frame offset minus the 6 head bytes).
constexpr int kKey = 0;
constexpr int kMac = 4;
constexpr int kName = 10;
constexpr int kNameSize = 16;
constexpr int kIp = 26;
constexpr int kMask = 30;
constexpr int kGateway = 34;
constexpr int kDhcp = 38;

// The name's single-byte characters, each NUL shown as a blank.
QString nameText(QByteArrayView sixteen)
{
    QByteArray bytes = sixteen.toByteArray();
    bytes.replace('\0', ' ');
    return settings::fromCp1254(bytes);
}

} // namespace

int enterDiscoverReply(DiscoveryTable &table, QByteArrayView payload)
{
    const std::uint32_t key = u32le(payload, kKey);
    const QString mac = macText(payload.sliced(kMac, 6));

    int target = -1;
    for (int row = 1; row < table.rowCount() && target < 0; ++row) {
        const QString keyCell = table.cellText(row, ColKey);
        if (keyCell.isEmpty())
            continue;
        const auto cellKey = tryInteger64Text(keyCell);
        if (cellKey && *cellKey == static_cast<std::int64_t>(key) && table.cellText(row, ColMac) == mac)
            target = row;
    }
    if (target < 0) {
        if (table.rowCount() < 2 || !table.cellText(table.rowCount() - 1, ColNo).isEmpty())
            table.addRow();
        target = table.rowCount() - 1;
    }

    table.setCellText(target, ColNo, QString::number(target));
    table.setCellText(target, ColKey, keyText(key));
    table.setCellText(target, ColMac, mac);
    table.setCellText(target, ColName, nameText(payload.sliced(kName, kNameSize)));
    table.setCellText(target, ColIp, ipv4Text(payload.sliced(kIp, 4)));
    table.setCellText(target, ColMask, ipv4Text(payload.sliced(kMask, 4)));
    table.setCellText(target, ColGateway, ipv4Text(payload.sliced(kGateway, 4)));
    table.setCellText(target, ColDhcp, QString::number(byteAt(payload, kDhcp)));
    table.makeCurrent(1);
    return target;
}

} // namespace ta::discovery
