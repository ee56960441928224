#pragma once

// What the commands that hand a file to the desktop need from the window:
// the file manager, the default application, other programs and the RIFF
// report window. The window sets them on the command catalogue
// (TdmAction::setWindowServices); without them (tarvex-cli) those commands
// fail with a reason saying they need the window.
//
// The commands call these functions on the command engine's owner thread
// (the user-interface thread of the window), never on its worker thread.

#include <QString>
#include <QStringList>

#include <functional>

struct TWindowServices
{
    // Shows the file selected in its folder in the desktop's file manager
    // (the folder alone where that is not possible); false when nothing opened.
    std::function<bool(const QString &path)> showInFileManager;
    // Opens the file with the desktop's default application for it.
    std::function<bool(const QString &path)> openWithDefault;
    // Starts a program with arguments, detached from this one.
    std::function<bool(const QString &program, const QStringList &args)> startProgram;
    // Opens the RIFF report window on the file.
    std::function<void(const QString &path)> showRiffReport;
};
