#pragma once

// Shared by the harnesses: exact-size copies of the input, so that a read one
// byte past a frame or a field is a heap-buffer-overflow for AddressSanitizer
// even where the fuzzer's input goes on, and a check that fails loudly.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ta::fuzz {

class ExactBytes {
public:
    explicit ExactBytes(QByteArrayView from) : size_(from.size()), data_(new char[static_cast<std::size_t>(size_)])
    {
        if (size_ > 0)
            std::memcpy(data_.get(), from.data(), static_cast<std::size_t>(size_));
    }
    QByteArrayView view() const { return QByteArrayView(data_.get(), size_); }

private:
    qsizetype size_;
    std::unique_ptr<char[]> data_;
};

inline QByteArrayView inputView(const std::uint8_t *data, std::size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// A property of the code under test that must hold for every input.
inline void check(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

} // namespace ta::fuzz
