#include "RecordClasses.h"

#include "GroupsManagedObject.h"
#include "RecipesManagedObject.h"

void registerLibraryRecordClasses() {
    registerManagedObjectClass<RecipesManagedObject>(QStringLiteral("RecipesManagedObject"));
    registerDerivedKeys(QStringLiteral("RecipesManagedObject"), RecipesManagedObject::derivedKeyNames());
    registerManagedObjectClass<GroupsManagedObject>(QStringLiteral("GroupsManagedObject"));
}
