#include "framework/widgets/linkedit.h"

#include <QCursor>
#include <QToolTip>

TLinkEdit::TLinkEdit(QWidget *parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    connect(this, &QTextBrowser::highlighted, this, &TLinkEdit::hovered);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        if (const auto link = linkOfHref(url.toString()))
            emit linkClicked(link->kind, link->target);
    });
    render();
}

void TLinkEdit::setRichText(const QString &markup)
{
    m_markup = markup;
    render();
}

void TLinkEdit::setLinkColors(const TLinkColors &colors)
{
    m_colors = colors;
    render();
}

void TLinkEdit::setTextAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    render();
}

void TLinkEdit::setHintProvider(TLinkKind kind, THintProvider provider)
{
    m_hints[int(kind)] = std::move(provider);
}

void TLinkEdit::render()
{
    m_layout = LayoutMarkup(m_markup, m_colors);
    RenderMarkup(*document(), m_layout, m_alignment);
}

std::optional<TMarkupLink> TLinkEdit::linkOfHref(const QString &href) const
{
    const int index = MarkupLinkIndex(href);
    if (index < 0 || index >= m_layout.links.size())
        return std::nullopt;
    return m_layout.links.at(index);
}

std::optional<TMarkupLink> TLinkEdit::linkAt(const QPoint &viewportPoint) const
{
    return linkOfHref(anchorAt(viewportPoint));
}

void TLinkEdit::hovered(const QUrl &url)
{
    const auto link = linkOfHref(url.toString());
    if (!link) {
        setToolTip(QString());
        QToolTip::hideText();
        emit linkHovered(TLinkKind::Url, QString());
        return;
    }
    if (const THintProvider &provider = m_hints[int(link->kind)]) {
        const QString hint = provider(link->target);
        setToolTip(hint);
        QToolTip::showText(QCursor::pos(), hint, viewport());
    }
    emit linkHovered(link->kind, link->target);
}
