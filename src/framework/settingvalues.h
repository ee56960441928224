#pragma once

// The compound values of settings: a font and a rectangle, as the settings
// keep them, the store writes them and scripts pass them.

#include <QString>

struct TFontValue
{
    QString name;
    qint32 size = 8;          // points; negative: the character cell height
    qint32 color = 0;         // 0x00BBGGRR
    qint32 charset = 1;       // 1: the default character set
    qint32 pitch = 0;         // 0 default, 1 variable, 2 fixed
    qint32 pixelsPerInch = 96;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const TFontValue &) const = default;
};

// A rectangle as the window keeps its bounds: Right and Bottom are exclusive.
struct TRectValue
{
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;

    bool operator==(const TRectValue &) const = default;
};
