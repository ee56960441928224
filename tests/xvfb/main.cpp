// The window tests that look at the screen: they run on a private X server
// started here (Xvfb), with Qt's xcb platform, so that what they grab is what
// the X server shows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>

#include <cstdio>
#include <unistd.h>

namespace {

// Starts Xvfb on a free display; the display's name, empty when it cannot start.
QString StartXvfb(QProcess &server)
{
    // Xvfb writes the display's number to the pipe's write end, which the child inherits.
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    server.setProgram(QStringLiteral("Xvfb"));
    server.setArguments({QStringLiteral("-displayfd"), QString::number(fds[1]), QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start();
    ::close(fds[1]);
    if (!server.waitForStarted(5000)) {
        ::close(fds[0]);
        return {};
    }
    QByteArray number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number.append(c);
    ::close(fds[0]);
    return number.isEmpty() ? QString() : QStringLiteral(":") + QString::fromLatin1(number);
}

} // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // listing the tests needs no display
    QProcess server;
    const QString display = StartXvfb(server);
    if (display.isEmpty()) {
        std::fprintf(stderr, "test_xvfb: Xvfb could not be started (package xvfb)\n");
        return 1;
    }
    qputenv("DISPLAY", display.toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    server.terminate();
    server.waitForFinished(3000);
    return result;
}
