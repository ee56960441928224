#pragma once

// Folder trees for the file list tests, made in a temporary folder.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>

class TFileTree
{
public:
    // The tree's root, with a trailing "/".
    QString root() const { return QFileInfo(m_dir.path()).canonicalFilePath() + QLatin1Char('/'); }
    QString path(const QString &relative) const { return root() + relative; }

    // Writes a file (and its folders); returns its full path.
    QString add(const QString &relative, const QByteArray &bytes = "data") const
    {
        const QString full = path(relative);
        QDir().mkpath(QFileInfo(full).path());
        QFile file(full);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return full;
    }
    QString folder(const QString &relative) const
    {
        QDir().mkpath(path(relative));
        return path(relative) + QLatin1Char('/');
    }
    bool link(const QString &target, const QString &relative) const
    {
        return QFile::link(target, path(relative));
    }

    // The paths relative to the root, sorted.
    QStringList relative(QStringList paths) const
    {
        for (QString &p : paths)
            if (p.startsWith(root()))
                p = p.mid(root().size());
        std::sort(paths.begin(), paths.end());
        return paths;
    }

private:
    QTemporaryDir m_dir;
};
