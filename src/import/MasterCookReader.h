#pragma once

#include "ForeignRecipe.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringView>

// Reads the XML exports of MasterCook ("mx2") without an XML parser: real files are not
// well-formed (a declaration with standalone before encoding, unsupported encoding names,
// unescaped quotes in attributes, recipes cut short, several documents in one file, log
// lines before the declaration), so the text is cut into tags, one element at a time.
// CDATA sections, comments, processing instructions and declarations are passed over
// whole, so a "<" inside them is never taken for a tag. A broken element costs its own
// field; a recipe whose end tag is missing ends where the next recipe starts or where the
// file ends.
namespace MasterCookReader {

// The file's text: UTF-8 when it starts with a byte-order mark or declares UTF-8 (and is
// valid UTF-8), else Windows-1252, whatever Latin encoding it declares.
QString decodeFile(const QByteArray& bytes);

// Every recipe of a file's bytes, in file order.
ForeignReadResult read(const QByteArray& bytes);
ForeignReadResult readText(QStringView text);

// The attributes of a start tag's inside (after its name), in order, values decoded. A
// quote inside a value that is not followed by the end of the tag, "/" or another
// attribute is taken as part of the value (MasterCook wrote inch marks unescaped).
QList<QPair<QString, QString>> attributes(QStringView tagBody);

} // namespace MasterCookReader
