// The commands of the catalogue that hand files to the desktop: the file
// manager, the default application, the programs of F2 / F3 / F4 and the
// RIFF report window. They do their work through the window's services, on
// the engine's owner thread.

#include "commands/udmaction.h"

#include "commands/commandengine.h"
#include "framework/listfichier.h"

#include <QFileInfo>

namespace {

void CurrentItemCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled)
{
    visible = true;
    enabled = fichier != nullptr;
}

// True when path names an existing file (not a folder).
bool ProgramExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

TError NeedsWindow(const QString &what)
{
    return TError(QStringLiteral("%1 needs the window of Tarvex").arg(what));
}

} // namespace

void TdmAction::declareWindowCommands()
{
    // The current item handed to a service that takes its path.
    using TPathService = std::function<bool(const QString &)> TWindowServices::*;
    auto declarePathService = [this](tCustomCmd &cmd, TPathService service, QString what, QString failure) {
        cmd.Nombre = fnSingle;
        cmd.UpdateDisplay = udNone;
        cmd.OnFileCondition = CurrentItemCondition;
        cmd.OnExecution = [this, service, what, failure](TAbstractListFichier *f, const QStringList &, TCommandEngine *ce, int) {
            const auto &serve = m_services.*service;
            if (!serve)
                return NeedsWindow(what);
            bool done = false;
            ce->RunOnOwner([&] { done = serve(f->fullPath()); });
            return done ? TError() : TError(failure.arg(f->fullPath()));
        };
    };
    declarePathService(DossierParent, &TWindowServices::showInFileManager, QStringLiteral("Showing a file in the file manager"),
                       QStringLiteral("The folder of %1 could not be opened"));
    declarePathService(DefaultPlayer, &TWindowServices::openWithDefault,
                       QStringLiteral("Opening a file with its default application"),
                       QStringLiteral("No application could open %1"));

    RiffHeader.Nombre = fnSingle;
    RiffHeader.UpdateDisplay = udNone;
    RiffHeader.OnFileCondition = CurrentItemCondition;
    RiffHeader.OnExecution = [this](TAbstractListFichier *f, const QStringList &, TCommandEngine *ce, int) {
        if (!m_services.showRiffReport)
            return NeedsWindow(QStringLiteral("The RIFF report window"));
        ce->RunOnOwner([&] { m_services.showRiffReport(f->fullPath()); });
        return TError();
    };

    // The programs started with each selected file as their one argument. A
    // program that does not start is named in the status and the run goes on
    // with the next file.
    const auto declareProgram = [this](tCustomCmd &cmd, const QString TdmAction::*program) {
        cmd.Nombre = fnSelect;
        cmd.UpdateDisplay = udNone;
        cmd.OnCommandCondition = [this, program](TCommandEngine *) { return ProgramExists(this->*program); };
        cmd.OnExecution = [this, program](TAbstractListFichier *f, const QStringList &, TCommandEngine *ce, int) {
            const QString path = this->*program;
            if (!m_services.startProgram)
                return NeedsWindow(QStringLiteral("Starting %1").arg(QFileInfo(path).fileName()));
            bool started = false;
            ce->RunOnOwner([&] { started = m_services.startProgram(path, {f->fullPath()}); });
            if (!started)
                ce->MessageCommand(QStringLiteral("%1 could not be started with %2").arg(path, f->fullPath()));
            return TError();
        };
    };
    declareProgram(OpenFichierF3, &TdmAction::fichierF3);
    declareProgram(OpenFichierF4, &TdmAction::fichierF4);
    declareProgram(Snapvue, &TdmAction::fichierSnapvue);
}
