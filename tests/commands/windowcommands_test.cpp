// The commands that hand files to the desktop, run through the command engine
// with services that record what they are asked.

#include "enginefixture.h"

#include "commands/commandsettings.h"
#include "commands/udmaction.h"
#include "pipelines/builders/convertirdvunit.h"

#include <QDir>

namespace {

class WindowCommandsTest : public EngineTest
{
protected:
    // Services that record each call as "what argument..." and answer `answer`.
    void installServices(bool answer = true)
    {
        TWindowServices services;
        const auto record = [this](const QString &call) {
            EXPECT_TRUE(OnMainThread()) << "services run on the owner's thread";
            calls << call;
        };
        services.showInFileManager = [=](const QString &p) { return record("show " + p), answer; };
        services.openWithDefault = [=](const QString &p) { return record("open " + p), answer; };
        services.startProgram = [=](const QString &program, const QStringList &args) {
            return record("start " + program + " " + args.join('|')), answer;
        };
        services.showRiffReport = [=](const QString &p) { record("riff " + p); };
        actions.setWindowServices(services);
    }
    // a.avi, b.avi, c.avi; a and c selected, b the current item.
    void listThree()
    {
        listFiles({"a.avi", "b.avi", "c.avi"});
        list.items[1].selected = false;
        list.current = 1;
    }
    // An executable file in the test folder.
    QString program(const QString &name)
    {
        touch(name, "#!/bin/sh\n");
        QFile::setPermissions(path(name), QFile::permissions(path(name)) | QFileDevice::ExeOwner);
        return path(name);
    }
    void setProgram(const char *key, const QString &value)
    {
        ASSERT_TRUE(ApplyCommandSetting(actions, settings::Get(QString::fromLatin1(key)), value));
    }

    TCdm cdm;
    TdmAction actions{cdm};
    QStringList calls;
};

struct TProgramCase
{
    const char *command;
    const char *setting;
};
const TProgramCase kProgramCommands[] = {
    {"OpenFichierF3", "FichierF3"},
    {"OpenFichierF4", "FichierF4"},
    {"Snapvue", "FichierSnapvue"},
};

TEST_F(WindowCommandsTest, SingleFileCommandsTakeTheCurrentItemOnly)
{
    installServices();
    listThree();
    const QString b = path("b.avi");
    for (auto [name, call] : {std::pair{"DossierParent", "show "}, std::pair{"DefaultPlayer", "open "},
                              std::pair{"RiffHeader", "riff "}}) {
        calls.clear();
        tAbstractCmd *cmd = actions.find(QString::fromLatin1(name));
        ASSERT_NE(cmd, nullptr) << name;
        EXPECT_EQ(cmd->Nombre, fnSingle);
        ASSERT_TRUE(runToEnd(*cmd)) << name;
        EXPECT_EQ(calls, QStringList{QString::fromLatin1(call) + b}) << name;
    }
    EXPECT_FALSE(log.join('\n').contains("error")) << qPrintable(log.join('\n'));
}

TEST_F(WindowCommandsTest, SingleFileCommandsNeedACurrentItem)
{
    installServices();
    listFiles({"a.avi"});
    for (const char *name : {"DossierParent", "DefaultPlayer", "RiffHeader"}) {
        tAbstractCmd *cmd = actions.find(QString::fromLatin1(name));
        bool visible = false, enabled = true;
        cmd->DoFileCondition(nullptr, visible, enabled);
        EXPECT_FALSE(enabled) << name;
        cmd->DoFileCondition(list.record(0), visible, enabled);
        EXPECT_TRUE(enabled) << name;
        EXPECT_FALSE(engine.ExecuteCommand(cmd)) << name << ": no current item";
    }
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(WindowCommandsTest, ProgramsStartWithEachSelectedFileOnceTheirFileExists)
{
    installServices();
    listThree();
    QDir().mkpath(path("folder"));
    for (const TProgramCase &c : kProgramCommands) {
        tAbstractCmd *cmd = actions.find(QString::fromLatin1(c.command));
        ASSERT_NE(cmd, nullptr) << c.command;
        EXPECT_EQ(cmd->Nombre, fnSelect);
        const auto settingsRead = SettingsReadBy(QString::fromLatin1(c.command));
        ASSERT_EQ(settingsRead.size(), 1u) << c.command;
        EXPECT_EQ(settingsRead[0]->key, QString::fromLatin1(c.setting));

        for (const QString &absent : {QString(), path("missing"), path("folder")}) {
            setProgram(c.setting, absent);
            EXPECT_FALSE(cmd->DoCommandCondition(&engine)) << c.command << " with " << qPrintable(absent);
            EXPECT_FALSE(engine.ExecuteCommand(cmd)) << c.command;
        }
        const QString exe = program(QStringLiteral("prog with space"));
        setProgram(c.setting, exe);
        EXPECT_TRUE(cmd->DoCommandCondition(&engine)) << c.command;
        calls.clear();
        ASSERT_TRUE(runToEnd(*cmd)) << c.command;
        EXPECT_EQ(calls, (QStringList{"start " + exe + " " + path("a.avi"), "start " + exe + " " + path("c.avi")}))
            << c.command;
    }
}

TEST_F(WindowCommandsTest, WithoutTheWindowEveryCommandSaysItNeedsIt)
{
    listThree();
    const QString exe = program(QStringLiteral("prog"));
    for (const TProgramCase &c : kProgramCommands)
        setProgram(c.setting, exe);
    for (const char *name : {"DossierParent", "DefaultPlayer", "RiffHeader", "OpenFichierF3", "OpenFichierF4", "Snapvue"}) {
        log.clear();
        ASSERT_TRUE(runToEnd(*actions.find(QString::fromLatin1(name)))) << name;
        const QStringList errors = log.filter("error");
        ASSERT_EQ(errors.size(), 1) << name << ": " << qPrintable(log.join('\n'));
        EXPECT_TRUE(errors[0].startsWith(QStringLiteral("error%1 ").arg(int(etAllError)))) << qPrintable(errors[0]);
        EXPECT_TRUE(errors[0].contains("needs the window")) << qPrintable(errors[0]);
        EXPECT_EQ(engine.errorType(), etAllError) << name;
    }
}

TEST_F(WindowCommandsTest, FailuresOfTheDesktopAreReported)
{
    installServices(false);
    listThree();
    const QString exe = program(QStringLiteral("prog"));
    setProgram("FichierF3", exe);

    // A program that does not start is named, and the next file still goes.
    ASSERT_TRUE(runToEnd(actions.OpenFichierF3));
    EXPECT_EQ(calls.size(), 2);
    EXPECT_EQ(log.filter("could not be started").size(), 2) << qPrintable(log.join('\n'));
    EXPECT_TRUE(log.filter("error").isEmpty());

    // Nothing opened for the current item: the run ends with the reason.
    for (tAbstractCmd *cmd : {static_cast<tAbstractCmd *>(&actions.DossierParent), static_cast<tAbstractCmd *>(&actions.DefaultPlayer)}) {
        log.clear();
        ASSERT_TRUE(runToEnd(*cmd));
        const QStringList errors = log.filter("error");
        ASSERT_EQ(errors.size(), 1) << qPrintable(log.join('\n'));
        EXPECT_TRUE(errors[0].contains(path("b.avi"))) << qPrintable(errors[0]);
    }
}

} // namespace
