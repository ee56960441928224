// The main window on a real X server: the picture of a playing recording is
// on the screen and moves, and the information panel shows its datecode.

#include "ui/main_fixture.h"

#include "pipelines/renderers/videorenderer.h"
#include "avi/records/avifichier.h"
#include "dv/datecode.h"
#include "ui/afficherfichier.h"
#include "ui/uvueframe.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <algorithm>
#include <map>

namespace {

// The window as the X server shows it.
QImage GrabFromScreen(QWidget &window)
{
    return QGuiApplication::primaryScreen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The share of the image that its most common colour covers (1: uniform).
double LargestColourShare(const QImage &image)
{
    std::map<QRgb, int> counts;
    int total = 0, largest = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            largest = std::max(largest, ++counts[image.pixel(x, y)]);
            ++total;
        }
    return total ? double(largest) / total : 1.0;
}

// Where the screenshots go for a person to look at: TARVEX_SCREENSHOTS, else the test's folder.
QString ShotPath(const QTemporaryDir &dir, const QString &name)
{
    const QString folder = qEnvironmentVariable("TARVEX_SCREENSHOTS", dir.path());
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name;
}

class WindowOnScreen : public TMainWindowTest
{
};

TEST_F(WindowOnScreen, ThePlayingPictureIsShownAndMovesBesideItsDatecode)
{
    const QString file = MakeSampleRecording(dir, QStringLiteral("screen.avi"), {QStringLiteral("--frames"), QStringLiteral("150")});
    ASSERT_FALSE(file.isEmpty());
    makeForm({file});
    form->resize(962, 751);
    showForm();
    form->move(0, 0); // wholly on the server's screen, whatever bounds the settings gave
    ASSERT_TRUE(PumpUntil([this] { return form->fileList().count() == 1 && playback.shown() && playback.hasVideo(); }));
    PumpUntil([] { return false; }, 600); // the first picture painted

    const QImage window = GrabFromScreen(*form);
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window.save(ShotPath(dir, QStringLiteral("window-paused.png"))));
    TVideoWindow *video = form->vueFrame().videoWindow();
    ASSERT_NE(video, nullptr);
    QRect area = video->videoRect().isEmpty() ? video->rect() : video->videoRect();
    area.moveTopLeft(video->mapTo(form.get(), area.topLeft()));
    ASSERT_GT(area.width(), 100);
    ASSERT_GT(area.height(), 80);
    const QImage paused = window.copy(area);
    EXPECT_LT(LargestColourShare(paused), 0.5) << "the picture area is uniform";

    // The panel shows the datecode of the frame on screen, the recording's first.
    const auto *record = dynamic_cast<const TaviFichier *>(form->fileList().activeRecord());
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(record->facts().hasDatecode());
    const QString expected = FormatDateTime(form->baseFrame().datecodeFormat(), *record->facts().firstDatecode);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(form->baseFrame().datecodeText(), expected);

    act("caPlayPause")->Execute();
    ASSERT_TRUE(PumpUntil([this] { return playback.state() == TPipeline::TState::Running; }, 3000));
    PumpUntil([] { return false; }, 300);
    const QImage first = GrabFromScreen(*form).copy(area);
    PumpUntil([] { return false; }, 1000);
    const QImage playing = GrabFromScreen(*form);
    EXPECT_TRUE(playing.save(ShotPath(dir, QStringLiteral("window-playing.png"))));
    const QImage second = playing.copy(area);
    EXPECT_NE(first, second) << "two pictures a second apart while playing are the same";
    EXPECT_LT(LargestColourShare(second), 0.5);
}

} // namespace

namespace {

TEST_F(WindowOnScreen, AnEmptyListShowsTheWelcomePanel)
{
    form->resize(962, 751);
    showForm();
    form->move(0, 0);
    ASSERT_EQ(form->vue(), 1);
    PumpUntil([] { return false; }, 300);
    const QImage window = GrabFromScreen(*form);
    EXPECT_TRUE(window.save(ShotPath(dir, QStringLiteral("window-empty.png"))));
    QWidget *welcome = form->welcomePanel();
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(welcome->isVisible());
    QRect area(welcome->mapTo(form.get(), QPoint(0, 0)), welcome->size());
    EXPECT_LT(LargestColourShare(window.copy(area)), 0.995) << "the welcome text is not drawn";
}

} // namespace
