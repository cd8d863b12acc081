#pragma once

#include <QString>
#include <exception>

namespace ta {

// A failure that ends a handler and is shown to the operator with its text
// ("'%s' is not a valid integer value", "Cannot open file ...").
class TextError : public std::exception {
public:
    explicit TextError(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}
    const QString &text() const noexcept { return text_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString text_;
    QByteArray utf8_;
};

} // namespace ta
