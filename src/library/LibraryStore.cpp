#include "LibraryStore.h"

#include "RecordClasses.h"

#include <QDir>
#include <QFileInfo>

QString libraryStorePath(const QString& libraryPath) {
    return libraryPath + QStringLiteral("/Library Database.SQL");
}

const DataModel* currentDataModel(QString* error) {
    static QString loadError;
    static const std::optional<DataModel> model = [] {
        registerLibraryRecordClasses();
        return DataModel::loadResource(QStringLiteral("Larkspoon!_v2.3.mom"), &loadError);
    }();
    if (!model && error)
        *error = loadError;
    return model ? &*model : nullptr;
}

std::unique_ptr<ObjectContext> openLibraryStore(const QString& libraryPath, bool create, QString* error) {
    const DataModel* model = currentDataModel(error);
    if (!model)
        return nullptr;
    if (create) {
        if (!QDir().mkpath(libraryPath)) {
            if (error)
                *error = QStringLiteral("The library folder \"%1\" could not be created.").arg(libraryPath);
            return nullptr;
        }
    } else if (!QFileInfo(libraryPath).isDir()) {
        if (error)
            *error = QStringLiteral("There is no library at \"%1\".").arg(libraryPath);
        return nullptr;
    }
    const QString storePath = libraryStorePath(libraryPath);
    const bool existed = QFileInfo::exists(storePath);
    StoreOptions options;
    options.createIfMissing = create;
    std::unique_ptr<ObjectContext> context = ObjectContext::open(storePath, *model, error, options);
    if (context && !existed) {
        QVariantMap metadata = context->metadata();
        metadata.insert(QStringLiteral("modelVersion"), kApplicationModelVersion);
        context->setMetadata(metadata);
        if (!context->save(error))
            return nullptr;
    }
    return context;
}
