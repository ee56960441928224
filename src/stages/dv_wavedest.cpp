#include "stages/dv_wavedest.h"

#include "avi/outputfile.h"

#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/pipeline.h"

#include <QFileInfo>

#include <limits>

namespace {

constexpr quint32 kHeaderExtra = 28; // RIFF, size, WAVE, fmt , size, ..., data, size

void Put32(QByteArray &bytes, qsizetype at, quint32 value)
{
    le::put32(reinterpret_cast<quint8 *>(bytes.data()) + at, value);
}

} // namespace

Tdv_WaveDest::Tdv_WaveDest() : TBCTransformFilter(QString::fromUtf16(DisplayName)) {}

Tdv_WaveDest::~Tdv_WaveDest() = default;

QByteArray Tdv_WaveDest::WaveHeader(const QByteArray &format, quint32 dataSize)
{
    const quint32 f = quint32(format.size());
    QByteArray header(qsizetype(f + kHeaderExtra), '\0');
    header.replace(0, 4, "RIFF");
    Put32(header, 4, dataSize + f + kHeaderExtra - 8);
    header.replace(8, 4, "WAVE");
    header.replace(12, 4, "fmt ");
    Put32(header, 16, f);
    header.replace(20, qsizetype(f), format);
    header.replace(qsizetype(20 + f), 4, "data");
    Put32(header, qsizetype(24 + f), dataSize);
    return header;
}

bool Tdv_WaveDest::BlockOffset(quint32 headerSize, quint32 dataSize, quint32 length, quint32 &offset)
{
    const quint64 start = quint64(headerSize) + dataSize;
    if (start + length > std::numeric_limits<quint32>::max())
        return false;
    offset = quint32(start);
    return true;
}

TResult Tdv_WaveDest::CheckInputType(const TMediaType &type)
{
    const bool wave = type.formatKind == media::TFormatKind::WaveFormatEx && type.format.size() >= MinFormatSize
                      && type.format.size() <= MaxFormatSize;
    return wave ? TResult::Ok : TResult::TypeNotAccepted;
}

TMediaType Tdv_WaveDest::GetMediaType(const TMediaType &) const
{
    TMediaType type;
    type.majorType = media::Stream;
    type.subtype = WaveSubtype;
    return type;
}

QString Tdv_WaveDest::destination() const
{
    if (!m_fileName.isEmpty())
        return m_fileName;
    const TPin *out = output(0);
    if (out->isConnected())
        if (const auto *writer = dynamic_cast<const TFileWriterElement *>(out->peer()->element()))
            return writer->fileName();
    return {};
}

void Tdv_WaveDest::fail(const QString &error)
{
    if (!m_error.isEmpty())
        return;
    m_error = error;
    reportError(TError(error));
}

bool Tdv_WaveDest::writeHeader()
{
    const QByteArray header = WaveHeader(m_format, m_dataSize);
    const qint64 at = m_file.pos();
    QString error;
    const bool written = WriteOutputAt(m_file, 0, header, error);
    if (!written)
        fail(QStringLiteral("cannot write the header of %1: %2").arg(m_file.fileName(), error));
    m_file.seek(at);
    return written;
}

void Tdv_WaveDest::startStreaming()
{
    m_error.clear();
    m_full = false;
    m_dataSize = 0;
    if (m_file.isOpen())
        m_file.close();
    if (!input(0)->isConnected()) {
        m_headerSize = 0;
        m_format.clear();
        fail(QStringLiteral("the WAV writer's input is not connected"));
        return;
    }
    m_format = input(0)->mediaType().format;
    m_headerSize = quint32(m_format.size()) + kHeaderExtra;

    const QString path = destination();
    if (path.isEmpty()) {
        fail(QStringLiteral("the WAV writer has no file name"));
        return;
    }
    // Never write over a file this pipeline reads.
    const QString target = QFileInfo(path).absoluteFilePath();
    if (pipeline())
        for (TElement *e : pipeline()->elements())
            if (const auto *source = dynamic_cast<const TFileSourceElement *>(e))
                if (!source->fileName().isEmpty() && QFileInfo(source->fileName()).absoluteFilePath() == target) {
                    fail(QStringLiteral("the destination %1 is the source file").arg(path));
                    return;
                }
    QString error;
    if (!CreateOutputFile(m_file, path, QIODevice::ReadWrite, error)) {
        fail(QStringLiteral("cannot create %1: %2").arg(path, error));
        return;
    }
    if (!writeHeader() || !m_file.seek(m_headerSize)) {
        m_full = true;
        return;
    }
}

TResult Tdv_WaveDest::Transform(const TMediaSample &in, TMediaSample &out)
{
    if (!m_file.isOpen() || m_full)
        return TResult::Fail;
    out.data = in.data;
    const quint32 length = quint32(out.length());
    quint32 offset = 0;
    if (!BlockOffset(m_headerSize, m_dataSize, length, offset)) {
        m_full = true;
        fail(QStringLiteral("%1 has reached the largest size of a WAV file").arg(m_file.fileName()));
        return TResult::Fail;
    }
    QString error;
    if (!WriteOutputAt(m_file, offset, out.data, error)) {
        // The block does not count: the header describes what was written before it.
        m_full = true;
        fail(QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), error));
        return TResult::Fail;
    }
    m_dataSize += length;
    out.timeStart = offset;
    out.timeStop = qint64(offset) + length;
    // Ends the chain: held here while the pipeline is paused.
    if (pipeline() && !pipeline()->waitToRender(this, in.timeStart))
        return TResult::Fail;
    return TResult::Ok;
}

void Tdv_WaveDest::endOfStream(int)
{
    if (m_file.isOpen())
        writeHeader();
    deliverEndOfStreamToAll();
    if (pipeline())
        pipeline()->rendererEnded(this);
}

void Tdv_WaveDest::stopStreaming()
{
    if (!m_file.isOpen())
        return;
    // A block cut short by a failed write is not part of the file.
    if (writeHeader() && !m_file.resize(qint64(m_headerSize) + m_dataSize))
        fail(QStringLiteral("cannot finish %1: %2").arg(m_file.fileName(), m_file.errorString()));
    m_file.close();
}
