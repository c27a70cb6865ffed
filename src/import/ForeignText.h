#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Text helpers the readers of other programs' files share.
namespace ForeignText {

// Bytes as Windows-1252 (a superset of ISO Latin-1 for printable text: the curly quotes and
// dashes of 0x80-0x9F that files declared ISO-8859-1 carry).
QString fromWindows1252(QByteArrayView bytes);

// Bytes that start with the UTF-8 byte-order mark, or that preferUtf8 asks for and are
// valid UTF-8, as UTF-8; all others as Windows-1252.
QString decodeBytes(const QByteArray& bytes, bool preferUtf8);

// Every character reference (&#233; &#x2014;) and named entity (&amp; &eacute; &mdash;)
// replaced by its character, in one pass: "&amp;quot;" gives "&quot;". An unknown name or a
// reference to no character stays as written.
QString decodeEntities(QStringView text);

// A value for a one-line field: each run of line breaks, with the spaces around it, becomes
// one space; the ends are trimmed.
QString oneLine(QStringView text);

// A value of several paragraphs: each run of line breaks becomes one paragraph break (a
// blank line), except a break that only wraps a sentence (the next line starts with a
// lower-case letter and the line before ends without a full stop, colon or the like),
// which becomes a space. Every paragraph is trimmed and empty ones are dropped.
QString paragraphs(QStringView text);

// The text without control characters other than tab, line feed and carriage return.
QString withoutControlCharacters(const QString& text);

} // namespace ForeignText
