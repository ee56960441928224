#pragma once

// The pipeline command, which runs a media pipeline per file and follows its
// progress, and the rename command.

#include "commands/commands.h"

class TGraphCmd : public Tcmd
{
public:
    using Tcmd::Tcmd;

    TBuildGraphEvent OnBuildGraph;
    // The pipeline of the current file, as the build hook returned it.
    TPipeline *Filtergraph = nullptr;
    // Expected length of the run in 100 ns units; 0: ask the pipeline.
    // Both are cleared before each build; the build hook may set them.
    qint64 Duree = 0;
    // Media time at which the run starts (progress is measured from it).
    qint64 Debut = 0;

    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;

private:
    // Runs the pipeline to its end or to an abort; false when it has no length.
    bool runPipeline(TPipeline *pipeline, TCommandEngine *ce);
};

class TRenameCmd : public Tcmd
{
public:
    explicit TRenameCmd(const QString &name = {}, const QString &caption = {}, const QString &category = {});

    TDestFileVerificationEvent OnFileVerification;

    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;
    bool DoFileVerification(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;
    TModalResult DoFileConfirmation(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;

private:
    void computeDestination(TAbstractListFichier *fichier, const QStringList &params, int passe);
};
