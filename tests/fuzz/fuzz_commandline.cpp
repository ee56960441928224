// Feeds arbitrary program arguments (one a line) to the command-line switch
// processor over the window's actions, with the macro recorder on, and each
// line to the text rules of the actions.

#include "framework/catalogueactions.h"
#include "framework/macrorecorder.h"
#include "framework/qvactionlist.h"
#include "framework/qvswitch.h"
#include "fuzzgui.h"


#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    StartOffscreenGui(argc, argv);
    return 0;
}

namespace {

QString Quoted(const QString &item)
{
    QString quoted = item;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void CheckTextRules(const QString &line)
{
    // Items written back in quotes read back as the same items.
    const QStringList items = actiontext::ParseCommaText(line);
    QStringList quoted;
    for (const QString &item : items)
        quoted << Quoted(item);
    if (actiontext::ParseCommaText(quoted.join(QLatin1Char(','))) != items)
        __builtin_trap();

    // A rectangle read from text reads back from its own text form.
    if (const std::optional<TRectValue> rect = actiontext::RectFromText(line)) {
        const QString text = QStringLiteral("(%1, %2, %3, %4)").arg(rect->left).arg(rect->top).arg(rect->right).arg(rect->bottom);
        if (actiontext::RectFromText(text) != rect)
            __builtin_trap();
    }
    actiontext::BooleanFromText(line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TQvActionList *list = [] {
        auto *l = new TQvActionList;
        CreateCatalogueActions(*l, actioncatalogue::TOwner::Main, {[] { return QSize(1920, 1080); }, [] { return QString(); }});
        return l;
    }();
    static TQvSwitch *processor = [] {
        auto *p = new TQvSwitch;
        p->setPumpMessages([] {});
        p->setCloseMainWindow([] {});
        list->setSwitchProcessor(p);
        return p;
    }();

    const QStringList arguments = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)).split(QLatin1Char('\n'));
    if (arguments.size() > 64)
        return 0;
    for (const QString &argument : arguments)
        CheckTextRules(argument);

    processor->setArguments(arguments);
    processor->ReadCommandLine();
    if (processor->entries().size() > size_t(arguments.size()))
        __builtin_trap();
    for (const TActionEx &entry : processor->entries())
        if (!entry.action || !processor->registered().contains(entry.action.data()))
            __builtin_trap(); // no DefaultAction: every entry is a registered action

    qsizetype recorded = 0;
    TMacroRecorder::Instance().Start([&recorded](const QString &line) {
        if (!line.startsWith(QLatin1String("    ")))
            __builtin_trap();
        ++recorded;
    });
    processor->RunCommandLine();
    TMacroRecorder::Instance().Stop();
    if (processor->Executing() || !processor->entries().empty() || TMacroRecorder::Instance().Busy())
        __builtin_trap();
    if (recorded > arguments.size())
        __builtin_trap(); // one line per entry at most
    return 0;
}
