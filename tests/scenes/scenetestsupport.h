#pragma once

// Byte builders and file helpers for the scene tests.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <initializer_list>

// Little-endian bytes appended field by field.
class TBytes
{
public:
    TBytes &raw(std::initializer_list<int> bytes)
    {
        for (int b : bytes)
            m_bytes.append(char(b));
        return *this;
    }
    TBytes &ascii(const char *text)
    {
        m_bytes.append(text);
        return *this;
    }
    TBytes &u16(quint16 v) { return raw({v & 0xFF, v >> 8}); }
    TBytes &u32(quint32 v) { return raw({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)}); }
    // FF FE FF, length byte, UTF-16LE code units.
    TBytes &wide(const QString &text)
    {
        raw({0xFF, 0xFE, 0xFF, int(text.size())});
        for (QChar c : text)
            u16(c.unicode());
        return *this;
    }
    TBytes &bytes(const QByteArray &b)
    {
        m_bytes.append(b);
        return *this;
    }
    QByteArray data() const { return m_bytes; }
    qsizetype size() const { return m_bytes.size(); }

private:
    QByteArray m_bytes;
};

inline QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
