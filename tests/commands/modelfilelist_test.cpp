// The command engine working on the file list model: reloaded and renamed
// files keep their place in the list's order, their selection and the active file.

#include "commands/commands.h"
#include "commands/graphcmd.h"
#include "commands/modelfilelist.h"
#include "enginefixture.h"

#include <QFileInfo>
#include <QSignalSpy>

namespace {

class ModelEngineTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        engine.setSourceFichierListbox(&adapter);
        engine.setDestFichierListbox(&adapter);
        engine.setAnswerer(&answerer);
        for (const char *name : {"b.avi", "a.avi", "c.avi"}) {
            QFile f(path(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("x");
            model.AddFichier(std::make_unique<TSRFichier>(path(name)), true);
        }
        model.SetActive(1); // b
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList names() const
    {
        QStringList out;
        for (int i = 0; i < model.count(); ++i)
            out << model.record(i)->fileName();
        return out;
    }
    bool run(tAbstractCmd &cmd)
    {
        return engine.ExecuteCommand(&cmd, {}) && engine.waitForIdle(20000);
    }

    QTemporaryDir dir;
    TFichierListModel model;
    TModelFileList adapter{model};
    TScriptedAnswerer answerer;
    TCommandEngine engine;
};

TEST_F(ModelEngineTest, ReloadedRecordsTakeTheirItemsAndTheActiveFile)
{
    TAbstractListFichier *oldActive = model.activeRecord();
    QSignalSpy active(&model, &TFichierListModel::OnActiveChange);
    QSignalSpy enabled(&model, &TFichierListModel::enabledChanged);
    TFastcmd cmd;
    cmd.UpdateFile = ufReload;
    ASSERT_TRUE(run(cmd));
    EXPECT_EQ(names(), (QStringList{"a.avi", "b.avi", "c.avi"}));
    EXPECT_EQ(model.selectedCount(), 3);
    ASSERT_NE(model.activeRecord(), nullptr);
    EXPECT_EQ(model.activeRecord()->fullPath(), path("b.avi"));
    EXPECT_NE(model.activeRecord(), oldActive);
    ASSERT_GE(active.size(), 1);
    EXPECT_EQ(active.last().at(0).value<TAbstractListFichier *>(), model.activeRecord());
    EXPECT_EQ(enabled.size(), 2); // disabled for the run, enabled again
    EXPECT_TRUE(model.isEnabled());
}

TEST_F(ModelEngineTest, RenamedFilesMoveToTheirNewPlace)
{
    model.SelectAll(false);
    model.setSelected(0, true); // a, and the active b
    TRenameCmd cmd;
    cmd.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) {
        return path(QStringLiteral("z") + f->fileName());
    };
    ASSERT_TRUE(run(cmd));
    EXPECT_EQ(names(), (QStringList{"c.avi", "za.avi", "zb.avi"}));
    EXPECT_TRUE(model.isSelected(1) && model.isSelected(2));
    // The engine drops a renamed file's entry and lists the new name: the
    // active file moved on to a listed one.
    ASSERT_NE(model.activeRecord(), nullptr);
    EXPECT_GE(model.IndexOf(model.activeRecord()), 0);
    EXPECT_EQ(model.cache().find(path("a.avi")), nullptr);
    EXPECT_EQ(model.cache().find(path("b.avi")), nullptr);
}

} // namespace
