#include "LSVersionOneDataImporter.h"

#include "library/AppController.h"
#include "library/CoreDataController.h"
#include "library/GroupsManagedObject.h"
#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/Jpeg2000Decoder.h"
#include "platform/ObjectContext.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QtDebug>

namespace {

const QString kRecipes = QStringLiteral("Recipes");
const QString kGroups = QStringLiteral("Groups");
const QString kName = QStringLiteral("name");

// Version-one keys copied under the same name, and those that were renamed.
const QStringList kSameKeys = {
    QStringLiteral("name"),        QStringLiteral("recipeDescription"), QStringLiteral("directions"),
    QStringLiteral("cookingTime"), QStringLiteral("inactivePrepTime"),  QStringLiteral("prepTime"),
    QStringLiteral("yield"),       QStringLiteral("difficulty")};
const QList<std::pair<QString, QString>> kRenamedKeys = {
    {QStringLiteral("ethnicity"), QStringLiteral("cuisine")},
    {QStringLiteral("fromSource"), QStringLiteral("importedFromURL")},
    {QStringLiteral("origin"), QStringLiteral("attribution")}};
// Only a whole library carries these as the user's own.
const QStringList kLibraryKeys = {QStringLiteral("dateCreated"), QStringLiteral("hasBeenPrepared"),
                                  QStringLiteral("rating")};
const QStringList kTextDefaults = {QStringLiteral("name"),
                                   QStringLiteral("recipeDescription"),
                                   QStringLiteral("directions"),
                                   QStringLiteral("cookingTime"),
                                   QStringLiteral("cuisine"),
                                   QStringLiteral("attribution"),
                                   QStringLiteral("inactivePrepTime"),
                                   QStringLiteral("prepTime"),
                                   QStringLiteral("yield")};

// The picture as the library keeps it: JPEG as it is, JPEG 2000 and any other format Qt
// reads converted to JPEG; empty for data that is no picture.
QByteArray jpegData(const QByteArray& data) {
    const QImage image =
        Jpeg2000Decoder::isJpeg2000(data) ? Jpeg2000Decoder::decode(data) : QImage::fromData(data);
    if (image.isNull())
        return {};
    if (data.startsWith("\xFF\xD8\xFF"))
        return data;
    return PictureEncoding::jpegData(image, 90);
}

} // namespace

LSVersionOneDataImporter::LSVersionOneDataImporter(LibrarySession* session, ProgressView* progressView)
    : DialogWithProgressbarController(progressView),
      m_session(LibrarySession::require(session, "LSVersionOneDataImporter")) {}

LSVersionOneDataImporter::~LSVersionOneDataImporter() = default;

void LSVersionOneDataImporter::importDataFile(const QString& path) {
    if (!beginImportDataFile(path))
        return;
    while (importNextBatch(kImportBatchSize, true)) {
    }
}

bool LSVersionOneDataImporter::beginImportDataFile(const QString& path) {
    m_importedRecipes.clear();
    m_result = VersionOneImportResult();
    m_store.reset();
    restartEntries();
    openDialog(importingRecipesText(), 0);

    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        // Nothing to import: the dialog goes.
        m_result.readError = tr("There is no file at %1.").arg(path);
        closeDialogWindowLater(1.0);
        return false;
    }
    QString reason;
    if (file.size() > kMaxFileBytes)
        reason = tr("The file is too large to import.");
    else if (!file.open(QIODevice::ReadOnly))
        reason = unopenedText();
    if (!reason.isEmpty()) {
        refuseFile(path, reason);
        return false;
    }
    file.close();
    // The bar gets its maximum when the file has been read.
    startReading<versionone::ReadResult>(
        [path] {
            QFile worker(path);
            if (!worker.open(QIODevice::ReadOnly)) {
                versionone::ReadResult unopened;
                unopened.error = unopenedText();
                return unopened;
            }
            return versionone::readStore(worker.readAll());
        },
        [this, path](versionone::ReadResult read) {
            if (!read.ok()) {
                refuseFile(path, read.error);
                return false;
            }
            m_store = std::move(read.store);
            for (const versionone::Unreadable& entry : std::as_const(m_store->unreadable))
                m_result.skipped.append({entry.index, entry.reason});
            setMaximum(int(m_store->recipes.size()));
            return true;
        });
    return true;
}

QString LSVersionOneDataImporter::unopenedText() {
    return tr("The file could not be opened.");
}

// A file that is not a first-generation file, or cannot be read: nothing is imported, the
// dialog goes and an alert says why.
void LSVersionOneDataImporter::refuseFile(const QString& path, const QString& reason) {
    m_result.readError = tr("“%1” could not be read: %2").arg(QFileInfo(path).fileName(), reason);
    closeDialogWindow();
    m_session.alerts().ask(tr("“%1” could not be imported.").arg(QFileInfo(path).fileName()), reason,
                           {tr("OK")});
}

void LSVersionOneDataImporter::importEntry(int index) {
    const versionone::Recipe& recipe = m_store->recipes.at(index);
    importRecipe(recipe, index);
    advanceProgress(1);
    setHeaderText(tr("Importing: %1").arg(recipe.values.value(kName).toString()));
}

ManagedObject* LSVersionOneDataImporter::importRecipe(const versionone::Recipe& source, int index) {
    ManagedObject* recipe = m_session.context()->insertNewObject(kRecipes);
    m_importedRecipes.append(recipe);
    const QVariantMap& values = source.values;
    for (const QString& key : kSameKeys)
        if (values.contains(key))
            recipe->setValueForKey(values.value(key), key);
    for (const auto& [from, to] : kRenamedKeys)
        if (values.contains(from))
            recipe->setValueForKey(values.value(from), to);

    if (m_isLibraryFile) {
        for (const QString& key : kLibraryKeys)
            if (values.contains(key))
                recipe->setValueForKey(values.value(key), key);
        if (auto* record = dynamic_cast<RecipesManagedObject*>(recipe)) {
            for (const versionone::Source& group : std::as_const(m_store->sources))
                if (group.recipes.contains(index))
                    record->addKeyword(betterGroupNameFromName(group.name));
            record->removeKeyword(GroupsManagedObject::myRecipesName());
        }
    }

    if (values.contains(QStringLiteral("image")))
        storeImage(recipe, values.value(QStringLiteral("image")));

    QVariantList ingredients;
    for (const versionone::Ingredient& item : source.ingredients) {
        QVariantMap row = IngredientRecords::newIngredientRecord();
        for (auto it = item.values.cbegin(); it != item.values.cend(); ++it)
            row.insert(it.key(), it.value());
        if (item.isTitleItem) {
            row.insert(kName, item.values.value(QStringLiteral("quantity")).toString());
            row.remove(QStringLiteral("quantity"));
            row.insert(QStringLiteral("isGroupTitle"), true);
        }
        ingredients.append(row);
    }
    if (!ingredients.isEmpty())
        IngredientRecords::setIngredientsOfRecipe(recipe, ingredients);

    for (const QString& key : kTextDefaults)
        if (recipe->valueForKey(key).isNull())
            recipe->setValueForKey(QString(QLatin1String("")), key);
    for (const QString& key : {QStringLiteral("rating"), QStringLiteral("difficulty")})
        if (recipe->valueForKey(key).isNull())
            recipe->setValueForKey(0, key);
    return recipe;
}

void LSVersionOneDataImporter::storeImage(ManagedObject* recipe, const QVariant& image) {
    const QByteArray data = jpegData(image.toByteArray());
    auto* record = dynamic_cast<RecipesManagedObject*>(recipe);
    QString error;
    if (data.isEmpty()) {
        qWarning("LSVersionOneDataImporter: the image of a recipe is not a picture and was skipped");
        ++m_result.picturesSkipped;
        return;
    }
    // Pictures are flushed to disk together, once, before the store is saved.
    if (!record || !record->saveImage(data, 1, &error, RecipesManagedObject::ImageWrite::Staged)) {
        qWarning("LSVersionOneDataImporter: %s", qPrintable(error));
        ++m_result.picturesSkipped;
    }
}

QString LSVersionOneDataImporter::betterGroupNameFromName(const QString& name) {
    static const QHash<QString, QString> kRenamed = {
        {QStringLiteral("Breakfast & Brunch"), QStringLiteral("Breakfasts")},
        {QStringLiteral("Main Dish"), QStringLiteral("Main Courses")},
        {QStringLiteral("Salad"), QStringLiteral("Salads")},
        {QStringLiteral("Side Dish"), QStringLiteral("Side Dishes")},
        {QStringLiteral("Soup, Stew, etc."), QStringLiteral("Soups Stews etc.")},
        {QStringLiteral("Dips, Spreads"), QStringLiteral("Dips & Spreads")},
        {QStringLiteral("Fruit"), QStringLiteral("Fruits")},
        {QStringLiteral("Meat"), QStringLiteral("Meats")},
        {QStringLiteral("Sandwich"), QStringLiteral("Sandwiches")},
        {QStringLiteral("Stew"), QStringLiteral("Stews")},
        {QStringLiteral("Soup"), QStringLiteral("Soups")},
        {QStringLiteral("Cobblers etc."), QStringLiteral("Cobblers")},
        {QStringLiteral("Puddings etc."), QStringLiteral("Puddings")}};
    const auto renamed = kRenamed.constFind(name);
    if (renamed != kRenamed.cend())
        return *renamed;
    QString better = name;
    better.remove(QLatin1Char(','));
    return better;
}

GroupsManagedObject* LSVersionOneDataImporter::localGroupForName(const QString& name) {
    for (ManagedObject* group : m_session.context()->executeFetchRequest(FetchRequest(kGroups)))
        if (!group->isDeleted() && group->stringValue(kName) == name)
            if (auto* found = dynamic_cast<GroupsManagedObject*>(group))
                return found;
    auto* group = dynamic_cast<GroupsManagedObject*>(m_session.context()->insertNewObject(kGroups));
    if (!group)
        return nullptr;
    group->setSelectSelfOnInsert(false); // an import of many groups selects none of them
    group->setValueForKey(name, kName);
    ++m_result.groupsCreated;
    return group;
}

// The user's own groups of the file, three levels deep, under their current names. A group
// is never put under itself or one of its own descendants (a damaged file may say so).
void LSVersionOneDataImporter::rebuildGroupTree() {
    const QList<versionone::Source>& sources = m_store->sources;
    const auto isAncestorOrSelf = [](const ManagedObject* group, const ManagedObject* of) {
        for (int depth = 0; of && depth < 64; ++depth, of = of->relatedObject(QStringLiteral("parent")))
            if (of == group)
                return true;
        return false;
    };
    const auto attach = [&](int sourceIndex, GroupsManagedObject* parent) -> GroupsManagedObject* {
        if (sourceIndex < 0 || sourceIndex >= sources.size())
            return nullptr;
        const QString name = betterGroupNameFromName(sources.at(sourceIndex).name);
        if (name.isEmpty())
            return nullptr;
        GroupsManagedObject* group = localGroupForName(name);
        if (!group || isAncestorOrSelf(group, parent))
            return nullptr;
        group->setRelatedObject(parent, QStringLiteral("parent"));
        return group;
    };
    for (const versionone::Source& top : sources) {
        if (top.priorityValue != 99 || top.parent >= 0 || top.isSmartGroup)
            continue;
        const QString name = betterGroupNameFromName(top.name);
        if (name.isEmpty())
            continue;
        GroupsManagedObject* topGroup = localGroupForName(name);
        if (!topGroup)
            continue;
        for (int child : top.children) {
            GroupsManagedObject* childGroup = attach(child, topGroup);
            if (!childGroup)
                continue;
            for (int grandchild : sources.at(child).children)
                attach(grandchild, childGroup);
        }
    }
}

void LSVersionOneDataImporter::finishImport() {
    // Stopped while the file was read, there is no store and nothing was imported.
    if (m_isLibraryFile && m_store)
        rebuildGroupTree();
    m_store.reset();
    stopProgress();
    m_result.duplicates = resolveImportDuplicates(
        m_session.context(), m_importedRecipes, m_duplicatePolicy, *this, [this](ManagedObject* recipe) {
            if (auto* record = dynamic_cast<RecipesManagedObject*>(recipe))
                record->deleteImageAtIndex(1);
            m_session.context()->deleteObject(recipe);
        });
    if (!m_importedRecipes.isEmpty())
        RecipesManagedObject::syncImages(m_session.libraryPath());
    // The library's own save: it moves the staged pictures into "Images".
    if (!m_session.save()) {
        qWarning("LSVersionOneDataImporter: the library could not be saved after the import");
        m_result.saveError = tr("Unable to save changes to your library.");
    }
    QString finished = finishedImportingText(
        int(m_importedRecipes.size()), {{tr("not pictures Larkspoon! can show"), m_result.picturesSkipped}},
        0, m_result.cancelled);
    if (!m_result.skipped.isEmpty()) {
        finished.chop(1); // the full stop
        finished += m_result.skipped.size() == 1
                        ? tr("; 1 recipe could not be read.")
                        : tr("; %1 recipes could not be read.").arg(m_result.skipped.size());
    }
    setHeaderText(finished);
    if (!m_importedRecipes.isEmpty()) {
        RecipesArrayController& recipes = m_session.recipesArrayController();
        recipes.rearrangeObjects();
        if (m_selectNewImports)
            recipes.setSelectedObjects(m_importedRecipes);
    }
    closeDialogWindowLater(1.0);
}

// ---------------------------------------------------------------------------------------
// In the application

VersionOneImportOperation::VersionOneImportOperation(LibrarySession& session, ProgressView* progressView)
    : RecipeImportOperation(session), m_importer(&session, progressView) {}

VersionOneImportOperation* VersionOneImportOperation::start(LibrarySession& session, const QString& path,
                                                            bool isLibraryFile, ProgressView* progressView) {
    auto* operation = new VersionOneImportOperation(session, progressView);
    LSVersionOneDataImporter& importer = operation->m_importer;
    importer.setShowWindow(true);
    importer.setSelectNewImports(true);
    importer.setIsLibraryFile(isLibraryFile);
    importer.setDuplicatePolicy(DuplicatePolicy::Ask);
    operation->run(importer, importer, importer.beginImportDataFile(path));
    return operation;
}

void registerVersionOneDocumentHandlers(AppController* app, ProgressView* progressView) {
    if (!app)
        return;
    for (const bool isLibraryFile : {false, true})
        app->setDocumentHandler(isLibraryFile ? QStringLiteral("database") : QStringLiteral("Larkspoon!"),
                                [app, progressView, isLibraryFile](const QString& path) {
                                    if (LibrarySession* session = app->session())
                                        VersionOneImportOperation::start(*session, path, isLibraryFile,
                                                                         progressView);
                                    return true;
                                });
    app->setVersionOneDatabaseImporter(
        [progressView](LibrarySession& session, const QString& path, std::function<void()> finished) {
            VersionOneImportOperation* operation =
                VersionOneImportOperation::start(session, path, true, progressView);
            QObject::connect(operation, &RecipeImportOperation::finished, operation,
                             [finished = std::move(finished)](bool) {
                                 if (finished)
                                     finished();
                             });
        });
}
