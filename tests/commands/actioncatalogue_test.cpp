// The window's batch-command actions and the command catalogue name the same
// commands.

#include "commands/udmaction.h"
#include "framework/actioncatalogue.h"
#include "pipelines/builders/convertirdvunit.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

// Commands the window's actions start that the catalogue does not hold yet:
// the scene exports.
const QSet<QString> kNotInTheCatalogueYet = {
    "ExporterScenesTexte", "ExporterScenesExcel", "ExporterScenesWord", "ExporterScenesCalc", "ExporterScenesWriter",
};

TEST(ActionCatalogue, BatchActionsStartTheCommandsOfTheCatalogue)
{
    TCdm cdm;
    TdmAction catalogue(cdm);
    QSet<QString> started;
    const auto starts = [&](QStringView command) {
        const QString name = command.toString();
        started.insert(name);
        tAbstractCmd *cmd = catalogue.find(name);
        if (!cmd) {
            EXPECT_TRUE(kNotInTheCatalogueYet.contains(name)) << qPrintable(name) << " is no command of the catalogue";
            return;
        }
        EXPECT_EQ(cmd->name, name); // the same spelling
    };
    for (const actioncatalogue::TActionEntry &entry : actioncatalogue::Actions())
        if (!entry.command.isEmpty())
            starts(entry.command);
    for (const actioncatalogue::TMenu &menu : actioncatalogue::MainMenu())
        for (const actioncatalogue::TMenuItem &item : menu.items)
            if (item.kind == actioncatalogue::TItemKind::Command)
                starts(item.command);

    // Every command of the catalogue has its action.
    for (tAbstractCmd *cmd : catalogue.commands())
        EXPECT_TRUE(started.contains(cmd->name)) << qPrintable(cmd->name) << " has no action";
}

} // namespace
