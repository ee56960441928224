#include "framework/settingscatalogue.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace settings {
namespace {

constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();
constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();

TSetting Check(QStringView key, QStringView action, bool value, bool appliedAtLoad, QStringView help, bool stored = true)
{
    return {key, action, TType::Check, value, 0, 1, stored, appliedAtLoad, TDefaultRule::Fixed, help};
}
TSetting Boolean(QStringView key, QStringView action, bool value, QStringView help)
{
    return {key, action, TType::Boolean, value, 0, 1, true, true, TDefaultRule::Fixed, help};
}
TSetting Integer(QStringView key, QStringView action, qint32 value, qint32 minimum, qint32 maximum, bool appliedAtLoad,
                 QStringView help, bool stored = true)
{
    return {key, action, TType::Integer, value, minimum, maximum, stored, appliedAtLoad, TDefaultRule::Fixed, help};
}
TSetting Double(QStringView key, QStringView action, double value, bool appliedAtLoad, QStringView help)
{
    return {key, action, TType::Double, value, 0, 0, true, appliedAtLoad, TDefaultRule::Fixed, help};
}
TSetting Text(QStringView key, QStringView action, QStringView value, bool appliedAtLoad, QStringView help,
              TDefaultRule rule = TDefaultRule::Fixed)
{
    return {key, action, TType::WideString, value.toString(), 0, 0, true, appliedAtLoad, rule, help};
}

const std::vector<TSetting> &Table()
{
    static const std::vector<TSetting> table = {
        // Display and window.
        Check(u"mirror", u"caListeGauche", true, true, u"the file list left of the video (off: right of it)"),
        Check(u"videoonly", u"caVideoSeule", false, false, u"show the video only"),
        Check(u"fullscreen", u"caFullscreen", false, false, u"full screen"),
        Integer(u"Vue", u"iaVue", 0, 0, 3, true, u"layout: 0 normal, 1 empty-list panel, 2 video only, 3 reduced"),
        Integer(u"WindowSize", u"iaWindowSize", 1, 0, 2, true,
                u"window size at start: 0 600 x 540, 1 the remembered bounds, 2 the whole screen"),
        {u"FormSave", u"raFormSave", TType::Rect, TRectValue{479, 164, 1441, 915}, 0, 0, true, true,
         TDefaultRule::CentredWindow, u"the remembered bounds of the window"},
        Check(u"selectwhenopen", u"caSelectionnerOuverts", false, true, u"select files as they are added to the list"),
        Check(u"SendTo", u"caSendTo", false, true, u"offer Tarvex in the file manager's \"Open with\" for AVI files"),
        Check(u"Help", u"caHelp", false, false, u"help window shown"),
        Check(u"Custom", u"caCustom", false, false, u"custom frame shown"),
        // Playback.
        Check(u"play", u"caPlayPause", false, false, u"playing"),
        Check(u"mute", u"caMute", false, false, u"sound off"),
        Integer(u"Volume", u"iaVolume", 5000, kIntMin, kIntMax, true,
                u"volume, 0 (silent) to 10000 (full); values outside are used as the nearest end"),
        Check(u"deinterlace", u"caDeinterlace", false, true, u"deinterlace the displayed picture"),
        Double(u"DecalageDisplay", u"daDecalageDisplay", 0.0, false, u"time difference added to the datecodes shown, in days"),
        Check(u"AdvancedDecalage", u"caAdvancedDecalage", false, true, u"advanced mode of the time-difference dialog"),
        // Folders and programs.
        Check(u"SameFolder", u"caSameFolder", true, true, u"files made by conversions go next to their source"),
        Text(u"DossierSave", u"waDossierSave", u"", true, u"output folder of the conversions when SameFolder is off",
             TDefaultRule::DocumentsFolder),
        Text(u"DossierOuvrir", u"waDossierOuvrir", u"", true, u"first folder of the open dialog",
             TDefaultRule::DocumentsFolder),
        Text(u"DossierFavori", u"waDossierFavori", u"", true, u"preferred folder (F7)", TDefaultRule::VideoFolder),
        Text(u"DossierPlayList", u"waDossierPlayList", u"", true, u"folder of the preferred play list tarvex.list",
             TDefaultRule::DocumentsFolder),
        Text(u"FichierSnapvue", u"waFichierSnapvue", u"", true, u"program started with F2 (the capture program)",
             TDefaultRule::SiblingProgram),
        Text(u"FichierF3", u"waFichierF3", u"", true, u"program started with F3"),
        Text(u"FichierF4", u"waFichierF4", u"", true, u"program started with F4"),
        Text(u"SortIndexId", u"waSortIndexId", u"", true, u"sort order of the file list"),
        // Formats.
        Text(u"FormatAfficherDatecode", u"waFormatAfficherDatecode", u" ddddd tt", true,
             u"date-time format of the datecodes shown and of scene titles"),
        Text(u"FormatAjouterDatecode", u"waFormatAjouterDatecode", u"ddddd", true,
             u"date-time format of AjouterDatecode"),
        // A date-time format like the others: a name template here would be
        // read as format letters (the "d" and "e" of "Video_%D%E" are a day
        // and a literal) and give names such as "ClipDVVi31eo_%31%E.avi".
        Text(u"FormatRenommer", u"waFormatRenommer", u"yyyymmdd hh.nn.ss", true,
             u"date-time format that %D takes in Renommer"),
        Text(u"TemplateRenommer", u"waTemplateRenommer", u"ClipDV%D%E", true, u"name template of Renommer"),
        Boolean(u"DatecodeAvant", u"baDatecodeAvant", false, u"AjouterDatecode puts the datecode before the name"),
        Boolean(u"TimecodeAvant", u"baTimecodeAvant", false, u"AjouterTimecode puts the timecode before the name"),
        // Inlay.
        Text(u"IncrustPerso1", u"waPerso1", u"Your template here", true, u"custom template of the first inlay line"),
        Text(u"IncrustPerso2", u"waperso2", u"with datecode=%D, timecode=%T, etc...", true,
             u"custom template of the second inlay line"),
        Text(u"FormatDatecode1", u"waFormatdatecode1", u"ddddd", true,
             u"date-time format of the first inlay and subtitle line"),
        Text(u"FormatDatecode2", u"waFormatDatecode2", u"tt", true,
             u"date-time format of the second inlay and subtitle line"),
        Integer(u"WhatIncrust", u"iaWhatIncrust", 0, 0, 2, true,
                u"what the inlay shows: 0 the datecode, 1 the timecode, 2 the custom templates"),
        {u"IncrustFont", u"faIncrustFont", TType::Font, TFontValue{QStringLiteral("Arial"), 16, 0xFFFFFF, 1, 0, 96}, 0, 0, true,
         true, TDefaultRule::Fixed, u"inlay font"},
        Integer(u"WhenIncrust", u"iaWhenIncrust", 0, 0, 3, true,
                u"when the inlay and subtitles show: 0 permanently, 1 once, 2 on each new scene, 3 on each new day"),
        Integer(u"DureeIncrustation", u"iaDureeIncrustation", 5, 0, kIntMax, true,
                u"how long an inlay or subtitle that is not permanent stays, in seconds"),
        Integer(u"BorderSize", u"iaBorderSize", 2, 0, 5, true, u"outline width of the inlay text, 0 to 5 pixels"),
        Check(u"displayinlay", u"caAfficherIncrustation", false, true, u"preview the inlay in the player"),
        Check(u"editinlay", u"caEditerIncrust", false, false, u"inlay editor open"),
        Integer(u"IncrustX", u"iaIncrustX", 920, 0, 1000, true, u"horizontal place of the inlay, thousandths of the width"),
        Integer(u"IncrustY", u"iaIncrustY", 920, 0, 1000, true, u"vertical place of the inlay, thousandths of the height"),
        // The alignment the inlay editor offers; not kept between runs.
        Integer(u"Align", u"", 0, 0, 3, false, u"inlay alignment: 0 left, 1 centre, 2 right, 3 subtitle", false),
        // DV output and scenes.
        Integer(u"FrequenceDV", u"iaFrequenceDV", 2, 0, 2, true,
                u"sound of recompressed DV: 0 32000, 1 44100, 2 48000 Hz"),
        Integer(u"RatioDV", u"iaRatioDV", 0, 0, 1, false, u"picture of recompressed DV: 0 4:3, 1 16:9"),
        Integer(u"StandardDV", u"iaStandardDV", 0, 0, 1, true, u"standard of recompressed DV: 0 PAL, 1 NTSC"),
        Integer(u"Intervalle", u"iaIntervalle", 20, 1, kIntMax, true,
                u"scene length of CreerScnByIntervalle, in seconds"),
        Integer(u"FormatDuree", u"iaFormatDuree", 0, 0, 2, true,
                u"scene duration format: 0 h:mm:ss.ff, 1 h:mm:ss:ff, 2 in words"),
        Check(u"edTitles", u"caEditerTitres", false, false, u"title editing open"),
        // The file list kept between runs.
        {u"FileNames", u"saFileNames", TType::WStrings, QStringList{}, 0, 0, true, false, TDefaultRule::Fixed,
         u"the listed files, opened again at the next start"},
        Boolean(u"OpenlastFiles", u"baOpenlastFiles", true, u"open the files listed at the last quit"),
        Text(u"ActiveFile", u"waActiveFile", u"", true, u"the file shown at the last quit"),
        // The last parameters of the commands that ask for one.
        Double(u"timedifference", u"ccDecalageHoraire", 0.0, false,
               u"time difference of ConvertirNTSC / ConvertirPal, in days"),
        Double(u"settimedifference", u"ccDecalerHoraire", 0.0, false, u"last time difference of DecalerHoraire, in days"),
        Double(u"overwritedatecode", u"ccIntroduireDatecode", 0.0, false, u"last datecode given to IntroduireDatecode"),
        Double(u"frequency", u"ccFrequenceVideo", 0.0, false, u"last frame rate given to FrequenceVideo"),
        Text(u"codec", u"ccModifierCodec", u"", false, u"last codec code given to ModifierCodec"),
        Integer(u"createscnbyinterval", u"ccCreerScnByIntervalle", 0, kIntMin, kIntMax, false,
                u"last interval given to CreerScnByIntervalle"),
    };
    return table;
}

[[noreturn]] void Misuse(QStringView key, const char *what)
{
    std::fprintf(stderr, "settings: %s '%s'\n", what, qPrintable(key.toString()));
    std::abort();
}

template <typename T>
T DefaultOf(QStringView key)
{
    const TValue value = DefaultValue(Get(key));
    if (const T *typed = std::get_if<T>(&value))
        return *typed;
    Misuse(key, "default read with the wrong type:");
}

QString ExistingFolder(QStandardPaths::StandardLocation location)
{
    const QString folder = QStandardPaths::writableLocation(location);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

QString DocumentsOrHome()
{
    const QString documents = ExistingFolder(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

std::optional<bool> ParseFlag(const QString &text)
{
    const QString flag = text.trimmed().toLower();
    if (flag == QLatin1String("true") || flag == QLatin1String("1"))
        return true;
    if (flag == QLatin1String("false") || flag == QLatin1String("0"))
        return false;
    return std::nullopt;
}

std::optional<TValue> Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return std::nullopt;
}

} // namespace

std::span<const TSetting> Catalogue()
{
    return Table();
}

const TSetting *Find(QStringView key)
{
    for (const TSetting &setting : Table())
        if (setting.key.compare(key, Qt::CaseInsensitive) == 0)
            return &setting;
    return nullptr;
}

const TSetting &Get(QStringView key)
{
    if (const TSetting *setting = Find(key))
        return *setting;
    Misuse(key, "no such setting:");
}

TValue DefaultValue(const TSetting &setting)
{
    switch (setting.rule) {
    case TDefaultRule::Fixed: break;
    case TDefaultRule::DocumentsFolder: return DocumentsOrHome();
    case TDefaultRule::VideoFolder: {
        const QString videos = ExistingFolder(QStandardPaths::MoviesLocation);
        return videos.isEmpty() ? DocumentsOrHome() : videos;
    }
    case TDefaultRule::CentredWindow:
    case TDefaultRule::SiblingProgram:
        // Known only to the window program (screen size, the sibling's
        // store); the entry's value stands in elsewhere.
        break;
    }
    return setting.defaultValue;
}

bool DefaultBool(QStringView key) { return DefaultOf<bool>(key); }
qint32 DefaultInteger(QStringView key) { return DefaultOf<qint32>(key); }
double DefaultDouble(QStringView key) { return DefaultOf<double>(key); }
QString DefaultString(QStringView key) { return DefaultOf<QString>(key); }
TFontValue DefaultFont(QStringView key) { return DefaultOf<TFontValue>(key); }

std::optional<TValue> ParseValue(const TSetting &setting, const QString &text, QString *error)
{
    const QString key = setting.key.toString();
    switch (setting.type) {
    case TType::Check:
    case TType::Boolean:
        if (const std::optional<bool> flag = ParseFlag(text))
            return *flag;
        return Fail(error, QStringLiteral("%1 takes true or false").arg(key));
    case TType::Integer: {
        bool ok = false;
        const qlonglong n = text.trimmed().toLongLong(&ok);
        if (!ok || n < setting.minimum || n > setting.maximum) {
            if (setting.minimum == kIntMin && setting.maximum == kIntMax)
                return Fail(error, QStringLiteral("%1 takes a whole number").arg(key));
            if (setting.maximum == kIntMax)
                return Fail(error, QStringLiteral("%1 takes a whole number from %2").arg(key).arg(setting.minimum));
            return Fail(error, QStringLiteral("%1 takes %2 to %3").arg(key).arg(setting.minimum).arg(setting.maximum));
        }
        return qint32(n);
    }
    case TType::Double: {
        bool ok = false;
        const double d = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(d))
            return Fail(error, QStringLiteral("%1 takes a number").arg(key));
        return d;
    }
    case TType::WideString: return text;
    case TType::WStrings: {
        QStringList items;
        for (const QString &item : text.split(QLatin1Char(',')))
            if (!item.trimmed().isEmpty())
                items << item.trimmed();
        return items;
    }
    case TType::Font: {
        const QStringList parts = text.split(QLatin1Char(','));
        TFontValue font = std::get<TFontValue>(setting.defaultValue);
        if (!parts.value(0).trimmed().isEmpty())
            font.name = parts[0].trimmed();
        if (parts.size() > 1) {
            bool ok = false;
            font.size = parts[1].trimmed().toInt(&ok);
            if (!ok || font.size <= 0 || font.size > 200)
                return Fail(error, QStringLiteral("%1: the size must be 1 to 200").arg(key));
        }
        if (parts.size() > 2) {
            const QColor color = QColor::fromString(parts[2].trimmed());
            if (!color.isValid())
                return Fail(error, QStringLiteral("%1: unknown colour '%2'").arg(key, parts[2].trimmed()));
            font.color = qint32(color.red() | color.green() << 8 | color.blue() << 16);
        }
        if (parts.size() > 3)
            return Fail(error, QStringLiteral("%1 takes FAMILY[,SIZE[,COLOUR]]").arg(key));
        return font;
    }
    case TType::Rect: {
        const QString t = text.trimmed();
        const QStringList parts = t.mid(1, t.size() - 2).split(QLatin1Char(','));
        if (!t.startsWith(QLatin1Char('(')) || !t.endsWith(QLatin1Char(')')) || parts.size() != 4)
            return Fail(error, QStringLiteral("%1 takes (left, top, right, bottom)").arg(key));
        std::array<qint32, 4> v{};
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            v[size_t(i)] = parts[i].trimmed().toInt(&ok);
            if (!ok)
                return Fail(error, QStringLiteral("%1 takes (left, top, right, bottom)").arg(key));
        }
        return TRectValue{v[0], v[1], v[2], v[3]};
    }
    }
    return Fail(error, QStringLiteral("%1: unknown type").arg(key));
}

QString ValueText(const TSetting &setting, const TValue &value)
{
    Q_UNUSED(setting);
    struct TText
    {
        QString operator()(bool b) const { return b ? QStringLiteral("true") : QStringLiteral("false"); }
        QString operator()(qint32 n) const { return QString::number(n); }
        QString operator()(double d) const { return QString::number(d, 'g', 15); }
        QString operator()(const QString &s) const { return s; }
        QString operator()(const QStringList &l) const { return l.join(QLatin1Char(',')); }
        QString operator()(const TFontValue &f) const
        {
            const quint32 bgr = quint32(f.color);
            const quint32 rgb = (bgr & 0xFFu) << 16 | (bgr & 0xFF00u) | (bgr >> 16 & 0xFFu);
            return QStringLiteral("%1,%2,#%3").arg(f.name).arg(f.size).arg(rgb, 6, 16, QLatin1Char('0'));
        }
        QString operator()(const TRectValue &r) const
        {
            return QStringLiteral("(%1, %2, %3, %4)").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
        }
    };
    return std::visit(TText{}, value);
}

QString TypeName(TType type)
{
    switch (type) {
    case TType::Check: return QStringLiteral("check");
    case TType::Boolean: return QStringLiteral("Boolean");
    case TType::Integer: return QStringLiteral("integer");
    case TType::Double: return QStringLiteral("double");
    case TType::WideString: return QStringLiteral("text");
    case TType::WStrings: return QStringLiteral("list");
    case TType::Font: return QStringLiteral("font");
    case TType::Rect: return QStringLiteral("rectangle");
    }
    return {};
}

} // namespace settings
