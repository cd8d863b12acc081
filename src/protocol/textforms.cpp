#include "protocol/textforms.h"

#include "protocol/frame.h"
#include "protocol/texterror.h"

#include <QRegularExpression>

namespace ta::protocol {

QString keyText(std::uint32_t key)
{
    return QString::number(key);
}

QString macText(QByteArrayView b)
{
    QString out;
    out.reserve(17);
    for (int i = 0; i < 6; ++i) {
        if (i)
            out += QLatin1Char('-');
        out += QStringLiteral("%1").arg(byteAt(b, i), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString ipv4Text(QByteArrayView b)
{
    return QStringLiteral("%1.%2.%3.%4").arg(byteAt(b, 0)).arg(byteAt(b, 1)).arg(byteAt(b, 2)).arg(byteAt(b, 3));
}

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Parses into a 64-bit magnitude; `hexDigits` bounds hex, `min`/`max` bound decimal.
std::optional<std::int64_t> parse(const QString &text, int maxHexDigits, std::int64_t min, std::int64_t max)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    if (hex) {
        if (n - i > maxHexDigits)
            return std::nullopt;
        std::uint64_t v = 0;
        for (; i < n; ++i) {
            const int d = hexDigit(text[i]);
            if (d < 0)
                return std::nullopt;
            v = (v << 4) | static_cast<std::uint64_t>(d);
        }
        // Hex wraps into the signed range of its width.
        std::int64_t s;
        if (maxHexDigits == 8)
            s = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        else
            s = static_cast<std::int64_t>(v);
        return negative ? static_cast<std::int64_t>(0ULL - static_cast<std::uint64_t>(s)) : s;
    }
    // Decimal with overflow checks against the unsigned magnitude of min.
    const std::uint64_t limit = negative ? static_cast<std::uint64_t>(-(min + 1)) + 1 : static_cast<std::uint64_t>(max);
    std::uint64_t v = 0;
    for (; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        const std::uint64_t d = u - u'0';
        if (v > (limit - d) / 10)
            return std::nullopt;
        v = v * 10 + d;
    }
    if (negative)
        return v == limit ? min : -static_cast<std::int64_t>(v);
    return static_cast<std::int64_t>(v);
}

} // namespace

std::optional<std::int32_t> tryIntegerText(const QString &text)
{
    const auto v = parse(text, 8, INT32_MIN, INT32_MAX);
    if (!v)
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

std::optional<std::int64_t> tryInteger64Text(const QString &text)
{
    return parse(text, 16, INT64_MIN, INT64_MAX);
}

QString invalidIntegerMessage(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

std::int32_t integerText(const QString &text)
{
    if (auto v = tryIntegerText(text))
        return *v;
    throw TextError(invalidIntegerMessage(text));
}

std::int64_t integer64Text(const QString &text)
{
    if (auto v = tryInteger64Text(text))
        return *v;
    throw TextError(invalidIntegerMessage(text));
}

bool booleanText(const QString &text)
{
    if (auto v = tryInteger64Text(text))
        return *v != 0;
    static const QRegularExpression decimal(QStringLiteral("^ *[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (decimal.match(text).hasMatch())
        return text.trimmed().toDouble() != 0.0;
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    throw TextError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
}

} // namespace ta::protocol
