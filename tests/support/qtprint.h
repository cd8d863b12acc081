#pragma once

// Readable gtest output for Qt values.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    *os << "bytes[" << b.toHex(' ').toStdString() << "] \"" << QString::fromLatin1(b).toStdString() << '"';
}

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '{';
    for (const QString &s : l)
        *os << '"' << s.toStdString() << "\" ";
    *os << '}';
}
