#include "avi/riffunit.h"

#include "avi/avilayout.h"
#include "framework/appinfo.h"
#include "framework/linkmarkup.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {

constexpr int kTitleWidth = 50;
// Lists nested deeper than this are listed but not entered; real files nest four deep.
constexpr int kMaxDepth = 32;
// The longest INFO text shown, in bytes.
constexpr qint64 kMaxInfoText = 4096;
// idx1 entries read at a time between two calls of the keep-responsive hook.
constexpr qint64 kIndexEntriesPerStep = 256;

const TFourcc k01wb = MakeFourcc("01wb");
const TFourcc k00dc = MakeFourcc("00dc");
const TFourcc k00db = MakeFourcc("00db");

// Text from the file made safe for the report: control characters become
// spaces and "<" cannot open a tag.
QString SafeText(const QString &text)
{
    QString out = text;
    for (QChar &ch : out) {
        if (ch.unicode() < 32)
            ch = QLatin1Char(' ');
    }
    return MarkupEscaped(out);
}

QString Code(TFourcc code)
{
    return SafeText(FourccText(code));
}

QString Hex(quint64 value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString Indent(int depth)
{
    return QString(4 * depth, QLatin1Char(' '));
}

// A title line: text centred with fill characters in a width of 50.
QString Title(const QString &prefix, QChar fill, const QString &text)
{
    const qsizetype k = std::max<qsizetype>(0, (kTitleWidth - prefix.size() - text.size()) / 2);
    const QString fills(k, fill);
    return QLatin1String("<B><COLOR Blue>") + prefix + fills + SafeText(text) + fills + QLatin1String("</COLOR></B>");
}

} // namespace

// One build of the report.
class TRiffReport::TWalk
{
public:
    TWalk(TRiffReport &report, const TByteSource &source)
        : m_report(report), m_source(source), m_fileSize(source.size())
    {
    }

    // Walks the top-level chunks, appending their lines.
    void run(QStringList &lines)
    {
        m_lines = &lines;
        qint64 pos = 0;
        while (pos < m_fileSize && !cancelled()) {
            const qint64 used = walkChunk(pos, 0);
            if (m_report.m_endOfData || m_stopTop || used <= 0)
                break;
            pos += used;
        }
    }

private:
    bool cancelled() const { return m_report.m_cancel.load(); }

    void respond()
    {
        if (m_report.m_keepResponsive)
            m_report.m_keepResponsive();
    }

    bool read(qint64 pos, void *buffer, qint64 n)
    {
        if (m_source.readExact(pos, buffer, n))
            return true;
        m_report.m_endOfData = true;
        return false;
    }

    void add(const QString &line) { m_lines->append(line); }

    // Walks the chunk at pos; returns the bytes it occupies in its parent, 0
    // when the walk stops before its size is known.
    qint64 walkChunk(qint64 pos, int depth)
    {
        respond();
        if (cancelled())
            return 0;
        quint8 head[8];
        if (!read(pos, head, 8))
            return 0;
        const TFourcc id = le::u32(head);
        const quint32 declared = le::u32(head + 4);
        const QString indent = Indent(depth);

        if (depth == 0 && id != fcc::RIFF) {
            add(QLatin1String("<COLOR Red>>>>")
                + QStringLiteral(" There are %1 bytes of garbage at the end of the file").arg(Hex(quint64(m_fileSize - pos), 8))
                + QLatin1String("</COLOR>"));
            m_stopTop = true;
            return 8;
        }
        if (id != k01wb && id != k00dc && id != k00db)
            add(indent + Code(id) + QLatin1String("  ") + Hex(declared, 8));

        qint64 size = qint64(declared) + (declared & 1);
        const qint64 left = m_fileSize - pos - 8;
        if (size > left) {
            add(QLatin1String("<COLOR Red>") + indent + QLatin1String(">>> Bad chunk length:"));
            add(indent + QLatin1String(">>> ")
                + QStringLiteral("%1 instead of %2").arg(Hex(quint64(size), 8), Hex(quint64(left), 8))
                + QLatin1String("</COLOR>"));
            size = left;
        }
        const qint64 used = size + 8;
        if (size == 0)
            return used;

        const qint64 data = pos + 8;
        if (id == fcc::RIFF || id == fcc::LIST)
            walkList(data, size, depth);
        else
            describeChunk(id, data, size, depth);
        return used;
    }

    void walkList(qint64 data, qint64 size, int depth)
    {
        quint8 raw[4];
        if (!read(data, raw, 4))
            return;
        const TFourcc type = le::u32(raw);
        add(Indent(depth) + Code(type));
        if (type == fcc::movi || depth >= kMaxDepth)
            return;
        qint64 pos = data + 4;
        qint64 remaining = size - 4;
        while (remaining > 7 && !cancelled() && !m_report.m_endOfData) {
            const qint64 used = walkChunk(pos, depth + 1);
            if (used <= 0 || used > remaining)
                break;
            pos += used;
            remaining -= used;
        }
    }

    void describeChunk(TFourcc id, qint64 data, qint64 size, int depth)
    {
        const QString indent = Indent(depth);
        if (id == fcc::strh) {
            quint8 raw[TAviStreamHeader::kSize];
            if (!read(data, raw, sizeof raw))
                return;
            const TAviStreamHeader h = TAviStreamHeader::read(raw);
            m_lastStreamType = h.fccType;
            add(QString());
            add(Title(indent, QLatin1Char('-'), streamKind(h.fccType)));
            add(Title(indent, QLatin1Char('-'), QStringLiteral("Start of AVI Stream Header")));
            streamHeaderFields(h, indent);
            add(Title(indent, QLatin1Char('-'), QStringLiteral("End of AVI Stream Header")));
            add(QString());
        } else if (id == fcc::avih) {
            quint8 raw[TAviMainHeader::kSize];
            if (!read(data, raw, sizeof raw))
                return;
            add(QString());
            add(Title(indent, QLatin1Char('-'), QStringLiteral(" Start of AVI Main Header ")));
            mainHeaderFields(TAviMainHeader::read(raw), indent);
            add(Title(indent, QLatin1Char('-'), QStringLiteral(" End of Main Header ")));
            add(QString());
        } else if (id == fcc::strf && m_lastStreamType == fcc::vids) {
            quint8 raw[TBitmapInfoHeader::kSize];
            if (!read(data, raw, sizeof raw))
                return;
            const TBitmapInfoHeader bih = TBitmapInfoHeader::read(raw);
            add(QString());
            add(Title(indent, QLatin1Char('-'), QStringLiteral("Start of Stream Format Header")));
            bitmapFields(bih, indent);
            if (size - TBitmapInfoHeader::kSize > 31 && IsDvInfoCodec(bih.compression)) {
                quint8 dv[TDvInfo::kSize];
                if (!read(data + TBitmapInfoHeader::kSize, dv, sizeof dv))
                    return;
                dvInfoSection(TDvInfo::read(dv), indent);
            }
            add(Title(indent, QLatin1Char('-'), QStringLiteral("End of AVI Stream Format")));
            add(QString());
        } else if (id == fcc::strf && m_lastStreamType == fcc::auds) {
            quint8 raw[TWaveFormatEx::kSize];
            if (!read(data, raw, sizeof raw))
                return;
            add(QString());
            add(Title(indent, QLatin1Char('-'), QStringLiteral("Start of Stream Format Header")));
            waveFields(TWaveFormatEx::read(raw), indent);
            add(Title(indent, QLatin1Char('-'), QStringLiteral("End of AVI Stream Format")));
            add(QString());
        } else if (id == fcc::strf && m_lastStreamType == fcc::iavs) {
            quint8 raw[TDvInfo::kSize];
            if (!read(data, raw, sizeof raw))
                return;
            add(QString());
            dvInfoSection(TDvInfo::read(raw), indent);
            add(QString());
        } else if (id == fcc::indx || (id & 0xFFFF) == (MakeFourcc("ix  ") & 0xFFFF)) {
            quint8 raw[32];
            if (!read(data, raw, sizeof raw))
                return;
            add(QString());
            add(Title(indent, QLatin1Char('-'), QStringLiteral("Start of an Index")));
            indexFields(raw, indent);
            add(Title(indent, QLatin1Char('-'), QStringLiteral("End of Index")));
            add(QString());
        } else if (id == fcc::idx1) {
            add(QString());
            add(Title(indent, QLatin1Char('-'), QStringLiteral("Start of an OldIndex")));
            readOldIndex(data, size);
            add(Title(indent, QLatin1Char('-'), QStringLiteral("End of OldIndex")));
            add(QString());
        } else if ((id & 0xFF) == 'I') {
            infoText(data, size, indent);
        }
    }

    static QString streamKind(TFourcc type)
    {
        if (type == fcc::vids)
            return QStringLiteral("(Video)");
        if (type == fcc::auds)
            return QStringLiteral("(Audio)");
        if (type == fcc::iavs)
            return QStringLiteral("(Interleaved)");
        return QStringLiteral("(Unknown)");
    }

    void field(const QString &indent, const char *label, const QString &value)
    {
        add(indent + QLatin1String(label) + value);
    }
    void dec(const QString &indent, const char *label, qint64 value) { field(indent, label, QString::number(value)); }
    void hex(const QString &indent, const char *label, quint64 value, int digits) { field(indent, label, Hex(value, digits)); }
    void code(const QString &indent, const char *label, TFourcc value) { field(indent, label, Code(value)); }

    void streamHeaderFields(const TAviStreamHeader &h, const QString &indent)
    {
        code(indent, "FourccType = ", h.fccType);
        code(indent, "FourccHandler = ", h.fccHandler);
        hex(indent, "Flags = ", h.flags, 8);
        dec(indent, "Priority = ", h.priority);
        hex(indent, "Language = ", h.language, 4);
        dec(indent, "InitialFrames = ", h.initialFrames);
        dec(indent, "Scale = ", h.scale);
        dec(indent, "Rate = ", h.rate);
        dec(indent, "Start = ", h.start);
        dec(indent, "Length = ", h.length);
        dec(indent, "SuggestedBufferSize = ", h.suggestedBufferSize);
        hex(indent, "Quality = ", h.quality, 8);
        dec(indent, "SampleSize = ", h.sampleSize);
        dec(indent, "rcFrame.Left = ", h.left);
        dec(indent, "rcFrame.Top = ", h.top);
        dec(indent, "rcFrame.Right = ", h.right);
        dec(indent, "rcFrame.Bottom = ", h.bottom);
    }

    void mainHeaderFields(const TAviMainHeader &h, const QString &indent)
    {
        dec(indent, "MicroSecPerFrame = ", h.microSecPerFrame);
        dec(indent, "MaxBytesPerSec = ", h.maxBytesPerSec);
        dec(indent, "PaddingGranularity = ", h.paddingGranularity);
        hex(indent, "Flags = ", h.flags, 8);
        dec(indent, "TotalFrames = ", h.totalFrames);
        dec(indent, "InitialFrames = ", h.initialFrames);
        dec(indent, "Streams = ", h.streams);
        dec(indent, "SuggestedBufferSize = ", h.suggestedBufferSize);
        dec(indent, "Width = ", h.width);
        dec(indent, "Height = ", h.height);
        hex(indent, "Reserved0 = ", h.reserved[0], 8);
        hex(indent, "Reserved1 = ", h.reserved[1], 8);
        hex(indent, "Reserved2 = ", h.reserved[2], 8);
        hex(indent, "Reserved3 = ", h.reserved[3], 8);
    }

    void bitmapFields(const TBitmapInfoHeader &b, const QString &indent)
    {
        dec(indent, "biSize = ", b.size);
        dec(indent, "biWidth = ", b.width);
        dec(indent, "biHeight = ", b.height);
        dec(indent, "biPlanes = ", b.planes);
        dec(indent, "biBitCount = ", b.bitCount);
        code(indent, "biCompression = ", b.compression);
        dec(indent, "biSizeImage = ", b.sizeImage);
        dec(indent, "biXPelsPerMeter = ", b.xPelsPerMeter);
        dec(indent, "biYPelsPerMeter = ", b.yPelsPerMeter);
        dec(indent, "biClrUsed = ", b.clrUsed);
        dec(indent, "biClrImportant = ", b.clrImportant);
    }

    void dvInfoSection(const TDvInfo &d, const QString &indent)
    {
        add(Title(indent, QLatin1Char('-'), QStringLiteral("Start of DVInfo")));
        hex(indent, "DVAAuxSrc = ", d.aauxSrc, 8);
        hex(indent, "DVAAuxCtl = ", d.aauxCtl, 8);
        hex(indent, "DVAAuxSrc1 = ", d.aauxSrc1, 8);
        hex(indent, "DVAAuxCtl1 = ", d.aauxCtl1, 8);
        hex(indent, "DVVAuxSrc = ", d.vauxSrc, 8);
        hex(indent, "DVVAuxCtl = ", d.vauxCtl, 8);
        hex(indent, "DVReserved0 = ", d.reserved0, 8);
        hex(indent, "DVReserved1 = ", d.reserved1, 8);
        add(Title(indent, QLatin1Char('-'), QStringLiteral("End of DVINfo")));
    }

    void waveFields(const TWaveFormatEx &w, const QString &indent)
    {
        dec(indent, "FormatTag = ", w.formatTag);
        dec(indent, "Channels = ", w.channels);
        dec(indent, "SamplesPerSec = ", w.samplesPerSec);
        dec(indent, "AvgBytesPerSec = ", w.avgBytesPerSec);
        dec(indent, "BlockAlign = ", w.blockAlign);
        dec(indent, "BitsPerSample = ", w.bitsPerSample);
        dec(indent, "cbSize = ", w.cbSize);
    }

    void indexFields(const quint8 *raw, const QString &indent)
    {
        const TAviIndexHeader h = TAviIndexHeader::read(raw);
        hex(indent, "wLongsPerEntry = ", h.longsPerEntry, 4);
        dec(indent, "bIndexSubType = ", h.indexSubType);
        dec(indent, "bIndexType = ", h.indexType);
        hex(indent, "nEntriesInUse = ", h.entriesInUse, 8);
        code(indent, "dwChunkId = ", h.chunkId);
        hex(indent, "qwBaseOffset = ", h.baseOffset, 16);
        hex(indent, "dwReserved_3 = ", h.reserved, 8);
    }

    // Reads the legacy index entry by entry so that a long one can be cancelled.
    void readOldIndex(qint64 data, qint64 size)
    {
        std::vector<quint8> block(size_t(16 * kIndexEntriesPerStep));
        const qint64 entries = size / 16;
        for (qint64 done = 0; done < entries;) {
            respond();
            if (cancelled())
                return;
            const qint64 n = std::min(kIndexEntriesPerStep, entries - done);
            if (!read(data + 16 * done, block.data(), 16 * n))
                return;
            done += n;
        }
    }

    // An INFO list item: a text, usually ending with a zero byte.
    void infoText(qint64 data, qint64 size, const QString &indent)
    {
        QByteArray bytes(std::min(size, kMaxInfoText), '\0');
        if (!read(data, bytes.data(), bytes.size()))
            return;
        const qsizetype zero = bytes.indexOf('\0');
        if (zero >= 0)
            bytes.truncate(zero);
        add(indent + QLatin1String("<i><COLOR Green>") + SafeText(QString::fromLatin1(bytes))
            + QLatin1String("</COLOR></i>"));
    }

    TRiffReport &m_report;
    const TByteSource &m_source;
    const qint64 m_fileSize;
    QStringList *m_lines = nullptr;
    TFourcc m_lastStreamType = 0;
    bool m_stopTop = false;
};

QString TRiffReport::caption(const QString &fileName)
{
    return QStringLiteral("Header of the file %1").arg(fileName);
}

QStringList TRiffReport::build(const QString &fileName)
{
    m_error.clear();
    TFileSource file;
    if (!file.open(fileName)) {
        m_error = file.errorString();
        m_cancel.store(false);
        m_endOfData = false;
        return {};
    }
    return build(file, fileName);
}

QStringList TRiffReport::build(const TByteSource &source, const QString &fileName)
{
    m_cancel.store(false);
    m_endOfData = false;
    const QFileInfo info(fileName);
    const QDateTime now = m_now.value_or(QDateTime::currentDateTime());
    const QString rule(kTitleWidth, QLatin1Char('-'));

    QStringList lines;
    lines << QLatin1String("<COLOR Blue><B>") + rule << QString();
    lines << Title(QString(), QLatin1Char('*'), QLatin1String("  ") + caption(info.fileName()) + QLatin1String("  "))
          << QString();
    lines << Title(QString(), QLatin1Char(' '),
                   QStringLiteral("analysed on %1 at %2")
                       .arg(now.date().toString(QStringLiteral("yyyy/MM/d")), now.time().toString(QStringLiteral("h:mm:ss"))));
    lines << Title(QString(), QLatin1Char(' '), QLatin1String("with ") + QLatin1String(kAppTitle)) << QString();
    lines << Title(QString(), QLatin1Char(' '), QStringLiteral("Visit my website:"));
    lines << Title(QString(), QLatin1Char(' '), QLatin1String(kMakerWebPage)) << QString();
    lines << Title(QString(), QLatin1Char('-'), QStringLiteral(" Start of Avi RIFF "));
    lines << QStringLiteral("</B></COLOR>");

    TWalk(*this, source).run(lines);

    lines << QString();
    if (wasCancelled())
        lines << Title(QString(), QLatin1Char('-'), QStringLiteral("Canceled by user")) << QString();
    if (m_endOfData) {
        lines << Title(QStringLiteral("<COLOR Red><B>"), QLatin1Char(' '), QStringLiteral("Unexpected end"));
        lines << QStringLiteral("</B></COLOR>");
    }
    lines << Title(QString(), QLatin1Char('-'), QStringLiteral(" End of Header "));
    lines << Title(QString(), QLatin1Char(' '), info.absoluteFilePath()) << QString();
    lines << rule;
    return lines;
}

QString RiffReportPlainText(const QStringList &lines)
{
    QStringList display;
    display.reserve(lines.size());
    for (const QString &line : lines)
        display.append(MarkupDisplayText(line));
    return display.join(QLatin1Char('\n'));
}
