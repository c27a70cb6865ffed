// The library session: the one save, work that waits for a running operation, and
// controllers that cannot be made without a session.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"

#include "library/LibrarySession.h"
#include "library/RecipeEditorController.h"
#include "library/SidebarTreeController.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

using namespace testsupport;

namespace {

class CountingOperation final : public LibrarySession::Operation {
public:
    explicit CountingOperation(LibrarySession& session) : m_session(session) {}
    int stops = 0;
    void stop() override {
        ++stops;
        m_session.endOperation(this);
    }

private:
    LibrarySession& m_session;
};

class LibrarySessionTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<TestSession> m_library;

    void SetUp() override {
        m_library =
            std::make_unique<TestSession>(m_dir.filePath(QStringLiteral("Session.library")), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
    }
    LibrarySession& session() { return *m_library->session(); }
    QString libraryPath() const { return m_dir.filePath(QStringLiteral("Session.library")); }
    static QByteArray jpeg() { return pictureData("JPEG"); }
};

// Saving through the session removes the pictures of recipes deleted before, whoever saves.
TEST_F(LibrarySessionTest, SaveRemovesThePicturesOfDeletedRecipes) {
    RecipesManagedObject* recipe = insertRecipe(session().context(), QStringLiteral("Gone"));
    ASSERT_TRUE(recipe->saveImage(jpeg(), 1));
    ASSERT_TRUE(session().save());
    const QString path = recipe->imagePathAtIndex(1);
    ASSERT_TRUE(QFile::exists(path));

    session().markRecipesForDelete({recipe});
    session().context()->deleteObject(recipe);
    EXPECT_TRUE(QFile::exists(path)); // not before the store has the deletion
    ASSERT_TRUE(session().save());
    EXPECT_FALSE(QFile::exists(path));
}

// An import's pictures wait in the staging folder until the store has the recipes: the save
// moves them into "Images"; what a killed import left is kept at the next open only for
// recipes the store committed.
TEST_F(LibrarySessionTest, StagedPicturesReachImagesOnlyWithTheirRecipes) {
    const QString staging = RecipesManagedObject::stagingFolder(libraryPath());
    RecipesManagedObject* imported = insertRecipe(session().context(), QStringLiteral("Imported"));
    ASSERT_TRUE(imported->saveImage(jpeg(), 2, nullptr, RecipesManagedObject::ImageWrite::Staged));
    EXPECT_FALSE(imported->hasImageAtIndex(2)); // not before the save
    ASSERT_TRUE(session().save());
    EXPECT_TRUE(imported->hasImageAtIndex(2));
    EXPECT_FALSE(QFileInfo::exists(staging));

    // Killed after the store committed one recipe and before its pictures moved; another
    // recipe never reached the store; a write never finished.
    RecipesManagedObject* committed = insertRecipe(session().context(), QStringLiteral("Committed"));
    ASSERT_TRUE(committed->saveImage(jpeg(), 1, nullptr, RecipesManagedObject::ImageWrite::Staged));
    ASSERT_TRUE(session().context()->save());
    RecipesManagedObject* lost = insertRecipe(session().context(), QStringLiteral("Lost"));
    ASSERT_TRUE(lost->saveImage(jpeg(), 1, nullptr, RecipesManagedObject::ImageWrite::Staged));
    const QString committedPicture = committed->imagePathAtIndex(1);
    const QString lostName = QFileInfo(lost->imagePathAtIndex(1)).fileName();
    QFile stray(staging + QStringLiteral("/") + lostName + QStringLiteral(".Ab12Cd"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();

    m_library = std::make_unique<TestSession>(libraryPath(), m_alerts);
    ASSERT_TRUE(m_library->isOpen());
    EXPECT_TRUE(QFileInfo::exists(committedPicture));
    EXPECT_FALSE(QFileInfo::exists(libraryPath() + QStringLiteral("/Images/") + lostName));
    EXPECT_FALSE(QFileInfo::exists(staging));
}

// Where deletions can be undone after a save, the pictures of deleted recipes wait in
// "Images Holding": undo brings them back with the recipe, redo puts them aside again, and
// they go once the undo history is emptied.
TEST_F(LibrarySessionTest, UndoingASavedDeletionBringsThePicturesBack) {
    CoreDataController& store = m_library->store();
    store.setHoldsDeletedPicturesForUndo(true);
    ObjectContext* context = session().context();
    UndoManager* undo = context->undoManager();
    RecipesManagedObject* recipe = insertRecipe(context, QStringLiteral("Kept"));
    ASSERT_TRUE(recipe->saveImage(jpeg(), 1));
    ASSERT_TRUE(recipe->saveImage(jpeg(), 3));
    ASSERT_TRUE(session().save());
    undo->removeAllActions();
    const QString images = libraryPath() + QStringLiteral("/Images/");
    const QString holding = CoreDataController::holdingFolder(libraryPath()) + QLatin1Char('/');
    const QStringList names{QFileInfo(recipe->imagePathAtIndex(1)).fileName(),
                            QFileInfo(recipe->imagePathAtIndex(3)).fileName()};
    auto where = [&] {
        QStringList found;
        for (const QString& name : names)
            found << (QFileInfo::exists(images + name)    ? QStringLiteral("Images")
                      : QFileInfo::exists(holding + name) ? QStringLiteral("Holding")
                                                          : QStringLiteral("gone"));
        return found.join(QLatin1Char(' '));
    };

    session().markRecipesForDelete({recipe});
    context->deleteObject(recipe);
    undo->closeImplicitGroup();
    ASSERT_TRUE(session().save());
    EXPECT_EQ(where(), QStringLiteral("Holding Holding"));

    undo->undo();
    EXPECT_FALSE(recipe->isDeleted());
    EXPECT_EQ(where(), QStringLiteral("Images Images"));
    ASSERT_TRUE(session().save());
    EXPECT_EQ(where(), QStringLiteral("Images Images")); // the undone deletion removes nothing

    undo->redo();
    EXPECT_TRUE(recipe->isDeleted());
    ASSERT_TRUE(session().save());
    EXPECT_EQ(where(), QStringLiteral("Holding Holding"));

    undo->removeAllActions(); // nothing can bring the recipe back now
    EXPECT_EQ(where(), QStringLiteral("gone gone"));
    EXPECT_FALSE(QFileInfo::exists(CoreDataController::holdingFolder(libraryPath())));
}

// After a crash the holding folder is emptied when the library opens: pictures of recipes
// the store holds go back to Images, the others are removed; files of other names, and
// Images itself, are not touched.
TEST_F(LibrarySessionTest, PicturesHeldAtACrashAreSettledAtTheNextOpen) {
    RecipesManagedObject* stored = insertRecipe(session().context(), QStringLiteral("Stored"));
    ASSERT_TRUE(session().save());
    const QString storedID = stored->stringValue(QStringLiteral("uniqueID"));
    const QString holding = CoreDataController::holdingFolder(libraryPath()) + QLatin1Char('/');
    const QString images = libraryPath() + QStringLiteral("/Images/");
    ASSERT_TRUE(QDir().mkpath(holding) && QDir().mkpath(images));
    const QByteArray picture = jpeg();
    const QStringList files{holding + storedID + QStringLiteral("-Image2.jpg"),
                            holding + QStringLiteral("2001-01-01-gone-Image1.jpg"),
                            holding + QStringLiteral("notes.txt"),
                            images + QStringLiteral("2001-01-01-orphan-Image1.jpg")};
    for (const QString& path : files) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(picture);
    }

    m_library = std::make_unique<TestSession>(libraryPath(), m_alerts);
    ASSERT_TRUE(m_library->isOpen());
    EXPECT_TRUE(QFileInfo::exists(files.at(1))); // a run without undo leaves the folder alone
    m_library->store().setHoldsDeletedPicturesForUndo(true);
    EXPECT_TRUE(QFileInfo::exists(images + storedID + QStringLiteral("-Image2.jpg")));
    EXPECT_FALSE(QFileInfo::exists(files.at(0)));
    EXPECT_FALSE(QFileInfo::exists(files.at(1)));
    EXPECT_TRUE(QFileInfo::exists(files.at(2)));
    EXPECT_TRUE(QFileInfo::exists(files.at(3)));
}

// A store that could not be read takes no more writes: the save fails with its own alert
// and the changes stay in memory.
TEST_F(LibrarySessionTest, ADamagedStoreRefusesToSaveAndKeepsTheChanges) {
    for (int i = 0; i < 300; ++i)
        insertRecipe(session().context(), QStringLiteral("Recipe %1").arg(i),
                     {{QStringLiteral("directions"), QString(400, QLatin1Char('x'))}});
    ASSERT_TRUE(session().save());
    m_library.reset();
    ASSERT_TRUE(damageStoreTable(libraryStorePath(libraryPath()), QStringLiteral("Recipes")));

    m_library = std::make_unique<TestSession>(libraryPath(), m_alerts);
    ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
    RecipesManagedObject* added = insertRecipe(session().context(), QStringLiteral("New"));
    ASSERT_NE(added, nullptr);
    m_alerts.asked.clear();
    EXPECT_FALSE(session().save());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText,
              QStringLiteral("The library is damaged; your changes could not be saved."));
    EXPECT_TRUE(session().context()->hasChanges());
    EXPECT_FALSE(added->isDeleted());
}

TEST_F(LibrarySessionTest, WorkWaitingForAnOperationRunsAfterItInOrderUnlessItsReceiverWentFirst) {
    QStringList ran;
    QObject receiver;
    session().whenIdle(&receiver, [&] { ran << QStringLiteral("at once"); });
    EXPECT_EQ(ran, QStringList{QStringLiteral("at once")});

    CountingOperation operation(session());
    session().beginOperation(&operation);
    EXPECT_TRUE(session().isBusy());
    auto gone = std::make_unique<QObject>();
    session().whenIdle(&receiver, [&] { ran << QStringLiteral("first"); });
    session().whenIdle(gone.get(), [&] { ran << QStringLiteral("dropped"); });
    session().whenIdle(&receiver, [&] { ran << QStringLiteral("second"); });
    gone.reset();
    EXPECT_EQ(ran.size(), 1);

    session().stopRunningOperation();
    EXPECT_EQ(operation.stops, 1);
    EXPECT_FALSE(session().isBusy());
    EXPECT_EQ(ran,
              (QStringList{QStringLiteral("at once"), QStringLiteral("first"), QStringLiteral("second")}));
}

// A controller handed no session stops the program with its name instead of running on
// without a library to save to.
TEST(LibrarySessionDeathTest, ControllersMadeWithoutASessionFailLoudly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(RecipeEditorController editor(nullptr),
                 "RecipeEditorController was made without a library session");
    EXPECT_DEATH(SidebarTreeController tree(nullptr),
                 "SidebarTreeController was made without a library session");
}

} // namespace
