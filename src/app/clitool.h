#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <vector>

class TdmAction;

// The subcommands of tarvex-cli. Each takes its own arguments (without the
// subcommand name) and returns the process exit status.
namespace cli {

enum ExitStatus { Ok = 0, FileError = 1, UsageError = 2, Interrupted = 130 };

struct TSubcommand
{
    const char *name;
    const char *synopsis; // one line for the tool's help
    const char *help;     // the subcommand's own help text
    std::function<int(const QStringList &args)> run;
};

// "tarvex-cli: FILE: reason" on stderr.
void reportFileError(const QString &file, const QString &reason);
// "tarvex-cli: message" plus a hint to --help on stderr; returns UsageError.
int usageError(const QString &message, const char *subcommand = nullptr);
// Writes to stdout, keeping the reason of a failure for finishOutput.
void writeOutput(const char *data, size_t size);
// Flushes stdout: status, or FileError after "tarvex-cli: cannot write the
// output: reason" on stderr when the output could not be written.
int finishOutput(int status);
// True when args holds -h or --help.
bool wantsHelp(const QStringList &args);
void printHelp(const TSubcommand &command);

int runFrames(const QStringList &args);
int runRiff(const QStringList &args);
int runInfo(const QStringList &args);
int runScenes(const QStringList &args);
int runSettings(const QStringList &args);
// The settings the window stored, applied to the commands; the number applied.
int loadStoredSettings(TdmAction &actions);
// The commands of the catalogue, run through the command engine.
QStringList catalogueCommandNames();
int runCatalogueCommand(const QString &name, const QStringList &args);

const std::vector<TSubcommand> &subcommands();

} // namespace cli
