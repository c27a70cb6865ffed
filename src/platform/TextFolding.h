#pragma once

#include <QString>
#include <QStringView>

// The one folding used for case-insensitive ([c]) and diacritic-insensitive ([d])
// comparisons: Unicode case folding, and for diacritics canonical decomposition with
// the combining marks removed. Filters and the record caches must fold alike.
QString foldedText(QStringView text, bool diacriticInsensitive);

// Canonical decomposition with the combining marks removed; case is kept.
QString textWithoutDiacritics(QStringView text);

// True when the text's folding, with or without diacritics, is its ASCII lower case: it
// holds ASCII and at most some punctuation and symbols beyond ASCII that have no case, no
// canonical decomposition and are no marks (the degree sign, fractions, typographic
// quotes and dashes, currency signs), as recipes often do. Such a text is searched
// ignoring ASCII case instead of through a folded copy.
bool foldsLikeAscii(QStringView text);
