#pragma once

#include <QString>
#include <QStringView>

// The one folding used for case-insensitive ([c]) and diacritic-insensitive ([d])
// comparisons: Unicode case folding, and for diacritics canonical decomposition with
// the combining marks removed. Filters and the record caches must fold alike.
QString foldedText(QStringView text, bool diacriticInsensitive);

// Canonical decomposition with the combining marks removed; case is kept.
QString textWithoutDiacritics(QStringView text);
