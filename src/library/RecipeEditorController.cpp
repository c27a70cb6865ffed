#include "RecipeEditorController.h"

#include "AppController.h"
#include "CoreDataController.h"
#include "GroupsManagedObject.h"
#include "IngredientRecords.h"
#include "IngredientsTableModel.h"
#include "LibrarySession.h"
#include "RecipeEditorImages.h"
#include "RecipesArrayController.h"
#include "RecipesManagedObject.h"
#include "SidebarTreeController.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/StructuredText.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <string_view>
#include <unordered_set>

#include <cmath>

namespace {

const QString kCuisines = QStringLiteral("Cuisines.plist");
const QString kKeywords = QStringLiteral("Keywords.plist");
const QString kYields = QStringLiteral("Yields.plist");
const QString kAttributions = QStringLiteral("Attributions.plist");
const QString kTimes = QStringLiteral("Times.plist");
const QString kMeasurements = QStringLiteral("Measurements.plist");
const QString kIngredientTitles = QStringLiteral("IngredientTitles.plist");
const QString kMethods = QStringLiteral("Methods.plist");

// Distinct non-empty texts in first-seen order. A library repeats the same few words in
// thousands of recipes, so the seen set compares views of the texts kept, with a quick
// hash, instead of copying and hashing a string for every occurrence.
class DistinctTexts {
public:
    void add(const QString& text) {
        if (text.isEmpty() || m_seen.contains(viewOf(text)))
            return;
        m_values.append(text); // keeps the characters the view points at alive
        m_seen.insert(viewOf(m_values.constLast()));
    }
    void add(const QVariant& value) {
        if (value.typeId() == QMetaType::QString)
            add(*static_cast<const QString*>(value.constData()));
        else if (!value.isNull())
            add(value.toString());
    }
    QVariantList values() const {
        QVariantList list;
        list.reserve(m_values.size());
        for (const QString& value : m_values)
            list.append(value);
        return list;
    }

private:
    static std::u16string_view viewOf(const QString& text) {
        return {reinterpret_cast<const char16_t*>(text.constData()), size_t(text.size())};
    }

    std::unordered_set<std::u16string_view> m_seen;
    QStringList m_values;
};

bool isGroupKind(const GroupsManagedObject* group, SidebarTreeController::GroupKind kind) {
    return group && SidebarTreeController::kindOfGroup(group) == kind;
}

} // namespace

RecipeEditorController::RecipeEditorController(LibrarySession* session, QObject* parent)
    : QObject(parent), m_session(LibrarySession::require(session, "RecipeEditorController")),
      m_recipes(&m_session.recipesArrayController()), m_alerts(&m_session.alerts()),
      m_ingredients(new IngredientsTableModel(m_session.context(), this)) {
    m_ingredients->setLibraryPath(libraryPath());
}

RecipeEditorController::~RecipeEditorController() = default;

bool RecipeEditorController::usesMetricUnits() {
    return QLocale().measurementSystem() == QLocale::MetricSystem;
}

QString RecipeEditorController::degreeSymbol() {
    return usesMetricUnits() ? QStringLiteral("℃") : QStringLiteral("℉");
}

ObjectContext* RecipeEditorController::managedObjectContext() const {
    return m_recipes ? m_recipes->managedObjectContext() : nullptr;
}

QString RecipeEditorController::libraryPath() const {
    ObjectContext* context = managedObjectContext();
    return context ? QFileInfo(context->storePath()).absolutePath() : QString();
}

RecipesManagedObject* RecipeEditorController::recipe() const {
    return m_open ? m_recipe : nullptr;
}

// --- Opening --------------------------------------------------------------------------------

RecipesManagedObject* RecipeEditorController::createNewRecipe(Placement placement, bool setSelected) {
    ObjectContext* context = managedObjectContext();
    if (!context)
        return nullptr;
    auto* recipe = dynamic_cast<RecipesManagedObject*>(context->insertNewObject(QStringLiteral("Recipes")));
    if (!recipe)
        return nullptr;
    recipe->setValueForKey(true, QStringLiteral("isNewRecipe"));
    editRecipe(recipe, placement);
    if (setSelected) {
        m_recipes->rearrangeObjects();
        recipeArrayControllerSelectRecipe(recipe);
    }
    return recipe;
}

void RecipeEditorController::editRecipe(RecipesManagedObject* recipe, Placement placement) {
    if (!recipe)
        return;
    m_recipe = recipe;
    m_placement = placement;
    m_open = true;
    // The first save rebuilds the lists of earlier values from every listed recipe's rows;
    // reading them starts now, while the user types.
    warmIngredientTexts();
    GroupsManagedObject* group = m_selectedGroup ? m_selectedGroup() : nullptr;
    if (group && !group->boolValue(QStringLiteral("isGroceryList")))
        recipe->addKeyword(group->stringValue(QStringLiteral("name")));
    fillInValuesFromRecipe(recipe);
}

void RecipeEditorController::fillInValuesFromRecipe(RecipesManagedObject* recipe) {
    m_form = RecipeEditorForm();
    clearImageSlots();
    if (!recipe) {
        m_ingredients->fillInValuesFromRecipe(nullptr);
        emit formFilled();
        return;
    }
    auto text = [recipe](const char* key) { return recipe->stringValue(QString::fromLatin1(key)); };
    m_form.name = text("name");
    m_form.keywords = text("keywords").split(QLatin1Char(','), Qt::SkipEmptyParts);
    m_form.recipeDescription = text("recipeDescription");
    m_form.attribution = text("attribution");
    m_form.prepTime = text("prepTime");
    m_form.cookingTime = text("cookingTime");
    m_form.inactivePrepTime = text("inactivePrepTime");
    m_form.yield = text("yield");
    m_form.cuisine = text("cuisine");
    m_form.importedFromURL = text("importedFromURL");
    m_form.directions = text("directions");
    m_form.notes = text("notes");
    m_form.privateNotes = text("privateNotes");
    m_form.hasBeenPrepared = recipe->valueForKey(QStringLiteral("hasBeenPrepared")).toBool();
    m_form.rating = std::clamp(recipe->valueForKey(QStringLiteral("rating")).toDouble(), 0.0, 5.0);
    m_form.difficulty = std::clamp(recipe->valueForKey(QStringLiteral("difficulty")).toDouble(), 0.0, 3.0);
    for (int number = 1; number <= kImageWellCount; ++number) {
        const QString path = recipe->imagePathAtIndex(number);
        if (!path.isEmpty() && QFileInfo::exists(path))
            m_slots[number - 1].image = QImage(path);
    }
    m_ingredients->fillInValuesFromRecipe(recipe);
    emit formFilled();
    rememberFormAsLoaded();
}

void RecipeEditorController::rememberFormAsLoaded() {
    // The window's fields hold what was loaded in their own form (directions written back
    // by the text view, levels as whole numbers): that is what later edits are compared with.
    if (m_commitForm)
        m_commitForm();
    takeSnapshot();
}

void RecipeEditorController::takeSnapshot() {
    m_loadedForm = m_form;
    m_loadedRows = m_ingredients->contextArray();
    for (int i = 0; i < kImageWellCount; ++i)
        m_loadedPictures[i] = !m_slots[i].image.isNull();
}

namespace {

// Rows without the failure mark, which ending an edit removes without changing the row.
QVariantList rowsWithoutMarks(const QVariantList& rows) {
    QVariantList plain;
    plain.reserve(rows.size());
    for (const QVariant& entry : rows) {
        if (entry.typeId() != QMetaType::QVariantMap) {
            plain.append(entry);
            continue;
        }
        QVariantMap row = entry.toMap();
        row.remove(QStringLiteral("presentError"));
        plain.append(row);
    }
    return plain;
}

} // namespace

bool RecipeEditorController::hasChanges() {
    if (!recipe())
        return false;
    if (m_commitForm)
        m_commitForm();
    if (!(m_form == m_loadedForm) ||
        rowsWithoutMarks(m_ingredients->contextArray()) != rowsWithoutMarks(m_loadedRows))
        return true;
    for (int i = 0; i < kImageWellCount; ++i) {
        const ImageSlot& slot = m_slots[i];
        // Emptying a well that was empty already changes nothing.
        if (slot.save || (slot.remove && m_loadedPictures[i]))
            return true;
    }
    return false;
}

// --- Pictures -------------------------------------------------------------------------------

void RecipeEditorController::clearImageSlots() {
    m_slots = {};
}

QImage RecipeEditorController::wellImage(int number) const {
    return number >= 1 && number <= kImageWellCount ? m_slots[number - 1].image : QImage();
}

bool RecipeEditorController::hasPendingImageSave(int number) const {
    return number >= 1 && number <= kImageWellCount && m_slots[number - 1].save;
}

bool RecipeEditorController::hasPendingImageDelete(int number) const {
    return number >= 1 && number <= kImageWellCount && m_slots[number - 1].remove;
}

void RecipeEditorController::addImage(int number, const QImage& image) {
    if (number < 1 || number > kImageWellCount)
        return;
    ImageSlot& slot = m_slots[number - 1];
    slot.image = image;
    if (image.isNull()) {
        slot.pending.clear();
        slot.save = false;
        slot.remove = true;
        return;
    }
    slot.pending = RecipeEditorImages::jpegDataForWellImage(image);
    slot.save = !slot.pending.isEmpty();
    // A picture that cannot be encoded changes nothing: the stored picture stays.
    slot.remove = false;
    if (!slot.save)
        qWarning("error could not encode the picture of image well %d", number);
}

bool RecipeEditorController::addImageForIndex(int number) {
    if (number < 1 || number > kImageWellCount)
        return false;
    const QImage image(AppController::applicationSupportFolder() +
                       QStringLiteral("/WebImportImage%1.jpg").arg(number));
    if (image.isNull())
        return false;
    addImage(number, image);
    emit wellImageChanged(number);
    return true;
}

// --- Saving and leaving ---------------------------------------------------------------------

bool RecipeEditorController::saveLibrary() {
    return m_session.save();
}

void RecipeEditorController::saveRecipeState() {
    RecipesManagedObject* recipe = this->recipe();
    if (!recipe)
        return;
    if (m_commitForm)
        m_commitForm();
    // What the form writes into the record undoes as one step, "Typing".
    UndoManager* undo = managedObjectContext() ? managedObjectContext()->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    recipe->setValueForKey(Scheduler::instance().now(), QStringLiteral("dateUpdated"));
    recipe->setValueForKey(false, QStringLiteral("isNewRecipe"));
    auto set = [recipe](const QString& value, const char* key) {
        recipe->setValueForKey(value, QString::fromLatin1(key));
    };
    set(m_form.name, "name");
    set(m_form.keywords.join(QLatin1Char(',')), "keywords");
    set(m_form.recipeDescription, "recipeDescription");
    set(m_form.attribution, "attribution");
    set(m_form.prepTime, "prepTime");
    set(m_form.cookingTime, "cookingTime");
    set(m_form.inactivePrepTime, "inactivePrepTime");
    set(m_form.yield, "yield");
    set(m_form.cuisine, "cuisine");
    set(m_form.importedFromURL, "importedFromURL");
    set(m_form.directions, "directions");
    set(m_form.notes, "notes");
    set(m_form.privateNotes, "privateNotes");
    recipe->setValueForKey(m_form.hasBeenPrepared, QStringLiteral("hasBeenPrepared"));
    recipe->setValueForKey(qint64(std::trunc(std::clamp(m_form.rating, 0.0, 5.0))), QStringLiteral("rating"));
    recipe->setValueForKey(qint64(std::trunc(std::clamp(m_form.difficulty, 0.0, 3.0))),
                           QStringLiteral("difficulty"));

    for (int number = 1; number <= kImageWellCount; ++number) {
        const ImageSlot& slot = m_slots[number - 1];
        if (slot.save && !slot.pending.isEmpty()) {
            QString error;
            if (!recipe->saveImage(slot.pending, number, &error))
                qWarning("error could not save image %d: %s", number, qPrintable(error));
        }
    }
    for (int number = 1; number <= kImageWellCount; ++number)
        if (m_slots[number - 1].remove)
            recipe->deleteImageAtIndex(number);
    for (ImageSlot& slot : m_slots) {
        slot.pending.clear();
        slot.save = slot.remove = false;
    }

    m_ingredients->saveIngredients(recipe);
    if (undo) {
        undo->setActionName(tr("Typing"));
        undo->endUndoGrouping();
    }
    resetAutoFillValues();
    saveLibrary();
    // What was saved is what leaving compares with from now on.
    takeSnapshot();
}

void RecipeEditorController::saveButtonAction() {
    RecipesManagedObject* recipe = this->recipe();
    if (!recipe)
        return;
    saveRecipeState();
    emit closeAuxiliaryPanels();
    m_recipes->rearrangeObjects();
    recipeArrayControllerSelectRecipe(recipe);
    closeEditor(true);
}

void RecipeEditorController::cancelButtonAction() {
    RecipesManagedObject* recipe = this->recipe();
    if (!recipe)
        return;
    emit closeAuxiliaryPanels();
    if (m_placement != Placement::FullScreenPanel &&
        recipe->valueForKey(QStringLiteral("isNewRecipe")).toBool()) {
        managedObjectContext()->deleteObject(recipe);
        m_recipes->rearrangeObjects();
        emit recipesChanged();
    }
    closeEditor(false);
}

bool RecipeEditorController::closeBeforeQuitting() {
    if (!recipe())
        return true;
    if (m_commitForm)
        m_commitForm();
    return askToSaveAndClose();
}

bool RecipeEditorController::cancelAskingToSaveChanges() {
    if (!recipe())
        return true;
    if (!hasChanges()) {
        cancelButtonAction();
        return true;
    }
    return askToSaveAndClose();
}

bool RecipeEditorController::askToSaveAndClose() {
    const QString name = m_form.name.trimmed();
    const QString message = name.isEmpty()
                                ? tr("Do you want to save the recipe you are editing?")
                                : tr("Do you want to save the changes you made to “%1”?").arg(name);
    const int answer = m_alerts
                           ? m_alerts->ask(message, tr("Your changes will be lost if you don't save them."),
                                           {tr("Save"), tr("Cancel"), tr("Don't Save")})
                           : 0;
    if (answer == 1)
        return false;
    if (answer == 0)
        saveButtonAction();
    else
        cancelButtonAction();
    return true;
}

void RecipeEditorController::closeEditor(bool saved) {
    m_open = false;
    m_recipe = nullptr;
    m_form = RecipeEditorForm();
    clearImageSlots();
    takeSnapshot();
    emit editorClosed(saved);
}

RecipesManagedObject* RecipeEditorController::duplicateRecipeForScalingAssistant() {
    ObjectContext* context = managedObjectContext();
    RecipesManagedObject* original = recipe();
    if (!context || !original)
        return nullptr;
    auto* duplicate =
        dynamic_cast<RecipesManagedObject*>(context->insertNewObject(QStringLiteral("Recipes")));
    if (!duplicate)
        return nullptr;
    m_recipe = duplicate;
    IngredientRecords::setIngredientsOfRecipe(duplicate, m_ingredients->contextArray());
    m_ingredients->fillInValuesFromRecipe(duplicate);
    duplicate->setValueForKey(true, QStringLiteral("isNewRecipe"));
    // Every well becomes a pending change of the new record. A picture the user did not
    // touch keeps the bytes of its file instead of being compressed a second time.
    for (int number = 1; number <= kImageWellCount; ++number) {
        ImageSlot& slot = m_slots[number - 1];
        if (slot.save)
            continue; // already waiting to be written
        if (slot.image.isNull()) {
            addImage(number, slot.image);
            continue;
        }
        QFile file(original->imagePathAtIndex(number));
        if (file.open(QIODevice::ReadOnly)) {
            slot.pending = file.readAll();
            slot.save = !slot.pending.isEmpty();
            slot.remove = false;
        }
        if (!slot.save)
            addImage(number, slot.image);
    }
    return duplicate;
}

// --- Deleting -------------------------------------------------------------------------------

bool RecipeEditorController::deleteRecipes(const QList<ManagedObject*>& recipes, bool ask) {
    if (recipes.isEmpty())
        return false;
    if (!ask || !m_alerts) {
        removeRecipesFromLibrary(recipes);
        return true;
    }
    using Kind = SidebarTreeController::GroupKind;
    GroupsManagedObject* group = m_selectedGroup ? m_selectedGroup() : nullptr;
    const bool one = recipes.size() == 1;
    const QString name = one ? recipes.first()->stringValue(QStringLiteral("name")) : QString();
    const int count = int(recipes.size());

    if (isGroupKind(group, Kind::Group)) {
        const QList<ManagedObject*> children = group->relatedObjects(QStringLiteral("children"));
        QString message;
        if (one)
            message = children.isEmpty() ? tr("Would you like to remove “%1” from this group, or "
                                              "delete it from your library?")
                                               .arg(name)
                                         : tr("Would you like to remove “%1” from this group and "
                                              "and its subgroups, or delete "
                                              "it "
                                              "from your library?")
                                               .arg(name);
        else
            message = children.isEmpty()
                          ? tr("Would you like to remove these %1 recipes from this group, or delete "
                               "them from your library?")
                                .arg(count)
                          : tr("Would you like to remove these %1 recipes from this group and its "
                               "subgroups, or delete them from your library?")
                                .arg(count);
        const int answer = m_alerts->ask(message, QString(),
                                         {tr("Remove From Group"), tr("Cancel"), tr("Delete From Library")});
        if (answer == 0) {
            QStringList names{group->stringValue(QStringLiteral("name"))};
            for (ManagedObject* child : children)
                names.append(child->stringValue(QStringLiteral("name")));
            inOneUndoStep(tr("Remove From Group"), [&] {
                for (ManagedObject* object : recipes)
                    if (auto* recipe = dynamic_cast<RecipesManagedObject*>(object))
                        for (const QString& keyword : names)
                            recipe->removeKeyword(keyword);
            });
            m_recipes->rearrangeObjects();
            emit recipesChanged();
            return true;
        }
        if (answer != 2)
            return false;
        removeRecipesFromLibrary(recipes);
        return true;
    }

    if (isGroupKind(group, Kind::GroceryList)) {
        const QString message =
            one ? tr("Are you sure you want to remove “%1” from your grocery list?").arg(name)
                : tr("Are you sure you want to remove the %1 selected recipes from your grocery list?")
                      .arg(count);
        if (m_alerts->ask(message, QString(), {tr("Remove From Grocery List"), tr("Cancel")}) != 0)
            return false;
        inOneUndoStep(tr("Remove From Grocery List"), [&] {
            for (ManagedObject* recipe : recipes)
                group->groceryListRemoveRecipe(recipe);
        });
        m_recipes->rearrangeObjects();
        emit recipesChanged();
        return true;
    }

    if (isGroupKind(group, Kind::SubscribedPlatefeed)) {
        const QString message =
            one ? tr("Are you sure you want to remove “%1” and no longer receive updates to it?").arg(name)
                : tr("Are you sure you want to remove the %1 selected recipes and no longer receive updates "
                     "to them?")
                      .arg(count);
        const QString informative =
            tr("This will stop your library from receiving updates to this recipe. You can "
               "undo this by right-clicking and resetting this Platefeed.");
        if (m_alerts->ask(message, informative, {tr("Delete"), tr("Cancel")}) != 0)
            return false;
        if (m_unsubscribe)
            m_unsubscribe(recipes);
        removeRecipesFromLibrary(recipes);
        return true;
    }

    // "My Recipes", a smart group, or no group at all: the recipes leave the library.
    const QString message = one ? tr("Are you sure you want to delete “%1”?").arg(name)
                                : tr("Are you sure you want to delete the %1 selected recipes?").arg(count);
    // Said only when it is true: where Edit › Undo brings deleted recipes back (their
    // pictures kept until the undo history ends), the alert says so instead.
    const QString informative = m_session.store().deletionsCanBeUndone()
                                    ? tr("You can undo this with Edit › Undo.")
                                    : tr("This action can't be undone.");
    if (m_alerts->ask(message, informative, {tr("Delete From Library"), tr("Cancel")}) != 0)
        return false;
    removeRecipesFromLibrary(recipes);
    return true;
}

void RecipeEditorController::inOneUndoStep(const QString& name, const std::function<void()>& work) {
    if (ObjectContext* context = managedObjectContext())
        context->undoManager()->runAsOneStep(name, work);
    else
        work();
}

void RecipeEditorController::removeRecipesFromLibrary(const QList<ManagedObject*>& recipes) {
    ObjectContext* context = managedObjectContext();
    if (!context)
        return;
    m_session.markRecipesForDelete(recipes);
    inOneUndoStep(recipes.size() == 1 ? tr("Delete Recipe") : tr("Delete Recipes"), [&] {
        for (ManagedObject* recipe : recipes)
            context->deleteObject(recipe);
    });
    m_recipes->rearrangeObjects();
    emit recipesChanged();
}

// --- Auto-fill lists ------------------------------------------------------------------------

QStringList RecipeEditorController::autoFillFileNames() {
    return {kCuisines, kKeywords, kYields, kAttributions, kTimes, kMeasurements, kIngredientTitles, kMethods};
}

RecipeEditorController::IngredientTexts RecipeEditorController::ingredientTextsOf(const QString& stored) {
    IngredientTexts texts{stored, {}};
    const QVariant rows = valueFromStructuredText(stored);
    if (rows.typeId() == QMetaType::QVariantList)
        for (const QVariant& row : rows.toList())
            for (const char* key : {"measurement", "name", "method"})
                texts.values.append(IngredientRecords::textForKey(row, QLatin1String(key)));
    return texts;
}

void RecipeEditorController::warmIngredientTexts() {
    if (m_warming.valid() || !m_ingredientTexts.isEmpty() || !m_recipes ||
        !UserDefaults::boolForKey(QStringLiteral("addRecipeDataToAutofillValues")))
        return;
    // The stored texts are copied here, on the main thread; the worker only reads them
    // and never touches a record (the records serve as keys only).
    QList<std::pair<const ManagedObject*, QString>> stored;
    stored.reserve(m_recipes->arrangedObjects().size());
    for (const ManagedObject* recipe : m_recipes->arrangedObjects())
        stored.append({recipe, recipe->stringValue(QStringLiteral("ingredientsArray"))});
    m_warming = std::async(std::launch::async, [stored = std::move(stored)] {
        QHash<const ManagedObject*, IngredientTexts> read;
        read.reserve(stored.size());
        for (const auto& [recipe, text] : stored)
            read.insert(recipe, ingredientTextsOf(text));
        return read;
    });
}

void RecipeEditorController::resetAutoFillValues() {
    const QString folder = libraryPath();
    if (folder.isEmpty() || !m_recipes)
        return;
    const bool collectIngredients = UserDefaults::boolForKey(QStringLiteral("addRecipeDataToAutofillValues"));
    if (m_warming.valid())
        m_ingredientTexts.insert(m_warming.get());
    DistinctTexts cuisines, keywords, yields, attributions, times, measurements, titles, methods;
    QHash<const ManagedObject*, IngredientTexts> readTexts;
    // Attribute positions, looked up once rather than by name for every recipe.
    const QList<ManagedObject*>& listed = m_recipes->arrangedObjects();
    const EntityDescription* entity = listed.isEmpty() ? nullptr : &listed.first()->entity();
    auto index = [entity](const char* key) {
        return entity ? entity->attributeIndex(QLatin1String(key)) : -1;
    };
    const int platefeed = index("platefeedPredicateKey"), cuisine = index("cuisine"),
              keywordsKey = index("keywords"), yield = index("yield"), attribution = index("attribution"),
              prepTime = index("prepTime"), cookingTime = index("cookingTime"),
              inactivePrepTime = index("inactivePrepTime"), ingredients = index("ingredientsArray");
    auto value = [](const ManagedObject* recipe, int attribute) {
        return attribute >= 0 ? recipe->attributeValue(attribute) : QVariant();
    };
    for (ManagedObject* recipe : listed) {
        if (recipe->isDeleted() || !value(recipe, platefeed).isNull())
            continue;
        cuisines.add(value(recipe, cuisine));
        for (const QString& keyword : value(recipe, keywordsKey).toString().split(QLatin1Char(',')))
            keywords.add(keyword);
        yields.add(value(recipe, yield));
        attributions.add(value(recipe, attribution));
        times.add(value(recipe, prepTime));
        times.add(value(recipe, cookingTime));
        times.add(value(recipe, inactivePrepTime));
        if (!collectIngredients)
            continue;
        // Reading a recipe's rows is most of the work: the texts of rows read before are
        // kept with the stored text they came from and read again only when it changed.
        const QString stored = value(recipe, ingredients).toString();
        IngredientTexts texts = m_ingredientTexts.take(recipe);
        if (texts.source != stored)
            texts = ingredientTextsOf(stored);
        for (qsizetype i = 0; i + 2 < texts.values.size(); i += 3) {
            measurements.add(texts.values.at(i));
            titles.add(texts.values.at(i + 1));
            methods.add(texts.values.at(i + 2));
        }
        readTexts.insert(recipe, std::move(texts));
    }
    // Recipes no longer listed drop out of the kept texts.
    m_ingredientTexts = std::move(readTexts);
    const QList<std::pair<QString, const DistinctTexts*>> lists = {
        {kCuisines, &cuisines},         {kKeywords, &keywords}, {kYields, &yields},
        {kAttributions, &attributions}, {kTimes, &times},       {kMeasurements, &measurements},
        {kIngredientTitles, &titles},   {kMethods, &methods}};
    for (const auto& [fileName, values] : lists) {
        QString error;
        if (!writePropertyListFile(values->values(), folder + QLatin1Char('/') + fileName, &error))
            qWarning("error could not write %s: %s", qPrintable(fileName), qPrintable(error));
    }
}

QStringList RecipeEditorController::autoFillValues(const QString& fileName) const {
    const QString folder = libraryPath();
    if (folder.isEmpty())
        return {};
    const PropertyListResult result = readPropertyListFile(folder + QLatin1Char('/') + fileName);
    QStringList values;
    if (result.ok() && result.value.typeId() == QMetaType::QVariantList)
        for (const QVariant& value : result.value.toList())
            if (value.typeId() == QMetaType::QString && !value.toString().isEmpty())
                values.append(value.toString());
    values.sort(Qt::CaseInsensitive);
    return values;
}

void RecipeEditorController::recipeArrayControllerSelectRecipe(ManagedObject* recipe) {
    if (m_recipes && recipe)
        m_recipes->setSelectedObjects({recipe});
}
