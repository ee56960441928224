// tarvex-cli COMMAND: runs a command of the catalogue over the given files
// through the command engine, as the window runs it over its selection.

#include "app/cli_interrupt.h"
#include "app/clitool.h"

#include "avi/aviinfo.h"
#include "avi/records/avifichier.h"
#include "commands/commandengine.h"
#include "commands/commandfilelist.h"
#include "commands/commandparams.h"
#include "commands/commandsettings.h"
#include "commands/udmaction.h"
#include "framework/appinfo.h"
#include "framework/fichiersearch.h"
#include "pipelines/builders/convertirdvunit.h"
#include "scenes/sceneproducers.h"

#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace cli {
namespace {

// The files given on the command line, all selected.
class TCliFileList final : public TCommandFileList
{
public:
    std::vector<std::unique_ptr<TAbstractListFichier>> records;
    std::vector<bool> selected;

    int currentIndex() const override { return records.empty() ? -1 : 0; }
    int count() const override { return int(records.size()); }
    int selectedCount() const override { return int(std::count(selected.begin(), selected.end(), true)); }
    QString itemText(int index) const override { return records[size_t(index)]->fileName(); }
    TAbstractListFichier *record(int index) const override { return records[size_t(index)].get(); }
    bool isSelected(int index) const override { return selected[size_t(index)]; }
    void setSelected(int index, bool on) override { selected[size_t(index)] = on; }
    void selectRecord(TAbstractListFichier *record) override
    {
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i].get() == record)
                selected[i] = true;
    }
    void setEnabled(bool) override {}
    void refreshActiveItem() override {}
    void refreshCounts() override {}
    void addFichier(std::unique_ptr<TAbstractListFichier> record, bool select) override
    {
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i]->fullPath() == record->fullPath()) {
                records[i] = std::move(record);
                selected[i] = select;
                return;
            }
        records.push_back(std::move(record));
        selected.push_back(select);
    }
    void removeFichier(TAbstractListFichier *record) override
    {
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i].get() == record) {
                records.erase(records.begin() + qsizetype(i));
                selected.erase(selected.begin() + qsizetype(i));
                return;
            }
    }
    void replaceFichier(TAbstractListFichier *old, std::unique_ptr<TAbstractListFichier> record) override
    {
        for (auto &r : records)
            if (r.get() == old)
                r = std::move(record);
    }
};

// Answers the engine's questions: always the same answer, or asked on the terminal.
class TCliAnswerer final : public TCommandAnswerer
{
public:
    enum class TMode { Yes, No, Ask };
    explicit TCliAnswerer(TMode mode) : m_mode(mode) {}

    TModalResult ConfirmCommand(const QString &question, bool several) override
    {
        if (m_mode == TMode::Yes)
            return several ? mrYesToAll : mrYes;
        if (m_mode == TMode::No)
            return several ? mrNoToAll : mrNo;
        QString text = question;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        for (;;) {
            std::fprintf(stderr, "%s\n%s ", qPrintable(text),
                         several ? "[y]es, [n]o, [a]ll (yes to all), n[o]ne (no to all), [c]ancel?" : "[y]es, [n]o, [c]ancel?");
            std::fflush(stderr);
            char line[64];
            if (!std::fgets(line, sizeof line, stdin))
                return mrCancel;
            switch (line[0]) {
            case 'y': case 'Y': return mrYes;
            case 'n': case 'N': return mrNo;
            case 'c': case 'C': return mrCancel;
            case 'a': case 'A': if (several) return mrYesToAll; break;
            case 'o': case 'O': if (several) return mrNoToAll; break;
            default: break;
            }
        }
    }

private:
    TMode m_mode;
};

// "--set NAME=VALUE": a setting of the catalogue, for this run. False with
// the reason for an unknown key, a setting no command reads, or a value of
// the wrong kind.
bool SetForRun(TdmAction &actions, const QString &assignment, QString &error)
{
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return error = QStringLiteral("--set takes NAME=VALUE"), false;
    const QString key = assignment.left(eq);
    const settings::TSetting *setting = settings::Find(key);
    if (!setting)
        return error = QStringLiteral("unknown setting '%1' ('tarvex-cli COMMAND --help' lists the settings "
                                      "a command reads)").arg(key),
               false;
    if (!IsCommandSetting(*setting))
        return error = QStringLiteral("%1 is a setting of the window; no command reads it").arg(setting->key.toString()),
               false;
    const std::optional<settings::TValue> value = ParseCommandSetting(*setting, assignment.mid(eq + 1), &error);
    return value && ApplyCommandSetting(actions, *setting, *value);
}

// The files an argument names: a folder gives its video files and those of
// its sub-folders (as the list's "Folder" opens them), a play list (.txt,
// .list) the files its lines name, anything else itself.
class TArgumentFiles final : public TFileSearchSink
{
public:
    QStringList found;
    bool stopped() const override { return false; }
    void folderFound(const QString &) override {}
    void fileFound(const QString &path, const TFileStamp &) override { found << path; }

    static bool IsPlayList(const QString &path)
    {
        const QString extension = TExtensionFilter::ExtensionOf(path);
        return extension == QLatin1String(".txt") || extension == QLatin1String(".list");
    }
    // Empty with the reason in error for a folder or play list that names no video file.
    static QStringList Expand(const QString &argument, QString &error)
    {
        const QFileInfo info(argument);
        const bool folder = info.isDir();
        if (!folder && !(info.isFile() && IsPlayList(argument)))
            return {argument};
        TArgumentFiles sink;
        TOpenRequest request;
        request.mode = folder ? TOpenMode::omFolder : TOpenMode::omPlayList;
        request.paths = {info.absoluteFilePath()};
        request.filter = TExtensionFilter({QString::fromLatin1(kVideoExtension)});
        SearchRequest(request, sink);
        if (folder)
            sink.found.sort(); // the walk's order is the file system's
        if (sink.found.isEmpty())
            error = folder ? QStringLiteral("no %1 file in the folder or its sub-folders").arg(kVideoExtension)
                           : QStringLiteral("the play list names no %1 file that exists").arg(kVideoExtension);
        return sink.found;
    }
};

// A progress line on a terminal.
class TProgressLine
{
public:
    TProgressLine() : m_tty(isatty(fileno(stderr))) {}
    void start(int max) { m_max = max; m_shown = -1; }
    void set(int position)
    {
        if (!m_tty || m_max <= 0)
            return;
        const int percent = int(qBound(qint64(0), qint64(position) * 100 / m_max, qint64(100)));
        if (percent == m_shown)
            return;
        m_shown = percent;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%", QByteArray(filled, '#').constData(), QByteArray(30 - filled, ' ').constData(), percent);
        std::fflush(stderr);
    }
    void end()
    {
        if (m_tty && m_shown >= 0)
            std::fprintf(stderr, "\r%s\r", QByteArray(40, ' ').constData());
        m_shown = -1;
    }

private:
    bool m_tty;
    int m_max = 0;
    int m_shown = -1;
};

} // namespace

QStringList catalogueCommandNames()
{
    TCdm cdm;
    TdmAction actions(cdm);
    QStringList names;
    for (tAbstractCmd *cmd : actions.commands())
        names << cmd->name;
    return names;
}

int runCatalogueCommand(const QString &name, const QStringList &args)
{
    TCdm cdm;
    TdmAction actions(cdm);
    tAbstractCmd *cmd = actions.find(name);
    if (!cmd)
        return usageError(QStringLiteral("unknown subcommand '%1'").arg(name));

    TCliAnswerer::TMode mode = isatty(fileno(stdin)) ? TCliAnswerer::TMode::Ask : TCliAnswerer::TMode::No;
    QStringList params;
    QStringList files;
    QStringList assignments;
    bool defaults = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        QString error;
        if (a == QLatin1String("--yes")) {
            mode = TCliAnswerer::TMode::Yes;
        } else if (a == QLatin1String("--no")) {
            mode = TCliAnswerer::TMode::No;
        } else if (a.startsWith(QLatin1String("--param="))) {
            params = QStringList{a.mid(8)};
        } else if (a == QLatin1String("--set") || a.startsWith(QLatin1String("--set="))) {
            assignments << (a == QLatin1String("--set") ? args.value(++i) : a.mid(6));
        } else if (a == QLatin1String("--defaults")) {
            defaults = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("%1: unknown option '%2'").arg(cmd->name, a));
        } else {
            files << a;
        }
    }
    if (files.isEmpty())
        return usageError(QStringLiteral("%1: missing FILE").arg(cmd->name));
    // The settings the window stored, unless the defaults are asked for; then
    // those given for this run.
    if (!defaults)
        loadStoredSettings(actions);
    for (const QString &assignment : assignments) {
        QString error;
        if (!SetForRun(actions, assignment, error))
            return usageError(error);
    }
    // The in-place edits take only what their dialogs give.
    if (cmd == &actions.ModifierCodec && !CodecParameter(params.value(0)))
        return usageError(QStringLiteral("%1: --param takes a codec code of 1 to 4 characters").arg(cmd->name));
    if (cmd == &actions.FrequenceVideo && !FrameRateParameter(params.value(0)))
        return usageError(QStringLiteral("%1: --param takes frames per second above 0").arg(cmd->name));
    if (cmd == &actions.CreerScnByIntervalle && !params.isEmpty() && !IntervalParameter(params.value(0)))
        return usageError(QStringLiteral("%1: --param takes a whole number of seconds above 0").arg(cmd->name));
    // The friendlier forms of a time difference and a date-time become the
    // numbers the commands read.
    if (cmd == &actions.DecalerHoraire || cmd == &actions.DecalageHoraire) {
        const std::optional<QString> days = TimeDifferenceParameter(params.value(0));
        if (!days)
            return usageError(QStringLiteral("%1: --param takes a time difference: days (e.g. -0.5) or "
                                             "[+|-][D.]HH:MM:SS").arg(cmd->name));
        params = QStringList{*days};
    }
    if (cmd == &actions.IntroduireDatecode) {
        const std::optional<QString> start = DateTimeParameter(params.value(0));
        if (!start)
            return usageError(QStringLiteral("%1: --param takes the first frame's datecode, "
                                             "yyyy-mm-dd hh:nn:ss").arg(cmd->name));
        params = QStringList{*start};
    }

    int status = Ok;
    TCliFileList list;
    const QString format = actions.formatAfficherDatecode;
    QStringList named;
    for (const QString &argument : files) {
        QString error;
        const QStringList expanded = TArgumentFiles::Expand(argument, error);
        if (!error.isEmpty()) {
            reportFileError(argument, error);
            status = FileError;
        }
        named << expanded;
    }
    for (const QString &file : named) {
        try {
            list.records.push_back(std::make_unique<TAfficherFichier>(QFileInfo(file).absoluteFilePath(), format));
            list.selected.push_back(true);
        } catch (const TFileOpenError &e) {
            reportFileError(file, e.reason());
            status = FileError;
        }
    }

    TCommandEngine engine;
    TCliAnswerer answerer(mode);
    TProgressLine progress;
    engine.setSourceFichierListbox(&list);
    engine.setDestFichierListbox(&list);
    engine.setAnswerer(&answerer);
    engine.setFichierClass([format](const QString &path) -> std::unique_ptr<TAbstractListFichier> {
        try {
            return std::make_unique<TAfficherFichier>(path, format);
        } catch (const std::exception &) {
            return std::make_unique<TSRFichier>(path);
        }
    });
    QObject::connect(&engine, &TCommandEngine::OnMessageCommand, [&progress](const QString &text) {
        progress.end();
        std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    int errorsReported = 0;
    QObject::connect(&engine, &TCommandEngine::OnErrorCommand, [&](const QString &text, TErrorType type) {
        ++errorsReported;
        progress.end();
        if (!text.isEmpty())
            std::fprintf(stderr, "tarvex-cli: %s\n", qPrintable(text));
        if (type != etNoError)
            status = FileError;
    });
    QObject::connect(&engine, &TCommandEngine::OnStartProgress, [&progress](int max) { progress.start(max); });
    QObject::connect(&engine, &TCommandEngine::OnSetProgress, [&progress](int position) { progress.set(position); });
    QObject::connect(&engine, &TCommandEngine::OnEndProgress, [&progress] { progress.end(); });

    if (list.records.empty())
        return status;
    if (!engine.ExecuteCommand(cmd, params)) {
        // The command may have said why it does not run.
        if (errorsReported == 0)
            std::fprintf(stderr, "tarvex-cli: %s: none of the files is one the command works on\n", qPrintable(cmd->name));
        return status;
    }
    // Ctrl+C stops the run: the current output is closed as it stands.
    const auto interrupt = AbortAllOnInterrupt(engine);
    engine.waitForIdle(-1);
    progress.end();
    if (engine.AbortedAll())
        return Interrupted;
    return status;
}

} // namespace cli
