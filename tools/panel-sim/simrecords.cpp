#include "simrecords.h"

#include "protocol/frame.h"

#include <QFile>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");
}

QByteArray SimRecord::encode() const
{
    QByteArray b(ta::protocol::kRecordSize, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((static_cast<std::uint32_t>(record_no) >> (8 * i)) & 0xFF);
    b[4] = 1; // valid
    b[5] = static_cast<char>(reader_index);
    for (int i = 0; i < 5; ++i)
        b[6 + i] = static_cast<char>((data >> (8 * (4 - i))) & 0xFF);
    const auto id = static_cast<std::uint16_t>(record_no);
    b[11] = static_cast<char>(id & 0xFF);
    b[12] = static_cast<char>(id >> 8);
    const QByteArray group("PERSONEL");
    for (int i = 0; i < 8; ++i)
        b[13 + i] = group[i];
    b[21] = 1; // result
    const QDate d = time.date();
    const QTime t = time.time();
    const int fields[6] = {d.day(), d.month(), d.year() - 2000, t.hour(), t.minute(), t.second()};
    for (int i = 0; i < 6; ++i)
        b[22 + i] = static_cast<char>(fields[i]);
    return b;
}

QJsonObject SimRecord::toJson() const
{
    return QJsonObject{{QStringLiteral("record_no"), record_no},
                       {QStringLiteral("data"), static_cast<double>(data)},
                       {QStringLiteral("time"), time.toString(kTimeFormat)}};
}

QList<SimRecord> generatedRecords(int terminalIndex, int count)
{
    const QDateTime base(QDate(2024, 12, 9), QTime(8, 0, 0));
    QList<SimRecord> out;
    out.reserve(count);
    for (int i = 1; i <= count; ++i) {
        SimRecord r;
        r.record_no = i;
        r.data = static_cast<std::uint64_t>(terminalIndex + 1) * 1000000u + static_cast<std::uint64_t>(i) * 7u;
        r.time = base.addSecs(static_cast<qint64>(i) * 61 + terminalIndex * 3);
        r.reader_index = static_cast<std::uint8_t>(i % 2);
        out.append(r);
    }
    return out;
}

std::optional<QList<SimRecord>> recordsFromFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QList<SimRecord> out;
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char(','));
        bool okNo = false, okData = false;
        SimRecord r;
        if (parts.size() == 3) {
            r.record_no = parts[0].trimmed().toInt(&okNo);
            r.data = parts[1].trimmed().toULongLong(&okData);
            r.time = QDateTime::fromString(parts[2].trimmed(), kTimeFormat);
        }
        if (!okNo || !okData || r.data >= (std::uint64_t(1) << 40) || !r.time.isValid() || r.time.date().year() < 2000
            || r.time.date().year() > 2255) {
            *error = QStringLiteral("%1:%2: expected record_no,data,yyyy/MM/dd HH:mm:ss").arg(path).arg(lineNo);
            return std::nullopt;
        }
        out.append(r);
    }
    return out;
}
