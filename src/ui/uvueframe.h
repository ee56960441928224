#pragma once

// TVueFrame: the video view. It shows the active file's picture as the
// playback pipeline renders it, with the position slider above it and the
// time stamp under it, or a message in its place when the file cannot be
// shown. Every 40 ms it reads the playback scene-detect stage's snapshot and
// hands the texts of the latest frame to the main window (textsReady). It
// carries the navigation steps, the corner square and the two inlay sliders,
// the picture clicks that place the inlay, and full screen.
//
// Threads: user-interface thread only. The tick copies the stage's snapshot
// in one piece and makes the texts from the copy.

#include "stages/dv_scenedetect.h"

#include <QImage>
#include <QMetaType>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

class QLabel;
class QSlider;
class QTimer;
class TaviFichier;
class TLinkEdit;
class TVideoWindow;
class Tviewdm;

// The seven texts of a tick. sliderPosition -1: the slider is left where it is.
struct TVueTexts
{
    QString datecode, timecode;
    int sliderPosition = -1;
    QString timeStamp, audio1, audio2, picture;
};
Q_DECLARE_METATYPE(TVueTexts)

// What the texts of a tick are made from, besides the stage's snapshot.
struct TVuePosition
{
    bool running = false;  // the pipeline plays or stands paused on a file
    qint64 position = -1;  // current (frames or 100 ns); < 0: unknown
    qint64 start = 0, stop = 0;
    double frameRate = 0;  // > 0: positions are frames
    TDateTime displayShift = 0; // added to the datecode shown (days)
};

// A picture of width x height fitted into area, centred (integer divisions).
QRect FitPicture(const QRect &area, int width, int height);
// The time stamp's font size for a view of this width.
int TimeStampFontSize(int viewWidth);
// "%d:%.2d:%.2d:%.2d" of frames at rate r; "%d:%.2d:%.2d:%.3d" of 100 ns units without a rate.
QString TimeStampText(qint64 position, double frameRate);
// The texts of one tick. record may be null (no picture or audio facts).
TVueTexts MakeVueTexts(const TSceneDetectSnapshot &snapshot, const TaviFichier *record, const TVuePosition &position,
                       const QString &datecodeFormat);
// The message of kind 1..9 for a file (its path as it is) and video codec code;
// an empty text for another kind.
QString VueMessage(int kind, const QString &path, const QString &codec);

class TVueFrame : public QWidget
{
    Q_OBJECT
public:
    explicit TVueFrame(Tviewdm &playback, QWidget *parent = nullptr);
    ~TVueFrame() override;

    // The active file: opens it and shows the outcome.
    void ShowFile(TaviFichier *record);
    // No active file: detached, nothing shown.
    void ShowNoFile();
    void ShowNoVideo(int kind);
    void ShowPausedNoVideo(int kind);
    void ShowVideo();
    // Navigation (direction +1 or -1), then an immediate tick.
    void StepFrame(int direction);
    void StepSecond(int direction);
    void StepMinute(int direction);
    void GoToStart();
    void GoToEnd();
    void Tick();
    // "Abort all" stops the timer; the slider starts it again.
    void startTimer40();
    void stopTimer40();
    bool timerActive() const;
    void setFullScreen(bool on);
    bool fullScreen() const { return m_fullScreen; }
    // The two inlay sliders.
    void setInlayEditing(bool on);
    bool inlayEditing() const { return m_inlayEditing; }
    // Thousandths; moves the sliders (the vertical one shows 1000 - y).
    void setInlayPosition(int x, int y);
    // FormatAfficherDatecode.
    void setDatecodeFormat(const QString &format);
    // As the inlay stage last composed it, at the display aspect.
    QImage currentPicture() const;
    TVideoWindow *videoWindow() const;

    // What the layout placed (for the window and its tests).
    QRect pictureRect() const { return m_pictureRect; }
    QSize pictureSize() const;
    int timeStampFontSize() const;
    QString messageMarkup() const;
    bool messageVisible() const;
    bool sliderVisible() const;
    QSlider *positionSlider() const { return m_tb; }
    QSlider *inlaySliderX() const { return m_incrustHorz; }
    QSlider *inlaySliderY() const { return m_incrustVert; }
    QWidget *cornerSquare() const { return m_shape; }
    QLabel *timeStampLabel() const { return m_labTimeStamp; }

signals:
    // Every tick: the main window sets its labels.
    void textsReady(const TVueTexts &texts);
    // The corner square: toggle "Edit the inlay".
    void cornerClicked();
    // Thousandths: the main window sets IncrustX / IncrustY.
    void inlayPositionChosen(int x, int y);
    // The view's context menu (pmWindow).
    void contextMenuWanted(const QPoint &globalPos);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void Layout();
    void showMessage(int kind);
    void step(qint64 frames, qint64 units);
    void sliderReleased();
    void pictureMouse(const QPoint &pos, bool press);
    void inlaySliderPressed();
    void inlaySliderReleased();

    Tviewdm &m_playback;
    TaviFichier *m_record = nullptr;
    QString m_datecodeFormat;
    TVideoWindow *m_vw;
    QWidget *m_panel;
    QSlider *m_tb;
    QLabel *m_labTimeStamp;
    TLinkEdit *m_rxVue;
    QWidget *m_shape;
    QSlider *m_incrustHorz;
    QSlider *m_incrustVert;
    QTimer *m_timer1;
    QRect m_pictureRect;
    bool m_fullScreen = false;
    bool m_inlayEditing = false;
    bool m_sliderHeld = false;
    bool m_pictureHeld = false;
    int m_heldState = 0;     // the pipeline's state before a picture press
    bool m_inlayRunning = false; // an inlay slider press started the pipeline
    int m_restoreVolume = 10000;
    bool m_videoShown = false;
    int m_inlayX = 0, m_inlayY = 0;
};
