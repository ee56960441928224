#include "commands/udmaction.h"

#include "avi/records/avifichier.h"
#include "commands/commandengine.h"
#include "dv/templates.h"
#include "pipelines/builders/convertirdvunit.h"
#include "scenes/contentproducer.h"
#include "scenes/derivedpath.h"
#include "scenes/sceneproducers.h"
#include "scenes/subtitlewriter.h"
#include "stages/datecodetextsettings.h"

#include <QFile>
#include <QFileInfo>

namespace {

const TaviFichier *AsVideo(TAbstractListFichier *fichier)
{
    return dynamic_cast<const TaviFichier *>(fichier);
}

// "Do you really want to delete the file NAME ?" for a companion file.
QString DeleteQuestion(const QString &fileName)
{
    const QString question = QStringLiteral("Do you really want to delete the file ") + fileName + QStringLiteral(" ?")
                             + QStringLiteral("\r\n") + QStringLiteral("If yes, it will be sent to the Recycle bin.");
    if (question.size() > 254)
        return QStringLiteral("Do you really want to delete this file?\r\nIf yes, it will be sent to the Recycle bin.");
    return question;
}

TError DeleteCompanion(TAbstractListFichier *fichier, const QString &suffix)
{
    const QString path = DerivedFilePath(fichier->fullPath(), suffix);
    if (!DeleteToRecycleBin(path))
        return TError(QStringLiteral("%1 could not be sent to the trash").arg(path));
    return {};
}

} // namespace

void TdmAction::dvInfoFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled)
{
    const TaviFichier *video = AsVideo(fichier);
    enabled = video && video->facts().dvInfoValid;
    visible = enabled;
}

void TdmAction::hasDatecodeFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled)
{
    const TaviFichier *video = AsVideo(fichier);
    enabled = video && video->facts().hasDatecode();
    visible = enabled;
}

TdmAction::TdmAction(TCdm &cdm)
    : ConvertirDV1(QStringLiteral("ConvertirDV1"), QStringLiteral("Convert in type 1")),
      ConvertirDV2(QStringLiteral("ConvertirDV2"), QStringLiteral("Convert in type 2")),
      RecompresserDV2(QStringLiteral("RecompresserDV2"), QStringLiteral("Recompress into DV type 2")),
      CorrigerType2(QStringLiteral("CorrigerType2"), QStringLiteral("Fix the DV type 2")),
      ConvertirNTSC(QStringLiteral("ConvertirNTSC"), QStringLiteral("Convert in NTSC")),
      ConvertirPal(QStringLiteral("ConvertirPal"), QStringLiteral("Convert in Pal")),
      Convertir16x9(QStringLiteral("Convertir16x9"), QStringLiteral("Convert to 16x9")),
      Convertir4x3(QStringLiteral("Convertir4x3"), QStringLiteral("Convert to 4x3")),
      Incruster(QStringLiteral("Incruster"), QStringLiteral("Inlay in the video")),
      DecalerHoraire(QStringLiteral("DecalerHoraire"), QStringLiteral("Fix a time difference")),
      IntroduireDatecode(QStringLiteral("IntroduireDatecode"), QStringLiteral("Overwrite a datecode")),
      ExtraireAudio(QStringLiteral("ExtraireAudio"), QStringLiteral("Extract audio")),
      CutScenes(QStringLiteral("CutScenes"), QStringLiteral("Split in scenes")),
      CreerScnByDate(QStringLiteral("CreerScnByDate"), QStringLiteral("Create a scn file by datecode")),
      CreerScnByContenu(QStringLiteral("CreerScnByContenu"), QStringLiteral("Create a scn file with content")),
      CreerSrt(QStringLiteral("CreerSrt"), QStringLiteral("Create a srt file with subtitles")),
      CreerScnByIntervalle(QStringLiteral("CreerScnByIntervalle"), QStringLiteral("Create a scn file with fixed durations")),
      SupprimerScn(QStringLiteral("SupprimerScn"), QStringLiteral("Delete the scn file")),
      SupprimerSrt(QStringLiteral("SupprimerSrt"), QStringLiteral("Delete the srt file")),
      DecalageHoraire(QStringLiteral("DecalageHoraire"), QStringLiteral("Fix a time difference in the display")),
      SupprimerFichier(QStringLiteral("SupprimerFichier"), QStringLiteral("Delete the files")),
      PurgerNom(QStringLiteral("PurgerNom"), QStringLiteral("Shorten the name"), QStringLiteral("Rename")),
      AjouterDatecode(QStringLiteral("AjouterDatecode"), QStringLiteral("Add datecode"), QStringLiteral("Rename")),
      AjouterTimecode(QStringLiteral("AjouterTimecode"), QStringLiteral("Add timecode"), QStringLiteral("Rename")),
      Renommer(QStringLiteral("Renommer"), QStringLiteral("Rename"), QStringLiteral("Rename")),
      DateFichier(QStringLiteral("DateFichier"), QStringLiteral("Modify the date of file")),
      ModifierCodec(QStringLiteral("ModifierCodec"), QStringLiteral("Fix the video codec")),
      FrequenceVideo(QStringLiteral("FrequenceVideo"), QStringLiteral("Fix the video framerate")),
      DossierParent(QStringLiteral("DossierParent"), QStringLiteral("Parent folder")),
      OpenFichierF3(QStringLiteral("OpenFichierF3"), QStringLiteral("Open with...")),
      OpenFichierF4(QStringLiteral("OpenFichierF4"), QStringLiteral("Open with...")),
      Snapvue(QStringLiteral("Snapvue"), QStringLiteral("Open with Snapvue")),
      DefaultPlayer(QStringLiteral("DefaultPlayer"), QStringLiteral("Play with the default media player")),
      RiffHeader(QStringLiteral("RiffHeader"), QStringLiteral("RiffHeader")),
      m_cdm(cdm)
{
    // Create a scn file by datecode
    CreerScnByDate.Nombre = fnSelect;
    CreerScnByDate.UpdateDisplay = udFinal;
    CreerScnByDate.UpdateFile = ufReload;
    CreerScnByDate.StartMessage = QStringLiteral("Creating a scn file for %s by datecode");
    CreerScnByDate.ErrorMessage = QStringLiteral("Error while creating a scn file for %s");
    CreerScnByDate.OnFileCondition = dvInfoFileCondition;
    CreerScnByDate.OnDestination = [](TAbstractListFichier *f, const QStringList &, int) {
        return DerivedFilePath(f->fullPath(), QStringLiteral(".scn"));
    };
    CreerScnByDate.OnBuildGraph = [this](TAbstractListFichier *f, const QString &, const QStringList &, int) {
        return buildSceneProbe(f);
    };
    CreerScnByDate.OnCheckOutput = [this](const TError &) { return releaseProbe(); };

    // Create a srt file with subtitles
    CreerSrt.Nombre = fnSelect;
    CreerSrt.UpdateDisplay = udEach;
    CreerSrt.UpdateFile = ufReload;
    CreerSrt.StartMessage = QStringLiteral("Creating a srt file for %s");
    CreerSrt.ErrorMessage = QStringLiteral("An error occured while creating a srt file for %s");
    CreerSrt.OnFileCondition = dvInfoFileCondition;
    CreerSrt.OnDestination = [](TAbstractListFichier *f, const QStringList &, int) {
        return DerivedFilePath(f->fullPath(), QStringLiteral(".srt"));
    };
    CreerSrt.OnBuildGraph = [this](TAbstractListFichier *f, const QString &, const QStringList &, int) {
        return buildSubtitleProbe(f);
    };
    CreerSrt.OnCheckOutput = [this](const TError &) { return releaseProbe(); };

    // Create a scn file with fixed durations: the parameter is the interval in
    // seconds; without one, the setting Intervalle.
    CreerScnByIntervalle.Nombre = fnSelect;
    CreerScnByIntervalle.UpdateDisplay = udEach;
    CreerScnByIntervalle.UpdateFile = ufReload;
    CreerScnByIntervalle.StartMessage = QStringLiteral("Creating a scn file for %s with fixed durations");
    CreerScnByIntervalle.ErrorMessage = QStringLiteral("Error while creating a scn file for %s");
    CreerScnByIntervalle.OnDestination = [](TAbstractListFichier *f, const QStringList &, int) {
        return DerivedFilePath(f->fullPath(), QStringLiteral(".scn"));
    };
    CreerScnByIntervalle.OnCommandCondition = [](TCommandEngine *ce) {
        const QString given = ce->params().value(0);
        return given.trimmed().isEmpty() || IntervalParameter(given).has_value();
    };
    CreerScnByIntervalle.OnExecution = [this](TAbstractListFichier *f, const QString &, const QStringList &params, TCommandEngine *ce, int) {
        const QString given = params.value(0);
        const int seconds = given.trimmed().isEmpty() ? intervalle : IntervalSeconds(given);
        const TaviFichier *video = AsVideo(f);
        const double fps = video ? video->facts().frameRate : 0;
        const quint32 frames = video ? quint32(qMax(0, video->facts().frameCount)) : 0;
        TIntervalProgress progress;
        progress.begin = [ce](quint32 total) { ce->StartProgress(int(total)); };
        progress.position = [ce](quint32 position) { ce->SetProgress(int(position)); };
        progress.aborted = [ce] { return ce->Aborted(); };
        progress.end = [ce] { ce->EndProgress(); };
        const TIntervalResult result = WriteScenesByInterval(f->fullPath(), seconds, fps, frames, progress);
        if (!result.written)
            return TError(QStringLiteral("the video has no frame rate to cut it by"));
        return TError(result.error);
    };

    // Delete the scn / srt file
    for (auto [cmd, suffix, has] : {std::tuple{&SupprimerScn, ".scn", &TVideoFileFacts::hasSceneFile},
                                    std::tuple{&SupprimerSrt, ".srt", &TVideoFileFacts::hasSubtitleFile}}) {
        const QString ext = QString::fromLatin1(suffix);
        cmd->Nombre = fnSelect;
        cmd->UpdateDisplay = udEach;
        cmd->UpdateFile = ufReload;
        cmd->OnFileCondition = [has](TAbstractListFichier *f, bool &visible, bool &enabled) {
            const TaviFichier *video = AsVideo(f);
            enabled = video && video->facts().*has;
            visible = enabled;
        };
        cmd->OnFileVerification = standardFileVerification;
        cmd->OnFileConFirmation = [ext](TAbstractListFichier *f, const QStringList &, TCommandEngine *, int) {
            return DeleteQuestion(QFileInfo(DerivedFilePath(f->fullPath(), ext)).fileName());
        };
        cmd->OnExecution = [ext](TAbstractListFichier *f, const QStringList &, TCommandEngine *, int) { return DeleteCompanion(f, ext); };
    }
    SupprimerScn.StartMessage = QStringLiteral("Deleting the scn file of %s");
    SupprimerScn.ErrorMessage = QStringLiteral("An error occured while deleting the scn file of %s");
    SupprimerSrt.StartMessage = QStringLiteral("Deleting the srt file of %s");
    SupprimerSrt.ErrorMessage = QStringLiteral("An error occured while deleting the srt file of %s");

    // Delete the files: to the trash, and out of the list.
    SupprimerFichier.Nombre = fnSelect;
    SupprimerFichier.UpdateDisplay = udFinal;
    SupprimerFichier.OnFileCondition = [](TAbstractListFichier *f, bool &visible, bool &enabled) {
        visible = true;
        enabled = f && QFileInfo::exists(f->fullPath()) && (QFile::permissions(f->fullPath()) & QFileDevice::WriteOwner);
    };
    SupprimerFichier.OnFileVerification = standardFileVerification;
    SupprimerFichier.OnFileConFirmation = [](TAbstractListFichier *f, const QStringList &, TCommandEngine *, int) {
        return DeleteQuestion(f->fileName());
    };
    SupprimerFichier.OnExecution = [](TAbstractListFichier *f, const QStringList &, TCommandEngine *ce, int) {
        if (DeleteToRecycleBin(f->fullPath()))
            ce->RemoveFichier();
        else
            ce->MessageCommand(QStringLiteral("%1 could not be sent to the trash").arg(f->fullPath()));
        return TError();
    };

    declareFileCommands();
    declareWindowCommands();
    declareConversionCommands();
}

TdmAction::~TdmAction()
{
    // The sinks of a probe go with their writers.
    m_cdm.ResetPipeline();
}

std::vector<tAbstractCmd *> TdmAction::commands()
{
    return {&ConvertirDV1,   &ConvertirDV2,    &RecompresserDV2,      &CorrigerType2,   &ConvertirNTSC,
            &ConvertirPal,   &Convertir16x9,   &Convertir4x3,         &Incruster,       &DecalerHoraire,
            &IntroduireDatecode, &ExtraireAudio, &CutScenes,          &CreerScnByDate,  &CreerScnByContenu,
            &CreerSrt,       &CreerScnByIntervalle, &DecalageHoraire, &SupprimerScn,    &SupprimerSrt,
            &SupprimerFichier, &PurgerNom,     &AjouterDatecode,      &AjouterTimecode, &Renommer,
            &DateFichier,    &ModifierCodec,   &FrequenceVideo,       &DossierParent,   &OpenFichierF3,
            &OpenFichierF4,  &Snapvue,         &DefaultPlayer,        &RiffHeader};
}

tAbstractCmd *TdmAction::find(const QString &name)
{
    for (tAbstractCmd *cmd : commands())
        if (cmd->name.compare(name, Qt::CaseInsensitive) == 0)
            return cmd;
    return nullptr;
}

void TdmAction::prepareLineTemplates(const TaviFichier &video) const
{
    TDatecodeTextSettingsStore &store = TDatecodeTextSettingsStore::instance();
    switch (inlayText.whatIncrust) {
    case 1: store.setTemplates(QString(), QStringLiteral("%T")); break;
    case 2:
        store.setTemplates(ConvertInlayTemplate(inlayText.incrustPerso1, 1, &video),
                           ConvertInlayTemplate(inlayText.incrustPerso2, 2, &video));
        break;
    default: store.setTemplates(QStringLiteral("%D1"), QStringLiteral("%D2")); break;
    }
}

TBuildResult TdmAction::buildSceneProbe(TAbstractListFichier *fichier)
{
    if (const TaviFichier *video = AsVideo(fichier))
        prepareLineTemplates(*video);
    const TBuildResult built = m_cdm.build(TPipelineSpec::make(TPipelineKind::SceneProbe, fichier->fullPath()));
    if (!built)
        return built;
    m_sceneWriter = std::make_unique<TSceneByDatecode>(fichier->fullPath());
    if (!m_sceneWriter->ok())
        return TError(m_sceneWriter->errorString());
    m_cdm.attach(TDatecodeSink{m_sceneWriter->sceneCallback(), {}, m_sceneWriter->endCallback()});
    return built;
}

TBuildResult TdmAction::buildSubtitleProbe(TAbstractListFichier *fichier)
{
    const TaviFichier *video = AsVideo(fichier);
    if (video)
        prepareLineTemplates(*video);
    TPipelineSpec spec = TPipelineSpec::make(TPipelineKind::SubtitleProbe, fichier->fullPath());
    spec.textMode = whenIncrust;
    spec.displaySeconds = dureeIncrustation;
    const TBuildResult built = m_cdm.build(spec);
    if (!built)
        return built;
    m_srtWriter = std::make_unique<TWriteSrt>(fichier->fullPath(), video ? video->facts().frameRate : 0.0);
    if (!m_srtWriter->ok())
        return TError(m_srtWriter->errorString());
    m_cdm.attach(TDatecodeSink{{}, m_srtWriter->textCallback(), m_srtWriter->endCallback()});
    return built;
}

TError TdmAction::releaseProbe()
{
    TError problem;
    if (m_sceneWriter && !m_sceneWriter->ok())
        problem = TError(m_sceneWriter->errorString());
    else if (m_srtWriter && !m_srtWriter->ok())
        problem = TError(m_srtWriter->errorString());
    m_cdm.ResetPipeline();
    m_sceneWriter.reset();
    m_srtWriter.reset();
    return problem;
}
