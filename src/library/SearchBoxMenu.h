#pragma once

#include "platform/Predicate.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class RecipesArrayController;

// The search field's logic: which recipe field is searched (the scope chosen in the
// field's menu), the placeholder that names it, and the search condition handed to the
// recipe list.
//
// Each scope has a filter template "(<search condition>) and (%@)": the typed text takes
// the place of $value and the last (%@) is the selected group's filter. The recipe list
// already holds the group's filter (the sidebar sets it as its filter predicate), so this
// class hands it only the search condition (setSearchPredicate); the list shows the
// records matching both, which is the template filled in. An empty text imposes no
// condition at all. The typed text is always a value of the filter, never part of its text.
class SearchBoxMenu : public QObject {
    Q_OBJECT
public:
    // The menu items, in menu order.
    enum Scope {
        EntireRecipe,
        Name,
        Attribution,
        CookingTime,
        Cuisine,
        Directions,
        ImportAddress,
        InactivePrepTime,
        Ingredients,
        Keywords,
        Notes,
        PrepTime,
        PrivateNotes,
        Description,
        Yield,
        ScopeCount
    };

    // controller: the recipe list to narrow (may be null, e.g. in a test of the texts).
    explicit SearchBoxMenu(RecipesArrayController* controller, QObject* parent = nullptr);

    // The menu text of a scope, which is also the field's placeholder while it is chosen.
    static QString menuText(int index);
    // The English menu text, as the command-line tool names scopes.
    static QString untranslatedMenuText(int index);
    // The scope of a menu text (English or translated); -1 when there is none.
    static int indexOfScope(const QString& menuText);
    // The record keys the scope searches, in template order.
    static QStringList searchedKeys(int index);
    // The scope's filter template: "(... $value ...) and (%@)".
    static QString filterTemplate(int index);
    // The search condition alone, parsed once per scope, with $value still unbound.
    static PredicatePtr searchTemplate(int index);

    // The search condition for text: null when text is empty or the scope is unknown.
    static PredicatePtr searchCondition(int index, const QString& text);
    // The whole template filled in: (search condition) and (groupFilter). An empty text
    // gives the group's filter alone; a null groupFilter stands for no group condition.
    // Null for an unknown scope.
    static PredicatePtr searchPredicate(int index, const QString& text, const PredicatePtr& groupFilter);
    static PredicatePtr searchPredicate(const QString& scope, const QString& text,
                                        const PredicatePtr& groupFilter);

    int indexOfLastItem() const { return m_indexOfLastItem; }
    QString placeholderString() const { return menuText(m_indexOfLastItem); }
    const QString& searchString() const { return m_searchString; }

    // What the recipe list shows now: the search condition and the group's filter (the
    // list's filter predicate) together.
    PredicatePtr predicate() const;

    // Records the scope and binds the search to it.
    void chooseScope(int index);

    // The menu's actions, one per scope.
    void entireRecipeAction() { chooseScope(EntireRecipe); }
    void titleAction() { chooseScope(Name); }
    void attributionAction() { chooseScope(Attribution); }
    void cookingTimeAction() { chooseScope(CookingTime); }
    void cuisineAction() { chooseScope(Cuisine); }
    void directionsAction() { chooseScope(Directions); }
    void importURLAction() { chooseScope(ImportAddress); }
    void inactivePrepTimeAction() { chooseScope(InactivePrepTime); }
    void ingredientsArrayAction() { chooseScope(Ingredients); }
    void keywordTagsAction() { chooseScope(Keywords); }
    void notesAction() { chooseScope(Notes); }
    void prepTimeAction() { chooseScope(PrepTime); }
    void privateNotesAction() { chooseScope(PrivateNotes); }
    void recipeDescriptionAction() { chooseScope(Description); }
    void yieldAction() { chooseScope(Yield); }

    // Performs the item at indexOfLastItem again (rebinds to the current group).
    void setPredicates();

public slots:
    // The text in the field changed (each keystroke).
    void setSearchString(const QString& text);
    // The sidebar's selection changed: rebinds 0.5 s later (a later change restarts the wait).
    void sidebarSelectionChanged();

signals:
    // The chosen scope changed; the field shows the new placeholder.
    void placeholderStringChanged(const QString& placeholder);

private:
    void bind();

    QPointer<RecipesArrayController> m_controller;
    int m_indexOfLastItem = EntireRecipe;
    QString m_searchString;
    int m_pendingRebind = 0;
    // What was last handed to the list.
    PredicatePtr m_boundCondition;
    int m_boundIndex = -1;
    QString m_boundText;
};
