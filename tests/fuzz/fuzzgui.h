#pragma once

// The application object of the fuzz targets that need Qt GUI (fonts,
// documents, actions), on the offscreen platform.

#include <QGuiApplication>

inline void StartOffscreenGui(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the platform's devices do not survive the end of the program in any order.
    static QGuiApplication *app = new QGuiApplication(*argc, *argv);
    (void)app;
}
