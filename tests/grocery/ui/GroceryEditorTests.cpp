// The grocery editor on a real library: the consolidated list ticked through the window,
// then printed to a PDF file and mailed through the recording mail port.
#include "common/LibraryRecords.h"
#include "common/RecordingMailHandOver.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "grocery/GroceryCategories.h"
#include "grocery/GroceryController.h"
#include "grocery/ui/GroceryCategoriesTableView.h"
#include "grocery/ui/GroceryEditor.h"
#include "grocery/ui/GroceryListConsolidatedTableView.h"
#include "grocery/ui/GroceryListMyItemsTableView.h"
#include "grocery/ui/GroceryTableModels.h"
#include "library/AppController.h"
#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

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

// The aisles file as name:randomNumber entries, in file order.
QStringList storedAisles(const QString& libraryPath) {
    QStringList aisles;
    const PropertyListResult read = readPropertyListFile(GroceryCategories::categoriesPath(libraryPath));
    for (const QVariant& entry : read.value.toList()) {
        const QVariantMap category = entry.toMap();
        aisles.append(category.value(QStringLiteral("name")).toString() + QLatin1Char(':') +
                      category.value(QStringLiteral("randomNumber")).toString());
    }
    return aisles;
}

TEST_F(GroceryEditorTest, AislesEditedInTheirWindowAreSavedAndFollowedByTheConsolidatedList) {
    const QString library = m_library->session()->libraryPath();
    ASSERT_TRUE(
        writePropertyListFile(QVariantList{QVariantMap{{QStringLiteral("name"), QStringLiteral("Produce")},
                                                       {QStringLiteral("randomNumber"), 11}},
                                           QVariantMap{{QStringLiteral("name"), QStringLiteral("Dairy")},
                                                       {QStringLiteral("randomNumber"), 22}}},
                              GroceryCategories::categoriesPath(library)));
    ASSERT_TRUE(
        writePropertyListFile(QVariantList{QVariantMap{{QStringLiteral("name"), QStringLiteral("onion")},
                                                       {QStringLiteral("category"), 11}},
                                           QVariantMap{{QStringLiteral("name"), QStringLiteral("buttermilk")},
                                                       {QStringLiteral("category"), 22}}},
                              GroceryCategories::matchesPath(library)));
    m_editor->tableViewSelectionButtons(GroceryEditor::ConsolidatedTab);

    GroceryListConsolidatedTableView* list = m_editor->consolidatedTable();
    const auto popupItems = [list] {
        QWidget parent;
        QAbstractItemDelegate* delegate = list->itemDelegateForColumn(GroceryConsolidatedModel::AisleColumn);
        std::unique_ptr<QWidget> editor(delegate->createEditor(&parent, {}, {}));
        auto* popup = qobject_cast<QComboBox*>(editor.get());
        QStringList items;
        for (int i = 0; popup && i < popup->count(); ++i)
            items.append(popup->itemText(i));
        return items;
    };
    const auto aisleOf = [this](const char* name) {
        for (int row = 0; row < consolidated()->rowCount(); ++row)
            if (consolidated()->index(row, GroceryConsolidatedModel::NameColumn).data().toString() ==
                QLatin1String(name))
                return consolidated()->index(row, GroceryConsolidatedModel::AisleColumn).data().toString();
        return QStringLiteral("<missing>");
    };
    EXPECT_EQ(aisleOf("onion"), QStringLiteral("Produce"));

    // The window opens from the consolidated tab's button with the aisles of the file.
    list->parentWidget()->findChild<QPushButton*>(QStringLiteral("editAislesButton"))->click();
    GroceryCategoriesDialog* dialog = m_editor->findChild<GroceryCategoriesDialog*>();
    ASSERT_TRUE(dialog && dialog->isVisible());
    GroceryCategoriesTableView* table = dialog->table();
    GroceryCategoriesModel* aisles = table->categoriesModel();
    ASSERT_EQ(aisles->rowCount(), 2);

    // Added after the selected row, selected, saved, and its name open for typing.
    table->selectRows({0});
    dialog->findChild<QToolButton*>(QStringLiteral("addCategoryButton"))->click();
    EXPECT_EQ(table->selectedRowIndexes(), QList<int>{1});
    const QStringList added = storedAisles(library);
    ASSERT_EQ(added.size(), 3);
    EXPECT_TRUE(added.at(1).startsWith(QStringLiteral("New Category:"))) << qPrintable(added.join(u','));
    const QString newNumber = added.at(1).section(QLatin1Char(':'), 1);
    EXPECT_LT(newNumber.toInt(), 9999);
    auto* nameEditor = table->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(nameEditor);
    nameEditor->selectAll();
    QTest::keyClicks(nameEditor, QStringLiteral("Bakery"));
    QTest::keyClick(nameEditor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits the typed name queued
    EXPECT_EQ(storedAisles(library),
              (QStringList{QStringLiteral("Produce:11"), QStringLiteral("Bakery:") + newNumber,
                           QStringLiteral("Dairy:22")}));
    EXPECT_EQ(popupItems(), (QStringList{QString(), QStringLiteral("Produce"), QStringLiteral("Bakery"),
                                         QStringLiteral("Dairy")}));

    // Dairy dragged to the top stays selected and keeps its number; the rows follow it.
    const std::unique_ptr<QMimeData> dragged(aisles->mimeData({aisles->index(2, 0)}));
    aisles->dropMimeData(dragged.get(), Qt::MoveAction, 0, 0, {});
    EXPECT_EQ(table->selectedRowIndexes(), QList<int>{0});
    EXPECT_EQ(storedAisles(library), (QStringList{QStringLiteral("Dairy:22"), QStringLiteral("Produce:11"),
                                                  QStringLiteral("Bakery:") + newNumber}));
    EXPECT_EQ(popupItems(), (QStringList{QString(), QStringLiteral("Dairy"), QStringLiteral("Produce"),
                                         QStringLiteral("Bakery")}));
    EXPECT_EQ(aisleOf("buttermilk"), QStringLiteral("Dairy"));
    EXPECT_EQ(aisleOf("onion"), QStringLiteral("Produce"));

    // Removing Produce leaves the onion without an aisle.
    table->selectRows({1});
    dialog->findChild<QToolButton*>(QStringLiteral("removeCategoryButton"))->click();
    EXPECT_EQ(storedAisles(library),
              (QStringList{QStringLiteral("Dairy:22"), QStringLiteral("Bakery:") + newNumber}));
    EXPECT_EQ(popupItems(), (QStringList{QString(), QStringLiteral("Dairy"), QStringLiteral("Bakery")}));
    EXPECT_EQ(aisleOf("onion"), QString());
    EXPECT_EQ(aisleOf("buttermilk"), QStringLiteral("Dairy"));
    EXPECT_TRUE(m_alerts.asked.isEmpty());
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
