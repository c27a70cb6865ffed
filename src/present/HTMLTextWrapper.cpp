#include "HTMLTextWrapper.h"

#include "HtmlFragmentSanitizer.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>

namespace {

const QChar kLineSeparator(0x2028);
const QChar kParagraphSeparator(0x2029);
const QChar kObjectReplacement(0xFFFC);
const QChar kNoBreakSpace(0x00A0);

// Picture tags removed from sanitized HTML: the stored form keeps no pictures, and the
// text reader must not be asked to load any. The sanitizer writes tag names in lower case
// and escapes ">" inside attribute values, so the next ">" ends the tag.
QString withoutImages(const QString& html) {
    static const QLatin1String opening("<img");
    qsizetype start = html.indexOf(opening);
    if (start < 0)
        return html;
    QString out;
    out.reserve(html.size());
    qsizetype i = 0;
    while (start >= 0) {
        const qsizetype after = start + opening.size();
        const QChar next = after < html.size() ? html.at(after) : QChar();
        if (next == u' ' || next == u'>' || next == u'/') {
            const qsizetype end = html.indexOf(u'>', after);
            if (end < 0)
                break;
            out += QStringView(html).mid(i, start - i);
            i = end + 1;
        }
        start = html.indexOf(opening, after);
    }
    out += QStringView(html).mid(i);
    return out;
}

struct Style {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString color;     // "#rrggbb", or empty
    bool font = false; // a family or size of its own
    QString family;
    int size = 3;
};

Style styleOf(const QTextCharFormat& format) {
    Style style;
    style.bold = format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::DemiBold;
    style.italic = format.fontItalic();
    style.underline = format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline;
    style.strikeOut = format.fontStrikeOut();
    if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
        style.color = format.foreground().color().name(QColor::HexRgb);
    style.font =
        format.hasProperty(QTextFormat::FontFamily) || format.hasProperty(QTextFormat::FontFamilies) ||
        format.hasProperty(QTextFormat::FontPointSize) || format.hasProperty(QTextFormat::FontPixelSize) ||
        format.hasProperty(QTextFormat::FontSizeAdjustment);
    if (style.font) {
        const QStringList families = format.fontFamilies().toStringList();
        style.family =
            families.isEmpty() ? format.stringProperty(QTextFormat::FontFamily) : families.constFirst();
        style.size = qBound(1, 3 + format.intProperty(QTextFormat::FontSizeAdjustment), 7);
    }
    return style;
}

// Text as HTML text. Runs of spaces and a space that opens a line are written as
// non-breaking spaces so that reading the fragment back does not collapse them.
void appendText(QString& out, const QString& text, bool& lineStart, bool& afterSpace) {
    QString run;
    auto flush = [&] {
        out += HtmlFragmentSanitizer::escapeText(run);
        run.clear();
    };
    for (const QChar c : text) {
        if (c == kObjectReplacement) {
            continue;
        } else if (c == kLineSeparator || c == kParagraphSeparator || c == u'\n') {
            flush();
            out += QLatin1String("<br>");
            lineStart = true;
            afterSpace = false;
        } else if (c == kNoBreakSpace || (c == u' ' && (lineStart || afterSpace))) {
            flush();
            out += QLatin1String("&nbsp;");
            lineStart = false;
            afterSpace = true;
        } else {
            run += c;
            lineStart = false;
            afterSpace = c == u' ';
        }
    }
    flush();
}

void appendFragment(QString& out, const QTextFragment& fragment, bool& lineStart, bool& afterSpace) {
    const QTextCharFormat format = fragment.charFormat();
    if (format.isImageFormat() || format.objectType() != QTextFormat::NoObject)
        return;
    QString text = fragment.text();
    text.remove(kObjectReplacement);
    if (text.isEmpty())
        return;
    const Style style = styleOf(format);
    QString closing;
    if (style.font) {
        out += QLatin1String("<font face=\"") + HtmlFragmentSanitizer::escapeText(style.family) +
               QLatin1String("\" size=\"") + QString::number(style.size) + QLatin1String("\">");
        closing.prepend(QLatin1String("</font>"));
    }
    if (!style.color.isEmpty()) {
        out += QLatin1String("<font color=\"") + style.color + QLatin1String("\">");
        closing.prepend(QLatin1String("</font>"));
    }
    const std::pair<bool, QLatin1String> simpleTags[] = {
        {style.bold, QLatin1String("b")},
        {style.italic, QLatin1String("i")},
        {style.underline, QLatin1String("u")},
        {style.strikeOut, QLatin1String("s")},
    };
    for (const auto& [on, name] : simpleTags) {
        if (!on)
            continue;
        out += u'<' + name + u'>';
        closing.prepend(QLatin1String("</") + name + u'>');
    }
    appendText(out, text, lineStart, afterSpace);
    out += closing;
}

} // namespace

QString HTMLTextWrapper::replacingFontTags(const QString& html, const QString& replacement) {
    static const QLatin1String opening("<font face=\"");
    qsizetype start = html.indexOf(opening);
    if (start < 0)
        return html;
    QString out;
    out.reserve(html.size());
    qsizetype i = 0;
    while (start >= 0) {
        const qsizetype end = html.indexOf(u'>', start + opening.size());
        if (end < 0)
            break;
        out += QStringView(html).mid(i, start - i);
        out += replacement;
        i = end + 1;
        start = html.indexOf(opening, i);
    }
    out += QStringView(html).mid(i);
    return out;
}

std::unique_ptr<QTextDocument> HTMLTextWrapper::attributedStringFromHTMLString(const QString& html) {
    // Foreign HTML (pasted pages, imports) loses what could run, fetch or restyle first;
    // the steps after it only add markup.
    QString text = withoutImages(HtmlFragmentSanitizer::sanitizeFragment(html));
    text.replace(QLatin1String("\n\n"), QLatin1String("<br><br>"));
    // Numbered lists become plain lines. Each item ends its line: deleting "</li>" as well
    // would run the items of "<li>Mix</li><li>Bake</li>" together into "MixBake".
    for (const char* tag : {"<li>", "<ol>", "</ol>"})
        text.remove(QLatin1String(tag));
    text.replace(QLatin1String("</li>"), QLatin1String("<br>"));
    for (int number = 1; number <= 12; ++number) {
        const QString reference = u'[' + QString::number(number) + u']';
        text.replace(reference, QLatin1String("<b>") + reference + QLatin1String("</b>"));
    }
    text = replacingFontTags(text, QStringLiteral("<font face=\"Helvetica\" size=\"3\">"));
    // The text reader knows <s> but not its older spelling.
    text.replace(QLatin1String("<strike>"), QLatin1String("<s>"));
    text.replace(QLatin1String("</strike>"), QLatin1String("</s>"));

    auto document = std::make_unique<QTextDocument>();
    document->setHtml(text);
    return document;
}

QString HTMLTextWrapper::htmlStringFromAttributedString(const QTextDocument& document) {
    QString out;
    bool firstBlock = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!firstBlock)
            out += QLatin1String("<br>");
        firstBlock = false;
        bool lineStart = true;
        bool afterSpace = false;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().isValid())
                appendFragment(out, it.fragment(), lineStart, afterSpace);
        }
    }
    return replacingFontTags(out, QStringLiteral("<font face=\"\" size=\"\">"));
}

QString HTMLTextWrapper::normalizedHTMLString(const QString& html) {
    return htmlStringFromAttributedString(*attributedStringFromHTMLString(html));
}
