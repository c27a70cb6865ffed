// The group editor's sheet and its rule editor, driven through their widgets on a real
// library store.
#include "common/ScriptedAlerts.h"
#include "library/GroupEditorController.h"
#include "library/GroupEditorPlatefeeds.h"
#include "library/GroupsManagedObject.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "library/ui/GroupEditorSheet.h"
#include "library/ui/SmartGroupPredicateEditor.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Page = GroupEditorController::Page;

// Lets the editor's next-turn refresh run and the rows it replaced be deleted.
void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void choose(QComboBox* box, const QVariant& data) {
    ASSERT_TRUE(box);
    const int index = box->findData(data);
    ASSERT_GE(index, 0) << data.toString().toStdString();
    box->setCurrentIndex(index);
}

// The platefeed subsystem as the editor sees it: addresses under one host, titles told
// remembered, and the published name answered when the test says so.
class ScriptedPlatefeeds final : public GroupEditorPlatefeeds {
public:
    QList<GroupsManagedObject*> retitled;
    QList<NameDone> pending;
    QString publishedAddress(GroupsManagedObject* group) const override {
        return QStringLiteral("https://example.org/Sites/") +
               group->stringValue(QStringLiteral("platefeedAddress"));
    }
    void justUpdateTitleForPublishedPlatefeed(GroupsManagedObject* group) override { retitled.append(group); }
    bool spaceAnswers = true;
    void stopPublishingPlatefeed(GroupsManagedObject*, std::function<void(bool ok)> done) override {
        done(spaceAnswers);
    }
    void publishedNameForSubscribedPlatefeed(GroupsManagedObject*, NameDone done) override {
        pending.append(std::move(done));
    }
    void answer(bool found, const QString& name) {
        ASSERT_FALSE(pending.isEmpty());
        pending.takeFirst()(found, name);
    }
};

class GroupEditorSheetTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    std::unique_ptr<ObjectContext> m_context;
    ScriptedAlerts m_alerts;
    std::unique_ptr<RecipesArrayController> m_list;
    std::unique_ptr<GroupEditorController> m_editor;
    QWidget m_window;

    void SetUp() override {
        QString error;
        m_context = openLibraryStore(m_dir.filePath(QStringLiteral("Sheet.library")), true, &error);
        ASSERT_TRUE(m_context) << error.toStdString();
        m_list = std::make_unique<RecipesArrayController>(m_context.get());
        m_editor = std::make_unique<GroupEditorController>(m_context.get(), m_list.get(), &m_alerts);
        m_editor->createNewGroup(GroupsManagedObject::myRecipesName())
            ->setValueForKey(true, QStringLiteral("isLocalLibrary"));
        m_window.show();
    }
    QList<GroupsManagedObject*> groupsNamed(const QString& name) {
        QList<GroupsManagedObject*> found;
        for (ManagedObject* object : m_context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
            if (object->stringValue(QStringLiteral("name")) == name)
                found.append(static_cast<GroupsManagedObject*>(object));
        return found;
    }
    int groupCount() {
        return int(m_context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))).size());
    }
    static QStringList visiblePages(const GroupEditorSheet& sheet) {
        QStringList pages;
        for (Page page : {Page::Group, Page::SmartGroup, Page::GroceryList, Page::Platefeed, Page::MyLibrary})
            if (sheet.pageAction(page)->isVisible())
                pages.append(sheet.pageAction(page)->text());
        return pages;
    }
};

TEST(SmartGroupPredicateEditorTest, AnyRuleRoundTripsThroughItsRowsAndOneRowAlwaysStays) {
    SmartGroupPredicateEditor editor;
    const QString text = QStringLiteral(R"("Rating" > "3" OR "Ingredients" !=[c] "egg")");
    ASSERT_TRUE(editor.setRuleText(text));
    ASSERT_EQ(editor.rowCount(), 2);
    EXPECT_EQ(editor.compoundBox()->currentText(), QStringLiteral("any"));
    EXPECT_EQ(editor.displayWordBox(0)->currentData().toString(), QStringLiteral("Rating"));
    EXPECT_EQ(editor.operatorBox(0)->currentText(), QStringLiteral("is greater than"));
    ASSERT_TRUE(editor.valueBox(0));
    EXPECT_EQ(editor.valueBox(0)->currentData().toString(), QStringLiteral("3"));
    EXPECT_FALSE(editor.valueField(0));
    EXPECT_EQ(editor.operatorBox(1)->currentText(), QStringLiteral("does not contain"));
    ASSERT_TRUE(editor.valueField(1));
    EXPECT_EQ(editor.valueField(1)->text(), QStringLiteral("egg"));
    EXPECT_EQ(editor.ruleText(), text);

    // A new display word starts from its own operator and value.
    int changes = 0;
    QObject::connect(&editor, &SmartGroupPredicateEditor::ruleChanged, [&] { ++changes; });
    choose(editor.displayWordBox(1), QStringLiteral("Has Image"));
    EXPECT_EQ(editor.operatorBox(1)->currentText(), QStringLiteral("is"));
    EXPECT_EQ(editor.ruleText(), QStringLiteral(R"("Rating" > "3" OR "Has Image" == "Yes")"));
    EXPECT_EQ(changes, 1);

    editor.removeButton(1)->click();
    settle();
    ASSERT_EQ(editor.rowCount(), 1);
    EXPECT_FALSE(editor.removeButton(0)->isEnabled());
    editor.removeButton(0)->click();
    EXPECT_EQ(editor.rowCount(), 1);
    EXPECT_EQ(editor.ruleText(), QStringLiteral(R"("Rating" > "3")"));

    // "+" on the only row: a default row after it, and the rows read back from the text
    // (still matching any) once the click is over.
    editor.addButton(0)->click();
    settle();
    ASSERT_EQ(editor.rowCount(), 2);
    EXPECT_EQ(editor.compoundBox()->currentText(), QStringLiteral("any"));
    EXPECT_EQ(editor.displayWordBox(1)->currentData().toString(), QStringLiteral("Name"));
    editor.valueField(1)->setText(QStringLiteral("soup"));
    EXPECT_EQ(editor.ruleText(), QStringLiteral(R"("Rating" > "3" OR "Name" CONTAINS[c] "soup")"));

    editor.reset();
    EXPECT_EQ(editor.rowCount(), 1);
    EXPECT_EQ(editor.compoundBox()->currentText(), QStringLiteral("all"));
}

TEST_F(GroupEditorSheetTest, CreatesASmartGroupFromTheTypedNameAndRows) {
    GroupEditorSheet sheet(m_editor.get(), &m_window);
    sheet.openEditorForNewGroup();
    ASSERT_TRUE(sheet.isVisible());
    EXPECT_EQ(visiblePages(sheet),
              QStringList({QStringLiteral("Group"), QStringLiteral("Smart Group"),
                           QStringLiteral("Grocery List"), QStringLiteral("Platefeed")}));
    EXPECT_FALSE(sheet.pageAction(Page::Platefeed)->isEnabled());
    sheet.pageAction(Page::SmartGroup)->trigger();
    ASSERT_EQ(sheet.currentPage(), Page::SmartGroup);

    SmartGroupPredicateEditor* rules = sheet.predicateEditor();
    QTest::keyClicks(sheet.nameField(Page::SmartGroup), QStringLiteral("Favourites"));
    choose(rules->displayWordBox(0), QStringLiteral("Rating"));
    choose(rules->operatorBox(0), int(SmartGroupRules::Operator::IsGreaterThan));
    choose(rules->valueBox(0), QStringLiteral("3"));
    QTest::mouseClick(rules->addButton(0), Qt::LeftButton);
    settle();
    choose(rules->displayWordBox(1), QStringLiteral("Has Image"));
    QTest::mouseClick(sheet.okButton(), Qt::LeftButton);

    EXPECT_FALSE(sheet.isVisible());
    const QList<GroupsManagedObject*> created = groupsNamed(QStringLiteral("Favourites"));
    ASSERT_EQ(created.size(), 1);
    EXPECT_TRUE(created.first()->boolValue(QStringLiteral("isSmartGroup")));
    EXPECT_EQ(created.first()->stringValue(QStringLiteral("predicates")),
              QStringLiteral(R"("Rating" > "3" AND "Has Image" == "Yes")"));

    // The next sheet starts empty, on the "Group" page.
    sheet.openEditorForNewGroup();
    EXPECT_EQ(sheet.currentPage(), Page::Group);
    EXPECT_TRUE(sheet.nameField(Page::SmartGroup)->text().isEmpty());
    EXPECT_EQ(rules->rowCount(), 1);
}

TEST_F(GroupEditorSheetTest, RefusedNamesKeepTheSheetOpenAndCreateNothing) {
    GroupEditorSheet sheet(m_editor.get(), &m_window);
    const int before = groupCount();
    sheet.openEditorForNewGroup();
    QTest::keyClicks(sheet.nameField(Page::Group), QStringLiteral("  "));
    sheet.okButton()->click();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.noteText(), QStringLiteral("please enter a name for your new group"));

    // Typing again takes the note away; a comma is refused with the alert instead.
    QTest::keyClicks(sheet.nameField(Page::Group), QStringLiteral("a,b"));
    EXPECT_TRUE(sheet.noteText().isEmpty());
    sheet.okButton()->click();
    EXPECT_TRUE(sheet.isVisible());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText,
              QStringLiteral("Commas are not allowed in Group names at this time."));

    sheet.cancelButton()->click();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(groupCount(), before);
}

TEST_F(GroupEditorSheetTest, EditingShowsOnlyTheGroupsPageAndKeepsARuleItCannotShow) {
    GroupEditorSheet sheet(m_editor.get(), &m_window);
    GroupsManagedObject* list = m_editor->createNewGroceryList(QStringLiteral("Shop"));
    ASSERT_TRUE(sheet.editGroup(list));
    EXPECT_EQ(visiblePages(sheet), QStringList({QStringLiteral("Grocery List")}));
    EXPECT_EQ(sheet.currentPage(), Page::GroceryList);
    EXPECT_EQ(sheet.nameField(Page::GroceryList)->text(), QStringLiteral("Shop"));
    sheet.nameField(Page::GroceryList)->setText(QStringLiteral("Market"));
    sheet.okButton()->click();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(list->stringValue(QStringLiteral("name")), QStringLiteral("Market"));

    // "My Recipes" has no page: nothing opens.
    EXPECT_FALSE(sheet.editGroup(groupsNamed(GroupsManagedObject::myRecipesName()).value(0)));
    EXPECT_FALSE(sheet.isVisible());

    // A rule nested deeper than rows can show survives a rename; changing a row replaces it.
    const QString nested =
        QStringLiteral(R"("Rating" > "3" AND ("Name" CONTAINS[c] "a" OR "Notes" CONTAINS[c] "b"))");
    GroupsManagedObject* smart = m_editor->createNewSmartGroup(QStringLiteral("Mixed"), nested);
    ASSERT_TRUE(sheet.editGroup(smart));
    EXPECT_EQ(visiblePages(sheet), QStringList({QStringLiteral("Smart Group")}));
    EXPECT_EQ(sheet.predicateEditor()->rowCount(), 1);
    sheet.nameField(Page::SmartGroup)->setText(QStringLiteral("Renamed"));
    sheet.okButton()->click();
    EXPECT_EQ(smart->stringValue(QStringLiteral("name")), QStringLiteral("Renamed"));
    EXPECT_EQ(smart->stringValue(QStringLiteral("predicates")), nested);

    ASSERT_TRUE(sheet.editGroup(smart));
    sheet.predicateEditor()->valueField(0)->setText(QStringLiteral("pie"));
    sheet.okButton()->click();
    EXPECT_EQ(smart->stringValue(QStringLiteral("predicates")),
              QStringLiteral(R"("Name" CONTAINS[c] "pie")"));
    // Closed, the sheet offers every page again.
    sheet.openEditorForNewGroup();
    EXPECT_EQ(visiblePages(sheet).size(), 4);
}

TEST_F(GroupEditorSheetTest, PublishedGroupsShowTheirFeedFieldsAndUnpublishFromTheSheet) {
    ScriptedPlatefeeds platefeeds;
    m_editor->setPlatefeeds(&platefeeds);
    GroupEditorSheet sheet(m_editor.get(), &m_window);
    GroupsManagedObject* soups = m_editor->createNewGroup(QStringLiteral("Soups"));
    ASSERT_TRUE(sheet.editGroup(soups));
    EXPECT_FALSE(sheet.showsPublishedFields(Page::Group));
    sheet.cancelButton()->click();

    soups->setValueForKey(true, QStringLiteral("isPublishedPlatefeed"));
    soups->setValueForKey(QStringLiteral("Soup Feed"), QStringLiteral("platefeedName"));
    soups->setValueForKey(QStringLiteral("SoupFeed"), QStringLiteral("platefeedAddress"));
    ASSERT_TRUE(sheet.editGroup(soups));
    EXPECT_TRUE(sheet.showsPublishedFields(Page::Group));
    EXPECT_EQ(sheet.platefeedTitleField(Page::Group)->text(), QStringLiteral("Soup Feed"));
    EXPECT_EQ(sheet.platefeedAddressButton(Page::Group)->text(),
              QStringLiteral("https://example.org/Sites/SoupFeed"));

    // An empty title is refused like a name; a new one is stored and told.
    sheet.platefeedTitleField(Page::Group)->clear();
    sheet.okButton()->click();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.noteText(), QStringLiteral("please enter a name for your new group"));
    EXPECT_TRUE(platefeeds.retitled.isEmpty());
    QTest::keyClicks(sheet.platefeedTitleField(Page::Group), QStringLiteral("Winter Soups"));
    sheet.okButton()->click();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(soups->stringValue(QStringLiteral("platefeedName")), QStringLiteral("Winter Soups"));
    EXPECT_EQ(platefeeds.retitled, QList<GroupsManagedObject*>{soups});

    // Unpublish asks and closes the sheet; the group stays published while the space does
    // not answer, and is unpublished once it does.
    platefeeds.spaceAnswers = false;
    ASSERT_TRUE(sheet.editGroup(soups));
    m_alerts.queueButton(0);
    sheet.unpublishButton(Page::Group)->click();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(soups->boolValue(QStringLiteral("isPublishedPlatefeed")));
    ASSERT_EQ(m_alerts.asked.size(), 2);
    EXPECT_EQ(m_alerts.asked.first().buttonTitles.first(), QStringLiteral("Unpublish"));
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("The platefeed “Soups” could not be withdrawn."));
    platefeeds.spaceAnswers = true;
    ASSERT_TRUE(sheet.editGroup(soups));
    m_alerts.queueButton(0);
    sheet.unpublishButton(Page::Group)->click();
    EXPECT_FALSE(soups->boolValue(QStringLiteral("isPublishedPlatefeed")));

    // A published "My Recipes" opens on its own page, which a new group never offers.
    GroupsManagedObject* library = groupsNamed(GroupsManagedObject::myRecipesName()).value(0);
    library->setValueForKey(true, QStringLiteral("isPublishedPlatefeed"));
    library->setValueForKey(QStringLiteral("Robin's Kitchen"), QStringLiteral("platefeedName"));
    library->setValueForKey(QStringLiteral("RobinsKitchen"), QStringLiteral("platefeedAddress"));
    ASSERT_TRUE(sheet.editGroup(library));
    EXPECT_EQ(visiblePages(sheet), QStringList{QStringLiteral("My Library")});
    EXPECT_EQ(sheet.nameField(Page::MyLibrary)->text(), QStringLiteral("Robin's Kitchen"));
    EXPECT_EQ(sheet.platefeedAddressButton(Page::MyLibrary)->text(),
              QStringLiteral("https://example.org/Sites/RobinsKitchen"));
    sheet.nameField(Page::MyLibrary)->setText(QStringLiteral("Robin Cooks"));
    sheet.okButton()->click();
    EXPECT_EQ(library->stringValue(QStringLiteral("platefeedName")), QStringLiteral("Robin Cooks"));
    EXPECT_EQ(library->stringValue(QStringLiteral("name")), GroupsManagedObject::myRecipesName());
    EXPECT_EQ(platefeeds.retitled.size(), 2);
    sheet.openEditorForNewGroup();
    EXPECT_EQ(visiblePages(sheet).size(), 4);
    EXPECT_FALSE(visiblePages(sheet).contains(QStringLiteral("My Library")));
}

TEST_F(GroupEditorSheetTest, SubscribedPlatefeedPageWaitsForThePublishedName) {
    ScriptedPlatefeeds platefeeds;
    m_editor->setPlatefeeds(&platefeeds);
    GroupEditorSheet sheet(m_editor.get(), &m_window);
    GroupsManagedObject* feed = m_editor->createNewGroup(QStringLiteral("Mine"));
    feed->setValueForKey(true, QStringLiteral("isSubscribedPlatefeed"));
    feed->setValueForKey(QStringLiteral("Mine"), QStringLiteral("platefeedName"));
    feed->setValueForKey(QStringLiteral("https://example.org/Sites/SoupFeed"),
                         QStringLiteral("platefeedAddress"));
    ASSERT_TRUE(sheet.editGroup(feed));
    EXPECT_EQ(visiblePages(sheet), QStringList{QStringLiteral("Platefeed")});
    EXPECT_EQ(sheet.nameField(Page::Platefeed)->text(), QStringLiteral("Mine"));
    EXPECT_EQ(sheet.platefeedAddressButton(Page::Platefeed)->text(),
              QStringLiteral("https://example.org/Sites/SoupFeed"));

    // Reset Name: the sheet takes no input until the name is there.
    sheet.resetNameButton()->click();
    EXPECT_FALSE(sheet.isEnabled());
    platefeeds.answer(true, QStringLiteral("Soup Feed"));
    EXPECT_TRUE(sheet.isEnabled());
    EXPECT_EQ(sheet.nameField(Page::Platefeed)->text(), QStringLiteral("Soup Feed"));

    // OK with the published name: stored once answered, following the publisher again.
    sheet.okButton()->click();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(feed->stringValue(QStringLiteral("name")), QStringLiteral("Mine"));
    platefeeds.answer(true, QStringLiteral("Soup Feed"));
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(sheet.isEnabled());
    EXPECT_EQ(feed->stringValue(QStringLiteral("name")), QStringLiteral("Soup Feed"));
    EXPECT_TRUE(feed->valueForKey(QStringLiteral("platefeedName")).isNull());

    // Closing while the name is read drops the edit.
    ASSERT_TRUE(sheet.editGroup(feed));
    sheet.nameField(Page::Platefeed)->setText(QStringLiteral("Other"));
    sheet.okButton()->click();
    m_editor->closeWindow();
    platefeeds.answer(true, QStringLiteral("Soup Feed"));
    EXPECT_EQ(feed->stringValue(QStringLiteral("name")), QStringLiteral("Soup Feed"));
}

TEST(GroupEditorAddressLinkTest, OnlyWebAddressesOpenAndTheSheetClosesEitherWay) {
    GroupEditorController editor(nullptr, nullptr, nullptr);
    QSignalSpy opened(&editor, &GroupEditorController::openAddressRequested);
    QSignalSpy closed(&editor, &GroupEditorController::sheetClosed);
    const QList<std::pair<QString, bool>> titles = {
        {QStringLiteral("https://example.org/Sites/SoupFeed"), true},
        {QStringLiteral("http://127.0.0.1:8080/Sites/A"), true},
        {QStringLiteral(""), false},
        {QStringLiteral("Soup Feed"), false},
        {QStringLiteral("file:///etc/passwd"), false},
        {QStringLiteral("javascript:alert(1)"), false},
        {QStringLiteral("http://"), false},
    };
    for (const auto& [title, valid] : titles) {
        SCOPED_TRACE(title.toStdString());
        opened.clear();
        closed.clear();
        EXPECT_EQ(editor.openPlatefeedAddressLink(title), valid);
        EXPECT_EQ(opened.count(), valid ? 1 : 0);
        EXPECT_EQ(closed.count(), 1);
    }
}

} // namespace
