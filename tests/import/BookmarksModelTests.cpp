// The web importer's bookmarks: the file they live in, their identifiers and moving rows.
#include "import/BookmarksModel.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QMimeData>
#include <QTemporaryDir>

#include <memory>

namespace {

class BookmarksModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_next = 100;
        BookmarksModel::setRandomSource([this] { return m_next++; });
        m_path = m_dir.filePath(BookmarksModel::fileName());
    }
    void TearDown() override { BookmarksModel::setRandomSource({}); }

    // A list of bookmarks named "0" ... "n-1".
    std::unique_ptr<BookmarksModel> listOf(int count) {
        auto model = std::make_unique<BookmarksModel>();
        m_path = m_dir.filePath(QStringLiteral("Bookmarks%1.plist").arg(++m_lists));
        model->load(m_path);
        for (int i = 0; i < count; ++i)
            model->appendBookmark(QString::number(i), QStringLiteral("http://example.org/%1").arg(i));
        return model;
    }
    static QString names(const BookmarksModel& model) {
        QStringList names;
        for (const BookmarksModel::Bookmark& bookmark : model.bookmarks())
            names << bookmark.name;
        return names.join(QLatin1Char(','));
    }

    QTemporaryDir m_dir;
    QString m_path;
    quint32 m_next = 100;
    int m_lists = 0;
};

TEST_F(BookmarksModelTest, DraggedRowsLandInTheirOldOrderAtTheDropRow) {
    const struct {
        QList<int> rows;
        int drop;
        const char* order;
        QList<int> placed;
    } cases[] = {
        {{0, 1}, 3, "2,0,1,3", {1, 2}}, {{1, 0}, 3, "2,0,1,3", {1, 2}}, {{3}, 0, "3,0,1,2", {0}},
        {{0}, 4, "1,2,3,0", {3}},       {{1, 3}, 2, "0,1,3,2", {1, 2}}, {{2}, 2, "0,1,2,3", {2}},
        {{7}, 0, "0,1,2,3", {}},
    };
    for (const auto& c : cases) {
        auto model = listOf(4);
        EXPECT_EQ(model->moveBookmarks(c.rows, c.drop), c.placed) << c.order;
        EXPECT_EQ(names(*model), QString::fromLatin1(c.order));
    }
}

TEST_F(BookmarksModelTest, TheFileIsRewrittenAfterEveryChangeAndReadBack) {
    auto model = listOf(3);
    model->moveBookmarks({2}, 0);
    model->setData(model->index(0, BookmarksModel::NameColumn), QStringLiteral("Tarts"));
    model->removeBookmark(2);
    BookmarksModel reread;
    reread.load(m_path);
    EXPECT_EQ(reread.bookmarks(), model->bookmarks());
    EXPECT_EQ(names(reread), QStringLiteral("Tarts,0"));
    // The stored form: an array of [identifier, name, address].
    const PropertyListResult file = readPropertyListFile(m_path);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(file.value.toList().value(0).toList(),
              (QVariantList{QStringLiteral("102"), QStringLiteral("Tarts"),
                            QStringLiteral("http://example.org/2")}));
}

TEST_F(BookmarksModelTest, SavingFromTheEditorMakesANewIdentifier) {
    auto model = listOf(2);
    const QString before = model->bookmark(1).identifier;
    model->replaceBookmark(1, QStringLiteral("Soups"), QStringLiteral("http://soups.example"));
    EXPECT_NE(model->bookmark(1).identifier, before);
    EXPECT_EQ(model->bookmark(1).address, QStringLiteral("http://soups.example"));
    // In-place edits keep it.
    const QString edited = model->bookmark(0).identifier;
    model->setData(model->index(0, BookmarksModel::AddressColumn), QStringLiteral("http://x.example"));
    EXPECT_EQ(model->bookmark(0).identifier, edited);

    BookmarksModel::setRandomSource([] { return 4294967295u; });
    EXPECT_EQ(BookmarksModel::newIdentifier(), QString::number(4294967295u % 9999999u));
}

TEST_F(BookmarksModelTest, MissingOrDamagedFilesGiveAnEmptyList) {
    BookmarksModel missing;
    missing.load(m_dir.filePath(QStringLiteral("none.plist")));
    EXPECT_EQ(missing.rowCount(), 0);

    QFile damaged(m_path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("<plist><array><array><string>1</string></array>");
    damaged.close();
    BookmarksModel model;
    model.load(m_path);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(BookmarksModelTest, OnlyTheListsOwnRowsDropBetweenRows) {
    auto model = listOf(3);
    auto other = listOf(3);
    std::unique_ptr<QMimeData> own(model->mimeData({model->index(0, 1)}));
    std::unique_ptr<QMimeData> foreign(other->mimeData({other->index(0, 1)}));
    EXPECT_TRUE(model->canDropMimeData(own.get(), Qt::MoveAction, 2, 0, {}));
    EXPECT_FALSE(model->canDropMimeData(own.get(), Qt::MoveAction, -1, 0, model->index(1, 0))); // onto a row
    EXPECT_FALSE(model->canDropMimeData(foreign.get(), Qt::MoveAction, 2, 0, {}));
    model->dropMimeData(own.get(), Qt::MoveAction, 2, 0, {});
    EXPECT_EQ(names(*model), QStringLiteral("1,0,2"));
}

} // namespace
