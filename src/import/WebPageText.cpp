#include "import/WebPageText.h"

#include "import/ForeignText.h"

#include <QHash>
#include <QStringDecoder>

namespace webimport {

std::optional<QString> decodePage(const QByteArray& page, PageEncoding encoding) {
    switch (encoding) {
    case PageEncoding::Latin1:
        return QString::fromLatin1(page);
    case PageEncoding::Ascii:
        for (const char c : page)
            if (static_cast<unsigned char>(c) > 127)
                return std::nullopt;
        return QString::fromLatin1(page);
    case PageEncoding::Detected:
        break;
    }
    QStringDecoder decoder = QStringDecoder::decoderForHtml(page);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(page);
}

std::optional<QString> cut(const QString& page, const QStringList& after, const QString& upTo,
                           const QString& from) {
    qsizetype position = 0;
    for (const QString& marker : after) {
        const qsizetype found = page.indexOf(marker, position, Qt::CaseInsensitive);
        if (found < 0)
            return std::nullopt;
        position = found + marker.size();
    }
    if (!from.isEmpty()) {
        const qsizetype found = page.indexOf(from, position, Qt::CaseInsensitive);
        if (found < 0)
            return std::nullopt;
        position = found;
    }
    // The end marker is looked for past the start marker, so a start marker that contains
    // the end marker ("from <p> up to </p>") does not end the cut at once.
    const qsizetype end = page.indexOf(upTo, position + from.size(), Qt::CaseInsensitive);
    if (end < 0)
        return std::nullopt;
    return page.mid(position, end - position);
}

namespace {

// Elements whose content is not text to show; dropped whole.
bool isSkippedElement(QStringView name) {
    static const QStringList names{
        QStringLiteral("script"),   QStringLiteral("style"),    QStringLiteral("iframe"),
        QStringLiteral("noscript"), QStringLiteral("template"), QStringLiteral("svg"),
        QStringLiteral("math"),     QStringLiteral("textarea"), QStringLiteral("select"),
        QStringLiteral("object"),   QStringLiteral("noembed"),  QStringLiteral("noframes"),
        QStringLiteral("head"),     QStringLiteral("button")};
    for (const QString& skipped : names)
        if (name.compare(skipped, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Elements that begin and end a line of their own.
bool isBlockElement(QStringView name) {
    static const QStringList names{
        QStringLiteral("p"),          QStringLiteral("div"),        QStringLiteral("li"),
        QStringLiteral("ul"),         QStringLiteral("ol"),         QStringLiteral("dl"),
        QStringLiteral("dt"),         QStringLiteral("dd"),         QStringLiteral("tr"),
        QStringLiteral("table"),      QStringLiteral("h1"),         QStringLiteral("h2"),
        QStringLiteral("h3"),         QStringLiteral("h4"),         QStringLiteral("h5"),
        QStringLiteral("h6"),         QStringLiteral("blockquote"), QStringLiteral("pre"),
        QStringLiteral("section"),    QStringLiteral("article"),    QStringLiteral("header"),
        QStringLiteral("footer"),     QStringLiteral("hr"),         QStringLiteral("figure"),
        QStringLiteral("figcaption"), QStringLiteral("form"),       QStringLiteral("address"),
        QStringLiteral("aside"),      QStringLiteral("nav"),        QStringLiteral("main")};
    for (const QString& block : names)
        if (name.compare(block, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isHtmlBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QLatin1Char('\f');
}

// Collects text the way a browser lays it out: runs of blanks become one space, none at
// the start of a line.
class TextCollector {
public:
    void text(QStringView run) {
        for (const QChar c : run) {
            if (isHtmlBlank(c)) {
                m_pendingSpace = true;
                continue;
            }
            if (m_pendingSpace && !m_out.isEmpty() && !m_out.endsWith(QLatin1Char('\n')))
                m_out.append(QLatin1Char(' '));
            m_pendingSpace = false;
            m_out.append(c);
        }
    }
    void space() { m_pendingSpace = true; }
    void blockEdge() {
        m_pendingSpace = false;
        if (!m_out.isEmpty() && !m_out.endsWith(QLatin1Char('\n')))
            m_out.append(QLatin1Char('\n'));
    }
    void lineBreak() {
        m_pendingSpace = false;
        m_out.append(QLatin1Char('\n'));
    }
    QString result() const {
        qsizetype end = m_out.size();
        while (end > 0 && m_out.at(end - 1).isSpace())
            --end;
        return m_out.left(end);
    }

private:
    QString m_out;
    bool m_pendingSpace = false;
};

// The end of a tag that starts at `open` ("<"), quotes respected; -1 when it never closes.
qsizetype tagEnd(const QString& html, qsizetype open) {
    QChar quote;
    for (qsizetype i = open + 1; i < html.size(); ++i) {
        const QChar c = html.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            // Only a quote that opens an attribute value counts.
            if (html.at(i - 1) == QLatin1Char('='))
                quote = c;
        } else if (c == QLatin1Char('>')) {
            return i;
        }
    }
    return -1;
}

} // namespace

QString decodeCharacterReferences(const QString& text) {
    return ForeignText::decodeEntities(text);
}

QString htmlToText(const QString& html) {
    TextCollector collector;
    qsizetype i = 0;
    const qsizetype size = html.size();
    while (i < size) {
        const qsizetype open = html.indexOf(QLatin1Char('<'), i);
        const qsizetype runEnd = open < 0 ? size : open;
        if (runEnd > i)
            collector.text(decodeCharacterReferences(html.mid(i, runEnd - i)));
        if (open < 0)
            break;
        i = open;
        if (html.mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype close = html.indexOf(QLatin1String("-->"), i + 4);
            i = close < 0 ? size : close + 3;
            continue;
        }
        const QChar next = i + 1 < size ? html.at(i + 1) : QChar();
        const bool closing = next == QLatin1Char('/');
        const QChar nameStart = closing ? (i + 2 < size ? html.at(i + 2) : QChar()) : next;
        if (next == QLatin1Char('!') || next == QLatin1Char('?')) {
            const qsizetype close = html.indexOf(QLatin1Char('>'), i);
            i = close < 0 ? size : close + 1;
            continue;
        }
        if (!nameStart.isLetter()) {
            collector.text(QStringView(u"<"));
            ++i;
            continue;
        }
        const qsizetype end = tagEnd(html, i);
        if (end < 0)
            break; // a tag that never closes hides the rest, as in a browser
        qsizetype nameEnd = i + (closing ? 2 : 1);
        while (nameEnd < end && (html.at(nameEnd).isLetterOrNumber() || html.at(nameEnd) == QLatin1Char('-')))
            ++nameEnd;
        const qsizetype nameBegin = i + (closing ? 2 : 1);
        const QStringView name = QStringView(html).mid(nameBegin, nameEnd - nameBegin);
        i = end + 1;
        if (!closing && isSkippedElement(name)) {
            const bool selfClosed = html.at(end - 1) == QLatin1Char('/');
            if (selfClosed)
                continue;
            const qsizetype close = html.indexOf(QStringLiteral("</") + name, i, Qt::CaseInsensitive);
            if (close < 0) {
                i = size;
            } else {
                const qsizetype closeEnd = html.indexOf(QLatin1Char('>'), close);
                i = closeEnd < 0 ? size : closeEnd + 1;
            }
            continue;
        }
        if (name.compare(QLatin1String("br"), Qt::CaseInsensitive) == 0)
            collector.lineBreak();
        else if (isBlockElement(name))
            collector.blockEdge();
        else if (name.compare(QLatin1String("td"), Qt::CaseInsensitive) == 0 ||
                 name.compare(QLatin1String("th"), Qt::CaseInsensitive) == 0)
            collector.space();
    }
    return collector.result();
}

QString lineClean(QString text) {
    text.remove(QLatin1Char('\n'));
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\t'));
    return text;
}

QString labelClean(QString text) {
    text.remove(QLatin1Char(':'));
    return lineClean(text);
}

QString paragraphs(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1String("\n\n"));
    return text;
}

QString reduceBlankLines(QString text) {
    text.replace(QLatin1String("\n\n\n\n"), QLatin1String("\n\n"));
    text.replace(QLatin1String("\n\n\n"), QLatin1String("\n\n"));
    return text;
}

} // namespace webimport
