#include "PropertyList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include "PropertyListReaders.h"

#include <cmath>
#include <limits>

// Conventions of the mapping between QVariant and the property list model:
//  - Integers are qint64. An integer above the signed range (some writers keep unsigned
//    64-bit values) comes back as the negative qint64 with the same bits; 16-byte
//    integers of binary lists keep their low 64 bits.
//  - Dates are QDateTime in UTC, to the millisecond. XML is written with whole seconds,
//    rounded down, as the format has always been written.
//  - A keyed-archive identifier (binary lists only) reads as the dictionary
//    {"CF$UID": number}, its form in XML.
//  - Writing other QVariant types: QStringList and sequences become arrays, QVariantHash
//    a dictionary, every integer type an integer, float a real, QDate a date at midnight
//    UTC, anything else the string of QVariant::toString(). An invalid QVariant (and an
//    invalid date) is left out of a dictionary and written as an empty string elsewhere.
//    NUL characters are left out of strings and keys: XML cannot carry them.

namespace {

using propertylist::kMaxDepth;
constexpr qint64 kMaxBytes = qint64(512) * 1024 * 1024;

QString trText(const char* text) {
    return propertylist::errorText(text);
}

// The XML writer. Strings are UTF-8 with &, < and > escaped; other characters are written
// as they are: readers of property lists take control characters as text, while some
// refuse character references to them.

void appendEscaped(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    out.reserve(out.size() + utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\0': break;
        default: out += c;
        }
    }
}

void indent(QByteArray& out, int depth) {
    out.append(depth, '\t');
}

QByteArray realText(double d) {
    if (std::isnan(d))
        return "nan";
    if (std::isinf(d))
        return d > 0 ? "+infinity" : "-infinity";
    if (d == 0)
        return "0.0";
    return QByteArray::number(d, 'g', 17);
}

// Whole seconds, rounded down, as YYYY-MM-DDTHH:MM:SSZ (years before 1 with a minus).
QByteArray dateText(const QDateTime& date) {
    qint64 ms = date.toMSecsSinceEpoch();
    ms -= ((ms % 1000) + 1000) % 1000;
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    const QDate d = utc.date();
    const QTime t = utc.time();
    const QByteArray year = QByteArray::number(qAbs(d.year())).rightJustified(4, '0');
    return (d.year() < 0 ? "-" + year : year) + '-'
           + QByteArray::number(d.month()).rightJustified(2, '0') + '-'
           + QByteArray::number(d.day()).rightJustified(2, '0') + 'T'
           + QByteArray::number(t.hour()).rightJustified(2, '0') + ':'
           + QByteArray::number(t.minute()).rightJustified(2, '0') + ':'
           + QByteArray::number(t.second()).rightJustified(2, '0') + 'Z';
}

// No value to write: an invalid QVariant, a null pointer or an invalid date.
bool isAbsent(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return true;
    case QMetaType::QDateTime:
        return !value.toDateTime().isValid();
    case QMetaType::QDate:
        return !value.toDate().isValid();
    default:
        return false;
    }
}

void writeValue(QByteArray& out, const QVariant& value, int depth);

void writeArray(QByteArray& out, const QVariantList& list, int depth) {
    if (list.isEmpty()) {
        indent(out, depth);
        out += "<array/>\n";
        return;
    }
    indent(out, depth);
    out += "<array>\n";
    for (const QVariant& item : list)
        writeValue(out, item, depth + 1);
    indent(out, depth);
    out += "</array>\n";
}

template <typename Map>
void writeDict(QByteArray& out, const Map& map, int depth) {
    // Keys in a stable order whatever the map type.
    QStringList keys;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (!isAbsent(it.value()))
            keys.append(it.key());
    keys.sort();
    if (keys.isEmpty()) {
        indent(out, depth);
        out += "<dict/>\n";
        return;
    }
    indent(out, depth);
    out += "<dict>\n";
    for (const QString& key : keys) {
        indent(out, depth + 1);
        out += "<key>";
        appendEscaped(out, key);
        out += "</key>\n";
        writeValue(out, map.value(key), depth + 1);
    }
    indent(out, depth);
    out += "</dict>\n";
}

void writeScalar(QByteArray& out, const char* tag, const QByteArray& text, int depth) {
    indent(out, depth);
    out += '<';
    out += tag;
    out += '>';
    out += text;
    out += "</";
    out += tag;
    out += ">\n";
}

void writeString(QByteArray& out, const QString& text, int depth) {
    QByteArray escaped;
    appendEscaped(escaped, text);
    writeScalar(out, "string", escaped, depth);
}

void writeData(QByteArray& out, const QByteArray& bytes, int depth) {
    indent(out, depth);
    if (bytes.isEmpty()) {
        out += "<data></data>\n";
        return;
    }
    out += "<data>\n";
    const QByteArray base64 = bytes.toBase64();
    for (qsizetype i = 0; i < base64.size(); i += 68) {
        indent(out, depth);
        out += base64.mid(i, 68);
        out += '\n';
    }
    indent(out, depth);
    out += "</data>\n";
}

void writeValue(QByteArray& out, const QVariant& value, int depth) {
    if (depth > kMaxDepth || isAbsent(value)) {
        writeString(out, QString(), depth);
        return;
    }
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap:
        writeDict(out, value.toMap(), depth);
        return;
    case QMetaType::QVariantHash:
        writeDict(out, value.toHash(), depth);
        return;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        writeArray(out, value.toList(), depth);
        return;
    case QMetaType::QString:
        writeString(out, value.toString(), depth);
        return;
    case QMetaType::QByteArray:
        writeData(out, value.toByteArray(), depth);
        return;
    case QMetaType::Bool:
        indent(out, depth);
        out += value.toBool() ? "<true/>\n" : "<false/>\n";
        return;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::SChar:
    case QMetaType::Char:
        writeScalar(out, "integer", QByteArray::number(value.toLongLong()), depth);
        return;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UChar:
        writeScalar(out, "integer", QByteArray::number(value.toULongLong()), depth);
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        writeScalar(out, "real", realText(value.toDouble()), depth);
        return;
    case QMetaType::QDateTime:
        writeScalar(out, "date", dateText(value.toDateTime()), depth);
        return;
    case QMetaType::QDate:
        writeScalar(out, "date", dateText(value.toDate().startOfDay(Qt::UTC)), depth);
        return;
    default:
        break;
    }
    if (value.canConvert<QVariantList>() && !value.canConvert<QString>())
        writeArray(out, value.toList(), depth);
    else if (value.canConvert<QVariantMap>() && !value.canConvert<QString>())
        writeDict(out, value.toMap(), depth);
    else
        writeString(out, value.toString(), depth);
}

} // namespace

PropertyListResult readPropertyList(const QByteArray& data) {
    PropertyListResult result;
    if (data.isEmpty()) {
        result.error = trText("The property list is empty.");
        return result;
    }
    if (data.size() > kMaxBytes) {
        result.error = trText("The property list is too large.");
        return result;
    }
    QString error;
    QVariant value = data.startsWith("bplist") ? propertylist::readBinary(data, &error)
                                               : propertylist::readXml(data, &error);
    if (!value.isValid()) {
        result.error = error.isEmpty() ? trText("The data is not a property list.") : error;
        return result;
    }
    result.value = std::move(value);
    return result;
}

PropertyListResult readPropertyListFile(const QString& path) {
    PropertyListResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = trText("The file %1 could not be opened: %2").arg(path, file.errorString());
        return result;
    }
    if (file.size() > kMaxBytes) {
        result.error = trText("The property list is too large.");
        return result;
    }
    const QByteArray data = file.readAll();
    result = readPropertyList(data);
    if (!result.ok())
        result.error = trText("The file %1 could not be read: %2").arg(path, result.error);
    return result;
}

QByteArray xmlPropertyListData(const QVariant& value) {
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                     "<plist version=\"1.0\">\n";
    writeValue(out, value, 0);
    out += "</plist>\n";
    return out;
}

bool writePropertyListFile(const QVariant& value, const QString& path, QString* error) {
    const QByteArray data = xmlPropertyListData(value);
    auto fail = [&](const QString& reason) {
        if (error)
            *error = trText("The file %1 could not be written: %2").arg(path, reason);
        return false;
    };
    if (data.isEmpty())
        return fail(trText("The value could not be encoded."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    if (error)
        error->clear();
    return true;
}
