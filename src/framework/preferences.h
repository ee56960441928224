#pragma once

// TBrontelPreferences: the preferences store the settings live in between
// runs, in one of three modes:
//
//   spRegistre  normal mode: the per-user QSettings store of the maker
//               "Orin Brontel" and the application's title (~/.config/Orin Brontel/Tarvex.conf)
//   spPortable  portable mode: the ini file named after the title next to the
//               program (Tarvex.ini), UTF-16 text written at quit
//   spNone      nothing is stored; at quit the user is asked where to save
//
// The mode is found at start from which store exists (the ini file first).
// Whenever the mode changes the stores of the other modes are deleted at once,
// so at most one store exists. Settings are read and written by key in the
// current key of the store: Booleans, integers, doubles, strings, and the
// compound values below, each kept in a sub-key named by its key:
//
//   string list  String0, String1, ... in list order
//   font         Charset, Color, Name, Pitch, PixelsperInch, Size, Bold, Italic, StrikeOut, Underline
//   rectangle    Left, Top, Right, Bottom
//
// A reader returns the default when the mode is "none" or the value is
// missing or unreadable; the Find... readers say whether a value is stored. A
// writer returns false in mode "none" or when the store refuses the value.
// Nothing here throws or shows anything; errorString() says why the store
// could not be written to disk. Main thread only.

#include "framework/preferencesman.h"
#include "framework/settingvalues.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

enum class TSavePreferences : int { spRegistre = 0, spPortable = 1, spNone = 2 };

// Where the stores of an application are.
struct TPreferencesPlaces
{
    QString titre;         // the application's title: names the stores ("Tarvex")
    QString programFile;   // the running program's full path
    QString programFolder; // its folder, with a trailing separator
    QString settingsFile;  // the normal mode's store

    // The portable mode's store: programFolder + titre + ".ini".
    QString iniFile() const { return programFolder + titre + QLatin1String(".ini"); }

    // For the running program: its file, and QSettings' per-user store of the maker and titre.
    static TPreferencesPlaces ForApplication(const QString &titre);
    // For a program file and a per-user config folder (the folder that holds the maker's folder).
    static TPreferencesPlaces At(const QString &titre, const QString &programFile, const QString &configFolder);

    bool operator==(const TPreferencesPlaces &) const = default;
};

// The question asked at quit when nothing is stored yet.
struct TSavePrefsChoice
{
    TSavePreferences mode;
    QString caption; // the button
    QString hint;
};

struct TSavePrefsQuestion
{
    QString caption;          // the dialog's title
    QString message;          // rich link text markup
    QList<TSavePrefsChoice> choices; // Normal, Portable, None
};

TSavePrefsQuestion SavePrefsQuestion(const QString &titre);

// Asks the question; nothing when the user closed the dialog without choosing.
using TAskSaveMode = std::function<std::optional<TSavePreferences>(const TSavePrefsQuestion &)>;

// The version text stored at each save: the title, version and language, then " by  " and the maker.
QString PreferencesVersionText(const QString &titleVersionLanguage);

class TBrontelPreferences : public QObject
{
    Q_OBJECT

public:
    // Mode "none" with nothing stored, until LoadAtStart().
    explicit TBrontelPreferences(const TPreferencesPlaces &places, QObject *parent = nullptr);
    // Closes the store; a portable store is written now.
    ~TBrontelPreferences() override;

    // The store found as LoadAtStart() finds it, opened read only: the
    // command-line tool reads the window's settings and never changes or
    // deletes anything.
    static std::unique_ptr<TBrontelPreferences> OpenReadOnly(const TPreferencesPlaces &places);

    // The mode whose store exists: portable if the ini file exists, else
    // normal if the per-user store exists, else none.
    static TSavePreferences DetectMode(const TPreferencesPlaces &places);

    const TPreferencesPlaces &places() const { return m_places; }
    const QString &titre() const { return m_places.titre; }
    const QString &version() const { return m_version; }
    void setVersion(const QString &version) { m_version = version; }
    TSavePreferences mode() const { return m_mode; }
    bool isReadOnly() const { return m_readOnly; }

    // Switches to another mode: its store is opened and the stores of the
    // other modes are deleted. Nothing when the mode is unchanged or the
    // store is read only.
    void SetMode(TSavePreferences mode);

    // Once, when the main window is first shown: finds the mode, opens its
    // store (deleting any store of another mode), then raises loadPrefs.
    void LoadAtStart();

    enum class TQuitResult { Saved, NotSaved, Refused, Failed };
    // Once, when the main window closes. In mode "none" the user is asked
    // where to save: no answer refuses the close (Refused, nothing saved or
    // deleted); the answer becomes the mode (choosing "None" deletes both
    // stores: NotSaved). Otherwise the root values are written, savePrefs is
    // raised and the store is put on disk (Saved, or Failed with errorString()).
    // A second call does nothing and answers NotSaved.
    TQuitResult SaveAtQuit(const TAskSaveMode &ask);

    // Moves into a sub-key of the current key (created when missing) and
    // back to its parent; false in mode "none".
    bool OpenKey(const QString &name);
    bool CloseKey();
    QString currentKey() const { return m_backEnd->currentPath(); }

    std::optional<bool> FindBool(const QString &key);
    std::optional<qint32> FindInteger(const QString &key);
    std::optional<double> FindFloat(const QString &key);
    std::optional<QString> FindString(const QString &key);
    std::optional<QStringList> FindStrings(const QString &key);
    std::optional<TFontValue> FindFont(const QString &key);
    std::optional<TRectValue> FindRect(const QString &key);

    bool ReadBool(const QString &key, bool def) { return FindBool(key).value_or(def); }
    qint32 ReadInteger(const QString &key, qint32 def) { return FindInteger(key).value_or(def); }
    double ReadFloat(const QString &key, double def) { return FindFloat(key).value_or(def); }
    QString ReadString(const QString &key, const QString &def) { return FindString(key).value_or(def); }
    QStringList ReadStrings(const QString &key, const QStringList &def) { return FindStrings(key).value_or(def); }
    TFontValue ReadFont(const QString &key, const TFontValue &def) { return FindFont(key).value_or(def); }
    TRectValue ReadRect(const QString &key, const TRectValue &def) { return FindRect(key).value_or(def); }

    bool WriteBool(const QString &key, bool value);
    bool WriteInteger(const QString &key, qint32 value);
    bool WriteFloat(const QString &key, double value);
    bool WriteString(const QString &key, const QString &value);
    // The sub-key's old values are deleted first.
    bool WriteStrings(const QString &key, const QStringList &value);
    bool WriteFont(const QString &key, const TFontValue &value);
    bool WriteRect(const QString &key, const TRectValue &value);

    // Writes "Version", "Dernière Sauvegarde" (the local date and time as
    // "yyyy/mm/dd hh:nn:ss" with the locale's separators) and "ExeName" (the
    // program file) into the current key.
    bool WriteRootValues(const QString &version);

    // Why the store could not be read or put on disk; empty when it could.
    QString errorString() const;

    TPreferencesMan &backEnd() { return *m_backEnd; }

signals:
    // A store was opened for a mode.
    void modeChanged(TSavePreferences mode);
    // Time to load, and to save, the settings through this store.
    void loadPrefs(TBrontelPreferences *gp);
    void savePrefs(TBrontelPreferences *gp);

private:
    TBrontelPreferences(const TPreferencesPlaces &places, bool readOnly);

    // Opens the store of the current mode and deletes the others.
    void createBackEnd();
    template <typename F>
    auto inSubKey(const QString &key, bool create, F fields) -> decltype(fields(std::declval<TPreferencesMan &>()));

    TPreferencesPlaces m_places;
    QString m_version;
    bool m_readOnly = false;
    TSavePreferences m_mode = TSavePreferences::spNone;
    std::unique_ptr<TPreferencesMan> m_backEnd;
    QString m_error;
    bool m_loaded = false;
    bool m_saved = false;
};
