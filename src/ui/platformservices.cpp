#include "ui/platformservices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

bool OpenWithDefault(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

// Asks the session's file manager to show the file selected; false when no
// file manager answers or the session bus is not there.
bool ShowItems(const QString &path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString()} << QString();
    // A file manager that is not running is started by the bus: give it time.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool ShowInFileManager(const QString &path)
{
    if (ShowItems(path))
        return true;
    return OpenWithDefault(QFileInfo(path).absolutePath());
}

TWindowServices PlatformWindowServices(std::function<void(const QString &)> showRiffReport)
{
    TWindowServices services;
    services.showInFileManager = ShowInFileManager;
    services.openWithDefault = OpenWithDefault;
    services.startProgram = [](const QString &program, const QStringList &args) {
        return QProcess::startDetached(program, args);
    };
    services.showRiffReport = std::move(showRiffReport);
    return services;
}
