#include "stages/incrusttemplates.h"

QString PrepareIncrustPerso(const QString &perso, int line, const TTemplateSource *shownVideo)
{
    return ConvertInlayTemplate(perso, line, shownVideo);
}

TIncrustTemplates IncrustTemplates(int whatIncrust, const QString &perso1, const QString &perso2,
                                   const TTemplateSource *shownVideo)
{
    switch (whatIncrust) {
    case 1:
        return {QString(), QStringLiteral("%T")};
    case 2:
        return {PrepareIncrustPerso(perso1, 1, shownVideo), PrepareIncrustPerso(perso2, 2, shownVideo)};
    default:
        return {QStringLiteral("%D1"), QStringLiteral("%D2")};
    }
}
