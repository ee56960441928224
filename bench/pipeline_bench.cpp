// Pipelines timed by bench/run, each built from the program's own elements:
//   type2-to-type1 IN OUT      rewrites a DV type 2 file as type 1 (the program's
//                              own chain, no decoding)
//   reencode-pal-ntsc IN OUT   decodes every picture of a PAL type 2 file, scales
//                              it to 720x480 and encodes it as NTSC DV, with its audio

#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/colorconverterelement.h"
#include "pipelines/builders/convertirdvunit.h"
#include "pipelines/dvdecoderelement.h"
#include "pipelines/dvencoderelement.h"
#include "pipelines/dvmuxer.h"
#include "pipelines/pipeline.h"
#include "pipelines/queueelement.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

int Fail(const char *what)
{
    std::fprintf(stderr, "pipeline_bench: %s\n", what);
    return 1;
}

// Runs the pipeline to its end; the first error an element reported.
TError RunToEnd(TPipeline &pipeline)
{
    pipeline.setUseClock(false);
    TError first;
    QEventLoop loop;
    QObject::connect(&pipeline, &TPipeline::complete, &loop, &QEventLoop::quit);
    QObject::connect(&pipeline, &TPipeline::error, &pipeline, [&first](const TError &error) {
        if (!first)
            first = error;
    }, Qt::DirectConnection);
    pipeline.run();
    loop.exec();
    pipeline.stop();
    return first;
}

int Type2ToType1(const QString &in, const QString &out)
{
    TCdm cdm;
    const TBuildResult built = cdm.build(TPipelineSpec::make(TPipelineKind::ToType1, in, out));
    if (!built)
        return Fail(qPrintable(built.error().text()));
    const TError error = RunToEnd(*built.pipeline());
    return error ? Fail(qPrintable(error.text())) : 0;
}

int ReencodePalToNtsc(const QString &in, const QString &out)
{
    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TDvVideoDecoderElement decoder;
    TQueueElement queue;
    TColorConverterElement scaler(media::Y41B, 720, 480);
    TDvVideoEncoderElement encoder;
    TDvMuxerElement dvmux;
    TAviMux mux;
    TFileWriterElement writer;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &decoder, &queue, &scaler, &encoder, &dvmux,
                                                         &mux, &writer})
        pipeline.add(e);
    encoder.SetFormat(TDvVideoEncoderElement::FormatNtsc);
    writer.SetFileName(out);
    if (source.Load(in) != TResult::Ok)
        return Fail("cannot open the input");
    if (pipeline.connect(source.output(0), splitter.input(0)) != TResult::Ok || splitter.outputCount() < 2
        || pipeline.connect(splitter.output(0), decoder.input(0)) != TResult::Ok
        || pipeline.connect(decoder.output(0), scaler.input(0)) != TResult::Ok
        || pipeline.connect(scaler.output(0), queue.input(0)) != TResult::Ok
        || pipeline.connect(queue.output(0), encoder.input(0)) != TResult::Ok
        || pipeline.connect(encoder.output(0), dvmux.input(0)) != TResult::Ok
        || pipeline.connect(splitter.output(1), dvmux.input(1)) != TResult::Ok
        || pipeline.connect(dvmux.output(0), mux.input(0)) != TResult::Ok
        || pipeline.connect(mux.output(0), writer.input(0)) != TResult::Ok)
        return Fail("the input is not a PAL DV type 2 file");
    const TError error = RunToEnd(pipeline);
    return error ? Fail(qPrintable(error.text())) : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("type2-to-type1"))
        return Type2ToType1(args[1], args[2]);
    if (args.size() == 3 && args[0] == QLatin1String("reencode-pal-ntsc"))
        return ReencodePalToNtsc(args[1], args[2]);
    std::fprintf(stderr, "usage: pipeline_bench type2-to-type1|reencode-pal-ntsc IN OUT\n");
    return 2;
}
