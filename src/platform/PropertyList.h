#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Property lists in the standard encodings. In memory a property list is a QVariant:
// dictionaries are QVariantMap, arrays QVariantList, strings QString, integers qint64,
// reals double, booleans bool, dates QDateTime (UTC) and data QByteArray.

struct PropertyListResult {
    QVariant value;
    QString error; // empty when the read succeeded
    bool ok() const { return error.isEmpty(); }
};

// Reads an XML or a binary property list; the encoding is recognised from the bytes.
PropertyListResult readPropertyList(const QByteArray& data);
PropertyListResult readPropertyListFile(const QString& path);

// The XML encoding of value. Values of other QVariant types are written as strings.
QByteArray xmlPropertyListData(const QVariant& value);

// Writes value as an XML property list, atomically: a failure leaves the old file as it was.
bool writePropertyListFile(const QVariant& value, const QString& path, QString* error = nullptr);
