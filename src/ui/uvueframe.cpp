#include "ui/uvueframe.h"

#include "avi/records/avifichier.h"
#include "framework/widgets/linkedit.h"
#include "pipelines/playback/viewgraph.h"
#include "pipelines/renderers/videorenderer.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 25;
constexpr int kTickMs = 40;
constexpr int kSliderMax = 1000;

// The hatched square at the picture's bottom-right corner.
class TCornerSquare final : public QWidget
{
public:
    explicit TCornerSquare(QWidget *parent) : QWidget(parent) { setFixedSize(12, 12); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QBrush(Qt::white, Qt::DiagCrossPattern));
        painter.setPen(Qt::gray);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

QString Hms(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString TwoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

QRect FitPicture(const QRect &area, int width, int height)
{
    const int W = area.width(), H = area.height();
    if (width <= 0 || height <= 0 || W <= 0 || H <= 0)
        return area;
    int w = W, h = H;
    const qint64 lhs = qint64(height) * W, rhs = qint64(H) * width;
    if (lhs < rhs) // the picture is wider than the area
        h = int(qint64(height) * W / width);
    else if (lhs > rhs)
        w = int(qint64(H) * width / height);
    return QRect(area.left() + (W - w) / 2, area.top() + (H - h) / 2, w, h);
}

int TimeStampFontSize(int viewWidth)
{
    return viewWidth <= 500 ? 10 : viewWidth / 48;
}

QString TimeStampText(qint64 position, double frameRate)
{
    const qint64 p = std::max<qint64>(0, position);
    if (frameRate > 0) {
        const qint64 s = qint64(std::trunc(double(p) / frameRate));
        const int f = int(double(p) - double(s) * frameRate);
        return Hms(s) + QLatin1Char(':') + TwoDigits(std::max(0, f));
    }
    const qint64 s = p / 10000000;
    const qint64 ms = (p % 10000000) / 10000;
    return Hms(s) + QStringLiteral(":%1").arg(ms, 3, 10, QLatin1Char('0'));
}

TVueTexts MakeVueTexts(const TSceneDetectSnapshot &snapshot, const TaviFichier *record, const TVuePosition &position,
                       const QString &datecodeFormat)
{
    TVueTexts t;
    const TFrameInfo &frame = snapshot.current;
    const QString na = QStringLiteral("N/A");
    if (!snapshot.framePassed) {
        t.datecode = t.timecode = QStringLiteral("-");
    } else {
        if (record && record->facts().dvType == TDvType::Type1) {
            const int mode = frame.channels;
            QString channel;
            switch (mode) {
            case 1: channel = QStringLiteral(" mono"); break;
            case 2: channel = QStringLiteral(" stereo"); break;
            case 3: channel = QStringLiteral(" 3  channels"); break;
            case 4: channel = QStringLiteral(" stereo(2x)"); break;
            default: break;
            }
            t.audio1 = mode == 0 ? na
                                 : QStringLiteral("%1Hz %2Bits").arg(frame.sampleRate).arg(frame.sampleBits) + channel;
            const qint64 bytes = qint64(frame.sampleRate) * mode * frame.sampleBits / 8;
            if (bytes >= 8)
                t.audio2 = QStringLiteral("PCM %1 bytes/s").arg(bytes);
        }
        if (frame.datecodePresent && frame.datecode != 0) {
            const QString text = FormatDateTime(datecodeFormat, frame.datecode + position.displayShift);
            t.datecode = text.isEmpty() ? na : text;
        } else {
            t.datecode = na;
        }
        t.timecode = frame.timecodePresent ? QStringLiteral("%1.%2.%3.%4")
                                                 .arg(TwoDigits(frame.timecode.hours), TwoDigits(frame.timecode.minutes),
                                                      TwoDigits(frame.timecode.seconds), TwoDigits(frame.timecode.frames))
                                           : na;
    }
    if (record) {
        const bool wide = snapshot.framePassed ? frame.is16x9 : record->facts().is16x9();
        t.picture = record->texts().video + (wide ? QStringLiteral(" 16x9)") : QStringLiteral(" 4x3)"));
    }
    if (position.running && position.position >= 0 && position.stop > position.start)
        t.sliderPosition = int((position.position - position.start) * kSliderMax / (position.stop - position.start));
    t.timeStamp = TimeStampText(position.position, position.frameRate);
    return t;
}

QString VueMessage(int kind, const QString &path, const QString &codec)
{
    const QString head = QStringLiteral("<br><br><br><b><i><SIZE 14>Video not available</size></i></b><br><br>");
    const QString file = QStringLiteral("The file<br><br><b><color blue>") + path + QStringLiteral("</color></b>");
    const QString noFilter =
        QStringLiteral("There is no directshow filter on your system that can decompress the<br><B><COLOR BLUE>codec ")
        + codec;
    switch (kind) {
    case 1: return head + file + QStringLiteral("<br>is not found.");
    case 2:
        return head + file + QStringLiteral("<br><br>seems to have a non standard DV codec.<br>")
               + QStringLiteral("To show the video, try to change the codec \"%1\" to \"dvsd\".").arg(codec);
    case 3: return head + file + QStringLiteral("<br><br>has only audio streams");
    case 4: return head + file + QStringLiteral("<br><br>seems not to be a correct AVI file.");
    case 5: return head + file + QStringLiteral("<br><br>seems not to be a correct DV file.");
    case 6: return head + noFilter + QStringLiteral("</COLOR></B><br><br><i>You can play the Audio</i>");
    case 7: return head + noFilter + QStringLiteral("</COLOR></B><br><br><i>Unknown audio</i>");
    case 8: return head + noFilter + QStringLiteral("</COLOR></B><br><br><i>No Audio</i>");
    case 9:
        return head + QStringLiteral("Temporary break of the video<br>to execute a command<br><br><b><color blue>") + path
               + QStringLiteral("</color></b>");
    default: return {};
    }
}

// --- the view ---

TVueFrame::TVueFrame(Tviewdm &playback, QWidget *parent)
    : QWidget(parent), m_playback(playback),
      m_datecodeFormat(settings::DefaultString(u"FormatAfficherDatecode"))
{
    setFocusPolicy(Qt::StrongFocus);
    m_panel = new QWidget(this);
    m_panel->setAutoFillBackground(true);
    QPalette black = m_panel->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_panel->setPalette(black);

    m_vw = new TVideoWindow(this);
    m_vw->installEventFilter(this);
    m_vw->setMouseTracking(false);

    m_tb = new QSlider(Qt::Horizontal, this);
    m_tb->setRange(0, kSliderMax);
    m_tb->setToolTip(QStringLiteral("Trackbar to navigate through the video.\nOne may also use the arrow keys from the "
                                    "keyboard\nas well as F8 and F9 to change the scene."));
    m_tb->installEventFilter(this);
    connect(m_tb, &QSlider::sliderPressed, this, [this] {
        m_sliderHeld = true;
        stopTimer40();
    });
    connect(m_tb, &QSlider::sliderReleased, this, &TVueFrame::sliderReleased);
    connect(m_tb, &QSlider::actionTriggered, this, [this](int action) {
        // Clicks on the groove and keys move the slider without a press.
        if (action != QAbstractSlider::SliderMove && !m_sliderHeld)
            QTimer::singleShot(0, this, &TVueFrame::sliderReleased);
    });

    m_labTimeStamp = new QLabel(this);
    m_labTimeStamp->setAlignment(Qt::AlignCenter);
    QPalette navy = m_labTimeStamp->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    m_labTimeStamp->setPalette(navy);

    m_rxVue = new TLinkEdit(this);
    m_rxVue->setTextAlignment(Qt::AlignHCenter);
    m_rxVue->setFrameShape(QFrame::NoFrame);
    m_rxVue->hide();

    m_shape = new TCornerSquare(this);
    m_shape->setToolTip(
        QStringLiteral("Click on this corner to display or hide\nthe sliders for setting the position of inlay."));
    m_shape->installEventFilter(this);
    m_shape->hide();

    m_incrustHorz = new QSlider(Qt::Horizontal, this);
    m_incrustVert = new QSlider(Qt::Vertical, this);
    for (QSlider *s : {m_incrustHorz, m_incrustVert}) {
        s->setRange(0, kSliderMax);
        s->setPageStep(100);
        s->setSingleStep(100);
        s->hide();
        connect(s, &QSlider::sliderPressed, this, &TVueFrame::inlaySliderPressed);
        connect(s, &QSlider::sliderReleased, this, &TVueFrame::inlaySliderReleased);
    }
    connect(m_incrustHorz, &QSlider::valueChanged, this, [this](int v) {
        if (m_inlayX == v)
            return;
        m_inlayX = v;
        emit inlayPositionChosen(m_inlayX, m_inlayY);
    });
    connect(m_incrustVert, &QSlider::valueChanged, this, [this](int v) {
        if (m_inlayY == kSliderMax - v)
            return;
        m_inlayY = kSliderMax - v;
        emit inlayPositionChosen(m_inlayX, m_inlayY);
    });

    m_timer1 = new QTimer(this);
    m_timer1->setInterval(kTickMs);
    connect(m_timer1, &QTimer::timeout, this, &TVueFrame::Tick);
    connect(&m_playback, &Tviewdm::sliderMoved, this, [this](int value) {
        if (!m_sliderHeld) {
            const QSignalBlocker block(m_tb);
            m_tb->setValue(value);
        }
    });

    m_playback.setVideoWindow(m_vw);
    ShowNoFile();
}

TVueFrame::~TVueFrame()
{
    if (m_playback.videoWindow() == m_vw)
        m_playback.setVideoWindow(nullptr);
}

TVideoWindow *TVueFrame::videoWindow() const
{
    return m_vw;
}

bool TVueFrame::timerActive() const
{
    return m_timer1->isActive();
}

void TVueFrame::startTimer40()
{
    m_timer1->start();
}

void TVueFrame::stopTimer40()
{
    m_timer1->stop();
}

int TVueFrame::timeStampFontSize() const
{
    return m_labTimeStamp->font().pointSize();
}

QString TVueFrame::messageMarkup() const
{
    return m_rxVue->richText();
}

bool TVueFrame::messageVisible() const
{
    return !m_rxVue->isHidden();
}

bool TVueFrame::sliderVisible() const
{
    return !m_tb->isHidden();
}

void TVueFrame::setDatecodeFormat(const QString &format)
{
    m_datecodeFormat = format;
}

QSize TVueFrame::pictureSize() const
{
    if (!m_record)
        return {};
    const TVideoFileFacts &f = m_record->facts();
    if (f.width <= 0 || f.height <= 0)
        return {};
    if (!f.dvInfoValid)
        return {f.width, f.height};
    // DV pictures are shown at their display aspect, from the latest frame once one passed.
    const TSceneDetectSnapshot s = m_playback.sceneDetect().snapshot();
    const bool wide = s.framePassed ? s.current.is16x9 : f.is16x9();
    return {wide ? f.height * 16 / 9 : f.height * 4 / 3, f.height};
}

QImage TVueFrame::currentPicture() const
{
    const QImage picture = m_playback.currentPicture();
    const QSize shown = pictureSize();
    if (picture.isNull() || !shown.isValid() || shown == picture.size())
        return picture;
    return picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// --- states ---

void TVueFrame::ShowFile(TaviFichier *record)
{
    m_record = record;
    if (!record) {
        ShowNoFile();
        return;
    }
    m_playback.setVideoWindow(m_vw);
    const Tviewdm::TOpenOutcome outcome = m_playback.OpenForViewing(record);
    switch (outcome.show) {
    case Tviewdm::TShow::Video: ShowVideo(); break;
    case Tviewdm::TShow::PausedNoVideo: ShowPausedNoVideo(outcome.kind); break;
    case Tviewdm::TShow::NoVideo: ShowNoVideo(outcome.kind); break;
    }
    Tick();
}

void TVueFrame::ShowNoFile()
{
    m_record = nullptr;
    m_videoShown = false;
    m_rxVue->setRichText({});
    for (QWidget *w : std::initializer_list<QWidget *>{m_vw, m_tb, m_labTimeStamp, m_shape, m_rxVue, m_incrustHorz,
                                                       m_incrustVert})
        w->hide();
    m_panel->show();
    stopTimer40();
    Layout();
}

void TVueFrame::showMessage(int kind)
{
    const QString path = m_record ? m_record->fullPath() : QString();
    const QString codec = m_record ? m_record->texts().codec : QString();
    const QString shownPath = kind == 9 ? QFileInfo(path).fileName() : path;
    QString markup = VueMessage(kind, shownPath, codec);
    if (markup.isEmpty())
        markup = QStringLiteral("Please tell Orin Brontel that occured the failure: Error in AfficherCode");
    m_rxVue->setRichText(markup);
    m_rxVue->show();
    m_rxVue->raise();
}

void TVueFrame::ShowNoVideo(int kind)
{
    m_videoShown = false;
    showMessage(kind);
    for (QWidget *w : std::initializer_list<QWidget *>{m_vw, m_tb, m_labTimeStamp, m_shape, m_incrustHorz,
                                                       m_incrustVert})
        w->hide();
    m_panel->show();
    Layout();
}

void TVueFrame::ShowPausedNoVideo(int kind)
{
    m_videoShown = false;
    showMessage(kind);
    m_vw->hide();
    m_shape->hide();
    m_incrustHorz->hide();
    m_incrustVert->hide();
    m_tb->show();
    m_labTimeStamp->show();
    Layout();
}

void TVueFrame::ShowVideo()
{
    m_videoShown = true;
    m_rxVue->hide();
    m_vw->show();
    m_shape->show();
    m_shape->raise();
    m_tb->show();
    m_labTimeStamp->show();
    m_incrustHorz->setVisible(m_inlayEditing);
    m_incrustVert->setVisible(m_inlayEditing);
    Layout();
    startTimer40();
}

void TVueFrame::setInlayEditing(bool on)
{
    m_inlayEditing = on;
    m_incrustHorz->setVisible(on && m_videoShown);
    m_incrustVert->setVisible(on && m_videoShown);
    if (on) {
        m_incrustHorz->raise();
        m_incrustVert->raise();
    }
}

void TVueFrame::setInlayPosition(int x, int y)
{
    m_inlayX = std::clamp(x, 0, kSliderMax);
    m_inlayY = std::clamp(y, 0, kSliderMax);
    const QSignalBlocker h(m_incrustHorz), v(m_incrustVert);
    m_incrustHorz->setValue(m_inlayX);
    m_incrustVert->setValue(kSliderMax - m_inlayY);
}

void TVueFrame::setFullScreen(bool on)
{
    if (m_fullScreen == on)
        return;
    m_fullScreen = on;
    if (on) {
        // The video window leaves the view and covers the screen.
        m_vw->setParent(nullptr);
        m_vw->setWindowFlag(Qt::FramelessWindowHint, true);
        if (QScreen *screen = QGuiApplication::primaryScreen())
            m_vw->setGeometry(screen->geometry());
        m_vw->setFullScreen(true);
    } else {
        m_vw->setFullScreen(false);
        m_vw->setParent(this);
        m_vw->setWindowFlag(Qt::FramelessWindowHint, false);
        m_vw->setVisible(m_videoShown);
    }
    Layout();
}

// --- layout ---

void TVueFrame::resizeEvent(QResizeEvent *)
{
    Layout();
}

void TVueFrame::Layout()
{
    QFont stampFont(QStringLiteral("Times New Roman"));
    stampFont.setPointSize(TimeStampFontSize(width()));
    m_labTimeStamp->setFont(stampFont);
    const int stampHeight = QFontMetrics(stampFont).height() + 4;

    const int bottom = std::max(kMargin, stampHeight + 4);
    const QRect available(kMargin, kMargin, std::max(0, width() - 2 * kMargin), std::max(0, height() - kMargin - bottom));

    QSize picture = pictureSize();
    if (!picture.isValid() || picture.isEmpty())
        picture = m_rxVue->size().isEmpty() ? available.size() : m_rxVue->size();

    if (m_fullScreen) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QRect whole = screen ? QRect(QPoint(0, 0), screen->geometry().size()) : m_vw->rect();
        m_vw->setVideoRect(FitPicture(whole, picture.width(), picture.height()));
        m_pictureRect = FitPicture(available, picture.width(), picture.height());
    } else {
        m_pictureRect = FitPicture(available, picture.width(), picture.height());
        m_vw->setGeometry(m_pictureRect);
        m_vw->setVideoRect({});
    }
    const QRect &r = m_pictureRect;
    m_panel->setGeometry(r);

    const QSize message(std::min(available.width(), 460), std::min(available.height(), 300));
    m_rxVue->setGeometry(QRect(available.left() + (available.width() - message.width()) / 2,
                               available.top() + (available.height() - message.height()) / 2, message.width(),
                               message.height()));

    m_labTimeStamp->setGeometry(0, r.bottom() + 1 + 4, width(), stampHeight);
    const int sliderHeight = m_tb->sizeHint().height();
    m_tb->setGeometry(r.left() - 8, r.top() - 30, r.width() + 16, std::min(sliderHeight, 26));
    const int hHeight = m_incrustHorz->sizeHint().height();
    m_incrustHorz->setGeometry(r.left() - 8, r.bottom() + 1 - 4 - hHeight, r.width() + 16, hHeight);
    const int vWidth = m_incrustVert->sizeHint().width();
    m_incrustVert->setGeometry(r.right() + 1 - 4 - vWidth, r.top() - 8, vWidth, r.height() + 16);
    m_shape->move(r.right() + 1 - 4 - m_shape->width(), r.bottom() + 1 - 4 - m_shape->height());
    m_shape->raise();
    if (m_inlayEditing) {
        m_incrustHorz->raise();
        m_incrustVert->raise();
    }
}

// --- tick and navigation ---

void TVueFrame::Tick()
{
    if (!m_record)
        return;
    TVuePosition position;
    position.running = m_playback.shown() && !m_sliderHeld;
    position.position = m_playback.currentPosition();
    position.start = m_playback.rangeStart();
    position.stop = m_playback.rangeEnd();
    position.frameRate = m_playback.framesFormat() ? m_playback.frameRate() : 0;
    position.displayShift = m_playback.displayShift();
    const TVueTexts texts = MakeVueTexts(m_playback.sceneDetect().snapshot(), m_record, position, m_datecodeFormat);
    if (texts.sliderPosition >= 0 && !m_sliderHeld) {
        const QSignalBlocker block(m_tb);
        m_tb->setValue(texts.sliderPosition);
    }
    m_labTimeStamp->setText(texts.timeStamp);
    emit textsReady(texts);
}

void TVueFrame::step(qint64 frames, qint64 units)
{
    if (m_playback.framesFormat() && m_playback.frameRate() > 0)
        m_playback.StepFrames(int(frames));
    else
        m_playback.StepTime(units);
    Tick();
}

void TVueFrame::StepFrame(int direction)
{
    step(direction, qint64(direction) * 400000);
}

void TVueFrame::StepSecond(int direction)
{
    step(qint64(direction) * std::llround(m_playback.frameRate()), qint64(direction) * 10000000);
}

void TVueFrame::StepMinute(int direction)
{
    step(qint64(direction) * std::llround(m_playback.frameRate() * 60), qint64(direction) * 600000000);
}

void TVueFrame::GoToStart()
{
    m_playback.SeekAndShow(m_playback.rangeStart());
    Tick();
}

void TVueFrame::GoToEnd()
{
    m_playback.SeekAndShow(m_playback.rangeEnd());
    Tick();
}

void TVueFrame::sliderReleased()
{
    m_sliderHeld = false;
    const qint64 start = m_playback.rangeStart(), stop = m_playback.rangeEnd();
    m_playback.SeekAndShow(start + qint64(m_tb->value()) * (stop - start) / kSliderMax);
    startTimer40();
    Tick();
}

// --- mouse ---

void TVueFrame::pictureMouse(const QPoint &pos, bool press)
{
    const QSize size = m_vw->size();
    if (size.width() <= 0 || size.height() <= 0)
        return;
    if (press) {
        m_heldState = int(m_playback.state());
        m_pictureHeld = true;
        m_playback.Play();
    }
    const int x = std::clamp(int(qint64(pos.x()) * kSliderMax / size.width()), 0, kSliderMax);
    const int y = std::clamp(int(qint64(pos.y()) * kSliderMax / size.height()), 0, kSliderMax);
    setInlayPosition(x, y);
    emit inlayPositionChosen(x, y);
}

void TVueFrame::inlaySliderPressed()
{
    m_inlayRunning = m_playback.state() != TPipeline::TState::Running;
    if (m_inlayRunning) {
        m_restoreVolume = m_playback.volume();
        m_playback.SetVolume(0);
        m_playback.Play();
    }
}

void TVueFrame::inlaySliderReleased()
{
    if (m_inlayRunning) {
        m_inlayRunning = false;
        m_playback.SetVolume(m_restoreVolume);
        m_playback.Pause();
    }
}

bool TVueFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_shape && event->type() == QEvent::MouseButtonPress) {
        emit cornerClicked();
        return true;
    }
    if (watched == m_tb && event->type() == QEvent::Enter)
        setFocus();
    if (watched == m_vw && m_inlayEditing) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            pictureMouse(static_cast<QMouseEvent *>(event)->position().toPoint(), true);
            return true;
        case QEvent::MouseMove:
            if (m_pictureHeld)
                pictureMouse(static_cast<QMouseEvent *>(event)->position().toPoint(), false);
            return true;
        case QEvent::MouseButtonRelease:
            if (m_pictureHeld) {
                m_pictureHeld = false;
                if (TPipeline::TState(m_heldState) != TPipeline::TState::Running)
                    m_playback.Pause();
            }
            return true;
        default: break;
        }
    }
    if (watched == m_vw && event->type() == QEvent::ContextMenu) {
        emit contextMenuWanted(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TVueFrame::contextMenuEvent(QContextMenuEvent *event)
{
    emit contextMenuWanted(event->globalPos());
}

#include "moc_uvueframe.cpp"
