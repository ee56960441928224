#pragma once

// The properties and hook types of a command run by the command engine.

#include "pipelines/error.h"

#include <QString>
#include <QStringList>

#include <functional>

class TAbstractListFichier;
class TBuildResult;
class TCommandEngine;

// Which files a command takes.
enum TcmdNombre {
    fnNone,   // no file: the command runs once with no file
    fnSingle, // the list's current item
    fnSelect, // every selected item
    fnAll     // every listed item
};

// When the file list display is refreshed.
enum TUpdateDisplay {
    udNone,  // never
    udFinal, // the active item and the counts, once at the end of the run
    udEach   // the active item, before each file
};

// How the file list changes after each file.
enum TUpdateFile {
    ufNone,
    ufAdd,     // list the destination file
    ufRemove,  // remove the current file's entry
    ufReload,  // re-read the current file's record
    ufReplace, // delete the current file and list the destination in its place
    ufRename   // rename the current file to the destination
};

enum TErrorType {
    etNoError,
    etError,   // the current file failed
    etAllError // the whole run must stop
};

// The answers to a confirmation question.
enum TModalResult { mrYes, mrNo, mrCancel, mrNoToAll, mrYesToAll };

// Hooks. `fichier` is the file's record (none for a command without files),
// `params` the parameters given when the run started, `ce` the engine and
// `passe` the pass number from 1. The hooks that do the work return why it
// failed (an empty TError when it did not); the command reports it.
using TExecutionEvent = std::function<TError(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)>;
using TDestExecutionEvent = std::function<TError(TAbstractListFichier *fichier, const QString &destination,
                                                 const QStringList &params, TCommandEngine *ce, int passe)>;
using TFileConditionEvent = std::function<void(TAbstractListFichier *fichier, bool &visible, bool &enabled)>;
using TFileVerificationEvent = std::function<bool(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)>;
using TDestFileVerificationEvent = std::function<bool(const QString &destination, TAbstractListFichier *fichier,
                                                      const QStringList &params, TCommandEngine *ce, int passe)>;
// The question to ask before the file runs.
using TFileConfirmationEvent = std::function<QString(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)>;
using TCommandConditionEvent = std::function<bool(TCommandEngine *ce)>;
using TAbortEvent = std::function<void(TCommandEngine *ce)>;
// The full path of the file to produce.
using TDestinationEvent = std::function<QString(TAbstractListFichier *aFichier, const QStringList &aParams, int passe)>;
// Builds the pipeline to run for the file and returns it (its position
// measures the progress), or why it could not be built, or neither when
// there is nothing to run.
using TBuildGraphEvent = std::function<TBuildResult(TAbstractListFichier *fichier, const QString &wDest,
                                                    const QStringList &params, int passe)>;
// Called after every build and run of a file, whatever came of them, with
// why the file failed so far (empty: it did not): lets go of what the build
// set up for the file, and says why the output is incomplete, if it is.
using TCheckOutputEvent = std::function<TError(const TError &failure)>;

// A command's start or error message: the first conversion takes text (the
// file name or path), the second the pass number; "%%" is a percent sign.
// Arguments are inserted as they are, so a "%" in a path stays a "%".
QString FormatCmdText(const QString &format, const QString &text, int passe);
