#pragma once

#include <QByteArray>
#include <utility>
#include <QFile>
#include <QString>
#include <QtGlobal>

// Random-access bytes of a file or of a memory buffer. The AVI readers work on
// this interface so that they can be fed files of any size (64-bit offsets) or,
// in tests and fuzzers, plain buffers.
class TByteSource
{
public:
    virtual ~TByteSource() = default;

    // Total size in bytes.
    virtual qint64 size() const = 0;

    // Reads up to n bytes at pos into buffer. Returns the number of bytes read:
    // fewer than n near the end, 0 at or past the end, -1 on a read error.
    virtual qint64 readAt(qint64 pos, void *buffer, qint64 n) const = 0;

    // Convenience: reads exactly n bytes; false when fewer were available.
    bool readExact(qint64 pos, void *buffer, qint64 n) const { return readAt(pos, buffer, n) == n; }
};

// A regular file opened read-only; other programs may keep reading and writing it.
class TFileSource final : public TByteSource
{
public:
    TFileSource() = default;
    explicit TFileSource(const QString &path) { open(path); }
    ~TFileSource() override;
    TFileSource(const TFileSource &) = delete;
    TFileSource &operator=(const TFileSource &) = delete;

    // Opens path. On failure returns false and errorString() says why
    // ("No such file or directory", "Is a directory", ...).
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    QString errorString() const { return m_error; }

    qint64 size() const override { return m_size; }
    qint64 readAt(qint64 pos, void *buffer, qint64 n) const override;

private:
    int m_fd = -1;
    qint64 m_size = 0;
    QString m_error;
};

// Bytes held in memory (tests, fuzzers).
class TMemorySource final : public TByteSource
{
public:
    explicit TMemorySource(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    TMemorySource(const void *data, qint64 n)
        : m_bytes(QByteArray::fromRawData(static_cast<const char *>(data), qsizetype(n))) {}

    qint64 size() const override { return m_bytes.size(); }
    qint64 readAt(qint64 pos, void *buffer, qint64 n) const override;

private:
    QByteArray m_bytes;
};
