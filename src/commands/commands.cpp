#include "commands/commands.h"

#include "commands/commandengine.h"
#include "framework/listfichier.h"

#include <QFileInfo>

#include <exception>

QString FormatCmdText(const QString &format, const QString &text, int passe)
{
    QString out;
    out.reserve(format.size() + text.size());
    int argument = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QChar kind = format.at(i + 1);
        if (kind == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
        } else if ((kind == QLatin1Char('s') || kind == QLatin1Char('d')) && argument < 2) {
            out += argument == 0 ? text : QString::number(passe);
            ++argument;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// --- tAbstractCmd ---

tAbstractCmd::tAbstractCmd(const QString &name, const QString &caption, const QString &category)
    : name(name), caption(caption), category(category)
{
}

void tAbstractCmd::DoExecution(TAbstractListFichier *, const QStringList &, TCommandEngine *, int) {}

void tAbstractCmd::DoAbort(TCommandEngine *ce)
{
    if (OnAbort)
        OnAbort(ce);
}

bool tAbstractCmd::DoFileVerification(TAbstractListFichier *, const QStringList &, TCommandEngine *, int)
{
    return true;
}

TModalResult tAbstractCmd::DoFileConfirmation(TAbstractListFichier *, const QStringList &, TCommandEngine *, int)
{
    return mrYesToAll;
}

bool tAbstractCmd::DoCommandCondition(TCommandEngine *ce)
{
    return !OnCommandCondition || OnCommandCondition(ce);
}

void tAbstractCmd::DoFileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled)
{
    visible = true;
    enabled = true;
    if (OnFileCondition)
        OnFileCondition(fichier, visible, enabled);
}

// --- tCustomCmd ---

void tCustomCmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    if (!OnExecution)
        return;
    if (const TError error = OnExecution(fichier, params, ce, passe))
        ce->ErrorCommand(error.text(), etAllError);
}

bool tCustomCmd::DoFileVerification(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    return !OnFileVerification || OnFileVerification(fichier, params, ce, passe);
}

TModalResult tCustomCmd::DoFileConfirmation(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    if (!OnFileConFirmation)
        return mrYesToAll;
    QString question = OnFileConFirmation(fichier, params, ce, passe);
    if (ce->queueCount() >= 2)
        question += QStringLiteral("\r\n") + QString::fromUtf8("Si vous répondez \"Oui à Tous\" ou \"Non à Tous\", alors plus aucune confirmation ne sera demandée.");
    return ce->Confirm(question);
}

// --- TFastcmd ---

void TFastcmd::showStartMessage(TAbstractListFichier *fichier, TCommandEngine *ce, int passe) const
{
    if (!StartMessage.isEmpty())
        ce->MessageCommand(FormatCmdText(StartMessage, fichier ? fichier->fileName() : QString(), passe));
}

void TFastcmd::reportError(const QString &fullPath, TCommandEngine *ce, int passe, const TError &reason) const
{
    if (!ErrorMessage.isEmpty())
        ce->ErrorCommand(FormatCmdText(ErrorMessage, fullPath, passe), reason, etError);
}

void TFastcmd::runGuarded(const QString &fullPath, TCommandEngine *ce, int passe, const std::function<TError()> &work) const
{
    TError error;
    try {
        error = work();
    } catch (const std::exception &e) {
        // What the libraries throw (no memory, a file that cannot be read).
        error = TError(QString::fromUtf8(e.what()));
    }
    if (error)
        reportError(fullPath, ce, passe, error);
}

TError TFastcmd::execute(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    return OnExecution ? OnExecution(fichier, params, ce, passe) : TError();
}

TError TFastcmd::updateFile(TCommandEngine *ce)
{
    if (UpdateFile == ufRemove)
        ce->RemoveFichier();
    else if (UpdateFile == ufReload)
        ce->ReloadFichier();
    return {};
}

void TFastcmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    // The record may be replaced or removed by the list update: keep its path.
    const QString fullPath = fichier ? fichier->fullPath() : QString();
    runGuarded(fullPath, ce, passe, [&] {
        showStartMessage(fichier, ce, passe);
        if (TError error = execute(fichier, params, ce, passe))
            return error;
        return updateFile(ce);
    });
}

// --- Tcmd ---

bool Tcmd::DoFileVerification(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *, int passe)
{
    m_destination.clear();
    if (!OnDestination)
        return true;
    m_destination = OnDestination(fichier, params, passe);
    return m_destination.isEmpty() || !QFileInfo::exists(m_destination);
}

TModalResult Tcmd::DoFileConfirmation(TAbstractListFichier *, const QStringList &, TCommandEngine *ce, int)
{
    QString question = QStringLiteral("Do you want to overwrite the existing file %1 ?").arg(m_destination);
    if (ce->queueCount() >= 2)
        question += QStringLiteral("\r\nIf you answer \"All\" then no further confirmation will be requested");
    return ce->Confirm(question);
}

TError Tcmd::execute(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine *ce, int passe)
{
    return OnExecution ? OnExecution(fichier, m_destination, params, ce, passe) : TError();
}

TError Tcmd::applyUpdate(TCommandEngine *ce, bool keepEmpty)
{
    const bool haveDestination = keepEmpty || !m_destination.isEmpty();
    switch (UpdateFile) {
    case ufAdd:
        if (haveDestination)
            ce->AddFichier(m_destination);
        break;
    case ufRemove:
        ce->RemoveFichier();
        break;
    case ufReload:
        ce->ReloadFichier();
        break;
    case ufReplace:
        if (haveDestination)
            return ce->ReplaceFichier(m_destination);
        break;
    case ufRename:
        if (haveDestination)
            return ce->RenameFichier(m_destination);
        break;
    case ufNone:
        break;
    }
    return {};
}

TError Tcmd::updateFile(TCommandEngine *ce)
{
    return applyUpdate(ce, false);
}
