// The grocery editor's logic over a real library: exclusions, needed ticks, aisles kept
// for every list, own items, a damaged stored state, the printed page and its PDF.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "grocery/GroceryCategories.h"
#include "grocery/GroceryController.h"
#include "grocery/GroceryPageLayout.h"
#include "library/IngredientRecords.h"
#include "measure/MeasurementRules.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/PropertyList.h"
#include "platform/StructuredText.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

QVariantMap ingredient(const char* quantity, const char* measurement, const char* name, int randomNumber,
                       const char* method = "") {
    return {{QStringLiteral("quantity"), QString::fromUtf8(quantity)},
            {QStringLiteral("measurement"), QString::fromUtf8(measurement)},
            {QStringLiteral("name"), QString::fromUtf8(name)},
            {QStringLiteral("method"), QString::fromUtf8(method)},
            {QStringLiteral("isGroupTitle"), QStringLiteral("NO")},
            {QStringLiteral("randomNumber"), randomNumber}};
}

class GroceryControllerTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Grocery.library"));
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_session;
    RecipesManagedObject* m_bread = nullptr;
    RecipesManagedObject* m_cake = nullptr;

    void SetUp() override {
        m_session = std::make_unique<testsupport::TestSession>(m_library, m_alerts);
        ASSERT_TRUE(m_session->isOpen()) << m_session->error().toStdString();
        // The measurement rules a new library gets, so units are known words.
        ASSERT_GT(SmartMeasurementsController::insertDefaultSmartMeasurements(
                      m_session->context(), MeasurementRules::defaultSmartMeasurementList()),
                  0);
        ASSERT_TRUE(writePropertyListFile(
            QVariantList{QVariantMap{{QStringLiteral("name"), QStringLiteral("Produce")},
                                     {QStringLiteral("randomNumber"), 11}},
                         QVariantMap{{QStringLiteral("name"), QStringLiteral("Baking")},
                                     {QStringLiteral("randomNumber"), 22}}},
            GroceryCategories::categoriesPath(m_library)));
        ASSERT_TRUE(
            writePropertyListFile(QVariantList{QVariantMap{{QStringLiteral("name"), QStringLiteral("flour")},
                                                           {QStringLiteral("category"), 22}}},
                                  GroceryCategories::matchesPath(m_library)));
        m_bread = recipe("Bread", {ingredient("1/2", "cup", "flour", 1), ingredient("1", "", "egg", 2),
                                   ingredient("2", "", "pears", 3, "<b>ripe</b>")});
        m_cake = recipe("Cake", {ingredient("1/2", "cup", "flour", 4), ingredient("2", "", "eggs", 5)});
        UserDefaults::setObjectForKey(true, QStringLiteral("displaySingleCharacterFractions"));
    }

    RecipesManagedObject* recipe(const char* name, const QVariantList& ingredients) {
        RecipesManagedObject* made = testsupport::insertRecipe(m_session->context(), QString::fromUtf8(name));
        IngredientRecords::setIngredientsOfRecipe(made, ingredients);
        return made;
    }
    GroupsManagedObject* list(const char* name, const QString& dict) {
        GroupsManagedObject* group = testsupport::insertGroup(
            m_session->context(), QString::fromUtf8(name),
            {{QStringLiteral("isGroceryList"), 1}, {QStringLiteral("groceryListDict"), dict}});
        EXPECT_TRUE(m_session->session()->save());
        return group;
    }
    QString dictOf(const QList<ManagedObject*>& recipes) {
        QStringList ids;
        for (ManagedObject* r : recipes)
            ids.append(r->stringValue(QStringLiteral("uniqueID")));
        return structuredTextFromValue(QVariantMap{{QStringLiteral("recipeArray"), ids}});
    }
    static QString rows(const GroceryController& controller) {
        QStringList lines;
        for (const GroceryConsolidatedRow& row : controller.consolidatedRows())
            lines.append(row.quantity + u'|' + row.measurement + u'|' + row.name + u'|' + row.categoryName +
                         (row.needed ? QStringLiteral("|needed") : QString()));
        return lines.join(QStringLiteral("; "));
    }
};

TEST_F(GroceryControllerTest, ConsolidatesExcludesAndKeepsTicksAcrossReloads) {
    GroupsManagedObject* week = list("Week", dictOf({m_bread, m_cake}));
    GroceryController controller(*m_session->session());
    controller.setGroceryList(week);
    EXPECT_EQ(rows(controller).toStdString(), "3||egg|; 1|cup|flour|Baking; 2||pears|");
    ASSERT_EQ(controller.recipeRows().size(), 7); // two title rows and five ingredients

    // Excluding Cake's eggs: listed as excluded, gone from the consolidated list, kept.
    controller.setExcluded({6}, true);
    controller.setNeeded(0, true);
    GroceryController reopened(*m_session->session());
    reopened.setGroceryList(week);
    EXPECT_TRUE(reopened.recipeRows().at(6).isExcluded);
    EXPECT_FALSE(reopened.recipeRows().at(2).isExcluded);
    EXPECT_EQ(rows(reopened).toStdString(), "1||egg||needed; 1|cup|flour|Baking; 2||pears|");
    const QVariantMap stored =
        valueFromStructuredText(week->stringValue(QStringLiteral("groceryListDict"))).toMap();
    const QVariantMap excluded = stored.value(QStringLiteral("excludedObjects")).toList().value(0).toMap();
    EXPECT_EQ(excluded.value(QStringLiteral("name")).toString(), QStringLiteral("eggs"));
    EXPECT_FALSE(excluded.contains(QStringLiteral("isExcluded")));
    EXPECT_EQ(stored.value(QStringLiteral("recipeArray")).toList().size(), 2);
}

TEST_F(GroceryControllerTest, AnAisleBelongsToTheNameInEveryList) {
    GroupsManagedObject* week = list("Week", dictOf({m_bread}));
    GroupsManagedObject* party = list("Party", dictOf({m_cake}));
    GroceryController controller(*m_session->session());
    controller.setGroceryList(week);
    ASSERT_TRUE(controller.setCategory(0, QStringLiteral("Produce"))); // egg
    EXPECT_FALSE(controller.setCategory(0, QStringLiteral("Nowhere")));
    ASSERT_TRUE(controller.setCategory(1, QStringLiteral("Produce"))); // flour moves aisle

    GroceryController other(*m_session->session());
    other.setGroceryList(party);
    EXPECT_EQ(rows(other).toStdString(), "2||eggs|; 1/2|cup|flour|Produce");

    // Renaming an aisle keeps its ingredients; the empty aisle removes the name's match.
    other.categories().renameCategory(0, QStringLiteral("Fruit & Veg"));
    ASSERT_TRUE(other.categories().saveCategories());
    other.categoriesChanged();
    EXPECT_EQ(other.consolidatedRows().at(1).categoryName, QStringLiteral("Fruit & Veg"));
    other.setCategory(1, QString());
    controller.reload();
    EXPECT_EQ(rows(controller).toStdString(), "1||egg|Fruit & Veg; 1/2|cup|flour|; 2||pears|");
}

TEST_F(GroceryControllerTest, AnUnreadableStateOpensEmptyAndIsKeptUntilAnEdit) {
    const QString ids = m_bread->stringValue(QStringLiteral("uniqueID"));
    const QString states[] = {
        QStringLiteral("{ recipeArray = ( \"%1\" ; broken").arg(ids),
        QStringLiteral("( \"%1\" )").arg(ids),
        QStringLiteral("{recipeArray = (\"%1\"); myItems = text; excludedObjects = {a = b;}; "
                       "neededItems = (plain, (nested));}")
            .arg(ids),
    };
    for (const QString& state : states) {
        GroupsManagedObject* odd = list("Odd", state);
        GroceryController controller(*m_session->session());
        controller.setGroceryList(odd);
        EXPECT_TRUE(controller.myItems().isEmpty()) << state.toStdString();
        EXPECT_FALSE(controller.htmlString().isEmpty());
        controller.checkIfThereAreItemsToPrint();
        EXPECT_EQ(odd->stringValue(QStringLiteral("groceryListDict")), state);

        ASSERT_EQ(controller.addItem(), 0);
        const QVariantMap written =
            valueFromStructuredText(odd->stringValue(QStringLiteral("groceryListDict"))).toMap();
        EXPECT_EQ(written.value(QStringLiteral("myItems")).toList().size(), 1) << state.toStdString();
        m_session->context()->deleteObject(odd);
    }
}

TEST_F(GroceryControllerTest, OwnItemsAreParsedAndTypedOut) {
    GroupsManagedObject* week = list("Week", dictOf({}));
    GroceryController controller(*m_session->session());
    controller.setGroceryList(week);
    EXPECT_EQ(controller.addItemsFromText(QStringLiteral("2 cups milk\n1 loaf bread, sliced")), 2);
    const int row = controller.addItem(0);
    controller.setItemField(row, QStringLiteral("measurement"), QStringLiteral("cup"));
    controller.setItemField(row, QStringLiteral("quantity"), QStringLiteral("2\u00BD"));
    QStringList items;
    for (const GroceryItem& item : controller.myItems())
        items.append(item.quantity + u'|' + item.measurement + u'|' + item.name + u'|' + item.method);
    EXPECT_EQ(items.join(QStringLiteral("; ")).toStdString(),
              "2 1/2|cups|New Item|; 2|cups|milk|; 1|loaf|bread|sliced");
    EXPECT_EQ(controller.moveItems({0}, 3), QList<int>{2});
    controller.deleteItems({0, 0});
    GroceryController reopened(*m_session->session());
    reopened.setGroceryList(week);
    ASSERT_EQ(reopened.myItems().size(), 2);
    EXPECT_EQ(reopened.myItems().at(1).name, QStringLiteral("New Item"));
}

TEST_F(GroceryControllerTest, PrintedPageHasAislesInOrderAndUncategorizedLast) {
    GroupsManagedObject* week = list("Week <1>", dictOf({m_bread, m_cake}));
    GroceryController controller(*m_session->session());
    controller.setGroceryList(week);
    EXPECT_FALSE(controller.checkIfThereAreItemsToPrint());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.at(0).messageText,
              QStringLiteral("Unable to print/email ingredients because none are marked Needed."));
    EXPECT_EQ(m_alerts.asked.at(0).buttonTitles, QStringList{QStringLiteral("OK")});

    controller.setAllNeeded(true);
    controller.setNeeded(0, false); // egg
    controller.addItemsFromText(QStringLiteral("1/2 lb butter"));
    controller.setCategory(2, QStringLiteral("Produce")); // pears
    EXPECT_TRUE(controller.checkIfThereAreItemsToPrint());
    const QString page = controller.htmlString();
    const qsizetype produce = page.indexOf(QStringLiteral(">Produce</div>"));
    const qsizetype baking = page.indexOf(QStringLiteral(">Baking</div>"));
    const qsizetype uncategorized = page.indexOf(QStringLiteral(">Uncategorized</div>"));
    EXPECT_TRUE(produce > 0 && produce < baking && baking < uncategorized) << page.toStdString();
    const QString lines[] = {
        QStringLiteral("\u2610&nbsp;&nbsp;2&nbsp;pears,&nbsp;&lt;b&gt;ripe&lt;/b&gt;<br>"),
        QStringLiteral("\u2610&nbsp;&nbsp;1&nbsp;cup&nbsp;flour<br></div></div></div><hr>"),
        QStringLiteral("\u2610&nbsp;&nbsp;*\u00BD&nbsp;lb&nbsp;butter<br>"),
        QStringLiteral("<h1>Week &lt;1&gt;</h1>"),
    };
    for (const QString& line : lines)
        EXPECT_TRUE(page.contains(line)) << line.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("egg")));
    EXPECT_EQ(page.count(QStringLiteral("<hr>")), 3);

    EXPECT_EQ(controller.emailSubject(), QStringLiteral("Week <1> List - Larkspoon!"));
    EXPECT_EQ(
        controller.generatePlainTextEmail().toStdString(),
        "Week <1>\n\nProduce\n- 2 pears, <b>ripe</b>\n\nBaking\n- 1 cup flour\n\nUncategorized\n- *1/2 lb "
        "butter\n");
}

TEST_F(GroceryControllerTest, TheLongPagePrintsOnSeveralLetterPages) {
    GroupsManagedObject* week = list("Week", dictOf({}));
    GroceryController controller(*m_session->session());
    controller.setGroceryList(week);
    QString text;
    for (int i = 0; i < 120; ++i)
        text += QStringLiteral("%1 cups item number %1\n").arg(i + 1);
    ASSERT_EQ(controller.addItemsFromText(text), 120);
    const QString path = m_dir.filePath(QStringLiteral("list.pdf"));
    QString error;
    ASSERT_TRUE(writeGroceryPagePdf(controller.htmlString(), path, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_GE(pdf.count("/Type /Page\n"), 2);
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 612.000000 792.000000]"));
    EXPECT_FALSE(
        writeGroceryPagePdf(controller.htmlString(), m_dir.filePath(QStringLiteral("no/such/dir.pdf"))));
}

} // namespace
