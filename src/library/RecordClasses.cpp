#include "RecordClasses.h"

#include "GroupsManagedObject.h"
#include "RecipesManagedObject.h"

void registerLibraryRecordClasses() {
    registerManagedObjectClass<RecipesManagedObject>(QStringLiteral("RecipesManagedObject"));
    registerManagedObjectClass<GroupsManagedObject>(QStringLiteral("GroupsManagedObject"));
}
