#include "ui/riffform.h"

#include "avi/bytesource.h"
#include "avi/riffunit.h"
#include "framework/linktext.h"
#include "framework/widgets/linkedit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {

// path with its extension replaced by ext (".rtf", ".txt").
QString WithExtension(const QString &path, const QString &ext)
{
    const QFileInfo info(path);
    return QDir(info.path()).filePath(info.completeBaseName() + ext);
}

} // namespace

TRiffForm::TRiffForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Analyse an AVI file"));
    m_view = new TLinkEdit(this);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    m_view->setFont(font);
    m_view->setLineWrapMode(QTextEdit::NoWrap);

    auto *open = new QPushButton(QStringLiteral("Open..."), this);
    open->setObjectName(QStringLiteral("open"));
    m_save = new QPushButton(QStringLiteral("Save..."), this);
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setEnabled(false);
    m_rich = new QCheckBox(QStringLiteral("rich text"), this);
    m_rich->setObjectName(QStringLiteral("richText"));
    m_rich->setChecked(true);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("close"));
    connect(open, &QPushButton::clicked, this, &TRiffForm::OpenFile);
    connect(m_save, &QPushButton::clicked, this, &TRiffForm::SaveFile);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(m_save);
    buttons->addWidget(m_rich);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_view);
    resize(720, 640);
}

TRiffForm::~TRiffForm()
{
    if (m_building)
        m_building->cancel();
}

bool TRiffForm::richText() const
{
    return m_rich->isChecked();
}

void TRiffForm::setRichText(bool rich)
{
    m_rich->setChecked(rich);
}

bool TRiffForm::ShowReport(const QString &path)
{
    // One report at a time: the window is busy with another one.
    if (m_building) {
        m_error = QStringLiteral("Another report is being built");
        return false;
    }
    m_view->setRichText(QString());
    m_lines.clear();
    m_path.clear();
    m_error.clear();
    m_save->setEnabled(false);
    const QString fullName = QFileInfo(path).absoluteFilePath();
    setWindowTitle(TRiffReport::caption(fullName));

    TFileSource source;
    if (!source.open(fullName)) {
        showFailure(QStringLiteral("%1: %2").arg(fullName, source.errorString()));
        return false;
    }
    // Shown while it is built, so that Close can stop a long walk.
    show();
    raise();
    TRiffReport report;
    report.setKeepResponsive([] { QCoreApplication::processEvents(); });
    m_building = &report;
    const QStringList lines = report.build(source, fullName);
    m_building = nullptr;
    source.close();
    if (report.wasCancelled()) {
        m_error = QStringLiteral("The analysis of %1 was cancelled").arg(fullName);
        hide();
        return false;
    }
    if (!report.errorString().isEmpty()) {
        showFailure(QStringLiteral("%1: %2").arg(fullName, report.errorString()));
        return false;
    }
    m_lines = lines;
    m_path = fullName;
    m_view->setRichText(m_lines.join(QLatin1Char('\n')));
    m_save->setEnabled(true);
    return true;
}

QString TRiffForm::SaveReport(const QString &path, QString *error) const
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QString();
    };
    if (m_lines.isEmpty())
        return fail(QStringLiteral("There is no report to save"));
    const QString target = WithExtension(path, richText() ? QStringLiteral(".rtf") : QStringLiteral(".txt"));
    const QByteArray bytes = richText() ? MarkupToRtf(m_lines.join(QLatin1Char('\n')), m_view->font())
                                        : RiffReportPlainText(m_lines).toUtf8();
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1: %2").arg(target, file.errorString()));
    file.write(bytes);
    if (!file.commit())
        return fail(QStringLiteral("%1: %2").arg(target, file.errorString()));
    return target;
}

void TRiffForm::OpenFile()
{
    const QString start = m_path.isEmpty() ? QDir::homePath() : QFileInfo(m_path).path();
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Open the AVI file for Analysis"), start,
                                                        QStringLiteral("AVI files (*.avi)"));
    if (!chosen.isEmpty())
        ShowReport(chosen);
}

void TRiffForm::SaveFile()
{
    if (m_lines.isEmpty())
        return;
    const QString preset = WithExtension(m_path, richText() ? QStringLiteral(".rtf") : QStringLiteral(".txt"));
    const QString chosen = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save the report"), preset,
        QStringLiteral("Log files (*.log);;Txt files(*.txt);;All files (*.*)"));
    if (chosen.isEmpty())
        return;
    QString error;
    if (SaveReport(chosen, &error).isEmpty())
        QMessageBox::warning(this, windowTitle(), error);
}

void TRiffForm::closeEvent(QCloseEvent *event)
{
    if (m_building)
        m_building->cancel();
    event->accept();
}

void TRiffForm::showFailure(const QString &reason)
{
    m_error = reason;
    hide();
    if (m_failureHandler)
        m_failureHandler(reason);
    else
        QMessageBox::warning(parentWidget(), QStringLiteral("Analyse an AVI file"), reason);
}
