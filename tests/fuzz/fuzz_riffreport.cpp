// Builds the RIFF structure report of arbitrary bytes.
#include "avi/riffunit.h"

#include <QDateTime>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TMemorySource source(data, qint64(size));
    TRiffReport report;
    report.setNow(QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
    const QStringList lines = report.build(source, QStringLiteral("fuzz.avi"));
    // The data never adds a line break to the displayed text.
    const QString text = RiffReportPlainText(lines);
    if (text.count(QLatin1Char('\n')) != lines.size() - 1 || text.contains(QLatin1Char('\r')))
        __builtin_trap();
    return 0;
}
