#pragma once

// The desktop services of the window commands on a freedesktop system: the
// file manager through D-Bus (org.freedesktop.FileManager1.ShowItems, the
// folder opened with the default application when no file manager answers),
// the default application through QDesktopServices, programs through
// QProcess::startDetached. User-interface thread only.

#include "commands/windowcommands.h"

#include <functional>

TWindowServices PlatformWindowServices(std::function<void(const QString &)> showRiffReport);

// Shows the file selected in its folder, or opens its folder; false when neither worked.
bool ShowInFileManager(const QString &path);
