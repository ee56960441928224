#pragma once

// The basic command kinds run by the command engine. A command is declared
// as data: its properties and hooks are set by whoever declares it, and the
// engine calls its virtual operations.

#include "commands/commandtypes.h"

#include <QString>

#include <functional>

class tAbstractCmd
{
public:
    explicit tAbstractCmd(const QString &name = {}, const QString &caption = {}, const QString &category = {});
    virtual ~tAbstractCmd() = default;

    tAbstractCmd(const tAbstractCmd &) = delete;
    tAbstractCmd &operator=(const tAbstractCmd &) = delete;

    QString name;
    QString caption;
    QString category;
    TcmdNombre Nombre = fnSelect;
    // Passes per file; 0 and 1 both mean one. A hook may change it during a run.
    int NbPasses = 0;
    TUpdateDisplay UpdateDisplay = udNone;
    TAbortEvent OnAbort;
    TCommandConditionEvent OnCommandCondition;
    TFileConditionEvent OnFileCondition;

    // The engine running the command (set when a run starts).
    TCommandEngine *engine() const { return m_engine; }
    void setEngine(TCommandEngine *ce) { m_engine = ce; }

    // Runs the command for one file and pass (on the worker thread).
    virtual void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe);
    virtual void DoAbort(TCommandEngine *ce);
    // True when the file may run without asking (on the owner's thread).
    virtual bool DoFileVerification(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe);
    // Asks whether the file may run (on the owner's thread).
    virtual TModalResult DoFileConfirmation(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe);
    // Whether the command may run at all.
    virtual bool DoCommandCondition(TCommandEngine *ce);
    virtual void DoFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled);

private:
    TCommandEngine *m_engine = nullptr;
};

// A command with hooks of its own and no handling around them: a failure of
// its execution ends the run, with its reason.
class tCustomCmd : public tAbstractCmd
{
public:
    using tAbstractCmd::tAbstractCmd;

    TExecutionEvent OnExecution;
    TFileVerificationEvent OnFileVerification;
    TFileConfirmationEvent OnFileConFirmation;

    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;
    bool DoFileVerification(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;
    // Without OnFileConFirmation the answer is Yes to all, without a question.
    TModalResult DoFileConfirmation(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;
};

// A command that shows a start message per file, reports a failure with its
// error message and goes on with the next file, and updates the file list.
class TFastcmd : public tCustomCmd
{
public:
    using tCustomCmd::tCustomCmd;

    QString StartMessage; // "%s" the file name, "%d" the pass; empty: none
    QString ErrorMessage; // "%s" the full path, "%d" the pass; empty: failures are silent
    TUpdateFile UpdateFile = ufNone;

    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;

protected:
    void showStartMessage(TAbstractListFichier *fichier, TCommandEngine *ce, int passe) const;
    // The error message for the file followed by the reason (nothing when
    // the command's failures are silent).
    void reportError(const QString &fullPath, TCommandEngine *ce, int passe, const TError &reason) const;
    // Runs work for one file: the error it returns, or the reason of an
    // exception it throws, is reported with the error message, and the run
    // goes on.
    void runGuarded(const QString &fullPath, TCommandEngine *ce, int passe, const std::function<TError()> &work) const;
    // Calls the execution hook.
    virtual TError execute(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe);
    // Applies UpdateFile after a file.
    virtual TError updateFile(TCommandEngine *ce);
};

// A command that produces a file: the destination comes from OnDestination,
// and an existing destination is only overwritten after confirmation.
class Tcmd : public TFastcmd
{
public:
    using TFastcmd::TFastcmd;

    TDestExecutionEvent OnExecution; // receives the current destination
    TDestinationEvent OnDestination;

    // The destination of the file being run (set while its answer is settled).
    const QString &destination() const { return m_destination; }
    void setDestination(const QString &destination) { m_destination = destination; }

    bool DoFileVerification(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;
    TModalResult DoFileConfirmation(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;

protected:
    TError execute(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe) override;
    TError updateFile(TCommandEngine *ce) override;
    // The list update by UpdateFile; keepEmpty: also for an empty destination.
    TError applyUpdate(TCommandEngine *ce, bool keepEmpty);

private:
    QString m_destination;
};
