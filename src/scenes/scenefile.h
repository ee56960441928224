#pragma once

// The scene file (".scn") beside a video: a binary list of scenes with their
// start and end frames, thumbnail offsets and texts, little-endian.

#include "scenes/scenes.h"

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class TByteSource;

// One entry of a scene list: its display text and the scene it owns.
struct TSceneItem
{
    QString text;
    std::unique_ptr<TSceneClass> scene;
};

// The video's path with its extension replaced by ".scn".
QString SceneFilePath(const QString &videoPath);

// Writes one scene file from start to end. The file is complete and readable
// after every AddScene: each record is appended and the count rewritten.
class TwriteScene
{
public:
    // Deletes an existing scene file of the video and creates it anew with
    // its header. On failure ok() is false and every AddScene does nothing.
    explicit TwriteScene(const QString &videoPath);
    ~TwriteScene();
    TwriteScene(const TwriteScene &) = delete;
    TwriteScene &operator=(const TwriteScene &) = delete;

    // Appends the scene's record (the first record always starts at frame 0)
    // and rewrites the count. False when the file could not be written or
    // already holds the most scenes its 16-bit count can announce.
    bool AddScene(const TSceneClass &scene);

    // Closes the file; false when it or an earlier write failed.
    bool close();

    bool ok() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString fileName() const { return m_file.fileName(); }
    quint16 sceneCount() const { return m_count; }

    // Longest text a string field of the file holds; longer paths and texts
    // are cut to it.
    static constexpr int MaxFieldLength = 254;

private:
    bool fail(const QString &error);

    QFile m_file;
    QString m_videoPath;
    qint64 m_countOffset = 0;
    quint16 m_count = 0;
    QString m_error;
};

// Reads the scenes of a scene file and appends one item per scene (text
// ListText(), Number 1, 2, ...). True when every scene the file announces was
// read; on a short, damaged or missing file false, with the items read before
// the fault left in the list. A video, when given, is passed to the scenes
// created. Never throws.
bool ReadScnFile(const QString &path, std::vector<TSceneItem> &items, const TSceneVideo *video = nullptr);
bool ReadScnFile(const TByteSource &source, std::vector<TSceneItem> &items, const TSceneVideo *video = nullptr);
