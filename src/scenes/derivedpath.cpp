#include "scenes/derivedpath.h"

QString DerivedFilePath(const QString &videoPath, const QString &suffix)
{
    const qsizetype slash = videoPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = videoPath.lastIndexOf(QLatin1Char('.'));
    if (dot > slash)
        return videoPath.left(dot) + suffix;
    return videoPath + suffix;
}
