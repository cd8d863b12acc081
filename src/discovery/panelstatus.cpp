#include "discovery/panelstatus.h"

#include "protocol/logentry.h"
#include "protocol/textforms.h"
#include "settings/cp1254.h"

namespace ta::discovery {

using namespace ta::protocol;

namespace {

// Finds the sender's entry and compares; true when the status is new or changed.
template <typename Entry>
bool cacheStatus(QList<Entry> &list, const QString &ip, QByteArrayView payload)
{
    for (Entry &entry : list) {
        if (entry.Ip == ip) {
            if (entry.Info == payload)
                return false;
            entry.Info = payload.toByteArray();
            return true;
        }
    }
    list.append(Entry{ip, payload.toByteArray()});
    return true;
}

} // namespace

QString statusKindName(DatagramKind kind)
{
    switch (kind) {
    case DatagramKind::LogExtInfo:
        return QStringLiteral("cmdLogExtInfo");
    case DatagramKind::IOInfo:
        return QStringLiteral("cmdIOInfo");
    case DatagramKind::NameInfo:
        return QStringLiteral("cmdNameInfo");
    case DatagramKind::DiscoverReply:
        break;
    }
    return QStringLiteral("cmdDiscoverReply");
}

std::optional<StatusReport> takeStatus(PanelStatusLists &lists, DatagramKind kind, QByteArrayView payload,
                                       const QString &ip)
{
    switch (kind) {
    case DatagramKind::LogExtInfo:
        if (payload.size() != kLogExtInfoPayload || !cacheStatus(lists.LogExtInfoList, ip, payload))
            return std::nullopt;
        return StatusReport{kind, ip, logExtInfoText(payload)};
    case DatagramKind::IOInfo:
        if (payload.size() != kIOInfoPayload || !cacheStatus(lists.IOInfoList, ip, payload))
            return std::nullopt;
        return StatusReport{kind, ip, ioInfoText(payload)};
    case DatagramKind::NameInfo:
        if (payload.size() != kNameInfoPayload)
            return std::nullopt;
        return StatusReport{kind, ip, nameInfoText(payload, ip)};
    case DatagramKind::DiscoverReply:
        break;
    }
    return std::nullopt;
}

QString logExtInfoText(QByteArrayView p)
{
    const TPanelLogEntry e = TPanelLogEntry::decode(p.first(kLogEntrySize));
    QByteArray group(e.group_name.data(), static_cast<qsizetype>(e.group_name.size()));
    group.replace('\0', ' ');
    const auto n = [](auto v) { return QString::number(v); };
    const auto b = [&](int offset) { return n(byteAt(p, offset)); };
    const PanelTime &t = e.time;
    QString s;
    s += QStringLiteral("valid:") + n(e.valid);
    s += QStringLiteral(", reader_index:") + n(e.reader_index);
    s += QStringLiteral(", data:") + n(e.data);
    s += QStringLiteral(", id:") + n(e.id);
    s += QStringLiteral(", group_name:\"") + settings::fromCp1254(group) + QLatin1Char('"');
    s += QStringLiteral(", result:") + n(e.result);
    s += QStringLiteral(" time:%1/%2/%3 %4:%5:%6")
             .arg(t.day)
             .arg(t.month)
             .arg(t.year)
             .arg(t.hour)
             .arg(t.minute)
             .arg(t.second);
    // Payload offsets of the reader and counter states (frame offset - 6).
    s += QStringLiteral(", reader_type:") + b(24);
    s += QStringLiteral(", reader_in_out:") + b(25);
    s += QStringLiteral(", reader_level:") + b(26);
    s += QStringLiteral(", reader_anti_passback_valid:") + b(27);
    s += QStringLiteral(", reader_level_pass_valid:") + b(28);
    s += QStringLiteral(", level_counter_valid:") + b(29);
    s += QStringLiteral(", level_limit:") + n(u16le(p, 30));
    s += QStringLiteral(", level_counter:") + n(u16le(p, 32));
    s += QStringLiteral(", same_id_level:") + b(34);
    s += QStringLiteral(", same_id_limit:") + b(35);
    s += QStringLiteral(", same_id_counter:") + b(36);
    s += QStringLiteral(", id_credit_valid:") + b(37);
    s += QStringLiteral(", id_credit:") + n(u16le(p, 38));
    s += QStringLiteral(", id_limit_counter:") + b(40);
    s += QStringLiteral(", group_cluster_id:") + b(41);
    s += QStringLiteral(", group_credit_value:") + b(42);
    s += QStringLiteral(", group_limit:") + b(43);
    return s;
}

QString ioInfoText(QByteArrayView p)
{
    // Two flag words, most significant byte first: outputs R0..R9, inputs I0..I8.
    const unsigned outputs = (unsigned(byteAt(p, 0)) << 8) | byteAt(p, 1);
    const unsigned inputs = (unsigned(byteAt(p, 2)) << 8) | byteAt(p, 3);
    QString s;
    const auto flags = [&s](QLatin1Char letter, unsigned word, int count) {
        for (int i = 0; i < count; ++i)
            s += QStringLiteral(", %1%2:%3").arg(letter).arg(i).arg((word >> i) & 1U ? QLatin1Char('T') : QLatin1Char('F'));
    };
    flags(QLatin1Char('R'), outputs, 10);
    flags(QLatin1Char('I'), inputs, 9);
    return s;
}

QString nameInfoText(QByteArrayView p, const QString &ip)
{
    QByteArrayView name = p.first(16);
    const qsizetype nul = name.indexOf('\0');
    if (nul >= 0)
        name = name.first(nul);
    return QLatin1Char('"') + settings::fromCp1254(name.toByteArray()) + QStringLiteral("\", mac:") +
           macText(p.sliced(16, 6)) + QStringLiteral(", ip:") + ip;
}

} // namespace ta::discovery
