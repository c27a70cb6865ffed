#include "VersionOneFiles.h"

#include "platform/DataModel.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QHash>

#include <cstring>
#include <optional>

namespace testsupport {

namespace {

constexpr qint64 kEpoch2001 = 978307200;

void appendBigEndian(QByteArray& out, quint64 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void appendDouble(QByteArray& out, double value) {
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    appendBigEndian(out, bits, 8);
}

void appendMarker(QByteArray& out, int kind, qsizetype count) {
    if (count < 15) {
        out.append(char((kind << 4) | int(count)));
        return;
    }
    out.append(char((kind << 4) | 0xF));
    out.append(char(0x13));
    appendBigEndian(out, quint64(count), 8);
}

class BinaryWriter {
public:
    QByteArray write(const QVariant& root) {
        add(root);
        QByteArray out("bplist00");
        QList<quint64> offsets;
        for (const QByteArray& object : std::as_const(m_objects)) {
            offsets.append(quint64(out.size()));
            out.append(object);
        }
        const quint64 tableOffset = quint64(out.size());
        for (quint64 offset : std::as_const(offsets))
            appendBigEndian(out, offset, 8);
        out.append(QByteArray(6, '\0'));
        out.append(char(8)); // offset size
        out.append(char(4)); // reference size
        appendBigEndian(out, quint64(m_objects.size()), 8);
        appendBigEndian(out, 0, 8);
        appendBigEndian(out, tableOffset, 8);
        return out;
    }

private:
    qsizetype add(const QVariant& value) {
        const qsizetype index = m_objects.size();
        m_objects.append(QByteArray());
        QByteArray bytes;
        switch (value.typeId()) {
        case QMetaType::Bool:
            bytes.append(char(value.toBool() ? 0x09 : 0x08));
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
            bytes.append(char(0x13));
            appendBigEndian(bytes, quint64(value.toLongLong()), 8);
            break;
        case QMetaType::Double:
            bytes.append(char(0x23));
            appendDouble(bytes, value.toDouble());
            break;
        case QMetaType::QDateTime:
            bytes.append(char(0x33));
            appendDouble(bytes, double(value.toDateTime().toMSecsSinceEpoch() - kEpoch2001 * 1000) / 1000.0);
            break;
        case QMetaType::QByteArray:
            appendMarker(bytes, 0x4, value.toByteArray().size());
            bytes.append(value.toByteArray());
            break;
        case QMetaType::QString: {
            const QString text = value.toString();
            bool ascii = true;
            for (QChar c : text)
                ascii = ascii && c.unicode() < 0x80;
            if (ascii) {
                appendMarker(bytes, 0x5, text.size());
                bytes.append(text.toLatin1());
            } else {
                appendMarker(bytes, 0x6, text.size());
                for (QChar c : text)
                    appendBigEndian(bytes, c.unicode(), 2);
            }
            break;
        }
        case QMetaType::QVariantList: {
            const QVariantList list = value.toList();
            QList<qsizetype> refs;
            for (const QVariant& item : list)
                refs.append(add(item));
            appendMarker(bytes, 0xA, refs.size());
            for (qsizetype ref : refs)
                appendBigEndian(bytes, quint64(ref), 4);
            break;
        }
        case QMetaType::QVariantMap: {
            const QVariantMap map = value.toMap();
            if (map.size() == 1 && map.contains(QStringLiteral("CF$UID"))) {
                bytes.append(char(0x83));
                appendBigEndian(bytes, quint64(map.value(QStringLiteral("CF$UID")).toLongLong()), 4);
                break;
            }
            QList<qsizetype> keys;
            QList<qsizetype> values;
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                keys.append(add(it.key()));
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                values.append(add(it.value()));
            appendMarker(bytes, 0xD, keys.size());
            for (qsizetype ref : keys)
                appendBigEndian(bytes, quint64(ref), 4);
            for (qsizetype ref : values)
                appendBigEndian(bytes, quint64(ref), 4);
            break;
        }
        default:
            ADD_FAILURE() << "no binary property list form for " << value.typeName();
            bytes.append(char(0x00));
        }
        m_objects[index] = bytes;
        return index;
    }

    QList<QByteArray> m_objects;
};

// Builds "$objects": records are placed first, then filled, so relationships can refer to
// records not written yet.
class ArchiveBuilder {
public:
    ArchiveBuilder() : m_model(DataModel::loadResource(QStringLiteral("Larkspoon!_v1.mom"))) {
        EXPECT_TRUE(m_model.has_value()) << "the version-one model resource could not be read";
        m_objects.append(QStringLiteral("$null"));
    }

    qsizetype reserve() {
        m_objects.append(QVariant());
        return m_objects.size() - 1;
    }

    qsizetype append(const QVariant& object) {
        m_objects.append(object);
        return m_objects.size() - 1;
    }

    QVariantMap instance(const QString& className) {
        if (!m_classes.contains(className))
            m_classes.insert(className,
                             append(QVariantMap{{QStringLiteral("$classname"), className},
                                                {QStringLiteral("$classes"),
                                                 QVariantList{className, QStringLiteral("NSObject")}}}));
        return QVariantMap{{QStringLiteral("$class"), uidValue(m_classes.value(className))}};
    }

    qsizetype collection(const QString& className, const QList<qsizetype>& members) {
        QVariantMap set = instance(className);
        QVariantList refs;
        for (qsizetype member : members)
            refs.append(uidValue(member));
        set.insert(QStringLiteral("NS.objects"), refs);
        return append(set);
    }

    // A record of entity at slot with its attributes, stored as the model's types ask.
    void record(qsizetype slot, const QString& entityName, const QVariantMap& values, QVariantMap extra) {
        QVariantMap object = instance(entityName);
        const EntityDescription* entity = m_model ? m_model->entity(entityName) : nullptr;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            const AttributeDescription* attribute = entity ? entity->attribute(it.key()) : nullptr;
            if (!attribute) {
                ADD_FAILURE() << "the version-one " << entityName.toStdString() << " has no attribute "
                              << it.key().toStdString();
                continue;
            }
            switch (attribute->type) {
            case AttributeType::Text:
            case AttributeType::Data:
                object.insert(it.key(), uidValue(append(it.value())));
                break;
            case AttributeType::Date: {
                QVariantMap date = instance(QStringLiteral("NSDate"));
                date.insert(QStringLiteral("NS.time"),
                            double(it.value().toDateTime().toMSecsSinceEpoch() - kEpoch2001 * 1000) / 1000.0);
                object.insert(it.key(), uidValue(append(date)));
                break;
            }
            default:
                object.insert(it.key(), it.value());
            }
        }
        for (auto it = extra.cbegin(); it != extra.cend(); ++it)
            object.insert(it.key(), it.value());
        m_objects[slot] = object;
    }

    QVariantList objects() const { return m_objects; }

private:
    std::optional<DataModel> m_model;
    QVariantList m_objects;
    QHash<QString, qsizetype> m_classes;
};

} // namespace

QByteArray binaryPropertyListData(const QVariant& value) {
    return BinaryWriter().write(value);
}

QVariantMap uidValue(qint64 index) {
    return QVariantMap{{QStringLiteral("CF$UID"), index}};
}

QVariantMap versionOneArchive(const QList<VersionOneRecipe>& recipes, const QList<VersionOneGroup>& groups,
                              bool wholeLibrary) {
    ArchiveBuilder archive;
    QList<qsizetype> recipeSlots;
    QList<QList<qsizetype>> ingredientSlots;
    QList<qsizetype> groupSlots;
    for (const VersionOneRecipe& recipe : recipes) {
        recipeSlots.append(archive.reserve());
        QList<qsizetype> itemSlots;
        for (qsizetype i = 0; i < recipe.ingredients.size(); ++i)
            itemSlots.append(archive.reserve());
        ingredientSlots.append(itemSlots);
    }
    for (qsizetype i = 0; i < groups.size(); ++i)
        groupSlots.append(archive.reserve());

    QHash<int, int> parentOf;
    for (qsizetype g = 0; g < groups.size(); ++g)
        for (int child : groups.at(g).children)
            parentOf.insert(child, int(g));

    for (qsizetype r = 0; r < recipes.size(); ++r) {
        const VersionOneRecipe& recipe = recipes.at(r);
        for (qsizetype i = 0; i < recipe.ingredients.size(); ++i)
            archive.record(ingredientSlots.at(r).at(i), QStringLiteral("Ingredient"),
                           recipe.ingredients.at(i),
                           {{QStringLiteral("recipe"), uidValue(recipeSlots.at(r))}});
        QList<qsizetype> inGroups;
        for (qsizetype g = 0; g < groups.size(); ++g)
            if (groups.at(g).recipes.contains(int(r)))
                inGroups.append(groupSlots.at(g));
        const qsizetype ingredientSet = archive.collection(QStringLiteral("NSSet"), ingredientSlots.at(r));
        const qsizetype groupSet = archive.collection(QStringLiteral("NSSet"), inGroups);
        archive.record(recipeSlots.at(r), QStringLiteral("Recipe"), recipe.values,
                       {{QStringLiteral("ingredient"), uidValue(ingredientSet)},
                        {QStringLiteral("source"), uidValue(groupSet)}});
    }
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const VersionOneGroup& group = groups.at(g);
        QList<qsizetype> members;
        for (int r : group.recipes)
            members.append(recipeSlots.at(r));
        QList<qsizetype> children;
        for (int c : group.children)
            children.append(groupSlots.at(c));
        QVariantMap links{
            {QStringLiteral("recipe"), uidValue(archive.collection(QStringLiteral("NSSet"), members))},
            {QStringLiteral("child"), uidValue(archive.collection(QStringLiteral("NSSet"), children))},
            {QStringLiteral("parent"),
             uidValue(parentOf.contains(int(g)) ? groupSlots.at(parentOf.value(int(g))) : 0)}};
        archive.record(groupSlots.at(g), QStringLiteral("Source"), group.values, links);
    }
    QList<qsizetype> rootMembers = recipeSlots;
    if (wholeLibrary)
        rootMembers += groupSlots;
    const qsizetype root = archive.collection(QStringLiteral("NSArray"), rootMembers);
    return QVariantMap{{QStringLiteral("$version"), qint64(100000)},
                       {QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")},
                       {QStringLiteral("$top"), QVariantMap{{QStringLiteral("root"), uidValue(root)}}},
                       {QStringLiteral("$objects"), archive.objects()}};
}

QByteArray versionOneFileData(const QList<VersionOneRecipe>& recipes, const QList<VersionOneGroup>& groups,
                              bool wholeLibrary) {
    return binaryPropertyListData(versionOneArchive(recipes, groups, wholeLibrary));
}

bool writeFileData(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace testsupport
