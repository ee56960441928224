#pragma once

// The command catalogue: the commands of the menus, each declared with its
// properties, messages and hooks, run by the command engine.

#include "commands/commands.h"
#include "commands/graphcmd.h"
#include "commands/renamecommands.h"
#include "commands/windowcommands.h"
#include "framework/settingscatalogue.h"

#include <functional>
#include <memory>
#include <vector>

#include "pipelines/builders/convertirdvunit.h"
#include "scenes/scenefile.h"
#include "stages/dv_superposer.h"

class TaviFichier;
class TSceneByContent;
class TSceneByDatecode;
class TWriteSrt;

// The settings the conversion commands follow.
struct TConversionSettings
{
    bool sameFolder = settings::DefaultBool(u"SameFolder"); // outputs beside their source
    QString dossierSave; // DossierSave: the output folder otherwise (empty: the setting's default folder)
    double confirmedTimeDifference = settings::DefaultDouble(u"timedifference"); // days, NTSC / PAL conversions
    int incrustX = settings::DefaultInteger(u"IncrustX"); // thousandths of the width
    int incrustY = settings::DefaultInteger(u"IncrustY");
    int align = settings::DefaultInteger(u"Align"); // the alignment choice, 0 to 3
    TIncrustFont incrustFont = DefaultIncrustFont();
};

// What the inlay and the subtitles show of each video (WhatIncrust 0: the
// datecode, 1: the timecode, 2: the two custom templates).
struct TInlayTextSettings
{
    int whatIncrust = settings::DefaultInteger(u"WhatIncrust");
    QString incrustPerso1 = settings::DefaultString(u"IncrustPerso1");
    QString incrustPerso2 = settings::DefaultString(u"IncrustPerso2");
};

class TdmAction
{
public:
    explicit TdmAction(TCdm &cdm);
    ~TdmAction();
    TdmAction(const TdmAction &) = delete;
    TdmAction &operator=(const TdmAction &) = delete;

    TGraphCmd ConvertirDV1;
    TGraphCmd ConvertirDV2;
    TGraphCmd RecompresserDV2;
    TGraphCmd CorrigerType2;
    TGraphCmd ConvertirNTSC;
    TGraphCmd ConvertirPal;
    TGraphCmd Convertir16x9;
    TGraphCmd Convertir4x3;
    TGraphCmd Incruster;
    TGraphCmd DecalerHoraire;
    TGraphCmd IntroduireDatecode;
    TGraphCmd ExtraireAudio;
    TGraphCmd CutScenes;
    TGraphCmd CreerScnByDate;
    TGraphCmd CreerScnByContenu;
    TGraphCmd CreerSrt;
    Tcmd CreerScnByIntervalle;
    TFastcmd SupprimerScn;
    TFastcmd SupprimerSrt;
    Tcmd DecalageHoraire;
    tCustomCmd SupprimerFichier;
    TRenameCmd PurgerNom;
    TRenameCmd AjouterDatecode;
    TRenameCmd AjouterTimecode;
    TRenameCmd Renommer;
    TFastcmd DateFichier;
    TFastcmd ModifierCodec;
    TFastcmd FrequenceVideo;
    // The commands that hand the current or selected files to the desktop.
    tCustomCmd DossierParent;
    tCustomCmd OpenFichierF3;
    tCustomCmd OpenFichierF4;
    tCustomCmd Snapvue;
    tCustomCmd DefaultPlayer;
    tCustomCmd RiffHeader;

    // Every command, and one by name (case ignored); null when unknown.
    std::vector<tAbstractCmd *> commands();
    tAbstractCmd *find(const QString &name);

    // The date-time format of the datecode texts of the records the commands
    // make (FormatAfficherDatecode).
    QString formatAfficherDatecode = settings::DefaultString(u"FormatAfficherDatecode");
    // What the inlay and subtitle lines show; each file's line templates are
    // made from it before its pipeline is built.
    TInlayTextSettings inlayText;
    // Settings the subtitle output follows: WhenIncrust (0-3) and
    // DureeIncrustation (seconds).
    int whenIncrust = settings::DefaultInteger(u"WhenIncrust");
    int dureeIncrustation = settings::DefaultInteger(u"DureeIncrustation");
    // Intervalle: the length in seconds of the scenes of fixed duration when
    // the command is given none.
    int intervalle = settings::DefaultInteger(u"Intervalle");
    // Settings of the conversions and of the recompression.
    TConversionSettings conversionSettings;
    TRecompressSettings recompressSettings;
    // The time difference (days) that "DecalageHoraire" gave in this run;
    // whoever shows the files puts it into the record's display shift.
    double workingTimeDifference = 0;
    // Settings of the rename commands.
    TRenameSettings renameSettings = DefaultRenameSettings();
    // The programs started with a file by OpenFichierF3, OpenFichierF4 and
    // Snapvue (FichierF3, FichierF4, FichierSnapvue); each command runs only
    // while its program file exists.
    QString fichierF3 = settings::DefaultString(u"FichierF3");
    QString fichierF4 = settings::DefaultString(u"FichierF4");
    QString fichierSnapvue = settings::DefaultString(u"FichierSnapvue");
    // The desktop services of the window (none: those commands need the window).
    void setWindowServices(TWindowServices services) { m_services = std::move(services); }
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
    // The inlay and subtitle line templates for a video, into the shared
    // text settings the stages read.
    void prepareLineTemplates(const TaviFichier &video) const;
    void declareFileCommands();
    void declareWindowCommands();
    void declareConversionCommands();
    // The output folder's condition, and the note on an aborted output.
    void declareConversion(TGraphCmd &cmd);
    QString outputFolder() const;
    // True unless the conversions would go to an output folder that does
    // not exist (SameFolder off), which is then reported.
    bool outputFolderCondition(TCommandEngine *ce) const;
    // The conversion's output path for a file (SameFolder / DossierSave).
    QString folderRule(TAbstractListFichier *fichier, const QString &suffix) const;
    // The spec of a pipeline of that kind from the file to dest, in the file's layout.
    TPipelineSpec specFor(TPipelineKind kind, TAbstractListFichier *fichier, const QString &dest) const;
    TBuildResult buildCut(TAbstractListFichier *fichier, const QString &dest, int passe);
    TBuildResult buildSceneProbe(TAbstractListFichier *fichier);
    TBuildResult buildSubtitleProbe(TAbstractListFichier *fichier);
    // After a probe: lets go of its writer, and says why it did not write its whole file.
    TError releaseProbe();

    TCdm &m_cdm;
    TWindowServices m_services;
    std::unique_ptr<TSceneByDatecode> m_sceneWriter;
    std::unique_ptr<TWriteSrt> m_srtWriter;
    std::unique_ptr<TSceneByContent> m_contentWriter;
    std::vector<TSceneItem> m_cutScenes; // the scene file being cut, for the passes of one file
};
