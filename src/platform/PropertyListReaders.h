#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>

// The two decoders behind readPropertyList(). Each returns the value, or a null QVariant
// with *error set. Input of any size and content is safe: nesting is limited, and
// references in binary lists are checked for bounds, cycles and runaway sharing.
namespace propertylist {

constexpr int kMaxDepth = 512;
constexpr qint64 kEpoch2001 = 978307200; // 2001-01-01T00:00:00Z in Unix seconds

// A binary list may spell out (texts and data counted at every reference, each object a
// few bytes more) kExpansionFactor times its size plus kExpansionAllowance bytes.
constexpr quint64 kExpansionFactor = 64;
constexpr quint64 kExpansionAllowance = quint64(1024) * 1024;
constexpr quint64 kObjectBytes = 16;

// The longest tag (name and attributes) and document type an XML list may hold: both are
// scanned as they are read, so a runaway one is refused before it fills memory.
constexpr qsizetype kMaxTagBytes = qsizetype(64) * 1024;
constexpr qsizetype kMaxDoctypeBytes = qsizetype(1024) * 1024;

// Reads XML in the encoding named by its byte-order mark or declaration (UTF-8 when
// neither names one).
QVariant readXml(const QByteArray& data, QString* error);
QVariant readBinary(const QByteArray& data, QString* error);

// The encoding an XML document is written in, from its first bytes (kEncodingHead are
// enough): a byte-order mark, the zero bytes of UTF-16 or UTF-32 markup, or the encoding
// its declaration names. Empty for UTF-8, which is read as it is.
constexpr qsizetype kEncodingHead = 1024;
QByteArray xmlEncoding(QByteArrayView head);

// Decodes base64 text in one pass: white space anywhere is passed over, and the text may
// end with "=" padding or without it. False for any other character, a character after
// the padding, padding in the wrong place, or a last character alone (a text cut short).
bool decodeBase64(QByteArrayView text, QByteArray* out);

// Error texts shared by both decoders and the public functions.
QString errorText(const char* text);

} // namespace propertylist
