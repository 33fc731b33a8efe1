#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as the product would receive them.
inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Text arrives decoded, invalid sequences replaced, as from any lenient source.
inline QString textOf(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Several inputs in one: parts separated by a NUL byte.
inline QStringList partsOf(const uint8_t* data, size_t size)
{
    return textOf(data, size).split(QChar(0));
}

// A failed check ends the run as a crash, which libFuzzer reports with the input.
#define FUZZ_CHECK(condition)                                                                              \
    do {                                                                                                   \
        if (!(condition))                                                                                  \
            __builtin_trap();                                                                              \
    } while (0)
