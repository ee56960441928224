#pragma once

// The datecode text lines: a line template with the codes %D1 (the datecode
// in format 1), %D2 (in format 2) and %T (the timecode) filled in.

#include <QString>

struct TDatecodeLineCodes
{
    bool d1 = false;
    bool d2 = false;
    bool t = false;
};

// Which codes a template holds (letters in any case).
TDatecodeLineCodes DatecodeLineCodes(const QString &lineTemplate);

// out := lineTemplate with every %D1, %D2 and %T (letters in any case)
// replaced by d1, d2 and t, in one pass from left to right: replacement
// texts are copied as they are and never searched for codes. out keeps its
// buffer when it is not shared, so composing the same line again allocates
// nothing.
void ComposeDatecodeLine(const QString &lineTemplate, const QString &d1, const QString &d2, const QString &t,
                         QString &out);
