#include "stages/datecodelines.h"

namespace {

enum class TCode { None, D1, D2, T };

// The code that starts at text[i] (a '%'), and its length.
TCode CodeAt(const QString &text, qsizetype i, qsizetype &length)
{
    const qsizetype n = text.size();
    if (i + 1 >= n || text[i] != u'%')
        return TCode::None;
    const QChar c = text[i + 1].toUpper();
    if (c == u'T') {
        length = 2;
        return TCode::T;
    }
    if (c == u'D' && i + 2 < n) {
        if (text[i + 2] == u'1') {
            length = 3;
            return TCode::D1;
        }
        if (text[i + 2] == u'2') {
            length = 3;
            return TCode::D2;
        }
    }
    return TCode::None;
}

} // namespace

TDatecodeLineCodes DatecodeLineCodes(const QString &lineTemplate)
{
    TDatecodeLineCodes codes;
    for (qsizetype i = 0; i < lineTemplate.size(); ++i) {
        qsizetype length = 0;
        switch (CodeAt(lineTemplate, i, length)) {
        case TCode::D1: codes.d1 = true; break;
        case TCode::D2: codes.d2 = true; break;
        case TCode::T: codes.t = true; break;
        case TCode::None: break;
        }
    }
    return codes;
}

void ComposeDatecodeLine(const QString &lineTemplate, const QString &d1, const QString &d2, const QString &t,
                         QString &out)
{
    out.resize(0);
    const qsizetype n = lineTemplate.size();
    qsizetype copied = 0; // template text up to here is in out
    for (qsizetype i = 0; i < n; ++i) {
        qsizetype length = 0;
        const TCode code = CodeAt(lineTemplate, i, length);
        if (code == TCode::None)
            continue;
        out.append(QStringView(lineTemplate).mid(copied, i - copied));
        out.append(code == TCode::D1 ? d1 : code == TCode::D2 ? d2 : t);
        i += length - 1;
        copied = i + 1;
    }
    out.append(QStringView(lineTemplate).mid(copied));
}
