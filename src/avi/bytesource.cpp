#include "avi/bytesource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileSource::~TFileSource()
{
    close();
}

bool TFileSource::open(const QString &path)
{
    close();
    m_error.clear();
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        m_error = QStringLiteral("Is a directory");
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        m_error = QStringLiteral("Not a regular file");
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = st.st_size;
    return true;
}

void TFileSource::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_size = 0;
}

qint64 TFileSource::readAt(qint64 pos, void *buffer, qint64 n) const
{
    if (m_fd < 0 || pos < 0 || n < 0)
        return -1;
    qint64 done = 0;
    auto *out = static_cast<char *>(buffer);
    while (done < n) {
        const ssize_t got = ::pread(m_fd, out + done, size_t(n - done), off_t(pos + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return done > 0 ? done : -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

qint64 TMemorySource::readAt(qint64 pos, void *buffer, qint64 n) const
{
    if (pos < 0 || n < 0)
        return -1;
    const qint64 total = m_bytes.size();
    if (pos >= total)
        return 0;
    const qint64 count = qMin(n, total - pos);
    std::memcpy(buffer, m_bytes.constData() + pos, size_t(count));
    return count;
}
