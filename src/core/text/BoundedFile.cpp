#include "core/text/BoundedFile.h"

#include <QFile>
#include <QStringDecoder>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace BoundedFile {
namespace {

std::optional<QByteArray> readOpen(int fd, qint64 limit, struct stat* info)
{
    struct stat own {};
    struct stat& status = info ? *info : own;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > limit)
        return std::nullopt;
    // The size may change while it is read: read one byte past the cap to notice a file that grew.
    QByteArray bytes(qsizetype(status.st_size) + 1, Qt::Uninitialized);
    qsizetype length = 0;
    while (length < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + length, size_t(bytes.size() - length));
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        length += n;
        if (length == bytes.size() && length <= limit)
            bytes.resize(std::min<qsizetype>(limit + 1, bytes.size() * 2));
    }
    if (length > limit)
        return std::nullopt;
    bytes.truncate(length);
    if (!decode(bytes))
        return std::nullopt;
    return bytes;
}

std::optional<QByteArray> closing(int fd, qint64 limit, struct stat* info)
{
    if (fd < 0)
        return std::nullopt;
    auto bytes = readOpen(fd, limit, info);
    ::close(fd);
    return bytes;
}

} // namespace

std::optional<QByteArray> read(const QString& path, qint64 limit)
{
    const QByteArray name = QFile::encodeName(path);
    return closing(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK), limit, nullptr);
}

std::optional<QByteArray> readAt(int directory, const char* name, qint64 limit, struct stat* info)
{
    return closing(::openat(directory, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK), limit, info);
}

std::optional<QString> decode(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace BoundedFile
