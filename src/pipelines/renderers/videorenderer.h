#pragma once

// Video renderer and the window it shows pictures in. The renderer takes
// bottom-up RGB24 pictures at their times and hands each to its window (when
// one is attached), which paints the latest picture scaled into the part of
// the window set as the video rectangle, or over the whole screen.

#include "pipelines/renderer.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <mutex>

class TVideoWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit TVideoWindow(QWidget *parent = nullptr);

    // The latest picture, as shown.
    QImage picture() const;
    // Where the picture is painted inside the window; empty: the whole window.
    void setVideoRect(const QRect &rect);
    QRect videoRect() const { return m_rect; }
    void setFullScreen(bool on);

    // Called from the streaming thread: the picture is shown on the window's own thread.
    void present(const QImage &picture);

signals:
    void pictureShown();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    mutable std::mutex m_lock;
    QImage m_picture;
    QRect m_rect;
};

class TVideoRendererElement final : public TRendererElement
{
public:
    // The mixing renderer draws into a window of the program's (windowed);
    // the standard one opens a window of its own. Both show the same pictures here.
    enum class TMode { Windowed, Standard };

    TVideoRendererElement();

    void setMode(TMode mode) { m_mode = mode; }
    TMode mode() const { return m_mode; }
    void attachWindow(TVideoWindow *window) { m_window = window; }
    TVideoWindow *window() const { return m_window; }
    // The latest picture the renderer received (also without a window).
    QImage currentPicture() const;

    TResult checkInputType(int input, const TMediaType &type) override;

protected:
    void render(int input, TMediaSample &sample) override;
    bool rendersWhenPaused() const override { return true; }

private:
    TMode m_mode = TMode::Windowed;
    QPointer<TVideoWindow> m_window;
    mutable std::mutex m_lock;
    QImage m_current;
};
