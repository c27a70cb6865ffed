#include "RecordClasses.h"

#include "RecipesManagedObject.h"

void registerLibraryRecordClasses() {
    registerManagedObjectClass<RecipesManagedObject>(QStringLiteral("RecipesManagedObject"));
}
