#include "HTMLTextWrapper.h"

#include "HtmlFragmentSanitizer.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>

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

// Picture references "[1]" to "[12]" in the text made bold. Tags are left alone: a link's
// address may hold "[1]" too. The sanitizer escapes ">" inside attribute values, so the
// next ">" ends a tag.
QString withBoldPictureReferences(const QString& html) {
    auto bolded = [](QString text) {
        for (int number = 1; number <= 12; ++number) {
            const QString reference = u'[' + QString::number(number) + u']';
            text.replace(reference, QLatin1String("<b>") + reference + QLatin1String("</b>"));
        }
        return text;
    };
    if (!html.contains(u'['))
        return html;
    QString out;
    out.reserve(html.size() + 32);
    qsizetype i = 0;
    while (i < html.size()) {
        const qsizetype open = html.indexOf(u'<', i);
        const qsizetype textEnd = open < 0 ? html.size() : open;
        out += bolded(html.mid(i, textEnd - i));
        if (open < 0)
            break;
        const qsizetype close = html.indexOf(u'>', open);
        const qsizetype tagEnd = close < 0 ? html.size() : close + 1;
        out += QStringView(html).mid(open, tagEnd - open);
        i = tagEnd;
    }
    return out;
}

// Whether a link keeps its address through both conversions: web and mail addresses that
// the page sanitizer also lets into a link. Any other address (a file, a relative path, a
// script) leaves its text as plain text.
bool isKeptLinkAddress(const QString& address) {
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty() || !HtmlFragmentSanitizer::isSafeLinkAddress(trimmed))
        return false;
    const QString scheme = QUrl(trimmed).scheme();
    return scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ||
           scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ||
           scheme.compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0;
}

// The address a fragment links to in the stored form; empty when it is no kept link.
QString keptLinkOf(const QTextCharFormat& format) {
    if (!format.isAnchor())
        return {};
    const QString address = format.anchorHref().trimmed();
    return isKeptLinkAddress(address) ? address : QString();
}

// How the text reader draws a link when the HTML gives it no style of its own (colour and
// underline from the palette). Written links leave these out, so a link reads back as the
// same link rather than gaining a colour and an underline at each save.
struct LinkLook {
    QBrush foreground;
    bool underline = false;
};

LinkLook defaultLinkLook() {
    QTextDocument sample;
    sample.setHtml(QStringLiteral("<a href=\"https://example.com\">x</a>"));
    QTextCursor cursor(&sample);
    cursor.setPosition(1);
    const QTextCharFormat format = cursor.charFormat();
    LinkLook look;
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        look.foreground = format.foreground();
    look.underline = format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline;
    return look;
}

// The reader's link look taken off a format that is not (or no longer) a link.
void removeLinkLook(QTextCharFormat& format, const LinkLook& look) {
    if (look.foreground.style() != Qt::NoBrush && format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground() == look.foreground)
        format.clearProperty(QTextFormat::ForegroundBrush);
    if (look.underline) {
        format.clearProperty(QTextFormat::TextUnderlineStyle);
        format.clearProperty(QTextFormat::FontUnderline);
    }
}

// Links to addresses that are not kept become plain text, without the link's look.
void unlinkUnkeptAddresses(QTextDocument& document) {
    struct Range {
        int start;
        int length;
        QTextCharFormat format;
    };
    QList<Range> ranges;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (format.isAnchor() && !format.anchorHref().isEmpty() && keptLinkOf(format).isEmpty())
                ranges.append({fragment.position(), fragment.length(), format});
        }
    }
    if (ranges.isEmpty())
        return;
    const LinkLook look = defaultLinkLook();
    QTextCursor cursor(&document);
    for (Range& range : ranges) {
        range.format.setAnchor(false);
        range.format.clearProperty(QTextFormat::AnchorHref);
        removeLinkLook(range.format, look);
        cursor.setPosition(range.start);
        cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(range.format);
    }
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

Style styleOf(QTextCharFormat format, const LinkLook& look) {
    if (!keptLinkOf(format).isEmpty())
        removeLinkLook(format, look);
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

// The state of one block being written: where the line stands and which link is open.
struct BlockWriter {
    QString& out;
    const LinkLook& look;
    bool lineStart = true;
    bool afterSpace = false;
    QString openLink; // the address of the <a> written last and not yet closed

    void setLink(const QString& address) {
        if (address == openLink)
            return;
        if (!openLink.isEmpty())
            out += QLatin1String("</a>");
        if (!address.isEmpty())
            out += QLatin1String("<a href=\"") + HtmlFragmentSanitizer::escapeText(address) +
                   QLatin1String("\">");
        openLink = address;
    }
};

void appendFragment(BlockWriter& writer, const QTextFragment& fragment) {
    const QTextCharFormat format = fragment.charFormat();
    if (format.isImageFormat() || format.objectType() != QTextFormat::NoObject)
        return;
    QString text = fragment.text();
    text.remove(kObjectReplacement);
    if (text.isEmpty())
        return;
    // A link spans the fragments that share its address; its styles are written inside it.
    writer.setLink(keptLinkOf(format));
    QString& out = writer.out;
    const Style style = styleOf(format, writer.look);
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
    appendText(out, text, writer.lineStart, writer.afterSpace);
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
    text = withBoldPictureReferences(text);
    text = replacingFontTags(text, QStringLiteral("<font face=\"Helvetica\" size=\"3\">"));
    // The text reader knows <s> but not its older spelling.
    text.replace(QLatin1String("<strike>"), QLatin1String("<s>"));
    text.replace(QLatin1String("</strike>"), QLatin1String("</s>"));

    auto document = std::make_unique<QTextDocument>();
    document->setHtml(text);
    unlinkUnkeptAddresses(*document);
    return document;
}

QString HTMLTextWrapper::htmlStringFromAttributedString(const QTextDocument& document) {
    QString out;
    const LinkLook look = defaultLinkLook();
    bool firstBlock = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!firstBlock)
            out += QLatin1String("<br>");
        firstBlock = false;
        BlockWriter writer{out, look, true, false, QString()};
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().isValid())
                appendFragment(writer, it.fragment());
        }
        writer.setLink(QString());
    }
    return replacingFontTags(out, QStringLiteral("<font face=\"\" size=\"\">"));
}

QString HTMLTextWrapper::normalizedHTMLString(const QString& html) {
    return htmlStringFromAttributedString(*attributedStringFromHTMLString(html));
}
