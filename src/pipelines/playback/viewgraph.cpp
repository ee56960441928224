#include "pipelines/playback/viewgraph.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace {

bool IsMajor(const TPin *output, TFourcc major)
{
    return output && output->element()->outputType(output->index()).majorType == major;
}

} // namespace

Tviewdm::Tviewdm(QObject *parent)
    : QObject(parent), m_toRgb(media::Rgb24), m_color(media::Rgb24)
{
    connect(&m_graph, &TPipeline::complete, this, &Tviewdm::graphComplete, Qt::QueuedConnection);
    connect(&m_graph, &TPipeline::error, this, [](const TError &error) {
        qWarning().noquote() << "Playback:" << error.text();
    });
}

Tviewdm::~Tviewdm()
{
    m_graph.stop();
    m_graph.removeAll();
    m_source.Unload();
}

void Tviewdm::setVideoWindow(TVideoWindow *window)
{
    m_renderer.attachWindow(window);
}

TVideoWindow *Tviewdm::videoWindow() const
{
    return m_renderer.window();
}

int Tviewdm::VolumeToHundredthsOfDecibel(int linear)
{
    const int v = std::clamp(linear, 0, 10000);
    return int(std::lround(std::log(double(v) + 1.0) * 1085.73)) - 10000;
}

void Tviewdm::SetVolume(int linear)
{
    m_volume = std::clamp(linear, 0, 10000);
    const int attenuation = VolumeToHundredthsOfDecibel(m_volume);
    for (const auto &audio : m_audioRenderers)
        audio->SetVolume(attenuation);
}

void Tviewdm::setDisplayShift(TDateTime shift)
{
    m_displayShift = shift;
    TDatecodeTextSettingsStore::instance().setDisplayShift(shift);
}

double Tviewdm::frameRate() const
{
    return m_record ? m_record->facts().frameRate : 0;
}

qint64 Tviewdm::currentPosition() const
{
    return m_graph.currentPosition();
}

void Tviewdm::setRange(qint64 start, qint64 end)
{
    m_rangeStart = std::max<qint64>(0, start);
    m_rangeEnd = std::max(m_rangeStart, end);
}

QStringList Tviewdm::elementNames() const
{
    QStringList names;
    for (const TElement *e : m_graph.elements())
        names << m_graph.nameOf(e);
    return names;
}

// --- building ---

void Tviewdm::ResetPlayback()
{
    m_graph.stop();
    m_graph.removeAll();
    m_audioRenderers.clear();
    m_source.Unload();
    m_graph.setTimeFormat(TPipeline::TTimeFormat::MediaTime);
    m_graph.setPositions(0, -1);
    m_shown = m_video = m_audio = false;
}

bool Tviewdm::connectPictureToRenderer(TPin *picture)
{
    // The inlay stage gives what the renderer takes: a direct connection;
    // the colour converter goes in between only when the renderer refuses.
    if (m_graph.add(&m_renderer, QStringLiteral("Video Renderer")) != TResult::Ok || !picture)
        return false;
    if (m_graph.connect(picture, m_renderer.input(0)) == TResult::Ok)
        return true;
    m_graph.add(&m_color, QStringLiteral("color"));
    if (m_graph.connect(picture, m_color.input(0)) != TResult::Ok)
        return false;
    if (m_graph.connect(m_color.output(0), m_renderer.input(0)) == TResult::Ok)
        return true;
    // One more attempt in the other renderer mode.
    m_graph.disconnect(m_color.output(0));
    m_graph.disconnect(m_renderer.input(0));
    m_renderer.setMode(m_renderer.mode() == TVideoRendererElement::TMode::Windowed
                           ? TVideoRendererElement::TMode::Standard
                           : TVideoRendererElement::TMode::Windowed);
    return m_graph.connect(m_color.output(0), m_renderer.input(0)) == TResult::Ok;
}

bool Tviewdm::renderSound(TPin *output)
{
    if (!output || output->isConnected() || !IsMajor(output, media::Audio))
        return false;
    auto audio = std::make_unique<TAudioRendererElement>();
    if (m_graph.add(audio.get(), QStringLiteral("Default DirectSound Device %1").arg(m_audioRenderers.size()))
        != TResult::Ok)
        return false;
    if (m_graph.renderTowards(output, audio.get()) != TResult::Ok) {
        m_graph.remove(audio.get());
        return false;
    }
    audio->SetVolume(VolumeToHundredthsOfDecibel(m_volume));
    m_audioRenderers.push_back(std::move(audio));
    return true;
}

// The start of both builds: the file loaded (step 1) and read by the AVI splitter (step 4).
bool Tviewdm::openSplitter(const QString &path)
{
    ResetPlayback();
    m_buildStep = 1;
    m_graph.add(&m_source, QStringLiteral("source"));
    if (m_source.Load(path) != TResult::Ok)
        return false;

    m_buildStep = 4;
    m_graph.add(&m_aviSplitter, QStringLiteral("avisplitter"));
    if (m_graph.connect(m_source.output(0), m_aviSplitter.input(0)) != TResult::Ok || m_aviSplitter.outputCount() == 0)
        return false;
    return true;
}

bool Tviewdm::BuildDVPlayback(const QString &path)
{
    if (!openSplitter(path))
        return false;

    m_buildStep = 5;
    m_graph.add(&m_dvSplitter, QStringLiteral("dvsplitter"));
    m_graph.add(&m_sceneDetect, QStringLiteral("vScenedetect"));
    bool interleaved = false;
    for (int i = 0; i < m_aviSplitter.outputCount() && !interleaved; ++i)
        interleaved = m_graph.connect(m_aviSplitter.output(i), m_dvSplitter.input(0)) == TResult::Ok;
    if (interleaved) {
        if (m_dvSplitter.outputCount() == 0)
            return false;
        for (int i = 0; i < m_dvSplitter.outputCount(); ++i)
            if (m_graph.connect(m_dvSplitter.output(i), m_sceneDetect.input(0)) == TResult::Ok)
                break;
    } else {
        m_graph.remove(&m_dvSplitter);
        for (int i = 0; i < m_aviSplitter.outputCount(); ++i)
            if (m_graph.connect(m_aviSplitter.output(i), m_sceneDetect.input(0)) == TResult::Ok)
                break;
    }
    if (!m_sceneDetect.input(0)->isConnected())
        return false;

    m_buildStep = 2;
    m_graph.add(&m_decoder, QStringLiteral("Dvdecoder"));
    m_decoder.SetResolution(1000);
    if (m_graph.connect(m_sceneDetect.output(0), m_decoder.input(0)) != TResult::Ok)
        return false;
    // The decoder gives YUV pictures; the inlay stage keeps RGB ones for still pictures.
    m_graph.add(&m_toRgb, QStringLiteral("rgb"));
    m_graph.add(&m_superposer, QStringLiteral("superposer"));
    if (m_graph.connect(m_decoder.output(0), m_toRgb.input(0)) != TResult::Ok
        || m_graph.connect(m_toRgb.output(0), m_superposer.input(0)) != TResult::Ok)
        return false;
    m_video = connectPictureToRenderer(m_superposer.output(0));

    // Sound: the AVI splitter's other streams (type 2), else the DV splitter's sound outputs.
    if (m_aviSplitter.outputCount() >= 2) {
        for (int i = 0; i < m_aviSplitter.outputCount(); ++i)
            m_audio = renderSound(m_aviSplitter.output(i)) || m_audio;
    } else if (interleaved && m_dvSplitter.outputCount() >= 2) {
        for (int i = 0; i < m_dvSplitter.outputCount(); ++i)
            m_audio = renderSound(m_dvSplitter.output(i)) || m_audio;
    }
    return true;
}

bool Tviewdm::BuildAviPlayback(const QString &path)
{
    if (!openSplitter(path))
        return false;

    m_graph.add(&m_renderer, QStringLiteral("Video Renderer"));
    for (int i = 0; i < m_aviSplitter.outputCount(); ++i) {
        TPin *output = m_aviSplitter.output(i);
        if (IsMajor(output, media::Video) && !m_video)
            m_video = m_graph.renderTowards(output, &m_renderer) == TResult::Ok;
        else if (IsMajor(output, media::Audio))
            m_audio = renderSound(output) || m_audio;
    }
    if (!m_video) {
        m_graph.remove(&m_renderer);
        return true;
    }

    // Splice the inlay stage in before the renderer.
    m_video = false;
    TPin *last = m_renderer.input(0)->peer();
    if (!last)
        return false;
    m_graph.disconnect(last);
    m_graph.remove(&m_renderer);
    m_graph.add(&m_superposer, QStringLiteral("superposer"));
    if (m_graph.connect(last, m_superposer.input(0)) != TResult::Ok)
        return true; // no picture path: shown as a file whose video has no decoder
    m_video = connectPictureToRenderer(m_superposer.output(0));
    return true;
}

void Tviewdm::finishBuild()
{
    if (!m_video && m_record)
        m_record->forgetFrameRate();
    // The pictures tell the position; without them, the sound.
    m_graph.setPositionRenderer(m_video ? &m_renderer : nullptr);
    const bool frames = m_video && m_record && m_record->facts().frameRate > 0;
    m_graph.setTimeFormat(frames ? TPipeline::TTimeFormat::Frame : TPipeline::TTimeFormat::MediaTime);
}

Tviewdm::TOpenOutcome Tviewdm::OpenForViewing(TaviFichier *record)
{
    m_shown = false;
    if (!record)
        return {};
    m_record = record;
    m_path = record->fullPath();
    setDisplayShift(record->displayShift());

    const bool built = record->facts().dvInfoValid ? BuildDVPlayback(m_path) : BuildAviPlayback(m_path);
    finishBuild();
    m_shown = built;
    if (!built) {
        if (m_released)
            m_buildStep = 9;
        return {false, TShow::NoVideo, m_buildStep};
    }

    TOpenOutcome outcome{true, TShow::Video, 0};
    const TVideoFileTexts &texts = record->texts();
    const QString na = QStringLiteral("N/A");
    if (texts.video != na) {
        if (!m_video) {
            if (m_audio)
                outcome = {true, TShow::PausedNoVideo, 6};
            else
                outcome = {false, TShow::NoVideo, texts.audio != na ? 7 : 8};
        }
    } else {
        outcome = m_audio ? TOpenOutcome{true, TShow::PausedNoVideo, 3} : TOpenOutcome{false, TShow::NoVideo, 4};
    }
    if (!outcome.ok)
        return outcome;

    // The file is back: a later failed open is a failure of its own again.
    m_released = false;
    m_rangeStart = 0;
    m_rangeEnd = m_graph.duration();
    SeekAndShow(m_rangeStart);
    // DV frames of which not one picture decodes.
    if (m_video && record->facts().dvInfoValid && !Tdv_Superposer::stillPictureFlag().load()) {
        ResetPlayback();
        m_buildStep = 5;
        return {false, TShow::NoVideo, 5};
    }
    emit playStateChanged(false);
    return outcome;
}

// --- positions ---

qint64 Tviewdm::clampToRange(qint64 position) const
{
    qint64 p = std::max(position, m_rangeStart);
    p = std::min(p, m_rangeEnd);
    // The duration is one past the last frame: the last picture stands there.
    const qint64 duration = m_graph.duration();
    if (framesFormat() && duration > 0 && p >= duration)
        p = duration - 1;
    return std::max<qint64>(0, p);
}

qint64 Tviewdm::stopForRange() const
{
    const qint64 duration = m_graph.duration();
    if (!framesFormat())
        return m_rangeEnd > 0 ? m_rangeEnd : -1;
    // The range end is the last frame that plays.
    return duration > 0 ? std::min(m_rangeEnd + 1, duration) : -1;
}

void Tviewdm::SeekAndShow(qint64 position)
{
    if (!m_shown)
        return;
    const qint64 p = clampToRange(position);
    std::atomic<bool> &still = Tdv_Superposer::stillPictureFlag();
    still.store(false);
    if (m_graph.state() == TPipeline::TState::Running)
        m_graph.pause();
    m_graph.setPositions(p, stopForRange());
    if (m_graph.state() == TPipeline::TState::Stopped)
        m_graph.pause();

    if (m_video) {
        // Wait for the picture to pass the inlay stage, handling events
        // meanwhile; a pipeline that can no longer move brings none.
        ++m_stillDepth;
        QElapsedTimer waited;
        waited.start();
        while (!still.load() && waited.elapsed() < StillWaitMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (still.load())
                break;
            if (m_graph.state() == TPipeline::TState::Paused && m_graph.isCued() && waited.elapsed() > 50)
                break;
            QThread::msleep(2);
        }
        --m_stillDepth;
    }
    const qint64 current = currentPosition();
    if (current >= 0 && m_rangeEnd > m_rangeStart)
        emit sliderMoved(int((current - m_rangeStart) * 1000 / (m_rangeEnd - m_rangeStart)));
}

void Tviewdm::StepFrames(int n)
{
    if (!m_shown)
        return;
    m_graph.setTimeFormat(TPipeline::TTimeFormat::Frame);
    const qint64 target = clampToRange(currentPosition() + n);
    m_graph.setPositions(target, stopForRange());
}

void Tviewdm::StepTime(qint64 d100ns)
{
    if (!m_shown)
        return;
    const TPipeline::TTimeFormat remembered = m_graph.timeFormat();
    const qint64 frame = remembered == TPipeline::TTimeFormat::Frame ? std::max<qint64>(1, m_aviSplitter.frameTime()) : 1;
    const qint64 stop = stopForRange();
    const qint64 start = m_rangeStart * frame;
    qint64 end = m_rangeEnd * frame;
    if (remembered == TPipeline::TTimeFormat::Frame)
        end = (clampToRange(m_rangeEnd)) * frame;
    m_graph.setTimeFormat(TPipeline::TTimeFormat::MediaTime);
    const qint64 target = std::max(start, std::min(end, currentPosition() + d100ns));
    m_graph.setPositions(target, stop >= 0 ? stop * frame : -1);
    m_graph.setTimeFormat(remembered);
}

// --- run control ---

void Tviewdm::EnsurePaused()
{
    if (!m_shown || m_graph.state() == TPipeline::TState::Paused)
        return;
    m_graph.pause();
    emit playStateChanged(false);
}

void Tviewdm::Play()
{
    if (m_shown)
        m_graph.run();
}

void Tviewdm::Pause()
{
    if (!m_shown)
        return;
    m_graph.stop();
    m_graph.pause();
}

void Tviewdm::RefreshPicture()
{
    if (!m_shown || m_graph.state() == TPipeline::TState::Running)
        return;
    m_graph.stop();
    m_graph.pause();
}

void Tviewdm::AbortStill()
{
    Tdv_Superposer::stillPictureFlag().store(true);
}

void Tviewdm::ReleaseFile()
{
    m_released = true;
    ResetPlayback();
}

void Tviewdm::Clear()
{
    ResetPlayback();
    m_record = nullptr;
    m_path.clear();
    m_rangeStart = m_rangeEnd = 0;
}

void Tviewdm::graphComplete()
{
    // A completion that a seek or a stop overtook is stale.
    if (!m_shown || m_graph.state() != TPipeline::TState::Running)
        return;
    SeekAndShow(m_rangeStart);
    if (m_loopAtEnd) {
        m_graph.run();
        emit playStateChanged(true);
    } else {
        emit playStateChanged(false);
    }
}

#include "moc_viewgraph.cpp"
