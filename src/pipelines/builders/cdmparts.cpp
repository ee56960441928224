#include "pipelines/builders/cdmparts.h"

#include <QDir>

TCdmParts::TCdmParts()
{
    // The content stage numbers each picture by the frame the stamper saw it
    // decoded from (a decoder that reorders gives them back later).
    sceneDetectContenu.setFrameIndexSource([this](const TMediaSample &picture) { return qint64(mediaStamper.frameIndexOf(picture)); });
    // Nothing shows the conversions' pictures: the inlay draws straight into them.
    superposer.SetKeepPicture(false);
    // The writer takes the frames in runs rather than one thread switch each.
    writeQueue.setWakeBatch(8);
}

TCdmParts::~TCdmParts()
{
    reset();
}

void TCdmParts::reset()
{
    fg.stop();
    fg.removeAll();
    converters.clear();
    fg.setPositions(0);
    sceneDetect.clearCallbacks();
    sceneDetectContenu.clearCallbacks();
    dvHeader.resetSettings();
    frameRate.SetFrameDuration(0, 0);
    acm1.ResetFormat();
    acm2.ResetFormat();
    dvmuxer.SetSilenceRate(0);
    avimux.ClearTextProperties();
    lastLinkFailure.clear();
}

void TCdmParts::add(std::initializer_list<TElement *> elements)
{
    for (TElement *e : elements)
        fg.add(e);
}

void TCdmParts::addStage(TElement &stage, QStringView name)
{
    fg.add(&stage, name.toString());
}

TColorConverterElement *TCdmParts::converter(TFourcc subtype, int width, int height)
{
    converters.push_back(std::make_unique<TColorConverterElement>(subtype, width, height));
    TColorConverterElement *c = converters.back().get();
    fg.add(c);
    return c;
}

bool TCdmParts::linked(TResult result, TPin *output, TPin *input)
{
    if (result == TResult::Ok)
        return true;
    const auto nameOf = [this](TPin *pin) { return pin ? fg.nameOf(pin->element()) : QStringLiteral("nothing"); };
    lastLinkFailure = QStringLiteral("%1 does not connect to %2: %3")
                          .arg(nameOf(output), nameOf(input), QString::fromLatin1(ResultText(result)));
    return false;
}

bool TCdmParts::link(TPin *output, TPin *input)
{
    return linked(fg.connect(output, input), output, input);
}

bool TCdmParts::linkThrough(TPin *output, TPin *input)
{
    return linked(fg.connectThrough(output, input), output, input);
}

TError TCdmParts::failure(const QString &what) const
{
    return lastLinkFailure.isEmpty() ? TError(what) : TError(lastLinkFailure).because(what);
}

TError TCdmParts::loadSource(const QString &sourcePath)
{
    reset();
    add({&source, &avisplitter});
    const QString shown = QDir::toNativeSeparators(sourcePath);
    if (source.Load(sourcePath) != TResult::Ok)
        return TError(QStringLiteral("cannot open %1: %2").arg(shown, source.errorString()));
    if (fg.connect(source.output(0), avisplitter.input(0)) != TResult::Ok)
        return TError(QStringLiteral("%1 is not an AVI file").arg(shown));
    if (avisplitter.outputCount() == 0)
        return TError(QStringLiteral("%1 has no stream that can be read").arg(shown));
    return {};
}

TError TCdmParts::openEnds(const TPipelineSpec &spec)
{
    if (TError error = loadSource(spec.source))
        return error;
    if (spec.destination.isEmpty())
        return TError(QStringLiteral("no file to write is given"));
    add({&destination});
    destination.SetFileName(spec.destination);
    destination.SetOverwrite(true);
    return {};
}

TPin *TCdmParts::connectFirstStream(TPin *input, bool direct)
{
    for (int i = 0; i < avisplitter.outputCount(); ++i) {
        TPin *out = avisplitter.output(i);
        if (!out->isConnected() && (direct ? fg.connect(out, input) : fg.connectThrough(out, input)) == TResult::Ok)
            return out;
    }
    return nullptr;
}

TPin *TCdmParts::nextFreeInput(TElement &element)
{
    TPin *last = element.input(element.inputCount() - 1);
    return last && !last->isConnected() ? last : nullptr;
}

bool TCdmParts::connectToMux(TPin *from)
{
    if (!writeQueue.pipeline())
        add({&writeQueue});
    TPin *lane = nullptr;
    for (int k = 0; k < writeQueue.inputCount() && !lane; ++k)
        if (!writeQueue.input(k)->isConnected())
            lane = writeQueue.input(k);
    TPin *in = nextFreeInput(avimux);
    if (!lane || !in) {
        lastLinkFailure = QStringLiteral("the AVI mux takes no further stream");
        return false;
    }
    if (!link(from, lane))
        return false;
    if (!link(writeQueue.output(lane->index()), in)) {
        fg.disconnect(from);
        return false;
    }
    return true;
}

TBuildResult TCdmParts::finishWriter(TError partial)
{
    if (!link(avimux.output(0), destination.input(0)))
        return failure(QStringLiteral("the AVI mux does not reach the file writer"));
    return TBuildResult(fg, std::move(partial));
}

TBuildResult TCdmParts::finishThroughSplitter(TDvSplitterElement &splitter)
{
    // The muxer's frames split again into DV video and PCM streams: a type 2 file.
    if (!link(dvmuxer.output(0), splitter.input(0)))
        return failure(QStringLiteral("the DV muxer does not reach the DV splitter"));
    for (int i = 0; i < splitter.outputCount(); ++i)
        if (!connectToMux(splitter.output(i)) && i == 0)
            return failure(QStringLiteral("the DV video does not reach the AVI mux"));
    return finishWriter();
}

TBuildResult TCdmParts::finishInterleaved()
{
    if (!connectToMux(dvmuxer.output(0)))
        return failure(QStringLiteral("the DV muxer does not reach the AVI mux"));
    return finishWriter();
}

void TCdmParts::connectSoundToMuxer()
{
    if (connectFirstStream(acm1.input(0)))
        fg.connect(acm1.output(0), dvmuxer.input(1));
    if (connectFirstStream(acm2.input(0)))
        fg.connect(acm2.output(0), dvmuxer.input(2));
}

void TCdmParts::applyHeader(const TFrameHeaderSpec &header)
{
    dvHeader.restoreHeads = header.restoreHeads;
    dvHeader.setTimeShift(header.timeShift);
    dvHeader.setAspect = header.aspect16x9.has_value();
    dvHeader.aspect16x9 = header.aspect16x9.value_or(false);
    dvHeader.overwrite = header.overwriteDatecode.has_value();
    if (header.overwriteDatecode)
        dvHeader.setRunningDatecode(*header.overwriteDatecode);
}

void TCdmParts::applyTextProperties(const TPipelineSpec &spec)
{
    for (const TTextProperty &property : spec.textProperties)
        avimux.SetTextProperty(property.name, property.text);
}

void TCdmParts::setAudioRates(int rate)
{
    if (rate <= 0)
        return;
    setAudioRate(acm1, rate);
    setAudioRate(acm2, rate);
}

void TCdmParts::setAudioRate(TAudioConverterElement &converter, int rate)
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
