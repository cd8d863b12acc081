#pragma once

#include "protocol/frame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace ta::discovery {

inline constexpr int kLogExtInfoPayload = protocol::kLogExtInfoLength - protocol::kHeadSize; // 44
inline constexpr int kIOInfoPayload = protocol::kIOInfoLength - protocol::kHeadSize;         // 4
inline constexpr int kNameInfoPayload = protocol::kNameInfoLength - protocol::kHeadSize;     // 22

// The last cmdLogExtInfo payload seen from one sender.
class TPanelLogExtInfo {
public:
    QString Ip;
    QByteArray Info; // 44 bytes, as received
};

// The last cmdIOInfo payload seen from one sender.
class TPanelIOInfo {
public:
    QString Ip;
    QByteArray Info; // 4 bytes, as received
};

// The per-sender caches, owned by the main window for the program's life.
struct PanelStatusLists {
    QList<TPanelLogExtInfo> LogExtInfoList;
    QList<TPanelIOInfo> IOInfoList;
};

// One status to report: its kind, the sender and the one-line description.
struct StatusReport {
    protocol::DatagramKind kind;
    QString ip;
    QString description;
};

// The command name of a status kind ("cmdLogExtInfo", "cmdIOInfo", "cmdNameInfo").
QString statusKindName(protocol::DatagramKind kind);

// Takes one status datagram's payload from `ip`: a cmdLogExtInfo or cmdIOInfo
// is reported when it is new or changed for that sender (and the cache is
// updated), every cmdNameInfo is reported. std::nullopt: nothing to report.
std::optional<StatusReport> takeStatus(PanelStatusLists &lists, protocol::DatagramKind kind, QByteArrayView payload,
                                       const QString &ip);

// The description texts of the three kinds.
QString logExtInfoText(QByteArrayView payload44);
QString ioInfoText(QByteArrayView payload4);
QString nameInfoText(QByteArrayView payload22, const QString &ip);

} // namespace ta::discovery
