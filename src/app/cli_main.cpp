#include "app/clitool.h"
#include "commands/commandsettings.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

#include <malloc.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

void reportFileError(const QString &file, const QString &reason)
{
    std::fprintf(stderr, "tarvex-cli: %s: %s\n", qPrintable(file), qPrintable(reason));
}

int usageError(const QString &message, const char *subcommand)
{
    std::fprintf(stderr, "tarvex-cli: %s\n", qPrintable(message));
    if (subcommand)
        std::fprintf(stderr, "Try 'tarvex-cli %s --help'.\n", subcommand);
    else
        std::fprintf(stderr, "Try 'tarvex-cli --help'.\n");
    return UsageError;
}

namespace {
int OutputError = 0; // errno of the first failed write to stdout
} // namespace

void writeOutput(const char *data, size_t size)
{
    if (std::fwrite(data, 1, size, stdout) != size && OutputError == 0)
        OutputError = errno ? errno : EIO;
}

int finishOutput(int status)
{
    errno = 0;
    if (std::fflush(stdout) != 0 && OutputError == 0)
        OutputError = errno ? errno : EIO;
    if (OutputError == 0 && !std::ferror(stdout))
        return status;
    std::fprintf(stderr, "tarvex-cli: cannot write the output: %s\n", std::strerror(OutputError ? OutputError : EIO));
    return FileError;
}

bool wantsHelp(const QStringList &args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

void printHelp(const TSubcommand &command)
{
    std::fputs(command.help, stdout);
}

const std::vector<TSubcommand> &subcommands()
{
    static const std::vector<TSubcommand> commands = {
        {"frames", "FILE            list every video frame's datecode, timecode and format",
         "Usage: tarvex-cli frames FILE\n"
         "\n"
         "Lists every video sample of the DV AVI file FILE (type 1 or type 2, OpenDML\n"
         "included), tab-separated, one row per sample after a header line:\n"
         "\n"
         "  frame     index of the sample, from 0\n"
         "  datecode  recording date and time, yyyy-mm-dd hh:nn:ss, or - when none\n"
         "  timecode  tape timecode hh:mm:ss:ff, or -\n"
         "  aspect    16:9 or 4:3\n"
         "  system    PAL or NTSC, or - when the frame header says neither\n"
         "  audio     rate/bits/channels, for example 48000/16/2, or -\n"
         "\n"
         "A sample that is not a whole DV frame has - in every column after its index.\n"
         "When the file's index is damaged or missing the samples are found by scanning\n"
         "the file; a note on stderr says so.\n"
         "\n"
         "Exit status: 0 on success, 1 when FILE cannot be read or holds no DV video,\n"
         "2 on a usage error.\n",
         runFrames},
        {"riff", "[--rich] FILE   report the RIFF chunk structure of any AVI file",
         "Usage: tarvex-cli riff [--rich] FILE\n"
         "\n"
         "Walks the RIFF chunk tree of FILE and prints every chunk with its size, the\n"
         "decoded main header, stream headers, stream formats, DV information and index\n"
         "heads, and flags damage: chunks longer than the file, garbage after the last\n"
         "RIFF part, a file that ends in the middle of a chunk.\n"
         "\n"
         "  --rich   print the report's lines with their colour and style markup\n"
         "\n"
         "Exit status: 0 on success, 1 when FILE cannot be read, 2 on a usage error.\n",
         runRiff},
        {"info", "[--json] FILE...  the facts the program keeps for each video file",
         "Usage: tarvex-cli info [--json] FILE...\n"
         "\n"
         "Reads each FILE's headers and first DV frame and prints what the program shows\n"
         "about it: the first datecode and timecode, DV type, TV standard, aspect, picture\n"
         "size, frame rate and count, duration, sound, codec, and whether scene and\n"
         "subtitle files exist beside it.\n"
         "\n"
         "  --json   one JSON array with one object per file, in argument order, with the keys\n"
         "           file, datecode_text, first_datecode (yyyy-mm-ddThh:nn:ss or null),\n"
         "           timecode_text, dv_type, standard (0 PAL, 1 NTSC, 2 not determined),\n"
         "           is_16_9, width, display_height, frame_rate, frame_count, duration_text,\n"
         "           audio_text, codec, has_scene_file, has_subtitle_file, dv_info_valid\n"
         "\n"
         "A file that is not a DV AVI file is listed with dv_info_valid false.\n"
         "Exit status: 0 on success, 1 when a FILE cannot be read, 2 on a usage error.\n",
         runInfo},
        {"scenes", "FILE            list the scenes of a video's scene file",
         "Usage: tarvex-cli scenes FILE\n"
         "\n"
         "Reads the scene file of the video FILE (FILE with the extension .scn) and prints,\n"
         "tab-separated after a header line, one row per scene: its number, its start and\n"
         "end frames as the scene file holds them (the end is the first frame after the\n"
         "scene), the datecode of its first frame that has one, read from the video\n"
         "(yyyy-mm-dd hh:nn:ss, or - when none has) and its title.\n"
         "\n"
         "Exit status: 0 on success, 1 when the scene file is missing, damaged or\n"
         "unreadable (the scenes read before the damage are printed), 2 on a usage error.\n",
         runScenes},
        {"settings", "                list every setting: type, default, the value stored by the window",
         "Usage: tarvex-cli settings\n"
         "\n"
         "Lists every setting of the program, tab-separated after a header line: its key,\n"
         "its type, its default, the value the window stored (- when none) and whether a\n"
         "command reads it (yes / no). The store is named on stderr; it is only read.\n"
         "\n"
         "Commands start from the stored values of the settings they read; --set NAME=VALUE\n"
         "overrides one for a run, --defaults ignores the store.\n"
         "\n"
         "Exit status: 0 on success, 2 on a usage error.\n",
         runSettings},
    };
    return commands;
}

} // namespace cli

static void printToolHelp()
{
    std::printf("Usage: tarvex-cli SUBCOMMAND [OPTIONS] ARGS...\n"
                "\n"
                "Reads the datecode (recording date and time) and timecode of DV AVI files.\n"
                "\n"
                "Subcommands:\n");
    for (const auto &command : cli::subcommands())
        std::printf("  %-8s %s\n", command.name, command.synopsis);
    std::printf("\n"
                "Commands, run over the given files as over a selection in the window:\n");
    for (const QString &command : cli::catalogueCommandNames())
        std::printf("  %s\n", qPrintable(command));
    std::printf("\n"
                "'tarvex-cli SUBCOMMAND --help' describes a subcommand or a command.\n");
}

// What a command does beyond what its name says, for its help.
static const char *CommandNote(const QString &command)
{
    if (command == QLatin1String("DateFichier"))
        return "Sets each file's modification time to its first datecode (with the display\n"
               "shift). Only the modification time is set: Linux gives programs no way to set\n"
               "a file's creation time.\n\n";
    if (command == QLatin1String("CreerScnByIntervalle"))
        return "Writes the video's scene file with scenes of the same length: --param seconds,\n"
               "or the setting Intervalle (default 20).\n\n";
    return "";
}

static void printCommandHelp(const QString &command)
{
    std::printf("Usage: tarvex-cli %s [--yes|--no] [--defaults] [--param=VALUE] [--set NAME=VALUE]... FILE...\n"
                "\n"
                "Runs the command %s over the FILEs, as the window runs it over its selection.\n"
                "A FILE may be a folder (its .avi files and those of its sub-folders) or a play\n"
                "list (.txt or .list, one path or pattern a line). Files the command does not\n"
                "apply to are skipped. Messages go to stderr, with a progress bar when stderr\n"
                "is a terminal.\n"
                "\n"
                "%s"
                "  --yes            answer Yes to every question (overwriting, deleting)\n"
                "  --no             answer No to every question\n"
                "                   (without either: asked on the terminal when stdin is one,\n"
                "                   else No)\n"
                "  --param=VALUE    the command's parameter: CreerScnByIntervalle: the interval in\n"
                "                   seconds (without one: the setting Intervalle);\n"
                "                   ModifierCodec: a codec code of 1 to 4 characters;\n"
                "                   FrequenceVideo: frames per second, e.g. 25 or 29.97;\n"
                "                   DecalerHoraire, DecalageHoraire: a time difference in days\n"
                "                   (e.g. -0.0625) or [+|-][D.]HH:MM:SS (e.g. -1:30:00, +1.02:00:00);\n"
                "                   IntroduireDatecode: the first frame's datecode,\n"
                "                   yyyy-mm-dd hh:nn:ss\n"
                "  --set NAME=VALUE a setting for this run (those the command reads: below);\n"
                "                   the others are those the window stored\n"
                "                   ('tarvex-cli settings' lists them)\n"
                "  --defaults       the settings' defaults instead of the stored values\n"
                "\n"
                "Ctrl+C stops the run: the file being written is closed as it stands (valid,\n"
                "holding what was written) and no further file starts.\n"
                "\n"
                "Exit status: 0 when every file succeeded or was skipped, 1 when a file failed,\n"
                "2 on a usage error, 130 when stopped by Ctrl+C.\n",
                qPrintable(command), qPrintable(command), CommandNote(command));
    const std::vector<const settings::TSetting *> read = SettingsReadBy(command);
    if (read.empty())
        return;
    std::printf("\nSettings the command reads:\n");
    for (const settings::TSetting *setting : read) {
        const QString value = settings::ValueText(*setting, settings::DefaultValue(*setting));
        std::printf("  %-23s %s\n  %-23s (%s, default %s)\n", qPrintable(setting->key.toString()),
                    qPrintable(setting->help.toString()), "", qPrintable(settings::TypeName(setting->type)),
                    value.isEmpty() ? "empty" : qPrintable(QLatin1Char('"') + value + QLatin1Char('"')));
    }
}

// Drawing text into pictures needs the fonts of a GUI application; the other
// subcommands start faster without one.
static bool NeedsFonts(int argc, char **argv)
{
    if (argc < 2 || QByteArray(argv[1]).compare("Incruster", Qt::CaseInsensitive) != 0)
        return false;
    for (int i = 2; i < argc; ++i)
        if (qstrcmp(argv[i], "--help") == 0 || qstrcmp(argv[i], "-h") == 0)
            return false;
    return true;
}

int main(int argc, char **argv)
{
    // Pictures are large buffers made and freed for every frame: keep them
    // in the heap rather than mapping and unmapping fresh pages each time.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    std::unique_ptr<QCoreApplication> application;
    if (NeedsFonts(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("tarvex-cli"));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return cli::usageError(QStringLiteral("missing subcommand"));
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        printToolHelp();
        return cli::Ok;
    }
    for (const auto &command : cli::subcommands()) {
        if (name.compare(QLatin1String(command.name), Qt::CaseInsensitive) == 0) {
            if (cli::wantsHelp(args)) {
                cli::printHelp(command);
                return cli::Ok;
            }
            return command.run(args);
        }
    }
    for (const QString &command : cli::catalogueCommandNames())
        if (name.compare(command, Qt::CaseInsensitive) == 0) {
            if (cli::wantsHelp(args)) {
                printCommandHelp(command);
                return cli::Ok;
            }
            return cli::runCatalogueCommand(command, args);
        }
    return cli::usageError(QStringLiteral("unknown subcommand '%1'").arg(name));
}
