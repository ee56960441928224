#include "templates.h"

#include <algorithm>

namespace {

// The rename codes, in the order the table of codes lists them.
std::vector<TTemplateCode> RenameCodes(const QString &baseName, const QString &extension, const QString &datecode,
                                       const QString &timecode, const QString &codec, const QString &picture,
                                       const QString &sound, const QString &duration)
{
    return {
        {QStringLiteral("F"), baseName},
        {QStringLiteral("E"), extension},
        {QStringLiteral("D"), datecode},
        {QStringLiteral("T"), timecode},
        {QStringLiteral("C"), codec},
        {QStringLiteral("I"), picture},
        {QStringLiteral("A"), sound},
        {QStringLiteral("U"), duration},
    };
}

} // namespace

QString ReplaceTemplateCodes(const QString &text, const std::vector<TTemplateCode> &codes)
{
    // Longest codes first, so that %D1 is not taken for %D followed by "1".
    std::vector<const TTemplateCode *> ordered;
    ordered.reserve(codes.size());
    for (const TTemplateCode &c : codes)
        if (!c.code.isEmpty())
            ordered.push_back(&c);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TTemplateCode *a, const TTemplateCode *b) { return a->code.size() > b->code.size(); });

    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'%') {
            out += c;
            ++i;
            continue;
        }
        const QStringView rest = QStringView(text).mid(i + 1);
        const TTemplateCode *match = nullptr;
        for (const TTemplateCode *code : ordered) {
            if (rest.startsWith(code->code, Qt::CaseInsensitive)) {
                match = code;
                break;
            }
        }
        if (match) {
            out += match->value;
            i += 1 + match->code.size();
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

TTemplatePath SplitTemplatePath(const QString &fullPath)
{
    TTemplatePath parts;
    const qsizetype slash = fullPath.lastIndexOf(u'/');
    parts.folder = fullPath.left(slash + 1);
    const QString name = fullPath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0) {
        parts.baseName = name.left(dot);
        parts.extension = name.mid(dot);
    } else {
        parts.baseName = name;
    }
    return parts;
}

QString MakeFileNameSafe(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        switch (c.unicode()) {
        case u'<':
        case u'>':
        case u'"':
        case u'/':
        case u'\\':
        case u'|':
            c = u'_';
            break;
        case u':':
            c = u'.';
            break;
        default:
            break;
        }
    }
    return out;
}

QString ExpandNameTemplate(const QString &nameTemplate, const QString &datecodeFormat, const TTemplateSource &record)
{
    const TTemplatePath path = SplitTemplatePath(record.templateFullPath());
    const QString datecode =
        FormatDateTime(datecodeFormat, record.templateFirstDatecode() + record.templateDisplayShift());
    const QString name = ReplaceTemplateCodes(
        nameTemplate, RenameCodes(path.baseName, path.extension, datecode, record.templateTimecodeText(),
                                  record.templateCodec(), record.templateVideoText() + record.templateAspectText(),
                                  record.templateAudioText(), record.templateDurationText()));
    return path.folder + MakeFileNameSafe(name);
}

QString ConvertInlayTemplate(const QString &inlayTemplate, int line, const TTemplateSource *current)
{
    if (!current)
        return inlayTemplate;
    const TTemplatePath path = SplitTemplatePath(current->templateFullPath());
    const QString datecode = line == 2 ? QStringLiteral("%D2") : QStringLiteral("%D1");
    const std::vector<TTemplateCode> codes = {
        // The per-frame codes stay, written in capitals.
        {QStringLiteral("D1"), QStringLiteral("%D1")},
        {QStringLiteral("D2"), QStringLiteral("%D2")},
        {QStringLiteral("T"), QStringLiteral("%T")},
        {QStringLiteral("D"), datecode},
        {QStringLiteral("F"), path.baseName},
        {QStringLiteral("E"), path.extension},
        {QStringLiteral("P"), path.folder},
        {QStringLiteral("C"), current->templateCodec()},
        {QStringLiteral("I"), current->templateVideoText() + current->templateAspectText()},
        {QStringLiteral("A"), current->templateAudioText()},
        {QStringLiteral("U"), current->templateDurationText()},
    };
    return ReplaceTemplateCodes(inlayTemplate, codes);
}

QString PreviewNameTemplate(const QString &nameTemplate, const QString &datecodeFormat, TDateTime now)
{
    const QString name = ReplaceTemplateCodes(
        nameTemplate,
        RenameCodes(QStringLiteral("Video"), QStringLiteral(".avi"), FormatDateTime(datecodeFormat, now),
                    QStringLiteral("0.54.32.10"), QStringLiteral("dvsd"), QStringLiteral("640x480"),
                    QStringLiteral("48000Hz 16bits stereo"), QStringLiteral("30s 12fr")));
    return MakeFileNameSafe(name);
}
