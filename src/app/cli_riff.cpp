// tarvex-cli riff: the RIFF structure report of any AVI file.

#include "app/clitool.h"

#include "avi/bytesource.h"
#include "avi/riffunit.h"

#include <cstdio>

namespace cli {

int runRiff(const QStringList &args)
{
    bool rich = false;
    QStringList files;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--rich"))
            rich = true;
        else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            return usageError(QStringLiteral("riff: unknown option '%1'").arg(arg), "riff");
        else
            files << arg;
    }
    if (files.size() != 1)
        return usageError(files.isEmpty() ? QStringLiteral("riff: missing FILE")
                                          : QStringLiteral("riff: expects exactly one FILE"),
                          "riff");
    const QString path = files.first();

    // The report of a file that cannot be opened would be empty: say why instead.
    TFileSource source;
    if (!source.open(path)) {
        reportFileError(path, source.errorString());
        return FileError;
    }
    TRiffReport report;
    const QStringList lines = report.build(source, path);
    const QString text = rich ? lines.join(QLatin1Char('\n')) : RiffReportPlainText(lines);
    const QByteArray bytes = text.toUtf8();
    writeOutput(bytes.constData(), size_t(bytes.size()));
    writeOutput("\n", 1);
    return finishOutput(Ok);
}

} // namespace cli
