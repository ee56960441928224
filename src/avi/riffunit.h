#pragma once

// The RIFF structure report: the lines that describe an AVI file's chunk tree,
// its decoded header records and any damage (bad chunk lengths, garbage after
// the last RIFF part, a file that ends inside a chunk). The lines carry the
// rich link text markup ("<COLOR Red>", "<B>", "<i>" ...); text that comes from
// the file is escaped so that it cannot form tags.

#include "avi/bytesource.h"
#include "avi/keepresponsive.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>
#include <utility>

class TRiffReport
{
public:
    // Builds the report of a file; empty when the file does not exist or cannot
    // be opened (errorString() then says why).
    QStringList build(const QString &fileName);
    // Builds the report of bytes at hand, shown under fileName.
    QStringList build(const TByteSource &source, const QString &fileName);

    // Stops a build at the next chunk or index entry; safe from any thread.
    void cancel() { m_cancel.store(true); }
    bool wasCancelled() const { return m_cancel.load(); }
    // The last build met the end of the file inside a chunk.
    bool unexpectedEnd() const { return m_endOfData; }
    QString errorString() const { return m_error; }

    // Called between chunks and index entries while a build runs.
    void setKeepResponsive(TKeepResponsive keepResponsive) { m_keepResponsive = std::move(keepResponsive); }
    // The time shown as the analysis time instead of the current time.
    void setNow(const QDateTime &now) { m_now = now; }

    // The window caption for a report on fileName.
    static QString caption(const QString &fileName);

private:
    class TWalk;

    std::atomic<bool> m_cancel{false};
    bool m_endOfData = false;
    QString m_error;
    TKeepResponsive m_keepResponsive;
    std::optional<QDateTime> m_now;
};

// The report as plain text: the displayed text of each line, joined with '\n'.
QString RiffReportPlainText(const QStringList &lines);
