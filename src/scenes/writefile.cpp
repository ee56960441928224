#include "scenes/writefile.h"

#include "avi/outputfile.h"

TwriteFile::TwriteFile(const QString &path)
{
    open(path);
}

bool TwriteFile::open(const QString &path)
{
    QString error;
    return CreateOutputFile(m_file, path, QIODevice::WriteOnly, error)
           || fail(QStringLiteral("cannot create %1: %2").arg(path, error));
}

TwriteFile::~TwriteFile()
{
    close();
}

bool TwriteFile::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error.isEmpty() ? QStringLiteral("Unknown error") : error;
    return false;
}

bool TwriteFile::WriteLine(const QString &text)
{
    if (!ok() || !m_file.isOpen())
        return false;
    QByteArray line = m_encoder.encode(text);
    line.append("\r\n");
    QString error;
    return WriteOutput(m_file, line, error) || fail(QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), error));
}

bool TwriteFile::close()
{
    if (m_file.isOpen()) {
        if (!m_file.flush())
            fail(m_file.errorString());
        m_file.close();
    }
    return ok();
}
