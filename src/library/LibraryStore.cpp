#include "LibraryStore.h"

#include "RecordClasses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString libraryStorePath(const QString& libraryPath) {
    return libraryPath + QStringLiteral("/Library Database.SQL");
}

void prepareLibraryFolder(const QString& libraryPath) {
    QDir folder(libraryPath);
    if (!folder.exists())
        return;
    for (const char* name : {"Images", "XML_Rebuild", "Platefeeds"})
        folder.mkdir(QLatin1String(name));
    if (folder.exists(QStringLiteral("Grocery Categories.plist")))
        return;
    // The matches first: the categories file is what marks the pair as present.
    for (const char* name : {"Grocery Category Matches.plist", "Grocery Categories.plist"}) {
        const QString target = folder.filePath(QLatin1String(name));
        QFile::remove(target);
        if (!QFile::copy(resourcesPath() + QLatin1Char('/') + QLatin1String(name), target))
            qWarning("could not copy %s into the library", name);
        else
            QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                         QFile::ReadOther);
    }
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
                *error = QCoreApplication::translate("LibraryStore",
                                                     "The library folder \"%1\" could not be created.")
                             .arg(libraryPath);
            return nullptr;
        }
    } else if (!QFileInfo(libraryPath).isDir()) {
        if (error)
            *error = QCoreApplication::translate("LibraryStore", "There is no library at \"%1\".")
                         .arg(libraryPath);
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
