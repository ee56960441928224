// Feeds arbitrary bytes to the play-list reader, and writes what it read back.

#include "framework/frameworktext.h"
#include "framework/playlist.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList entries = PlayListEntries(DecodeFrameworkLines(bytes));
    for (const QString &entry : entries) {
        if (entry.isEmpty() || entry.startsWith(QLatin1Char('#')) || entry != entry.trimmed())
            __builtin_trap();
    }

    // A play list written of the entries reads back as the same entries.
    TPlayListHeader header;
    header.titre = QStringLiteral("Tarvex");
    header.slogan = QStringLiteral("https://tarvex.app");
    header.doneOn = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5));
    qsizetype leftOut = 0;
    const QStringList lines = PlayListLines(entries, header, &leftOut);
    if (leftOut != 0 || PlayListEntries(DecodeFrameworkLines(EncodeFrameworkLines(lines))) != entries)
        __builtin_trap();
    return 0;
}
