#pragma once

#include "platform/DataModel.h"
#include "platform/ObjectContext.h"

#include <memory>
#include <optional>

// The record store of a library folder: "Library Database.SQL" of the current data
// model "Larkspoon!_v2.3.mom".

inline const QString kApplicationModelVersion = QStringLiteral("2.3");

QString libraryStorePath(const QString& libraryPath);

// Gives a library folder what every start ensures: the folders "Images", "XML_Rebuild"
// and "Platefeeds", and, when "Grocery Categories.plist" is missing, the two grocery
// files copied from the resources. Failures are ignored: the library still opens.
void prepareLibraryFolder(const QString& libraryPath);

// The current data model, read once from the resources.
const DataModel* currentDataModel(QString* error = nullptr);

// Opens the store of the library folder; with create, makes the folder and an empty
// store stamped with the application's model version when they are absent.
std::unique_ptr<ObjectContext> openLibraryStore(const QString& libraryPath, bool create, QString* error);
