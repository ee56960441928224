#include "avi/outputfile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

bool CreateOutputFile(QFile &file, const QString &path, QIODevice::OpenMode mode, QString &error)
{
    file.setFileName(path);
    // QFile::remove says nothing of why it fails: a folder of that name
    // must come back as "Is a directory", not as "File exists" on creation.
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!file.open(mode | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool WriteOutput(QFile &file, const QByteArray &data, QString &error)
{
    // A write the system cuts short (the disk fills up) carries no reason;
    // the next one, for the rest, fails with it.
    const char *p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const qint64 written = file.write(p, left);
        if (written <= 0) {
            error = file.errorString();
            return false;
        }
        p += written;
        left -= written;
    }
    return true;
}

bool WriteOutputAt(QFile &file, qint64 pos, const QByteArray &data, QString &error)
{
    if (!file.seek(pos)) {
        error = file.errorString();
        return false;
    }
    return WriteOutput(file, data, error);
}
