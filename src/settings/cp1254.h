#pragma once

#include <QByteArray>
#include <QString>

namespace ta::settings {

// Windows code page 1254 (Turkish), used for every settings file on every
// platform so that files move between machines unchanged.
QString fromCp1254(const QByteArray &bytes);
// Characters outside the code page become '?'.
QByteArray toCp1254(const QString &text);

} // namespace ta::settings
