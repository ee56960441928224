// The desktop services the window gives the commands: programs start
// detached with the file as their one argument, the RIFF report is the one
// handed in.

#include "ui/platformservices.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

TEST(PlatformServices, ProgramsStartDetachedWithTheFileAsTheirArgument)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = dir.filePath("record args");
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"$(dirname \"$0\")/args.txt\"\n");
    }
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);

    QStringList reports;
    const TWindowServices services = PlatformWindowServices([&](const QString &p) { reports << p; });
    const QString video = dir.filePath("my video \"1\".avi");
    ASSERT_TRUE(services.startProgram(script, {video}));
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(dir.filePath("args.txt")) && waited.elapsed() < 10000)
        QThread::msleep(20);
    QThread::msleep(50);
    QFile out(dir.filePath("args.txt"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << "the program did not run";
    EXPECT_EQ(QString::fromUtf8(out.readAll()), "1\n" + video + "\n");

    EXPECT_FALSE(services.startProgram(dir.filePath("absent"), {video}));

    services.showRiffReport(video);
    EXPECT_EQ(reports, QStringList{video});
    EXPECT_TRUE(services.showInFileManager && services.openWithDefault);
}

} // namespace
