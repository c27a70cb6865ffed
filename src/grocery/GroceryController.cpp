#include "grocery/GroceryController.h"

#include "grocery/GroceryConsolidation.h"
#include "grocery/GroceryPage.h"
#include "grocery/GroceryRowMoves.h"
#include "library/GroupsManagedObject.h"
#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "measure/IngredientsSorter.h"
#include "measure/MeasurementsConverter.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/ObjectContext.h"
#include "platform/StructuredText.h"
#include "platform/UserDefaults.h"

#include <QSet>

namespace {

const QString kGroceryListDict = QStringLiteral("groceryListDict");
const QString kExcludedObjects = QStringLiteral("excludedObjects");
const QString kNeededItems = QStringLiteral("neededItems");
const QString kMyItems = QStringLiteral("myItems");
const QString kRecipe = QStringLiteral("recipe");
const QString kQuantity = QStringLiteral("quantity");
const QString kMeasurement = QStringLiteral("measurement");
const QString kName = QStringLiteral("name");
const QString kMethod = QStringLiteral("method");
const QString kCategory = QStringLiteral("category");
const QString kNeeded = QStringLiteral("needed");
const QString kIsRecipeTitle = QStringLiteral("isRecipeTitle");
const QString kPresentError = QStringLiteral("presentError");
const QString kUniqueID = QStringLiteral("uniqueID");

// Records are the same record when every key and value is equal; their text form is
// canonical (a dictionary's keys are written sorted), so it serves as a hash key.
QString recordKey(const QVariantMap& record) {
    return structuredTextFromValue(record);
}

QString text(const QVariantMap& record, const QString& key) {
    return record.value(key).toString();
}

bool isEditableField(const QString& key) {
    return key == kQuantity || key == kMeasurement || key == kName || key == kMethod;
}

} // namespace

GroceryController::GroceryController(LibrarySession& session, QObject* parent)
    : QObject(parent), m_session(session),
      m_converter(std::make_unique<MeasurementsConverter>(session.context())) {}

GroceryController::~GroceryController() = default;

void GroceryController::setGroceryList(GroupsManagedObject* list) {
    m_list = list;
    reload();
}

GroupsManagedObject* GroceryController::groceryList() const {
    return m_list;
}

QString GroceryController::title() const {
    return m_list ? m_list->stringValue(kName) : QString();
}

void GroceryController::reload() {
    m_categories.load(m_session.libraryPath());
    readDict();
    m_recipes = recipes();
    loadRecipeRows();
    loadMyItems();
    loadConsolidated();
    emit changed();
}

QList<ManagedObject*> GroceryController::recipes() const {
    if (!m_list)
        return {};
    QString error;
    QList<ManagedObject*> found = m_session.context()->executeFetchRequest(
        FetchRequest(QStringLiteral("Recipes"), m_list->predicate(), {SortDescriptor{kName, true, true}}),
        &error);
    if (!error.isEmpty())
        qWarning().noquote() << "the recipes of the grocery list could not be read:" << error;
    return found;
}

void GroceryController::readDict() {
    m_dict.clear();
    m_dictReadable = true;
    if (!m_list)
        return;
    const QString stored = m_list->stringValue(kGroceryListDict);
    if (stored.isEmpty())
        return;
    const QVariant parsed = valueFromStructuredText(stored);
    if (parsed.typeId() != QMetaType::QVariantMap) {
        qWarning("the grocery list's stored state could not be read; it is shown empty");
        m_dictReadable = false;
        return;
    }
    m_dict = parsed.toMap();
}

// The dictionaries stored under key; a value of another type reads as none.
QVariantList GroceryController::dictList(const QString& key) const {
    const QVariant value = m_dict.value(key);
    if (value.typeId() != QMetaType::QVariantList)
        return {};
    QVariantList records;
    for (const QVariant& entry : value.toList())
        if (entry.typeId() == QMetaType::QVariantMap)
            records.append(entry);
    return records;
}

bool GroceryController::writeDict(const QString& key, const QVariant& value) {
    if (!m_list)
        return false;
    m_dict.insert(key, value);
    m_dictReadable = true;
    m_list->setValueForKey(structuredTextFromValue(m_dict), kGroceryListDict);
    return m_session.save();
}

// --- Recipes tab ---------------------------------------------------------------------------

void GroceryController::loadRecipeRows() {
    m_recipeRows.clear();
    QSet<QString> excluded;
    for (const QVariant& record : dictList(kExcludedObjects))
        excluded.insert(recordKey(record.toMap()));
    for (ManagedObject* recipe : std::as_const(m_recipes)) {
        const QString uniqueID = recipe->stringValue(kUniqueID);
        GroceryRecipeRow title;
        title.isRecipeTitle = true;
        title.name = recipe->stringValue(kName);
        title.recipe = uniqueID;
        title.record = QVariantMap{{kName, title.name}, {kIsRecipeTitle, true}, {kRecipe, uniqueID}};
        m_recipeRows.append(title);
        for (const QVariant& entry : IngredientRecords::ingredientsOfRecipe(recipe)) {
            if (entry.typeId() != QMetaType::QVariantMap)
                continue;
            GroceryRecipeRow row;
            row.record = entry.toMap();
            row.record.insert(kRecipe, uniqueID);
            row.isGroupTitle = IngredientRecords::isGroupTitle(row.record);
            row.quantity = text(row.record, kQuantity);
            row.measurement = text(row.record, kMeasurement);
            row.name = text(row.record, kName);
            row.method = text(row.record, kMethod);
            row.recipe = uniqueID;
            row.isExcluded = !excluded.isEmpty() && excluded.contains(recordKey(row.record));
            m_recipeRows.append(row);
        }
    }
}

void GroceryController::setExcluded(const QList<int>& rows, bool excluded) {
    bool any = false;
    for (int row : rows) {
        if (row < 0 || row >= int(m_recipeRows.size()) || m_recipeRows.at(row).isRecipeTitle)
            continue;
        m_recipeRows[row].isExcluded = excluded;
        any = true;
    }
    if (!any)
        return;
    QVariantList stored;
    for (const GroceryRecipeRow& row : std::as_const(m_recipeRows))
        if (row.isExcluded)
            stored.append(row.record);
    writeDict(kExcludedObjects, stored);
    loadConsolidated();
    emit changed();
}

QList<int> GroceryController::extendedSelection(const QList<int>& rows) const {
    QSet<int> selected;
    for (int row : rows) {
        if (row < 0 || row >= int(m_recipeRows.size()))
            continue;
        selected.insert(row);
        if (!m_recipeRows.at(row).isGroupTitle)
            continue;
        for (int next = row + 1; next < int(m_recipeRows.size()); ++next) {
            const GroceryRecipeRow& following = m_recipeRows.at(next);
            if (following.isGroupTitle || following.isRecipeTitle)
                break;
            selected.insert(next);
        }
    }
    QList<int> result(selected.cbegin(), selected.cend());
    std::sort(result.begin(), result.end());
    return result;
}

// --- Own items -----------------------------------------------------------------------------

void GroceryController::loadMyItems() {
    m_myItems.clear();
    for (const QVariant& entry : dictList(kMyItems)) {
        GroceryItem item;
        item.record = entry.toMap();
        item.quantity = text(item.record, kQuantity);
        item.measurement = text(item.record, kMeasurement);
        item.name = text(item.record, kName);
        item.method = text(item.record, kMethod);
        m_myItems.append(item);
    }
}

void GroceryController::saveMyItems() {
    QVariantList stored;
    for (GroceryItem& item : m_myItems) {
        item.quantity = text(item.record, kQuantity);
        item.measurement = text(item.record, kMeasurement);
        item.name = text(item.record, kName);
        item.method = text(item.record, kMethod);
        stored.append(item.record);
    }
    writeDict(kMyItems, stored);
    emit changed();
}

int GroceryController::addItem(int index) {
    if (!m_list)
        return -1;
    GroceryItem item;
    item.record = QVariantMap{{kName, tr("New Item")},
                              {QStringLiteral("randomNumber"), IngredientRecords::newRandomNumber()}};
    const int row = index >= 0 && index <= int(m_myItems.size()) ? index : int(m_myItems.size());
    m_myItems.insert(row, item);
    saveMyItems();
    return row;
}

void GroceryController::setItemField(int index, const QString& key, const QString& value) {
    if (index < 0 || index >= int(m_myItems.size()) || !isEditableField(key))
        return;
    QVariantMap& record = m_myItems[index].record;
    record.insert(key, value);
    // As when a cell edit ends: fractions typed out, the measurement worded for the quantity.
    if (record.contains(kQuantity))
        record.insert(kQuantity, MeasurementsConverter::normalStringByConvertingGraphicalFractionsFromString(
                                     text(record, kQuantity)));
    const QString measurement = text(record, kMeasurement);
    if (!measurement.isEmpty()) {
        const QString preferred =
            m_converter->preferredMeasurementFromMeasurement(measurement, text(record, kQuantity));
        if (!preferred.isNull())
            record.insert(kMeasurement, preferred);
    }
    record.remove(kPresentError);
    saveMyItems();
}

void GroceryController::deleteItems(const QList<int>& indexes) {
    QList<int> rows = indexes;
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    bool any = false;
    for (int row : std::as_const(rows)) {
        if (row < 0 || row >= int(m_myItems.size()))
            continue;
        m_myItems.removeAt(row);
        any = true;
    }
    if (any)
        saveMyItems();
}

int GroceryController::addItemsFromText(const QString& text) {
    if (!m_list)
        return 0;
    const IngredientsSorter sorter(m_session.context(), m_session.libraryPath());
    const QVariantList records = sorter.sortedIngredientsFromString(text);
    for (const QVariant& record : records) {
        GroceryItem item;
        item.record = record.toMap();
        m_myItems.append(item);
    }
    if (!records.isEmpty())
        saveMyItems();
    return int(records.size());
}

QList<int> GroceryController::moveItems(const QList<int>& indexes, int dropRow) {
    const QList<int> moved = moveRowsToDropPosition(m_myItems, indexes, dropRow);
    if (!moved.isEmpty())
        saveMyItems();
    return moved;
}

// --- Consolidated tab ----------------------------------------------------------------------

void GroceryController::loadConsolidated() {
    m_consolidated.clear();
    QList<QVariantMap> rows;
    for (const GroceryRecipeRow& row : std::as_const(m_recipeRows))
        if (!row.isRecipeTitle && !row.isGroupTitle && !row.isExcluded)
            rows.append(row.record);
    GroceryConsolidation::consolidateIngredients(rows, *m_converter, m_categories);

    // A stored needed record ticks every row of its name and recipe.
    QSet<QString> needed;
    for (const QVariant& entry : dictList(kNeededItems)) {
        const QVariantMap record = entry.toMap();
        needed.insert(text(record, kName) + QChar(0) + text(record, kRecipe));
    }
    m_consolidated.reserve(rows.size());
    for (QVariantMap& record : rows) {
        if (!needed.isEmpty() && needed.contains(text(record, kName) + QChar(0) + text(record, kRecipe)))
            record.insert(kNeeded, true);
        GroceryConsolidatedRow row;
        row.record = std::move(record);
        m_consolidated.append(row);
        refreshConsolidatedRow(int(m_consolidated.size()) - 1);
    }
}

void GroceryController::refreshConsolidatedRow(int index) {
    GroceryConsolidatedRow& row = m_consolidated[index];
    row.quantity = text(row.record, kQuantity);
    row.measurement = text(row.record, kMeasurement);
    row.name = text(row.record, kName);
    row.method = text(row.record, kMethod);
    row.needed = structuredBoolValue(row.record.value(kNeeded));
    row.category = int(structuredIntegerValue(row.record.value(kCategory)));
    const QList<GroceryCategories::Category>& categories = m_categories.categories();
    if (row.category < 1 || row.category > int(categories.size()))
        row.category = 0;
    row.categoryName = row.category > 0 ? categories.at(row.category - 1).name : QString();
}

void GroceryController::saveConsolidated() {
    // Each row's aisle becomes its name's match (or the name's match goes), unless the side
    // files could not be read: they are then left as they are rather than emptied.
    bool matchesChanged = false;
    QVariantList needed;
    for (const GroceryConsolidatedRow& row : std::as_const(m_consolidated)) {
        if (m_categories.matchesWritable())
            matchesChanged = m_categories.setPositionForIngredient(row.name, row.category) || matchesChanged;
        if (row.needed)
            needed.append(row.record);
    }
    writeDict(kNeededItems, needed);
    if (matchesChanged) {
        QString error;
        if (!m_categories.saveMatches(&error))
            qWarning().noquote() << "error could not write the grocery category matches:" << error;
    }
    emit changed();
}

void GroceryController::setNeeded(int row, bool needed) {
    if (row < 0 || row >= int(m_consolidated.size()))
        return;
    m_consolidated[row].record.insert(kNeeded, needed);
    refreshConsolidatedRow(row);
    saveConsolidated();
}

void GroceryController::setAllNeeded(bool needed) {
    if (m_consolidated.isEmpty())
        return;
    for (int row = 0; row < int(m_consolidated.size()); ++row) {
        m_consolidated[row].record.insert(kNeeded, needed);
        refreshConsolidatedRow(row);
    }
    saveConsolidated();
}

QStringList GroceryController::categoryNames() const {
    return m_categories.categoryNames();
}

bool GroceryController::setCategory(int row, const QString& name) {
    if (name.isEmpty()) {
        setCategoryPosition(row, 0);
        return row >= 0 && row < int(m_consolidated.size());
    }
    const int position = m_categories.positionOfName(name);
    if (position == 0 || row < 0 || row >= int(m_consolidated.size()))
        return false;
    setCategoryPosition(row, position);
    return true;
}

void GroceryController::setCategoryPosition(int row, int position) {
    if (row < 0 || row >= int(m_consolidated.size()))
        return;
    if (position < 0 || position > int(m_categories.categories().size()))
        position = 0;
    // Every row of the name takes the aisle: the aisle belongs to the name, and a row of the
    // same name left behind would otherwise undo the match when the list is saved.
    const QString name = m_consolidated.at(row).name;
    for (int other = 0; other < int(m_consolidated.size()); ++other) {
        if (m_consolidated.at(other).name != name)
            continue;
        GroceryConsolidation::setCategoryPosition(m_consolidated[other].record, position);
        refreshConsolidatedRow(other);
    }
    saveConsolidated();
}

void GroceryController::setConsolidatedField(int row, const QString& key, const QString& value) {
    if (row < 0 || row >= int(m_consolidated.size()))
        return;
    if (key == kNeeded) {
        setNeeded(row, structuredBoolValue(value));
        return;
    }
    if (key == kCategory) {
        setCategoryPosition(row, int(structuredIntegerValue(value)));
        return;
    }
    if (!isEditableField(key))
        return;
    m_consolidated[row].record.insert(key, value);
    refreshConsolidatedRow(row);
    saveConsolidated();
}

void GroceryController::categoriesChanged() {
    loadConsolidated();
    emit changed();
}

// --- Printing and mail ---------------------------------------------------------------------

bool GroceryController::checkIfThereAreItemsToPrint() {
    readDict();
    loadMyItems();
    loadConsolidated();
    emit changed();
    if (!m_myItems.isEmpty())
        return true;
    for (const GroceryConsolidatedRow& row : std::as_const(m_consolidated))
        if (row.needed)
            return true;
    m_session.alerts().ask(
        tr("Unable to print/email ingredients because none are marked Needed."),
        tr("Check the \u201CNeeded\u201D checkbox for any ingredients you want to include from the "
           "Consolidated "
           "list.\n\nTip: Click on the word Needed in the header to check/uncheck all items."),
        {tr("OK")});
    return false;
}

QList<QVariantMap> GroceryController::printedItems() const {
    QList<QVariantMap> needed;
    for (const GroceryConsolidatedRow& row : m_consolidated)
        if (row.needed)
            needed.append(row.record);
    QList<QVariantMap> items;
    for (const GroceryItem& item : m_myItems)
        items.append(item.record);
    return GroceryPage::printedItems(needed, items);
}

QString GroceryController::htmlString() const {
    const QString key = QStringLiteral("displaySingleCharacterFractions");
    const bool singleCharacters = UserDefaults::hasKey(key) ? UserDefaults::boolForKey(key) : true;
    return GroceryPage::html(GroceryPage::pageTemplate(resourcesPath()), title(), printedItems(),
                             m_categories, singleCharacters);
}

QString GroceryController::emailSubject() const {
    return tr("%1 List - Larkspoon!").arg(title());
}

QString GroceryController::generatePlainTextEmail() const {
    return GroceryPage::plainText(title(), printedItems(), m_categories);
}
