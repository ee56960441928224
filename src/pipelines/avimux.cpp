#include "pipelines/avimux.h"

#include "pipelines/avisplitter.h"
#include "pipelines/pipeline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

TFileWriterElement::TFileWriterElement() : TElement(QStringLiteral("File writer"))
{
    addInput(QStringLiteral("in"));
}

TResult TFileWriterElement::checkInputType(int, const TMediaType &type)
{
    return type.majorType == media::Stream ? TResult::Ok : TResult::TypeNotAccepted;
}

TAviMux::TAviMux() : TRendererElement(QStringLiteral("AVI Mux"))
{
    addInput(QStringLiteral("Input 01"));
    addOutput(QStringLiteral("AVI Out"));
}

TResult TAviMux::checkInputType(int, const TMediaType &type)
{
    const bool known = type.majorType == media::Video || type.majorType == media::Audio || type.majorType == media::Interleaved;
    return known ? TResult::Ok : TResult::TypeNotAccepted;
}

TMediaType TAviMux::outputType(int) const
{
    TMediaType type;
    type.majorType = media::Stream;
    type.subtype = media::Avi;
    return type;
}

void TAviMux::inputConnected(int input)
{
    m_connections.push_back(input);
    if (this->input(inputCount() - 1)->isConnected())
        addInput(QStringLiteral("Input %1").arg(inputCount() + 1, 2, 10, QLatin1Char('0')));
}

void TAviMux::inputDisconnected(int input)
{
    m_connections.erase(std::remove(m_connections.begin(), m_connections.end(), input), m_connections.end());
}

bool TAviMux::SetTextProperty(const QString &name, const QString &value)
{
    if (!name.startsWith(QLatin1String("INFO/")) || name.size() != 9)
        return false;
    const QByteArray id = name.mid(5).toLatin1();
    const TFourcc code = le::u32(reinterpret_cast<const quint8 *>(id.constData()));
    for (auto &entry : m_info)
        if (entry.first == code) {
            entry.second = value.toUtf8();
            return true;
        }
    m_info.emplace_back(code, value.toUtf8());
    return true;
}

TAviStreamConfig TAviMux::streamConfig(const TMediaType &type) const
{
    TAviStreamConfig s;
    TAviStreamHeader &h = s.header;
    h.quality = 0xFFFFFFFF;
    if (type.majorType == media::Audio) {
        const TWaveFormatEx wave = type.waveFormat();
        h.fccType = fcc::auds;
        h.scale = wave.blockAlign ? wave.blockAlign : 1;
        h.rate = wave.avgBytesPerSec;
        h.sampleSize = wave.blockAlign;
        s.format = type.format;
        s.chunkType = "wb";
        return s;
    }
    qint64 frameTime = 0;
    if (type.majorType == media::Interleaved) {
        const TDvInfo info = type.dvInfo();
        // Bit 21 of the VAUX source word: 50 fields (625/50).
        const bool pal = info.vauxSrc ? (info.vauxSrc & (1u << 21)) != 0 : true;
        frameTime = pal ? 400000 : 333667;
        h.fccType = fcc::iavs;
        h.fccHandler = fcc::dvsd;
        s.format = type.format;
        h.right = 720;
        h.bottom = pal ? 576 : 480;
    } else {
        const TVideoInfoHeader info = type.videoInfo();
        frameTime = info.avgTimePerFrame;
        h.fccType = fcc::vids;
        h.fccHandler = type.subtype == media::Rgb24 ? 0 : type.subtype;
        s.format = type.format.mid(TVideoInfoHeader::kBitmapOffset);
        // DV read under another program's codec code is written as dvsd throughout.
        if (type.subtype == media::Dvsd && s.format.size() >= TBitmapInfoHeader::kSize) {
            TBitmapInfoHeader bitmap = TBitmapInfoHeader::read(reinterpret_cast<const quint8 *>(s.format.constData()));
            bitmap.compression = fcc::dvsd;
            bitmap.write(reinterpret_cast<quint8 *>(s.format.data()));
        }
        h.right = qint16(info.bitmap.width);
        h.bottom = qint16(qAbs(info.bitmap.height));
    }
    if (frameTime == 333667 || frameTime == 333666) {
        h.rate = 30000;
        h.scale = 1001;
    } else if (frameTime > 0 && 10000000 % frameTime == 0) {
        h.rate = quint32(10000000 / frameTime);
        h.scale = 1;
    } else {
        h.rate = 10000000;
        h.scale = quint32(qMax<qint64>(1, frameTime));
    }
    s.chunkType = "dc";
    return s;
}

void TAviMux::fail(const QString &error)
{
    if (!m_error.isEmpty())
        return;
    m_error = error;
    reportError(TError(error));
}

QString TAviMux::writeError() const
{
    return QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(m_fileName), m_writer.errorString());
}

void TAviMux::startStreaming()
{
    std::lock_guard guard(m_lock);
    m_error.clear();
    m_order.assign(size_t(inputCount()), -1);
    auto *writer = output(0)->isConnected() ? dynamic_cast<TFileWriterElement *>(output(0)->peer()->element()) : nullptr;
    if (!writer || writer->fileName().isEmpty()) {
        fail(QStringLiteral("the AVI mux is not connected to a file writer with a file name"));
        return;
    }
    m_fileName = writer->fileName();
    TAviWriterConfig config;
    config.partLimit = m_partLimit;
    config.info = m_info;
    for (int input : m_connections) {
        if (!this->input(input)->isConnected())
            continue;
        const TMediaType &type = this->input(input)->mediaType();
        m_order[size_t(input)] = int(config.streams.size());
        config.streams.push_back(streamConfig(type));
        const TAviStreamHeader &h = config.streams.back().header;
        if (h.fccType != fcc::auds && config.microSecPerFrame == 0) {
            config.microSecPerFrame = h.rate ? quint32(qint64(h.scale) * 1000000 / h.rate) : 0;
            config.width = quint32(h.right);
            config.height = quint32(h.bottom);
        }
    }
    // Never write over a file this pipeline reads.
    const QString target = QFileInfo(writer->fileName()).absoluteFilePath();
    for (TElement *e : pipeline()->elements())
        if (auto *source = dynamic_cast<TFileSourceElement *>(e))
            if (!source->fileName().isEmpty() && QFileInfo(source->fileName()).absoluteFilePath() == target) {
                fail(QStringLiteral("the destination %1 is the source file").arg(writer->fileName()));
                return;
            }
    QFile::remove(writer->fileName());
    QString error;
    if (!m_writer.open(writer->fileName(), config, &error))
        fail(QStringLiteral("cannot create %1: %2").arg(QDir::toNativeSeparators(writer->fileName()), error));
}

void TAviMux::render(int input, TMediaSample &sample)
{
    std::lock_guard guard(m_lock);
    if (!m_writer.isOpen() || input < 0 || size_t(input) >= m_order.size() || m_order[size_t(input)] < 0)
        return;
    if (!m_writer.writeSample(m_order[size_t(input)], sample.data.constData(), quint32(sample.length()), sample.syncPoint))
        fail(writeError());
}

void TAviMux::renderEnd()
{
    std::lock_guard guard(m_lock);
    if (m_writer.isOpen() && !m_writer.close())
        fail(writeError());
}

void TAviMux::stopStreaming()
{
    std::lock_guard guard(m_lock);
    if (m_writer.isOpen() && !m_writer.close())
        fail(writeError());
}
