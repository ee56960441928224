// The command engine with fake commands: which files run, what is asked,
// what the owner receives, and how the file list changes.

#include "commands/commands.h"
#include "commands/graphcmd.h"
#include "enginefixture.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTimer>

#include <stdexcept>

namespace {

// A command producing name + ".out" beside each file, recording what ran.
struct TOutCmd : Tcmd
{
    QStringList ran;
    TOutCmd()
    {
        OnDestination = [](TAbstractListFichier *f, const QStringList &, int) { return f->fullPath() + QStringLiteral(".out"); };
        Tcmd::OnExecution = [this](TAbstractListFichier *f, const QString &, const QStringList &, TCommandEngine *, int) {
            ran << f->fileName();
            return TError();
        };
    }
};

struct TAnswerCase
{
    const char *label;
    std::vector<bool> destinationExists; // per file a, b, c
    std::vector<TModalResult> answers;
    QStringList ran;
    int questions;
};

class EngineAnswers : public EngineTest, public testing::WithParamInterface<TAnswerCase> {};

TEST_P(EngineAnswers, DecideWhichFilesRun)
{
    const TAnswerCase &c = GetParam();
    const QStringList names{"a.avi", "b.avi", "c.avi"};
    listFiles(names);
    for (int i = 0; i < 3; ++i)
        if (c.destinationExists[size_t(i)])
            touch(names[i] + QStringLiteral(".out"));
    answerer.answers.assign(c.answers.begin(), c.answers.end());

    TOutCmd cmd;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(cmd.ran, c.ran);
    EXPECT_EQ(answerer.questions.size(), c.questions);
    for (bool several : answerer.several)
        EXPECT_TRUE(several);
    EXPECT_EQ(log.last(), QStringLiteral("end"));
}

INSTANTIATE_TEST_SUITE_P(
    Questions, EngineAnswers,
    testing::Values(
        TAnswerCase{"YesNoYes", {true, true, true}, {mrYes, mrNo, mrYes}, {"a.avi", "c.avi"}, 3},
        TAnswerCase{"YesToAllAsksOnce", {true, true, true}, {mrYesToAll}, {"a.avi", "b.avi", "c.avi"}, 1},
        TAnswerCase{"NoToAllAsksOnce", {true, true, true}, {mrNoToAll}, {}, 1},
        TAnswerCase{"CancelEndsTheRun", {true, true, true}, {mrYes, mrCancel}, {"a.avi"}, 2},
        TAnswerCase{"NoDoesNotCarryOver", {true, false, false}, {mrNo}, {"b.avi", "c.avi"}, 1},
        TAnswerCase{"NoToAllSkipsTheRestOfTheRun", {true, false, false}, {mrNoToAll}, {}, 1},
        TAnswerCase{"NoQuestionWithoutDestination", {false, false, false}, {}, {"a.avi", "b.avi", "c.avi"}, 0}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(EngineTest, OneFileGetsTheThreeButtonQuestion)
{
    listFiles({"a.avi"});
    touch(QStringLiteral("a.avi.out"));
    answerer.answers = {mrNo};
    TOutCmd cmd;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_TRUE(cmd.ran.isEmpty());
    EXPECT_EQ(answerer.questions, QStringList{QStringLiteral("Do you want to overwrite the existing file %1 ?").arg(path("a.avi.out"))});
    EXPECT_EQ(answerer.several, std::vector<bool>{false});
    EXPECT_EQ(log, (QStringList{"start", "end"}));
}

TEST_F(EngineTest, QuestionTextsOfEachKind)
{
    listFiles({"a.avi", "b.avi"});
    touch(QStringLiteral("a.avi.out"));
    answerer.answers = {mrNoToAll};
    TOutCmd overwrite;
    ASSERT_TRUE(runToEnd(overwrite));

    tCustomCmd custom;
    custom.OnFileVerification = [](TAbstractListFichier *, const QStringList &, TCommandEngine *, int) { return false; };
    custom.OnFileConFirmation = [](TAbstractListFichier *f, const QStringList &, TCommandEngine *, int) {
        return QStringLiteral("Delete ") + f->fileName() + QStringLiteral(" ?");
    };
    answerer.answers = {mrNoToAll};
    for (auto &item : list.items)
        item.selected = true;
    ASSERT_TRUE(runToEnd(custom));

    TRenameCmd rename;
    rename.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) { return path(f->shortName() + QStringLiteral(".dv")); };
    rename.OnFileVerification = [](const QString &, TAbstractListFichier *, const QStringList &, TCommandEngine *, int) { return false; };
    answerer.answers = {mrNoToAll};
    for (auto &item : list.items)
        item.selected = true;
    ASSERT_TRUE(runToEnd(rename));

    EXPECT_EQ(answerer.questions,
              (QStringList{QStringLiteral("Do you want to overwrite the existing file %1 ?\r\nIf you answer \"All\" then no further confirmation will be requested").arg(path("a.avi.out")),
                           QStringLiteral("Delete a.avi ?\r\n") + QString::fromUtf8("Si vous répondez \"Oui à Tous\" ou \"Non à Tous\", alors plus aucune confirmation ne sera demandée."),
                           QStringLiteral("Do you want to rename a.avi to %1 ?\r\nIf you type \"All\", no more confimation will be asked for.").arg(path("a.dv"))}));
}

TEST_F(EngineTest, CustomCommandWithoutConfirmationHookNeverAsks)
{
    listFiles({"a.avi", "b.avi"});
    tCustomCmd cmd;
    int runs = 0;
    cmd.OnFileVerification = [](TAbstractListFichier *, const QStringList &, TCommandEngine *, int) { return false; };
    cmd.OnExecution = [&](TAbstractListFichier *, const QStringList &, TCommandEngine *, int) { ++runs; return TError(); };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(answerer.questions.isEmpty());
}

TEST_F(EngineTest, SelectionIsTakenAndMarkedFileByFile)
{
    listFiles({"a.avi", "b.avi", "c.avi", "d.avi"});
    list.items[1].selected = false;
    TFastcmd cmd;
    std::vector<std::vector<bool>> seen;
    cmd.OnFileCondition = [](TAbstractListFichier *f, bool &, bool &enabled) { enabled = f->fileName() != QStringLiteral("c.avi"); };
    cmd.OnExecution = [&](TAbstractListFichier *, const QStringList &, TCommandEngine *, int) {
        std::vector<bool> s;
        for (const auto &item : list.items) // read while the owner waits for the worker
            s.push_back(item.selected);
        seen.push_back(s);
        return TError();
    };
    cmd.UpdateDisplay = udFinal;
    ASSERT_TRUE(runToEnd(cmd));
    // a and d run; c is skipped by its condition without a question; b was never selected.
    EXPECT_EQ(seen, (std::vector<std::vector<bool>>{{true, false, false, false}, {true, false, false, true}}));
    EXPECT_EQ(list.enabledLog, (std::vector<bool>{false, true}));
    EXPECT_EQ(list.countRefreshes, 1);
    EXPECT_TRUE(answerer.questions.isEmpty());
    EXPECT_EQ(log, (QStringList{"start", "file a.avi 1", "done a.avi 1", "file d.avi 1", "done d.avi 1", "end"}));
}

// A file's failure comes with its reason, returned by the hook or carried
// by what it throws; the error message is followed by it.
TEST_F(EngineTest, FailingFileIsReportedWithItsReasonAndTheRunGoesOn)
{
    listFiles({"a.avi", "b%d.avi", "c.avi", "d.avi"});
    TFastcmd cmd;
    cmd.StartMessage = QStringLiteral("Converting %s in type 2");
    cmd.ErrorMessage = QStringLiteral("An error occured while converting %s in type 2");
    cmd.OnExecution = [](TAbstractListFichier *f, const QStringList &, TCommandEngine *, int) {
        if (f->fileName().startsWith(QLatin1Char('b')))
            return TError(QStringLiteral("broken"));
        if (f->fileName().startsWith(QLatin1Char('c')))
            throw std::runtime_error("thrown");
        return TError();
    };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(log, (QStringList{"start",
                                "file a.avi 1", "msg Converting a.avi in type 2", "done a.avi 1",
                                "file b%d.avi 1", "msg Converting b%d.avi in type 2",
                                QStringLiteral("error1 An error occured while converting %1 in type 2: broken").arg(path("b%d.avi")),
                                "done b%d.avi 1",
                                "file c.avi 1", "msg Converting c.avi in type 2",
                                QStringLiteral("error1 An error occured while converting %1 in type 2: thrown").arg(path("c.avi")),
                                "done c.avi 1",
                                "file d.avi 1", "msg Converting d.avi in type 2", "done d.avi 1",
                                "end"}));
}

TEST_F(EngineTest, SilentFailureAndWholeRunError)
{
    listFiles({"a.avi", "b.avi", "c.avi"});
    TFastcmd cmd;
    QStringList ran;
    cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine *ce, int) {
        ran << f->fileName();
        if (f->fileName() == QStringLiteral("a.avi"))
            return TError(QStringLiteral("silent: no error message"));
        if (f->fileName() == QStringLiteral("b.avi"))
            ce->ErrorCommand(QStringLiteral("disk full"), etAllError);
        return TError();
    };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(ran, (QStringList{"a.avi", "b.avi"}));
    EXPECT_EQ(log, (QStringList{"start", "file a.avi 1", "done a.avi 1", "file b.avi 1", "error2 disk full", "end"}));
}

// A custom command has no error message of its own: its failure ends the
// run and is said as it is.
TEST_F(EngineTest, CustomCommandFailureEndsTheRunWithItsReasonAndItsEndEvent)
{
    listFiles({"a.avi", "b.avi"});
    tCustomCmd cmd;
    cmd.OnExecution = [](TAbstractListFichier *, const QStringList &, TCommandEngine *, int) { return TError(QStringLiteral("x")); };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(log, (QStringList{"start", "file a.avi 1", "error2 x", "end"}));
    EXPECT_TRUE(list.enabled);
    EXPECT_FALSE(engine.isRunning());
}

struct TFormatCase
{
    const char *format;
    const char *text;
    int passe;
    const char *expected;
};

class CommandText : public testing::TestWithParam<TFormatCase> {};

TEST_P(CommandText, FillsTheFileAndThePass)
{
    const TFormatCase &c = GetParam();
    EXPECT_EQ(FormatCmdText(QString::fromUtf8(c.format), QString::fromUtf8(c.text), c.passe), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CommandText,
    testing::Values(TFormatCase{"Converting %s in type 2", "a.avi", 1, "Converting a.avi in type 2"},
                    TFormatCase{"Extracting from %s the scene %d ", "a.avi", 2, "Extracting from a.avi the scene 2 "},
                    TFormatCase{"%s: 100%% done", "x%s%d", 3, "x%s%d: 100% done"},
                    TFormatCase{"%s %d %s", "a", 4, "a 4 %s"},
                    TFormatCase{"ends with %", "a", 1, "ends with %"}));

TEST_F(EngineTest, CommandWithoutFilesRunsItsPasses)
{
    tCustomCmd cmd;
    cmd.Nombre = fnNone;
    cmd.NbPasses = 0;
    std::vector<std::pair<TAbstractListFichier *, int>> calls;
    cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &params, TCommandEngine *, int passe) {
        EXPECT_EQ(params, QStringList{"p"});
        EXPECT_FALSE(OnMainThread());
        calls.emplace_back(f, passe);
        return TError();
    };
    ASSERT_TRUE(runToEnd(cmd, {"p"}));
    EXPECT_EQ(calls, (std::vector<std::pair<TAbstractListFichier *, int>>{{nullptr, 1}}));
    EXPECT_EQ(log, (QStringList{"start", "end"}));
}

TEST_F(EngineTest, HookRaisesThePassCountDuringTheFirstPass)
{
    listFiles({"a.avi", "b.avi"});
    TFastcmd cmd;
    cmd.StartMessage = QStringLiteral("Extracting from %s the scene %d ");
    cmd.OnExecution = [&](TAbstractListFichier *, const QStringList &, TCommandEngine *, int passe) {
        if (passe == 1)
            cmd.NbPasses = 2;
        return TError();
    };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(log.filter(QStringLiteral("msg")),
              (QStringList{"msg Extracting from a.avi the scene 1 ", "msg Extracting from a.avi the scene 2 ",
                           "msg Extracting from b.avi the scene 1 ", "msg Extracting from b.avi the scene 2 "}));
}

TEST_F(EngineTest, DeclinedPassMovesOnToTheNextFile)
{
    listFiles({"a.avi", "b.avi"});
    tCustomCmd cmd;
    cmd.NbPasses = 3;
    QStringList ran;
    cmd.OnFileVerification = [](TAbstractListFichier *, const QStringList &, TCommandEngine *, int passe) { return passe != 2; };
    cmd.OnFileConFirmation = [](TAbstractListFichier *, const QStringList &, TCommandEngine *, int) { return QStringLiteral("?"); };
    cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine *, int passe) {
        ran << QStringLiteral("%1/%2").arg(f->fileName()).arg(passe);
        return TError();
    };
    answerer.answers = {mrNo, mrYes};
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(ran, (QStringList{"a.avi/1", "b.avi/1", "b.avi/2", "b.avi/3"}));
    EXPECT_EQ(answerer.questions.size(), 2);
}

TEST_F(EngineTest, RunsThatDoNotStartRaiseNothing)
{
    tCustomCmd cmd;
    TCommandEngine unset;
    EXPECT_FALSE(unset.ExecuteCommand(&cmd));

    cmd.Nombre = fnAll;
    EXPECT_FALSE(engine.ExecuteCommand(&cmd)) << "empty list";
    listFiles({"a.avi"});
    list.items[0].selected = false;
    cmd.Nombre = fnSelect;
    EXPECT_FALSE(engine.ExecuteCommand(&cmd)) << "nothing selected";
    cmd.Nombre = fnSingle;
    EXPECT_FALSE(engine.ExecuteCommand(&cmd)) << "no current item";
    list.current = 0;
    cmd.OnCommandCondition = [](TCommandEngine *) { return false; };
    EXPECT_FALSE(engine.ExecuteCommand(&cmd)) << "command condition false";
    EXPECT_TRUE(log.isEmpty());

    cmd.OnCommandCondition = nullptr;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_TRUE(list.items[0].selected) << "the single file is marked when it runs";
    EXPECT_EQ(log, (QStringList{"start", "file a.avi 1", "done a.avi 1", "end"}));
}

TEST_F(EngineTest, SecondStartDuringARunIsRefused)
{
    listFiles({"a.avi"});
    tCustomCmd first, second;
    bool refused = false;
    first.OnExecution = [&](TAbstractListFichier *, const QStringList &, TCommandEngine *ce, int) {
        QMetaObject::invokeMethod(ce, [&] { refused = !engine.ExecuteCommand(&second); }, Qt::BlockingQueuedConnection);
        return TError();
    };
    ASSERT_TRUE(engine.ExecuteCommand(&first));
    // The owner serves the run through its event loop here, as a window does.
    QSignalSpy end(&engine, &TCommandEngine::OnEndCommand);
    ASSERT_TRUE(end.wait(20000));
    EXPECT_TRUE(refused);
    EXPECT_EQ(log.count(QStringLiteral("start")), 1);
}

TEST_F(EngineTest, QuestionsThroughTheSignalInTheEventLoop)
{
    engine.setAnswerer(nullptr);
    listFiles({"a.avi", "b.avi"});
    touch(QStringLiteral("a.avi.out"));
    touch(QStringLiteral("b.avi.out"));
    QStringList asked;
    QObject::connect(&engine, &TCommandEngine::OnQuestion, [&](const QString &q, bool several) {
        EXPECT_TRUE(several);
        asked << q;
        // Answered later, from the event loop, as a non-modal dialog would.
        QTimer::singleShot(0, &engine, [&, n = asked.size()] { engine.Answer(n == 1 ? mrNo : mrYes); });
    });
    TOutCmd cmd;
    QSignalSpy end(&engine, &TCommandEngine::OnEndCommand);
    ASSERT_TRUE(engine.ExecuteCommand(&cmd));
    ASSERT_TRUE(end.wait(20000));
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(cmd.ran, QStringList{"b.avi"});
}

TEST_F(EngineTest, NobodyToAskMeansNothingIsOverwritten)
{
    engine.setAnswerer(nullptr);
    listFiles({"a.avi", "b.avi"});
    touch(QStringLiteral("b.avi.out"));
    TOutCmd cmd;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(cmd.ran, QStringList{"a.avi"});
}

TEST_F(EngineTest, FailingConditionEndsTheRunWithItsReason)
{
    listFiles({"a.avi", "b.avi"});
    TFastcmd cmd;
    cmd.OnFileCondition = [](TAbstractListFichier *, bool &, bool &) { throw std::runtime_error("x"); };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(log, (QStringList{"start", "error2 x", "end"}));
    EXPECT_EQ(list.enabledLog, (std::vector<bool>{false, true}));
}

TEST_F(EngineTest, EntryDroppedFromTheListDuringTheRunIsSkipped)
{
    listFiles({"a.avi", "b.avi", "c.avi"});
    QObject::connect(&engine, &TCommandEngine::OnStartFichier, [&](TAbstractListFichier *f, const QStringList &, int) {
        if (f->fileName() == QStringLiteral("a.avi")) {
            list.removeFichier(list.record(list.indexOf(path("b.avi"))));
            // c is listed again under a new record.
            list.addFichier(std::make_unique<TSRFichier>(path("c.avi")), false);
        }
    });
    TOutCmd cmd;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(cmd.ran, (QStringList{"a.avi", "c.avi"}));
}

// --- list updates ---

TEST_F(EngineTest, ReloadPutsANewRecordInPlace)
{
    listFiles({"a.avi", "b.avi"});
    TAbstractListFichier *old = list.record(0);
    TFastcmd cmd;
    cmd.UpdateFile = ufReload;
    std::vector<TAbstractListFichier *> ended;
    QObject::connect(&engine, &TCommandEngine::OnEndFichier, [&](TAbstractListFichier *f, const QStringList &, int) { ended.push_back(f); });
    int made = 0;
    engine.setFichierClass([&](const QString &p) {
        ++made;
        return std::make_unique<TSRFichier>(p);
    });
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(made, 2);
    EXPECT_EQ(list.paths(), (QStringList{path("a.avi"), path("b.avi")}));
    EXPECT_NE(list.record(0), old);
    EXPECT_EQ(ended, (std::vector<TAbstractListFichier *>{list.record(0), list.record(1)}));
}

TEST_F(EngineTest, RemovedFileEndsWithoutARecord)
{
    listFiles({"a.avi", "b.avi"});
    TFastcmd cmd;
    cmd.NbPasses = 2;
    cmd.UpdateFile = ufRemove;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_TRUE(list.items.empty());
    EXPECT_EQ(log, (QStringList{"start", "file a.avi 1", "done - 1", "file b.avi 1", "done - 1", "end"}));
}

TEST_F(EngineTest, AddListsAnExistingDestinationUnselected)
{
    listFiles({"a.avi", "b.avi"});
    TOutCmd cmd;
    cmd.UpdateFile = ufAdd;
    cmd.Tcmd::OnExecution = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, TCommandEngine *, int) {
        if (f->fileName() == QStringLiteral("a.avi"))
            touch(QFileInfo(dest).fileName()); // b's conversion "fails": no output
        return TError();
    };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(list.paths(), (QStringList{path("a.avi"), path("b.avi"), path("a.avi.out")}));
    EXPECT_FALSE(list.items[2].selected);
}

TEST_F(EngineTest, ReplaceDeletesTheSourceAndListsTheResult)
{
    listFiles({"a.avi", "b.avi"});
    TOutCmd cmd;
    cmd.UpdateFile = ufReplace;
    cmd.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) {
        // b's result is written over b itself.
        return f->fileName() == QStringLiteral("b.avi") ? f->fullPath() : path("a2.avi");
    };
    answerer.answers = {mrYes};
    cmd.Tcmd::OnExecution = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, TCommandEngine *, int) {
        if (f->fileName() == QStringLiteral("a.avi"))
            touch(QFileInfo(dest).fileName());
        return TError();
    };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_FALSE(QFileInfo::exists(path("a.avi")));
    EXPECT_TRUE(QFileInfo::exists(path("b.avi"))) << "a result written over its own source is kept";
    EXPECT_EQ(list.paths(), (QStringList{path("b.avi"), path("a2.avi")}));
    EXPECT_TRUE(list.items[1].selected);
}

TEST_F(EngineTest, RenameMovesTheFileAndItsEntry)
{
    listFiles({"a.avi", "b.avi", "taken.avi"});
    list.items[2].selected = false;
    TRenameCmd cmd;
    cmd.ErrorMessage = QStringLiteral("Cannot rename %s");
    cmd.OnDestination = [this](TAbstractListFichier *f, const QStringList &, int) {
        return path(f->fileName() == QStringLiteral("a.avi") ? QStringLiteral("renamed.avi") : QStringLiteral("taken.avi"));
    };
    QStringList verified;
    cmd.OnFileVerification = [&](const QString &dest, TAbstractListFichier *f, const QStringList &, TCommandEngine *, int) {
        verified << f->fileName() + QStringLiteral(">") + QFileInfo(dest).fileName();
        return true;
    };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(verified, (QStringList{"a.avi>renamed.avi", "b.avi>taken.avi"}));
    EXPECT_TRUE(QFileInfo::exists(path("renamed.avi")));
    EXPECT_FALSE(QFileInfo::exists(path("a.avi")));
    EXPECT_TRUE(QFileInfo::exists(path("b.avi"))) << "an existing name is never overwritten";
    EXPECT_EQ(list.paths(), (QStringList{path("b.avi"), path("taken.avi"), path("renamed.avi")}));
    EXPECT_TRUE(list.items[2].selected);
    const QStringList errors = log.filter(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("error1 Cannot rename %1: cannot rename %1 to %2: ").arg(path("b.avi"), path("taken.avi"))))
        << errors[0].toStdString();
}

TEST_F(EngineTest, AbortSkipsTheNextFileAndAbortAllEndsTheRun)
{
    listFiles({"a.avi", "b.avi", "c.avi", "d.avi"});
    TFastcmd cmd;
    QStringList ran;
    int aborts = 0;
    cmd.OnAbort = [&](TCommandEngine *) {
        ++aborts;
        throw std::runtime_error("said, and the abort goes on");
    };
    cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine *ce, int) {
        ran << f->fileName();
        if (f->fileName() == QStringLiteral("a.avi"))
            QMetaObject::invokeMethod(ce, [&] { engine.Abort(); }, Qt::BlockingQueuedConnection);
        return TError();
    };
    ASSERT_TRUE(engine.ExecuteCommand(&cmd));
    QSignalSpy end(&engine, &TCommandEngine::OnEndCommand);
    ASSERT_TRUE(end.wait(20000));
    EXPECT_EQ(ran, (QStringList{"a.avi", "c.avi", "d.avi"}));

    for (auto &item : list.items)
        item.selected = true;
    ran.clear();
    cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine *ce, int) {
        ran << f->fileName();
        QMetaObject::invokeMethod(ce, [&] { engine.AbortAll(); }, Qt::BlockingQueuedConnection);
        return TError();
    };
    ASSERT_TRUE(engine.ExecuteCommand(&cmd));
    ASSERT_TRUE(end.wait(20000));
    EXPECT_EQ(ran, QStringList{"a.avi"});
    EXPECT_EQ(aborts, 2);
}

} // namespace
