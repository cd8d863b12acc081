#pragma once

#include "settings/devicelist.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace ta::settings {

// What the settings files hold, read from a file's bytes. SettingsFolder's loads
// are these applied to what it reads from disk.

// The file's text: code page 1254, line breaks normalised to CR LF.
QString settingsText(const QByteArray &bytes);

// A path file: the whole text, trailing line breaks left out.
QString pathFromBytes(const QByteArray &bytes);

// An option file: the first line as a Boolean, or nullopt when it is empty.
// Throws ta::TextError("'%s' is not a valid boolean value").
std::optional<bool> optionFromBytes(const QByteArray &bytes);

// The device list file: every line, at most `maxRows`.
QList<DeviceLine> deviceListFromBytes(const QByteArray &bytes, int maxRows);

} // namespace ta::settings
