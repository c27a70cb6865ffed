// The web importer's window on a real library and a real page served from 127.0.0.1:
// selections marked and collected by the field buttons, the import bar's states, and the
// import into the importer's own editor.
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "import/LoopbackHttpServer.h"
#include "import/ui/WebImporterController.h"
#include "library/IngredientRecords.h"
#include "library/IngredientsTableModel.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesManagedObject.h"
#include "platform/HtmlPage.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QWebEnginePage>
#include <QWebEngineScript>

using namespace webimport;

namespace {

const char* const kPage = "<html><head><title>Lemon Tart</title></head><body>"
                          "<h1 id=\"title\">Lemon Tart</h1><p>A sharp tart.</p>"
                          "<ul id=\"ingredients\"><li>2 cups flour</li><li>3 lemons</li></ul>"
                          "</body></html>";

class WebImporterWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_library =
            std::make_unique<testsupport::TestSession>(m_dir.filePath(QStringLiteral("W.library")), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
        m_window = std::make_unique<WebImporterController>(m_library->session());
        m_window->openWebImporter();
    }
    void TearDown() override { m_window.reset(); }

    // Runs a script in the program's own world and waits for its result.
    QVariant runScript(const QString& script) {
        QVariant result;
        bool done = false;
        m_window->htmlPage()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                                    [&](const QVariant& value) {
                                                        result = value;
                                                        done = true;
                                                    });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
        return result;
    }
    void selectElement(const char* id) {
        runScript(QStringLiteral("(function () { var range = document.createRange();"
                                 " range.selectNodeContents(document.getElementById('%1'));"
                                 " var selection = window.getSelection(); selection.removeAllRanges();"
                                 " selection.addRange(range); })();")
                      .arg(QLatin1String(id)));
    }
    // Presses a field button and waits until its text was collected.
    QString press(int tag) {
        QSignalSpy collected(m_window.get(), &WebImporterController::selectionCollected);
        QTest::mouseClick(m_window->fieldButton(tag), Qt::LeftButton);
        if (collected.isEmpty()) {
            EXPECT_TRUE(collected.wait(10000));
        }
        return collected.isEmpty() ? QString() : collected.constFirst().at(1).toString();
    }

    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_library;
    std::unique_ptr<WebImporterController> m_window;
};

TEST_F(WebImporterWindowTest, SelectionsOnAPageAreMarkedCollectedAndImported) {
    testsupport::LoopbackHttpServer server;
    server.route("/tart.html", testsupport::LoopbackHttpServer::page(QByteArray(kPage)));
    const QString address = server.url(QStringLiteral("/tart.html"));
    QSignalSpy checked(m_window.get(), &WebImporterController::autoImportChecked);
    m_window->addressField()->setText(address);
    QTest::keyClick(m_window->addressField(), Qt::Key_Return);
    ASSERT_TRUE(checked.wait(20000));
    EXPECT_EQ(m_window->currentURL(), address);
    EXPECT_EQ(m_window->addressField()->text(), address);
    EXPECT_EQ(m_window->importBar().state(), ImportBar::State::Lowered); // no recipe the extractors know

    selectElement("title");
    EXPECT_EQ(press(NameField), QStringLiteral("Lemon Tart"));
    selectElement("ingredients");
    EXPECT_EQ(press(IngredientsField).trimmed(), QStringLiteral("2 cups flour\n3 lemons"));
    EXPECT_TRUE(m_window->fieldButton(NameField)->isChecked());
    EXPECT_FALSE(m_window->fieldButton(DirectionsField)->isChecked());
    // The title is marked in the Name colour, white on red.
    const QString marked = runScript(QStringLiteral("document.getElementById('title').innerHTML")).toString();
    EXPECT_TRUE(marked.contains(QStringLiteral("rgb(238, 0, 0)"))) << marked.toStdString();

    QTest::mouseClick(m_window->importButton(), Qt::LeftButton);
    EXPECT_TRUE(m_window->importBar().isFullyRaised());
    EXPECT_FALSE(m_window->addressField()->isEnabled());
    EXPECT_FALSE(m_window->searchField()->isEnabled());
    RecipeEditorController* editor = m_window->recipeEditorController();
    ASSERT_TRUE(editor->isOpen());
    EXPECT_EQ(editor->form().name, QStringLiteral("Lemon Tart"));
    EXPECT_EQ(editor->form().importedFromURL, address);
    const QVariantList rows = editor->ingredientsTable()->contextArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(1).toMap().value(QStringLiteral("name")).toString().trimmed(),
              QStringLiteral("lemons"));

    // Cancel leaves nothing in the library and gives the page back, with what was collected.
    RecipesManagedObject* recipe = editor->recipe();
    editor->cancelButtonAction();
    EXPECT_TRUE(recipe->isDeleted());
    EXPECT_EQ(m_window->importBar().state(), ImportBar::State::Lowered);
    EXPECT_TRUE(m_window->addressField()->isEnabled());
    EXPECT_EQ(m_window->accumulators().text(NameField), QStringLiteral("Lemon Tart"));
}

TEST_F(WebImporterWindowTest, PastedTextIsPickedWithButtonsAndKeys) {
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    m_window->toogleTextView(true);
    EXPECT_FALSE(m_window->addressField()->isEnabled());
    QTextEdit* text = m_window->textView();
    text->setPlainText(QStringLiteral("Soup\nMix.\nBake."));
    auto select = [text](int from, int to) {
        QTextCursor cursor(text->document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
    };
    select(5, 9);
    EXPECT_EQ(press(DirectionsField), QStringLiteral("Mix."));
    EXPECT_FALSE(text->textCursor().hasSelection());
    select(10, 15);
    EXPECT_EQ(press(DirectionsField), QStringLiteral("Bake."));
    EXPECT_EQ(m_window->accumulators().text(DirectionsField), QStringLiteral("Mix.Bake."));
    QTextCursor marked(text->document());
    marked.setPosition(6);
    EXPECT_EQ(marked.charFormat().background().color(), fieldForTag(DirectionsField)->colour);
    EXPECT_EQ(marked.charFormat().foreground().color(), QColor(Qt::white));

    // Ctrl+Shift+N is the Name button.
    select(0, 4);
    QSignalSpy collected(m_window.get(), &WebImporterController::selectionCollected);
    QTest::keyClick(text, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(collected.size(), 1);
    EXPECT_EQ(m_window->accumulators().text(NameField), QStringLiteral("Soup"));

    QTest::mouseClick(m_window->importButton(), Qt::LeftButton);
    RecipeEditorController* editor = m_window->recipeEditorController();
    ASSERT_TRUE(editor->isOpen());
    EXPECT_EQ(editor->form().name, QStringLiteral("Soup"));
    EXPECT_TRUE(editor->form().importedFromURL.isEmpty());
    EXPECT_TRUE(editor->form().directions.contains(QStringLiteral("Bake.")));
    // Saving puts the recipe in the library and resets the importer.
    RecipesManagedObject* recipe = editor->recipe();
    QSignalSpy imported(m_window.get(), &WebImporterController::recipeImported);
    editor->saveButtonAction();
    EXPECT_EQ(imported.size(), 1);
    EXPECT_FALSE(recipe->valueForKey(QStringLiteral("isNewRecipe")).toBool());
    EXPECT_FALSE(m_library->context()->hasChanges());
    EXPECT_TRUE(m_window->accumulators().isEmpty(NameField));
    EXPECT_FALSE(m_window->fieldButton(NameField)->isChecked());
}

TEST_F(WebImporterWindowTest, ResetActsAsAutoOffWhileRaised) {
    m_window->toogleTextView(true);
    m_window->textView()->setPlainText(QStringLiteral("Serve cold."));
    m_window->textView()->selectAll();
    m_window->selectionButtonAction(NotesField);
    m_window->raiseImportView(false);
    EXPECT_EQ(m_window->resetButton()->text(), QStringLiteral("Auto Off"));
    QTest::mouseClick(m_window->resetButton(), Qt::LeftButton);
    EXPECT_EQ(m_window->importBar().state(), ImportBar::State::Lowered);
    EXPECT_EQ(m_window->resetButton()->text(), QStringLiteral("Reset"));
    EXPECT_FALSE(m_window->accumulators().isEmpty(NotesField)); // Auto Off keeps what was collected
    QTest::mouseClick(m_window->resetButton(), Qt::LeftButton);
    EXPECT_TRUE(m_window->accumulators().isEmpty(NotesField));
}

} // namespace
