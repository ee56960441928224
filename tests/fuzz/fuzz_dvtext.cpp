// Feeds arbitrary text to the date-time format language and the template codes.

#include "dv/datecode.h"
#include "dv/templates.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

struct TFuzzRecord final : TTemplateSource
{
    QString path;
    TDateTime first = 0;
    QString templateFullPath() const override { return path; }
    QString templateCodec() const override { return QStringLiteral("%D"); }
    QString templateVideoText() const override { return QStringLiteral("720 x 576 (Pal"); }
    QString templateAspectText() const override { return QStringLiteral(" 4x3)"); }
    QString templateAudioText() const override { return QStringLiteral("%T"); }
    QString templateDurationText() const override { return QStringLiteral("30s"); }
    TDateTime templateFirstDatecode() const override { return first; }
    TDateTime templateDisplayShift() const override { return -1.0 / 24; }
    QString templateTimecodeText() const override { return QStringLiteral("N/A"); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An 8-byte date-time, then UTF-8 text: format, template and path split at NULs.
    double value = 0;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    const QString format = QString::fromUtf8(parts.value(0));
    const QString nameTemplate = QString::fromUtf8(parts.value(1));

    for (const double v : {value, 39447.99998842592, 0.0, -0.5, std::numeric_limits<double>::quiet_NaN()})
        FormatDateTime(format, v);

    TFuzzRecord record;
    record.path = QString::fromUtf8(parts.value(2));
    record.first = value;
    const QString name = ExpandNameTemplate(nameTemplate, format, record);
    if (!name.startsWith(SplitTemplatePath(record.path).folder))
        __builtin_trap();
    ConvertInlayTemplate(nameTemplate, int(size % 3), &record);
    PreviewNameTemplate(nameTemplate, format, value);
    return 0;
}
