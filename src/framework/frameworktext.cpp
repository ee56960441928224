#include "framework/frameworktext.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

// The encoding a byte-order mark names, and the mark's length; the locale's
// encoding without one.
QStringConverter::Encoding EncodingOf(const QByteArray &bytes, qsizetype &bomLength)
{
    const auto starts = [&bytes](const char *mark, qsizetype n) { return bytes.size() >= n && bytes.startsWith(QByteArrayView(mark, n)); };
    bomLength = 0;
    if (starts("\xEF\xBB\xBF", 3)) {
        bomLength = 3;
        return QStringConverter::Utf8;
    }
    if (starts("\xFF\xFE", 2)) {
        bomLength = 2;
        return QStringConverter::Utf16LE;
    }
    if (starts("\xFE\xFF", 2)) {
        bomLength = 2;
        return QStringConverter::Utf16BE;
    }
    return QStringConverter::System;
}

} // namespace

QStringList DecodeFrameworkLines(const QByteArray &bytes)
{
    qsizetype bomLength = 0;
    const QStringConverter::Encoding encoding = EncodingOf(bytes, bomLength);
    // The mark is cut off here: a second one is text.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(QByteArrayView(bytes).sliced(bomLength));

    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text.at(i);
        if (ch != QLatin1Char('\r') && ch != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (ch == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QByteArray EncodeFrameworkLines(const QStringList &lines)
{
    QString text;
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    QByteArray bytes("\xFF\xFE", 2);
    bytes.reserve(2 + 2 * text.size());
    for (const QChar ch : std::as_const(text)) {
        const char16_t unit = ch.unicode();
        bytes.append(char(unit & 0xFF));
        bytes.append(char(unit >> 8));
    }
    return bytes;
}

TFrameworkTextRead ReadFrameworkTextFile(const QString &fileName, qint64 maxBytes)
{
    TFrameworkTextRead result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        result.errorString = file.errorString();
        return result;
    }
    // In pieces: a buffer of the whole limit would be allocated for every small file.
    QByteArray bytes;
    while (bytes.size() < maxBytes) {
        const QByteArray piece = file.read(std::min<qint64>(qint64(1) << 20, maxBytes - bytes.size()));
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (file.error() != QFileDevice::NoError) {
        result.errorString = file.errorString();
        return result;
    }
    result.ok = true;
    result.truncated = !file.atEnd();
    result.lines = DecodeFrameworkLines(bytes);
    // The read stopped inside the file: its last line may be cut anywhere.
    if (result.truncated && !result.lines.isEmpty())
        result.lines.removeLast();
    return result;
}

bool WriteFrameworkTextFile(const QString &fileName, const QStringList &lines, QString *errorString)
{
    QSaveFile file(fileName);
    const QByteArray bytes = EncodeFrameworkLines(lines);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    return true;
}
