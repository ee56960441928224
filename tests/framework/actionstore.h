#pragma once

// What the action tests share: a preferences store in a temporary folder
// (never the user's own), and the macro recorder writing into a list.

#include "framework/macrorecorder.h"
#include "framework/preferences.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class TTempStore
{
public:
    TTempStore()
        : m_places(TPreferencesPlaces::At(QStringLiteral("Tarvex"), m_dir.filePath(QStringLiteral("bin/tarvex")),
                                          m_dir.filePath(QStringLiteral("config"))))
    {
        QDir().mkpath(m_places.programFolder);
    }

    // The store as the window opens it at start, in the key of the window's settings.
    std::unique_ptr<TBrontelPreferences> open()
    {
        auto gp = std::make_unique<TBrontelPreferences>(m_places);
        gp->LoadAtStart();
        gp->OpenKey(QStringLiteral("UIForm"));
        return gp;
    }
    // A portable store, opened in the same key.
    std::unique_ptr<TBrontelPreferences> openPortable()
    {
        auto gp = open();
        gp->SetMode(TSavePreferences::spPortable);
        gp->OpenKey(QStringLiteral("UIForm"));
        return gp;
    }

    bool valid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
    TPreferencesPlaces m_places;
};

// Records macro lines into lines while it lives.
class TRecording
{
public:
    TRecording()
    {
        TMacroRecorder::Instance().Start([this](const QString &line) { lines << line; });
    }
    ~TRecording() { TMacroRecorder::Instance().Stop(); }
    TRecording(const TRecording &) = delete;
    TRecording &operator=(const TRecording &) = delete;

    QStringList lines;
};
