// The library session: the one save, work that waits for a running operation, and
// controllers that cannot be made without a session.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"

#include "library/LibrarySession.h"
#include "library/RecipeEditorController.h"
#include "library/SidebarTreeController.h"

#include <gtest/gtest.h>

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
