#pragma once

// The pipeline command, which runs a media pipeline per file and follows its
// progress, and the rename command.

#include "commands/commands.h"
#include "pipelines/builders/pipelinespec.h"

class TGraphCmd : public Tcmd
{
public:
    using Tcmd::Tcmd;

    TBuildGraphEvent OnBuildGraph;
    // After each file's build and run: releases what the build set up and
    // says why the output is incomplete (a writer that failed).
    TCheckOutputEvent OnCheckOutput;
    // The pipeline of the current file, as the build hook returned it.
    TPipeline *Filtergraph = nullptr;
    // Expected length of the run in 100 ns units; 0: ask the pipeline.
    // Both are cleared before each build; the build hook may set them.
    qint64 Duree = 0;
    // Media time at which the run starts (progress is measured from it).
    qint64 Debut = 0;

    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;

private:
    // Builds and runs the pipeline of one file and updates the list; why it failed.
    TError buildAndRun(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe);
    // Runs the pipeline from Debut for length to its end, an abort or the
    // first error an element reports, which it gives.
    TError runPipeline(TPipeline &pipeline, qint64 length, TCommandEngine *ce);
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
