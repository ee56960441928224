#include "commands/graphcmd.h"

#include "commands/commandengine.h"
#include "framework/listfichier.h"
#include "pipelines/pipeline.h"

#include <exception>
#include <mutex>

namespace {

constexpr int kPollMs = 200;

// Keeps the pipeline's end and its elements' errors signalled to the engine
// for the length of a run; the first error is kept.
class TPipelineRun
{
public:
    TPipelineRun(TPipeline &pipeline, TCommandEngine *ce) : m_pipeline(pipeline)
    {
        ce->ResetGraphEnd();
        m_complete = QObject::connect(&pipeline, &TPipeline::complete, &pipeline, [ce] { ce->SignalGraphEnd(); },
                                      Qt::DirectConnection);
        m_error = QObject::connect(
            &pipeline, &TPipeline::error, &pipeline,
            [this, ce](const TError &error) {
                {
                    std::lock_guard guard(m_lock);
                    if (!m_first)
                        m_first = error;
                }
                ce->SignalGraphEnd();
            },
            Qt::DirectConnection);
    }
    // Stops the pipeline however the run is left.
    ~TPipelineRun()
    {
        m_pipeline.stop();
        QObject::disconnect(m_complete);
        QObject::disconnect(m_error);
    }
    TPipelineRun(const TPipelineRun &) = delete;
    TPipelineRun &operator=(const TPipelineRun &) = delete;

    TError firstError() const
    {
        std::lock_guard guard(m_lock);
        return m_first;
    }

private:
    TPipeline &m_pipeline;
    QMetaObject::Connection m_complete;
    QMetaObject::Connection m_error;
    mutable std::mutex m_lock;
    TError m_first;
};

} // namespace

TError TGraphCmd::runPipeline(TPipeline &pipeline, qint64 length, TCommandEngine *ce)
{
    pipeline.setUseClock(false);
    TPipelineRun run(pipeline, ce);
    ce->StartProgress(int(length / 1024));
    pipeline.run();
    while (!ce->Aborted() && !run.firstError()) {
        ce->SetProgress(int((pipeline.currentPosition() - Debut) / 1024));
        if (ce->WaitGraphEnd(kPollMs))
            break;
    }
    ce->EndProgress();
    // The elements finish their files as the pipeline stops: their errors count.
    pipeline.stop();
    return run.firstError();
}

TError TGraphCmd::buildAndRun(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    Duree = 0;
    Debut = 0;
    Filtergraph = nullptr;
    const TBuildResult built = OnBuildGraph(fichier, destination(), params, passe);
    Filtergraph = built.pipeline();
    if (!Filtergraph) {
        if (built.error())
            return built.error(); // nothing was written
        if (UpdateFile == ufAdd)
            return {}; // nothing was built, so nothing was written
        return applyUpdate(ce, true);
    }
    Filtergraph->setTimeFormat(TPipeline::TTimeFormat::MediaTime);
    const qint64 length = Duree != 0 ? Duree : Filtergraph->duration();
    if (length <= 0)
        return {}; // no length: nothing ran, the list stays as it is
    const TError failed = runPipeline(*Filtergraph, length, ce);
    // A partly written output is listed all the same.
    const TError updated = applyUpdate(ce, true);
    return failed ? failed : built.error() ? built.error() : updated;
}

void TGraphCmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    if (!OnBuildGraph)
        return;
    const QString fullPath = fichier ? fichier->fullPath() : QString();
    runGuarded(fullPath, ce, passe, [&] {
        showStartMessage(fichier, ce, passe);
        TError failure;
        try {
            failure = buildAndRun(fichier, params, ce, passe);
        } catch (const std::exception &e) {
            // Kept, so that what the build set up is let go of all the same.
            failure = TError(QString::fromUtf8(e.what()));
        }
        const TError incomplete = OnCheckOutput ? OnCheckOutput(failure) : TError();
        return failure ? failure : incomplete;
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
            if (TError error = Tcmd::OnExecution(fichier, destination(), params, ce, passe))
                return error;
        return destination().isEmpty() ? TError() : ce->RenameFichier(destination());
    });
}
