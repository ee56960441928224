// tarvex: the window program. Without a display it says so and leaves the
// batch work to tarvex-cli.

#include "commands/udmaction.h"
#include "framework/appinfo.h"
#include "pipelines/avcodeclibrary.h"
#include "pipelines/builders/convertirdvunit.h"
#include "pipelines/playback/viewgraph.h"
#include "ui/main.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

// The start-up steps that a benchmark times (silent unless QT_LOGGING_RULES turns them on).
namespace {
Q_LOGGING_CATEGORY(lcStartup, "tarvex.startup", QtWarningMsg)
}

namespace {

bool HasDisplay()
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (!HasDisplay()) {
        std::fprintf(stderr, "tarvex: no display (DISPLAY and WAYLAND_DISPLAY are not set); "
                             "tarvex-cli runs the same commands without one\n");
        return 1;
    }
    // A file named on the command line is shown at once: libavcodec and its
    // codec libraries load on a thread of their own while the window is
    // made, not when the first picture is due.
    std::jthread loadCodecs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (std::filesystem::is_regular_file(argv[i], error)) {
            loadCodecs = std::jthread([] { (void)av::Codec(); });
            break;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    QApplication::setOrganizationName(QString::fromLatin1(kMakerName));
    QApplication::setApplicationVersion(QString::fromLatin1(uiform::kAppVersion));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tarvex")));

    // The modules in the order the window relies on: the playback pipeline,
    // the pipeline builder with the command catalogue that drives it, then
    // the window.
    Tviewdm playback;
    TCdm cdm;
    TdmAction actions(cdm);
    TUIFormSetup setup;
    setup.places = TPreferencesPlaces::ForApplication(QString::fromLatin1(kAppTitle));
    setup.arguments = QApplication::arguments().mid(1);
    TUIForm form(actions, playback, std::move(setup));
    // Once the settings are loaded and the command line has run, the window is idle.
    QObject::connect(&form, &TUIForm::startUpDone, &form,
                     [] { QTimer::singleShot(0, [] { qCInfo(lcStartup, "idle"); }); });
    form.show();
    return QApplication::exec();
}
