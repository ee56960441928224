#pragma once

// The command catalogue: the commands of the menus, each declared with its
// properties, messages and hooks, run by the command engine.

#include "commands/commands.h"
#include "commands/graphcmd.h"
#include "commands/renamecommands.h"

#include <functional>
#include <memory>
#include <vector>

class TCdm;
class TaviFichier;
class TSceneByDatecode;
class TWriteSrt;

// A pipeline command whose writer is checked after the run: a file that
// could not be written completely is reported with the command's error message.
class TWriterGraphCmd final : public TGraphCmd
{
public:
    using TGraphCmd::TGraphCmd;
    // Empty when the run's output is complete, else why it is not.
    std::function<QString()> OnCheckOutput;
    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;
};

class TdmAction
{
public:
    explicit TdmAction(TCdm &cdm);
    ~TdmAction();
    TdmAction(const TdmAction &) = delete;
    TdmAction &operator=(const TdmAction &) = delete;

    TWriterGraphCmd CreerScnByDate;
    TWriterGraphCmd CreerSrt;
    Tcmd CreerScnByIntervalle;
    TFastcmd SupprimerScn;
    TFastcmd SupprimerSrt;
    TRenameCmd PurgerNom;
    TRenameCmd AjouterDatecode;
    TRenameCmd AjouterTimecode;
    TRenameCmd Renommer;
    TFastcmd DateFichier;
    TFastcmd ModifierCodec;
    TFastcmd FrequenceVideo;

    // Every command, and one by name (case ignored); null when unknown.
    std::vector<tAbstractCmd *> commands();
    tAbstractCmd *find(const QString &name);

    // Called with each file's record before its pipeline is built (the
    // caller prepares the inlay line templates for that video here).
    std::function<void(const TaviFichier &)> OnPrepareFile;
    // Settings the subtitle output follows: WhenIncrust (0-3) and
    // DureeIncrustation (seconds).
    int whenIncrust = 0;
    int dureeIncrustation = 5;
    // Settings of the rename commands.
    TRenameSettings renameSettings = DefaultRenameSettings();
    // Called before a file's dates or headers are written in place, so that
    // whoever plays that file lets go of it.
    std::function<void(const QString &path)> OnReleaseFile;

    // The shared file conditions.
    static void hasDatecodeFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled);
    static void dvInfoFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled);
    static void ajouterTimecodeFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled);
    static void purgerNomFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled);
    static bool standardFileVerification(TAbstractListFichier *, const QStringList &, TCommandEngine *, int) { return false; }

private:
    void declareFileCommands();
    [[noreturn]] void failWriter(tAbstractCmd &cmd, const QString &reason);
    TPipeline *buildSceneProbe(TAbstractListFichier *fichier);
    TPipeline *buildSubtitleProbe(TAbstractListFichier *fichier);

    TCdm &m_cdm;
    std::unique_ptr<TSceneByDatecode> m_sceneWriter;
    std::unique_ptr<TWriteSrt> m_srtWriter;
};
