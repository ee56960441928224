#include "framework/inifile.h"

namespace {

bool IsHeader(const QString &line)
{
    return line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')) && line.size() >= 2;
}

bool HasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

QString Folded(const QString &text)
{
    return text.toCaseFolded();
}

} // namespace

std::optional<QString> IniValueName(const QString &line)
{
    const qsizetype equal = line.indexOf(QLatin1Char('='));
    if (equal < 0)
        return std::nullopt;
    return line.left(equal);
}

TIniDocument::TIniDocument() : TIniDocument(QStringList{QStringLiteral("[]")}) {}

TIniDocument::TIniDocument(const QStringList &lines)
{
    TSection preamble;
    preamble.hasHeader = false;
    m_sections.push_back(std::move(preamble));
    for (const QString &line : lines) {
        if (IsHeader(line)) {
            TSection s;
            s.header = line;
            s.path = line.mid(1, line.size() - 2);
            m_sections.push_back(std::move(s));
            continue;
        }
        TSection &last = m_sections.back();
        if (last.hasHeader && last.rest.isEmpty() && !line.isEmpty())
            last.values.append(line);
        else
            last.rest.append(line);
    }
}

QStringList TIniDocument::lines() const
{
    QStringList out;
    for (const TSection &s : m_sections) {
        if (s.hasHeader)
            out.append(s.header);
        out.append(s.values);
        out.append(s.rest);
    }
    return out;
}

const QString *TIniDocument::lastLine() const
{
    for (auto s = m_sections.rbegin(); s != m_sections.rend(); ++s) {
        if (!s->rest.isEmpty())
            return &s->rest.last();
        if (!s->values.isEmpty())
            return &s->values.last();
        if (s->hasHeader)
            return &s->header;
    }
    return nullptr;
}

const TIniDocument::TSection &TIniDocument::section(int section) const
{
    return m_sections[size_t(section)];
}

void TIniDocument::rebuildIndex() const
{
    m_paths.clear();
    // From the end, so that the first section of a path wins.
    for (size_t i = m_sections.size(); i-- > 0;) {
        if (m_sections[i].hasHeader)
            m_paths[Folded(m_sections[i].path)] = int(i);
    }
    m_pathsIndexed = true;
}

int TIniDocument::findSection(const QString &path) const
{
    if (!m_pathsIndexed)
        rebuildIndex();
    return m_paths.value(Folded(path), -1);
}

int TIniDocument::addSection(const QString &path)
{
    const int found = findSection(path);
    if (found >= 0)
        return found;
    if (HasLineBreak(path) || path.endsWith(QLatin1Char(']')))
        return -1;
    if (const QString *last = lastLine(); last && !last->isEmpty())
        m_sections.back().rest.append(QString());
    TSection s;
    s.header = QLatin1Char('[') + path + QLatin1Char(']');
    s.path = path;
    m_sections.push_back(std::move(s));
    m_pathsIndexed = false;
    return int(m_sections.size() - 1);
}

void TIniDocument::indexSection(const TSection &s) const
{
    if (s.indexed)
        return;
    s.index.clear();
    for (qsizetype i = s.values.size(); i-- > 0;) {
        if (const auto name = IniValueName(s.values.at(i)))
            s.index.insert(Folded(*name), i);
    }
    s.indexed = true;
}

qsizetype TIniDocument::lineOf(const TSection &s, const QString &name) const
{
    indexSection(s);
    return s.index.value(Folded(name), -1);
}

QStringList TIniDocument::valueNames(int sectionIndex) const
{
    QStringList names;
    for (const QString &line : section(sectionIndex).values) {
        if (const auto name = IniValueName(line))
            names.append(*name);
    }
    return names;
}

std::optional<QString> TIniDocument::value(int sectionIndex, const QString &name) const
{
    const TSection &s = section(sectionIndex);
    const qsizetype line = lineOf(s, name);
    if (line < 0)
        return std::nullopt;
    const QString &text = s.values.at(line);
    return text.mid(text.indexOf(QLatin1Char('=')) + 1);
}

bool TIniDocument::setValue(int sectionIndex, const QString &name, const QString &value)
{
    if (HasLineBreak(name) || HasLineBreak(value) || name.contains(QLatin1Char('=')) || name.startsWith(QLatin1Char('[')))
        return false;
    TSection &s = m_sections[size_t(sectionIndex)];
    const QString line = name + QLatin1Char('=') + value;
    const qsizetype at = lineOf(s, name);
    if (at >= 0) {
        s.values[at] = line;
        return true;
    }
    if (!s.hasHeader) // the text before the first header is no section
        return false;
    s.values.append(line);
    s.index.insert(Folded(name), s.values.size() - 1);
    return true;
}

bool TIniDocument::deleteValue(int sectionIndex, const QString &name)
{
    TSection &s = m_sections[size_t(sectionIndex)];
    const qsizetype at = lineOf(s, name);
    if (at < 0)
        return false;
    s.values.removeAt(at);
    s.indexed = false;
    return true;
}

QStringList TIniDocument::subKeyNames(const QString &path) const
{
    const QString prefix = path.isEmpty() ? QString() : path + QLatin1Char('\\');
    QStringList names;
    QHash<QString, bool> seen;
    for (const TSection &s : m_sections) {
        if (!s.hasHeader || s.path.size() <= prefix.size() || !s.path.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QString below = s.path.mid(prefix.size());
        const QString name = below.section(QLatin1Char('\\'), 0, 0);
        if (name.isEmpty() || seen.contains(Folded(name)))
            continue;
        seen.insert(Folded(name), true);
        names.append(name);
    }
    return names;
}
