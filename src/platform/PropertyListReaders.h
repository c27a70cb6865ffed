#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// The two decoders behind readPropertyList(). Each returns the value, or a null QVariant
// with *error set. Input of any size and content is safe: nesting is limited, and
// references in binary lists are checked for bounds, cycles and runaway sharing.
namespace propertylist {

constexpr int kMaxDepth = 512;
constexpr qint64 kEpoch2001 = 978307200; // 2001-01-01T00:00:00Z in Unix seconds

QVariant readXml(const QByteArray& data, QString* error);
QVariant readBinary(const QByteArray& data, QString* error);

// Error texts shared by both decoders and the public functions.
QString errorText(const char* text);

} // namespace propertylist
