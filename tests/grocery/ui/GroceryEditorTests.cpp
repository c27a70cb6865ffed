// The grocery editor on a real library: the consolidated list ticked through the window,
// then printed to a PDF file and mailed through the recording mail port.
#include "common/LibraryRecords.h"
#include "common/RecordingMailHandOver.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "grocery/GroceryController.h"
#include "grocery/ui/GroceryEditor.h"
#include "grocery/ui/GroceryListConsolidatedTableView.h"
#include "grocery/ui/GroceryListMyItemsTableView.h"
#include "grocery/ui/GroceryTableModels.h"
#include "library/AppController.h"
#include "library/IngredientRecords.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kNoneNeeded =
    QStringLiteral("Unable to print/email ingredients because none are marked Needed.");

QVariantMap ingredient(const char* quantity, const char* measurement, const char* name) {
    QVariantMap row = IngredientRecords::newIngredientRecord();
    row.insert(QStringLiteral("quantity"), QLatin1String(quantity));
    row.insert(QStringLiteral("measurement"), QLatin1String(measurement));
    row.insert(QStringLiteral("name"), QLatin1String(name));
    return row;
}

bool startsAsPdf(const QByteArray& bytes) {
    return bytes.startsWith("%PDF-");
}

class GroceryEditorTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_library;
    std::unique_ptr<GroceryEditor> m_editor;
    GroupsManagedObject* m_list = nullptr;

    void SetUp() override {
        const QString path = m_dir.filePath(QStringLiteral("Grocery.library"));
        UserDefaults::setObjectForKey(path, QStringLiteral("libraryPath"));
        UserDefaults::setObjectForKey(false, QStringLiteral("makePlainTextEmails"));
        m_library = std::make_unique<testsupport::TestSession>(path, m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << qPrintable(m_library->error());
        ObjectContext* context = m_library->context();
        auto* soup = testsupport::insertRecipe(context, QStringLiteral("Lentil Soup"));
        IngredientRecords::setIngredientsOfRecipe(
            soup, {ingredient("2", "cups", "lentils"), ingredient("1", "", "onion")});
        auto* bread = testsupport::insertRecipe(context, QStringLiteral("Soda Bread"));
        IngredientRecords::setIngredientsOfRecipe(
            bread, {ingredient("1", "", "onion"), ingredient("1", "cup", "buttermilk")});
        m_list = testsupport::insertGroup(context, QStringLiteral("Weekend"),
                                          {{QStringLiteral("isGroceryList"), true}});
        m_list->groceryListAddRecipe(soup);
        m_list->groceryListAddRecipe(bread);
        ASSERT_TRUE(m_library->session()->save());

        m_editor = std::make_unique<GroceryEditor>(*m_library->session());
        m_editor->resize(700, 500);
        m_editor->setGroceryList(m_list);
        m_editor->show();
    }
    void TearDown() override { m_editor.reset(); }

    GroceryConsolidatedModel* consolidated() const {
        return m_editor->consolidatedTable()->consolidatedModel();
    }
    int neededCount() const {
        int needed = 0;
        for (int row = 0; row < consolidated()->rowCount(); ++row)
            needed +=
                consolidated()->index(row, GroceryConsolidatedModel::NeededColumn).data(Qt::CheckStateRole) ==
                Qt::Checked;
        return needed;
    }
    // A click on the word Needed in the consolidated list's header.
    void clickNeededHeader() const {
        QHeaderView* header = m_editor->consolidatedTable()->horizontalHeader();
        const int x = header->sectionViewportPosition(GroceryConsolidatedModel::NeededColumn) +
                      header->sectionSize(GroceryConsolidatedModel::NeededColumn) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QStringList alertMessages() const {
        QStringList messages;
        for (const AlertRequest& request : m_alerts.asked)
            messages.append(request.messageText);
        return messages;
    }
};

TEST_F(GroceryEditorTest, TicksTheConsolidatedListAndPrintsIt) {
    EXPECT_EQ(m_editor->title(), QStringLiteral("Weekend"));
    EXPECT_EQ(m_editor->currentTab(), GroceryEditor::RecipesTab);
    m_editor->tableViewSelectionButtons(GroceryEditor::ConsolidatedTab);
    const int rows = consolidated()->rowCount();
    ASSERT_GT(rows, 1);

    // Nothing needed: the user is told, and no printer is asked for.
    int printersChosen = 0;
    const QString pdf = m_dir.filePath(QStringLiteral("list.pdf"));
    m_editor->setPrinterChooser([&](QPrinter& printer) {
        ++printersChosen;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(96);
        return true;
    });
    EXPECT_FALSE(m_editor->printList());
    EXPECT_EQ(alertMessages(), QStringList{kNoneNeeded});
    EXPECT_EQ(printersChosen, 0);

    // The header ticks every row, a second click clears them, a third ticks them again;
    // then one row is cleared by its own tick. Showing the tab again keeps the ticks.
    clickNeededHeader();
    EXPECT_EQ(neededCount(), rows);
    clickNeededHeader();
    EXPECT_EQ(neededCount(), 0);
    clickNeededHeader();
    ASSERT_TRUE(consolidated()->setData(consolidated()->index(0, GroceryConsolidatedModel::NeededColumn),
                                        Qt::Unchecked, Qt::CheckStateRole));
    m_editor->tableViewSelectionButtons(GroceryEditor::RecipesTab);
    m_editor->tableViewSelectionButtons(GroceryEditor::ConsolidatedTab);
    EXPECT_EQ(neededCount(), rows - 1);

    EXPECT_TRUE(m_editor->printList());
    EXPECT_EQ(printersChosen, 1);
    QFile printed(pdf);
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(startsAsPdf(printed.read(8)));
    EXPECT_EQ(m_alerts.asked.size(), 1);

    // A cancelled print dialog prints nothing.
    QFile::remove(pdf);
    m_editor->setPrinterChooser([](QPrinter&) { return false; });
    EXPECT_FALSE(m_editor->printList());
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(GroceryEditorTest, MailsTheListAsAnAttachmentOrAsPlainText) {
    RecordingMailHandOver mail;
    m_editor->setMailHandOver(&mail);
    EXPECT_FALSE(m_editor->emailList());
    EXPECT_TRUE(mail.messages.isEmpty());

    // An own item alone is enough to mail the list; it arrives through a text drop.
    auto* items = m_editor->myItemsTable()->itemsModel();
    QMimeData dropped;
    dropped.setText(QStringLiteral("3 lemons"));
    ASSERT_TRUE(items->dropMimeData(&dropped, Qt::CopyAction, -1, -1, {}));
    ASSERT_EQ(items->rowCount(), 1);
    EXPECT_EQ(items->index(0, GroceryMyItemsModel::NameColumn).data().toString(), QStringLiteral("lemons"));

    ASSERT_TRUE(m_editor->emailList());
    ASSERT_EQ(mail.messages.size(), 1);
    const RecordingMailHandOver::Message attached = mail.messages.first();
    EXPECT_EQ(attached.subject, QStringLiteral("Weekend List - Larkspoon!"));
    EXPECT_FALSE(attached.plainText);
    EXPECT_EQ(QFileInfo(attached.attachmentPath).fileName(), QStringLiteral("Weekend.pdf"));
    EXPECT_TRUE(startsAsPdf(attached.attachment));
    // The mail program may read the file after the hand-over: it is still there.
    EXPECT_TRUE(QFile::exists(attached.attachmentPath));

    UserDefaults::setObjectForKey(true, QStringLiteral("makePlainTextEmails"));
    ASSERT_TRUE(m_editor->emailList());
    ASSERT_EQ(mail.messages.size(), 2);
    EXPECT_TRUE(mail.messages.last().plainText);
    EXPECT_TRUE(mail.messages.last().body.contains(QStringLiteral("lemons")));

    // A mail program that cannot be reached is reported, not taken for success.
    mail.result = {false, QStringLiteral("no mail program")};
    EXPECT_FALSE(m_editor->emailList());
    EXPECT_EQ(alertMessages().last(),
              QStringLiteral("A new message could not be opened in your mail program."));
}

TEST(GroceryEmailAttachmentTest, NamesTheFileAfterTheListSafely) {
    const struct {
        const char* listName;
        const char* fileName;
    } cases[] = {
        {"Weekend", "Weekend.pdf"},
        {"Fish & Chips", "Fish & Chips.pdf"},
        {"../../.config/autostart", "-..-.config-autostart.pdf"},
        {"a\\b", "a-b.pdf"},
        {"   ", "Grocery List.pdf"},
        {"..", "Grocery List.pdf"},
    };
    for (const auto& c : cases) {
        const QString path =
            GroceryEditor::emailAttachmentPath(QStringLiteral("/support"), QLatin1String(c.listName));
        EXPECT_EQ(path, QStringLiteral("/support/Email/") + QLatin1String(c.fileName)) << c.listName;
    }
}

} // namespace
