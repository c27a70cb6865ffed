#include "VersionOneStore.h"

#include "platform/DataModel.h"
#include "platform/KeyedArchive.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <optional>

namespace versionone {

namespace {

const QString kRecipe = QStringLiteral("Recipe");
const QString kIngredient = QStringLiteral("Ingredient");
const QString kSource = QStringLiteral("Source");

QString text(const char* message) {
    return QCoreApplication::translate("VersionOneStore", message);
}

const DataModel* versionOneModel() {
    static const std::optional<DataModel> model =
        DataModel::loadResource(QStringLiteral("Larkspoon!_v1.mom"));
    return model ? &*model : nullptr;
}

// The value converted to the attribute's type; nothing when it does not suit the type.
std::optional<QVariant> typed(const QVariant& value, AttributeType type) {
    if (!value.isValid())
        return QVariant();
    const int id = value.typeId();
    const bool number = id == QMetaType::LongLong || id == QMetaType::Double || id == QMetaType::Bool;
    switch (type) {
    case AttributeType::Text:
        if (id == QMetaType::QString)
            return value;
        break;
    case AttributeType::Integer:
        if (id == QMetaType::Double) {
            const double d = value.toDouble();
            if (!std::isfinite(d) || std::fabs(d) > 9.0e18)
                break;
            return QVariant(qint64(d));
        }
        if (number)
            return QVariant(value.toLongLong());
        break;
    case AttributeType::Float:
        if (number)
            return QVariant(value.toDouble());
        break;
    case AttributeType::Boolean:
        if (number)
            return QVariant(value.toDouble() != 0.0);
        break;
    case AttributeType::Date:
        if (id == QMetaType::QDateTime)
            return value;
        break;
    case AttributeType::Data:
        if (id == QMetaType::QByteArray)
            return value;
        break;
    }
    return std::nullopt;
}

class StoreReader {
public:
    StoreReader(const KeyedArchive& archive, const DataModel& model) : m_archive(archive), m_model(model) {}

    ReadResult read() {
        ReadResult result;
        const std::optional<qsizetype> root = m_archive.topReference(QStringLiteral("root"));
        if (!root) {
            result.error = text(QT_TRANSLATE_NOOP("VersionOneStore", "The file has no root object."));
            return result;
        }
        QSet<qsizetype> path;
        if (!walk(*root, 0, path, &result.error))
            return result;
        // The records the relationships of those found reach, breadth first.
        for (qsizetype i = 0; i < m_order.size(); ++i)
            followRelationships(m_order.at(i));

        QHash<qsizetype, int> recipeIndex;
        QHash<qsizetype, int> sourceIndex;
        QList<qsizetype> recipeObjects;
        QList<qsizetype> sourceObjects;
        for (qsizetype object : std::as_const(m_order)) {
            const QString entity = m_archive.className(object);
            if (entity == kRecipe) {
                const int found = result.store.recipesFound++;
                QString reason;
                std::optional<Recipe> recipe = readRecipe(object, &reason);
                if (!recipe) {
                    result.store.unreadable.append({found, reason});
                    continue;
                }
                recipeIndex.insert(object, int(result.store.recipes.size()));
                result.store.recipes.append(std::move(*recipe));
            } else if (entity == kSource) {
                sourceIndex.insert(object, int(sourceObjects.size()));
                sourceObjects.append(object);
            }
        }
        for (qsizetype object : std::as_const(sourceObjects)) {
            QString reason;
            Source source;
            if (!readSource(object, recipeIndex, sourceIndex, &source, &reason)) {
                qWarning().noquote() << "a version-one group was left out:" << reason;
                source = Source(); // kept as an empty group so the indexes stay in step
                source.priorityValue = -1;
            }
            result.store.sources.append(source);
        }
        return result;
    }

private:
    const EntityDescription* entityOf(qsizetype object) const {
        return m_model.entity(m_archive.className(object));
    }

    void take(qsizetype object) {
        if (!m_taken.contains(object)) {
            m_taken.insert(object);
            m_order.append(object);
        }
    }

    bool walk(qsizetype object, int depth, QSet<qsizetype>& path, QString* error) {
        if (m_archive.isNull(object))
            return true;
        if (entityOf(object)) {
            take(object);
            return true;
        }
        bool isCollection = false;
        const std::optional<QList<qsizetype>> elements =
            m_archive.collectionElements(object, &isCollection, error);
        if (!elements)
            return false;
        if (!isCollection)
            return true;
        if (depth >= kMaxNesting) {
            *error =
                text(QT_TRANSLATE_NOOP("VersionOneStore", "The collections of the file nest too deeply."));
            return false;
        }
        if (path.contains(object)) {
            *error = text(QT_TRANSLATE_NOOP("VersionOneStore", "A collection of the file contains itself."));
            return false;
        }
        path.insert(object);
        for (qsizetype element : *elements)
            if (!walk(element, depth + 1, path, error))
                return false;
        path.remove(object);
        return true;
    }

    void followRelationships(qsizetype object) {
        const EntityDescription* entity = entityOf(object);
        if (!entity)
            return;
        for (const RelationshipDescription& relationship : entity->relationships) {
            QString ignored;
            const std::optional<QList<qsizetype>> targets =
                m_archive.references(m_archive.field(object, relationship.name), &ignored);
            if (!targets)
                continue; // the record itself reports it when it is read
            for (qsizetype target : *targets)
                if (m_archive.className(target) == relationship.destinationEntity)
                    take(target);
        }
    }

    // The attributes of a record, typed; false with *reason for a value that does not suit.
    bool readAttributes(qsizetype object, const EntityDescription& entity, QVariantMap* values,
                        QString* reason) const {
        for (const AttributeDescription& attribute : entity.attributes) {
            QString error;
            const std::optional<QVariant> plain =
                m_archive.plainValue(m_archive.field(object, attribute.name), &error);
            if (!plain) {
                *reason = QStringLiteral("%1: %2").arg(attribute.name, error);
                return false;
            }
            const std::optional<QVariant> value = typed(*plain, attribute.type);
            if (!value) {
                *reason = text(QT_TRANSLATE_NOOP("VersionOneStore", "%1 holds a value of the wrong kind."))
                              .arg(attribute.name);
                return false;
            }
            if (value->isValid())
                values->insert(attribute.name, *value);
        }
        return true;
    }

    // The records of a relationship, each of the destination entity; false with *reason.
    std::optional<QList<qsizetype>> related(qsizetype object, const QString& key, const QString& entity,
                                            QString* reason) const {
        QString error;
        std::optional<QList<qsizetype>> targets = m_archive.references(m_archive.field(object, key), &error);
        if (!targets) {
            *reason = QStringLiteral("%1: %2").arg(key, error);
            return std::nullopt;
        }
        for (qsizetype target : *targets)
            if (m_archive.className(target) != entity) {
                *reason =
                    text(QT_TRANSLATE_NOOP("VersionOneStore", "%1 refers to something other than a %2."))
                        .arg(key, entity);
                return std::nullopt;
            }
        return targets;
    }

    std::optional<Recipe> readRecipe(qsizetype object, QString* reason) const {
        Recipe recipe;
        if (!readAttributes(object, *m_model.entity(kRecipe), &recipe.values, reason))
            return std::nullopt;
        const std::optional<QList<qsizetype>> items =
            related(object, QStringLiteral("ingredient"), kIngredient, reason);
        if (!items)
            return std::nullopt;
        QSet<qsizetype> seen;
        for (qsizetype item : *items) {
            if (seen.contains(item))
                continue;
            seen.insert(item);
            QVariantMap values;
            if (!readAttributes(item, *m_model.entity(kIngredient), &values, reason))
                return std::nullopt;
            Ingredient ingredient;
            ingredient.position = values.take(QStringLiteral("position")).toLongLong();
            ingredient.isTitleItem = values.take(QStringLiteral("isTitleItem")).toBool();
            ingredient.values = values;
            recipe.ingredients.append(ingredient);
        }
        std::stable_sort(recipe.ingredients.begin(), recipe.ingredients.end(),
                         [](const Ingredient& a, const Ingredient& b) { return a.position < b.position; });
        return recipe;
    }

    bool readSource(qsizetype object, const QHash<qsizetype, int>& recipeIndex,
                    const QHash<qsizetype, int>& sourceIndex, Source* source, QString* reason) const {
        QVariantMap values;
        if (!readAttributes(object, *m_model.entity(kSource), &values, reason))
            return false;
        source->name = values.value(QStringLiteral("name")).toString();
        source->isSmartGroup = values.value(QStringLiteral("isSmartGroup")).toBool();
        source->priorityValue = values.value(QStringLiteral("priorityValue")).toLongLong();
        const std::optional<QList<qsizetype>> recipes =
            related(object, QStringLiteral("recipe"), kRecipe, reason);
        const std::optional<QList<qsizetype>> children =
            related(object, QStringLiteral("child"), kSource, reason);
        const std::optional<QList<qsizetype>> parent =
            related(object, QStringLiteral("parent"), kSource, reason);
        if (!recipes || !children || !parent)
            return false;
        for (qsizetype recipe : *recipes)
            if (recipeIndex.contains(recipe) && !source->recipes.contains(recipeIndex.value(recipe)))
                source->recipes.append(recipeIndex.value(recipe));
        for (qsizetype child : *children)
            if (child != object && !source->children.contains(sourceIndex.value(child)))
                source->children.append(sourceIndex.value(child));
        if (!parent->isEmpty() && parent->first() != object)
            source->parent = sourceIndex.value(parent->first());
        return true;
    }

    const KeyedArchive& m_archive;
    const DataModel& m_model;
    QSet<qsizetype> m_taken;
    QList<qsizetype> m_order;
};

} // namespace

ReadResult readStore(const QByteArray& bytes) {
    ReadResult result;
    const DataModel* model = versionOneModel();
    if (!model) {
        result.error =
            text(QT_TRANSLATE_NOOP("VersionOneStore", "The version-one data model could not be read."));
        return result;
    }
    QString error;
    const std::optional<KeyedArchive> archive = KeyedArchive::fromData(bytes, &error);
    if (!archive) {
        result.error = error;
        return result;
    }
    return StoreReader(*archive, *model).read();
}

} // namespace versionone
