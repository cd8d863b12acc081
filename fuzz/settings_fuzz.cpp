// The settings files as they come from disk: a path file, an option file, the
// device list, and the code page they are kept in.

#include "fuzzbytes.h"
#include "protocol/texterror.h"
#include "settings/cp1254.h"
#include "settings/devicelist.h"
#include "settings/filecontent.h"

#include <QChar>
#include <QString>
#include <QStringList>

using namespace ta::settings;
using ta::fuzz::check;

namespace {

constexpr int kDeviceRows = 99;

// A text that fromCp1254 produced can be written back unchanged unless it holds
// the mark of a byte that the code page leaves unassigned.
bool writable(const QString &text)
{
    return !text.contains(QChar(QChar::ReplacementCharacter));
}

void pathFile(const QByteArray &bytes)
{
    const QString path = pathFromBytes(bytes);
    check(!path.endsWith(QLatin1Char('\r')) && !path.endsWith(QLatin1Char('\n')), "path keeps no trailing line break");
    if (writable(path))
        check(pathFromBytes(toCp1254(path)) == path, "a saved path loads back");
}

void optionFile(const QByteArray &bytes)
{
    try {
        const std::optional<bool> value = optionFromBytes(bytes);
        if (value)
            check(optionFromBytes(*value ? QByteArrayLiteral("-1") : QByteArrayLiteral("0")) == value,
                  "a saved option loads back");
    } catch (const ta::TextError &e) {
        check(e.text().endsWith(QStringLiteral("' is not a valid boolean value")), "option failure text");
    }
}

void deviceListFile(const QByteArray &bytes)
{
    const QList<DeviceLine> rows = deviceListFromBytes(bytes, kDeviceRows);
    check(rows.size() <= kDeviceRows, "at most one line per grid row");
    check(rows.size() <= splitLines(settingsText(bytes)).size(), "one row per line");

    // The rows, saved as the transfer run saves them, load back as they were.
    QByteArray saved;
    bool canSave = true;
    for (const DeviceLine &row : rows) {
        check(row.g.size() <= 1, "G is one character");
        const QString line = deviceLineText(row.id, row.ip, row.g);
        check(parseDeviceLine(line) == row, "a device line loads back");
        canSave = canSave && writable(line);
        saved += toCp1254(line);
        saved += "\r\n";
    }
    if (canSave)
        check(deviceListFromBytes(saved, kDeviceRows) == rows, "a saved device list loads back");
}

void codePage(const QByteArray &bytes)
{
    const QString text = fromCp1254(bytes);
    check(text.size() == bytes.size(), "one character per byte");
    const QByteArray back = toCp1254(text);
    check(back.size() == bytes.size(), "one byte per character");
    for (qsizetype i = 0; i < bytes.size(); ++i)
        check(back[i] == bytes[i] || (text[i] == QChar(QChar::ReplacementCharacter) && back[i] == '?'),
              "every assigned byte survives the round trip");

    const QString any = QString::fromUtf8(bytes);
    const QString again = fromCp1254(toCp1254(any));
    check(again.size() == any.size(), "one byte per character");
    for (qsizetype i = 0; i < any.size(); ++i)
        check(again[i] == any[i] || again[i] == QLatin1Char('?'), "a character outside the code page becomes '?'");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = ta::fuzz::inputView(data, size).toByteArray();
    pathFile(bytes);
    optionFile(bytes);
    deviceListFile(bytes);
    codePage(bytes);
    return 0;
}
