#pragma once

#include <QString>
#include <QVariant>

// Arrays and dictionaries kept in a text attribute, in the old-style (OpenStep) property
// list syntax: ( a, b ) and { key = value; }. Read back, every scalar is text.

// Writes an array (QVariantList / QStringList) or dictionary (QVariantMap) and everything
// inside it; numbers and booleans become decimal text (true is 1). A string is written
// bare when it is made only of letters and digits, otherwise quoted with escapes.
QString structuredTextFromValue(const QVariant& value);

// Reads the whole old-style syntax. Returns a QVariantList, a QVariantMap, or a null
// QVariant when the text is absent, empty, unparsable, or holds a bare scalar.
QVariant valueFromStructuredText(const QString& text);

// Reading rules for scalars that came back as text.
bool structuredBoolValue(const QVariant& value);      // non-zero number, or Y/y/T/t first
qint64 structuredIntegerValue(const QVariant& value); // the leading decimal number, else 0
