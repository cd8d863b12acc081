#pragma once

#include <QByteArrayView>
#include <QString>

namespace ta::discovery {

// Column order of the Discoverer2 table; row 0 is the header row.
enum DiscoveryColumn { ColNo = 0, ColKey, ColMac, ColName, ColIp, ColMask, ColGateway, ColDhcp, kDiscoveryColumns };

// What the discovery-reply logic needs of the Discoverer2 table.
class DiscoveryTable {
public:
    virtual ~DiscoveryTable() = default;
    virtual int rowCount() const = 0;
    virtual QString cellText(int row, int column) const = 0;
    virtual void setCellText(int row, int column, const QString &text) = 0;
    virtual void addRow() = 0;
    virtual void makeCurrent(int row) = 0;
};

// Enters one cmdDiscoverReply (payload: frame bytes 6..44) into the table: the
// row of the same key and MAC address is rewritten in place, otherwise the
// empty last row or a new row at the bottom is used. Returns the row written.
// The caller then shows row 1 as the selection.
int enterDiscoverReply(DiscoveryTable &table, QByteArrayView payload);

} // namespace ta::discovery
