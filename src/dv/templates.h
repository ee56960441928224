#pragma once

// Template codes (%F, %E, %P, %D, %T, %C, %I, %A, %U, %D1, %D2) in file name
// templates and custom inlay lines.

#include "datecode.h"

#include <QString>

#include <vector>

// What the template functions need of a video file record.
class TTemplateSource
{
public:
    virtual ~TTemplateSource() = default;
    virtual QString templateFullPath() const = 0;     // folder + name + extension
    virtual QString templateCodec() const = 0;        // e.g. "dvsd"
    virtual QString templateVideoText() const = 0;    // e.g. "720 x 576 (Pal"
    virtual QString templateAspectText() const = 0;   // e.g. " 4x3)"
    virtual QString templateAudioText() const = 0;
    virtual QString templateDurationText() const = 0;
    virtual TDateTime templateFirstDatecode() const = 0; // 0 without datecode
    virtual TDateTime templateDisplayShift() const = 0;  // days
    virtual QString templateTimecodeText() const = 0;    // "N/A" without timecode
};

// One code (the letters after the '%') and its replacement text.
struct TTemplateCode
{
    QString code;
    QString value;
};

// Replaces every code of the list in one left-to-right pass, codes compared
// without regard to case; where several codes match (D and D1) the longest
// wins. Replacement texts are copied as they are and never scanned for
// codes, so a file named "100%D" stays "100%D".
QString ReplaceTemplateCodes(const QString &text, const std::vector<TTemplateCode> &codes);

// A path split for the templates: folder (up to and including the last '/'),
// name without extension, extension (from the last '.' of the name, dot
// included; empty when the name has none).
struct TTemplatePath
{
    QString folder;
    QString baseName;
    QString extension;
};
TTemplatePath SplitTemplatePath(const QString &fullPath);

// Makes a text usable as a file name: < > " / \ | become '_', ':' becomes '.'.
QString MakeFileNameSafe(const QString &name);

// The full path of the file name that nameTemplate gives for record (%F %E
// %D %T %C %I %A %U), %D being its first datecode plus its display shift in
// datecodeFormat; the result stays in the record's folder.
QString ExpandNameTemplate(const QString &nameTemplate, const QString &datecodeFormat, const TTemplateSource &record);

// An inlay line template for line 1 or 2 from a custom template: %D becomes
// %D1 (line 1) or %D2 (line 2); %F %E %P %C %I %A %U are replaced with the
// current video's values; %D1, %D2 and %T are left for the frame by frame
// step. Without a current video (nullptr) the template comes back unchanged.
QString ConvertInlayTemplate(const QString &inlayTemplate, int line, const TTemplateSource *current);

// The name nameTemplate gives for a sample video ("Video.avi", recorded now),
// without folder, as the options show it.
QString PreviewNameTemplate(const QString &nameTemplate, const QString &datecodeFormat, TDateTime now);
