#include "pipelines/builders/convertirdvunit.h"

#include "avi/durationtext.h"

#include <QDir>

namespace {

bool IsMajor(const TMediaType &type, TFourcc major)
{
    return type.majorType == major;
}

} // namespace

TCdm::TCdm()
{
    // The content stage numbers each picture by the frame the stamper saw it
    // decoded from (a decoder that reorders gives them back later).
    sceneDetectContenu.setFrameIndexSource([this](const TMediaSample &picture) { return qint64(mediaStamper.frameIndexOf(picture)); });
    // Nothing shows the conversions' pictures: the inlay draws straight into them.
    superposer.SetKeepPicture(false);
    // The writer takes the frames in runs rather than one thread switch each.
    writeQueue.setWakeBatch(8);
}

TCdm::~TCdm()
{
    ResetPipeline();
}

void TCdm::ResetPipeline()
{
    fg.stop();
    fg.removeAll();
    m_converters.clear();
    fg.setPositions(0);
    sceneDetect.clearCallbacks();
    sceneDetectContenu.clearCallbacks();
    dvHeader.resetSettings();
    frameRate.SetFrameDuration(0, 0);
    acm1.ResetFormat();
    acm2.ResetFormat();
    dvmuxer.SetSilenceRate(0);
    m_soundProblem.clear();
}

void TCdm::add(std::initializer_list<TElement *> elements)
{
    for (TElement *e : elements) {
        QString name;
        if (e == &sceneDetect)
            name = QStringLiteral("dv_SceneDetect");
        else if (e == &sceneDetectContenu)
            name = QStringLiteral("scenedetectContenu");
        else if (e == &mediaStamper)
            name = QStringLiteral("MediaStamper");
        else if (e == &deinter)
            name = QStringLiteral("dv_Deinter");
        else if (e == &superposer)
            name = QStringLiteral("dv_Superposer");
        else if (e == &dvHeader)
            name = QStringLiteral("dv_DVHeader");
        else if (e == &waveDest)
            name = QStringLiteral("dv_WaveDest");
        fg.add(e, name);
    }
}

bool TCdm::loadSource(const QString &sourcePath)
{
    ResetPipeline();
    add({&source, &avisplitter});
    return source.Load(sourcePath) == TResult::Ok && fg.connect(source.output(0), avisplitter.input(0)) == TResult::Ok;
}

bool TCdm::openEnds(const QString &sourcePath, const QString &destPath)
{
    if (!loadSource(sourcePath))
        return false;
    add({&destination});
    destination.SetFileName(destPath);
    destination.SetOverwrite(true);
    return !destPath.isEmpty();
}

TPin *TCdm::connectFirstStream(TPin *input, bool direct)
{
    for (int i = 0; i < avisplitter.outputCount(); ++i) {
        TPin *out = avisplitter.output(i);
        if (!out->isConnected() && (direct ? fg.connect(out, input) : fg.connectThrough(out, input)) == TResult::Ok)
            return out;
    }
    return nullptr;
}

TPin *TCdm::nextFreeInput(TElement &element)
{
    TPin *last = element.input(element.inputCount() - 1);
    return last && !last->isConnected() ? last : nullptr;
}

void TCdm::SetAudioRate(TAudioConverterElement &converter, int rate)
{
    TPin *in = converter.input(0);
    if (!in->isConnected() || int(in->mediaType().waveFormat().samplesPerSec) == 0)
        return;
    const int before = converter.audioRate();
    const int current = before ? before : int(in->mediaType().waveFormat().samplesPerSec);
    if (rate == current || !converter.SetAudioRate(rate))
        return;
    // A connected output takes the new format by connecting again.
    TPin *out = converter.output(0);
    if (!out->isConnected() || !converter.pipeline())
        return;
    TPipeline *pipeline = converter.pipeline();
    TPin *peer = out->peer();
    pipeline->disconnect(out);
    if (pipeline->connect(out, peer) != TResult::Ok) {
        if (before)
            converter.SetAudioRate(before);
        else
            converter.SetAudioRate(int(in->mediaType().waveFormat().samplesPerSec));
        pipeline->connect(out, peer);
    }
}

void TCdm::SetMediaProperty(TAviMux &element, const QString &name, const QString &text)
{
    element.SetTextProperty(name, text);
}

bool TCdm::connectToMux(TPin *from)
{
    if (!writeQueue.pipeline())
        add({&writeQueue});
    TPin *lane = nullptr;
    for (int k = 0; k < writeQueue.inputCount() && !lane; ++k)
        if (!writeQueue.input(k)->isConnected())
            lane = writeQueue.input(k);
    TPin *in = nextFreeInput(avimux);
    if (!lane || !in || fg.connect(from, lane) != TResult::Ok)
        return false;
    if (fg.connect(writeQueue.output(lane->index()), in) != TResult::Ok) {
        fg.disconnect(from);
        return false;
    }
    return true;
}

TPipeline *TCdm::finishWriter()
{
    return fg.connect(avimux.output(0), destination.input(0)) == TResult::Ok ? &fg : nullptr;
}

TPipeline *TCdm::finishThroughSplitter(TDvSplitterElement &splitter)
{
    // The muxer's frames split again into DV video and PCM streams: a type 2 file.
    if (fg.connect(dvmuxer.output(0), splitter.input(0)) != TResult::Ok)
        return nullptr;
    for (int i = 0; i < splitter.outputCount(); ++i)
        if (!connectToMux(splitter.output(i)) && i == 0)
            return nullptr;
    return finishWriter();
}

void TCdm::connectSoundToMuxer()
{
    if (connectFirstStream(acm1.input(0)))
        fg.connect(acm1.output(0), dvmuxer.input(1));
    if (connectFirstStream(acm2.input(0)))
        fg.connect(acm2.output(0), dvmuxer.input(2));
}

// --- probes ---

TPipeline *TCdm::BuildSceneProbe(const QString &sourcePath)
{
    if (!loadSource(sourcePath))
        return nullptr;
    fg.add(&sceneDetect, QStringLiteral("scenedetect"));
    fg.add(&nullrender);
    if (!connectFirstStream(sceneDetect.input(0))) {
        if (avisplitter.outputCount() > 0)
            fg.connect(avisplitter.output(0), nullrender.input(0));
        return nullptr;
    }
    fg.connect(sceneDetect.output(0), nullrender.input(0));
    return &fg;
}

TPipeline *TCdm::BuildSubtitleProbe(const QString &sourcePath)
{
    return BuildSceneProbe(sourcePath);
}

TPipeline *TCdm::BuildContentProbe(const QString &sourcePath)
{
    if (!loadSource(sourcePath))
        return nullptr;
    add({&mediaStamper, &sceneDetectContenu, &nullrender});
    for (int i = 0; i < avisplitter.outputCount(); ++i) {
        const TMediaType type = avisplitter.outputType(i);
        if (!IsMajor(type, media::Video) && !IsMajor(type, media::Interleaved))
            continue;
        if (fg.connect(avisplitter.output(i), mediaStamper.input(0)) != TResult::Ok)
            continue;
        if (fg.connectThrough(mediaStamper.output(0), sceneDetectContenu.input(0)) == TResult::Ok
            && fg.connect(sceneDetectContenu.output(0), nullrender.input(0)) == TResult::Ok)
            return &fg;
        return nullptr;
    }
    return nullptr;
}

// --- re-encoding ---

bool TCdm::sourceIsPal() const
{
    return qAbs(DVdecoder.outputType(0).videoInfo().bitmap.height) != 480;
}

TColorConverterElement *TCdm::converter(TFourcc subtype, int width, int height)
{
    m_converters.push_back(std::make_unique<TColorConverterElement>(subtype, width, height));
    TColorConverterElement *c = m_converters.back().get();
    fg.add(c);
    return c;
}

bool TCdm::connectReencode(TPin *dvVideo, TElement &pictureStage, std::optional<bool> toPal)
{
    DVdecoder.SetResolution(1000);
    if (fg.connect(dvVideo, decoderQueue.input(0)) != TResult::Ok
        || fg.connect(decoderQueue.output(0), DVdecoder.input(0)) != TResult::Ok)
        return false;
    // The encoder's standard, and the frame rate when it changes; the
    // format is set before the encoder's input is connected.
    const bool sourcePal = sourceIsPal();
    const bool pal = toPal.value_or(sourcePal);
    const bool rescale = sourcePal != pal;
    DVenc.SetFormat(pal ? TDvVideoEncoderElement::FormatPal : TDvVideoEncoderElement::FormatNtsc);
    if (rescale)
        frameRate.SetFrameDuration(pal ? 1 : 1001, pal ? 25 : 30000);
    if (fg.connect(DVdecoder.output(0), pictureQueue.input(0)) != TResult::Ok)
        return false;
    TElement *last = &pictureStage;
    // A stage that takes the decoded pictures as they are draws into them
    // (the inlay, which keeps no picture here); the others work on RGB.
    if (rescale || fg.connect(pictureQueue.output(0), pictureStage.input(0)) != TResult::Ok) {
        // The pictures go to RGB for the stage and back: first into the
        // source's own YUV format, then scaled to the encoder's (cheaper than
        // scaling RGB), the frame rate last so that nothing is converted twice.
        TColorConverterElement *toRgb = converter(media::Rgb24);
        TColorConverterElement *toYuv = converter(sourcePal ? media::I420 : media::Y41B);
        // The rows the stage leaves alone go back as they were decoded.
        const auto memory = std::make_shared<TPictureMemory>();
        toRgb->setMemory(memory);
        toYuv->setMemory(memory);
        last = toYuv;
        if (rescale) {
            fg.add(&scaleQueue);
            last = converter(pal ? media::I420 : media::Y41B, 720, pal ? 576 : 480);
        }
        if (fg.connect(pictureQueue.output(0), toRgb->input(0)) != TResult::Ok
            || fg.connect(toRgb->output(0), pictureStage.input(0)) != TResult::Ok
            || fg.connect(pictureStage.output(0), toYuv->input(0)) != TResult::Ok
            // The scaling to the other standard on a thread of its own.
            || (rescale && (fg.connect(toYuv->output(0), scaleQueue.input(0)) != TResult::Ok
                            || fg.connect(scaleQueue.output(0), last->input(0)) != TResult::Ok)))
            return false;
    }
    if (fg.connect(last->output(0), frameRate.input(0)) != TResult::Ok
        || fg.connect(frameRate.output(0), encoderQueue.input(0)) != TResult::Ok)
        return false;
    return fg.connect(encoderQueue.output(0), DVenc.input(0)) == TResult::Ok
           && fg.connect(DVenc.output(0), muxQueue.input(0)) == TResult::Ok
           && fg.connect(muxQueue.output(0), dvHeader.input(0)) == TResult::Ok
           && fg.connect(dvHeader.output(0), dvmuxer.input(0)) == TResult::Ok;
}

TPipeline *TCdm::buildStandard(const QString &sourcePath, const QString &destPath, bool type2,
                               std::optional<bool> toPal, TElement &pictureStage)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    TDvSplitterElement &after = &pictureStage == &superposer ? dvsplitter2 : dvsplitter;
    add({&DVenc, &DVdecoder, &dvmuxer, &avimux, &acm1, &acm2, &pictureStage, &sceneDetect, &dvHeader, &pictureQueue,
         &frameRate, &decoderQueue, &encoderQueue, &muxQueue});
    if (type2) {
        add({&after});
        if (!connectFirstStream(sceneDetect.input(0)))
            return nullptr;
    } else {
        add({&dvsplitter});
        if (!connectFirstStream(dvsplitter.input(0)))
            return nullptr;
        bool video = false;
        for (int i = 0; i < dvsplitter.outputCount() && !video; ++i)
            video = fg.connect(dvsplitter.output(i), sceneDetect.input(0)) == TResult::Ok;
        if (!video)
            return nullptr;
    }
    if (!connectReencode(sceneDetect.output(0), pictureStage, toPal))
        return nullptr;

    if (type2) {
        // The file's sound through the converters into the muxer, whose
        // frames the splitter turns back into video and PCM streams.
        connectSoundToMuxer();
        return finishThroughSplitter(after);
    }
    for (int i = 1, k = 1; i < dvsplitter.outputCount() && k <= 2; ++i)
        if (!dvsplitter.output(i)->isConnected() && fg.connect(dvsplitter.output(i), dvmuxer.input(k)) == TResult::Ok)
            ++k;
    return connectToMux(dvmuxer.output(0)) ? finishWriter() : nullptr;
}

TPipeline *TCdm::BuildStandardType1(const QString &sourcePath, const QString &destPath, bool toNtsc)
{
    return buildStandard(sourcePath, destPath, false, !toNtsc, deinter);
}

TPipeline *TCdm::BuildStandardType2(const QString &sourcePath, const QString &destPath, bool toNtsc)
{
    return buildStandard(sourcePath, destPath, true, !toNtsc, deinter);
}

TPipeline *TCdm::BuildInlayType1(const QString &sourcePath, const QString &destPath)
{
    return buildStandard(sourcePath, destPath, false, std::nullopt, superposer);
}

TPipeline *TCdm::BuildInlayType2(const QString &sourcePath, const QString &destPath)
{
    return buildStandard(sourcePath, destPath, true, std::nullopt, superposer);
}

TPipeline *TCdm::BuildRecompress(const QString &sourcePath, const QString &destPath)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    add({&avimux, &DVenc, &dvHeader, &dvmuxer, &dvsplitter, &acm1, &acm2, &pictureQueue, &frameRate});
    const TRecompressSettings &s = recompressSettings;
    const bool pal = s.standard != 1;
    DVenc.SetFormat(pal ? TDvVideoEncoderElement::FormatPal : TDvVideoEncoderElement::FormatNtsc, s.ratio == 1);
    dvHeader.restoreHeads = false;
    dvHeader.setAspect = true;
    dvHeader.aspect16x9 = s.ratio == 1;
    frameRate.SetFrameDuration(pal ? 1 : 1001, pal ? 25 : 30000);

    // The first video stream, decoded and brought to the encoder's pictures.
    bool video = false;
    for (int i = 0; i < avisplitter.outputCount() && !video; ++i) {
        if (!IsMajor(avisplitter.outputType(i), media::Video))
            continue;
        video = fg.connectThrough(avisplitter.output(i), frameRate.input(0)) == TResult::Ok;
    }
    if (!video || fg.connect(frameRate.output(0), pictureQueue.input(0)) != TResult::Ok
        || fg.connectThrough(pictureQueue.output(0), DVenc.input(0)) != TResult::Ok
        || fg.connect(DVenc.output(0), dvHeader.input(0)) != TResult::Ok
        || fg.connect(dvHeader.output(0), dvmuxer.input(0)) != TResult::Ok)
        return nullptr;
    // Up to two sound streams, decoded where they are not 16-bit PCM, as
    // stereo at the rate asked for. Without one the frames get silence of
    // that rate, so that their packs and the PCM stream agree.
    dvmuxer.SetSilenceRate(s.audioRate());
    QStringList undecoded;
    int next = 1;
    for (int i = 0; i < avisplitter.outputCount() && next <= 2; ++i) {
        TPin *out = avisplitter.output(i);
        const TMediaType type = avisplitter.outputType(i);
        if (out->isConnected() || !IsMajor(type, media::Audio))
            continue;
        TAudioConverterElement &acm = next == 1 ? acm1 : acm2;
        acm.SetAudioRate(s.audioRate());
        acm.SetMaxChannels(2);
        if (fg.renderTowards(out, &acm) == TResult::Ok && fg.connect(acm.output(0), dvmuxer.input(next)) == TResult::Ok) {
            ++next;
            continue;
        }
        fg.disconnect(acm.input(0));
        fg.disconnect(out);
        undecoded << QStringLiteral("stream %1, %2").arg(i).arg(AudioFormatName(type.waveFormat().formatTag));
    }
    if (!undecoded.isEmpty())
        m_soundProblem = QStringLiteral("The sound (%1) of %2 cannot be decoded: the DV file %3")
                             .arg(undecoded.join(QStringLiteral("; ")), QDir::toNativeSeparators(sourcePath),
                                  next > 1 ? QStringLiteral("lacks it") : QStringLiteral("is silent"));
    return finishThroughSplitter(dvsplitter);
}

// --- stream copies ---

TPipeline *TCdm::BuildHeaderPass(const QString &sourcePath, const QString &destPath)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    add({&dvHeader, &avimux, &acm1, &acm2});
    if (!connectFirstStream(dvHeader.input(0)) || !connectToMux(dvHeader.output(0)))
        return nullptr;
    for (TAudioConverterElement *acm : {&acm1, &acm2})
        if (connectFirstStream(acm->input(0)))
            connectToMux(acm->output(0));
    return finishWriter();
}

TPipeline *TCdm::BuildToType1(const QString &sourcePath, const QString &destPath)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    add({&dvmuxer, &avimux, &acm1, &acm2});
    if (!connectFirstStream(dvmuxer.input(0))) {
        // An interleaved video stream gives its DV video through the splitter.
        add({&dvsplitter});
        if (!connectFirstStream(dvsplitter.input(0)) || dvsplitter.outputCount() == 0
            || fg.connect(dvsplitter.output(0), dvmuxer.input(0)) != TResult::Ok)
            return nullptr;
    }
    connectSoundToMuxer();
    return connectToMux(dvmuxer.output(0)) ? finishWriter() : nullptr;
}

TPipeline *TCdm::BuildToType2(const QString &sourcePath, const QString &destPath)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    add({&dvsplitter, &avimux, &acm1, &acm2});
    if (avisplitter.outputCount() == 0 || fg.connect(avisplitter.output(0), dvsplitter.input(0)) != TResult::Ok)
        return nullptr;
    bool video = false;
    for (int i = 0; i < dvsplitter.outputCount(); ++i) {
        TPin *out = dvsplitter.output(i);
        TAudioConverterElement *acm = nullptr;
        for (TAudioConverterElement *candidate : {&acm1, &acm2})
            if (!acm && !candidate->input(0)->isConnected() && fg.connect(out, candidate->input(0)) == TResult::Ok)
                acm = candidate;
        const bool ok = connectToMux(acm ? acm->output(0) : out);
        video = video || (ok && !acm);
    }
    return video ? finishWriter() : nullptr;
}

TPipeline *TCdm::BuildFixType2(const QString &sourcePath, const QString &destPath)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    add({&avimux});
    bool any = false;
    for (int k = 0; k < 2 && k < avisplitter.outputCount(); ++k) {
        TPin *out = avisplitter.output(k);
        const TMediaType type = avisplitter.outputType(k);
        if (IsMajor(type, media::Video) || IsMajor(type, media::Audio)) {
            any = connectToMux(out) || any;
        } else if (IsMajor(type, media::Interleaved) && !dvsplitter.pipeline()) {
            add({&dvsplitter});
            any = (fg.connect(out, dvsplitter.input(0)) == TResult::Ok && dvsplitter.outputCount() > 0
                   && connectToMux(dvsplitter.output(0)))
                  || any;
        }
    }
    return any ? finishWriter() : nullptr;
}

TPipeline *TCdm::BuildAudioExtract(const QString &sourcePath, const QString &destPath)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    add({&acm1, &infinite, &waveDest, &nullrender});
    waveDest.SetFileName(QString()); // the name comes from the writer behind it
    TPin *audio = nullptr;
    for (int i = 0; i < avisplitter.outputCount() && !audio; ++i)
        if (IsMajor(avisplitter.outputType(i), media::Audio))
            audio = avisplitter.output(i);
    for (int i = 0; i < avisplitter.outputCount() && !audio; ++i) {
        if (!IsMajor(avisplitter.outputType(i), media::Interleaved))
            continue;
        add({&dvsplitter});
        if (fg.connect(avisplitter.output(i), dvsplitter.input(0)) != TResult::Ok)
            return nullptr;
        for (int k = 0; k < dvsplitter.outputCount() && !audio; ++k)
            if (IsMajor(dvsplitter.outputType(k), media::Audio))
                audio = dvsplitter.output(k);
    }
    if (!audio)
        return nullptr;
    const bool converted = fg.connectThrough(audio, acm1.input(0)) == TResult::Ok
                           && fg.connect(acm1.output(0), infinite.input(0)) == TResult::Ok;
    if (!converted) {
        fg.disconnect(audio);
        if (fg.connect(audio, infinite.input(0)) != TResult::Ok)
            return nullptr;
    }
    if (fg.connect(infinite.output(0), waveDest.input(0)) != TResult::Ok
        || fg.connect(waveDest.output(0), destination.input(0)) != TResult::Ok
        || fg.connect(infinite.output(1), nullrender.input(0)) != TResult::Ok)
        return nullptr;
    return &fg;
}

TPipeline *TCdm::BuildCutType1(const QString &sourcePath, const QString &destPath)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    add({&infinite, &avimux, &nullrender});
    if (avisplitter.outputCount() == 0 || fg.connect(avisplitter.output(0), infinite.input(0)) != TResult::Ok
        || !connectToMux(infinite.output(0))
        || fg.connect(infinite.output(1), nullrender.input(0)) != TResult::Ok)
        return nullptr;
    return finishWriter();
}

TPipeline *TCdm::BuildCutType2(const QString &sourcePath, const QString &destPath)
{
    if (!openEnds(sourcePath, destPath))
        return nullptr;
    add({&infinite, &dvmuxer, &dvsplitter, &avimux, &acm1, &acm2, &nullrender});
    // Video through the tee (its second branch renders) into the muxer, the
    // sound through the converters, so that a cut keeps picture and sound together.
    if (avisplitter.outputCount() == 0 || fg.connect(avisplitter.output(0), infinite.input(0)) != TResult::Ok
        || fg.connect(infinite.output(0), dvmuxer.input(0)) != TResult::Ok
        || fg.connect(infinite.output(1), nullrender.input(0)) != TResult::Ok)
        return nullptr;
    connectSoundToMuxer();
    return finishThroughSplitter(dvsplitter);
}
