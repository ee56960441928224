#include "commands/graphcmd.h"

#include "commands/commandengine.h"
#include "framework/listfichier.h"
#include "pipelines/pipeline.h"


namespace {

constexpr int kPollMs = 200;

// Keeps the pipeline's end signalled to the engine for the length of a run,
// and stops the pipeline however the run is left.
class TPipelineRun
{
public:
    TPipelineRun(TPipeline *pipeline, TCommandEngine *ce) : m_pipeline(pipeline)
    {
        ce->ResetGraphEnd();
        m_connection = QObject::connect(pipeline, &TPipeline::complete, pipeline,
                                        [ce] { ce->SignalGraphEnd(); }, Qt::DirectConnection);
    }
    ~TPipelineRun()
    {
        m_pipeline->stop();
        QObject::disconnect(m_connection);
    }
    TPipelineRun(const TPipelineRun &) = delete;
    TPipelineRun &operator=(const TPipelineRun &) = delete;

private:
    TPipeline *m_pipeline;
    QMetaObject::Connection m_connection;
};

} // namespace

bool TGraphCmd::runPipeline(TPipeline *pipeline, TCommandEngine *ce)
{
    pipeline->setTimeFormat(TPipeline::TTimeFormat::MediaTime);
    const qint64 length = Duree != 0 ? Duree : pipeline->duration();
    if (length <= 0)
        return false;
    pipeline->setUseClock(false);

    TPipelineRun run(pipeline, ce);
    ce->StartProgress(int(length / 1024));
    pipeline->run();
    for (;;) {
        if (ce->Aborted())
            break;
        ce->SetProgress(int((pipeline->currentPosition() - Debut) / 1024));
        if (ce->WaitGraphEnd(kPollMs))
            break;
    }
    ce->EndProgress();
    return true;
}

void TGraphCmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    if (!OnBuildGraph)
        return;
    const QString fullPath = fichier ? fichier->fullPath() : QString();
    runGuarded(fullPath, ce, passe, [&] {
        showStartMessage(fichier, ce, passe);
        Duree = 0;
        Debut = 0;
        Filtergraph = nullptr;
        Filtergraph = OnBuildGraph(fichier, destination(), params, passe);
        if (Filtergraph && !runPipeline(Filtergraph, ce))
            return; // no length: nothing ran, the list stays as it is
        if (!Filtergraph && UpdateFile == ufAdd)
            return; // nothing was built, so nothing was written
        applyUpdate(ce, true);
    });
}

// --- TRenameCmd ---

TRenameCmd::TRenameCmd(const QString &name, const QString &caption, const QString &category)
    : Tcmd(name, caption, category)
{
    UpdateDisplay = udNone;
    UpdateFile = ufRename;
}

void TRenameCmd::computeDestination(TAbstractListFichier *fichier, const QStringList &params, int passe)
{
    if (OnDestination)
        setDestination(OnDestination(fichier, params, passe));
}

bool TRenameCmd::DoFileVerification(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    // The verification judges this file's destination, not the previous file's.
    setDestination({});
    computeDestination(fichier, params, passe);
    return !OnFileVerification || OnFileVerification(destination(), fichier, params, ce, passe);
}

TModalResult TRenameCmd::DoFileConfirmation(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    computeDestination(fichier, params, passe);
    QString question = QStringLiteral("Do you want to rename ") + (fichier ? fichier->fileName() : QString())
                       + QStringLiteral(" to ") + destination() + QStringLiteral(" ?");
    if (ce->queueCount() >= 2)
        question += QStringLiteral("\r\nIf you type \"All\", no more confimation will be asked for.");
    return ce->Confirm(question);
}

void TRenameCmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    const QString fullPath = fichier ? fichier->fullPath() : QString();
    runGuarded(fullPath, ce, passe, [&] {
        showStartMessage(fichier, ce, passe);
        computeDestination(fichier, params, passe);
        if (Tcmd::OnExecution)
            Tcmd::OnExecution(fichier, destination(), params, ce, passe);
        if (!destination().isEmpty())
            ce->RenameFichier(destination());
    });
}
