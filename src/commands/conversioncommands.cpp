// The commands of the catalogue that run a conversion pipeline per file:
// type 1 / type 2, repair, recompression, change of standard and aspect,
// inlay, time difference, datecode overwrite, sound extraction, cutting by
// the scene file and the scene file by content; and the time difference
// given to a file's display.

#include "commands/udmaction.h"

#include "avi/records/avifichier.h"
#include "commands/commandengine.h"
#include "commands/commandparams.h"
#include "pipelines/builders/convertirdvunit.h"
#include "scenes/contentproducer.h"
#include "scenes/derivedpath.h"
#include "scenes/scenefile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cmath>

namespace {

const TaviFichier *Video(TAbstractListFichier *fichier)
{
    return dynamic_cast<const TaviFichier *>(fichier);
}

void Declare(TGraphCmd &cmd, const char *start, const char *error, TUpdateDisplay display = udFinal,
             TUpdateFile update = ufAdd)
{
    cmd.Nombre = fnSelect;
    cmd.UpdateDisplay = display;
    cmd.UpdateFile = update;
    cmd.StartMessage = QString::fromLatin1(start);
    cmd.ErrorMessage = QString::fromLatin1(error);
}

TDvLayout LayoutOf(const TaviFichier *v)
{
    return v && v->facts().dvType == TDvType::Type2 ? TDvLayout::Type2 : TDvLayout::Type1;
}

// The file's own sound rate, as its record gives it (0: unknown).
int OwnAudioRate(TAbstractListFichier *fichier)
{
    const TaviFichier *v = Video(fichier);
    return v ? qMax(0, v->facts().sampleRate) : 0;
}

// Sets a file's condition from a test of its record (false without one).
template <typename Test>
TFileConditionEvent Condition(Test test)
{
    return [test](TAbstractListFichier *f, bool &visible, bool &enabled) {
        const TaviFichier *v = Video(f);
        enabled = v && test(v->facts());
        visible = true;
    };
}

} // namespace

QString TdmAction::outputFolder() const
{
    if (!conversionSettings.dossierSave.isEmpty())
        return conversionSettings.dossierSave;
    return settings::DefaultString(u"DossierSave");
}

bool TdmAction::outputFolderCondition(TCommandEngine *ce) const
{
    const QString &folder = conversionSettings.dossierSave;
    if (conversionSettings.sameFolder || folder.isEmpty() || QFileInfo(folder).isDir())
        return true;
    // Said once, before any file: every file of the run would fail on it.
    ce->ErrorCommand(QStringLiteral("The output folder %1 does not exist").arg(QDir::toNativeSeparators(folder)), etError);
    return false;
}

QString TdmAction::folderRule(TAbstractListFichier *fichier, const QString &suffix) const
{
    return FolderRuleDestination(fichier->fullPath(), suffix, conversionSettings.sameFolder, outputFolder());
}

TPipelineSpec TdmAction::specFor(TPipelineKind kind, TAbstractListFichier *fichier, const QString &dest) const
{
    TPipelineSpec spec = TPipelineSpec::make(kind, fichier->fullPath(), dest);
    spec.layout = LayoutOf(Video(fichier));
    return spec;
}

void TdmAction::declareConversion(TGraphCmd &cmd)
{
    cmd.OnCommandCondition = [this](TCommandEngine *ce) { return outputFolderCondition(ce); };
    cmd.OnCheckOutput = [&cmd](const TError &failure) -> TError {
        TCommandEngine *ce = cmd.engine();
        if (!failure && cmd.Filtergraph && ce && ce->Aborted() && !cmd.destination().isEmpty())
            ce->MessageCommand(QStringLiteral("%1 holds only what was written before the abort")
                                   .arg(QDir::toNativeSeparators(cmd.destination())));
        return {};
    };
}

void TdmAction::declareConversionCommands()
{
    // Convert in type 1
    Declare(ConvertirDV1, "Converting %s into type 1", "An error occured while converting %s in type 1");
    ConvertirDV1.OnFileCondition = Condition([](const TVideoFileFacts &v) { return v.dvInfoValid && v.dvType == TDvType::Type2 && v.duration > 0; });
    ConvertirDV1.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) { return folderRule(f, QStringLiteral("_type1.avi")); };
    ConvertirDV1.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
        return m_cdm.build(specFor(TPipelineKind::ToType1, f, dest));
    };

    // Convert in type 2
    Declare(ConvertirDV2, "Converting %s in type 2", "An error occured while converting %s in type 2");
    ConvertirDV2.OnFileCondition = Condition([](const TVideoFileFacts &v) { return v.dvInfoValid && v.dvType == TDvType::Type1 && v.duration > 0; });
    ConvertirDV2.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) { return folderRule(f, QStringLiteral("_type2.avi")); };
    ConvertirDV2.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
        return m_cdm.build(specFor(TPipelineKind::ToType2, f, dest));
    };

    // Recompress into DV type 2
    Declare(RecompresserDV2, "Compressing %s in DV type 2", "An error occured while compressing %s in DV type 2");
    RecompresserDV2.OnFileCondition = [](TAbstractListFichier *f, bool &visible, bool &enabled) {
        const TaviFichier *v = Video(f);
        enabled = v && !v->facts().dvInfoValid && v->facts().duration > 0;
        visible = v && v->facts().hasVideo;
    };
    RecompresserDV2.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) { return folderRule(f, QStringLiteral("_dvtype2.avi")); };
    RecompresserDV2.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
        const TRecompressSettings &r = recompressSettings;
        TPipelineSpec spec = specFor(TPipelineKind::Recompress, f, dest);
        spec.standard = r.standard == 1 ? TDvStandard::Ntsc : TDvStandard::Pal;
        spec.audioRate = r.audioRate();
        spec.header.restoreHeads = false;
        spec.header.aspect16x9 = r.ratio == 1;
        return m_cdm.build(spec);
    };

    // Fix the DV type 2
    Declare(CorrigerType2, "Fixing %s as video of type 2", "An error occured while fixing %s as video of type 2");
    CorrigerType2.OnFileCondition = [](TAbstractListFichier *f, bool &visible, bool &enabled) {
        const TaviFichier *v = Video(f);
        enabled = v && v->facts().dvInfoValid && v->facts().isInterleavedType2();
        visible = enabled;
    };
    CorrigerType2.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) { return folderRule(f, QStringLiteral("_fixed.avi")); };
    CorrigerType2.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
        return m_cdm.build(specFor(TPipelineKind::FixType2, f, dest));
    };

    // Convert in NTSC / in Pal. Both put back each frame's own datecode and
    // packs after the re-encoding, and shift them by the confirmed time difference.
    for (auto [cmd, toNtsc] : {std::pair{&ConvertirNTSC, true}, std::pair{&ConvertirPal, false}}) {
        const TVideoStandard from = toNtsc ? TVideoStandard::Pal : TVideoStandard::Ntsc;
        cmd->OnFileCondition = [from](TAbstractListFichier *f, bool &visible, bool &enabled) {
            const TaviFichier *v = Video(f);
            const TVideoFileFacts *facts = v ? &v->facts() : nullptr;
            enabled = facts && facts->dvInfoValid && facts->standard == from
                      && (facts->dvType == TDvType::Type2 || facts->isCodec(fcc::dvsd));
            visible = enabled;
        };
        const QString suffix = toNtsc ? QStringLiteral("_ntsc.avi") : QStringLiteral("_pal.avi");
        cmd->OnDestination = [this, suffix](TAbstractListFichier *f, const QStringList &, int) { return folderRule(f, suffix); };
        cmd->OnBuildGraph = [this, toNtsc](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
            TPipelineSpec spec = specFor(TPipelineKind::Reencode, f, dest);
            spec.audioRate = OwnAudioRate(f);
            spec.standard = toNtsc ? TDvStandard::Ntsc : TDvStandard::Pal;
            spec.deinterlace = true;
            spec.header.restoreHeads = true;
            spec.header.timeShift = conversionSettings.confirmedTimeDifference;
            return m_cdm.build(spec);
        };
    }
    Declare(ConvertirNTSC, "Converting %s in NTSC", "An error occured while converting %s in NTSC");
    Declare(ConvertirPal, "While converting %s in Pal", "An error occured while converting %s in Pal");

    // Convert to 16x9 / to 4x3: the display flag of every frame, no re-encoding.
    for (auto [cmd, wide] : {std::pair{&Convertir16x9, true}, std::pair{&Convertir4x3, false}}) {
        cmd->OnFileCondition = Condition([wide](const TVideoFileFacts &v) { return v.dvInfoValid && v.is16x9() != wide; });
        const QString suffix = wide ? QStringLiteral("_16x9.avi") : QStringLiteral("_4x3.avi");
        cmd->OnDestination = [this, suffix](TAbstractListFichier *f, const QStringList &, int) { return folderRule(f, suffix); };
        cmd->OnBuildGraph = [this, wide](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
            TPipelineSpec spec = specFor(TPipelineKind::HeaderPass, f, dest);
            spec.audioRate = OwnAudioRate(f);
            spec.header.restoreHeads = false;
            spec.header.aspect16x9 = wide;
            return m_cdm.build(spec);
        };
    }
    Declare(Convertir16x9, "Converting %s to 16x9", "An error occured while converting %s to 16x9");
    Declare(Convertir4x3, "Converting %s to 4x3", "Error while converting %s to 4x3");

    // Inlay in the video
    Declare(Incruster, "Inlaying in %s", "An error occured while inlaying in %s");
    Incruster.OnFileCondition = Condition([](const TVideoFileFacts &v) {
        return v.dvInfoValid && (v.dvType == TDvType::Type2 || v.isCodec(fcc::dvsd));
    });
    Incruster.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) {
        if (const TaviFichier *v = Video(f))
            prepareLineTemplates(*v);
        return folderRule(f, QStringLiteral("_in.avi"));
    };
    Incruster.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
        if (const TaviFichier *v = Video(f))
            prepareLineTemplates(*v);
        const TConversionSettings &s = conversionSettings;
        TPipelineSpec spec = specFor(TPipelineKind::Reencode, f, dest);
        spec.audioRate = OwnAudioRate(f);
        spec.inlay = TInlaySpec{s.incrustX, s.incrustY, s.align, s.incrustFont};
        return m_cdm.build(spec);
    };

    // Fix a time difference: the parameter is the difference in days.
    Declare(DecalerHoraire, "Setting a time difference in %s", "An eror occured while setting a time difference in %s");
    DecalerHoraire.OnFileCondition = Condition([](const TVideoFileFacts &v) { return v.dvInfoValid; });
    DecalerHoraire.OnDestination = [this](TAbstractListFichier *f, const QStringList &params, int) -> QString {
        const QString suffix = TimeShiftSuffix(params.value(0));
        return suffix.isEmpty() ? QString() : folderRule(f, suffix);
    };
    DecalerHoraire.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &params, int) {
        if (dest.isEmpty())
            return TBuildResult(); // no time difference: nothing to convert
        double days = 0;
        if (!ParseDaysParameter(params.value(0), days))
            days = 0;
        TPipelineSpec spec = specFor(TPipelineKind::HeaderPass, f, dest);
        spec.audioRate = OwnAudioRate(f);
        spec.header.restoreHeads = false;
        spec.header.timeShift = days;
        return m_cdm.build(spec);
    };

    // Overwrite a datecode: the parameter is the datecode of the first frame.
    Declare(IntroduireDatecode, "while overwriting a datecode in %s", "Error while overwriting a datecode in %s");
    IntroduireDatecode.OnFileCondition = Condition([](const TVideoFileFacts &v) { return v.dvInfoValid; });
    IntroduireDatecode.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) { return folderRule(f, QStringLiteral("_datecode.avi")); };
    IntroduireDatecode.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &params, int) {
        TDateTime start = 0;
        if (!ParseDateTimeParameter(params.value(0), start))
            return TBuildResult(TError(QStringLiteral("the datecode to write, '%1', is not a date and time").arg(params.value(0))));
        TPipelineSpec spec = specFor(TPipelineKind::HeaderPass, f, dest);
        spec.audioRate = OwnAudioRate(f);
        spec.header.restoreHeads = false;
        spec.header.overwriteDatecode = start;
        spec.textProperties.push_back({QStringLiteral("INFO/IBRN"), DatecodeOverwriteNote(QDateTime::currentDateTime())});
        return m_cdm.build(spec);
    };

    // Extract audio
    Declare(ExtraireAudio, "Extracting audio from %s", "An error occured while extracting audio from %s", udNone, ufNone);
    ExtraireAudio.OnFileCondition = Condition([](const TVideoFileFacts &v) { return v.hasAudio; });
    ExtraireAudio.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) { return folderRule(f, QStringLiteral(".wav")); };
    ExtraireAudio.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
        TPipelineSpec spec = specFor(TPipelineKind::AudioExtract, f, dest);
        spec.audioRate = OwnAudioRate(f);
        return m_cdm.build(spec);
    };

    // Split in scenes: one pass, and one output, per scene of the scene file.
    Declare(CutScenes, "Extracting from %s the scene %d ", "Error while extracting scenes from %s", udNone, ufAdd);
    CutScenes.OnFileCondition = Condition([](const TVideoFileFacts &v) { return v.dvInfoValid && v.hasSceneFile; });
    CutScenes.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int passe) {
        return folderRule(f, QStringLiteral("_scene_%1.avi").arg(qMax(1, passe)));
    };
    CutScenes.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, int passe) {
        return buildCut(f, dest, passe);
    };

    // Create a scn file with content
    Declare(CreerScnByContenu, "Creating a scn file by content for %s", "An error occured while creating a scn file for %s", udEach,
            ufReload);
    CreerScnByContenu.OnFileCondition = Condition([](const TVideoFileFacts &v) { return v.hasVideo; });
    CreerScnByContenu.OnDestination = [](TAbstractListFichier *f, const QStringList &, int) {
        return DerivedFilePath(f->fullPath(), QStringLiteral(".scn"));
    };
    CreerScnByContenu.OnBuildGraph = [this](TAbstractListFichier *f, const QString &, const QStringList &, int) {
        const TBuildResult built = m_cdm.build(TPipelineSpec::make(TPipelineKind::ContentProbe, f->fullPath()));
        if (!built)
            return built;
        m_contentWriter = std::make_unique<TSceneByContent>(f->fullPath());
        if (!m_contentWriter->ok())
            return TBuildResult(TError(m_contentWriter->errorString()));
        m_cdm.attach(TContentSink{m_contentWriter->cutCallback(), m_contentWriter->endCallback()});
        return built;
    };
    CreerScnByContenu.OnCheckOutput = [this](const TError &) {
        const TError problem = m_contentWriter && !m_contentWriter->ok() ? TError(m_contentWriter->errorString()) : TError();
        m_cdm.ResetPipeline();
        m_contentWriter.reset();
        return problem;
    };

    for (TGraphCmd *cmd : {&ConvertirDV1, &ConvertirDV2, &RecompresserDV2, &CorrigerType2, &ConvertirNTSC, &ConvertirPal,
                           &Convertir16x9, &Convertir4x3, &Incruster, &DecalerHoraire, &IntroduireDatecode, &CutScenes,
                           &ExtraireAudio})
        declareConversion(*cmd);

    // Fix a time difference in the display: only the file's record changes.
    DecalageHoraire.Nombre = fnSelect;
    DecalageHoraire.UpdateDisplay = udFinal;
    DecalageHoraire.UpdateFile = ufNone;
    DecalageHoraire.OnExecution = [this](TAbstractListFichier *, const QString &, const QStringList &params, TCommandEngine *, int) {
        double days = 0;
        if (!ParseDaysParameter(params.value(0), days))
            days = 0;
        workingTimeDifference = days;
        return TError();
    };
}

TBuildResult TdmAction::buildCut(TAbstractListFichier *fichier, const QString &dest, int passe)
{
    const TaviFichier *v = Video(fichier);
    if (!v)
        return {};
    if (passe <= 1) {
        m_cutScenes.clear();
        ReadScnFile(SceneFilePath(fichier->fullPath()), m_cutScenes);
        CutScenes.NbPasses = int(m_cutScenes.size());
    }
    const size_t index = size_t(qMax(1, passe) - 1);
    const bool last = passe >= CutScenes.NbPasses;
    const double frameRate = v->facts().frameRate;
    if (index >= m_cutScenes.size() || !m_cutScenes[index].scene || frameRate <= 0) {
        if (last)
            m_cutScenes.clear();
        return {};
    }
    const TSceneClass &scene = *m_cutScenes[index].scene;
    const qint64 frameTime = std::llround(1e7 / frameRate);
    const qint64 start = qint64(scene.StartFrame) * frameTime;
    const qint64 stop = qint64(scene.EndFrame) * frameTime;
    if (last)
        m_cutScenes.clear();
    if (stop <= start)
        return {};
    TPipelineSpec spec = specFor(TPipelineKind::Cut, fichier, dest);
    spec.start = start;
    spec.stop = stop;
    const TBuildResult built = m_cdm.build(spec);
    if (built) {
        CutScenes.Duree = stop - start;
        CutScenes.Debut = start;
    }
    return built;
}
