#pragma once

#include <QString>

#include <memory>

class QTextDocument;

// Converts a recipe's directions between the stored HTML fragment and styled text for
// editing. The stored fragment has no document, head, body, paragraph, span or list
// elements; character styles are written as <b>, <i>, <u>, <s>, <font color="…"> and
// <font face="" size=""> (family and size neutralised), line breaks as <br>, and links to
// web and mail addresses (http, https, mailto) as <a href="…">; a link to any other
// address keeps only its text. The class has no state.
class HTMLTextWrapper {
public:
    // The fragment as styled text: blank-line pairs become line breaks, numbered lists are
    // flattened into lines, picture references "[1]" to "[12]" are made bold and every
    // "<font face=…>" tag reads as Helvetica size 3. Scripts, style elements, embedded
    // objects and pictures are removed before the text is read; their text is kept where
    // it is text. Links to other than web and mail addresses become plain text.
    static std::unique_ptr<QTextDocument> attributedStringFromHTMLString(const QString& html);

    // The styled text as a stored fragment (see the class comment). Pictures and other
    // embedded objects are not written.
    static QString htmlStringFromAttributedString(const QTextDocument& document);

    // Both conversions in a row: foreign HTML in the stored form.
    static QString normalizedHTMLString(const QString& html);

    // Every tag that begins with `<font face="`, up to its ">", replaced by `replacement`.
    // A tag with no ">" after it is left alone.
    static QString replacingFontTags(const QString& html, const QString& replacement);
};
