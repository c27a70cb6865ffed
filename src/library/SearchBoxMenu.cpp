#include "SearchBoxMenu.h"

#include "RecipesArrayController.h"
#include "RecipesManagedObject.h"
#include "platform/Scheduler.h"
#include "platform/TextFolding.h"

#include <QCoreApplication>
#include <QDebug>

#include <array>

namespace {

struct ScopeDescription {
    const char* menuText;
    std::vector<const char*> keys;
};

const std::array<ScopeDescription, SearchBoxMenu::ScopeCount>& scopes() {
    static const std::array<ScopeDescription, SearchBoxMenu::ScopeCount> table{{
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Entire Recipe"),
         {"name", "attribution", "cookingTime", "cuisine", "directions", "importedFromURL",
          "inactivePrepTime", "ingredientsArray", "keywords", "notes", "prepTime", "privateNotes",
          "recipeDescription", "yield"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Name"), {"name"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Attribution"), {"attribution"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Cooking Time"), {"cookingTime"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Cuisine"), {"cuisine"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Directions"), {"directions"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Import Address"), {"importedFromURL"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Inactive Prep Time"), {"inactivePrepTime"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Ingredients"), {"ingredientsArray"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Keywords"), {"keywords"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Notes"), {"notes"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Prep Time"), {"prepTime"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Private Notes"), {"privateNotes"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Description"), {"recipeDescription"}},
        {QT_TRANSLATE_NOOP("SearchBoxMenu", "Yield"), {"yield"}},
    }};
    return table;
}

bool validIndex(int index) {
    return index >= 0 && index < SearchBoxMenu::ScopeCount;
}

// The search part of a template: "(a contains[C] $value)" for one key, the keys'
// conditions joined by "or" inside one more pair of parentheses for several.
QString searchFormat(int index) {
    QStringList conditions;
    for (const char* key : scopes()[size_t(index)].keys)
        conditions.append(QStringLiteral("(%1 contains[C] $value)").arg(QLatin1String(key)));
    return conditions.size() == 1
               ? conditions.first()
               : QLatin1Char('(') + conditions.join(QLatin1String(" or ")) + QLatin1Char(')');
}

} // namespace

SearchBoxMenu::SearchBoxMenu(RecipesArrayController* controller, QObject* parent)
    : QObject(parent), m_controller(controller) {}

QString SearchBoxMenu::menuText(int index) {
    return validIndex(index) ? QCoreApplication::translate("SearchBoxMenu", scopes()[size_t(index)].menuText)
                             : QString();
}

QString SearchBoxMenu::untranslatedMenuText(int index) {
    return validIndex(index) ? QString::fromLatin1(scopes()[size_t(index)].menuText) : QString();
}

int SearchBoxMenu::indexOfScope(const QString& text) {
    for (int index = 0; index < ScopeCount; ++index)
        if (text == untranslatedMenuText(index) || text == menuText(index))
            return index;
    return -1;
}

QStringList SearchBoxMenu::searchedKeys(int index) {
    QStringList keys;
    if (validIndex(index))
        for (const char* key : scopes()[size_t(index)].keys)
            keys.append(QLatin1String(key));
    return keys;
}

QString SearchBoxMenu::filterTemplate(int index) {
    return validIndex(index) ? searchFormat(index) + QStringLiteral(" and (%@)") : QString();
}

PredicatePtr SearchBoxMenu::searchTemplate(int index) {
    // Parsed once per scope: each keystroke only binds $value in a copy.
    static const std::array<PredicatePtr, ScopeCount> parsed = [] {
        std::array<PredicatePtr, ScopeCount> out;
        for (int i = 0; i < ScopeCount; ++i) {
            const PredicateParseResult result = Predicate::parse(searchFormat(i));
            if (!result.ok())
                qWarning().noquote() << "search template could not be read:" << result.error;
            out[size_t(i)] = result.predicate;
        }
        return out;
    }();
    return validIndex(index) ? parsed[size_t(index)] : PredicatePtr();
}

PredicatePtr SearchBoxMenu::searchCondition(int index, const QString& text) {
    const PredicatePtr pattern = searchTemplate(index);
    if (!pattern || text.isEmpty())
        return {};
    return pattern->substitutingVariables({{QStringLiteral("value"), text}});
}

PredicatePtr SearchBoxMenu::searchPredicate(int index, const QString& text, const PredicatePtr& groupFilter) {
    if (!validIndex(index))
        return {};
    const PredicatePtr condition = searchCondition(index, text);
    if (!condition)
        return groupFilter ? groupFilter : Predicate::truePredicate();
    return Predicate::andPredicate({condition, groupFilter});
}

PredicatePtr SearchBoxMenu::searchPredicate(const QString& scope, const QString& text,
                                            const PredicatePtr& groupFilter) {
    return searchPredicate(indexOfScope(scope), text, groupFilter);
}

PredicatePtr SearchBoxMenu::predicate() const {
    // The recipe list stands for the whole own library while no group filter is set.
    const PredicatePtr groupFilter = m_controller && m_controller->filterPredicate()
                                         ? m_controller->filterPredicate()
                                         : RecipesManagedObject::ownLibraryPredicate();
    return searchPredicate(m_indexOfLastItem, m_searchString, groupFilter);
}

void SearchBoxMenu::chooseScope(int index) {
    if (!validIndex(index))
        return;
    const bool changed = index != m_indexOfLastItem;
    m_indexOfLastItem = index;
    if (changed)
        emit placeholderStringChanged(placeholderString());
    bind();
}

void SearchBoxMenu::setPredicates() {
    chooseScope(m_indexOfLastItem);
}

void SearchBoxMenu::setSearchString(const QString& text) {
    m_searchString = text;
    bind();
}

void SearchBoxMenu::sidebarSelectionChanged() {
    if (m_pendingRebind)
        Scheduler::instance().cancel(m_pendingRebind);
    m_pendingRebind = Scheduler::instance().schedule(
        0.5,
        [this] {
            m_pendingRebind = 0;
            setPredicates();
        },
        this);
}

void SearchBoxMenu::bind() {
    if (!m_controller)
        return;
    const PredicatePtr condition = searchCondition(m_indexOfLastItem, m_searchString);
    const PredicatePtr current = m_controller->searchPredicate();
    // Nothing to fetch again when the condition is the one the list already applies.
    if (condition == current || (condition && current && condition->isEqual(*current)))
        return;
    // More typed into the same scope: every record the new text finds holds the folded
    // old text too (the scopes search folded texts with contains[C]), so the list only
    // narrows what it shows.
    const QString foldedBefore = foldedText(m_boundText, false);
    const bool narrows = condition && current && current == m_boundCondition &&
                         m_boundIndex == m_indexOfLastItem && !foldedBefore.isEmpty() &&
                         foldedText(m_searchString, false).contains(foldedBefore);
    m_boundCondition = condition;
    m_boundIndex = m_indexOfLastItem;
    m_boundText = m_searchString;
    m_controller->setSearchPredicate(condition, narrows);
}
