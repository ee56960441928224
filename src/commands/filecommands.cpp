// The commands of the catalogue that act on a video file's name, dates and
// headers in place: rename, shorten, add datecode / timecode, set the file's
// dates, fix the codec, fix the frame rate.

#include "commands/udmaction.h"

#include "avi/records/avifichier.h"
#include "avi/fpsunit.h"
#include "commands/commandengine.h"
#include "commands/renamecommands.h"
#include "dv/templates.h"

#include <QFile>
#include <QFileInfo>

namespace {

const TaviFichier *Video(TAbstractListFichier *fichier)
{
    return dynamic_cast<const TaviFichier *>(fichier);
}

// Runs write on a file whose read-only state is lifted for the write and
// put back afterwards.
template <typename Write>
void WriteInPlace(const QString &path, Write write)
{
    // The *User flags tell what this process may do, not the file's mode: left out.
    const QFileDevice::Permissions before = QFile::permissions(path)
                                            & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    const bool lifted = !(before & QFileDevice::WriteOwner) && QFile::setPermissions(path, before | QFileDevice::WriteOwner);
    write();
    if (lifted)
        QFile::setPermissions(path, before);
}

} // namespace

void TdmAction::ajouterTimecodeFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled)
{
    const TaviFichier *video = Video(fichier);
    enabled = video && video->facts().hasTimecode();
    visible = enabled;
}

void TdmAction::purgerNomFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled)
{
    visible = true;
    enabled = fichier && ShortenNameEnabled(fichier->fullPath());
}

void TdmAction::declareFileCommands()
{
    const auto templateDestination = [this](auto pattern) {
        return [this, pattern](TAbstractListFichier *f, const QStringList &, int) -> QString {
            const TaviFichier *video = Video(f);
            if (!video)
                return {};
            const auto [nameTemplate, format] = pattern(renameSettings);
            const QString expanded = ExpandNameTemplate(nameTemplate, format, *video);
            // A name that is no file name is given back as it is: the execution refuses it.
            return IsUsableFileName(expanded) ? FreeNumberedPath(expanded) : expanded;
        };
    };
    const auto rename = [](TAbstractListFichier *f, const QString &destination, const QStringList &, TCommandEngine *, int) {
        // A refused or failed rename leaves the file and its list entry as they are.
        if (!RenameWithCompanions(f->fullPath(), destination))
            return TError(QStringLiteral("%1 was not renamed to %2").arg(f->fullPath(), destination));
        return TError();
    };
    const auto never = [](const QString &, TAbstractListFichier *, const QStringList &, TCommandEngine *, int) { return false; };

    for (TRenameCmd *cmd : {&PurgerNom, &AjouterDatecode, &AjouterTimecode, &Renommer}) {
        cmd->Nombre = fnSelect;
        cmd->OnExecution = rename;
        cmd->OnFileVerification = never;
    }
    PurgerNom.OnFileCondition = purgerNomFileCondition;
    PurgerNom.OnDestination = [](TAbstractListFichier *f, const QStringList &, int) {
        return FreeShortenedPath(ShortenedBase(f->fullPath()));
    };
    AjouterDatecode.OnFileCondition = hasDatecodeFileCondition;
    AjouterDatecode.OnDestination = templateDestination([](const TRenameSettings &s) {
        return std::pair{s.datecodeAvant ? QStringLiteral("%D_%F%E") : QStringLiteral("%F_%D%E"), s.formatAjouterDatecode};
    });
    AjouterTimecode.OnFileCondition = ajouterTimecodeFileCondition;
    AjouterTimecode.OnDestination = templateDestination([](const TRenameSettings &s) {
        return std::pair{s.timecodeAvant ? QStringLiteral("%T_%F%E") : QStringLiteral("%F_%T%E"), QString()};
    });
    Renommer.OnFileCondition = hasDatecodeFileCondition;
    Renommer.OnDestination = templateDestination([](const TRenameSettings &s) {
        return std::pair{s.templateRenommer, s.formatRenommer};
    });

    // Modify the date of file
    DateFichier.Nombre = fnSelect;
    DateFichier.UpdateDisplay = udFinal;
    DateFichier.UpdateFile = ufReload;
    DateFichier.OnFileCondition = hasDatecodeFileCondition;
    DateFichier.OnFileVerification = standardFileVerification;
    DateFichier.OnFileConFirmation = [](TAbstractListFichier *f, const QStringList &, TCommandEngine *, int) {
        const TaviFichier *video = Video(f);
        const QString format = QStringLiteral("ddddd tt");
        const QString dc = video ? FormatDateTime(format, QDateTimeToDateTime(video->creationTime())) : QString();
        const QString dm = video ? FormatDateTime(format, QDateTimeToDateTime(video->lastWriteTime())) : QString();
        const QString dn = video ? FormatDateTime(format, video->facts().firstDatecode.value_or(0) + video->displayShift()) : QString();
        const QString dates = QStringLiteral("Old creation date: ") + dc + QStringLiteral("\r\n") + QStringLiteral("Old modified date:  ")
                              + dm + QStringLiteral("\r\n") + QStringLiteral("New date : ") + dn;
        const QString question = QStringLiteral("Do you really want to modify the dates of the file '") + f->fileName()
                                 + QStringLiteral("'") + QStringLiteral("\r\n\r\n") + dates;
        if (question.size() > 254)
            return QStringLiteral("Do you really want to modify the dates of this file?\r\n\r\n") + dates;
        return question;
    };
    DateFichier.OnExecution = [this](TAbstractListFichier *f, const QStringList &, TCommandEngine *, int) {
        const TaviFichier *video = Video(f);
        if (!video || !video->facts().hasDatecode())
            return TError();
        if (OnReleaseFile)
            OnReleaseFile(f->fullPath());
        // Failures leave the dates as they were, without a message.
        SetFileDates(f->fullPath(), DateTimeToQDateTime(*video->facts().firstDatecode + video->displayShift(), Qt::LocalTime));
        return TError();
    };

    // Fix the video codec: the parameter is the code the codec dialog gives.
    ModifierCodec.Nombre = fnSelect;
    ModifierCodec.UpdateDisplay = udFinal;
    ModifierCodec.UpdateFile = ufReload;
    ModifierCodec.OnCommandCondition = [](TCommandEngine *ce) { return CodecParameter(ce->params().value(0)).has_value(); };
    ModifierCodec.OnFileVerification = standardFileVerification;
    ModifierCodec.OnFileConFirmation = [](TAbstractListFichier *f, const QStringList &params, TCommandEngine *, int) {
        const TaviFichier *video = Video(f);
        return QStringLiteral("Do you want to change the codec \"") + (video ? video->texts().codec : QString()) + QStringLiteral("\" from ")
               + f->fileName() + QStringLiteral(" to \"") + CodecParameter(params.value(0)).value_or(QString())
               + QStringLiteral("\" ?");
    };
    ModifierCodec.OnExecution = [this](TAbstractListFichier *f, const QStringList &params, TCommandEngine *, int) {
        const std::optional<QString> code = CodecParameter(params.value(0));
        if (!code)
            return TError();
        if (OnReleaseFile)
            OnReleaseFile(f->fullPath());
        WriteInPlace(f->fullPath(), [&] { WriteCodec(f->fullPath(), CodeFromText(*code)); });
        return TError();
    };

    // Fix the video framerate: the parameter is the frame rate the dialog gives.
    FrequenceVideo.Nombre = fnSelect;
    FrequenceVideo.UpdateDisplay = udFinal;
    FrequenceVideo.UpdateFile = ufReload;
    FrequenceVideo.OnCommandCondition = [](TCommandEngine *ce) { return FrameRateParameter(ce->params().value(0)).has_value(); };
    FrequenceVideo.OnFileCondition = [](TAbstractListFichier *f, bool &visible, bool &enabled) {
        const TaviFichier *video = Video(f);
        enabled = video && !(video->facts().dvInfoValid && video->facts().dvType == TDvType::Type1);
        visible = enabled;
    };
    FrequenceVideo.OnFileVerification = standardFileVerification;
    FrequenceVideo.OnFileConFirmation = [](TAbstractListFichier *f, const QStringList &params, TCommandEngine *, int) {
        const TaviFichier *video = Video(f);
        return QStringLiteral("Do you want to change the frequency ") + QString::number(video ? video->facts().frameRate : 0.0)
               + QStringLiteral(" from  ") + f->fileName() + QStringLiteral(" to ") + params.value(0) + QStringLiteral(" ?");
    };
    FrequenceVideo.OnExecution = [this](TAbstractListFichier *f, const QStringList &params, TCommandEngine *, int) {
        const std::optional<double> fps = FrameRateParameter(params.value(0));
        if (!fps)
            return TError();
        if (OnReleaseFile)
            OnReleaseFile(f->fullPath());
        WriteInPlace(f->fullPath(), [&] { WriteFrameRate(f->fullPath(), *fps); });
        return TError();
    };
}
