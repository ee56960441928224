#pragma once

// The back ends of the preferences store. Each holds one store as a tree of
// keys, each key with named values and sub-keys; key paths are relative to
// the store's root and joined with "\" ("" is the root). A back end starts at
// the root; OpenKey and CloseKey move its current key, and values are read and
// written in the current key. Names are matched ignoring case.
//
//   TRegPreferencesMan   the per-user store of QSettings (the normal mode):
//                        Booleans as 1 / 0, doubles in the C locale's format, a
//                        number that does not parse is not read
//   TIniPreferencesMan   the ini file of the portable mode (inifile.h): Booleans
//                        as "True" / "False", doubles in the user's format, a
//                        number that does not parse reads as 0
//   TNonePreferencesMan  no store: every operation fails
//
// Every operation returns whether it succeeded and never throws; a failure
// leaves the store and the current key as they were. A back end opened read
// only never writes, creates or deletes anything.

#include "framework/inifile.h"

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class TPreferencesMan
{
public:
    virtual ~TPreferencesMan() = default;

    // Names of the values, and of the sub-keys, of the current key.
    virtual std::optional<QStringList> GetValueNames() = 0;
    virtual std::optional<QStringList> GetKeyNames() = 0;
    // Makes a sub-key of the current key current, creating it if missing and create is set.
    bool OpenKey(const QString &name, bool create);
    // Makes the parent of the current key current.
    bool CloseKey();
    // Makes the root current.
    bool OpenRoot();
    const QString &currentPath() const { return m_path; }

    virtual bool WriteString(const QString &name, const QString &value) = 0;
    virtual std::optional<QString> ReadString(const QString &name) = 0;
    virtual bool DeleteValue(const QString &name) = 0;
    // Typed values, stored as text by the rules of the back end.
    bool WriteBool(const QString &name, bool value);
    std::optional<bool> ReadBool(const QString &name);
    bool WriteInteger(const QString &name, qint32 value);
    std::optional<qint32> ReadInteger(const QString &name);
    bool WriteFloat(const QString &name, double value);
    std::optional<double> ReadFloat(const QString &name);

    // Puts what was written on disk; false with errorString() when that fails.
    virtual bool Flush() { return true; }
    QString errorString() const { return m_error; }

protected:
    // How a back end writes typed values as text and reads them back.
    struct TValueRules
    {
        QString trueText;      // a Boolean is exactly one of these two texts
        QString falseText;
        bool localeNumbers;    // doubles in the user's format (else the C locale's)
        bool noNumberReadsZero; // a number that does not parse reads as 0 (else it is not read)
    };
    explicit TPreferencesMan(TValueRules rules) : m_rules(std::move(rules)) {}

    // Makes a key path current (already joined, "" the root).
    virtual bool openPath(const QString &path, bool create) = 0;
    void setError(const QString &error) { m_error = error; }

private:
    TValueRules m_rules;
    QString m_path;
    QString m_error;
};

class TNonePreferencesMan final : public TPreferencesMan
{
public:
    TNonePreferencesMan() : TPreferencesMan({QStringLiteral("True"), QStringLiteral("False"), false, false}) {}

    std::optional<QStringList> GetValueNames() override { return std::nullopt; }
    std::optional<QStringList> GetKeyNames() override { return std::nullopt; }
    bool WriteString(const QString &, const QString &) override { return false; }
    std::optional<QString> ReadString(const QString &) override { return std::nullopt; }
    bool DeleteValue(const QString &) override { return false; }

protected:
    bool openPath(const QString &, bool) override { return false; }
};

class TRegPreferencesMan final : public TPreferencesMan
{
public:
    // The store in fileName (QSettings' ini format, its own escaping).
    TRegPreferencesMan(const QString &fileName, bool readOnly);
    ~TRegPreferencesMan() override;

    std::optional<QStringList> GetValueNames() override;
    std::optional<QStringList> GetKeyNames() override;
    bool WriteString(const QString &name, const QString &value) override;
    std::optional<QString> ReadString(const QString &name) override;
    bool DeleteValue(const QString &name) override;
    bool Flush() override;

    // Deletes the store of fileName, and the folder that holds it when it is
    // then empty (the maker's folder, shared with the maker's other programs).
    static bool DeleteStore(const QString &fileName);

protected:
    bool openPath(const QString &path, bool create) override;

private:
    std::optional<QVariant> read(const QString &name);
    // The stored spelling of a value name of the current key, or name itself.
    QString storedName(const QString &name);
    // The sub-keys or value names of a group ("" the root).
    QStringList childNames(const QString &group, QStringList (QSettings::*list)() const);

    QSettings m_settings;
    bool m_readOnly;
    QString m_group; // the current key as QSettings spells it ("/" between keys)
};

class TIniPreferencesMan final : public TPreferencesMan
{
public:
    // The store in an ini file; a missing file starts as the root header alone.
    // The file is written by Flush() and at destruction.
    TIniPreferencesMan(const QString &fileName, bool readOnly);
    ~TIniPreferencesMan() override;

    std::optional<QStringList> GetValueNames() override;
    std::optional<QStringList> GetKeyNames() override;
    bool WriteString(const QString &name, const QString &value) override;
    std::optional<QString> ReadString(const QString &name) override;
    bool DeleteValue(const QString &name) override;
    bool Flush() override;

    const TIniDocument &document() const { return m_document; }

protected:
    bool openPath(const QString &path, bool create) override;

private:
    QString m_fileName;
    bool m_readOnly;
    bool m_unreadable = false; // the file exists but could not be read: never overwritten
    bool m_modified = false;
    TIniDocument m_document;
    int m_section = -1;
};

// A number as the ini file and the user see it: the shortest text that reads
// back as the same double, with the default locale's decimal separator and no
// group separators.
QString LocaleFloatText(double value);
// A number written in the default locale's format, or in the C locale's
// (a store written under another locale); nothing for anything else.
std::optional<double> ParseLocaleFloat(const QString &text);
