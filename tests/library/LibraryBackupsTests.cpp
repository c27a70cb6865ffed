// The library's rolling backups: one a day after a save, rotation, restore.
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"

#include "library/CoreDataController.h"
#include "library/LibraryBackups.h"
#include "library/LibraryStore.h"
#include "platform/ManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/StoreBackup.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sqlite3.h>

using testsupport::TestSession;

namespace {

class LibraryBackupsTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Backed Up.library"));

    void SetUp() override {
        Scheduler::instance().setManualTime(QDateTime(QDate(2026, 11, 2), QTime(9, 0))); // a Monday
    }
    void TearDown() override {
        Scheduler::instance().cancelAll();
        Scheduler::instance().setAutomaticTime();
    }

    // Makes the library's store with count recipes named prefix 1..count.
    void makeLibrary(int count, const QString& prefix = QStringLiteral("Recipe")) {
        ScriptedAlerts alerts;
        TestSession library(m_library, alerts);
        ASSERT_TRUE(library.isOpen()) << library.error().toStdString();
        addRecipes(library, count, prefix);
    }
    static void addRecipes(TestSession& library, int count, const QString& prefix) {
        for (int i = 1; i <= count; ++i)
            library.context()
                ->insertNewObject(QStringLiteral("Recipes"))
                ->setValueForKey(QString(prefix + QString::number(i)), QStringLiteral("name"));
        ASSERT_TRUE(library.store().saveAction());
    }
    QStringList files() const {
        return QDir(m_library + QStringLiteral("/Backups"))
            .entryList({QStringLiteral("*.sqlite")}, QDir::Files, QDir::Name);
    }
    qint64 storeRecipes() const {
        return countStoreRows(libraryStorePath(m_library), QStringLiteral("Recipes")).value_or(-1);
    }
};

TEST_F(LibraryBackupsTest, FirstSaveOfEachDayMakesOneCopyOnAWorker) {
    ScriptedAlerts alerts;
    TestSession library(m_library, alerts);
    LibraryBackups backups(m_library);
    library.store().setAfterSave([&backups] { backups.didSave(); });

    addRecipes(library, 3, QStringLiteral("A"));
    ASSERT_TRUE(backups.isCopying() || !files().isEmpty());
    QSignalSpy finished(&backups, &LibraryBackups::backupFinished);
    if (backups.isCopying()) {
        ASSERT_TRUE(finished.wait());
    }
    addRecipes(library, 2, QStringLiteral("B")); // the same day: no second copy
    backups.waitForCopy();
    EXPECT_EQ(files(), QStringList{QStringLiteral("Library 2026-11-02.sqlite")});
    EXPECT_EQ(backups.backups().value(0).recipes, 3); // the copy holds the store of the first save

    Scheduler::instance().advance(24 * 3600);
    addRecipes(library, 1, QStringLiteral("C"));
    backups.waitForCopy();
    EXPECT_EQ(files(), (QStringList{QStringLiteral("Library 2026-11-02.sqlite"),
                                    QStringLiteral("Library 2026-11-03.sqlite")}));
    EXPECT_EQ(backups.backups().value(0).recipes, 6);
    EXPECT_EQ(backups.backups().value(0).date, QDate(2026, 11, 3));
    EXPECT_TRUE(quickCheckStoreFile(backups.backups().value(0).path, nullptr));
}

TEST_F(LibraryBackupsTest, RotationKeepsSevenDailyAndFourWeekly) {
    makeLibrary(1);
    LibraryBackups backups(m_library);
    const QDate first(2026, 11, 2);
    for (int day = 0; day < 60; ++day) {
        ASSERT_TRUE(backups.backupNow(nullptr).has_value());
        Scheduler::instance().advance(24 * 3600);
    }
    // The last day is Thursday 31 December 2026.
    QList<QDate> dates;
    for (const LibraryBackups::Entry& entry : backups.backups())
        dates << entry.date;
    const QList<QDate> expected{
        first.addDays(59),   first.addDays(58),   first.addDays(57), first.addDays(56),
        first.addDays(55),   first.addDays(54),   first.addDays(53), // the dailies: 25..31 December
        QDate(2026, 12, 24), // the newest older copy of the dailies' week
        QDate(2026, 12, 20), QDate(2026, 12, 13), QDate(2026, 12, 6)}; // Sundays of the weeks before
    EXPECT_EQ(dates, expected);
}

TEST_F(LibraryBackupsTest, RotationLeavesCopiesKeptBeforeARestoreAndOtherFiles) {
    makeLibrary(1);
    LibraryBackups backups(m_library);
    ASSERT_TRUE(backups.backupNow(nullptr).has_value());
    const QString other = backups.folder() + QStringLiteral("/notes.txt");
    QFile(other).open(QIODevice::WriteOnly);
    QString kept;
    ASSERT_TRUE(backups.restore(backups.backups().value(0).path, &kept, nullptr));
    const LibraryBackups::Entry listed = backups.backups().value(0);
    EXPECT_TRUE(listed.beforeRestore);
    EXPECT_EQ(listed.time, QTime(9, 0)); // read back from the name, to tell same-day copies apart
    for (int day = 0; day < 20; ++day) {
        Scheduler::instance().advance(24 * 3600);
        ASSERT_TRUE(backups.backupNow(nullptr).has_value());
    }
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_TRUE(kept.endsWith(QStringLiteral("Library 2026-11-02 09-00-00 before restore.sqlite")));
}

TEST_F(LibraryBackupsTest, RestoreReplacesTheStoreAndKeepsTheOldOne) {
    makeLibrary(2);
    LibraryBackups backups(m_library);
    const std::optional<LibraryBackups::Entry> copy = backups.backupNow(nullptr);
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->recipes, 2);
    {
        ScriptedAlerts alerts;
        TestSession library(m_library, alerts);
        addRecipes(library, 5, QStringLiteral("Later"));
    }
    ASSERT_EQ(storeRecipes(), 7);

    QString kept;
    QString error;
    ASSERT_TRUE(backups.restore(copy->path, &kept, &error)) << error.toStdString();
    EXPECT_EQ(storeRecipes(), 2);
    EXPECT_EQ(countStoreRows(kept, QStringLiteral("Recipes")), 7);
    ScriptedAlerts alerts;
    TestSession reopened(m_library, alerts); // the restored store opens as a library
    ASSERT_TRUE(reopened.isOpen()) << reopened.error().toStdString();
}

TEST_F(LibraryBackupsTest, RestoreRefusesFilesThatAreNoStoreOfThisModel) {
    makeLibrary(2);
    const QString text = m_dir.filePath(QStringLiteral("text.sqlite"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a database at all, just some text");
    file.close();
    // A store of another data model: the same file with another model fingerprint.
    const QString otherModel = m_dir.filePath(QStringLiteral("other model.sqlite"));
    ASSERT_TRUE(copyStoreFile(libraryStorePath(m_library), otherModel, nullptr));
    const QByteArray update =
        QStringLiteral("UPDATE LS_METADATA SET Z_PLIST = CAST(replace(CAST(Z_PLIST AS TEXT), "
                       "'%1', 'another model') AS BLOB)")
            .arg(currentDataModel()->fingerprint())
            .toUtf8();
    // An SQLite file of some other program.
    const QString otherProgram = m_dir.filePath(QStringLiteral("other program.sqlite"));
    for (const auto& [path, sql] : {std::pair{otherModel, update},
                                    std::pair{otherProgram, QByteArray("CREATE TABLE notes (text TEXT)")}}) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    ASSERT_FALSE(ObjectContext::metadataForStoreAtPath(otherModel)
                     ->value(QStringLiteral("modelFingerprint"))
                     .toString()
                     .startsWith(currentDataModel()->fingerprint()));
    LibraryBackups backups(m_library);
    for (const QString& path :
         {text, otherModel, otherProgram, m_dir.filePath(QStringLiteral("missing.sqlite"))}) {
        QString error;
        EXPECT_FALSE(backups.restore(path, nullptr, &error)) << path.toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(storeRecipes(), 2);
    }
    EXPECT_TRUE(files().isEmpty()); // nothing was kept: the store was not touched
}

TEST_F(LibraryBackupsTest, DamagedStoreIsReplacedByTheNewestGoodBackup) {
    makeLibrary(4);
    LibraryBackups backups(m_library);
    ASSERT_TRUE(backups.backupNow(nullptr).has_value());
    Scheduler::instance().advance(24 * 3600);
    ASSERT_TRUE(backups.backupNow(nullptr).has_value());
    // The newest copy is damaged too: the one before it is offered.
    const QString newest = backups.backups().value(0).path;
    QFile damaged(newest);
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    damaged.seek(4096);
    damaged.write(QByteArray(8192, '\xA5'));
    damaged.close();
    QFile storeFile(libraryStorePath(m_library));
    ASSERT_TRUE(storeFile.open(QIODevice::ReadWrite));
    storeFile.seek(0);
    storeFile.write(QByteArray(100, 'x'));
    storeFile.close();
    EXPECT_FALSE(quickCheckStoreFile(libraryStorePath(m_library), nullptr));

    const std::optional<LibraryBackups::Entry> good = backups.newestGoodBackup();
    ASSERT_TRUE(good.has_value());
    EXPECT_EQ(good->date, QDate(2026, 11, 2));

    // Opening the library asks; "Quit" leaves everything as it was.
    const QByteArray damagedStore = [this] {
        QFile file(libraryStorePath(m_library));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    {
        ScriptedAlerts alerts;
        alerts.queueButton(1);
        CoreDataController store(m_library, &alerts);
        EXPECT_EQ(store.managedObjectContext(), nullptr);
        ASSERT_EQ(alerts.asked.size(), 1);
        EXPECT_EQ(alerts.asked.at(0).messageText, QStringLiteral("The library is damaged."));
        EXPECT_EQ(alerts.asked.at(0).buttonTitles,
                  (QStringList{QStringLiteral("Restore"), QStringLiteral("Quit")}));
        EXPECT_EQ(backups.backups().size(), 2);
    }
    QFile unchanged(libraryStorePath(m_library));
    ASSERT_TRUE(unchanged.open(QIODevice::ReadOnly));
    EXPECT_EQ(unchanged.readAll(), damagedStore);
    unchanged.close();

    // "Restore" puts the good copy in place, keeps the damaged file, and the library opens.
    ScriptedAlerts alerts;
    alerts.queueButton(0);
    CoreDataController store(m_library, &alerts);
    ASSERT_NE(store.managedObjectContext(), nullptr) << store.storeError().toStdString();
    EXPECT_EQ(
        store.managedObjectContext()->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).size(), 4);
    EXPECT_TRUE(quickCheckStoreFile(libraryStorePath(m_library), nullptr));
    const QList<LibraryBackups::Entry> after = backups.backups();
    ASSERT_EQ(after.size(), 3);
    EXPECT_TRUE(after.at(0).beforeRestore);
    EXPECT_EQ(after.at(0).recipes, -1); // the damaged store, kept as it was
}

} // namespace
