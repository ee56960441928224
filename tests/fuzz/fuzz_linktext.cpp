// Feeds arbitrary text to the rich link text: its layout, the links, the
// rendering into a document and the RTF writer.

#include "framework/linkmarkup.h"
#include "framework/linktext.h"
#include "fuzzgui.h"

#include <QTextDocument>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    StartOffscreenGui(argc, argv);
    return 0;
}

namespace {

// What the layout shows, line breaks as "\n".
QString ShownText(const TMarkupLayout &layout)
{
    QStringList paragraphs;
    for (const TMarkupParagraph &p : layout.paragraphs) {
        QString text;
        for (const TMarkupRun &run : p.runs)
            text += run.text;
        paragraphs << text;
    }
    return paragraphs.join(QLatin1Char('\n'));
}

// The display text as the layout shows it: line breaks written in the text
// count as breaks (CR LF as one), characters the document reserves are replaced.
QString ExpectedText(const QString &markup)
{
    QString text = MarkupDisplayText(markup, QString(QChar(QChar::ParagraphSeparator)));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (QChar &ch : text) {
        const char16_t u = ch.unicode();
        if (u == u'\r' || u == QChar::ParagraphSeparator)
            ch = QLatin1Char('\n');
        else if (u == 0 || u == 0xFDD0 || u == 0xFDD1 || u == QChar::ObjectReplacementCharacter)
            ch = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte chooses how the rest is read: UTF-8 or UTF-16 code units.
    if (size == 0)
        return 0;
    const char *text = reinterpret_cast<const char *>(data + 1);
    const QString markup = data[0] & 1 ? QString::fromUtf16(reinterpret_cast<const char16_t *>(text), qsizetype((size - 1) / 2))
                                       : QString::fromUtf8(text, qsizetype(size - 1));

    const TMarkupLayout layout = LayoutMarkup(markup);
    const QString shown = ShownText(layout);
    if (shown.size() != layout.length || shown != ExpectedText(markup))
        __builtin_trap(); // the layout shows what the display text says
    int end = 0;
    for (qsizetype i = 0; i < layout.links.size(); ++i) {
        const TMarkupLink &link = layout.links[i];
        if (link.target.isEmpty() || link.start < end || link.end <= link.start || link.end > layout.length)
            __builtin_trap(); // links in order, apart, inside the text
        if (layout.linkAt(link.start) != link || layout.linkAt(link.end - 1) != link)
            __builtin_trap();
        end = link.end;
    }

    QTextDocument document;
    RenderMarkup(document, layout);
    if (document.characterCount() != layout.length + 1)
        __builtin_trap(); // one position per shown character and line break
    const QByteArray rtf = DocumentToRtf(document);
    if (!rtf.startsWith("{\\rtf1") || !rtf.endsWith("}\r\n"))
        __builtin_trap();
    return 0;
}
