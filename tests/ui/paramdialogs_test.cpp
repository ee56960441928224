// The parameter dialogs, driven headless: fields are set and buttons pressed
// once the modal dialog is shown, and the returned texts are checked.

#include "commands/dialogs/paramdialogs.h"

#include "avi/fpsunit.h"
#include "avi/records/avifichier.h"
#include "commands/commandparams.h"
#include "dv/datecode.h"
#include "framework/preferencesman.h"
#include "support/pinnedlocale.h"
#include "support/samplerecording.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Runs act on the modal dialog as soon as it is shown. The dialog must be
// closed by act, or by Cancel afterwards.
void WhenShown(std::function<void(QDialog &)> act)
{
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, tries, poll] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            act(*dialog);
            if (dialog->isVisible())
                dialog->reject();
            *poll = nullptr; // breaks the cycle
            return;
        }
        if (++*tries < 500)
            QTimer::singleShot(10, *poll);
        else
            ADD_FAILURE() << "no modal dialog was shown";
    };
    QTimer::singleShot(0, *poll);
}

template <typename W>
W *Field(QDialog &dialog, const char *name)
{
    W *w = dialog.findChild<W *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void PressOk(QDialog &dialog)
{
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
}

int CheckedChoice(QDialog &dialog)
{
    for (int i = 0; i < 4; ++i)
        if (auto *b = dialog.findChild<QRadioButton *>(QStringLiteral("choice%1").arg(i)); b && b->isChecked())
            return i;
    return -1;
}

class ParamDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    // A PAL type 2 recording of 2005-06-07 10:00:00 (NTSC with ntsc).
    std::unique_ptr<TaviFichier> recording(const QString &name, bool ntsc = false)
    {
        QStringList options{"--frames", "4", "--type", "2", "--start", "2005-06-07T10:00:00"};
        if (ntsc)
            options << "--ntsc";
        const QString p = MakeSampleRecording(dir, name, options);
        EXPECT_FALSE(p.isEmpty());
        return p.isEmpty() ? nullptr : std::make_unique<TaviFichier>(p);
    }

    QTemporaryDir dir;
    PinnedLocale locale{QLocale(QLocale::German, QLocale::Germany)};
};

TEST_F(ParamDialogsTest, IntervalTakesOnlyAWholeNumberAboveZero)
{
    int intervalle = 20;
    QStringList refusedStillOpen;
    WhenShown([&](QDialog &d) {
        EXPECT_EQ(d.windowTitle(), "Split in scenes");
        auto *edit = Field<QLineEdit>(d, "interval");
        EXPECT_EQ(edit->text(), "20");
        for (const char *bad : {"0", "abc", "-5", "1,5", ""}) {
            edit->setText(QString::fromLatin1(bad));
            Field<QPushButton>(d, "apply")->click();
            if (d.isVisible())
                refusedStillOpen << QString::fromLatin1(bad);
        }
        edit->setText(" 45 ");
        Field<QPushButton>(d, "apply")->click();
    });
    EXPECT_EQ(AskInterval(nullptr, intervalle), std::optional<QString>("45"));
    EXPECT_EQ(refusedStillOpen, (QStringList{"0", "abc", "-5", "1,5", ""}));
    EXPECT_EQ(intervalle, 45);

    WhenShown([](QDialog &d) { Field<QLineEdit>(d, "interval")->setText("7"); }); // then Cancel
    EXPECT_EQ(AskInterval(nullptr, intervalle), std::nullopt);
    EXPECT_EQ(intervalle, 45);
}

TEST_F(ParamDialogsTest, CodecIsPreselectedFromTheFileUnlessChosenBefore)
{
    struct Case
    {
        const char *written; // codec code written into the file, none: as recorded (dvsd)
        int choice;
        const char *edit;
    };
    const Case cases[] = {{nullptr, 0, ""}, {"DSVD", 1, ""}, {"cdvc", 2, ""}, {"xyz1", 3, "xyz1"}};
    int n = 0;
    for (const Case &c : cases) {
        const QString name = QStringLiteral("c%1.avi").arg(n++);
        auto video = recording(name);
        ASSERT_TRUE(video);
        if (c.written) {
            ASSERT_TRUE(WriteCodec(video->fullPath(), CodeFromText(QString::fromLatin1(c.written))));
            video = std::make_unique<TaviFichier>(video->fullPath());
        }
        TDialogChoice fresh;
        WhenShown([&](QDialog &d) {
            EXPECT_EQ(d.windowTitle(), "Fix the video codec");
            EXPECT_EQ(CheckedChoice(d), c.choice) << c.written;
            auto *edit = Field<QLineEdit>(d, "personalized");
            EXPECT_EQ(edit->text(), QString::fromLatin1(c.edit));
            EXPECT_EQ(edit->isEnabled(), c.choice == 3);
        });
        EXPECT_EQ(AskCodec(nullptr, video.get(), fresh), std::nullopt);
        EXPECT_EQ(fresh.choice, -1) << "a cancelled dialog chooses nothing";
    }

    // What OK gives, and the choice kept for the next opening.
    auto video = recording("d.avi");
    ASSERT_TRUE(video);
    TDialogChoice previous;
    const std::pair<int, const char *> results[] = {{0, "dvsd"}, {1, "dsvd"}, {2, "CDVC"}};
    for (auto [choice, expected] : results) {
        WhenShown([choice](QDialog &d) {
            Field<QRadioButton>(d, qPrintable(QStringLiteral("choice%1").arg(choice)))->click();
            PressOk(d);
        });
        EXPECT_EQ(AskCodec(nullptr, video.get(), previous), std::optional<QString>(QString::fromLatin1(expected)));
    }
    bool refused = false;
    WhenShown([&](QDialog &d) {
        EXPECT_EQ(CheckedChoice(d), 2) << "opens on the last choice";
        Field<QRadioButton>(d, "choice3")->click();
        auto *edit = Field<QLineEdit>(d, "personalized");
        EXPECT_TRUE(edit->isEnabled());
        edit->setText("\xe9");
        PressOk(d);
        refused = d.isVisible();
        edit->setText("ab");
        PressOk(d);
    });
    EXPECT_EQ(AskCodec(nullptr, video.get(), previous), std::optional<QString>("ab  "));
    EXPECT_TRUE(refused) << "a code that is no ASCII text is refused";
    WhenShown([](QDialog &d) {
        EXPECT_EQ(CheckedChoice(d), 3);
        EXPECT_EQ(Field<QLineEdit>(d, "personalized")->text(), "ab");
    });
    EXPECT_EQ(AskCodec(nullptr, video.get(), previous), std::nullopt);
}

TEST_F(ParamDialogsTest, FrameRateIsPreselectedFromTheFileAndWrittenInTheUsersNotation)
{
    auto pal = recording("pal.avi");
    auto ntsc = recording("ntsc.avi", true);
    auto odd = recording("odd.avi");
    ASSERT_TRUE(pal && ntsc && odd);
    ASSERT_TRUE(WriteFrameRate(odd->fullPath(), 12.5));
    odd = std::make_unique<TaviFichier>(odd->fullPath());

    const std::tuple<const TaviFichier *, int, const char *> cases[] = {
        {pal.get(), 0, ""}, {ntsc.get(), 1, ""}, {odd.get(), 2, "12,5"}};
    for (auto [video, choice, edit] : cases) {
        TDialogChoice fresh;
        WhenShown([&](QDialog &d) {
            EXPECT_EQ(d.windowTitle(), "Fix the video framerate");
            EXPECT_EQ(CheckedChoice(d), choice) << qPrintable(video->fileName());
            EXPECT_EQ(Field<QLineEdit>(d, "personalized")->text(), QString::fromLatin1(edit));
        });
        EXPECT_EQ(AskFrameRate(nullptr, video, fresh), std::nullopt);
    }

    TDialogChoice previous;
    WhenShown([](QDialog &d) {
        Field<QRadioButton>(d, "choice1")->click();
        PressOk(d);
    });
    EXPECT_EQ(AskFrameRate(nullptr, pal.get(), previous), std::optional<QString>("29,97"));
    bool refused = false;
    WhenShown([&](QDialog &d) {
        EXPECT_EQ(CheckedChoice(d), 1);
        Field<QRadioButton>(d, "choice2")->click();
        auto *edit = Field<QLineEdit>(d, "personalized");
        for (const char *bad : {"abc", "0", "-3"}) {
            edit->setText(QString::fromLatin1(bad));
            PressOk(d);
            refused = refused || d.isVisible();
            EXPECT_TRUE(d.isVisible()) << bad;
        }
        edit->setText("23,976");
        PressOk(d);
    });
    EXPECT_EQ(AskFrameRate(nullptr, pal.get(), previous), std::optional<QString>("23,976"));
    EXPECT_TRUE(refused);
}

TEST_F(ParamDialogsTest, TimeDifferenceInSimpleMode)
{
    auto video = recording("a.avi");
    ASSERT_TRUE(video);
    video->setDisplayShift(2.0 / 24);
    QList<double> shifts;
    TTimeDifferenceHooks hooks{[&](double days) { shifts << days; }};
    bool advanced = false;
    double confirmed = 0.25;
    WhenShown([&](QDialog &d) {
        EXPECT_EQ(d.windowTitle(), "Fix a time difference");
        auto *hours = Field<QSpinBox>(d, "hours");
        EXPECT_EQ(hours->value(), 2) << "opens on the file's display shift";
        EXPECT_EQ(hours->minimum(), -23);
        EXPECT_EQ(hours->maximum(), 23);
        EXPECT_EQ(Field<QLabel>(d, "difference")->text(), "2 hours");
        hours->setValue(-5);
        EXPECT_EQ(Field<QLabel>(d, "difference")->text(), "-5 hours");
        PressOk(d);
    });
    const std::optional<QString> text = AskTimeDifference(nullptr, video.get(), 0.25, advanced, hooks, confirmed);
    ASSERT_TRUE(text);
    double days = 0;
    ASSERT_TRUE(ParseDaysParameter(*text, days)) << qPrintable(*text);
    EXPECT_DOUBLE_EQ(days, -5.0 / 24);
    EXPECT_EQ(*text, LocaleFloatText(-5.0 / 24));
    EXPECT_DOUBLE_EQ(confirmed, -5.0 / 24);
    EXPECT_EQ(shifts, QList<double>{-5.0 / 24});
    EXPECT_FALSE(advanced);
}

TEST_F(ParamDialogsTest, TimeDifferenceInAdvancedModeResetAndCancel)
{
    auto video = recording("a.avi");
    ASSERT_TRUE(video);
    video->setDisplayShift(2.0 / 24);
    QList<double> shifts;
    TTimeDifferenceHooks hooks{[&](double days) { shifts << days; }};
    bool advanced = true;
    double confirmed = 0.25;
    QStringList texts;
    WhenShown([&](QDialog &d) {
        EXPECT_TRUE(Field<QCheckBox>(d, "advanced")->isChecked());
        auto *date = Field<QDateEdit>(d, "date");
        EXPECT_EQ(date->date(), QDate(2005, 6, 7));
        EXPECT_EQ(Field<QSpinBox>(d, "hour")->value(), 12) << "reference plus the display shift";
        EXPECT_EQ(Field<QSpinBox>(d, "minute")->value(), 0);
        date->setDate(QDate(2005, 6, 8));
        Field<QSpinBox>(d, "minute")->setValue(30);
        Field<QSpinBox>(d, "second")->setValue(5);
        texts << Field<QLabel>(d, "difference")->text();
        Field<QPushButton>(d, "reset")->click();
        texts << Field<QLabel>(d, "difference")->text();
        EXPECT_EQ(date->date(), QDate(2005, 6, 7));
        EXPECT_EQ(Field<QSpinBox>(d, "hour")->value(), 10);
        Field<QCheckBox>(d, "advanced")->click(); // left in simple mode, then cancelled
    });
    EXPECT_EQ(AskTimeDifference(nullptr, video.get(), 0.25, advanced, hooks, confirmed), std::nullopt);
    EXPECT_EQ(texts, (QStringList{"1 days 02h 30m 05s", "0 hours"}));
    ASSERT_GE(shifts.size(), 4);
    EXPECT_DOUBLE_EQ(shifts[0], 1 + 2.0 / 24);               // the date
    EXPECT_DOUBLE_EQ(shifts[2], 1 + (2 * 3600 + 30 * 60 + 5) / 86400.0); // date, minute, second
    EXPECT_EQ(shifts.last(), 0.25) << "Cancel gives the confirmed difference back";
    EXPECT_DOUBLE_EQ(confirmed, 0.25);
    EXPECT_FALSE(advanced) << "the mode it was left in";
}

TEST_F(ParamDialogsTest, TimeDifferenceWithoutADatecodeStartsFromNow)
{
    TTimeDifferenceHooks hooks;
    bool advanced = true;
    double confirmed = 0;
    QDate shown;
    WhenShown([&](QDialog &d) {
        shown = Field<QDateEdit>(d, "date")->date();
        Field<QSpinBox>(d, "hour")->setValue((Field<QSpinBox>(d, "hour")->value() + 1) % 24);
    });
    const QDate today = QDate::currentDate();
    EXPECT_EQ(AskTimeDifference(nullptr, nullptr, 0, advanced, hooks, confirmed), std::nullopt);
    EXPECT_LE(std::abs(shown.daysTo(today)), 1);
}

TEST_F(ParamDialogsTest, OverwriteDatecodeGivesTheStartAsANumber)
{
    WhenShown([](QDialog &d) {
        EXPECT_EQ(d.windowTitle(), "Overwrite a datecode");
        EXPECT_LE(std::abs(Field<QDateEdit>(d, "date")->date().daysTo(QDate::currentDate())), 1) << "opens on now";
        Field<QDateEdit>(d, "date")->setDate(QDate(2005, 6, 7));
        Field<QSpinBox>(d, "hour")->setValue(10);
        Field<QSpinBox>(d, "minute")->setValue(20);
        Field<QSpinBox>(d, "second")->setValue(30);
        PressOk(d);
    });
    const std::optional<QString> text = AskOverwriteDatecode(nullptr);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(',')) << qPrintable(*text);
    TDateTime value = 0;
    ASSERT_TRUE(ParseDateTimeParameter(*text, value));
    TDateTimeParts parts;
    ASSERT_TRUE(DecodeDateTime(value, parts));
    EXPECT_EQ(parts, (TDateTimeParts{2005, 6, 7, 10, 20, 30, 0}));

    WhenShown([](QDialog &) {});
    EXPECT_EQ(AskOverwriteDatecode(nullptr), std::nullopt);
}

} // namespace
