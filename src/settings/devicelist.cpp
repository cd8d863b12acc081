#include "settings/devicelist.h"

namespace ta::settings {

QString deviceLineText(const QString &id, const QString &ip, const QString &g)
{
    return id + QLatin1Char(':') + ip + QLatin1Char(';') + g;
}

DeviceLine parseDeviceLine(const QString &line)
{
    DeviceLine d;
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        const qsizetype semi = line.indexOf(QLatin1Char(';'));
        if (semi < 0) {
            d.id = line;
            return d;
        }
        d.id = line.left(semi);
        d.g = line.mid(semi + 1, 1);
        return d;
    }
    d.id = line.left(colon);
    const qsizetype semi = line.indexOf(QLatin1Char(';'), colon + 1);
    if (semi < 0) {
        d.ip = line.mid(colon + 1);
        return d;
    }
    d.ip = line.mid(colon + 1, semi - colon - 1);
    d.g = line.mid(semi + 1, 1);
    return d;
}

QByteArray normaliseLineBreaks(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

QStringList splitLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (text.endsWith(QStringLiteral("\r\n")))
        lines.removeLast();
    return lines;
}

} // namespace ta::settings
