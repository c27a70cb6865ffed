#include "ModelKeys.h"

#include "DataModel.h"
#include "ManagedObject.h"
#include "Predicate.h"

QString unknownKeyInPath(const QStringList& path, const EntityDescription& entity, const DataModel& model) {
    const EntityDescription* current = &entity;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QString& step = path.at(i);
        if (current->attribute(step) || derivedKeys(current->className).contains(step))
            return {};
        const RelationshipDescription* relationship = current->relationship(step);
        const EntityDescription* destination =
            relationship ? model.entity(relationship->destinationEntity) : nullptr;
        if (!destination)
            return path.mid(0, i + 1).join(QLatin1Char('.'));
        current = destination;
    }
    return {};
}

QString unknownKeyInPath(const QString& keyPath, const EntityDescription& entity, const DataModel& model) {
    return unknownKeyInPath(keyPath.split(QLatin1Char('.')), entity, model);
}

QString toManyKeyInPath(const QStringList& path, const EntityDescription& entity, const DataModel& model) {
    const EntityDescription* current = &entity;
    for (qsizetype i = 0; i < path.size() && current; ++i) {
        const RelationshipDescription* relationship = current->relationship(path.at(i));
        if (!relationship)
            return {};
        if (relationship->toMany)
            return path.mid(0, i + 1).join(QLatin1Char('.'));
        current = model.entity(relationship->destinationEntity);
    }
    return {};
}

QStringList toManyPathsReadAsOneValue(const Predicate& predicate, const EntityDescription& entity,
                                      const DataModel& model) {
    QStringList paths;
    for (const QStringList& path : predicate.keyPathsReadAsOneValue()) {
        const QString written = path.join(QLatin1Char('.'));
        if (!toManyKeyInPath(path, entity, model).isEmpty() && !paths.contains(written))
            paths.append(written);
    }
    return paths;
}

QStringList unknownKeys(const Predicate& predicate, const EntityDescription& entity, const DataModel& model) {
    QStringList unknown;
    for (const QStringList& path : predicate.keyPathsUsed()) {
        const QString key = unknownKeyInPath(path, entity, model);
        if (!key.isEmpty() && !unknown.contains(key))
            unknown.append(key);
    }
    return unknown;
}
