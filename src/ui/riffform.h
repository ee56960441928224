#pragma once

// TRiffForm: the window "Analyse an AVI file". It shows the RIFF structure
// report of an AVI file (avi/riffunit.h) in the read-only rich link text
// view in "Courier New", opens another AVI file from its menu, and saves the
// report as rich text (.rtf) or plain text (.txt). The report is built on
// the user-interface thread, which keeps processing its events meanwhile;
// closing the window stops a build at the next chunk. Closing hides the
// window, which lives as long as its owner.

#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QPushButton;
class TLinkEdit;
class TRiffReport;

class TRiffForm : public QWidget
{
    Q_OBJECT

public:
    explicit TRiffForm(QWidget *parent = nullptr);
    ~TRiffForm() override;

    // Shows the window with the report of path. False when the report could
    // not be built (the file cannot be read, or the build was cancelled):
    // the window then closes and the reason is shown.
    bool ShowReport(const QString &path);

    // The report shown, as lines of markup; empty before the first report.
    const QStringList &reportLines() const { return m_lines; }
    QString reportPath() const { return m_path; }
    // "rich text" ticked: the report is saved as .rtf, else as .txt.
    bool richText() const;
    void setRichText(bool rich);
    // Writes the report to path with the extension of the kind chosen put in
    // place of its own; the path written, or empty with the reason in error.
    QString SaveReport(const QString &path, QString *error = nullptr) const;
    // The reason shown when the last report failed.
    QString lastError() const { return m_error; }
    // Who shows that reason: a message box unless set (tests record it).
    void setFailureHandler(std::function<void(const QString &reason)> handler) { m_failureHandler = std::move(handler); }

public slots:
    // The open dialog "Open the AVI file for Analysis".
    void OpenFile();
    // The save dialog, preset to the report's name with the chosen extension.
    void SaveFile();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showFailure(const QString &reason);

    TLinkEdit *m_view = nullptr;
    QCheckBox *m_rich = nullptr;
    QPushButton *m_save = nullptr;
    TRiffReport *m_building = nullptr; // the report being built, for Close
    QStringList m_lines;
    QString m_path;
    QString m_error;
    std::function<void(const QString &reason)> m_failureHandler;
};
