#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The text rules the site extractors cut recipe pages with. Every search ignores case.
namespace webimport {

// How a saved page is read.
enum class PageEncoding {
    Detected, // byte-order mark or <meta charset>, else UTF-8
    Latin1,
    Ascii, // a page with a byte above 127 cannot be read
};
std::optional<QString> decodePage(const QByteArray& page, PageEncoding encoding);

// A cut: after each marker of `after` in turn, then (when `from` is given) from that marker,
// which stays in the text, up to the next `upTo`. nullopt when a marker is missing.
std::optional<QString> cut(const QString& page, const QStringList& after, const QString& upTo,
                           const QString& from = QString());

// An HTML fragment as plain text: tags dropped (scripts, styles, frames and other non-text
// elements with their content), character references decoded, blanks collapsed as a browser
// does, and the ends of paragraphs, line breaks, list items and other blocks as "\n".
QString htmlToText(const QString& html);
// Decodes "&name;", "&#n;" and "&#xh;"; unknown names stay as written.
QString decodeCharacterReferences(const QString& text);

// Every "\n", "\r" and "\t" removed.
QString lineClean(QString text);
// Every ":", "\n", "\r" and "\t" removed.
QString labelClean(QString text);
// Every "\n" doubled, as manual import does with directions.
QString paragraphs(QString text);
// Three or four line breaks in a row brought down to two ("\n\n\n\n" first, then "\n\n\n").
QString reduceBlankLines(QString text);

} // namespace webimport
