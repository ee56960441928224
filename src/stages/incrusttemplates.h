#pragma once

// The two inlay line templates (codes %D1, %D2 and %T left in them) for the
// setting WhatIncrust: 0 the datecode, 1 the timecode, 2 the personal
// templates IncrustPerso1 and IncrustPerso2.

#include "dv/templates.h"

#include <QString>

struct TIncrustTemplates
{
    QString line1;
    QString line2;
};

inline const QString DefaultIncrustPerso1 = QStringLiteral("Your template here");
inline const QString DefaultIncrustPerso2 = QStringLiteral("with datecode=%D, timecode=%T, etc...");

// The personal template of line 1 or 2 prepared with the video shown
// (nullptr: none, the template stays as it is).
QString PrepareIncrustPerso(const QString &perso, int line, const TTemplateSource *shownVideo);

// Both line templates for whatIncrust (other values: as 0).
TIncrustTemplates IncrustTemplates(int whatIncrust, const QString &perso1, const QString &perso2,
                                   const TTemplateSource *shownVideo);
