// The search field, smart-group rules and the group editor on a real library store.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "library/GroupEditorController.h"
#include "library/GroupsManagedObject.h"
#include "library/LibraryStore.h"
#include "library/PreferencesController.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/SearchBoxMenu.h"
#include "library/SmartGroupRules.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

using Row = SmartGroupRules::Row;
using Op = SmartGroupRules::Operator;

class SearchTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    std::unique_ptr<ObjectContext> m_context;
    ScriptedAlerts m_alerts;
    std::unique_ptr<RecipesArrayController> m_list;
    std::unique_ptr<GroupEditorController> m_editor;
    GroupsManagedObject* m_myRecipes = nullptr;

    void SetUp() override {
        QString error;
        m_context = openLibraryStore(m_dir.filePath(QStringLiteral("Search.library")), true, &error);
        ASSERT_TRUE(m_context) << error.toStdString();
        m_list = std::make_unique<RecipesArrayController>(m_context.get());
        m_editor = std::make_unique<GroupEditorController>(m_context.get(), m_list.get(), &m_alerts);
        m_myRecipes = m_editor->createNewGroup(GroupsManagedObject::myRecipesName());
        m_myRecipes->setValueForKey(true, QStringLiteral("isLocalLibrary"));
    }
    RecipesManagedObject* recipe(const QString& name, const QVariantMap& values = {}) {
        return testsupport::insertRecipe(m_context.get(), name, values);
    }
    QStringList shown(const PredicatePtr& filter) {
        return testsupport::recipeNamesMatching(m_context.get(), filter);
    }
    QStringList listed() {
        QStringList names;
        for (ManagedObject* r : m_list->arrangedObjects())
            names.append(r->stringValue(QStringLiteral("name")));
        names.sort();
        return names;
    }
    QStringList smartGroupShows(const QList<Row>& rows,
                                SmartGroupRules::Compound compound = SmartGroupRules::Compound::All) {
        return shown(
            m_editor->createNewSmartGroup(QStringLiteral("Smart"), SmartGroupRules::ruleText(rows, compound))
                ->predicate());
    }
};

TEST_F(SearchTest, SmartGroupRulesSelectTheRecipesTheySay) {
    for (int rating = 0; rating <= 5; ++rating)
        recipe(QStringLiteral("r%1").arg(rating), {{QStringLiteral("rating"), rating}});
    EXPECT_EQ(smartGroupShows({{QStringLiteral("Rating"), Op::IsGreaterThan, QStringLiteral("3")}}),
              (QStringList{QStringLiteral("r4"), QStringLiteral("r5")}));

    // Not prepared includes recipes that never had the flag set.
    recipe(QStringLiteral("made"), {{QStringLiteral("hasBeenPrepared"), 1}, {QStringLiteral("rating"), 5}});
    recipe(QStringLiteral("unmade"), {{QStringLiteral("hasBeenPrepared"), 0}, {QStringLiteral("rating"), 5}});
    EXPECT_EQ(smartGroupShows({{QStringLiteral("Has Been Prepared"), Op::Is, QStringLiteral("No")},
                               {QStringLiteral("Rating"), Op::Is, QStringLiteral("5")}}),
              (QStringList{QStringLiteral("r5"), QStringLiteral("unmade")}));

    // Ingredients "does not contain" egg anywhere in the ingredient text.
    for (ManagedObject* r : m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))))
        m_context->deleteObject(r);
    recipe(QStringLiteral("omelette"),
           {{QStringLiteral("ingredientsArray"), QStringLiteral("({name = \"3 Eggs\";})")}});
    recipe(QStringLiteral("eggplant"),
           {{QStringLiteral("ingredientsArray"), QStringLiteral("({name = eggplant;})")}});
    recipe(QStringLiteral("salad"),
           {{QStringLiteral("ingredientsArray"), QStringLiteral("({name = lettuce;})")}});
    recipe(QStringLiteral("bare"));
    EXPECT_EQ(smartGroupShows({{QStringLiteral("Ingredients"), Op::DoesNotContain, QStringLiteral("egg")}}),
              (QStringList{QStringLiteral("bare"), QStringLiteral("salad")}));

    // Groupless is a substring test: "soups" is not groupless while a group "soup" exists.
    recipe(QStringLiteral("chowder"), {{QStringLiteral("keywords"), QStringLiteral("soups")}});
    recipe(QStringLiteral("stew"), {{QStringLiteral("keywords"), QStringLiteral("stews")}});
    m_editor->createNewGroup(QStringLiteral("soup"));
    const QStringList groupless =
        smartGroupShows({{QStringLiteral("Groupless"), Op::Is, QStringLiteral("Yes")}});
    EXPECT_FALSE(groupless.contains(QStringLiteral("chowder")));
    EXPECT_TRUE(groupless.contains(QStringLiteral("stew")));

    // A typed value that reads like a display word or holds quotes is searched literally.
    recipe(QStringLiteral("quoted"), {{QStringLiteral("notes"), QStringLiteral("say x\" AND \"Name twice")}});
    recipe(QStringLiteral("named"), {{QStringLiteral("notes"), QStringLiteral("the Name field")}});
    EXPECT_EQ(smartGroupShows({{QStringLiteral("Notes"), Op::Contains, QStringLiteral("x\" AND \"Name")}}),
              QStringList{QStringLiteral("quoted")});
    EXPECT_EQ(smartGroupShows({{QStringLiteral("Notes"), Op::Contains, QStringLiteral("Name")}}),
              (QStringList{QStringLiteral("named"), QStringLiteral("quoted")}));
}

TEST_F(SearchTest, RuleTextRoundTripsEveryTemplateAndRefusesWhatItCannotShow) {
    QList<Row> rows;
    for (const QString& word : SmartGroupRules::displayWords()) {
        QStringList values;
        for (const SmartGroupRules::ValueOption& option : SmartGroupRules::valueOptionsForDisplayWord(word))
            values.append(option.value);
        if (values.isEmpty())
            values = {QStringLiteral("soup"), QString(), QStringLiteral("a \"b\" \\c 'd'"),
                      QStringLiteral("Name"), QStringLiteral("x\" AND \"Name")};
        for (Op op : SmartGroupRules::operatorsForDisplayWord(word))
            for (const QString& value : std::as_const(values)) {
                const Row row{word, op, value};
                SmartGroupRules rules;
                const QString text = SmartGroupRules::ruleText({row}, SmartGroupRules::Compound::All);
                ASSERT_TRUE(rules.fromRuleText(text)) << text.toStdString();
                EXPECT_EQ(rules.rows(), QList<Row>{row}) << text.toStdString();
                EXPECT_EQ(rules.toRuleText(), text);
                rows.append(row);
            }
    }
    for (auto compound : {SmartGroupRules::Compound::All, SmartGroupRules::Compound::Any}) {
        SmartGroupRules rules;
        const QString text = SmartGroupRules::ruleText(rows, compound);
        ASSERT_TRUE(rules.fromRuleText(text));
        EXPECT_EQ(rules.rows(), rows);
        EXPECT_EQ(rules.compound(), compound);
        EXPECT_EQ(rules.toRuleText(), text);
    }

    // The stored forms are exactly those the translation knows.
    EXPECT_EQ(
        SmartGroupRules::ruleText({{QStringLiteral("Rating"), Op::IsGreaterThan, QStringLiteral("3")},
                                   {QStringLiteral("Ingredients"), Op::DoesNotContain, QStringLiteral("egg")},
                                   {QStringLiteral("Name"), Op::Contains, QStringLiteral("soup")},
                                   {QStringLiteral("Has Image"), Op::Is, QStringLiteral("Yes")}},
                                  SmartGroupRules::Compound::Any),
        QStringLiteral(
            "\"Rating\" > \"3\" OR \"Ingredients\" !=[c] \"egg\" OR \"Name\" CONTAINS[c] \"soup\" OR "
            "\"Has Image\" == \"Yes\""));

    // Text written elsewhere in parentheses reads; what the editor cannot show leaves one
    // default row and an error.
    SmartGroupRules rules;
    EXPECT_TRUE(rules.fromRuleText(QStringLiteral("(\"Rating\" > \"3\") AND (\"Groupless\" == \"Yes\")")));
    EXPECT_EQ(rules.rows().size(), 2);
    for (const char* bad : {"", "\"Rating\" > \"3\" AND \"Rating\" < \"5\" OR \"Has Image\" == \"No\"",
                            "\"Calories\" > \"3\"", "\"Rating\" > \"9\"", "\"Ingredients\" !=[C] \"egg\"",
                            "\"Rating\" > 3", "\"Name\" CONTAINS[c] \"open", "rating > 3"}) {
        SmartGroupRules unreadable;
        unreadable.addRow({QStringLiteral("Rating"), Op::Is, QStringLiteral("2")});
        QString error;
        EXPECT_FALSE(unreadable.fromRuleText(QString::fromUtf8(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
        EXPECT_EQ(unreadable.rows(), QList<Row>{SmartGroupRules::defaultRow()}) << bad;
    }
}

TEST_F(SearchTest, NamesAreValidatedAndMayRepeat) {
    QStringList notes;
    QObject::connect(m_editor.get(), &GroupEditorController::nameRefused,
                     [&](const QString& note) { notes.append(note); });
    for (const char* blank : {"", " ", "  "})
        EXPECT_FALSE(
            m_editor->okButtonForNewAction(GroupEditorController::Page::Group, QString::fromLatin1(blank)));
    EXPECT_EQ(notes, QStringList(3, QStringLiteral("please enter a name for your new group")));
    EXPECT_TRUE(m_alerts.asked.isEmpty());

    QString refusal;
    EXPECT_FALSE(m_editor->validateEntryString(QStringLiteral("Soups, Stews"), &refusal));
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked[0].messageText,
              QStringLiteral("Commas are not allowed in Group names at this time."));
    EXPECT_EQ(m_alerts.asked[0].buttonTitles, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(refusal, m_alerts.asked[0].messageText);

    GroupsManagedObject* first =
        m_editor->okButtonForNewAction(GroupEditorController::Page::Group, QStringLiteral("Soup"));
    GroupsManagedObject* second =
        m_editor->okButtonForNewAction(GroupEditorController::Page::Group, QStringLiteral("Soup"));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
}

TEST_F(SearchTest, RenamingAParentWithYesRetagsItsSubgroupsRecipes) {
    GroupsManagedObject* meals = m_editor->createNewGroup(QStringLiteral("Meals"));
    GroupsManagedObject* breakfast = m_editor->createNewGroup(QStringLiteral("Breakfast"));
    breakfast->setRelatedObject(meals, QStringLiteral("parent"));
    RecipesManagedObject* roast =
        recipe(QStringLiteral("Roast"), {{QStringLiteral("keywords"), QStringLiteral("Meals,Sunday")}});
    RecipesManagedObject* toast =
        recipe(QStringLiteral("Toast"), {{QStringLiteral("keywords"), QStringLiteral("Breakfast")}});
    RecipesManagedObject* other =
        recipe(QStringLiteral("Other"), {{QStringLiteral("keywords"), QStringLiteral("Sunday")}});
    // The list shows another group: the rename still applies to the edited group's recipes.
    m_list->setFilterPredicate(m_myRecipes->filterPredicate());

    // "No": the name changes, the keywords stay.
    ASSERT_EQ(m_editor->editGroup(meals), GroupEditorController::Page::Group);
    m_alerts.queueButton(1);
    EXPECT_TRUE(m_editor->okButtonForEditAction(QStringLiteral("Dinners")));
    EXPECT_EQ(meals->stringValue(QStringLiteral("name")), QStringLiteral("Dinners"));
    EXPECT_EQ(roast->stringValue(QStringLiteral("keywords")), QStringLiteral("Meals,Sunday"));
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked[0].messageText,
              QStringLiteral("Would you like to change the keywords of the recipes in this group to match "
                             "the new group's name?"));
    EXPECT_EQ(
        m_alerts.asked[0].informativeText,
        QStringLiteral(
            "If you choose not to do this the group name will change but the recipes that were contained "
            "in it may no longer be associated with this group."));
    EXPECT_EQ(m_alerts.asked[0].buttonTitles, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));

    // Back to "Meals", then "Yes" to "Food": the group's and its subgroup's recipes.
    m_editor->editGroup(meals);
    m_alerts.queueButton(1);
    m_editor->okButtonForEditAction(QStringLiteral("Meals"));
    m_editor->editGroup(meals);
    m_alerts.queueButton(0);
    EXPECT_TRUE(m_editor->okButtonForEditAction(QStringLiteral("Food")));
    EXPECT_EQ(roast->stringValue(QStringLiteral("keywords")), QStringLiteral("Sunday,Food"));
    EXPECT_EQ(toast->stringValue(QStringLiteral("keywords")), QStringLiteral("Breakfast,Food"));
    EXPECT_EQ(other->stringValue(QStringLiteral("keywords")), QStringLiteral("Sunday"));
    EXPECT_EQ(shown(meals->predicate()), (QStringList{QStringLiteral("Roast"), QStringLiteral("Toast")}));

    // An unchanged name asks nothing; a refused name keeps the old one.
    const qsizetype asked = m_alerts.asked.size();
    m_editor->editGroup(meals);
    EXPECT_TRUE(m_editor->okButtonForEditAction(QStringLiteral("Food")));
    EXPECT_EQ(m_alerts.asked.size(), asked);
    m_editor->editGroup(breakfast);
    EXPECT_FALSE(m_editor->okButtonForEditAction(QStringLiteral("  ")));
    EXPECT_EQ(breakfast->stringValue(QStringLiteral("name")), QStringLiteral("Breakfast"));

    EXPECT_EQ(m_editor->editGroup(m_myRecipes), GroupEditorController::Page::None);
    GroupsManagedObject* list = m_editor->createNewGroceryList(QStringLiteral("Shop"));
    EXPECT_EQ(m_editor->editGroup(list), GroupEditorController::Page::GroceryList);
    EXPECT_EQ(m_editor->editGroup(m_editor->createNewSmartGroup(QStringLiteral("S"), {})),
              GroupEditorController::Page::SmartGroup);
}

TEST_F(SearchTest, DeletingAGroupKeepsKeywordsAndTakesItsSubgroups) {
    Scheduler::instance().setManualTime(QDateTime::currentDateTime());
    int myRecipesSelections = 0;
    QObject::connect(m_editor.get(), &GroupEditorController::selectMyLibraryGroupRequested,
                     [&] { ++myRecipesSelections; });
    GroupsManagedObject* soup = m_editor->createNewGroup(QStringLiteral("Soup"));
    GroupsManagedObject* cold = m_editor->createNewGroup(QStringLiteral("Cold"));
    cold->setRelatedObject(soup, QStringLiteral("parent"));
    recipe(QStringLiteral("Borscht"), {{QStringLiteral("keywords"), QStringLiteral("Soup,Cold")}});

    m_alerts.queueButton(1); // Cancel
    EXPECT_FALSE(m_editor->deleteGroup(soup));
    EXPECT_FALSE(soup->isDeleted());
    EXPECT_TRUE(m_editor->deleteGroup(soup));
    ASSERT_EQ(m_alerts.asked.size(), 2);
    EXPECT_EQ(m_alerts.asked[1].messageText,
              QStringLiteral("Are you sure you want to delete \u201cSoup\u201d?"));
    EXPECT_EQ(m_alerts.asked[1].informativeText,
              QStringLiteral("This will also delete this group's subgroups."));
    EXPECT_EQ(m_alerts.asked[1].buttonTitles, (QStringList{QStringLiteral("Yes"), QStringLiteral("Cancel")}));
    EXPECT_TRUE(soup->isDeleted());
    EXPECT_TRUE(cold->isDeleted());
    EXPECT_EQ(myRecipesSelections, 1);

    GroupsManagedObject* again = m_editor->createNewGroup(QStringLiteral("soup"));
    EXPECT_EQ(shown(again->predicate()), QStringList{QStringLiteral("Borscht")});
    EXPECT_TRUE(m_editor->deleteGroup(again));
    EXPECT_TRUE(m_alerts.asked.last().informativeText.isEmpty());
    EXPECT_FALSE(m_editor->deleteGroup(m_myRecipes));
    Scheduler::instance().advance(0.01);
    Scheduler::instance().setAutomaticTime();
}

TEST_F(SearchTest, GroceryListsMoveIntoAndOutOfTheirSection) {
    UserDefaults::setObjectForKey(true, QStringLiteral("collectGroceryLists"));
    GroupsManagedObject* list = m_editor->createNewGroceryList(QStringLiteral("Week"));
    GroupsManagedObject* header = m_editor->groceryListHeaderGroupCreateIfNeeded(false);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->stringValue(QStringLiteral("name")), QStringLiteral("GROCERY LISTS"));
    EXPECT_EQ(list->relatedObject(QStringLiteral("parent")), header);

    UserDefaults::setObjectForKey(false, QStringLiteral("collectGroceryLists"));
    PreferencesController preferences;
    GroupEditorController wired(m_context.get(), nullptr, &m_alerts, &preferences);
    preferences.refreshGroceryListCollection();
    EXPECT_EQ(list->relatedObject(QStringLiteral("parent")), nullptr);
    EXPECT_TRUE(header->isDeleted());
    UserDefaults::removeObjectForKey(QStringLiteral("collectGroceryLists"));
}

TEST_F(SearchTest, SearchFieldNarrowsTheSelectedGroup) {
    RecipesManagedObject* quiche = recipe(
        QStringLiteral("Quiche"), {{QStringLiteral("ingredientsArray"), QStringLiteral("({name = egg;})")}});
    recipe(QStringLiteral("Omelette"),
           {{QStringLiteral("directions"), QStringLiteral("<p>Beat the EGGS</p>")}});
    recipe(QStringLiteral("Toast"), {{QStringLiteral("notes"), QStringLiteral("say \"hi\" \\ bye")}});
    recipe(QStringLiteral("Fed egg"), {{QStringLiteral("platefeedPredicateKey"), QStringLiteral("feed")}});
    GroupsManagedObject* list = m_editor->createNewGroceryList(QStringLiteral("Shop"));
    list->groceryListAddRecipe(quiche);

    SearchBoxMenu search(m_list.get());
    QStringList placeholders;
    QObject::connect(&search, &SearchBoxMenu::placeholderStringChanged,
                     [&](const QString& p) { placeholders.append(p); });
    m_list->setFilterPredicate(list->filterPredicate());
    search.setSearchString(QString());
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Quiche")}); // empty search: the group's recipes
    search.setSearchString(QStringLiteral("egg"));
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Quiche")});

    // The list shows the template filled in: the search and the group's filter in text form.
    const QString filled = SearchBoxMenu::filterTemplate(SearchBoxMenu::EntireRecipe)
                               .replace(QStringLiteral("%@"), list->filterPredicate()->format());
    const PredicatePtr expected = Predicate::parse(filled).predicate->substitutingVariables(
        {{QStringLiteral("value"), QStringLiteral("egg")}});
    EXPECT_TRUE(search.predicate()->isEqual(*expected)) << search.predicate()->format().toStdString();

    // Another group selected: the search applies to it, and 0.5 s later the scope is rebound.
    Scheduler::instance().setManualTime(QDateTime::currentDateTime());
    m_list->setFilterPredicate(m_myRecipes->filterPredicate());
    search.sidebarSelectionChanged();
    Scheduler::instance().advance(0.5);
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Omelette"), QStringLiteral("Quiche")}));
    Scheduler::instance().setAutomaticTime();

    search.ingredientsArrayAction();
    EXPECT_EQ(search.indexOfLastItem(), SearchBoxMenu::Ingredients);
    EXPECT_EQ(placeholders, QStringList{QStringLiteral("Ingredients")});
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Quiche")});

    // Quotes and backslashes are searched for as typed.
    search.notesAction();
    search.setSearchString(QStringLiteral("\"hi\" \\"));
    EXPECT_EQ(listed(), QStringList{QStringLiteral("Toast")});
    search.setSearchString(QStringLiteral("\") or (name contains[c] \"e"));
    EXPECT_EQ(listed(), QStringList());

    // Typing on, deleting letters and records changing between keystrokes: the list is
    // always what a fresh fetch of the whole filter gives, in the same order.
    search.entireRecipeAction();
    for (const char* typed : {"", "e", "eG", "egg", "eg", "o", "om", "", "e", "eg", "egg"}) {
        if (QByteArray(typed) == "egg")
            recipe(QStringLiteral("Egg nog %1").arg(m_list->arrangedObjects().size()));
        search.setSearchString(QString::fromLatin1(typed));
        EXPECT_EQ(m_list->arrangedObjects(), m_context->executeFetchRequest(FetchRequest(
                                                 QStringLiteral("Recipes"), search.predicate(),
                                                 {SortDescriptor{QStringLiteral("name"), true, true}})))
            << typed;
    }
    EXPECT_EQ(listed().size(), 4);

    EXPECT_EQ(SearchBoxMenu::indexOfScope(QStringLiteral("Import Address")), SearchBoxMenu::ImportAddress);
    EXPECT_EQ(SearchBoxMenu::searchedKeys(SearchBoxMenu::EntireRecipe).size(), 14);
}

} // namespace
