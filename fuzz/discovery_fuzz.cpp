// A run of received datagrams as the endpoint's handler takes them: discovery
// replies into the Discoverer2 table, status datagrams into the per-sender
// caches and their description texts.
//
// Input: up to kMaxDatagrams records of a sender byte (one of a few loopback
// address texts), a length byte and that many datagram bytes (fewer at the end).

#include "discovery/discoverytable.h"
#include "discovery/panelstatus.h"
#include "fuzzbytes.h"
#include "protocol/frame.h"
#include "protocol/textforms.h"

#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <optional>
#include <utility>

using namespace ta::discovery;
using namespace ta::protocol;
using ta::fuzz::check;
using ta::fuzz::ExactBytes;

namespace {

constexpr int kMaxDatagrams = 32;

const std::array<QString, 4> kSenders{QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"),
                                      QStringLiteral("127.0.0.3"), QStringLiteral("127.0.1.2")};

// The Discoverer2 table as plain rows, as the scan leaves it: header and one empty row.
class MemoryTable final : public DiscoveryTable {
public:
    MemoryTable() : rows(2, QStringList(kDiscoveryColumns, QString())) {}
    int rowCount() const override { return static_cast<int>(rows.size()); }
    QString cellText(int row, int column) const override
    {
        check(row >= 0 && row < rowCount() && column >= 0 && column < kDiscoveryColumns, "table read inside the table");
        return rows[row][column];
    }
    void setCellText(int row, int column, const QString &text) override
    {
        check(row >= 1 && row < rowCount() && column >= 0 && column < kDiscoveryColumns,
              "table write inside the terminal rows");
        rows[row][column] = text;
    }
    void addRow() override { rows.append(QStringList(kDiscoveryColumns, QString())); }
    void makeCurrent(int row) override { current = row; }

    QList<QStringList> rows;
    int current = -1;
};

// What a run has seen so far, to check the table and the caches against.
struct Seen {
    QMap<std::pair<std::uint32_t, QString>, int> rowOfTerminal; // (key, MAC text) -> row
    QList<std::pair<QString, QByteArray>> logExtInfo;           // sender, last payload, in order of first arrival
    QList<std::pair<QString, QByteArray>> ioInfo;
};

void discoveryReply(MemoryTable &table, Seen &seen, QByteArrayView payload)
{
    const QList<QStringList> before = table.rows;
    table.current = -1;
    const int row = enterDiscoverReply(table, payload);

    check(row >= 1 && row < table.rowCount(), "reply written into a terminal row");
    check(table.rowCount() - static_cast<int>(before.size()) <= 1, "at most one row added per reply");
    check(table.current == 1, "row 1 current after a reply");

    const std::uint32_t key = u32le(payload, 0);
    const QString mac = macText(payload.sliced(4, 6));
    const auto terminal = std::make_pair(key, mac);
    const auto known = seen.rowOfTerminal.constFind(terminal);
    if (known != seen.rowOfTerminal.cend())
        check(*known == row, "a terminal answering again keeps its row");
    else
        check(!seen.rowOfTerminal.values().contains(row), "a new terminal gets a row of its own");
    seen.rowOfTerminal.insert(terminal, row);

    const QStringList &written = table.rows[row];
    check(written[ColKey] == QString::number(key) && written[ColMac] == mac, "row holds the reply's key and MAC");
    check(written[ColName].size() == 16, "name cell is 16 characters");
    check(written[ColIp] == ipv4Text(payload.sliced(26, 4)), "IP cell is the address the reply carries");

    // One row per distinct (key, MAC) pair, each numbered with its index; the
    // rows the reply did not write are as they were.
    check(seen.rowOfTerminal.size() == table.rowCount() - 1, "one row per distinct key and MAC");
    for (int r = 1; r < table.rowCount(); ++r) {
        check(table.rows[r][ColNo] == QString::number(r), "column 0 holds the row index");
        if (r != row && r < before.size())
            check(table.rows[r] == before[r], "other rows unchanged");
    }
    check(table.rows[0] == before[0], "header row unchanged");
}

// The reference for one cache: is the payload new or changed for this sender.
bool updateSeen(QList<std::pair<QString, QByteArray>> &seen, const QString &ip, QByteArrayView payload)
{
    for (auto &[seenIp, last] : seen) {
        if (seenIp == ip) {
            if (last == payload)
                return false;
            last = payload.toByteArray();
            return true;
        }
    }
    seen.append({ip, payload.toByteArray()});
    return true;
}

template <typename Entry>
void checkCache(const QList<Entry> &list, const QList<std::pair<QString, QByteArray>> &seen, qsizetype payloadSize)
{
    QSet<QString> senders;
    for (const Entry &entry : list) {
        check(!senders.contains(entry.Ip), "at most one cache entry per sender");
        senders.insert(entry.Ip);
        check(entry.Info.size() == payloadSize, "cache keeps the whole payload");
    }
    check(list.size() == seen.size(), "one cache entry per sender seen");
    for (qsizetype i = 0; i < list.size(); ++i)
        check(list[i].Ip == seen[i].first && list[i].Info == seen[i].second, "cache holds the last payload, in order of arrival");
}

void checkIoText(const QString &text, QByteArrayView payload)
{
    static const QRegularExpression form(QStringLiteral("^(, R[0-9]:[TF]){10}(, I[0-8]:[TF]){9}$"));
    check(form.match(text).hasMatch(), "IO text is 19 \", Xn:T/F\" items");
    const unsigned outputs = unsigned(byteAt(payload, 0)) * 256U + byteAt(payload, 1);
    const unsigned inputs = unsigned(byteAt(payload, 2)) * 256U + byteAt(payload, 3);
    for (int i = 0; i < 19; ++i) {
        const qsizetype at = qsizetype(i) * 6;
        const bool output = i < 10;
        const int n = output ? i : i - 10;
        const bool set = (((output ? outputs : inputs) >> n) & 1U) != 0;
        check(text[at + 2] == QLatin1Char(output ? 'R' : 'I') && text[at + 3] == QLatin1Char(char('0' + n)),
              "IO flags in order R0..R9, I0..I8");
        check(text[at + 5] == QLatin1Char(set ? 'T' : 'F'), "IO flag is its bit");
    }
}

void checkLogExtText(const QString &text)
{
    static const QRegularExpression form = [] {
        const QString number = QStringLiteral("(0|[1-9][0-9]*)");
        QString pattern = QStringLiteral("^valid:") + number;
        for (const char *field : {"reader_index", "data", "id"})
            pattern += QStringLiteral(", ") + QLatin1String(field) + QLatin1Char(':') + number;
        pattern += QStringLiteral(", group_name:\".{8}\", result:") + number;
        pattern += QStringLiteral(" time:%1/%1/%1 %1:%1:%1").arg(number);
        for (const char *field :
             {"reader_type", "reader_in_out", "reader_level", "reader_anti_passback_valid", "reader_level_pass_valid",
              "level_counter_valid", "level_limit", "level_counter", "same_id_level", "same_id_limit", "same_id_counter",
              "id_credit_valid", "id_credit", "id_limit_counter", "group_cluster_id", "group_credit_value", "group_limit"})
            pattern += QStringLiteral(", ") + QLatin1String(field) + QLatin1Char(':') + number;
        return QRegularExpression(pattern + QLatin1Char('$'), QRegularExpression::DotMatchesEverythingOption);
    }();
    check(form.match(text).hasMatch(), "log-ext-info text has its 24 fields in order");
}

void checkNameText(const QString &text, QByteArrayView payload, const QString &ip)
{
    const qsizetype nul = payload.first(16).indexOf('\0');
    const qsizetype nameSize = nul >= 0 ? nul : 16;
    const QString tail = QStringLiteral("\", mac:") + macText(payload.sliced(16, 6)) + QStringLiteral(", ip:") + ip;
    check(text.size() == 1 + nameSize + tail.size() && text.startsWith(QLatin1Char('"')) && text.endsWith(tail),
          "name text: quoted name up to its first NUL, MAC and sender");
}

void statusDatagram(PanelStatusLists &lists, Seen &seen, DatagramKind kind, QByteArrayView payload, const QString &ip)
{
    bool expected = true;
    if (kind == DatagramKind::LogExtInfo)
        expected = updateSeen(seen.logExtInfo, ip, payload);
    else if (kind == DatagramKind::IOInfo)
        expected = updateSeen(seen.ioInfo, ip, payload);

    const std::optional<StatusReport> report = takeStatus(lists, kind, payload, ip);
    check(report.has_value() == expected, "a status is reported when new or changed, a name every time");
    checkCache(lists.LogExtInfoList, seen.logExtInfo, kLogExtInfoPayload);
    checkCache(lists.IOInfoList, seen.ioInfo, kIOInfoPayload);
    if (!report)
        return;
    check(report->kind == kind && report->ip == ip, "report names its kind and sender");
    switch (kind) {
    case DatagramKind::LogExtInfo:
        checkLogExtText(report->description);
        break;
    case DatagramKind::IOInfo:
        checkIoText(report->description, payload);
        break;
    case DatagramKind::NameInfo:
        checkNameText(report->description, payload, ip);
        break;
    case DatagramKind::DiscoverReply:
        check(false, "no status report for a discovery reply");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArrayView input = ta::fuzz::inputView(data, size);
    MemoryTable table;
    PanelStatusLists lists;
    Seen seen;

    for (int n = 0; n < kMaxDatagrams && input.size() >= 2; ++n) {
        const QString &ip = kSenders[byteAt(input, 0) % kSenders.size()];
        const qsizetype length = std::min<qsizetype>(byteAt(input, 1), input.size() - 2);
        const ExactBytes datagram(input.sliced(2, length));
        input = input.sliced(2 + length);

        const auto recognised = recogniseDatagram(datagram.view());
        if (!recognised)
            continue;
        // The frame on its own, so that a read past it is caught.
        const ExactBytes frame(recognised->frame);
        const auto alone = recogniseDatagram(frame.view());
        check(alone && alone->kind == recognised->kind, "bytes after the frame do not matter");
        if (alone->kind == DatagramKind::DiscoverReply)
            discoveryReply(table, seen, alone->payload);
        else
            statusDatagram(lists, seen, alone->kind, alone->payload, ip);
    }
    return 0;
}
