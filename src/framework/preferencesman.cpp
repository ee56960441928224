#include "framework/preferencesman.h"

#include "framework/frameworktext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {

const QChar kKeySeparator = QLatin1Char('\\');

// QSettings keeps no empty group: a created key holds this value, which no
// listing shows, so that an emptied list stays an empty list.
const QString kKeyMarker = QStringLiteral(".");

QString JoinPath(const QString &path, const QString &name)
{
    return path.isEmpty() ? name : path + kKeySeparator + name;
}

// A key or value name a store can hold: not empty, no separator, no line break.
bool IsPlainName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(kKeySeparator)
        && !name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n'));
}

// Orders value names as a user reads them: "String2" before "String10".
bool NaturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a.at(ei).isDigit())
                ++ei;
            while (ej < b.size() && b.at(ej).isDigit())
                ++ej;
            // Compare the digit runs as numbers of any length: without their
            // leading zeros, the longer is the larger.
            QStringView da = QStringView(a).sliced(i, ei - i);
            QStringView db = QStringView(b).sliced(j, ej - j);
            while (da.size() > 1 && da.front() == QLatin1Char('0'))
                da = da.sliced(1);
            while (db.size() > 1 && db.front() == QLatin1Char('0'))
                db = db.sliced(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (const int c = QString::compare(a.sliced(i, 1), b.sliced(j, 1), Qt::CaseInsensitive); c != 0)
            return c < 0;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace

QString LocaleFloatText(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

std::optional<double> ParseLocaleFloat(const QString &text)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = locale.toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

// ---------------------------------------------------------------- TPreferencesMan

bool TPreferencesMan::OpenKey(const QString &name, bool create)
{
    if (!IsPlainName(name))
        return false;
    const QString path = JoinPath(m_path, name);
    if (!openPath(path, create))
        return false;
    m_path = path;
    return true;
}

bool TPreferencesMan::CloseKey()
{
    const QString parent = m_path.left(std::max<qsizetype>(0, m_path.lastIndexOf(kKeySeparator)));
    if (!openPath(parent, false))
        return false;
    m_path = parent;
    return true;
}

bool TPreferencesMan::OpenRoot()
{
    if (!openPath(QString(), false))
        return false;
    m_path.clear();
    return true;
}

bool TPreferencesMan::WriteBool(const QString &name, bool value)
{
    return WriteString(name, value ? m_rules.trueText : m_rules.falseText);
}

std::optional<bool> TPreferencesMan::ReadBool(const QString &name)
{
    const auto text = ReadString(name);
    if (text == m_rules.trueText)
        return true;
    if (text == m_rules.falseText)
        return false;
    return std::nullopt;
}

bool TPreferencesMan::WriteInteger(const QString &name, qint32 value)
{
    return WriteString(name, QString::number(value));
}

std::optional<qint32> TPreferencesMan::ReadInteger(const QString &name)
{
    const auto text = ReadString(name);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const qint32 value = text->toInt(&ok);
    if (ok)
        return value;
    return m_rules.noNumberReadsZero ? std::optional<qint32>(0) : std::nullopt;
}

bool TPreferencesMan::WriteFloat(const QString &name, double value)
{
    return WriteString(name, m_rules.localeNumbers ? LocaleFloatText(value)
                                                   : QString::number(value, 'g', QLocale::FloatingPointShortest));
}

std::optional<double> TPreferencesMan::ReadFloat(const QString &name)
{
    const auto text = ReadString(name);
    if (!text)
        return std::nullopt;
    std::optional<double> value;
    if (m_rules.localeNumbers) {
        value = ParseLocaleFloat(*text);
    } else {
        bool ok = false;
        const double number = QLocale::c().toDouble(*text, &ok);
        if (ok)
            value = number;
    }
    return value || !m_rules.noNumberReadsZero ? value : std::optional<double>(0.0);
}

// ---------------------------------------------------------------- TRegPreferencesMan

TRegPreferencesMan::TRegPreferencesMan(const QString &fileName, bool readOnly)
    : TPreferencesMan({QStringLiteral("1"), QStringLiteral("0"), false, false}), m_settings(fileName, QSettings::IniFormat), m_readOnly(readOnly)
{
    m_settings.setFallbacksEnabled(false);
}

TRegPreferencesMan::~TRegPreferencesMan()
{
    Flush();
}

bool TRegPreferencesMan::openPath(const QString &path, bool create)
{
    // Each key of the path as stored, matched ignoring case.
    QString group;
    bool missing = false;
    for (const QString &key : path.split(kKeySeparator, Qt::SkipEmptyParts)) {
        QString stored = key;
        if (!missing) {
            const QStringList children = childNames(group, &QSettings::childGroups);
            const auto found = std::find_if(children.begin(), children.end(), [&key](const QString &child) {
                return child.compare(key, Qt::CaseInsensitive) == 0;
            });
            if (found != children.end())
                stored = *found;
            else
                missing = true;
        }
        group = group.isEmpty() ? stored : group + QLatin1Char('/') + stored;
    }
    if (missing) {
        if (!create || m_readOnly)
            return false;
        m_settings.setValue(group + QLatin1Char('/') + kKeyMarker, QString());
    }
    m_group = group;
    return true;
}

QStringList TRegPreferencesMan::childNames(const QString &group, QStringList (QSettings::*list)() const)
{
    if (group.isEmpty())
        return (m_settings.*list)();
    m_settings.beginGroup(group);
    QStringList names = (m_settings.*list)();
    m_settings.endGroup();
    return names;
}

QString TRegPreferencesMan::storedName(const QString &name)
{
    const QString prefix = m_group.isEmpty() ? QString() : m_group + QLatin1Char('/');
    if (m_settings.contains(prefix + name))
        return name;
    for (const QString &key : childNames(m_group, &QSettings::childKeys)) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return key;
    }
    return name;
}

std::optional<QStringList> TRegPreferencesMan::GetValueNames()
{
    QStringList names = childNames(m_group, &QSettings::childKeys);
    names.removeAll(kKeyMarker);
    // QSettings lists its keys sorted as text; values written in order, like
    // a list's String0 ... String10, come back in that order.
    std::stable_sort(names.begin(), names.end(), NaturalLess);
    return names;
}

std::optional<QStringList> TRegPreferencesMan::GetKeyNames()
{
    QStringList names = childNames(m_group, &QSettings::childGroups);
    std::stable_sort(names.begin(), names.end(), NaturalLess);
    return names;
}


std::optional<QVariant> TRegPreferencesMan::read(const QString &name)
{
    if (!IsPlainName(name) || name == kKeyMarker)
        return std::nullopt;
    const QString key = (m_group.isEmpty() ? QString() : m_group + QLatin1Char('/')) + storedName(name);
    if (!m_settings.contains(key))
        return std::nullopt;
    return m_settings.value(key);
}

bool TRegPreferencesMan::WriteString(const QString &name, const QString &value)
{
    if (m_readOnly || !IsPlainName(name) || name == kKeyMarker)
        return false;
    const QString stored = storedName(name);
    m_settings.setValue(m_group.isEmpty() ? stored : m_group + QLatin1Char('/') + stored, value);
    return m_settings.status() != QSettings::AccessError;
}

std::optional<QString> TRegPreferencesMan::ReadString(const QString &name)
{
    const auto value = read(name);
    if (!value)
        return std::nullopt;
    // A hand-written line with commas reads back as a list.
    if (value->metaType().id() == QMetaType::QStringList)
        return value->toStringList().join(QLatin1String(", "));
    return value->toString();
}

bool TRegPreferencesMan::DeleteValue(const QString &name)
{
    if (m_readOnly || !read(name))
        return false;
    m_settings.remove((m_group.isEmpty() ? QString() : m_group + QLatin1Char('/')) + storedName(name));
    return true;
}

bool TRegPreferencesMan::Flush()
{
    if (m_readOnly)
        return true;
    m_settings.sync();
    if (m_settings.status() == QSettings::AccessError) {
        setError(QStringLiteral("The preferences cannot be written to %1").arg(m_settings.fileName()));
        return false;
    }
    return true;
}

bool TRegPreferencesMan::DeleteStore(const QString &fileName)
{
    if (QFileInfo::exists(fileName)) {
        // Through QSettings, so that its cache of the file forgets it too.
        QSettings settings(fileName, QSettings::IniFormat);
        settings.clear();
        settings.sync();
    }
    QFile::remove(fileName + QLatin1String(".lock"));
    if (QFile::exists(fileName) && !QFile::remove(fileName))
        return false;
    const QFileInfo info(fileName);
    QDir().rmdir(info.absolutePath()); // only when empty
    return true;
}

// ---------------------------------------------------------------- TIniPreferencesMan

TIniPreferencesMan::TIniPreferencesMan(const QString &fileName, bool readOnly)
    : TPreferencesMan({QStringLiteral("True"), QStringLiteral("False"), true, true}), m_fileName(fileName), m_readOnly(readOnly)
{
    if (QFileInfo::exists(fileName)) {
        const TFrameworkTextRead read = ReadFrameworkTextFile(fileName);
        if (read.ok) {
            m_document = TIniDocument(read.lines);
        } else {
            m_unreadable = true;
            setError(QStringLiteral("The preferences file %1 cannot be read: %2").arg(fileName, read.errorString));
        }
    } else {
        m_modified = true; // a new store is written even when nothing is set
    }
    m_section = m_document.findSection(QString());
    if (m_section < 0 && !m_readOnly) {
        m_section = m_document.addSection(QString());
        m_modified = true;
    }
}

TIniPreferencesMan::~TIniPreferencesMan()
{
    Flush();
}

bool TIniPreferencesMan::openPath(const QString &path, bool create)
{
    int section = m_document.findSection(path);
    if (section < 0 && create && !m_readOnly) {
        section = m_document.addSection(path);
        m_modified = m_modified || section >= 0;
    }
    if (section < 0)
        return false;
    m_section = section;
    return true;
}

std::optional<QStringList> TIniPreferencesMan::GetValueNames()
{
    if (m_section < 0)
        return std::nullopt;
    return m_document.valueNames(m_section);
}

std::optional<QStringList> TIniPreferencesMan::GetKeyNames()
{
    return m_document.subKeyNames(currentPath());
}

bool TIniPreferencesMan::WriteString(const QString &name, const QString &value)
{
    if (m_readOnly || m_section < 0 || !m_document.setValue(m_section, name, value))
        return false;
    m_modified = true;
    return true;
}

std::optional<QString> TIniPreferencesMan::ReadString(const QString &name)
{
    if (m_section < 0)
        return std::nullopt;
    return m_document.value(m_section, name);
}

bool TIniPreferencesMan::DeleteValue(const QString &name)
{
    if (m_readOnly || m_section < 0 || !m_document.deleteValue(m_section, name))
        return false;
    m_modified = true;
    return true;
}

bool TIniPreferencesMan::Flush()
{
    if (m_readOnly || !m_modified)
        return true;
    if (m_unreadable)
        return false; // the error says why; the unread file is kept
    QString error;
    if (!WriteFrameworkTextFile(m_fileName, m_document.lines(), &error)) {
        setError(QStringLiteral("The preferences cannot be written to %1: %2").arg(m_fileName, error));
        return false;
    }
    m_modified = false;
    return true;
}
