#include "framework/preferences.h"

#include "dv/datecode.h"
#include "framework/appinfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kStringPrefix = QStringLiteral("String");

QString WithTrailingSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

// ---------------------------------------------------------------- places

TPreferencesPlaces TPreferencesPlaces::ForApplication(const QString &titre)
{
    TPreferencesPlaces places;
    places.titre = titre;
    places.programFile = QCoreApplication::applicationFilePath();
    places.programFolder = WithTrailingSeparator(QFileInfo(places.programFile).absolutePath());
    places.settingsFile = QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kMakerName), titre).fileName();
    return places;
}

TPreferencesPlaces TPreferencesPlaces::At(const QString &titre, const QString &programFile, const QString &configFolder)
{
    TPreferencesPlaces places;
    places.titre = titre;
    places.programFile = programFile;
    places.programFolder = WithTrailingSeparator(QFileInfo(programFile).absolutePath());
    places.settingsFile = WithTrailingSeparator(configFolder) + QLatin1String(kMakerName) + QLatin1Char('/') + titre + QLatin1String(".conf");
    return places;
}

// ---------------------------------------------------------------- texts

TSavePrefsQuestion SavePrefsQuestion(const QString &titre)
{
    TSavePrefsQuestion q;
    q.caption = QStringLiteral("Saving the preferences of %1").arg(titre);
    q.message = QStringLiteral(
        "<SIZE 10>Do you want to save your preferences and find them again on next start?<BR><BR>"
        "Click on your choice:<BR><BR><I>"
        "* either to save them in the registry (normal mode).<BR>"
        "* either to save them in an ini-file (portable mode).<BR>"
        "* either not to save them. In the last case, all preferences will be lost, "
        "and the default values will be loaded on the next start.</I></SIZE>");
    q.choices = {
        {TSavePreferences::spRegistre, QStringLiteral("Normal"),
         QStringLiteral("Save the Preferences in the registry.\r\nIf an ini file existed, it will be deleted.")},
        {TSavePreferences::spPortable, QStringLiteral("Portable"),
         QStringLiteral("Saves the preferences to an ini file.\r\nDeletes the preferences from the registry.")},
        {TSavePreferences::spNone, QStringLiteral("None"),
         QStringLiteral("Exit without saving the preferences.\r\nIf they existed in an ini-file or in the registry,\r\nthey will be deleted.")},
    };
    return q;
}

QString PreferencesVersionText(const QString &titleVersionLanguage)
{
    return titleVersionLanguage + QLatin1String(" by  ") + QLatin1String(kMakerName);
}

// ---------------------------------------------------------------- TBrontelPreferences

TBrontelPreferences::TBrontelPreferences(const TPreferencesPlaces &places, QObject *parent)
    : TBrontelPreferences(places, false)
{
    setParent(parent);
}

TBrontelPreferences::TBrontelPreferences(const TPreferencesPlaces &places, bool readOnly)
    : m_places(places), m_version(PreferencesVersionText(places.titre)), m_readOnly(readOnly),
      m_backEnd(std::make_unique<TNonePreferencesMan>())
{
}

TBrontelPreferences::~TBrontelPreferences() = default;

std::unique_ptr<TBrontelPreferences> TBrontelPreferences::OpenReadOnly(const TPreferencesPlaces &places)
{
    std::unique_ptr<TBrontelPreferences> gp(new TBrontelPreferences(places, true));
    gp->m_mode = DetectMode(places);
    gp->createBackEnd();
    return gp;
}

TSavePreferences TBrontelPreferences::DetectMode(const TPreferencesPlaces &places)
{
    if (QFileInfo::exists(places.iniFile()))
        return TSavePreferences::spPortable;
    if (QFileInfo::exists(places.settingsFile))
        return TSavePreferences::spRegistre;
    return TSavePreferences::spNone;
}

void TBrontelPreferences::createBackEnd()
{
    // The old store is closed first: a portable store is written now.
    QString error;
    if (!m_backEnd->Flush())
        error = m_backEnd->errorString();
    m_backEnd.reset();

    switch (m_mode) {
    case TSavePreferences::spRegistre:
        m_backEnd = std::make_unique<TRegPreferencesMan>(m_places.settingsFile, m_readOnly);
        break;
    case TSavePreferences::spPortable:
        m_backEnd = std::make_unique<TIniPreferencesMan>(m_places.iniFile(), m_readOnly);
        break;
    case TSavePreferences::spNone:
        m_backEnd = std::make_unique<TNonePreferencesMan>();
        break;
    }
    if (!m_backEnd->errorString().isEmpty())
        error = m_backEnd->errorString();
    m_error = error;
    if (m_readOnly)
        return;
    emit modeChanged(m_mode);
    if (m_mode != TSavePreferences::spPortable && QFileInfo::exists(m_places.iniFile()))
        QFile::remove(m_places.iniFile());
    if (m_mode != TSavePreferences::spRegistre)
        TRegPreferencesMan::DeleteStore(m_places.settingsFile);
}

void TBrontelPreferences::SetMode(TSavePreferences mode)
{
    if (mode == m_mode || m_readOnly)
        return;
    m_mode = mode;
    createBackEnd();
}

void TBrontelPreferences::LoadAtStart()
{
    if (m_loaded || m_readOnly)
        return;
    m_loaded = true;
    m_mode = DetectMode(m_places);
    createBackEnd();
    emit loadPrefs(this);
}

TBrontelPreferences::TQuitResult TBrontelPreferences::SaveAtQuit(const TAskSaveMode &ask)
{
    if (m_saved || m_readOnly)
        return TQuitResult::NotSaved;
    if (m_mode == TSavePreferences::spNone) {
        const std::optional<TSavePreferences> chosen = ask ? ask(SavePrefsQuestion(titre())) : TSavePreferences::spNone;
        if (!chosen)
            return TQuitResult::Refused;
        m_mode = *chosen;
        createBackEnd(); // "None" again deletes both stores
    }
    m_saved = true;
    if (m_mode == TSavePreferences::spNone)
        return TQuitResult::NotSaved;
    m_backEnd->OpenRoot();
    WriteRootValues(m_version);
    emit savePrefs(this);
    m_backEnd->OpenRoot();
    if (!m_backEnd->Flush()) {
        m_error = m_backEnd->errorString();
        return TQuitResult::Failed;
    }
    return TQuitResult::Saved;
}

bool TBrontelPreferences::OpenKey(const QString &name)
{
    return m_backEnd->OpenKey(name, true);
}

bool TBrontelPreferences::CloseKey()
{
    return m_backEnd->CloseKey();
}

QString TBrontelPreferences::errorString() const
{
    return m_error;
}

std::optional<bool> TBrontelPreferences::FindBool(const QString &key)
{
    return m_backEnd->ReadBool(key);
}

std::optional<qint32> TBrontelPreferences::FindInteger(const QString &key)
{
    return m_backEnd->ReadInteger(key);
}

std::optional<double> TBrontelPreferences::FindFloat(const QString &key)
{
    return m_backEnd->ReadFloat(key);
}

std::optional<QString> TBrontelPreferences::FindString(const QString &key)
{
    return m_backEnd->ReadString(key);
}

bool TBrontelPreferences::WriteBool(const QString &key, bool value)
{
    return m_backEnd->WriteBool(key, value);
}

bool TBrontelPreferences::WriteInteger(const QString &key, qint32 value)
{
    return m_backEnd->WriteInteger(key, value);
}

bool TBrontelPreferences::WriteFloat(const QString &key, double value)
{
    return m_backEnd->WriteFloat(key, value);
}

bool TBrontelPreferences::WriteString(const QString &key, const QString &value)
{
    return m_backEnd->WriteString(key, value);
}

// Runs a compound read or write inside the sub-key, and comes back out of it whatever happens.
template <typename F>
auto TBrontelPreferences::inSubKey(const QString &key, bool create, F fields) -> decltype(fields(std::declval<TPreferencesMan &>()))
{
    if (!m_backEnd->OpenKey(key, create))
        return {};
    auto result = fields(*m_backEnd);
    m_backEnd->CloseKey();
    return result;
}

std::optional<QStringList> TBrontelPreferences::FindStrings(const QString &key)
{
    return inSubKey(key, false, [](TPreferencesMan &store) -> std::optional<QStringList> {
        const auto names = store.GetValueNames();
        if (!names)
            return std::nullopt;
        QStringList list;
        list.reserve(names->size());
        for (const QString &name : *names) {
            const auto line = store.ReadString(name);
            if (!line)
                return std::nullopt;
            list.append(*line);
        }
        return list;
    });
}

bool TBrontelPreferences::WriteStrings(const QString &key, const QStringList &value)
{
    inSubKey(key, false, [](TPreferencesMan &store) {
        for (const QString &name : store.GetValueNames().value_or(QStringList()))
            store.DeleteValue(name);
        return true;
    });
    return inSubKey(key, true, [&value](TPreferencesMan &store) {
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (!store.WriteString(kStringPrefix + QString::number(i), value.at(i)))
                return false;
        }
        return true;
    });
}

std::optional<TFontValue> TBrontelPreferences::FindFont(const QString &key)
{
    return inSubKey(key, false, [](TPreferencesMan &store) -> std::optional<TFontValue> {
        TFontValue font;
        const auto charset = store.ReadInteger(QStringLiteral("Charset"));
        const auto color = store.ReadInteger(QStringLiteral("Color"));
        const auto name = store.ReadString(QStringLiteral("Name"));
        const auto pitch = store.ReadInteger(QStringLiteral("Pitch"));
        const auto ppi = store.ReadInteger(QStringLiteral("PixelsperInch"));
        const auto size = store.ReadInteger(QStringLiteral("Size"));
        const auto bold = store.ReadBool(QStringLiteral("Bold"));
        const auto italic = store.ReadBool(QStringLiteral("Italic"));
        const auto strikeOut = store.ReadBool(QStringLiteral("StrikeOut"));
        const auto underline = store.ReadBool(QStringLiteral("Underline"));
        if (!charset || !color || !name || !pitch || !ppi || !size || !bold || !italic || !strikeOut || !underline)
            return std::nullopt;
        font.charset = *charset;
        font.color = *color;
        font.name = *name;
        font.pitch = *pitch;
        font.pixelsPerInch = *ppi;
        font.size = *size;
        font.bold = *bold;
        font.italic = *italic;
        font.strikeOut = *strikeOut;
        font.underline = *underline;
        return font;
    });
}

bool TBrontelPreferences::WriteFont(const QString &key, const TFontValue &value)
{
    return inSubKey(key, true, [&value](TPreferencesMan &store) {
        return store.WriteInteger(QStringLiteral("Charset"), value.charset)
            && store.WriteInteger(QStringLiteral("Color"), value.color)
            && store.WriteString(QStringLiteral("Name"), value.name)
            && store.WriteInteger(QStringLiteral("Pitch"), value.pitch)
            && store.WriteInteger(QStringLiteral("PixelsperInch"), value.pixelsPerInch)
            && store.WriteInteger(QStringLiteral("Size"), value.size)
            && store.WriteBool(QStringLiteral("Bold"), value.bold)
            && store.WriteBool(QStringLiteral("Italic"), value.italic)
            && store.WriteBool(QStringLiteral("StrikeOut"), value.strikeOut)
            && store.WriteBool(QStringLiteral("Underline"), value.underline);
    });
}

std::optional<TRectValue> TBrontelPreferences::FindRect(const QString &key)
{
    return inSubKey(key, false, [](TPreferencesMan &store) -> std::optional<TRectValue> {
        const auto top = store.ReadInteger(QStringLiteral("Top"));
        const auto left = store.ReadInteger(QStringLiteral("Left"));
        const auto right = store.ReadInteger(QStringLiteral("Right"));
        const auto bottom = store.ReadInteger(QStringLiteral("Bottom"));
        if (!top || !left || !right || !bottom)
            return std::nullopt;
        return TRectValue{*left, *top, *right, *bottom};
    });
}

bool TBrontelPreferences::WriteRect(const QString &key, const TRectValue &value)
{
    return inSubKey(key, true, [&value](TPreferencesMan &store) {
        return store.WriteInteger(QStringLiteral("Left"), value.left)
            && store.WriteInteger(QStringLiteral("Top"), value.top)
            && store.WriteInteger(QStringLiteral("Right"), value.right)
            && store.WriteInteger(QStringLiteral("Bottom"), value.bottom);
    });
}

bool TBrontelPreferences::WriteRootValues(const QString &version)
{
    const QString saved = FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss"), QDateTimeToDateTime(QDateTime::currentDateTime()));
    const bool v = m_backEnd->WriteString(QStringLiteral("Version"), version);
    const bool s = m_backEnd->WriteString(QStringLiteral("Dernière Sauvegarde"), saved);
    const bool e = m_backEnd->WriteString(QStringLiteral("ExeName"), m_places.programFile);
    return v && s && e;
}
