#pragma once

// TLinkEdit: the read-only text view of the rich link text (linktext.h). It
// shows the markup set with setRichText, reports the link under the mouse and
// the link clicked (with the mouse, or Enter on a link reached with Tab), and
// shows the hint its owner gives for a link as the tooltip.

#include "framework/linktext.h"

#include <QTextBrowser>

#include <functional>
#include <optional>

class TLinkEdit : public QTextBrowser
{
    Q_OBJECT

public:
    explicit TLinkEdit(QWidget *parent = nullptr);

    // Renders the markup, replacing the whole content.
    void setRichText(const QString &markup);
    // The markup last set.
    const QString &richText() const { return m_markup; }

    const TLinkColors &linkColors() const { return m_colors; }
    void setLinkColors(const TLinkColors &colors);
    // The alignment of paragraphs whose line break names none.
    Qt::Alignment textAlignment() const { return m_alignment; }
    void setTextAlignment(Qt::Alignment alignment);

    // The hint shown while the mouse is over a link of that kind: the text the
    // provider gives for the link's target. No provider: no hint.
    using THintProvider = std::function<QString(const QString &target)>;
    void setHintProvider(TLinkKind kind, THintProvider provider);

    const TMarkupLayout &markupLayout() const { return m_layout; }
    // The link under a point of the viewport.
    std::optional<TMarkupLink> linkAt(const QPoint &viewportPoint) const;

signals:
    // The mouse came over a link; an empty target when it left the links.
    void linkHovered(TLinkKind kind, const QString &target);
    void linkClicked(TLinkKind kind, const QString &target);

private:
    std::optional<TMarkupLink> linkOfHref(const QString &href) const;
    void render();
    void hovered(const QUrl &url);

    QString m_markup;
    TLinkColors m_colors;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    TMarkupLayout m_layout;
    THintProvider m_hints[3];
};
