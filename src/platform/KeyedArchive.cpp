#include "KeyedArchive.h"

#include "PropertyList.h"
#include "PropertyListReaders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSet>

#include <cmath>

namespace {

const QString kUID = QStringLiteral("CF$UID");
const QString kClass = QStringLiteral("$class");
const QString kClassName = QStringLiteral("$classname");
const QString kObjectsKey = QStringLiteral("NS.objects");

QString text(const char* message) {
    return QCoreApplication::translate("KeyedArchive", message);
}

bool isPlain(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
    case QMetaType::QByteArray:
    case QMetaType::QDateTime:
        return true;
    default:
        return false;
    }
}

// Seconds since 2001-01-01 UTC as a date; nothing for a value no date can hold.
std::optional<QDateTime> dateFromReferenceSeconds(double seconds) {
    // About 290,000 years either way: QDateTime holds far more, and nothing real is outside.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 9.0e15)
        return std::nullopt;
    const qint64 ms = qint64(std::llround(seconds * 1000.0)) + propertylist::kEpoch2001 * 1000;
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace

std::optional<KeyedArchive> KeyedArchive::fromData(const QByteArray& bytes, QString* error) {
    const PropertyListResult read = readPropertyList(bytes);
    if (!read.ok()) {
        *error = read.error;
        return std::nullopt;
    }
    const QVariantMap top = read.value.toMap();
    if (read.value.typeId() != QMetaType::QVariantMap ||
        top.value(QStringLiteral("$archiver")).typeId() != QMetaType::QString ||
        top.value(QStringLiteral("$objects")).typeId() != QMetaType::QVariantList ||
        top.value(QStringLiteral("$top")).typeId() != QMetaType::QVariantMap) {
        *error = text(QT_TRANSLATE_NOOP("KeyedArchive", "The file is not a keyed archive."));
        return std::nullopt;
    }
    KeyedArchive archive;
    archive.m_objects = top.value(QStringLiteral("$objects")).toList();
    archive.m_top = top.value(QStringLiteral("$top")).toMap();
    if (archive.m_objects.isEmpty() || archive.m_objects.first() != QVariant(QStringLiteral("$null"))) {
        *error = text(QT_TRANSLATE_NOOP("KeyedArchive", "The file is not a keyed archive."));
        return std::nullopt;
    }
    return archive;
}

std::optional<qint64> KeyedArchive::uid(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = value.toMap();
    if (map.size() != 1 || map.constBegin().key() != kUID ||
        map.constBegin().value().typeId() != QMetaType::LongLong)
        return std::nullopt;
    return map.constBegin().value().toLongLong();
}

std::optional<qsizetype> KeyedArchive::reference(const QVariant& value) const {
    const std::optional<qint64> id = uid(value);
    if (!id || *id < 0 || *id >= m_objects.size())
        return std::nullopt;
    return qsizetype(*id);
}

std::optional<qsizetype> KeyedArchive::topReference(const QString& key) const {
    return reference(m_top.value(key));
}

bool KeyedArchive::isNull(qsizetype index) const {
    return index == 0 || m_objects.at(index) == QVariant(QStringLiteral("$null"));
}

QString KeyedArchive::className(qsizetype index) const {
    const QVariant& object = m_objects.at(index);
    if (object.typeId() != QMetaType::QVariantMap)
        return {};
    const std::optional<qsizetype> classIndex = reference(object.toMap().value(kClass));
    if (!classIndex || *classIndex == index)
        return {};
    const QVariant& classObject = m_objects.at(*classIndex);
    if (classObject.typeId() != QMetaType::QVariantMap)
        return {};
    const QVariant name = classObject.toMap().value(kClassName);
    return name.typeId() == QMetaType::QString ? name.toString() : QString();
}

QVariant KeyedArchive::field(qsizetype index, const QString& key) const {
    const QVariant& object = m_objects.at(index);
    if (object.typeId() != QMetaType::QVariantMap)
        return {};
    return object.toMap().value(key);
}

std::optional<QVariant> KeyedArchive::plainValue(const QVariant& start, QString* error) const {
    QVariant value = start;
    QSet<qsizetype> seen;
    for (int step = 0; step < kMaxValueSteps; ++step) {
        if (!value.isValid())
            return QVariant();
        if (isPlain(value))
            return value;
        if (uid(value)) {
            const std::optional<qsizetype> index = reference(value);
            if (!index) {
                *error = text(QT_TRANSLATE_NOOP("KeyedArchive",
                                                "An object refers to an object the file does not hold."));
                return std::nullopt;
            }
            if (seen.contains(*index)) {
                *error = text(QT_TRANSLATE_NOOP("KeyedArchive", "An object of the file refers to itself."));
                return std::nullopt;
            }
            seen.insert(*index);
            if (isNull(*index))
                return QVariant();
            const QString name = className(*index);
            if (name.isEmpty()) {
                value = m_objects.at(*index);
                if (!isPlain(value)) {
                    *error = text(QT_TRANSLATE_NOOP(
                        "KeyedArchive", "A value of the file is not a text, a number, a date or data."));
                    return std::nullopt;
                }
                return value;
            }
            if (name == QLatin1String("NSString") || name == QLatin1String("NSMutableString")) {
                value = field(*index, QStringLiteral("NS.string"));
                if (!value.isValid() || (isPlain(value) && value.typeId() != QMetaType::QString))
                    break;
            } else if (name == QLatin1String("NSData") || name == QLatin1String("NSMutableData")) {
                value = field(*index, QStringLiteral("NS.bytes"));
                if (!value.isValid())
                    value = field(*index, QStringLiteral("NS.data"));
                if (!value.isValid() || (isPlain(value) && value.typeId() != QMetaType::QByteArray))
                    break;
            } else if (name == QLatin1String("NSDate")) {
                const QVariant seconds = field(*index, QStringLiteral("NS.time"));
                if (seconds.typeId() != QMetaType::Double && seconds.typeId() != QMetaType::LongLong)
                    break;
                const std::optional<QDateTime> date = dateFromReferenceSeconds(seconds.toDouble());
                if (!date)
                    break;
                return *date;
            } else {
                break;
            }
            continue;
        }
        break;
    }
    *error = text(
        QT_TRANSLATE_NOOP("KeyedArchive", "A value of the file is not a text, a number, a date or data."));
    return std::nullopt;
}

std::optional<QList<qsizetype>> KeyedArchive::collectionElements(qsizetype index, bool* isCollection,
                                                                 QString* error) const {
    *isCollection = false;
    const QVariant elements = field(index, kObjectsKey);
    if (!elements.isValid() || className(index).isEmpty())
        return QList<qsizetype>();
    *isCollection = true;
    if (elements.typeId() != QMetaType::QVariantList) {
        *error =
            text(QT_TRANSLATE_NOOP("KeyedArchive", "A collection of the file holds no list of objects."));
        return std::nullopt;
    }
    QList<qsizetype> out;
    for (const QVariant& element : elements.toList()) {
        const std::optional<qsizetype> target = reference(element);
        if (!target) {
            *error = text(
                QT_TRANSLATE_NOOP("KeyedArchive", "An object refers to an object the file does not hold."));
            return std::nullopt;
        }
        out.append(*target);
    }
    return out;
}

std::optional<QList<qsizetype>> KeyedArchive::references(const QVariant& value, QString* error) const {
    if (!value.isValid())
        return QList<qsizetype>();
    const std::optional<qsizetype> index = reference(value);
    if (!index) {
        *error =
            text(QT_TRANSLATE_NOOP("KeyedArchive", "An object refers to an object the file does not hold."));
        return std::nullopt;
    }
    if (isNull(*index))
        return QList<qsizetype>();
    bool isCollection = false;
    std::optional<QList<qsizetype>> elements = collectionElements(*index, &isCollection, error);
    if (!elements)
        return std::nullopt;
    if (!isCollection)
        return QList<qsizetype>{*index};
    if (elements->contains(*index)) {
        *error = text(QT_TRANSLATE_NOOP("KeyedArchive", "An object of the file refers to itself."));
        return std::nullopt;
    }
    return elements;
}
