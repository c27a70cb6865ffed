// Recipe cards: the template's markers, laying a recipe out on cards measured by real engine
// pages, the alerts that end a layout, and the agreement of the two ways of measuring.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"
#include "library/IngredientRecords.h"
#include "platform/DataModel.h"
#include "present/CardPrintJobBackend.h"
#include "present/CardTemplate.h"
#include "present/PrintView.h"
#include "present/PrintViewGenerator.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QString kFixtureTemplate =
    QStringLiteral("present/Themes/CardFixture/Print Templates/Test/Template.html");

TEST(CardTemplateTest, ReadsMarkersAndPrintOrder) {
    struct Case {
        const char* text;
        bool metric;
        bool description;
        int width, height, maxHeight, offset, fontSize;
        QStringList order;
        const char* note;
    };
    const QStringList all = {QStringLiteral("ingredients"), QStringLiteral("metrics"),
                             QStringLiteral("description"), QStringLiteral("directions"),
                             QStringLiteral("notes"),       QStringLiteral("private_notes"),
                             QStringLiteral("keywords")};
    QStringList withoutDescription = all;
    withoutDescription.removeAll(QStringLiteral("description"));
    const Case cases[] = {
        // Values end at the next star; integers are read from their leading digits.
        {"/*pageWidth:432*/ /*pageHeight:288px*/ /*maxHeightBeforeCreatingNewPage:250*/ "
         "/*minHeightOffsetValue:4*/"
         " /*fontSize:12*/ /*statusBarNote:For use with \"x\" cards*/",
         false, true, 432, 288, 250, 4, 12, all, "For use with \"x\" cards"},
        // Absent markers: zero sizes, font size 10, the default order without description.
        {"<p>nothing</p>", false, false, 0, 0, 0, 0, 10, withoutDescription, ""},
        // Unknown keys, one with a space, and duplicates are dropped.
        {"/*printOrder:notes, directions,keywords,recipe,notes*/",
         false,
         true,
         0,
         0,
         0,
         0,
         10,
         {QStringLiteral("notes"), QStringLiteral("keywords")},
         ""},
        {"/*printOrder:description,directions*/",
         false,
         false,
         0,
         0,
         0,
         0,
         10,
         {QStringLiteral("directions")},
         ""},
        // Metric paper: anything not 432 wide becomes A4; the 4 by 6 formats and sizeless
        // templates keep their size.
        {"/*pageWidth:612*/ /*pageHeight:792*/", true, true, 595, 841, 0, 0, 10, all, ""},
        {"/*pageWidth:432*/ /*pageHeight:288*/", true, true, 432, 288, 0, 0, 10, all, ""},
        {"/*pageWidth:abc*/ /*pageHeight:792*/", true, true, 0, 792, 0, 0, 10, all, ""},
    };
    for (const Case& c : cases) {
        const CardTemplate card =
            CardTemplate::fromText(QStringLiteral("/t/My Theme/Print Templates/Letter/Template.html"),
                                   QString::fromUtf8(c.text), c.metric, c.description);
        const std::string what = c.text;
        EXPECT_EQ(card.pageWidth, c.width) << what;
        EXPECT_EQ(card.pageHeight, c.height) << what;
        EXPECT_EQ(card.maxHeight, c.maxHeight) << what;
        EXPECT_EQ(card.minHeightOffsetValue, c.offset) << what;
        EXPECT_EQ(card.fontSize, c.fontSize) << what;
        EXPECT_EQ(card.printOrder, c.order) << what;
        EXPECT_EQ(card.statusBarNote, QString::fromUtf8(c.note)) << what;
        EXPECT_EQ(card.isUsable(), c.width > 0 && c.height > 0 && c.maxHeight > 0) << what;
        EXPECT_EQ(card.basePath, QStringLiteral("/t/My%20Theme/")) << what;
    }

    const CardTemplate rules = CardTemplate::fromText(
        {}, QStringLiteral("/*placementRules:notes after directions and keywords after notes and bad*/"),
        false, true);
    const QList<QPair<QString, QString>> expected = {{QStringLiteral("notes"), QStringLiteral("directions")},
                                                     {QStringLiteral("keywords"), QStringLiteral("notes")}};
    EXPECT_EQ(rules.printRulesArray, expected);

    EXPECT_EQ(CardTemplate::formatNote(QStringLiteral("For use with US Letter paper"), true),
              QStringLiteral("For use with A4 paper"));
    EXPECT_EQ(CardTemplate::formatNote(QStringLiteral("For use with US Letter paper"), false),
              QStringLiteral("For use with US Letter paper"));
    EXPECT_EQ(CardTemplate::formatNote(QStringLiteral("Own note"), true), QStringLiteral("Own note"));
}

TEST(CardTemplateTest, EveryShippedFormatIsUsable) {
    const QString themes = resourcesPath() + QStringLiteral("/Themes");
    for (const QString& theme : {QStringLiteral("Brown"), QStringLiteral("Slate")}) {
        for (const QString& format :
             {QStringLiteral("Letter"), QStringLiteral("4x6 Index Card"), QStringLiteral("4x6 Photo")}) {
            for (const bool alternate : {false, true}) {
                const QString path = CardTemplate::templatePath(themes, {}, theme, format, alternate);
                const std::optional<CardTemplate> card = CardTemplate::read(path, false, true);
                ASSERT_TRUE(card) << path.toStdString();
                EXPECT_TRUE(card->isUsable()) << path.toStdString();
                EXPECT_TRUE(card->text.contains(QStringLiteral("measured_height_container")));
                EXPECT_FALSE(CardTemplate::formatNote(card->statusBarNote, false).isEmpty());
                EXPECT_TRUE(QFile::exists(QFileInfo(path).path() + QStringLiteral("/thumb.png")));
            }
        }
    }
    EXPECT_TRUE(
        CardTemplate::templatePath(themes, {}, QStringLiteral("../Brown"), QStringLiteral("Letter"), false)
            .isEmpty());
    EXPECT_TRUE(CardTemplate::templatePath(themes, {}, QStringLiteral("Sky"), QStringLiteral("Letter"), false)
                    .isEmpty());
}

class CardLayoutTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_library;
    QString m_jobFolder = m_dir.filePath(QStringLiteral("PrintJob"));

    void SetUp() override {
        m_library = std::make_unique<testsupport::TestSession>(
            m_dir.filePath(QStringLiteral("Cards.library")), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
    }

    RecipesManagedObject* recipe(const QString& name, const QVariantMap& values = {}, int ingredients = 0) {
        RecipesManagedObject* r = testsupport::insertRecipe(m_library->context(), name, values);
        QVariantList rows;
        for (int i = 1; i <= ingredients; ++i) {
            QVariantMap row = IngredientRecords::newIngredientRecord();
            row.insert(QStringLiteral("quantity"), QStringLiteral("1/2"));
            row.insert(QStringLiteral("name"), QStringLiteral("item %1").arg(i));
            rows.append(row);
        }
        if (!rows.isEmpty())
            IngredientRecords::setIngredientsOfRecipe(r, rows);
        return r;
    }

    // Recipes that lay out in varied ways: many sections over several cards, tags that span
    // paragraphs, lists, cards left nearly full and texts that need escaping.
    QList<const RecipesManagedObject*> variedRecipes() {
        QString longDirections;
        for (int i = 1; i <= 14; ++i)
            longDirections += QStringLiteral("Step %1: stir <b>gently</b> for %1 minutes, then rest.%2")
                                  .arg(i)
                                  .arg(i % 4 == 0 ? QStringLiteral("\n\n") : QStringLiteral("<br>"));
        RecipesManagedObject* big =
            recipe(QStringLiteral("Big Feast"),
                   {{QStringLiteral("directions"), longDirections},
                    {QStringLiteral("notes"), QStringLiteral("Keep warm.\n\nServe [1] with 1/4 cup.")},
                    {QStringLiteral("yield"), QStringLiteral("8")},
                    {QStringLiteral("difficulty"), 2},
                    {QStringLiteral("keywords"), QStringLiteral("feast,winter")},
                    {QStringLiteral("recipeDescription"), QStringLiteral("A long dinner.")}},
                   23);
        // An opened tag closed two paragraphs later.
        RecipesManagedObject* odd =
            recipe(QStringLiteral("Odd"),
                   {{QStringLiteral("directions"),
                     QStringLiteral("<i>one<br>two<br>three</i><br>four<br>five<br>six<br>seven")},
                    {QStringLiteral("privateNotes"), QStringLiteral("secret")}},
                   5);
        QString steps =
            QStringLiteral("Intro<br><p>First <b>a paragraph</b>.</p>\n<p>Then another one.</p><ol>");
        for (int i = 1; i <= 12; ++i)
            steps += QStringLiteral("<li>Whisk, fold and rest the batter, step %1 of twelve.</li>").arg(i);
        steps += QStringLiteral("</ol>Serve.");
        RecipesManagedObject* small =
            recipe(QStringLiteral("Small"), {{QStringLiteral("directions"), steps}}, 1);
        // Cards left nearly full, then sections of one short line each, which may just fit
        // where the ones before them did not.
        const QVariantMap shortLines = {{QStringLiteral("notes"), QStringLiteral("Hot.")},
                                        {QStringLiteral("yield"), QStringLiteral("2")},
                                        {QStringLiteral("keywords"), QStringLiteral("quick")},
                                        {QStringLiteral("directions"), QStringLiteral("Stir.")}};
        RecipesManagedObject* tight = recipe(QStringLiteral("Tight"), shortLines, 14);
        RecipesManagedObject* tighter = recipe(QStringLiteral("Tighter"), shortLines, 29);
        // Texts that must reach the page exactly when a card's content is replaced by a script:
        // quotes, backslashes, argument markers, line separators and closing tags in text.
        QString escapes;
        for (int i = 1; i <= 24; ++i)
            escapes += QStringLiteral("Say \"stir\" \\ 'fold' %1 %2 $& 50% &lt;/script&gt; \u2028 step ") +
                       QString::number(i) + QStringLiteral(".<br>");
        RecipesManagedObject* quoted =
            recipe(QStringLiteral("Quoted \"%1\""), {{QStringLiteral("directions"), escapes}}, 3);
        return {big, odd, small, tight, tighter, quoted};
    }

    static QString indexCardTemplate() {
        return resourcesPath() + QStringLiteral("/Themes/Brown/Print Templates/4x6 Index Card/Template.html");
    }

    // The fixture, a plain index card, a card with floats, and Letter, which places notes
    // after the directions (a recipe fits on one page under its rules).
    static QStringList variedTemplates() {
        return {testsupport::testDataPath(kFixtureTemplate), indexCardTemplate(),
                resourcesPath() +
                    QStringLiteral("/Themes/Slate/Print Templates/4x6 Photo/AlternateTemplate.html"),
                resourcesPath() + QStringLiteral("/Themes/Brown/Print Templates/Letter/Template.html")};
    }

    // A card page file as text (UTF-16 with a byte-order mark).
    static QString pageFileText(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        if (!bytes.startsWith("\xFF\xFE"))
            return {};
        QStringDecoder decoder(QStringConverter::Utf16LE);
        return decoder.decode(bytes.mid(2));
    }

    static CardSettings settings() {
        CardSettings s;
        s.metricUnits = false;
        return s;
    }

    // Lays recipe out and returns the card pages; empty when the layout failed.
    QStringList layOut(const ManagedObject* r, CardSettings s = settings(),
                       PrintViewGenerator::LayoutMethod method = PrintViewGenerator::LayoutMethod::Measured,
                       const QString& path = testsupport::testDataPath(kFixtureTemplate),
                       int* renders = nullptr, int* loads = nullptr) {
        PrintViewGenerator generator(&m_alerts, m_jobFolder);
        generator.setSettings(s);
        generator.setLayoutMethod(method);
        EXPECT_TRUE(generator.setHTMLTemplate(path));
        QSignalSpy finished(&generator, &PrintViewGenerator::layoutFinished);
        generator.loadPreviewForRecipe(r);
        if (finished.isEmpty()) {
            EXPECT_TRUE(finished.wait(120000));
        }
        if (renders)
            *renders = generator.renderCount();
        if (loads)
            *loads = generator.pageLoadCount();
        if (finished.isEmpty() || !finished.first().first().toBool())
            return {};
        EXPECT_EQ(generator.cardStack().pageFiles.size(), generator.cardCount());
        return generator.cardPages();
    }
};

TEST_F(CardLayoutTest, ARecipeThatFitsHasOneCardWithoutCounter) {
    const QStringList cards =
        layOut(recipe(QStringLiteral("Toast"), {{QStringLiteral("notes"), QStringLiteral("Butter 1/2")}}, 1));
    ASSERT_EQ(cards.size(), 1);
    EXPECT_FALSE(cards[0].contains(QStringLiteral("page_count")));
    EXPECT_FALSE(cards[0].contains(QStringLiteral("1/")));
    EXPECT_TRUE(cards[0].contains(QStringLiteral("min-height: 120px")));
    EXPECT_TRUE(cards[0].contains(QStringLiteral("<h2>Ingredients:</h2>")));
    EXPECT_TRUE(cards[0].contains(QStringLiteral("<ingredient_name>item 1</ingredient_name>")));
    EXPECT_TRUE(cards[0].contains(QStringLiteral("Butter ½")));
    // The base path reaches the theme folder; the page file is UTF-16 with a byte-order mark.
    EXPECT_TRUE(cards[0].contains(QStringLiteral("CardFixture/card.css")));
    QFile file(m_jobFolder + QStringLiteral("/page1.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\xFF\xFE"));
    // Empty sections are hidden; a section left out by its preference is left as it is.
    EXPECT_TRUE(cards[0].contains(QStringLiteral("div#recipe_directions {display: none;}")));
    EXPECT_TRUE(cards[0].contains(QStringLiteral("#extrainfo {display: none;}")));
}

TEST_F(CardLayoutTest, IngredientsThatFillACardAndOneMore) {
    // Title, section title and three ingredients make five lines: the card is full.
    EXPECT_EQ(layOut(recipe(QStringLiteral("Three"), {}, 3)).size(), 1);

    const QStringList cards = layOut(recipe(QStringLiteral("Four"), {}, 4));
    ASSERT_EQ(cards.size(), 2);
    EXPECT_TRUE(cards[0].contains(QStringLiteral("item 3<")));
    EXPECT_FALSE(cards[0].contains(QStringLiteral("item 4<")));
    EXPECT_FALSE(cards[1].contains(QStringLiteral("item 3<")));
    EXPECT_TRUE(cards[1].contains(QStringLiteral("item 4<")));
    for (int n = 0; n < 2; ++n) {
        EXPECT_TRUE(cards[n].contains(QStringLiteral("<h1 id=\"title\">Four ")));
        EXPECT_TRUE(cards[n].contains(QStringLiteral("<h2>Ingredients:</h2>")));
        EXPECT_TRUE(cards[n].contains(QStringLiteral("<div id=\"counter\">%1/2</div>").arg(n + 1)));
    }
}

TEST_F(CardLayoutTest, NotesFollowDirectionsOntoTheirLastCard) {
    const QString directions = QStringLiteral("D1<br>D2<br>D3<br>D4");
    const QStringList cards =
        layOut(recipe(QStringLiteral("Stew"), {{QStringLiteral("directions"), directions},
                                               {QStringLiteral("notes"), QStringLiteral("N1")}}));
    ASSERT_EQ(cards.size(), 2);
    EXPECT_TRUE(cards[0].contains(QStringLiteral("D1<br>D2<br>D3</div>")));
    EXPECT_TRUE(cards[0].contains(QStringLiteral("div#recipe_notes {display: none;}")));
    EXPECT_FALSE(cards[0].contains(QStringLiteral("N1")));
    EXPECT_TRUE(cards[1].contains(QStringLiteral(">D4</div>")));
    EXPECT_TRUE(cards[1].contains(QStringLiteral("div#recipe_notes {/*notes_hide*/}")));
    EXPECT_TRUE(cards[1].contains(QStringLiteral("<h2>Notes:</h2><div class=\"content\">N1</div>")));

    // The entries of a list in the directions go on cards one by one and keep their numbers.
    const QStringList listed =
        layOut(recipe(QStringLiteral("Listed"),
                      {{QStringLiteral("directions"),
                        QStringLiteral("<ol>\n<li>L1</li>\n<li>L2</li>\n<li>L3</li>\n<li>L4</li>\n</ol>")}}));
    ASSERT_EQ(listed.size(), 2);
    EXPECT_TRUE(listed[0].contains(
        QStringLiteral("<ol start=\"1\"><li>L1</li></ol><ol start=\"2\"><li>L2</li></ol>")));
    EXPECT_TRUE(listed[1].contains(QStringLiteral("<ol start=\"4\"><li>L4</li></ol></div>")));

    // With notes off nothing of them is filled; the empty directions still hide what
    // follows them.
    CardSettings noNotes = settings();
    noNotes.printNotes = false;
    const QStringList without =
        layOut(recipe(QStringLiteral("Soup"), {{QStringLiteral("notes"), QStringLiteral("N1")}}), noNotes);
    ASSERT_EQ(without.size(), 1);
    EXPECT_TRUE(without[0].contains(
        QStringLiteral("<h2><!--notes_title--></h2><div class=\"content\"><!--notes-->")));
    EXPECT_FALSE(without[0].contains(QStringLiteral("N1")));
}

TEST_F(CardLayoutTest, FontSizeOffsetAndPictureOnTheFirstCardOnly) {
    CardSettings smaller = settings();
    smaller.printSizeOffset = -2;
    const QStringList cards =
        layOut(recipe(QStringLiteral("Rated"), {{QStringLiteral("rating"), 3}}, 4), smaller);
    ASSERT_EQ(cards.size(), 2);
    EXPECT_TRUE(cards[0].contains(QStringLiteral("font-size: 8px;")));
    EXPECT_TRUE(cards[0].contains(QStringLiteral("★★★")));
    EXPECT_TRUE(cards[1].contains(QStringLiteral("#rating {display: none;}")));
    EXPECT_TRUE(cards[1].contains(QStringLiteral("#picture {display: none;}")));
}

TEST_F(CardLayoutTest, AlertsEndTheLayout) {
    // A paragraph taller than any card.
    QString paragraph;
    for (int i = 0; i < 400; ++i)
        paragraph += QStringLiteral("word%1 ").arg(i);
    EXPECT_TRUE(
        layOut(recipe(QStringLiteral("Epic"), {{QStringLiteral("directions"), paragraph}})).isEmpty());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked[0].messageText, QStringLiteral("Unable to Print “Epic” in This Format"));
    EXPECT_EQ(
        m_alerts.asked[0].informativeText,
        QStringLiteral("A portion of this recipe is unable to to fit within the height of this print format. "
                       "Dividing large paragraphs of text into smaller ones will fix it."));

    // A template without its size, and one without a usable print order.
    QTemporaryDir folder;
    const QString sizeless = folder.filePath(QStringLiteral("sizeless.html"));
    const QString orderless = folder.filePath(QStringLiteral("orderless.html"));
    for (const auto& [path, text] :
         {std::pair{sizeless, "/*pageWidth:300*/ /*pageHeight:100*/"},
          std::pair{orderless, "/*pageWidth:300*/ /*pageHeight:100*/"
                               " /*maxHeightBeforeCreatingNewPage:90*/ /*printOrder:x*/"}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    m_alerts.asked.clear();
    const ManagedObject* r = recipe(QStringLiteral("R"));
    EXPECT_TRUE(layOut(r, settings(), PrintViewGenerator::LayoutMethod::Measured, sizeless).isEmpty());
    EXPECT_TRUE(layOut(r, settings(), PrintViewGenerator::LayoutMethod::Measured, orderless).isEmpty());
    ASSERT_EQ(m_alerts.asked.size(), 2);
    EXPECT_EQ(m_alerts.asked[0].messageText, QStringLiteral("Unable to Load Preview"));
    EXPECT_EQ(
        m_alerts.asked[0].informativeText,
        QStringLiteral("The HTML template doesn't include either 'maxHeight', 'pageWidth', or 'pageHeight'"));
    EXPECT_EQ(m_alerts.asked[1].messageText, QStringLiteral("This theme is not configured correctly."));
    EXPECT_EQ(m_alerts.asked[0].buttonTitles, QStringList{QStringLiteral("OK")});

    // A format whose template cannot be read does not lay its cards out on the format chosen
    // before it.
    m_alerts.asked.clear();
    PrintViewGenerator generator(&m_alerts, m_jobFolder);
    generator.setSettings(settings());
    ASSERT_TRUE(generator.setHTMLTemplate(testsupport::testDataPath(kFixtureTemplate)));
    EXPECT_FALSE(generator.setHTMLTemplate(folder.filePath(QStringLiteral("missing/Template.html"))));
    QSignalSpy finished(&generator, &PrintViewGenerator::layoutFinished);
    generator.loadPreviewForRecipe(r);
    if (finished.isEmpty()) {
        ASSERT_TRUE(finished.wait(120000));
    }
    EXPECT_FALSE(finished.first().first().toBool());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked[0].messageText, QStringLiteral("Unable to Load Preview"));
}

// Measuring many items per render must give the very cards that adding one item per render
// gives, on the fixture and on a real theme with wrapping text, floats and group titles.
TEST_F(CardLayoutTest, BothMeasuringMethodsGiveTheSameCards) {
    const QList<const RecipesManagedObject*> recipes = variedRecipes();
    const QString index = indexCardTemplate();
    for (const QString& path : variedTemplates()) {
        for (const RecipesManagedObject* r : recipes) {
            int measuredRenders = 0;
            int measuredLoads = 0;
            int stepRenders = 0;
            int stepLoads = 0;
            const QStringList measured = layOut(r, settings(), PrintViewGenerator::LayoutMethod::Measured,
                                                path, &measuredRenders, &measuredLoads);
            const QStringList stepwise =
                layOut(r, settings(), PrintViewGenerator::LayoutMethod::OneRenderPerItem, path, &stepRenders,
                       &stepLoads);
            const std::string what =
                r->stringValue(QStringLiteral("name")).toStdString() + " on " + path.toStdString();
            ASSERT_FALSE(measured.isEmpty()) << what;
            EXPECT_EQ(measured, stepwise) << what;
            EXPECT_LE(measuredRenders, stepRenders) << what;
            // The reference loads every page it measures; the measured layout loads a card's
            // page once and replaces its content for the renders after.
            EXPECT_EQ(stepLoads, stepRenders) << what;
            EXPECT_EQ(measuredLoads, 1) << what;
            // On the plain index card a section does not render the full cards of the ones
            // before it again: at most one render beyond the cards it fills, and one for
            // trying the whole recipe on one card.
            if (path == index) {
                EXPECT_LE(measuredRenders, measured.size() + 7 + 1) << what;
            }
        }
    }
    EXPECT_TRUE(m_alerts.asked.empty());
}

// A print job lays its recipes out one after another with one generator, on the engine page
// the first layout loaded: each recipe gets the cards it gets alone, written to its own
// folder, and while the template stays the same no layout after the first loads a page.
TEST_F(CardLayoutTest, ARecipeLaidOutAfterOthersGetsTheCardsItGetsAlone) {
    const QList<const RecipesManagedObject*> recipes = variedRecipes();
    PrintViewGenerator kept(&m_alerts, m_jobFolder);
    kept.setSettings(settings());
    int folder = 0;
    for (const QString& path : variedTemplates()) {
        ASSERT_TRUE(kept.setHTMLTemplate(path));
        // In order and back again: every recipe follows another one at least once.
        QList<const RecipesManagedObject*> order = recipes;
        std::reverse(order.begin(), order.end());
        order = recipes + order;
        for (qsizetype n = 0; n < order.size(); ++n) {
            const RecipesManagedObject* r = order.at(n);
            const std::string what =
                r->stringValue(QStringLiteral("name")).toStdString() + " on " + path.toStdString();
            const QString recipeFolder = m_dir.filePath(QStringLiteral("Job/%1").arg(++folder));
            kept.setJobFolder(recipeFolder);
            QSignalSpy finished(&kept, &PrintViewGenerator::layoutFinished);
            kept.loadPreviewForRecipe(r);
            ASSERT_TRUE(finished.wait(120000)) << what;
            ASSERT_TRUE(finished.first().first().toBool()) << what;
            EXPECT_EQ(kept.cardPages(),
                      layOut(r, settings(), PrintViewGenerator::LayoutMethod::Measured, path))
                << what;
            EXPECT_EQ(kept.pageLoadCount(), n == 0 ? 1 : 0) << what;
            const CardStack stack = kept.cardStack();
            ASSERT_EQ(stack.pageFiles.size(), kept.cardCount()) << what;
            for (int card = 0; card < kept.cardCount(); ++card) {
                EXPECT_EQ(QFileInfo(stack.pageFiles.at(card)).path(), recipeFolder) << what;
                EXPECT_EQ(pageFileText(stack.pageFiles.at(card)), kept.cardPages().at(card)) << what;
            }
        }
    }
    EXPECT_TRUE(m_alerts.asked.empty());
}

// The job's backend: one page load for the whole job, each recipe's cards as it gets them
// alone, and one PDF of all the cards.
TEST_F(CardLayoutTest, APrintJobLoadsOnePageAndPrintsEveryCard) {
    const QList<const RecipesManagedObject*> recipes = variedRecipes();
    const QString path = indexCardTemplate();
    CardPrintJobBackend backend(&m_alerts);
    QList<CardStack> stacks;
    for (qsizetype n = 0; n < recipes.size(); ++n) {
        std::optional<CardStack> stack;
        QEventLoop loop;
        backend.layOut(recipes.at(n), path, settings(), m_dir.filePath(QStringLiteral("Job/%1").arg(n + 1)),
                       [&](std::optional<CardStack> laidOut) {
                           stack = std::move(laidOut);
                           loop.quit();
                       });
        loop.exec();
        ASSERT_TRUE(stack) << n;
        QStringList pages;
        for (const QString& file : std::as_const(stack->pageFiles))
            pages.append(pageFileText(file));
        EXPECT_EQ(pages, layOut(recipes.at(n), settings(), PrintViewGenerator::LayoutMethod::Measured, path))
            << n;
        stacks.append(*stack);
    }
    EXPECT_EQ(backend.pageLoadCount(), 1);

    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdfinfo.isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed";
    const QString pdf = m_dir.filePath(QStringLiteral("job.pdf"));
    bool written = false;
    QEventLoop loop;
    backend.writePdf(stacks, m_dir.filePath(QStringLiteral("Job")), pdf, false, [&](bool ok) {
        written = ok;
        loop.quit();
    });
    loop.exec();
    ASSERT_TRUE(written);
    qsizetype cards = 0;
    for (const CardStack& stack : std::as_const(stacks))
        cards += stack.pageFiles.size();
    QProcess info;
    info.start(pdfinfo, {pdf});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(cards))))
        << out.toStdString();
}

TEST_F(CardLayoutTest, PrintViewWritesOnePdfPagePerCard) {
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdfinfo.isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed";
    PrintView view(m_jobFolder);
    for (const auto& [name, count] : {std::pair{"One", 4}, std::pair{"Two", 1}}) {
        PrintViewGenerator generator(&m_alerts, m_jobFolder + QLatin1Char('/') + QLatin1String(name));
        generator.setSettings(settings());
        ASSERT_TRUE(generator.setHTMLTemplate(testsupport::testDataPath(kFixtureTemplate)));
        QSignalSpy finished(&generator, &PrintViewGenerator::layoutFinished);
        generator.loadPreviewForRecipe(recipe(QLatin1String(name), {}, count));
        ASSERT_TRUE(finished.wait(60000));
        view.addCardStack(generator.cardStack());
    }
    ASSERT_EQ(view.cardCount(), 3);
    // Sizes within a point: page sizes are kept to a hundredth of a millimetre.
    auto near = [](QSizeF size, QSizeF expected) {
        return std::abs(size.width() - expected.width()) < 1 &&
               std::abs(size.height() - expected.height()) < 1;
    };
    EXPECT_TRUE(near(view.pageLayout(false).fullRect(QPageLayout::Point).size(), QSizeF(300, 140)));
    EXPECT_TRUE(near(view.pageLayout(true).fullRect(QPageLayout::Point).size(), QSizeF(595.44, 841.68)));

    const QString pdf = m_dir.filePath(QStringLiteral("cards.pdf"));
    bool written = false;
    QEventLoop loop;
    view.writePdf(pdf, false, [&](bool ok) {
        written = ok;
        loop.quit();
    });
    loop.exec();
    ASSERT_TRUE(written);
    QProcess info;
    info.start(pdfinfo, {pdf});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n")))) << out.toStdString();
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(out);
    ASSERT_TRUE(size.hasMatch()) << out.toStdString();
    EXPECT_TRUE(near(QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble()), QSizeF(300, 140)))
        << out.toStdString();
}

} // namespace
