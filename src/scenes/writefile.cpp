#include "scenes/writefile.h"

TwriteFile::TwriteFile(const QString &path)
{
    open(path);
}

bool TwriteFile::open(const QString &path)
{
    m_file.setFileName(path);
    QFile::remove(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(m_file.errorString());
    return true;
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
    if (m_file.write(line) != line.size())
        return fail(m_file.errorString());
    return true;
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
