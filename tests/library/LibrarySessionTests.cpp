// The library session: the one save, work that waits for a running operation, and
// controllers that cannot be made without a session.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"

#include "library/LibrarySession.h"
#include "library/RecipeEditorController.h"
#include "library/SidebarTreeController.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
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
};

// Saving through the session removes the pictures of recipes deleted before, whoever saves.
TEST_F(LibrarySessionTest, SaveRemovesThePicturesOfDeletedRecipes) {
    RecipesManagedObject* recipe = insertRecipe(session().context(), QStringLiteral("Gone"));
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "JPEG");
    }
    ASSERT_TRUE(recipe->saveImage(jpeg, 1));
    ASSERT_TRUE(session().save());
    const QString path = recipe->imagePathAtIndex(1);
    ASSERT_TRUE(QFile::exists(path));

    session().markRecipesForDelete({recipe});
    session().context()->deleteObject(recipe);
    EXPECT_TRUE(QFile::exists(path)); // not before the store has the deletion
    ASSERT_TRUE(session().save());
    EXPECT_FALSE(QFile::exists(path));
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
