#include "PropertyList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

// Conventions of the mapping between QVariant and the property list model:
//  - Integers are read as qint64. The library keeps integers as unsigned 64-bit values,
//    so an integer above the signed range (written as such by another program) comes back
//    as the negative qint64 with the same bits.
//  - Dates are seconds since 2001-01-01 00:00:00 UTC in the library. They are read as
//    QDateTime in UTC with microsecond precision; writing keeps whole seconds in XML.
//    The library holds 32-bit seconds, so dates are written within 1933-12-13 ..
//    2069-01-19 (later or earlier dates are pinned to those limits).
//  - A keyed-archive identifier (binary lists only) reads as the dictionary
//    {"CF$UID": number}, its form in XML.
//  - Writing other QVariant types: QStringList and sequences become arrays, QVariantHash
//    a dictionary, every integer type an integer, float a real, QDate a date at midnight
//    UTC, anything else the string of QVariant::toString(). An invalid QVariant (and an
//    invalid date) is left out of a dictionary and written as an empty string elsewhere. NUL characters are left
//    out of strings and keys: the encodings cannot carry them.

namespace {

constexpr int kMaxDepth = 512;
constexpr qint64 kMaxBytes = qint64(512) * 1024 * 1024;
constexpr qint64 kEpoch2001 = 978307200; // 2001-01-01T00:00:00Z in Unix seconds

QString trText(const char* text) {
    return QCoreApplication::translate("PropertyList", text);
}

struct PlistDeleter {
    void operator()(void* node) const {
        if (node)
            plist_free(node);
    }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct Reader {
    QString error;

    QVariant convert(plist_t node, int depth) {
        if (depth > kMaxDepth) {
            error = trText("The property list is nested too deeply.");
            return {};
        }
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return bool(b);
        }
        case PLIST_UINT: {
            uint64_t v = 0;
            plist_get_uint_val(node, &v);
            return qint64(v);
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return d;
        }
        case PLIST_STRING:
        case PLIST_KEY: {
            uint64_t length = 0;
            const char* s = plist_get_string_ptr(node, &length);
            return s ? QString::fromUtf8(s, qsizetype(length)) : QString();
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* d = plist_get_data_ptr(node, &length);
            return d ? QByteArray(d, qsizetype(length)) : QByteArray("");
        }
        case PLIST_DATE: {
            int32_t sec = 0;
            int32_t usec = 0;
            plist_get_date_val(node, &sec, &usec);
            const qint64 ms = (kEpoch2001 + qint64(sec)) * 1000 + qint64(usec) / 1000;
            return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        }
        case PLIST_UID: {
            uint64_t v = 0;
            plist_get_uid_val(node, &v);
            QVariantMap uid;
            uid.insert(QStringLiteral("CF$UID"), qint64(v));
            return uid;
        }
        case PLIST_ARRAY: {
            QVariantList list;
            const uint32_t n = plist_array_get_size(node);
            list.reserve(n);
            for (uint32_t i = 0; i < n && error.isEmpty(); ++i) {
                plist_t item = plist_array_get_item(node, i);
                if (item)
                    list.append(convert(item, depth + 1));
            }
            return list;
        }
        case PLIST_DICT: {
            QVariantMap map;
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            if (!it)
                return map;
            while (error.isEmpty()) {
                char* key = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, it, &key, &value);
                if (!key) {
                    break;
                }
                const QString k = QString::fromUtf8(key);
                std::free(key);
                if (value)
                    map.insert(k, convert(value, depth + 1));
            }
            std::free(it);
            return map;
        }
        case PLIST_NONE:
        default:
            error = trText("The property list holds a value of an unknown kind.");
            return {};
        }
    }
};

QByteArray stripNul(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    if (utf8.contains('\0'))
        utf8.replace(QByteArray(1, '\0'), QByteArray());
    return utf8;
}

plist_t dateNode(const QDateTime& date) {
    const qint64 ms = date.toMSecsSinceEpoch() - kEpoch2001 * 1000;
    qint64 sec = ms / 1000;
    qint64 msRest = ms % 1000;
    if (msRest < 0) {
        msRest += 1000;
        sec -= 1;
    }
    if (sec > std::numeric_limits<int32_t>::max()) {
        sec = std::numeric_limits<int32_t>::max();
        msRest = 0;
    } else if (sec < std::numeric_limits<int32_t>::min()) {
        sec = std::numeric_limits<int32_t>::min();
        msRest = 0;
    }
    return plist_new_date(int32_t(sec), int32_t(msRest * 1000));
}

plist_t toNode(const QVariant& value, int depth);

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

plist_t arrayNode(const QVariantList& list, int depth) {
    plist_t array = plist_new_array();
    for (const QVariant& item : list) {
        plist_array_append_item(array, toNode(item, depth + 1));
    }
    return array;
}

template <typename Map>
plist_t dictNode(const Map& map, int depth) {
    plist_t dict = plist_new_dict();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QVariant& item = it.value();
        if (isAbsent(item))
            continue;
        plist_dict_set_item(dict, stripNul(it.key()).constData(), toNode(item, depth + 1));
    }
    return dict;
}

plist_t toNode(const QVariant& value, int depth) {
    if (depth > kMaxDepth)
        return plist_new_string("");
    if (isAbsent(value))
        return plist_new_string("");
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap:
        return dictNode(value.toMap(), depth);
    case QMetaType::QVariantHash:
        return dictNode(value.toHash(), depth);
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return arrayNode(value.toList(), depth);
    case QMetaType::QString:
        return plist_new_string(stripNul(value.toString()).constData());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::SChar:
    case QMetaType::Char:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UChar:
        return plist_new_uint(uint64_t(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QDateTime:
        return dateNode(value.toDateTime());
    case QMetaType::QDate:
        return dateNode(value.toDate().startOfDay(Qt::UTC));
    default:
        break;
    }
    if (value.canConvert<QVariantList>() && !value.canConvert<QString>())
        return arrayNode(value.toList(), depth);
    if (value.canConvert<QVariantMap>() && !value.canConvert<QString>())
        return dictNode(value.toMap(), depth);
    return plist_new_string(stripNul(value.toString()).constData());
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
    const char* bytes = data.constData();
    uint32_t length = uint32_t(data.size());
    plist_t root = nullptr;
    if (data.startsWith("bplist00")) {
        plist_from_bin(bytes, length, &root);
    } else {
        // The library does not expect a byte-order mark before the XML declaration.
        if (data.startsWith("\xEF\xBB\xBF")) {
            bytes += 3;
            length -= 3;
        }
        if (length > 0)
            plist_from_xml(bytes, length, &root);
    }
    PlistPtr owner(root);
    if (!root) {
        result.error = trText("The data is not a property list.");
        return result;
    }
    Reader reader;
    QVariant value = reader.convert(root, 0);
    if (!reader.error.isEmpty()) {
        result.error = reader.error;
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
    PlistPtr root(toNode(value, 0));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        return {};
    QByteArray out(xml, qsizetype(length));
    plist_to_xml_free(xml);
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
