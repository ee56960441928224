#pragma once

// The ini text of the portable preferences store, held as lines.
//
//   []                       the root section: its header is the first line of a new file
//   Version=...              a value: name, "=", the text after the first "="
//
//   [UIForm]                 a section of key path UIForm; sub-keys are joined with "\"
//   Volume=5000
//
//   [UIForm\FileNames]
//   String0=/videos/a.avi
//
// A section's values are the lines after its header up to the next empty line
// or header; any other line (text before the first header, lines after an
// empty line, lines without "=") is kept as it is and means nothing. Section
// paths and value names are matched ignoring case; the first section of a path
// and the first line of a name win. New values go to the end of their section,
// new sections to the end of the text after an empty line.
//
// Every line of a file comes back out unchanged: only the lines written to are
// replaced. Lookups go through hashes, so a section of ten thousand values is
// read in linear time.

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class TIniDocument
{
public:
    // A new store: the root header alone.
    TIniDocument();
    explicit TIniDocument(const QStringList &lines);

    QStringList lines() const;

    // The section of a key path (without brackets), or -1.
    int findSection(const QString &path) const;
    // The section of a path, appended when missing; -1 for a path that cannot
    // be a header (line breaks, "]" at its end).
    int addSection(const QString &path);
    QString sectionPath(int section) const { return m_sections[size_t(section)].path; }

    // Names of the section's values, in line order (a name that appears twice is listed twice).
    QStringList valueNames(int section) const;
    std::optional<QString> value(int section, const QString &name) const;
    // Replaces the first line of the name, or adds one at the end of the
    // section. False, nothing changed, for a name or value that a line cannot
    // hold (a line break, "=" in the name, a name that looks like a header).
    bool setValue(int section, const QString &name, const QString &value);
    // Removes the first line of the name; false when there is none.
    bool deleteValue(int section, const QString &name);

    // Names of the direct sub-keys of a key path, in the order their first
    // section appears ("" is the root).
    QStringList subKeyNames(const QString &path) const;

private:
    struct TSection
    {
        bool hasHeader = true;   // false only for the text before the first header
        QString header;          // the header line as read
        QString path;
        QStringList values;      // the lines up to the empty line that ends the section
        QStringList rest;        // that empty line and any lines up to the next header
        mutable QHash<QString, qsizetype> index; // folded name -> first line of it
        mutable bool indexed = false;
    };

    void rebuildIndex() const;
    const QString *lastLine() const;
    const TSection &section(int section) const;
    void indexSection(const TSection &s) const;
    qsizetype lineOf(const TSection &s, const QString &name) const;

    std::vector<TSection> m_sections;
    mutable QHash<QString, int> m_paths; // folded path -> first section
    mutable bool m_pathsIndexed = false;
};

// The name of a value line (the text before its first "="), or nothing for a line without "=".
std::optional<QString> IniValueName(const QString &line);
