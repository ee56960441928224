#include "pipelines/renderers/videorenderer.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <QPainter>

#include <cstring>
#include <mutex>

// The start-up steps that a benchmark times (silent unless QT_LOGGING_RULES turns them on).
namespace {
Q_LOGGING_CATEGORY(lcStartup, "tarvex.startup", QtWarningMsg)
}

TVideoWindow::TVideoWindow(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage TVideoWindow::picture() const
{
    std::lock_guard guard(m_lock);
    return m_picture;
}

void TVideoWindow::setVideoRect(const QRect &rect)
{
    m_rect = rect;
    update();
}

void TVideoWindow::setFullScreen(bool on)
{
    if (on)
        showFullScreen();
    else
        showNormal();
}

void TVideoWindow::present(const QImage &picture)
{
    {
        std::lock_guard guard(m_lock);
        m_picture = picture;
    }
    QMetaObject::invokeMethod(this, [this] {
        update();
        emit pictureShown();
    }, Qt::QueuedConnection);
}

void TVideoWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QImage shown = picture();
    if (!shown.isNull()) {
        painter.drawImage(m_rect.isEmpty() ? rect() : m_rect, shown);
        static std::once_flag first;
        std::call_once(first, [] { qCInfo(lcStartup, "first picture"); });
    }
}

TVideoRendererElement::TVideoRendererElement() : TRendererElement(QStringLiteral("Video Renderer"))
{
    addInput(QStringLiteral("VMR Input0"));
}

TResult TVideoRendererElement::checkInputType(int, const TMediaType &type)
{
    const TVideoInfoHeader info = type.videoInfo();
    const bool ok = type.majorType == media::Video && type.subtype == media::Rgb24 && info.bitmap.width > 0
                    && info.bitmap.height > 0;
    return ok ? TResult::Ok : TResult::TypeNotAccepted;
}

QImage TVideoRendererElement::currentPicture() const
{
    std::lock_guard guard(m_lock);
    return m_current;
}

void TVideoRendererElement::render(int, TMediaSample &sample)
{
    const TVideoInfoHeader info = input(0)->mediaType().videoInfo();
    const int width = info.bitmap.width, height = info.bitmap.height;
    const int stride = (width * 3 + 3) & ~3;
    if (sample.length() < qint64(stride) * height)
        return;
    // Bottom-up rows into a top-down image.
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), sample.bytes() + qint64(height - 1 - y) * stride, size_t(width) * 3);
    {
        std::lock_guard guard(m_lock);
        m_current = image;
    }
    if (m_window)
        m_window->present(image);
}
#include "moc_videorenderer.cpp"
