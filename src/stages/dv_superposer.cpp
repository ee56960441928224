#include "stages/dv_superposer.h"

#include "framework/settingscatalogue.h"

#include "stages/deinter.h"
#include "stages/deinter2.h"

#include "pipelines/bt601.h"
#include "pipelines/rawvideo.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int MaxPictureSide = 16384;
constexpr int MaxFontSize = 500;

int Stride(int width)
{
    return (width * 3 + 3) & ~3;
}

QString InstalledFamily(const QString &name)
{
    if (name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    if (name.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Mono");
    if (name.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Serif");
    return name;
}

// Copies a picture into another of the same size and format without
// allocating; otherwise makes destination a copy.
void CopyPicture(const QImage &source, QImage &destination)
{
    if (destination.size() == source.size() && destination.format() == source.format()
        && destination.bytesPerLine() == source.bytesPerLine() && !source.isNull()) {
        std::memcpy(destination.bits(), source.constBits(), size_t(source.sizeInBytes()));
        return;
    }
    destination = source.copy();
}

// Round(n / d) with halves to even, for d > 0 and n >= 0.
qint64 DivideRoundEven(qint64 n, qint64 d)
{
    qint64 q = n / d;
    const qint64 r2 = (n % d) * 2;
    if (r2 > d || (r2 == d && (q & 1)))
        ++q;
    return q;
}

int DayOfMonth(TDateTime value)
{
    TDateTimeParts parts;
    return DecodeDateTime(value, parts) ? parts.day : 0;
}

} // namespace

int IncrustLineHeight(int fontSize)
{
    const int points = std::abs(std::clamp(fontSize, -MaxFontSize, MaxFontSize));
    return (points * 96 + 36) / 72;
}

QFont IncrustQFont(const TIncrustFont &font)
{
    QFont f(InstalledFamily(font.name));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    const int height = std::max(1, IncrustLineHeight(font.size));
    if (font.size >= 0) {
        f.setPixelSize(height);
    } else {
        // A cell height: find the character height whose ascent plus descent make it.
        f.setPixelSize(100);
        const QFontMetricsF metrics(f);
        const qreal cell = metrics.ascent() + metrics.descent();
        f.setPixelSize(std::max(1, cell > 0 ? int(std::lround(height * 100 / cell)) : height));
    }
    return f;
}

Tdv_Superposer::Tdv_Superposer(const TDatecodeTextSettingsStore *settings)
    : TBCTransformFilter(QString::fromUtf16(DisplayName)), m_textStore(settings)
{
    // The program's two deinterlacers: the first for the pictures that go on,
    // the second (safe for several callers) for the still pictures.
    setDeinterlacers(
        [](const QImage &source, QImage &destination, QImage &combMask, QImage &keptMask) {
            DeinterlacePicture(source, destination, combMask, keptMask);
        },
        [](const QImage &source, QImage &destination) { DeinterlacePicture2(source, destination); });
}

Tdv_Superposer::~Tdv_Superposer() = default;

// --- Settings ---------------------------------------------------------------

template <typename F>
void Tdv_Superposer::changeSettings(F &&change)
{
    std::lock_guard guard(m_settingsLock);
    change(m_shared);
    m_sharedGeneration.fetch_add(1, std::memory_order_release);
}

void Tdv_Superposer::SetIncrustFont(const TIncrustFont &font)
{
    changeSettings([&](TSettings &s) {
        s.font = font;
        s.font.size = std::clamp(font.size, -MaxFontSize, MaxFontSize);
        s.autoFontSize = font.size < 0;
    });
}

void Tdv_Superposer::SetAlign(int align)
{
    if (align >= AlignLeft && align <= AlignSubtitle)
        changeSettings([&](TSettings &s) { s.align = align; });
}

void Tdv_Superposer::SetDuration(int seconds)
{
    m_displaySeconds.store(std::max(0, seconds), std::memory_order_relaxed);
    updateDisplayFrames();
    m_countdown.store(displayFrames() - 1, std::memory_order_relaxed);
}

void Tdv_Superposer::updateDisplayFrames()
{
    const int seconds = m_displaySeconds.load(std::memory_order_relaxed);
    const qint64 duration = frameDuration();
    if (seconds < 0 || duration <= 0)
        return;
    const qint64 frames = DivideRoundEven(qint64(seconds) * 10000000, duration);
    m_displayFrames.store(int(std::min<qint64>(frames, 1 << 30)), std::memory_order_relaxed);
}

void Tdv_Superposer::SetWhen(int when)
{
    if (when < Permanently || when > EachNewDay)
        return;
    changeSettings([&](TSettings &s) { s.when = when; });
    m_countdown.store(displayFrames() - 1, std::memory_order_relaxed);
}

void Tdv_Superposer::SetX(int thousandths)
{
    changeSettings([&](TSettings &s) {
        s.x = std::clamp(thousandths, 0, 1000);
        if (s.align == AlignSubtitle)
            s.align = AlignCentre;
    });
}

void Tdv_Superposer::SetY(int thousandths)
{
    changeSettings([&](TSettings &s) { s.y = std::clamp(thousandths, 0, 1000); });
}

void Tdv_Superposer::SetVisible(bool visible)
{
    changeSettings([&](TSettings &s) { s.visible = visible; });
}

void Tdv_Superposer::SetBorderSize(int pixels)
{
    if (pixels >= 0 && pixels <= MaxBorderSize)
        changeSettings([&](TSettings &s) { s.borderSize = pixels; });
}

void Tdv_Superposer::SetBorderColor(const QColor &color)
{
    changeSettings([&](TSettings &s) { s.borderColor = color; });
}

void Tdv_Superposer::SetDeinterlace(bool on)
{
    changeSettings([&](TSettings &s) { s.deinterlace = on; });
}

#define TARVEX_SETTING_GETTER(type, getter, field)  \
    type Tdv_Superposer::getter() const             \
    {                                               \
        std::lock_guard guard(m_settingsLock);      \
        return m_shared.field;                      \
    }
TARVEX_SETTING_GETTER(TIncrustFont, incrustFont, font)
TARVEX_SETTING_GETTER(bool, autoFontSize, autoFontSize)
TARVEX_SETTING_GETTER(int, align, align)
TARVEX_SETTING_GETTER(int, when, when)
TARVEX_SETTING_GETTER(int, x, x)
TARVEX_SETTING_GETTER(int, y, y)
TARVEX_SETTING_GETTER(bool, visible, visible)
TARVEX_SETTING_GETTER(int, borderSize, borderSize)
TARVEX_SETTING_GETTER(bool, deinterlace, deinterlace)
#undef TARVEX_SETTING_GETTER

void Tdv_Superposer::setDeinterlacers(TDeinterlacer first, TStillDeinterlacer second)
{
    std::lock_guard guard(m_pictureLock);
    m_deinterlacer = std::move(first);
    m_stillDeinterlacer = std::move(second);
}

QString Tdv_Superposer::line1() const
{
    std::lock_guard guard(m_linesLock);
    return m_shownLine1;
}

QString Tdv_Superposer::line2() const
{
    std::lock_guard guard(m_linesLock);
    return m_shownLine2;
}

void Tdv_Superposer::refreshSettings()
{
    if (m_sharedGeneration.load(std::memory_order_acquire) == m_seenGeneration)
        return;
    {
        std::lock_guard guard(m_settingsLock);
        m_settings = m_shared;
        m_seenGeneration = m_sharedGeneration.load(std::memory_order_relaxed);
    }
    m_qfont = IncrustQFont(m_settings.font);
    m_lineHeight = IncrustLineHeight(m_settings.font.size);
    m_ascent = QFontMetrics(m_qfont).ascent();
}

// --- Streaming --------------------------------------------------------------

TResult Tdv_Superposer::CheckInputType(const TMediaType &type)
{
    if (type.majorType != media::Video || type.formatKind != media::TFormatKind::VideoInfo
        || type.format.size() < TVideoInfoHeader::kSize)
        return TResult::TypeNotAccepted;
    const TBitmapInfoHeader bitmap = type.videoInfo().bitmap;
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > MaxPictureSide || bitmap.height > MaxPictureSide)
        return TResult::TypeNotAccepted;
    if (type.subtype == media::Rgb24)
        return bitmap.bitCount == 24 ? TResult::Ok : TResult::TypeNotAccepted;
    // Planar pictures have no RGB picture to keep or deinterlace.
    const bool planar = (type.subtype == media::I420 && bitmap.width % 2 == 0 && bitmap.height % 2 == 0)
                        || (type.subtype == media::Y41B && bitmap.width % 4 == 0);
    return planar && !m_keepPicture.load(std::memory_order_relaxed) && !deinterlace() ? TResult::Ok
                                                                                    : TResult::TypeNotAccepted;
}

TMediaType Tdv_Superposer::GetMediaType(const TMediaType &inputType) const
{
    TMediaType type = inputType;
    const TBitmapInfoHeader bitmap = inputType.videoInfo().bitmap;
    type.sampleSize = inputType.subtype == media::Rgb24
                          ? quint32(Stride(bitmap.width) * bitmap.height)
                          : quint32(RawPictureBytes(inputType.subtype, bitmap.width, bitmap.height));
    return type;
}

bool Tdv_Superposer::TransformsInPlace(const TMediaType &type) const
{
    return type.subtype == media::I420 || type.subtype == media::Y41B;
}

std::atomic<bool> &Tdv_Superposer::stillPictureFlag()
{
    static std::atomic<bool> flag{true};
    return flag;
}

void Tdv_Superposer::startStreaming()
{
    const TMediaType &type = input(0)->mediaType();
    const TVideoInfoHeader info = type.videoInfo();
    m_planar = TransformsInPlace(type) ? type.subtype : 0;
    prepareStream(info.bitmap.width, info.bitmap.height, info.avgTimePerFrame);
}

void Tdv_Superposer::prepareStream(int width, int height, qint64 frameDuration)
{
    m_frameDuration.store(std::max<qint64>(0, frameDuration), std::memory_order_relaxed);
    updateDisplayFrames();
    const bool valid = width > 0 && height > 0 && width <= MaxPictureSide && height <= MaxPictureSide;
    {
        std::lock_guard guard(m_pictureLock);
        m_width = valid ? width : 0;
        m_height = valid ? height : 0;
        m_stride = Stride(m_width);
        if (!valid) {
            m_work = m_last = m_combMask = m_keptMask = QImage();
        } else if (m_work.width() != width || m_work.height() != height) {
            m_work = QImage(width, height, QImage::Format_BGR888);
            m_work.fill(Qt::black);
            m_last = m_work.copy();
            m_combMask = QImage(width, height, QImage::Format_Grayscale8);
            m_keptMask = QImage(width, height, QImage::Format_Grayscale8);
        }
    }
    if (valid)
        changeSettings([&](TSettings &s) {
            if (s.autoFontSize)
                s.font.size = -((width * 21) / 720);
        });
    m_countdown.store(displayFrames() - 1, std::memory_order_relaxed);
    m_pictureCounter = 0;
}

TResult Tdv_Superposer::Transform(const TMediaSample &in, TMediaSample &out)
{
    out.copyPropertiesFrom(in);
    if (in.mediaStart < 0) {
        out.mediaStart = m_pictureCounter;
        out.mediaStop = m_pictureCounter + 1;
    }
    return inlayPicture(in, out);
}

TResult Tdv_Superposer::inlayPicture(const TMediaSample &in, TMediaSample &out)
{
    refreshSettings();
    TResult result = TResult::Ok;
    std::lock_guard guard(m_pictureLock);
    const qint64 pictureBytes = m_planar ? RawPictureBytes(m_planar, m_width, m_height) : qint64(m_stride) * m_height;
    if (m_width <= 0 || m_work.isNull() || in.length() < pictureBytes) {
        result = TResult::Fail;
    } else {
        const TFrameInfo frame = in.frameData ? in.frameData->info : TFrameInfo{};
        const bool shows = feedCountdown(frame);
        const bool draw = m_settings.visible && shows;
        if (draw)
            composeLines(frame);

        if (m_planar) {
            // A planar picture gets the lines where it is (in is out).
            if (out.length() < pictureBytes)
                result = TResult::Fail;
            else if (draw)
                drawTextPlanar(out.writableBytes());
            ++m_pictureCounter;
            return result;
        }

        // Nothing asks for the work picture (not kept, no deinterlacing, no
        // still picture wanted): the lines go straight into the output picture.
        if (!m_keepPicture.load(std::memory_order_relaxed) && !m_settings.deinterlace
            && stillPictureFlag().load(std::memory_order_acquire)) {
            if (out.length() < pictureBytes)
                return finishPicture(TResult::Fail);
            quint8 *target = out.writableBytes();
            std::memcpy(target, in.bytes(), size_t(pictureBytes));
            if (draw)
                drawText(target + qint64(m_height - 1) * m_stride, -qsizetype(m_stride));
            return finishPicture(TResult::Ok);
        }

        // The sample holds the rows bottom-up; the work picture top-down.
        const quint8 *source = in.bytes();
        for (int row = 0; row < m_height; ++row)
            std::memcpy(m_work.scanLine(row), source + qint64(m_height - 1 - row) * m_stride, size_t(m_stride));
        if (draw)
            drawText(m_work.scanLine(0), m_work.bytesPerLine());

        const QImage *picture = &m_work;
        if (m_settings.deinterlace) {
            if (m_deinterlacer)
                m_deinterlacer(m_work, m_last, m_combMask, m_keptMask);
            if (m_last.size() != m_work.size() || m_last.format() != m_work.format())
                m_last = m_work.copy();
            else if (!m_deinterlacer)
                CopyPicture(m_work, m_last);
            picture = &m_last;
        }
        if (out.length() < pictureBytes) {
            result = TResult::Fail;
        } else {
            quint8 *target = out.writableBytes();
            for (int row = 0; row < m_height; ++row)
                std::memcpy(target + qint64(m_height - 1 - row) * m_stride, picture->constScanLine(row),
                            size_t(m_stride));
        }
    }
    return finishPicture(result);
}

TResult Tdv_Superposer::finishPicture(TResult result)
{
    stillPicture();
    ++m_pictureCounter;
    return result;
}

void Tdv_Superposer::stillPicture()
{
    std::atomic<bool> &flag = stillPictureFlag();
    if (flag.load(std::memory_order_acquire))
        return;
    if (!m_settings.deinterlace && !m_work.isNull()) {
        if (m_stillDeinterlacer)
            m_stillDeinterlacer(m_work, m_last);
        if (!m_stillDeinterlacer || m_last.size() != m_work.size() || m_last.format() != m_work.format())
            CopyPicture(m_work, m_last);
    }
    flag.store(true, std::memory_order_release);
}

bool Tdv_Superposer::feedCountdown(const TFrameInfo &frame)
{
    int countdown = m_countdown.load(std::memory_order_relaxed);
    if (countdown > 0)
        --countdown;
    const TDateTime datecode = frame.datecodePresent ? frame.datecode : 0;
    if (frame.datecodePresent) {
        // Datecodes have whole seconds: compare them in seconds.
        const double seconds = (datecode - m_previousDatecode) * 86400.0;
        const qint64 step = std::isfinite(seconds) ? std::llround(std::clamp(seconds, -1e15, 1e15)) : 0;
        if (m_settings.when == EachNewScene && (step > 2 || step < 0))
            countdown = displayFrames();
        else if (m_settings.when == EachNewDay
                 && (DayOfMonth(datecode) != DayOfMonth(m_previousDatecode) || std::llabs(step) > 86400))
            countdown = displayFrames();
    }
    m_previousDatecode = datecode;
    m_countdown.store(countdown, std::memory_order_relaxed);
    return m_settings.when == Permanently || countdown > 0;
}

void Tdv_Superposer::composeLines(const TFrameInfo &frame)
{
    m_textStore->refresh(m_text, m_textGeneration);
    TTextKey key;
    key.generation = m_textGeneration;
    key.datecodePresent = frame.datecodePresent;
    key.datecode = frame.datecodePresent ? frame.datecode : 0;
    key.timecodePresent = frame.timecodePresent;
    key.timecode = frame.timecodePresent ? frame.timecode : TTimecodeFields{};
    if (m_composed && key == m_textKey)
        return;
    m_d1.clear();
    m_d2.clear();
    m_t.clear();
    if (key.datecodePresent) {
        const TDateTime shown = key.datecode + m_text.displayShift;
        m_d1 = FormatDateTime(m_text.format1, shown);
        m_d2 = FormatDateTime(m_text.format2, shown);
    }
    if (key.timecodePresent)
        m_t = TimecodeInlayText(key.timecode);
    ComposeDatecodeLine(m_text.template1, m_d1, m_d2, m_t, m_line1);
    ComposeDatecodeLine(m_text.template2, m_d1, m_d2, m_t, m_line2);
    m_textKey = key;
    m_composed = true;
    std::lock_guard guard(m_linesLock);
    m_shownLine1 = m_line1;
    m_shownLine2 = m_line2;
}

// --- Drawing ----------------------------------------------------------------

void Tdv_Superposer::renderLine(const QString &text, TLineImage &line)
{
    line.advance = line.width = line.height = 0;
    line.y.clear();
    line.u.clear();
    line.v.clear();
    line.alpha.clear();
    if (text.isEmpty())
        return;
    const QFontMetrics metrics(m_qfont);
    line.advance = metrics.horizontalAdvance(text);
    line.width = line.advance + 2 * m_margin;
    line.height = metrics.height() + 2 * m_margin;
    if (line.image.width() < line.width || line.image.height() < line.height)
        line.image = QImage(std::max(line.width, line.image.width()), std::max(line.height, line.image.height()),
                            QImage::Format_ARGB32_Premultiplied);
    line.image.fill(Qt::transparent);
    QPainter painter(&line.image);
    painter.setFont(m_qfont);
    const int x = m_margin;
    const int baseline = m_margin + m_ascent;
    const int b = m_settings.borderSize;
    if (b > 0) {
        painter.setPen(m_settings.borderColor);
        for (int dy = -b; dy <= b; ++dy)
            for (int dx = -b; dx <= b; ++dx)
                painter.drawText(x + dx, baseline + dy, text);
    }
    painter.setPen(m_settings.font.color);
    painter.drawText(x, baseline, text);
}

void Tdv_Superposer::renderLines()
{
    if (m_rendered && m_renderedGeneration == m_seenGeneration && m_renderedLine1 == m_line1
        && m_renderedLine2 == m_line2)
        return;
    // Room for the outline and for glyphs that reach out of their advance (italics).
    m_margin = m_settings.borderSize + m_qfont.pixelSize() / 3 + 2;
    renderLine(m_line1, m_image1);
    renderLine(m_line2, m_image2);
    m_renderedLine1 = m_line1;
    m_renderedLine2 = m_line2;
    m_renderedGeneration = m_seenGeneration;
    m_rendered = true;
}

bool Tdv_Superposer::placeLines(int &x1, int &y1, int &x2, int &y2)
{
    const int align = m_settings.align;
    if (align < AlignLeft || align > AlignSubtitle)
        return false;
    renderLines();
    const int bx = int(qint64(m_width) * m_settings.x / 1000);
    const int by = int(qint64(m_height) * m_settings.y / 1000);
    const int w1 = m_image1.advance;
    const int w2 = m_image2.advance;
    const int h = m_lineHeight;
    switch (align) {
    case AlignLeft:
        x1 = x2 = bx - w2 / 2;
        break;
    case AlignCentre:
        x1 = bx - w1 / 2;
        x2 = bx - w2 / 2;
        break;
    case AlignRight:
        x1 = bx + w2 / 2 - w1;
        x2 = bx - w2 / 2;
        break;
    default:
        x1 = (m_width - w1) / 2;
        x2 = (m_width - w2) / 2;
        break;
    }
    y1 = by - 2 * h;
    y2 = by - h;
    // A line that would cross an edge of the picture, its outline included,
    // is moved inside it; one that fits stays where the alignment put it.
    const int b = m_settings.borderSize;
    const auto inside = [&](int &x, int &y, int w) {
        if (w <= 0)
            return;
        x = std::clamp(x, b, std::max(b, m_width - w - b));
        y = std::clamp(y, b, std::max(b, m_height - h - b));
    };
    inside(x1, y1, w1);
    inside(x2, y2, w2);
    return true;
}

void Tdv_Superposer::drawText(quint8 *top, qsizetype stride)
{
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (!placeLines(x1, y1, x2, y2))
        return;
    blend(m_image1, x1, y1, top, stride);
    blend(m_image2, x2, y2, top, stride);
}

void Tdv_Superposer::drawTextPlanar(quint8 *planes)
{
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (!placeLines(x1, y1, x2, y2))
        return;
    for (TLineImage *line : {&m_image1, &m_image2})
        if (line->width > 0 && line->y.empty())
            lineToYuv(*line);
    blendPlanar(m_image1, x1, y1, planes);
    blendPlanar(m_image2, x2, y2, planes);
}

void Tdv_Superposer::lineToYuv(TLineImage &line)
{
    // The colour matrix of the DV pictures applied to premultiplied colours:
    // the offsets scale with alpha (black of alpha a is 16 * a in Y).
    const size_t n = size_t(line.width) * size_t(line.height);
    line.y.assign(n, 0.0f);
    line.u.assign(n, 0.0f);
    line.v.assign(n, 0.0f);
    line.alpha.assign(n, 0.0f);
    for (int r = 0; r < line.height; ++r) {
        const QRgb *src = reinterpret_cast<const QRgb *>(line.image.constScanLine(r));
        for (int c = 0; c < line.width; ++c) {
            const QRgb p = src[c];
            const float a = float(qAlpha(p)) / 255.0f;
            const int red = qRed(p), green = qGreen(p), blue = qBlue(p);
            const size_t i = size_t(r) * size_t(line.width) + size_t(c);
            line.y[i] = float(bt601::LumaSum(blue, green, red)) / 256.0f + 16.0f * a;
            line.u[i] = float(bt601::ChromaUSum(blue, green, red)) / 256.0f + 128.0f * a;
            line.v[i] = float(bt601::ChromaVSum(blue, green, red)) / 256.0f + 128.0f * a;
            line.alpha[i] = a;
        }
    }
}

// Blends a rendered line whose text starts at (x, y) into a planar picture,
// clipped to the picture. A chroma sample takes the mean of the pixels it
// covers (2 x 2 for I420, 4 x 1 for Y41B), the line's empty pixels included.
void Tdv_Superposer::blendPlanar(const TLineImage &line, int x, int y, quint8 *planes)
{
    if (line.width <= 0 || line.y.empty())
        return;
    const int left = x - m_margin, top = y - m_margin;
    const int c0 = std::max(0, left), c1 = std::min(m_width, left + line.width);
    const int r0 = std::max(0, top), r1 = std::min(m_height, top + line.height);
    if (c0 >= c1 || r0 >= r1)
        return;
    const auto store = [](float value) { return quint8(std::clamp(std::lround(value), 0L, 255L)); };
    const auto at = [&](int px, int py) -> qsizetype {
        // Index in the line's arrays of picture pixel (px, py), -1 outside the line.
        const int c = px - left, r = py - top;
        return c < 0 || r < 0 || c >= line.width || r >= line.height ? -1 : qsizetype(r) * line.width + c;
    };
    for (int py = r0; py < r1; ++py) {
        quint8 *luma = planes + qsizetype(py) * m_width;
        for (int px = c0; px < c1; ++px) {
            const qsizetype i = at(px, py);
            if (line.alpha[size_t(i)] > 0.0f)
                luma[px] = store(line.y[size_t(i)] + luma[px] * (1.0f - line.alpha[size_t(i)]));
        }
    }
    const bool i420 = m_planar == media::I420;
    const int sx = i420 ? 2 : 4, sy = i420 ? 2 : 1;
    const int chromaWidth = m_width / sx, chromaHeight = m_height / sy;
    quint8 *uPlane = planes + qsizetype(m_width) * m_height;
    quint8 *vPlane = uPlane + qsizetype(chromaWidth) * chromaHeight;
    const float count = float(sx * sy);
    for (int cy = r0 / sy; cy <= (r1 - 1) / sy && cy < chromaHeight; ++cy) {
        for (int cx = c0 / sx; cx <= (c1 - 1) / sx && cx < chromaWidth; ++cx) {
            float u = 0.0f, v = 0.0f, a = 0.0f;
            for (int dy = 0; dy < sy; ++dy)
                for (int dx = 0; dx < sx; ++dx) {
                    const qsizetype i = at(cx * sx + dx, cy * sy + dy);
                    if (i < 0)
                        continue;
                    u += line.u[size_t(i)];
                    v += line.v[size_t(i)];
                    a += line.alpha[size_t(i)];
                }
            if (a <= 0.0f)
                continue;
            const qsizetype k = qsizetype(cy) * chromaWidth + cx;
            const float keep = 1.0f - a / count;
            uPlane[k] = store(u / count + uPlane[k] * keep);
            vPlane[k] = store(v / count + vPlane[k] * keep);
        }
    }
}

// Blends a rendered line whose text starts at (x, y) of the work picture, clipped to the picture.
void Tdv_Superposer::blend(const TLineImage &line, int x, int y, quint8 *top, qsizetype stride)
{
    if (line.width <= 0)
        return;
    const int left = x - m_margin, row0 = y - m_margin;
    const int c0 = std::max(0, -left), c1 = std::min(line.width, m_width - left);
    const int r0 = std::max(0, -row0), r1 = std::min(line.height, m_height - row0);
    for (int r = r0; r < r1; ++r) {
        const QRgb *src = reinterpret_cast<const QRgb *>(line.image.constScanLine(r));
        quint8 *dst = top + qsizetype(row0 + r) * stride + qint64(left) * 3;
        for (int c = c0; c < c1; ++c) {
            const QRgb p = src[c];
            const uint a = qAlpha(p);
            if (a == 0)
                continue;
            quint8 *d = dst + qint64(c) * 3; // B, G, R
            const uint keep = 255 - a;
            d[0] = quint8(qBlue(p) + (d[0] * keep + 127) / 255);
            d[1] = quint8(qGreen(p) + (d[1] * keep + 127) / 255);
            d[2] = quint8(qRed(p) + (d[2] * keep + 127) / 255);
        }
    }
}

// --- Still pictures ---------------------------------------------------------

bool Tdv_Superposer::GetPicture(QImage &bitmap) const
{
    std::lock_guard guard(m_pictureLock);
    if (m_last.isNull() || bitmap.isNull())
        return false;
    QPainter painter(&bitmap);
    if (!painter.isActive())
        return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(bitmap.rect(), m_last);
    return true;
}

bool Tdv_Superposer::GetDeinterlacedPicture(QImage &bitmap)
{
    {
        std::lock_guard guard(m_pictureLock);
        if (m_work.isNull())
            return false;
        if (m_stillDeinterlacer)
            m_stillDeinterlacer(m_work, m_last);
        if (!m_stillDeinterlacer || m_last.size() != m_work.size() || m_last.format() != m_work.format())
            CopyPicture(m_work, m_last);
    }
    return GetPicture(bitmap);
}

TIncrustFont IncrustFontOf(const TFontValue &font)
{
    const quint32 bgr = quint32(font.color);
    return {font.name,      font.size,   QColor(int(bgr & 0xFF), int(bgr >> 8 & 0xFF), int(bgr >> 16 & 0xFF)),
            font.bold,      font.italic, font.underline};
}

TIncrustFont DefaultIncrustFont()
{
    return IncrustFontOf(settings::DefaultFont(u"IncrustFont"));
}

int Tdv_Superposer::DefaultX()
{
    return settings::DefaultInteger(u"IncrustX");
}

int Tdv_Superposer::DefaultY()
{
    return settings::DefaultInteger(u"IncrustY");
}

void ApplyDefaultIncrustSettings(Tdv_Superposer &stage)
{
    stage.SetX(settings::DefaultInteger(u"IncrustX"));
    stage.SetY(settings::DefaultInteger(u"IncrustY"));
    stage.SetIncrustFont(DefaultIncrustFont());
    stage.SetWhen(settings::DefaultInteger(u"WhenIncrust"));
    stage.SetDuration(settings::DefaultInteger(u"DureeIncrustation"));
    stage.SetBorderSize(settings::DefaultInteger(u"BorderSize"));
    stage.SetVisible(true);
    stage.SetDeinterlace(false);
}
