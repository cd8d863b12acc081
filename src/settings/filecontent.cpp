#include "settings/filecontent.h"

#include "protocol/textforms.h"
#include "settings/cp1254.h"

namespace ta::settings {

QString settingsText(const QByteArray &bytes)
{
    return fromCp1254(normaliseLineBreaks(bytes));
}

QString pathFromBytes(const QByteArray &bytes)
{
    QString text = settingsText(bytes);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

std::optional<bool> optionFromBytes(const QByteArray &bytes)
{
    const QString text = settingsText(bytes);
    const qsizetype lineEnd = text.indexOf(QStringLiteral("\r\n"));
    const QString first = lineEnd < 0 ? text : text.left(lineEnd);
    if (first.isEmpty())
        return std::nullopt;
    return protocol::booleanText(first);
}

QList<DeviceLine> deviceListFromBytes(const QByteArray &bytes, int maxRows)
{
    const QStringList lines = splitLines(settingsText(bytes));
    QList<DeviceLine> out;
    for (qsizetype i = 0; i < lines.size() && i < maxRows; ++i)
        out.append(parseDeviceLine(lines[i]));
    return out;
}

} // namespace ta::settings
