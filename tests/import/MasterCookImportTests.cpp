// MasterCook files as real ones are: cut into tags element by element, every entity decoded,
// Windows-1252 read for Latin declarations, broken recipes ending where they end; and the
// import making records, saving once and selecting them.
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"
#include "share/ExchangeTestSupport.h"

#include "import/ForeignRecipeImporter.h"
#include "import/ForeignText.h"
#include "import/MasterCookReader.h"
#include "library/IngredientRecords.h"
#include "library/RecipesArrayController.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

namespace {

// One recipe around body, as MasterCook writes it (CRLF, the invalid declaration).
QString oneRecipe(const QString& body, const QString& name = QStringLiteral("Soup")) {
    return QStringLiteral("<?xml version=\"1.0\" standalone=\"yes\" encoding=\"ISO-8859-1\"?>\r\n"
                          "<!DOCTYPE mx2 SYSTEM \"mx2.dtd\">\r\n<mx2 source=\"MasterCook\">\r\n"
                          "<RcpE name=\"%1\" author=\"\">\r\n%2\r\n</RcpE>\r\n</mx2>\r\n")
        .arg(name, body);
}

ForeignRecipe readOne(const QString& body) {
    const ForeignReadResult read = MasterCookReader::readText(oneRecipe(body));
    EXPECT_EQ(read.recipes.size(), 1) << body.toStdString();
    return read.recipes.value(0);
}

QStringList names(const ForeignReadResult& read) {
    QStringList found;
    for (const ForeignRecipe& recipe : read.recipes)
        found.append(recipe.name);
    return found;
}

struct Case {
    const char* input;
    const char* expected;
};

TEST(MasterCookReader, IngredientElementsBecomeTheLinesTheParserReads) {
    const Case cases[] = {
        {R"(<IngR name="flour" unit="cups" qty="2"><IPrp>sifted</IPrp></IngR>)", "2 cups flour, sifted"},
        {R"(<IngR name="salt"></IngR>)", "salt"},
        {R"(<IngR></IngR>)", ""},
        {R"(<IngR name="For the crust" code="S"></IngR>)", "For the crust:"},
        {R"(<IngR name="For Greek:" code="S"/>)", "For Greek:"},
        {R"(<IngR name="a few grains salt" code="T"></IngR>)", "a few grains salt"},
        {R"(<IngR name="" unit="" qty="" code="B"></IngR>)", ""},
        {R"(<IngR name="=== FILLING ===" unit="" qty=""></IngR>)", "FILLING:"},
        {R"(<IngR code="I" qty="1" unit="c" name="milk"/>)", "1 c milk"},
        {R"(<IngR name="Pie Crust" unit="recipe" qty="1" code="R"></IngR>)", "1 recipe Pie Crust"},
        {R"(<IngR name="green tomatoes in 3/4" dice" unit="gallons" qty="2">)",
         "2 gallons green tomatoes in 3/4\" dice"},
        {R"(<IngR name="Tom&apos;s &amp; &lt;b&gt; sauce &#8212; caf&#233;"/>)", "Tom's & <b> sauce — café"},
        {R"(<IngR name="50% cream" qty=" 1 1/3 "/>)", "1 1/3 50% cream"},
        {"<IngR name=\"one&#013;&#010;two\" unit=\"cup\" "
         "qty=\"1\">\r\n<IPrp>\r\nfinely\r\nchopped\r\n</IPrp>\r\n</IngR>",
         "1 cup one two, finely chopped"},
        // The end tag missing: the next element still starts its own row.
        {R"(<IngR name="a" qty="1"><IPrp>x</IPrp><IngR name="b" qty="2"></IngR>)", "1 a, x\n2 b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readOne(QString::fromUtf8(c.input)).ingredientsText, QString::fromUtf8(c.expected))
            << c.input;
}

TEST(MasterCookReader, FieldsTakeTheirTextWithLineBreaksMended) {
    struct FieldCase {
        const char* body;
        QString ForeignRecipe::*field;
        const char* expected;
    };
    const FieldCase cases[] = {
        {"<DirS><DirT>A</DirT><DirT>B</DirT><DirT>C</DirT></DirS>", &ForeignRecipe::directions,
         "A\n\nB\n\nC\n\n"},
        {"<DirT>Bake.&#013;&#010;Serve&#013;&#010;&#013;&#010;three</DirT>", &ForeignRecipe::directions,
         "Bake.\n\nServe\n\nthree\n\n"},
        {"<DirT>\r\n Mix it\r\nthen bake.\r\n</DirT>", &ForeignRecipe::directions, "Mix it then bake.\n\n"},
        {"<DirT>1 &lt; 2 &amp;amp;quot;</DirT>", &ForeignRecipe::directions, "1 < 2 &amp;quot;\n\n"},
        {"<Serv qty=\"0\"/>", &ForeignRecipe::yield, ""},
        {"<Serv qty=\"6\"></Serv>", &ForeignRecipe::yield, "6"},
        {"<Serv qty=\"\"/>", &ForeignRecipe::yield, ""},
        {"<Serv  qty='4' />", &ForeignRecipe::yield, "4"},
        {"<Srce>\r\nGood\r\nFood\r\n</Srce>", &ForeignRecipe::attribution, "Good Food"},
        {"<Desc>A &quot;fine&quot; soup</Desc>", &ForeignRecipe::recipeDescription, "A \"fine\" soup"},
        // A broken direction costs only itself: the description after it is read.
        {"<DirT>cut short<Desc>kept</Desc>", &ForeignRecipe::recipeDescription, "kept"},
        {"<RTxt><![CDATA[<Desc>not this</Desc> <isaacs@rmi.net> & more]]></RTxt><Desc>this</Desc>",
         &ForeignRecipe::recipeDescription, "this"},
    };
    for (const FieldCase& c : cases)
        EXPECT_EQ(readOne(QString::fromUtf8(c.body)).*c.field, QString::fromUtf8(c.expected)) << c.body;
}

TEST(MasterCookReader, CategoriesAreKeywordsTrimmedOnce) {
    const ForeignRecipe recipe =
        readOne(QStringLiteral("<CatS><CatT>\r\nSoups/Stews\r\n</CatT><CatT>Quick</CatT><CatT>Quick</CatT>"
                               "<CatT></CatT></CatS>"));
    EXPECT_EQ(recipe.keywords, (QStringList{QStringLiteral("Soups/Stews"), QStringLiteral("Quick")}));
}

TEST(MasterCookReader, RecipesEndWhereTheyEndAndAreNeverMerged) {
    struct StructureCase {
        const char* text;
        QStringList expected;
    };
    const QString a = QStringLiteral("A"), b = QStringLiteral("B");
    const StructureCase cases[] = {
        {R"(<mx2><RcpE name="A" author=""></RcpE><RcpE name="B" author=""></RcpE></mx2>)", {a, b}},
        {R"(<mx2><RcpE name="A" author=""><IngR name="x"></IngR><RcpE name="B" author=""></RcpE></mx2>)",
         {a, b}},
        {R"(<mx2><RcpE name="A" author=""><DirT>stops here)", {a}},
        {"<RcpE name=\"A\"><RTxt><![CDATA[text cut\n<RcpE name=\"B\"><DirT>b</DirT></RcpE>", {a, b}},
        {"log line\r\n\r\n<?xml version=\"1.0\"?>&#013;&#010;<!DOCTYPE mx2><mx2><RcpE "
         "name=\"A\"></RcpE></mx2>"
         "<?xml version=\"1.0\"?><!DOCTYPE mx2><mx2><RcpE name=\"B\"></RcpE></mx2>",
         {a, b}},
        {R"(<mx2><!-- <RcpE name="C"></RcpE> --><RcpE name="A"></RcpE></mx2>)", {a}},
        {R"(<?xml version="1.0"?><mx2 source="MasterCook"></mx2>)", {}},
        {R"(<mx2><RcpE name="A"></RcpE><RcpE name="cut)", {a}},
        {"", {}},
        {"not xml at all", {}},
    };
    for (const StructureCase& c : cases)
        EXPECT_EQ(names(MasterCookReader::readText(QString::fromUtf8(c.text))), c.expected) << c.text;
}

TEST(MasterCookReader, ARecipeMissingItsEndKeepsItsOwnRowsOnly) {
    const ForeignReadResult read = MasterCookReader::readText(
        QStringLiteral(R"(<RcpE name="A"><IngR name="a" qty="1"></IngR><DirT>for a)"
                       "\n"
                       R"(<RcpE name="B"><IngR name="b" qty="2"></IngR></RcpE>)"));
    ASSERT_EQ(read.recipes.size(), 2);
    EXPECT_EQ(read.recipes[0].ingredientsText, QStringLiteral("1 a"));
    EXPECT_EQ(read.recipes[1].ingredientsText, QStringLiteral("2 b"));
    EXPECT_EQ(read.recipes[0].directions, QStringLiteral("for a\n\n"));
}

TEST(MasterCookReader, ACutStartTagIsReportedAsSkipped) {
    const ForeignReadResult read =
        MasterCookReader::readText(QStringLiteral(R"(<RcpE name="A"></RcpE><RcpE><RcpE name="cut)"));
    EXPECT_EQ(names(read), QStringList{QStringLiteral("A")});
    EXPECT_EQ(read.entries, 3);
    ASSERT_EQ(read.skipped.size(), 2);
    EXPECT_EQ(read.skipped[0].index, 1); // no name, no content
    EXPECT_EQ(read.skipped[1].index, 2); // the file ends inside its tag
}

TEST(MasterCookReader, BytesAreReadInTheEncodingTheyAreIn) {
    const QByteArray body = QByteArrayLiteral("<mx2><RcpE name=\"\x93q\x94 \x96 caf\xE9\"></RcpE></mx2>");
    const Case cases[] = {
        {"<?xml version=\"1.0\" standalone=\"yes\" encoding=\"ISO-8859-1\"?>", "“q” – café"},
        {"<?xml version=\"1.0\" encoding=\"win-1252\"?>", "“q” – café"},
        {"", "“q” – café"},
    };
    for (const Case& c : cases) {
        const ForeignReadResult read = MasterCookReader::read(QByteArray(c.input) + body);
        EXPECT_EQ(names(read), QStringList{QString::fromUtf8(c.expected)}) << c.input;
    }
    const QByteArray utf8 = QByteArrayLiteral("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>") +
                            QStringLiteral("<RcpE name=\"æøå—\"></RcpE>").toUtf8();
    EXPECT_EQ(names(MasterCookReader::read(utf8)), QStringList{QStringLiteral("æøå—")});
}

TEST(MasterCookReader, LineBreaksEndParagraphsUnlessTheyOnlyWrapASentence) {
    const Case cases[] = {
        {"Combine 2\r\ncups milk. Heat to\r\nsimmer.\r\n Stir well.",
         "Combine 2 cups milk. Heat to simmer.\n\nStir well."},
        {"Total: 15 grams \r\nPer serving: 4 grams", "Total: 15 grams\n\nPer serving: 4 grams"},
        {"Chill.\nthen serve", "Chill.\n\nthen serve"},
        {"Mix the\n\nbatter", "Mix the\n\nbatter"},
        {"one\r\r\ntwo", "one\n\ntwo"},
        {"\r\n  \r\n", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ForeignText::paragraphs(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected))
            << c.input;
}

TEST(MasterCookReader, EntitiesAreDecodedInOnePass) {
    const Case cases[] = {
        {"&amp;quot;", "&quot;"},
        {"&#233;&#xE9;&eacute;", "ééé"},
        {"&#8212;&mdash;", "——"},
        {"&#013;&#010;", "\r\n"},
        {"&bogus; &#0; &#xD800; & a", "&bogus; &#0; &#xD800; & a"},
        {"&uacute;&nbsp;&copy;", "ú\u00a0©"},
        {"&amp", "&amp"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ForeignText::decodeEntities(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected))
            << c.input;
}

// The real exports collected from other projects: every file reads without a crash, and
// each gives the recipes it holds, counted by hand (cut-short and merged recipes included).
class MasterCookRealFiles : public ::testing::Test {
protected:
    static QString folder() { return testsupport::realDataPath(QStringLiteral("mx2")); }
    void SetUp() override {
        if (!QDir(folder()).exists())
            GTEST_SKIP() << "no real MasterCook files at " << folder().toStdString();
    }
    static ForeignReadResult readFile(const QString& relative) {
        QFile file(folder() + u'/' + relative);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative.toStdString();
        return MasterCookReader::read(file.readAll());
    }
};

TEST_F(MasterCookRealFiles, EveryFileGivesTheRecipesItHolds) {
    const QString jr = QStringLiteral("mera461__javaRecipes/");
    QHash<QString, int> expected = {
        {QStringLiteral("GourmandRecipeManager__gourmand/tests/recipe_files/athenos.mx2"), 100},
        {QStringLiteral("GourmandRecipeManager__gourmand/tests/recipe_files/athenos1.mx2"), 100},
        {QStringLiteral("thinkle__gourmet/src/tests/recipe_files/athenos1.mx2"), 100},
        {QStringLiteral("KDE__krecipes/src/tests/import-export/mx2test.txt"), 2},
        {QStringLiteral("jgreely__mastercook-tools/mx2.dtd"), 0},
        {jr + QStringLiteral("core/src/test/data/cannin02.mx2"), 100},
        {jr + QStringLiteral("core/src/test/data/cannin02.ORIG.xml"), 100},
        {jr + QStringLiteral("core/src/test/data/cannin02.FIXED.xml"), 100},
        // "Rocky Road Ice Cream" is cut short and has no end tag: it and the next both count.
        {jr + QStringLiteral("core/src/test/data/ice_creammx2.mx2"), 213},
        {jr + QStringLiteral("core/src/test/data/italy-03.mx2"), 100},
        {jr + QStringLiteral("core/src/test/data/Alaskan Seafood Marketing Institute.ORIG.xml"), 360},
        {jr + QStringLiteral("core/src/test/data/Alaskan Seafood Marketing Institute.xml"), 360},
        {jr + QStringLiteral("core/src/test/data/Max-Min MC Field Test.mx2"), 2},
        {jr + QStringLiteral("core/src/test/data/ACooksBook/Sample Recipes.mx2"), 19},
        {jr + QStringLiteral("core/src/test/data/mctagit/simple.mx2"), 1},
        {jr + QStringLiteral("core/src/test/data/mctagit/test.mx2"), 0},
        {jr + QStringLiteral("cb2cb/src/test/data/test.mx2"), 92},
        {jr + QStringLiteral("cb2cb/src/test/data/test1.mx2"), 1},
        {jr + QStringLiteral("cb2cb/src/test/data/test2.mx2"), 1},
        {jr + QStringLiteral("cb2cb/src/test/data/test3.mx2"), 1},
        {jr + QStringLiteral("cb2cb/src/test/data/aKA test file-2.mx2"), 21},
        {jr + QStringLiteral("cb2cb/src/test/data/aKA test file-2-gen.mx2"), 21},
        {jr + QStringLiteral("cb2cb/src/test/data/ft-UTF8.mx2"), 1},
        {jr + QStringLiteral("cb2cb/src/test/data/ft-win1252.mx2"), 1},
        {jr + QStringLiteral("cb2cb/src/test/data/ft1252.mx2"), 1},
        // A log line, then 92 documents one after the other.
        {jr + QStringLiteral("cb2cb/old/txt2mx2-files/CL93-0708.mx2"), 92},
        {jr + QStringLiteral("cb2cb/old/txt2mx2-files/CL93-0708 OCR2TXT2McTagit2.mx2"), 92},
        {jr + QStringLiteral("cb2cb/old/txt2mx2-files/CL93-0708 Master OCR2TXT2McTagit 20080203.mx2"), 0},
    };
    for (const char* name :
         {"beds-06",  "bonapp22", "bonapp23", "bonapp24", "bonapp25", "boxes-06", "italy-01", "italy-02",
          "italy-03", "italy-04", "locarb01", "locarb02", "locarb03", "locarb04", "locarb05", "locarb06",
          "locarb07", "locarb08", "locarb09", "locarb10", "meltng01", "meltng02", "meltng03", "meltng04",
          "meltng05", "meltng06", "meltng07", "rachel01", "rachel02", "rachel03", "rachel04", "rachel05",
          "rachel06", "tyler-01", "tyler-02", "tyler-03", "tyler-04"})
        expected.insert(jr + QStringLiteral("core/src/test/data/misc.zip.d/%1.mx2").arg(QLatin1String(name)),
                        QLatin1String(name) == QLatin1String("meltng07") ? 79 : 100);
    int files = 0;
    QDirIterator it(folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(folder()).relativeFilePath(it.next());
        ++files;
        ASSERT_TRUE(expected.contains(relative)) << "no count written for " << relative.toStdString();
        EXPECT_EQ(readFile(relative).recipes.size(), expected.value(relative)) << relative.toStdString();
    }
    EXPECT_EQ(files, expected.size());
}

TEST_F(MasterCookRealFiles, SpotChecksOfNamesRowsHeadingsAndDirections) {
    const QString jr = QStringLiteral("mera461__javaRecipes/");
    const ForeignReadResult ice = readFile(jr + QStringLiteral("core/src/test/data/ice_creammx2.mx2"));
    const qsizetype rocky = names(ice).indexOf(QStringLiteral("Rocky Road Ice Cream"));
    ASSERT_GE(rocky, 0);
    ASSERT_LT(rocky + 1, ice.recipes.size());
    EXPECT_EQ(ice.recipes[rocky + 1].name, QStringLiteral("Rum-Raisin Ice Cream"));
    EXPECT_FALSE(ice.recipes[rocky + 1].ingredientsText.isEmpty());

    const ForeignReadResult utf8 = readFile(jr + QStringLiteral("cb2cb/src/test/data/ft-UTF8.mx2"));
    const ForeignReadResult cp1252 = readFile(jr + QStringLiteral("cb2cb/src/test/data/ft-win1252.mx2"));
    EXPECT_EQ(names(utf8), QStringList{QStringLiteral("XXXXEnDash–XXEmDash—XXæøåXX")});
    EXPECT_EQ(names(cp1252), names(utf8));

    const ForeignReadResult sample =
        readFile(jr + QStringLiteral("core/src/test/data/ACooksBook/Sample Recipes.mx2"));
    ASSERT_FALSE(sample.recipes.isEmpty());
    EXPECT_EQ(sample.recipes[0].name, QStringLiteral("9-inch Single-crust Pie Crust"));
    EXPECT_EQ(sample.recipes[0].yield, QStringLiteral("6"));
    EXPECT_EQ(sample.recipes[0].keywords, (QStringList{QStringLiteral("Pies"), QStringLiteral("Pastry")}));
    EXPECT_TRUE(
        sample.recipes[0].ingredientsText.startsWith(QStringLiteral("1 cup flour\n1/2 teaspoon salt")));

    // The unescaped inch mark stays in the name; nothing after it is lost.
    const ForeignReadResult cannin = readFile(jr + QStringLiteral("core/src/test/data/cannin02.mx2"));
    bool found = false;
    for (const ForeignRecipe& recipe : cannin.recipes)
        found = found ||
                recipe.ingredientsText.contains(QStringLiteral("2 gallons green tomatoes in 3/4\" dice"));
    EXPECT_TRUE(found);

    // Directions written with character references keep their breaks as paragraphs.
    const ForeignReadResult locarb =
        readFile(jr + QStringLiteral("core/src/test/data/misc.zip.d/locarb01.mx2"));
    int withParagraphs = 0, withCodes = 0;
    for (const ForeignRecipe& recipe : locarb.recipes) {
        withParagraphs += recipe.directions.trimmed().contains(QLatin1String("\n\n")) ? 1 : 0;
        withCodes += recipe.directions.contains(QLatin1String("&#")) ? 1 : 0;
    }
    EXPECT_GT(withParagraphs, 0);
    EXPECT_EQ(withCodes, 0);
}

// The import into a library: records with the fields, group titles, rich-text directions,
// saved once, selected, and the dialog's report.
class MasterCookImportTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    RecordingProgressView m_progress;
    std::unique_ptr<testsupport::TestSession> m_library;

    void SetUp() override {
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_library = std::make_unique<testsupport::TestSession>(m_dir.filePath(QStringLiteral("Test.library")),
                                                               m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
    }
    void TearDown() override {
        Scheduler::instance().advance(1.0);
        Scheduler::instance().setAutomaticTime();
    }
    QString file(const QString& name, const QString& text) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeBytes(path, text.toLatin1()));
        return path;
    }
    QString twoRecipes() {
        return file(QStringLiteral("two.mx2"),
                    QStringLiteral("<?xml version=\"1.0\" standalone=\"yes\" encoding=\"ISO-8859-1\"?><mx2>"
                                   "<RcpE name=\"Pie\" author=\"Ann\"><Serv qty=\"8\"/><CatT>Desserts</CatT>"
                                   "<IngR name=\"=== CRUST ===\"></IngR><IngR name=\"flour\" unit=\"cups\" "
                                   "qty=\"2\"><IPrp>sifted</IPrp></IngR><DirT>Mix &lt;gently&gt;.&#013;&#010;"
                                   "Bake.</DirT></RcpE><RcpE name=\"Tea\"></RcpE><RcpE></RcpE></mx2>"));
    }
};

TEST_F(MasterCookImportTest, RecordsAreMadeSavedAndSelected) {
    MasterCookImporter importer(m_library->session(), &m_progress);
    importer.setShowWindow(true);
    importer.setSelectNewImports(true);
    importer.importDataFile(twoRecipes());
    const QList<ManagedObject*> imported = importer.importedRecipesArray();
    ASSERT_EQ(imported.size(), 2);
    ManagedObject* pie = imported[0];
    EXPECT_EQ(pie->stringValue(QStringLiteral("name")), QStringLiteral("Pie"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("yield")), QStringLiteral("8"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("attribution")), QStringLiteral("Ann"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("keywords")), QStringLiteral("Desserts"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("directions")),
              QStringLiteral("<p>Mix &lt;gently&gt;.</p>\n<p>Bake.</p>"));
    const QVariantList rows = IngredientRecords::ingredientsOfRecipe(pie);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(IngredientRecords::isGroupTitle(rows[0]));
    EXPECT_EQ(IngredientRecords::textForKey(rows[0], QStringLiteral("name")), QStringLiteral("CRUST:"));
    EXPECT_EQ(IngredientRecords::textForKey(rows[1], QStringLiteral("method")), QStringLiteral("sifted"));
    // Unset texts become empty, as for every import.
    EXPECT_EQ(testsupport::textUnits(imported[1]->valueForKey(QStringLiteral("prepTime"))), "text[]");

    EXPECT_FALSE(m_library->context()->hasChanges());
    EXPECT_EQ(m_library->recipes().selectedObjects(), imported);
    ASSERT_EQ(importer.importResult().skipped.size(), 1);
    EXPECT_EQ(importer.importResult().skipped[0].index, 2);
    EXPECT_TRUE(m_progress.steps.contains(
        QStringLiteral("header Finished Importing. 2 recipes imported; 1 entry could not be read.")))
        << m_progress.steps.join(u'\n').toStdString();
}

TEST_F(MasterCookImportTest, TheWindowsImportRunsFromTheEventLoopAndEnds) {
    ForeignImportOperation* operation =
        ForeignImportOperation::start(*m_library->session(), twoRecipes(), &m_progress);
    ASSERT_TRUE(operation);
    EXPECT_TRUE(m_library->session()->isBusy());
    EXPECT_TRUE(operation->importer().importedRecipesArray().isEmpty()); // nothing before the loop turns
    QSignalSpy finished(operation, &RecipeImportOperation::finished);
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    EXPECT_FALSE(m_library->session()->isBusy());
    EXPECT_EQ(m_library->recipes().selectedObjects().size(), 2);
    EXPECT_FALSE(m_library->context()->hasChanges());
}

// The application's import of a file whose reader waits on the worker until the test lets
// it go: the read can be held while the event loop turns.
class HeldReadOperation : public RecipeImportOperation {
public:
    HeldReadOperation(LibrarySession& session, ProgressView* progressView, QString error)
        : RecipeImportOperation(session), importer(
                                              &session,
                                              [error = std::move(error)](const QByteArray& bytes) {
                                                  reading.release();
                                                  // Never waits for ever: a read that blocks the main thread
                                                  // fails the test instead of hanging it.
                                                  if (!letGo.tryAcquire(1, 20000))
                                                      return ForeignReadResult{};
                                                  ForeignReadResult read = MasterCookReader::read(bytes);
                                                  read.error = error;
                                                  return read;
                                              },
                                              progressView) {}
    void start(const QString& path) {
        importer.setShowWindow(true);
        importer.setSelectNewImports(true);
        run(importer, importer, importer.beginImportDataFile(path));
    }
    // Turns the event loop at least count times.
    static void turnEventLoop(int count) {
        QTimer turn;
        turn.setInterval(0);
        QSignalSpy turned(&turn, &QTimer::timeout);
        turn.start();
        while (turned.count() < count)
            ASSERT_TRUE(turned.wait(20000));
    }

    // Shared with the worker, and so with a lifetime past the operation's.
    static inline QSemaphore reading{0};
    static inline QSemaphore letGo{0};
    ForeignRecipeImporter importer;
};

TEST_F(MasterCookImportTest, TheWindowTurnsWhileTheFileIsReadAndImportsWhenItIsRead) {
    auto* operation = new HeldReadOperation(*m_library->session(), &m_progress, {});
    QSignalSpy progressed(operation, &RecipeImportOperation::progressed);
    QSignalSpy finished(operation, &RecipeImportOperation::finished);
    operation->start(twoRecipes());
    ASSERT_TRUE(HeldReadOperation::reading.tryAcquire(1, 20000));
    HeldReadOperation::turnEventLoop(20);
    // No batch ran, and one not waiting takes nothing either.
    EXPECT_TRUE(progressed.isEmpty());
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_TRUE(operation->importer.isImporting());
    EXPECT_TRUE(operation->importer.importNextBatch(10, false));
    EXPECT_TRUE(operation->importer.importedRecipesArray().isEmpty());
    EXPECT_TRUE(m_library->session()->isBusy());
    EXPECT_EQ(m_progress.steps.mid(0, 3),
              (QStringList{QStringLiteral("show"), QStringLiteral("header Importing Recipes..."),
                           QStringLiteral("maximum 0")}));

    HeldReadOperation::letGo.release();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_FALSE(progressed.isEmpty());
    EXPECT_EQ(m_library->recipes().selectedObjects().size(), 2);
    EXPECT_TRUE(m_progress.steps.contains(QStringLiteral("maximum 2")));
    EXPECT_FALSE(m_library->context()->hasChanges());
}

// A file that cannot be read ends the import alike whether that is known at once (no file)
// or when the worker's read ends; a stop during the read imports nothing, and the worker's
// outcome, arriving after the operation is gone, is dropped.
TEST_F(MasterCookImportTest, AReadThatFailsOrIsStoppedEndsTheImportWithNothingImported) {
    const struct {
        const char* what;
        const char* file;
        const char* readError;
        bool cancel;
        const char* header;
    } cases[] = {
        {"no file", "gone.mx2", nullptr, false, nullptr},
        {"not in the format", "two.mx2", "This is not a MasterCook file.", false, nullptr},
        {"stopped while read", "two.mx2", nullptr, true, "header Import Cancelled. 0 recipes imported."},
    };
    twoRecipes();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_progress.steps.clear();
        const QString path = m_dir.filePath(QLatin1String(c.file));
        auto* operation = new HeldReadOperation(*m_library->session(), &m_progress,
                                                c.readError ? QLatin1String(c.readError) : QString());
        QSignalSpy finished(operation, &RecipeImportOperation::finished);
        QSignalSpy destroyed(operation, &QObject::destroyed);
        QString readError;
        QObject::connect(operation, &RecipeImportOperation::finished,
                         [&] { readError = operation->importer.readErrorText(); });
        operation->start(path);
        const bool read = QFileInfo::exists(path);
        if (read) {
            ASSERT_TRUE(HeldReadOperation::reading.tryAcquire(1, 20000));
        }
        if (c.cancel) {
            ASSERT_TRUE(m_progress.cancelHandler);
            m_progress.cancelHandler();
            ASSERT_TRUE(destroyed.wait(20000)); // gone while its read still runs
        }
        if (read)
            HeldReadOperation::letGo.release();
        if (!c.cancel) {
            ASSERT_TRUE(finished.wait(20000));
        }
        ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(20000));
        HeldReadOperation::turnEventLoop(3);

        ASSERT_EQ(finished.size(), 1);
        EXPECT_FALSE(finished.first().first().toBool());
        EXPECT_EQ(readError.isEmpty(), c.cancel) << readError.toStdString();
        if (c.readError) {
            EXPECT_EQ(readError, QLatin1String(c.readError));
        }
        if (c.header) {
            EXPECT_TRUE(m_progress.steps.contains(QLatin1String(c.header)))
                << m_progress.steps.join(u'\n').toStdString();
        }
        // No dialog is left open: it closed at once, after its report, or never opened.
        if (!c.cancel && read) {
            EXPECT_EQ(m_progress.steps.last(), QStringLiteral("close"));
        }
        EXPECT_FALSE(m_progress.steps.contains(QStringLiteral("maximum 2")));
        EXPECT_FALSE(m_library->session()->isBusy());
        EXPECT_TRUE(m_library->recipes().arrangedObjects().isEmpty());
        EXPECT_FALSE(m_library->context()->hasChanges());
    }
}

TEST_F(MasterCookImportTest, FormatsAreChosenByExtensionAndContent) {
    const struct {
        const char* name;
        const char* text;
        ForeignFormat expected;
    } cases[] = {
        {"a.mx2", "", ForeignFormat::MasterCook},
        {"a.mmf", "", ForeignFormat::MealMaster},
        {"a.mm", "", ForeignFormat::MealMaster},
        {"a.txt", "<?xml version=\"1.0\"?><mx2>", ForeignFormat::MasterCook},
        {"b.txt", "MMMMM----- Recipe via Meal-Master (tm) v8.02\n", ForeignFormat::MealMaster},
        {"c.txt", "a shopping list\n", ForeignFormat::None},
        {"a.xml", "<RcpE name=\"x\">", ForeignFormat::MasterCook},
        {"a.lsr", "", ForeignFormat::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(foreignFormatOfFile(file(QLatin1String(c.name), QLatin1String(c.text))), c.expected)
            << c.name;
}

TEST_F(MasterCookImportTest, TheCommandLineImportsAndReportsWhatItSkipped) {
    const QString library = m_dir.filePath(QStringLiteral("Cli.library"));
    ASSERT_EQ(testsupport::runCli({QStringLiteral("--library"), library, QStringLiteral("create")}).exitCode,
              0);
    const testsupport::CliRun run =
        testsupport::runCli({QStringLiteral("--library"), library, QStringLiteral("import"), twoRecipes()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject out = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(out.value(QStringLiteral("imported")).toInt(), 2);
    EXPECT_EQ(out.value(QStringLiteral("uniqueIDs")).toArray().size(), 2);
    EXPECT_TRUE(out.contains(QStringLiteral("skippedPictures")));
    EXPECT_TRUE(out.contains(QStringLiteral("tooLargeRecipes")));
    const QJsonArray skipped = out.value(QStringLiteral("skipped")).toArray();
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_EQ(skipped[0].toObject().value(QStringLiteral("index")).toInt(), 2);
    EXPECT_FALSE(skipped[0].toObject().value(QStringLiteral("reason")).toString().isEmpty());
}

} // namespace
