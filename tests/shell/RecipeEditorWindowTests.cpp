// The recipe editor's window on a real library: a recipe typed in with the keyboard and
// saved, the walk through the ingredient cells with Tab and Shift-Tab, and Escape.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "library/IngredientRecords.h"
#include "library/IngredientsTableModel.h"
#include "library/LibraryStore.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/ui/DirectionsTextView.h"
#include "library/ui/IngredientsTableView.h"
#include "library/ui/RecipeEditorTagsTokenField.h"
#include "library/ui/RecipeEditorView.h"
#include "measure/MeasurementRules.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/ObjectContext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

class RecipeEditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_library = std::make_unique<testsupport::TestSession>(
            m_dir.filePath(QStringLiteral("Window.library")), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
        SmartMeasurementsController::insertDefaultSmartMeasurements(
            m_library->context(), MeasurementRules::defaultSmartMeasurementList());
        m_editor = std::make_unique<RecipeEditorController>(m_library->session());
        m_view = std::make_unique<RecipeEditorView>(m_editor.get());
        m_view->resize(900, 1200);
        m_view->show();
        m_view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
    }

    // Types into whatever has the keyboard focus, then presses a key.
    static void typeThen(const QString& text, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        QTest::keyClicks(focus, text);
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    QModelIndex current() const { return m_view->ingredientsTable()->currentIndex(); }

    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_library;
    std::unique_ptr<RecipeEditorController> m_editor;
    std::unique_ptr<RecipeEditorView> m_view;
};

TEST_F(RecipeEditorWindowTest, ARecipeTypedIntoTheFormIsSavedAsTyped) {
    RecipesManagedObject* recipe =
        m_editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, true);
    ASSERT_TRUE(recipe);
    m_view->focusTitle();
    QTest::keyClicks(m_view->titleField(), QStringLiteral("Lemon Tart"));
    QTest::keyClicks(m_view->keywordsField(), QStringLiteral("Desserts, Baking"));
    m_view->yieldField()->setFocus();
    QTest::keyClicks(m_view->yieldField(), QStringLiteral("6 slices"));

    // The first ingredient row, then Tab through its cells: the last cell's Tab makes a row.
    QTest::mouseClick(m_view->findChild<QWidget*>(QStringLiteral("addIngredientButton")), Qt::LeftButton);
    ASSERT_EQ(m_editor->ingredientsTable()->rowCount(), 1);
    typeThen(QStringLiteral("1½"), Qt::Key_Tab);
    EXPECT_EQ(current().column(), IngredientsTableModel::MeasurementColumn);
    typeThen(QStringLiteral("Cups"), Qt::Key_Tab);
    typeThen(QStringLiteral("flour"), Qt::Key_Tab);
    typeThen(QStringLiteral("sifted"), Qt::Key_Tab);
    ASSERT_EQ(m_editor->ingredientsTable()->rowCount(), 2);
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(current().column(), IngredientsTableModel::QuantityColumn);
    // Shift-Tab from the quantity goes back to the previous row's last cell.
    typeThen(QStringLiteral("3"), Qt::Key_Tab);
    typeThen(QString(), Qt::Key_Backtab, Qt::ShiftModifier);
    typeThen(QString(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(current().row(), 0);
    EXPECT_EQ(current().column(), IngredientsTableModel::MethodColumn);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);

    m_view->directionsView()->setFocus();
    QTest::keyClicks(m_view->directionsView(), QStringLiteral("Bake at 180"));
    QTest::mouseClick(m_view->degreeButton(), Qt::LeftButton);
    QTest::mouseClick(m_view->saveButton(), Qt::LeftButton);

    EXPECT_FALSE(m_editor->isOpen());
    EXPECT_FALSE(m_library->context()->hasChanges());
    EXPECT_EQ(recipe->stringValue(QStringLiteral("name")), QStringLiteral("Lemon Tart"));
    EXPECT_EQ(recipe->stringValue(QStringLiteral("keywords")), QStringLiteral("Desserts,Baking"));
    EXPECT_EQ(recipe->stringValue(QStringLiteral("yield")), QStringLiteral("6 slices"));
    EXPECT_EQ(recipe->stringValue(QStringLiteral("directions")),
              QStringLiteral("Bake at 180") + RecipeEditorController::degreeSymbol());
    const QVariantList rows = IngredientRecords::ingredientsOfRecipe(recipe);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(IngredientRecords::textForKey(rows[0], QStringLiteral("quantity")), QStringLiteral("1 1/2"));
    EXPECT_EQ(IngredientRecords::textForKey(rows[0], QStringLiteral("measurement")), QStringLiteral("cups"));
    EXPECT_EQ(IngredientRecords::textForKey(rows[0], QStringLiteral("name")), QStringLiteral("flour"));
    EXPECT_EQ(IngredientRecords::textForKey(rows[0], QStringLiteral("method")), QStringLiteral("sifted"));
    EXPECT_EQ(IngredientRecords::textForKey(rows[1], QStringLiteral("quantity")), QStringLiteral("3"));
}

TEST_F(RecipeEditorWindowTest, ATitleRowTabsToTheNextRowAndTheDescriptionPanelFillsTheField) {
    RecipesManagedObject* recipe =
        m_editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, false);
    ASSERT_TRUE(recipe);
    m_view->ingredientsTable()->addIngredientGroup();
    typeThen(QStringLiteral("For the crust"), Qt::Key_Tab);
    ASSERT_EQ(m_editor->ingredientsTable()->rowCount(), 2);
    EXPECT_TRUE(m_editor->ingredientsTable()->isGroupTitleRow(0));
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(m_view->ingredientsTable()->columnSpan(0, 0), IngredientsTableModel::ColumnCount);

    m_view->showDescriptionPanel();
    QTest::keyClicks(m_view->descriptionPanel()->findChild<QPlainTextEdit*>(),
                     QStringLiteral("Sharp and sweet"));
    m_view->okDescriptionPanelButtonAction();
    EXPECT_EQ(m_view->findChild<QLineEdit*>(QStringLiteral("descriptionTextField"))->text(),
              QStringLiteral("Sharp and sweet"));
    m_editor->cancelButtonAction();
    EXPECT_TRUE(recipe->isDeleted());
    EXPECT_FALSE(m_view->descriptionPanel()->isVisible());
}

TEST_F(RecipeEditorWindowTest, EscapeLeavesAtOnceUnlessSomethingWasTyped) {
    // Directions as another program wrote them: the window shows them in its own stored
    // form, which is not a change.
    RecipesManagedObject* recipe = testsupport::insertRecipe(
        m_library->context(), QStringLiteral("Pie"),
        {{QStringLiteral("directions"),
          QStringLiteral("<p>Bake at <a href=\"https://example.com/oven\">200</a>.</p>\n\nServe [1]")},
         {QStringLiteral("rating"), 3}});
    m_library->context()->save();

    // Escape clicks Cancel the way a shortcut clicks a button: pressed, then released a
    // moment later; the test waits for the click.
    QSignalSpy cancelled(m_view->cancelButton(), &QPushButton::clicked);
    auto pressEscape = [&] {
        const qsizetype before = cancelled.size();
        QTest::keyClick(m_view->titleField(), Qt::Key_Escape);
        return cancelled.size() > before || cancelled.wait();
    };
    m_editor->editRecipe(recipe);
    m_view->focusTitle();
    ASSERT_TRUE(pressEscape());
    EXPECT_FALSE(m_editor->isOpen());
    EXPECT_TRUE(m_alerts.asked.isEmpty());

    m_editor->editRecipe(recipe);
    m_view->focusTitle();
    QTest::keyClick(m_view->titleField(), Qt::Key_End);
    QTest::keyClicks(m_view->titleField(), QStringLiteral(" Deluxe"));
    m_alerts.queueButton(1); // Cancel: back to the form, as typed
    ASSERT_TRUE(pressEscape());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("Do you want to save the changes you made to \u201cPie Deluxe\u201d?"));
    EXPECT_TRUE(m_editor->isOpen());
    EXPECT_EQ(m_view->titleField()->text(), QStringLiteral("Pie Deluxe"));
    m_alerts.queueButton(2); // Don't Save
    QTest::mouseClick(m_view->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(m_alerts.asked.size(), 2);
    EXPECT_FALSE(m_editor->isOpen());
    EXPECT_EQ(recipe->stringValue(QStringLiteral("name")), QStringLiteral("Pie"));
    EXPECT_FALSE(m_library->context()->hasChanges());
}

// Lines pasted into the table, or into a cell being edited, become parsed rows at the end;
// the cell keeps what it held. One click on a listed column edits it with its list open.
TEST_F(RecipeEditorWindowTest, PastedLinesBecomeRowsAndOneClickOpensACellsList) {
    ASSERT_TRUE(m_editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, false));
    IngredientsTableView* table = m_view->ingredientsTable();
    IngredientsTableModel* rows = m_editor->ingredientsTable();
    auto cell = [rows](int row, int column) { return rows->index(row, column).data().toString(); };

    QApplication::clipboard()->setText(QStringLiteral("2 cups flour\n1 teaspoon salt, fine\n"));
    table->setFocus();
    QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(rows->rowCount(), 2);
    EXPECT_EQ(cell(0, IngredientsTableModel::NameColumn), QStringLiteral("flour"));
    EXPECT_EQ(cell(1, IngredientsTableModel::MethodColumn), QStringLiteral("fine"));
    EXPECT_EQ(table->selectedRowIndexes(), (QList<int>{0, 1}));

    // One click on the ingredient of row 0 edits it in its list.
    table->setAutoFillProvider([](const QString&) { return QStringList{QStringLiteral("flour")}; });
    const QRect name = table->visualRect(rows->index(0, IngredientsTableModel::NameColumn));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, name.center());
    auto* box =
        qobject_cast<QComboBox*>(table->indexWidget(rows->index(0, IngredientsTableModel::NameColumn)));
    ASSERT_TRUE(box);
    QApplication::processEvents(); // the list opens at the next turn
    EXPECT_TRUE(box->view()->isVisible());
    box->hidePopup();

    // A paste of lines into that cell: the cell is left as it was, the lines are rows.
    QApplication::clipboard()->setText(QStringLiteral("3 eggs\r\n1 cup milk"));
    QTest::keyClick(box->lineEdit(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(rows->rowCount(), 4);
    EXPECT_EQ(cell(0, IngredientsTableModel::NameColumn), QStringLiteral("flour"));
    EXPECT_EQ(cell(2, IngredientsTableModel::NameColumn), QStringLiteral("eggs"));
    EXPECT_EQ(cell(3, IngredientsTableModel::MeasurementColumn), QStringLiteral("cup"));
    EXPECT_FALSE(table->indexWidget(rows->index(0, IngredientsTableModel::NameColumn)));
}

} // namespace
