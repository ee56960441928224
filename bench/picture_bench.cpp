// Per-picture cost of the picture stages on 720x576 pictures, timed by bench/run:
//   inlay N        the inlay stage with the default two-line datecode (font size 16, border 2)
//   deinterlace N  the first deinterlacer on a decoded DV frame with interlaced motion
// Prints the average seconds per picture over N pictures.

#include "dv/datecode.h"
#include "pipelines/dvvideodecoder.h"
#include "pipelines/dvvideoencoder.h"
#include "pipelines/pictureconverter.h"
#include "stages/deinter.h"
#include "stages/dv_superposer.h"

#include <QApplication>
#include <QImage>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>
#include <cstdio>

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point a, TClock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

int Inlay(int count)
{
    // A camcorder clock that ticks every 25 pictures, so the text is drawn
    // anew once a second; the pictures' frame data is made beforehand.
    const int warmUp = 10; // fonts load on the first pictures
    std::vector<std::shared_ptr<const TDvFrameData>> seconds;
    for (int second = 0; second <= (warmUp + count) / 25; ++second) {
        auto data = std::make_shared<TDvFrameData>();
        data->info.datecodePresent = true;
        data->info.datecode = EncodeDateTime(2007, 12, 31, 23, 0, 0) + second * OneSecond;
        seconds.push_back(data);
    }
    Tdv_Superposer stage;
    ApplyDefaultIncrustSettings(stage);
    stage.prepareStream(720, 576, 400000);
    TMediaSample in, out;
    in.data = QByteArray(720 * 576 * 3, '\x40');
    out.data = QByteArray(720 * 576 * 3, '\0');
    int picture = 0;
    for (; picture < warmUp; ++picture) {
        in.frameData = seconds[size_t(picture / 25)];
        stage.inlayPicture(in, out);
    }
    const auto start = TClock::now();
    for (int i = 0; i < count; ++i, ++picture) {
        in.frameData = seconds[size_t(picture / 25)];
        if (stage.inlayPicture(in, out) != TResult::Ok)
            return 1;
    }
    std::printf("%.6f\n", Seconds(start, TClock::now()) / count);
    return 0;
}

// Colour bars that move between the two fields, through the DV codec.
bool InterlacedPicture(QImage &picture)
{
    TPicture bars(720, 576, AV_PIX_FMT_YUV420P);
    QImage bgr(720, 576, QImage::Format_BGR888);
    for (int y = 0; y < 576; ++y) {
        uchar *line = bgr.scanLine(y);
        const int shift = (y % 2) * 12; // the second field was taken a moment later
        for (int x = 0; x < 720; ++x) {
            const int bar = ((x + shift) / 90) % 8;
            line[3 * x] = uchar((bar & 1) * 200 + 30);
            line[3 * x + 1] = uchar((bar & 2) * 100 + 30);
            line[3 * x + 2] = uchar((bar & 4) * 50 + 30);
        }
    }
    TPictureConverter converter;
    const TBgr24Layout layout = TBgr24Layout::make(720, 576);
    std::vector<uint8_t> packed(size_t(layout.bytes()));
    for (int y = 0; y < 576; ++y)
        std::memcpy(packed.data() + y * layout.stride, bgr.constScanLine(y), 720 * 3);
    TDvVideoEncoder encoder(TDvEncoderFormat{}, 1);
    TDvVideoDecoder decoder(1);
    if (!converter.fromBgr24(packed.data(), layout, bars) || !encoder.encode(bars)
        || !decoder.decode(encoder.frame().data(), qint64(encoder.frame().size())))
        return false;
    if (!converter.toBgr24(decoder.picture(), packed.data(), layout))
        return false;
    picture = QImage(720, 576, QImage::Format_BGR888);
    for (int y = 0; y < 576; ++y)
        std::memcpy(picture.scanLine(y), packed.data() + y * layout.stride, 720 * 3);
    return true;
}

int Deinterlace(int count)
{
    QImage source;
    if (!InterlacedPicture(source))
        return 1;
    QImage destination(720, 576, QImage::Format_BGR888);
    QImage comb(720, 576, QImage::Format_Grayscale8), kept(720, 576, QImage::Format_Grayscale8);
    const auto start = TClock::now();
    for (int i = 0; i < count; ++i)
        if (!DeinterlacePicture(source, destination, comb, kept))
            return 1;
    std::printf("%.6f\n", Seconds(start, TClock::now()) / count);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    const int count = args.value(1).toInt();
    if (args.size() == 2 && count > 0 && args[0] == QLatin1String("inlay"))
        return Inlay(count);
    if (args.size() == 2 && count > 0 && args[0] == QLatin1String("deinterlace"))
        return Deinterlace(count);
    std::fprintf(stderr, "usage: picture_bench inlay|deinterlace COUNT\n");
    return 2;
}
