#pragma once

// A text file written line by line in the system's encoding, each line ended
// by CR LF, without byte-order mark.

#include <QFile>
#include <QString>
#include <QStringEncoder>

class TwriteFile
{
public:
    // Deletes an existing file of that name and creates it anew. On failure
    // ok() is false, errorString() says why, and every write does nothing.
    explicit TwriteFile(const QString &path);
    virtual ~TwriteFile();
    TwriteFile(const TwriteFile &) = delete;
    TwriteFile &operator=(const TwriteFile &) = delete;

    // Appends text and CR LF; false once a write has failed.
    bool WriteLine(const QString &text);

    // Writes out and closes the file; false when it or an earlier write
    // failed. Later writes do nothing.
    bool close();

    bool ok() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString fileName() const { return m_file.fileName(); }

protected:
    // No file yet: a derived writer opens one or records why it cannot.
    TwriteFile() = default;
    bool open(const QString &path);
    bool fail(const QString &error);

private:
    QFile m_file;
    QStringEncoder m_encoder{QStringConverter::System};
    QString m_error;
};
