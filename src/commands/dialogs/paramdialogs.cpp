#include "commands/dialogs/paramdialogs.h"

#include "avi/records/avifichier.h"
#include "commands/commandparams.h"
#include "commands/renamecommands.h"
#include "dv/datecode.h"
#include "framework/preferencesman.h"
#include "scenes/sceneproducers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

const TaviFichier *AsVideo(const TAbstractListFichier *fichier)
{
    return dynamic_cast<const TaviFichier *>(fichier);
}

// Now, to the second (datecodes have no finer resolution).
TDateTime NowToTheSecond()
{
    const TDateTime now = QDateTimeToDateTime(QDateTime::currentDateTime());
    return std::floor(now * 86400.0 + 0.5) / 86400.0;
}

// A difference of whole seconds, free of the float noise of a subtraction.
double WholeSeconds(double days)
{
    return double(std::llround(days * 86400.0)) / 86400.0;
}

QSpinBox *Spin(QWidget *parent, const char *name, int minimum, int maximum)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(minimum, maximum);
    return spin;
}

// A date field with hour, minute and second fields, in a group.
class TDateTimeFields
{
public:
    TDateTimeFields(QWidget *parent, const QString &title)
    {
        group = new QGroupBox(title, parent);
        date = new QDateEdit(group);
        date->setObjectName(QStringLiteral("date"));
        date->setCalendarPopup(true);
        date->setMinimumDate(QDate(100, 1, 1));
        date->setMaximumDate(QDate(9999, 12, 31));
        hour = Spin(group, "hour", 0, 23);
        minute = Spin(group, "minute", 0, 59);
        second = Spin(group, "second", 0, 59);
        auto *row = new QHBoxLayout(group);
        row->addWidget(date);
        row->addWidget(hour);
        row->addWidget(new QLabel(QStringLiteral("h"), group));
        row->addWidget(minute);
        row->addWidget(new QLabel(QStringLiteral("m"), group));
        row->addWidget(second);
        row->addWidget(new QLabel(QStringLiteral("s"), group));
    }

    void set(TDateTime value)
    {
        TDateTimeParts parts;
        if (!DecodeDateTime(value, parts))
            return;
        date->setDate(QDate(parts.year, parts.month, parts.day));
        hour->setValue(parts.hour);
        minute->setValue(parts.minute);
        second->setValue(parts.second);
    }
    TDateTime value() const
    {
        const QDate d = date->date();
        return EncodeDateTime(d.year(), d.month(), d.day(), hour->value(), minute->value(), second->value());
    }
    // Calls changed on every edit of a field.
    void onChange(QObject *context, const std::function<void()> &changed)
    {
        QObject::connect(date, &QDateEdit::dateChanged, context, changed);
        for (QSpinBox *spin : {hour, minute, second})
            QObject::connect(spin, &QSpinBox::valueChanged, context, changed);
    }
    void setBlocked(bool blocked)
    {
        date->blockSignals(blocked);
        for (QSpinBox *spin : {hour, minute, second})
            spin->blockSignals(blocked);
    }

    QGroupBox *group = nullptr;
    QDateEdit *date = nullptr;
    QSpinBox *hour = nullptr;
    QSpinBox *minute = nullptr;
    QSpinBox *second = nullptr;
};

QDialogButtonBox *OkCancel(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// "Fix a time difference"
class TDecalageForm : public QDialog
{
public:
    TDecalageForm(QWidget *parent, const TAbstractListFichier *active, bool advanced, const TTimeDifferenceHooks &hooks)
        : QDialog(parent), m_hooks(hooks), m_newDate(this, QStringLiteral("New date"))
    {
        setWindowTitle(QStringLiteral("Fix a time difference"));
        const TaviFichier *video = AsVideo(active);
        const TDateTime first = video ? video->facts().firstDatecode.value_or(0) : 0;
        m_reference = first > 0 ? first : NowToTheSecond();
        const double shift = video ? video->displayShift() : 0;

        m_advanced = new QCheckBox(QStringLiteral("Advanced"), this);
        m_advanced->setObjectName(QStringLiteral("advanced"));
        m_hours = Spin(this, "hours", -23, 23);
        m_simple = new QWidget(this);
        auto *simpleRow = new QHBoxLayout(m_simple);
        simpleRow->setContentsMargins(0, 0, 0, 0);
        simpleRow->addWidget(m_hours);
        simpleRow->addWidget(new QLabel(QStringLiteral("hours"), m_simple));
        simpleRow->addStretch();
        m_text = new QLabel(this);
        m_text->setObjectName(QStringLiteral("difference"));
        auto *reset = new QPushButton(QStringLiteral("Reset to 0"), this);
        reset->setObjectName(QStringLiteral("reset"));
        QDialogButtonBox *buttons = OkCancel(this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

        auto *layout = new QVBoxLayout(this);
        layout->addWidget(m_advanced);
        layout->addWidget(m_simple);
        layout->addWidget(m_newDate.group);
        layout->addWidget(m_text);
        layout->addWidget(reset);
        layout->addWidget(buttons);

        m_hours->setValue(qBound(-23, int(std::lround(shift * 24)), 23));
        m_newDate.set(m_reference + shift);
        m_advanced->setChecked(advanced);
        showMode();
        m_difference = fromFields();
        showDifference();

        connect(m_hours, &QSpinBox::valueChanged, this, [this] { changed(); });
        m_newDate.onChange(this, [this] { changed(); });
        connect(m_advanced, &QCheckBox::toggled, this, [this] {
            showMode();
            changed();
        });
        connect(reset, &QPushButton::clicked, this, [this] {
            m_hours->blockSignals(true);
            m_hours->setValue(0);
            m_hours->blockSignals(false);
            m_newDate.setBlocked(true);
            m_newDate.set(m_reference);
            m_newDate.setBlocked(false);
            changed();
        });
    }

    double difference() const { return m_difference; }
    bool advanced() const { return m_advanced->isChecked(); }

private:
    double fromFields() const
    {
        if (m_advanced->isChecked())
            return WholeSeconds(m_newDate.value() - m_reference);
        return m_hours->value() / 24.0;
    }
    void showMode()
    {
        m_simple->setVisible(!m_advanced->isChecked());
        m_newDate.group->setVisible(m_advanced->isChecked());
    }
    void showDifference() { m_text->setText(TimeDifferenceText(m_difference)); }
    void changed()
    {
        m_difference = fromFields();
        showDifference();
        if (m_hooks.shiftChanged)
            m_hooks.shiftChanged(m_difference);
    }

    const TTimeDifferenceHooks &m_hooks;
    TDateTime m_reference = 0;
    double m_difference = 0;
    QCheckBox *m_advanced = nullptr;
    QWidget *m_simple = nullptr;
    QSpinBox *m_hours = nullptr;
    TDateTimeFields m_newDate;
    QLabel *m_text = nullptr;
};

// The choices of a codec or frame-rate dialog: radio buttons, the last one
// "personalized" with its edit, and a line for what OK refuses.
class TChoiceForm : public QDialog
{
public:
    TChoiceForm(QWidget *parent, const QString &caption, const QStringList &choices, const QString &editLabel)
        : QDialog(parent)
    {
        setWindowTitle(caption);
        auto *layout = new QVBoxLayout(this);
        for (int i = 0; i < choices.size(); ++i) {
            auto *button = new QRadioButton(choices[i], this);
            button->setObjectName(QStringLiteral("choice%1").arg(i));
            m_group.addButton(button, i);
            layout->addWidget(button);
        }
        m_edit = new QLineEdit(this);
        m_edit->setObjectName(QStringLiteral("personalized"));
        auto *form = new QFormLayout;
        form->addRow(editLabel, m_edit);
        layout->addLayout(form);
        m_refused = new QLabel(this);
        m_refused->setStyleSheet(QStringLiteral("color: red"));
        m_refused->hide();
        layout->addWidget(m_refused);
        QDialogButtonBox *buttons = OkCancel(this);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] {
            if (const std::optional<QString> value = valueOf(m_group.checkedId(), m_edit->text())) {
                m_value = *value;
                accept();
            } else {
                m_refused->setText(refusal());
                m_refused->show();
            }
        });
        layout->addWidget(buttons);
        connect(&m_group, &QButtonGroup::idToggled, this, [this] { m_edit->setEnabled(m_group.checkedId() == personalized()); });
    }

    // Opens on the previous choice, or on the one the file suggests.
    void start(const TDialogChoice &previous, const TAbstractListFichier *active)
    {
        if (previous.choice >= 0) {
            m_edit->setText(previous.personalized);
            select(previous.choice);
        } else {
            suggest(AsVideo(active));
        }
        m_edit->setEnabled(m_group.checkedId() == personalized());
    }
    std::optional<QString> run(TDialogChoice &previous)
    {
        if (exec() != QDialog::Accepted)
            return std::nullopt;
        previous.choice = m_group.checkedId();
        previous.personalized = m_edit->text();
        return m_value;
    }

protected:
    virtual void suggest(const TaviFichier *video) = 0;
    virtual std::optional<QString> valueOf(int choice, const QString &edit) const = 0;
    virtual QString refusal() const = 0;

    int personalized() const { return int(m_group.buttons().size()) - 1; }
    void select(int choice)
    {
        if (QAbstractButton *button = m_group.button(qBound(0, choice, personalized())))
            button->setChecked(true);
    }
    QLineEdit *edit() const { return m_edit; }

private:
    QButtonGroup m_group;
    QLineEdit *m_edit = nullptr;
    QLabel *m_refused = nullptr;
    QString m_value;
};

// "Fix the video codec"
class TCodecForm final : public TChoiceForm
{
public:
    explicit TCodecForm(QWidget *parent)
        : TChoiceForm(parent, QStringLiteral("Fix the video codec"),
                      {QStringLiteral("dvsd (Microsoft)"), QStringLiteral("dsvd"), QStringLiteral("CDVC (Canopus)"),
                       QStringLiteral("personalized")},
                      QStringLiteral("Personalized codec"))
    {
        edit()->setMaxLength(4);
    }

protected:
    void suggest(const TaviFichier *video) override
    {
        const QString code = video ? video->texts().codec : QString();
        const int known = kCodes.indexOf(code.trimmed().toLower());
        if (known >= 0) {
            select(known);
        } else {
            edit()->setText(code);
            select(personalized());
        }
    }
    std::optional<QString> valueOf(int choice, const QString &text) const override
    {
        if (choice >= 0 && choice < int(kCodes.size()))
            return kResults[choice];
        if (choice != personalized())
            return std::nullopt;
        return CodecParameter(text.left(4));
    }
    QString refusal() const override { return QStringLiteral("A codec is one to four letters or digits"); }

private:
    const QStringList kCodes = {QStringLiteral("dvsd"), QStringLiteral("dsvd"), QStringLiteral("cdvc")};
    const QStringList kResults = {QStringLiteral("dvsd"), QStringLiteral("dsvd"), QStringLiteral("CDVC")};
};

// "Fix the video framerate"
class TFrequenceForm final : public TChoiceForm
{
public:
    explicit TFrequenceForm(QWidget *parent)
        : TChoiceForm(parent, QStringLiteral("Fix the video framerate"),
                      {QStringLiteral("25 frames/sec (Pal)"), QStringLiteral("29,97 frames/sec (NTSC)"),
                       QStringLiteral("personalized")},
                      QStringLiteral("Personalized frequency"))
    {
    }

protected:
    void suggest(const TaviFichier *video) override
    {
        const double rate = video ? video->facts().frameRate : 0;
        if (rate == 25) {
            select(0);
        } else if (std::fabs(rate * 1001 - 30000) < 1) {
            select(1);
        } else {
            if (edit()->text().isEmpty())
                edit()->setText(LocaleFloatText(rate));
            select(personalized());
        }
    }
    std::optional<QString> valueOf(int choice, const QString &text) const override
    {
        if (choice == 0)
            return LocaleFloatText(25.0);
        if (choice == 1)
            return LocaleFloatText(29.97);
        if (choice != personalized())
            return std::nullopt;
        const std::optional<double> rate = FrameRateParameter(text);
        if (!rate)
            return std::nullopt;
        return LocaleFloatText(*rate);
    }
    QString refusal() const override { return QStringLiteral("The frequency is a number of frames per second above 0"); }
};

} // namespace

std::optional<QString> AskTimeDifference(QWidget *parent, const TAbstractListFichier *active, double confirmed,
                                         bool &advanced, const TTimeDifferenceHooks &hooks, double &confirmedOut)
{
    TDecalageForm form(parent, active, advanced, hooks);
    const bool accepted = form.exec() == QDialog::Accepted;
    advanced = form.advanced();
    if (!accepted) {
        if (hooks.shiftChanged)
            hooks.shiftChanged(confirmed);
        return std::nullopt;
    }
    confirmedOut = form.difference();
    return LocaleFloatText(form.difference());
}

std::optional<QString> AskOverwriteDatecode(QWidget *parent)
{
    QDialog form(parent);
    form.setWindowTitle(QStringLiteral("Overwrite a datecode"));
    TDateTimeFields start(&form, QStringLiteral("Date of Start"));
    start.set(NowToTheSecond());
    QDialogButtonBox *buttons = OkCancel(&form);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &form, &QDialog::accept);
    auto *layout = new QVBoxLayout(&form);
    layout->addWidget(start.group);
    layout->addWidget(buttons);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return LocaleFloatText(start.value());
}

std::optional<QString> AskCodec(QWidget *parent, const TAbstractListFichier *active, TDialogChoice &previous)
{
    TCodecForm form(parent);
    form.start(previous, active);
    return form.run(previous);
}

std::optional<QString> AskCodec(QWidget *parent, const TAbstractListFichier *active)
{
    static TDialogChoice previous;
    return AskCodec(parent, active, previous);
}

std::optional<QString> AskFrameRate(QWidget *parent, const TAbstractListFichier *active, TDialogChoice &previous)
{
    TFrequenceForm form(parent);
    form.start(previous, active);
    return form.run(previous);
}

std::optional<QString> AskFrameRate(QWidget *parent, const TAbstractListFichier *active)
{
    static TDialogChoice previous;
    return AskFrameRate(parent, active, previous);
}

std::optional<QString> AskInterval(QWidget *parent, int &intervalle)
{
    QDialog form(parent);
    form.setWindowTitle(QStringLiteral("Split in scenes"));
    auto *text = new QLabel(QStringLiteral("To create a scn file by cutting the video \r\nat regular intervals, indicate the duration in seconds:"), &form);
    auto *edit = new QLineEdit(QString::number(intervalle), &form);
    edit->setObjectName(QStringLiteral("interval"));
    auto *buttons = new QDialogButtonBox(&form);
    QPushButton *apply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
    apply->setObjectName(QStringLiteral("apply"));
    buttons->addButton(QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &form, &QDialog::reject);
    std::optional<int> chosen;
    // Anything but a whole number above 0 leaves the dialog as it is.
    QObject::connect(apply, &QPushButton::clicked, &form, [&] {
        chosen = IntervalParameter(edit->text());
        if (chosen)
            form.accept();
    });
    auto *layout = new QVBoxLayout(&form);
    layout->addWidget(text);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    if (form.exec() != QDialog::Accepted || !chosen)
        return std::nullopt;
    intervalle = *chosen;
    return QString::number(*chosen);
}
