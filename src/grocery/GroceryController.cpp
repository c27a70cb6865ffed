#include "grocery/GroceryController.h"

#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"

GroceryController::GroceryController(LibrarySession& session, QObject* parent)
    : QObject(parent), m_session(session) {}

GroceryController::~GroceryController() = default;

void GroceryController::setGroceryList(GroupsManagedObject* list) {
    m_list = list;
    reload();
}

GroupsManagedObject* GroceryController::groceryList() const {
    return m_list;
}

QString GroceryController::title() const {
    return m_list ? m_list->stringValue(QStringLiteral("name")) : QString();
}

void GroceryController::reload() {
    loadRecipeRows();
    loadMyItems();
    loadConsolidated();
    emit changed();
}

QList<ManagedObject*> GroceryController::recipes() const {
    return {};
}
void GroceryController::setExcluded(const QList<int>&, bool) {}
QList<int> GroceryController::extendedSelection(const QList<int>& rows) const {
    return rows;
}
int GroceryController::addItem(int) {
    return -1;
}
void GroceryController::setItemField(int, const QString&, const QString&) {}
void GroceryController::deleteItems(const QList<int>&) {}
int GroceryController::addItemsFromText(const QString&) {
    return 0;
}
QList<int> GroceryController::moveItems(const QList<int>&, int) {
    return {};
}
void GroceryController::setNeeded(int, bool) {}
void GroceryController::setAllNeeded(bool) {}
QStringList GroceryController::categoryNames() const {
    return {};
}
bool GroceryController::setCategory(int, const QString&) {
    return false;
}
void GroceryController::setCategoryPosition(int, int) {}
void GroceryController::setConsolidatedField(int, const QString&, const QString&) {}
bool GroceryController::checkIfThereAreItemsToPrint() {
    return false;
}
QString GroceryController::htmlString() const {
    return {};
}
QString GroceryController::emailSubject() const {
    return {};
}
QString GroceryController::generatePlainTextEmail() const {
    return {};
}
void GroceryController::loadRecipeRows() {
    m_recipeRows.clear();
}
void GroceryController::loadMyItems() {
    m_myItems.clear();
}
void GroceryController::loadConsolidated() {
    m_consolidated.clear();
}
bool GroceryController::writeDict(const QVariantMap&) {
    return false;
}
void GroceryController::saveConsolidated() {}
void GroceryController::saveMyItems() {}
