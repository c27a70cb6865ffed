// The recipe editor's logic on a real library store: opening, saving, cancelling, pictures,
// the auto-fill lists, deleting with its questions, and the ingredient rows.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "library/IngredientRecords.h"
#include "library/IngredientsTableModel.h"
#include "library/LibraryStore.h"
#include "library/RecipeEditorController.h"
#include "library/RecipeEditorImages.h"
#include "library/RecipesArrayController.h"
#include "measure/MeasurementRules.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>

#include <functional>

using namespace testsupport;

namespace {

QImage filled(QColor colour, QSize size = {1000, 600}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QVariantMap row(const QString& quantity, const QString& measurement, const QString& name) {
    return {{QStringLiteral("quantity"), quantity},
            {QStringLiteral("measurement"), measurement},
            {QStringLiteral("name"), name},
            {QStringLiteral("method"), QString()}};
}

QStringList namesOf(const QVariantList& rows) {
    QStringList names;
    for (const QVariant& entry : rows)
        names.append(IngredientRecords::textForKey(entry, QStringLiteral("name")));
    return names;
}

class RecipeEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_library = std::make_unique<TestSession>(libraryPath(), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
        SmartMeasurementsController::insertDefaultSmartMeasurements(
            context(), MeasurementRules::defaultSmartMeasurementList());
        UserDefaults::setObjectForKey(true, QStringLiteral("addRecipeDataToAutofillValues"));
        m_recipes = &m_library->recipes();
        m_editor = std::make_unique<RecipeEditorController>(m_library->session());
        m_editor->setSelectedGroupProvider([this] { return m_group; });
    }

    QStringList autoFill(const QString& file) const {
        QStringList values;
        for (const QVariant& value :
             readPropertyListFile(libraryPath() + QStringLiteral("/") + file).value.toList())
            values.append(value.toString());
        return values;
    }

    QString libraryPath() const { return m_dir.filePath(QStringLiteral("Editor.library")); }
    ObjectContext* context() const { return m_library->context(); }

    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<TestSession> m_library;
    RecipesArrayController* m_recipes = nullptr;
    std::unique_ptr<RecipeEditorController> m_editor;
    GroupsManagedObject* m_group = nullptr;
};

TEST_F(RecipeEditorTest, OpeningAddsTheSelectedGroupsKeywordAndCancelKeepsOnlyThat) {
    auto* pie = insertRecipe(context(), QStringLiteral("Pie"),
                             {{QStringLiteral("keywords"), QStringLiteral("Baking")},
                              {QStringLiteral("yield"), QStringLiteral("8")}});
    m_group = insertGroup(context(), QStringLiteral("Desserts"));
    context()->save();

    m_editor->editRecipe(pie);
    EXPECT_EQ(m_editor->form().keywords, (QStringList{QStringLiteral("Baking"), QStringLiteral("Desserts")}));
    m_editor->form().name = QStringLiteral("Changed");
    m_editor->form().yield = QStringLiteral("12");
    m_editor->cancelButtonAction();
    EXPECT_FALSE(m_editor->isOpen());
    EXPECT_EQ(pie->stringValue(QStringLiteral("name")), QStringLiteral("Pie"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("yield")), QStringLiteral("8"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("keywords")), QStringLiteral("Baking,Desserts"));
    EXPECT_FALSE(pie->isDeleted());

    // A grocery list adds nothing; a new recipe cancelled is gone.
    m_group = insertGroup(context(), QStringLiteral("Saturday"), {{QStringLiteral("isGroceryList"), true}});
    RecipesManagedObject* fresh =
        m_editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, true);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->valueForKey(QStringLiteral("isNewRecipe")).toBool());
    EXPECT_EQ(m_recipes->selectedObjects(), QList<ManagedObject*>{fresh});
    EXPECT_TRUE(m_editor->form().keywords.isEmpty());
    m_editor->cancelButtonAction();
    EXPECT_TRUE(fresh->isDeleted());
    EXPECT_EQ(m_recipes->arrangedObjects(), QList<ManagedObject*>{pie});
}

TEST_F(RecipeEditorTest, SavingStoresEveryFieldNormalisedRowsAndTheAutoFillLists) {
    auto* other = insertRecipe(context(), QStringLiteral("Soup"),
                               {{QStringLiteral("cuisine"), QStringLiteral("French")},
                                {QStringLiteral("prepTime"), QStringLiteral("10 min")},
                                {QStringLiteral("platefeedPredicateKey"), QVariant()}});
    insertRecipe(context(), QStringLiteral("Feed recipe"),
                 {{QStringLiteral("cuisine"), QStringLiteral("Subscribed")},
                  {QStringLiteral("platefeedPredicateKey"), QStringLiteral("feed-1")}});
    RecipesManagedObject* recipe =
        m_editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, true);
    int commits = 0;
    m_editor->setFormCommitter([&] { ++commits; });
    RecipeEditorForm& form = m_editor->form();
    form.name = QStringLiteral("Pancakes");
    form.keywords = {QStringLiteral("Breakfast"), QStringLiteral("Quick")};
    form.cuisine = QStringLiteral("American");
    form.prepTime = QStringLiteral("10 min");
    form.cookingTime = QStringLiteral("15 min");
    form.yield = QStringLiteral("8 servings");
    form.directions = QStringLiteral("Mix <b>well</b>.<br>Fry [1].");
    form.hasBeenPrepared = true;
    form.rating = 4.7;
    form.difficulty = 2.2;
    m_editor->ingredientsTable()->setContextArray(
        {row(QStringLiteral("½"), QStringLiteral("Cups"), QStringLiteral("flour")),
         row(QStringLiteral("2"), QString(), QStringLiteral("eggs"))});
    m_editor->saveButtonAction();

    EXPECT_EQ(commits, 1);
    EXPECT_FALSE(m_editor->isOpen());
    EXPECT_FALSE(recipe->valueForKey(QStringLiteral("isNewRecipe")).toBool());
    EXPECT_EQ(recipe->stringValue(QStringLiteral("keywords")), QStringLiteral("Breakfast,Quick"));
    EXPECT_EQ(recipe->stringValue(QStringLiteral("directions")),
              QStringLiteral("Mix <b>well</b>.<br>Fry [1]."));
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("rating")).toInt(), 4);
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("difficulty")).toInt(), 2);
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("hasBeenPrepared")).toBool());
    EXPECT_FALSE(context()->hasChanges());
    const QVariantList stored = IngredientRecords::ingredientsOfRecipe(recipe);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(IngredientRecords::textForKey(stored[0], QStringLiteral("quantity")), QStringLiteral(" 1/2"));
    EXPECT_EQ(IngredientRecords::textForKey(stored[0], QStringLiteral("measurement")), QStringLiteral("cup"));
    EXPECT_EQ(m_recipes->selectedObjects(), QList<ManagedObject*>{recipe});

    // The lists come from the listed recipes, without subscribed ones, first seen first.
    EXPECT_EQ(autoFill(QStringLiteral("Cuisines.plist")),
              (QStringList{QStringLiteral("American"), QStringLiteral("French")}));
    EXPECT_EQ(autoFill(QStringLiteral("Times.plist")),
              (QStringList{QStringLiteral("10 min"), QStringLiteral("15 min")}));
    EXPECT_EQ(autoFill(QStringLiteral("IngredientTitles.plist")),
              (QStringList{QStringLiteral("flour"), QStringLiteral("eggs")}));
    EXPECT_EQ(m_editor->autoFillValues(QStringLiteral("IngredientTitles.plist")),
              (QStringList{QStringLiteral("eggs"), QStringLiteral("flour")}));

    // Rows changed elsewhere (an import, an applied rule) are read again at the next rebuild.
    IngredientRecords::setIngredientsOfRecipe(
        other, {row(QStringLiteral("1"), QStringLiteral("l"), QStringLiteral("stock"))});
    m_editor->resetAutoFillValues();
    EXPECT_EQ(autoFill(QStringLiteral("IngredientTitles.plist")),
              (QStringList{QStringLiteral("flour"), QStringLiteral("eggs"), QStringLiteral("stock")}));

    // With the preference off the three ingredient lists are emptied at the next save.
    UserDefaults::setObjectForKey(false, QStringLiteral("addRecipeDataToAutofillValues"));
    m_editor->editRecipe(recipe);
    m_editor->saveButtonAction();
    EXPECT_TRUE(autoFill(QStringLiteral("IngredientTitles.plist")).isEmpty());
    EXPECT_TRUE(autoFill(QStringLiteral("Measurements.plist")).isEmpty());
    EXPECT_TRUE(QFile::exists(libraryPath() + QStringLiteral("/Methods.plist")));
    EXPECT_EQ(autoFill(QStringLiteral("Keywords.plist")),
              (QStringList{QStringLiteral("Breakfast"), QStringLiteral("Quick")}));
}

TEST_F(RecipeEditorTest, WellChangesDecideAtSaveAndADuplicateCarriesEveryPicture) {
    auto* recipe = insertRecipe(context(), QStringLiteral("Tart"));
    context()->save();
    ASSERT_TRUE(recipe->saveImage(RecipeEditorImages::jpegDataForWellImage(filled(Qt::red)), 3));
    ASSERT_TRUE(recipe->saveImage(RecipeEditorImages::jpegDataForWellImage(filled(Qt::blue)), 4));

    m_editor->editRecipe(recipe);
    EXPECT_EQ(m_editor->wellImage(3).size(), QSize(800, 600));
    m_editor->addImage(3, QImage()); // emptied and saved: deleted
    m_editor->addImage(4, QImage()); // emptied, then filled again: the new picture
    m_editor->addImage(4, filled(Qt::green, {1600, 900}));
    m_editor->saveRecipeState();
    EXPECT_FALSE(recipe->hasImageAtIndex(3));
    const QImage stored(recipe->imagePathAtIndex(4));
    EXPECT_EQ(stored.size(), QSize(800, 600));
    EXPECT_GT(qGreen(stored.pixel(400, 300)), 200);
    EXPECT_FALSE(m_editor->hasPendingImageSave(4));

    // The duplicate gets the table rows and the untouched picture's own bytes.
    m_editor->ingredientsTable()->setContextArray(
        {row(QStringLiteral("2"), QStringLiteral("cups"), QStringLiteral("milk"))});
    QFile original(recipe->imagePathAtIndex(4));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    RecipesManagedObject* copy = m_editor->duplicateRecipeForScalingAssistant();
    ASSERT_TRUE(copy && copy != recipe);
    EXPECT_EQ(m_editor->recipe(), copy);
    EXPECT_TRUE(copy->valueForKey(QStringLiteral("isNewRecipe")).toBool());
    EXPECT_EQ(namesOf(IngredientRecords::ingredientsOfRecipe(copy)), QStringList{QStringLiteral("milk")});
    EXPECT_TRUE(m_editor->hasPendingImageSave(4));
    m_editor->saveButtonAction();
    QFile duplicated(copy->imagePathAtIndex(4));
    ASSERT_TRUE(duplicated.open(QIODevice::ReadOnly));
    EXPECT_EQ(duplicated.readAll(), original.readAll());
    EXPECT_TRUE(recipe->hasImageAtIndex(4));
}

TEST_F(RecipeEditorTest, DeletingAsksByGroupKindAndRemovesOnlyDirectChildKeywords) {
    ObjectContext* context = this->context();
    m_group = insertGroup(context, QStringLiteral("Desserts"));
    ManagedObject* cakes = insertGroup(context, QStringLiteral("Cakes"), {}, m_group);
    insertGroup(context, QStringLiteral("Cheesecakes"), {}, cakes);
    auto* a =
        insertRecipe(context, QStringLiteral("A"),
                     {{QStringLiteral("keywords"), QStringLiteral("Desserts,Cakes,Cheesecakes,Summer")}});
    auto* b = insertRecipe(context, QStringLiteral("B"),
                           {{QStringLiteral("keywords"), QStringLiteral("Desserts")}});
    m_recipes->rearrangeObjects();

    m_alerts.queueButton(0); // "Remove From Group"
    EXPECT_TRUE(m_editor->deleteRecipes({a, b}, true));
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("Would you like to remove these 2 recipes from this group and its subgroups, or "
                             "delete them from your "
                             "library?"));
    EXPECT_EQ(m_alerts.asked.last().buttonTitles,
              (QStringList{QStringLiteral("Remove From Group"), QStringLiteral("Cancel"),
                           QStringLiteral("Delete From Library")}));
    EXPECT_EQ(a->stringValue(QStringLiteral("keywords")), QStringLiteral("Cheesecakes,Summer"));
    EXPECT_EQ(b->stringValue(QStringLiteral("keywords")), QString());

    m_alerts.queueButton(1); // "Cancel"
    EXPECT_FALSE(m_editor->deleteRecipes({a}, true));
    EXPECT_FALSE(a->isDeleted());

    auto* list = insertGroup(context, QStringLiteral("Weekend"), {{QStringLiteral("isGroceryList"), true}});
    list->groceryListAddRecipe(a);
    m_group = list;
    m_alerts.queueButton(0);
    EXPECT_TRUE(m_editor->deleteRecipes({a}, true));
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("Are you sure you want to remove \u201cA\u201d from your grocery list?"));
    EXPECT_TRUE(list->groceryListRecipeIDs().isEmpty());
    EXPECT_FALSE(a->isDeleted());

    m_group = nullptr; // "My Recipes" or a smart group: the recipe leaves the library
    m_alerts.queueButton(0);
    EXPECT_TRUE(m_editor->deleteRecipes({a}, true));
    EXPECT_EQ(m_alerts.asked.last().informativeText, QStringLiteral("This action can't be undone."));
    EXPECT_TRUE(a->isDeleted());
    // Its pictures go with the next save of the library.
    EXPECT_EQ(m_library->store().recipesMarkedForDelete(),
              QStringList{a->stringValue(QStringLiteral("uniqueID"))});
    EXPECT_FALSE(m_recipes->arrangedObjects().contains(a));
}

// The delete alert tells whether Edit › Undo will bring the recipes back, and it does.
TEST_F(RecipeEditorTest, TheDeleteAlertSaysWhetherUndoBringsTheRecipeBack) {
    const struct {
        bool holds;
        bool registering;
        const char* informative;
    } cases[] = {
        {true, true, "You can undo this with Edit \u203a Undo."},
        {true, false, "This action can't be undone."},
        {false, true, "This action can't be undone."},
    };
    UndoManager* undo = context()->undoManager();
    for (const auto& c : cases) {
        m_library->store().setHoldsDeletedPicturesForUndo(c.holds);
        if (!c.registering)
            undo->disableUndoRegistration();
        auto* recipe = insertRecipe(context(), QStringLiteral("Soup"));
        undo->removeAllActions();
        m_alerts.queueButton(0);
        ASSERT_TRUE(m_editor->deleteRecipes({recipe}, true));
        EXPECT_EQ(m_alerts.asked.last().informativeText, QString::fromUtf8(c.informative)) << c.informative;
        undo->closeImplicitGroup();
        EXPECT_EQ(undo->canUndo(), c.registering) << c.informative;
        if (!c.registering)
            undo->enableUndoRegistration();
    }
}

TEST_F(RecipeEditorTest, QuittingWithTheEditorOpenAsksWhetherToSave) {
    auto* soup = insertRecipe(context(), QStringLiteral("Soup"));
    m_editor->editRecipe(soup);
    m_editor->setFormCommitter([this] { m_editor->form().yield = QStringLiteral("4 bowls"); });
    m_alerts.queueButton(1); // Cancel: the quit stops, nothing changes
    EXPECT_FALSE(m_editor->closeBeforeQuitting());
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("Do you want to save the changes you made to \u201cSoup\u201d?"));
    EXPECT_TRUE(m_editor->isOpen());
    m_alerts.queueButton(0); // Save
    EXPECT_TRUE(m_editor->closeBeforeQuitting());
    EXPECT_EQ(soup->stringValue(QStringLiteral("yield")), QStringLiteral("4 bowls"));
    EXPECT_FALSE(m_editor->isOpen());

    RecipesManagedObject* fresh =
        m_editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, false);
    m_alerts.queueButton(2); // Don't Save: a new recipe goes as on Cancel
    EXPECT_TRUE(m_editor->closeBeforeQuitting());
    EXPECT_TRUE(fresh->isDeleted());
    EXPECT_TRUE(m_editor->closeBeforeQuitting()); // nothing open: nothing asked
    EXPECT_EQ(m_alerts.asked.size(), 3);
}

TEST_F(RecipeEditorTest, EachKindOfEditCountsAsAChangeAndOpeningDoesNot) {
    auto* pie =
        insertRecipe(context(), QStringLiteral("Pie"),
                     {{QStringLiteral("keywords"), QStringLiteral("Baking")}, {QStringLiteral("rating"), 3}});
    IngredientRecords::setIngredientsOfRecipe(
        pie, {row(QStringLiteral("2"), QStringLiteral("cups"), QStringLiteral("flour"))});
    m_group = insertGroup(context(), QStringLiteral("Desserts")); // its keyword is added on opening
    context()->save();
    ASSERT_TRUE(pie->saveImage(RecipeEditorImages::jpegDataForWellImage(filled(Qt::red)), 1));

    const struct {
        const char* edit;
        std::function<void(RecipeEditorController&)> apply;
        bool changed;
    } cases[] = {
        {"nothing", [](RecipeEditorController&) {}, false},
        {"a field typed and typed back",
         [](RecipeEditorController& e) {
             e.form().yield = QStringLiteral("8");
             e.form().yield.clear();
         },
         false},
        {"the title", [](RecipeEditorController& e) { e.form().name = QStringLiteral("Pies"); }, true},
        {"the directions", [](RecipeEditorController& e) { e.form().directions = QStringLiteral("Bake"); },
         true},
        {"the rating", [](RecipeEditorController& e) { e.form().rating = 4; }, true},
        {"a keyword removed",
         [](RecipeEditorController& e) { e.form().keywords.removeAll(QStringLiteral("Baking")); }, true},
        {"an ingredient row added",
         [](RecipeEditorController& e) { e.ingredientsTable()->addIngredientAtIndex(1); }, true},
        {"an ingredient renamed",
         [](RecipeEditorController& e) {
             e.ingredientsTable()->setData(e.ingredientsTable()->index(0, IngredientsTableModel::NameColumn),
                                           QStringLiteral("rye"));
         },
         true},
        {"a picture added", [](RecipeEditorController& e) { e.addImage(2, filled(Qt::green)); }, true},
        {"a picture removed", [](RecipeEditorController& e) { e.addImage(1, QImage()); }, true},
        {"an empty well emptied", [](RecipeEditorController& e) { e.addImage(5, QImage()); }, false},
    };
    for (const auto& c : cases) {
        m_editor->editRecipe(pie);
        EXPECT_FALSE(m_editor->hasChanges()) << c.edit;
        c.apply(*m_editor);
        EXPECT_EQ(m_editor->hasChanges(), c.changed) << c.edit;
        m_alerts.queueButton(2); // Don't Save, should it ask
        const int asked = int(m_alerts.asked.size());
        EXPECT_TRUE(m_editor->cancelAskingToSaveChanges()) << c.edit;
        EXPECT_EQ(int(m_alerts.asked.size()) - asked, c.changed ? 1 : 0) << c.edit;
        m_alerts.answers.clear();
        EXPECT_FALSE(m_editor->isOpen()) << c.edit;
    }
    // The keyword of the group is the only thing the opening kept; nothing else was saved.
    EXPECT_EQ(pie->stringValue(QStringLiteral("name")), QStringLiteral("Pie"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("keywords")), QStringLiteral("Baking,Desserts"));
    EXPECT_TRUE(pie->hasImageAtIndex(1));
    EXPECT_FALSE(pie->hasImageAtIndex(2));
    EXPECT_EQ(namesOf(IngredientRecords::ingredientsOfRecipe(pie)), QStringList{QStringLiteral("flour")});

    // What was saved while the editor stays open is the new starting point.
    m_editor->editRecipe(pie);
    m_editor->form().cuisine = QStringLiteral("French");
    m_editor->saveRecipeState();
    EXPECT_FALSE(m_editor->hasChanges());
    m_editor->cancelButtonAction();
}

TEST_F(RecipeEditorTest, CancellingChangesAsksAndEachAnswerDoesWhatItSays) {
    auto* soup = insertRecipe(context(), QStringLiteral("Soup"));
    context()->save();
    const QString question =
        QStringLiteral("Do you want to save the changes you made to \u201cLeek Soup\u201d?");

    // Cancel keeps editing with what was typed.
    m_editor->editRecipe(soup);
    m_editor->form().name = QStringLiteral("Leek Soup");
    m_alerts.queueButton(1);
    EXPECT_FALSE(m_editor->cancelAskingToSaveChanges());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.last().messageText, question);
    EXPECT_EQ(m_alerts.asked.last().buttonTitles,
              (QStringList{QStringLiteral("Save"), QStringLiteral("Cancel"), QStringLiteral("Don't Save")}));
    EXPECT_TRUE(m_editor->isOpen());
    EXPECT_EQ(m_editor->form().name, QStringLiteral("Leek Soup"));
    // Don't Save leaves the recipe as it was.
    m_alerts.queueButton(2);
    EXPECT_TRUE(m_editor->cancelAskingToSaveChanges());
    EXPECT_FALSE(m_editor->isOpen());
    EXPECT_EQ(soup->stringValue(QStringLiteral("name")), QStringLiteral("Soup"));
    // Save saves and closes.
    m_editor->editRecipe(soup);
    m_editor->form().name = QStringLiteral("Leek Soup");
    m_alerts.queueButton(0);
    EXPECT_TRUE(m_editor->cancelAskingToSaveChanges());
    EXPECT_FALSE(m_editor->isOpen());
    EXPECT_EQ(soup->stringValue(QStringLiteral("name")), QStringLiteral("Leek Soup"));
    EXPECT_FALSE(context()->hasChanges());
    EXPECT_EQ(m_alerts.asked.size(), 3);

    // A new recipe: untouched, it goes without a word; typed into, Save keeps it, Don't Save
    // deletes it.
    RecipesManagedObject* untouched =
        m_editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, false);
    EXPECT_TRUE(m_editor->cancelAskingToSaveChanges());
    EXPECT_TRUE(untouched->isDeleted());
    EXPECT_EQ(m_alerts.asked.size(), 3);
    for (const int answer : {0, 2}) {
        RecipesManagedObject* fresh =
            m_editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, false);
        m_editor->form().directions = QStringLiteral("Stir.");
        m_alerts.queueButton(answer);
        EXPECT_TRUE(m_editor->cancelAskingToSaveChanges());
        EXPECT_EQ(m_alerts.asked.last().messageText,
                  QStringLiteral("Do you want to save the recipe you are editing?"));
        EXPECT_EQ(fresh->isDeleted(), answer == 2) << answer;
        if (answer == 0) {
            EXPECT_FALSE(fresh->valueForKey(QStringLiteral("isNewRecipe")).toBool());
        }
    }
}

TEST(IngredientsTableModel, RowCommandsMovesAndDroppedText) {
    IngredientsTableModel model;
    model.setContextArray({row(QStringLiteral("1"), QString(), QStringLiteral("a")),
                           row(QStringLiteral("2"), QString(), QStringLiteral("b")),
                           row(QStringLiteral("3"), QString(), QStringLiteral("c")),
                           row(QStringLiteral("4"), QString(), QStringLiteral("d"))});

    // Moved rows keep their order and land in the gap; the result is selected.
    EXPECT_EQ(model.moveRows({0, 2}, 4), (QList<int>{2, 3}));
    EXPECT_EQ(namesOf(model.contextArray()), (QStringList{QStringLiteral("b"), QStringLiteral("d"),
                                                          QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_EQ(model.moveRows({3}, 0), (QList<int>{0}));
    EXPECT_EQ(namesOf(model.contextArray()), (QStringList{QStringLiteral("c"), QStringLiteral("b"),
                                                          QStringLiteral("d"), QStringLiteral("a")}));

    // Text dropped onto the middle of the table is appended at the end.
    QMimeData text;
    text.setText(QStringLiteral("1 cup sugar\n2 tbsp butter, melted\n3 eggs"));
    EXPECT_TRUE(model.dropMimeData(&text, Qt::CopyAction, 1, 0, {}));
    EXPECT_EQ(namesOf(model.contextArray()).mid(4),
              (QStringList{QStringLiteral("sugar"), QStringLiteral("butter"), QStringLiteral("eggs")}));

    // Own rows dropped through the model move, rather than copy.
    QMimeData* own = model.mimeData({model.index(0, 0)});
    EXPECT_FALSE(model.dropMimeData(own, Qt::MoveAction, 2, -1, {}));
    delete own;
    EXPECT_EQ(namesOf(model.contextArray()).mid(0, 3),
              (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));

    // Titles: a new title above the selection, and rows turned into titles lose their amounts.
    EXPECT_EQ(model.addIngredientGroup({2}), 2);
    EXPECT_TRUE(model.isGroupTitleRow(2));
    model.convertIngredientsToGroups({0});
    EXPECT_TRUE(model.isGroupTitleRow(0));
    EXPECT_FALSE(model.contextArray().at(0).toMap().contains(QStringLiteral("quantity")));
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("b"));
    EXPECT_FALSE(model.flags(model.index(0, 2)) & Qt::ItemIsEditable);

    const int appended = model.addIngredientBelowSelection({});
    EXPECT_EQ(appended, model.rowCount() - 1);
    EXPECT_EQ(model.addIngredientAboveSelection({3, 1}), 1);
    const int before = model.rowCount();
    model.deleteIngredients({1, 1, 99});
    EXPECT_EQ(model.rowCount(), before - 1);

    // Editing ends with the row normalised and its failure mark gone.
    QVariantMap failed = row(QStringLiteral("1½"), QStringLiteral("Cups"), QStringLiteral("x"));
    failed.insert(QStringLiteral("presentError"), true);
    model.setContextArray({failed});
    model.endEditingRow(0);
    EXPECT_EQ(model.contextArray().at(0).toMap().value(QStringLiteral("quantity")).toString(),
              QStringLiteral("1 1/2"));
    EXPECT_EQ(model.contextArray().at(0).toMap().value(QStringLiteral("measurement")).toString(),
              QStringLiteral("cups"));
    EXPECT_FALSE(model.contextArray().at(0).toMap().contains(QStringLiteral("presentError")));
}

} // namespace
