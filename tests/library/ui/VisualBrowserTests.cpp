// The strip of cards of the visual browser, whatever it shows: its arithmetic (the cards
// near a position, card sizes, animated scrolls, the arrow keys, the type-ahead), the picture
// cache, and a strip over a content source of its own.
#include "library/VisualBrowserImageCache.h"
#include "library/VisualBrowserLayout.h"
#include "library/ui/VisualBrowser.h"
#include "library/ui/VisualBrowserContent.h"
#include "library/ui/VisualBrowserItem.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace VisualBrowserLayout;

namespace {

TEST(VisualBrowserLayoutTest, CardsNearAPositionAreTheTwentyEitherSide) {
    const struct {
        double p;
        int count;
        int first;
        int last;
    } cases[] = {
        {500.0, 1000, 480, 520}, // the scroller at 0.5 of 1000 recipes
        {0.0, 1000, 0, 20},      {1000.0, 1000, 980, 1000}, {3.5, 10, 0, 10}, {0.0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const IndexRange range = nearRange(c.p, c.count);
        EXPECT_EQ(std::make_pair(range.first, range.last), std::make_pair(c.first, c.last))
            << c.p << " of " << c.count;
    }
}

TEST(VisualBrowserLayoutTest, CardsAreSizedByTheStripHeightUnlessTheStripIsNarrow) {
    const struct {
        int height;
        int width;
        int cardHeight;
        int objectWidth;
    } cases[] = {
        {140, 1200, 140, 150}, // (140 − 40) × 1.5
        {101, 1200, 101, 91},  // truncated
        {600, 380, 141, 151},  // a narrow column: two and a half cards across
        {30, 1200, 30, 1},     // flattened: still a width to divide by
    };
    for (const auto& c : cases) {
        const int height = cardHeightForStrip(c.height, c.width);
        EXPECT_EQ(std::make_pair(height, objectWidthForHeight(height)),
                  std::make_pair(c.cardHeight, c.objectWidth))
            << c.height << " x " << c.width;
    }
}

TEST(VisualBrowserLayoutTest, ScrollStepsJumpFarAndSlowDownNearTheTarget) {
    EXPECT_EQ(scrollSteps(0, 6000, false), QList<int>{6000});
    EXPECT_EQ(scrollSteps(0, 6000, true), QList<int>{6000}); // more than 5000 away jumps
    EXPECT_EQ(scrollSteps(500, 400, true), (QList<int>{470, 440, 410, 400}));

    const QList<int> ahead = scrollSteps(0, 2000, true);
    ASSERT_GE(ahead.size(), 3);
    EXPECT_EQ(ahead.constFirst(), 90);
    EXPECT_EQ(ahead.constLast(), 2000);
    QList<int> steps;
    for (int i = 1; i < ahead.size() - 1; ++i)
        steps.append(ahead.at(i) - ahead.at(i - 1));
    // 90 while far, then 7 less after each move once less than 610 remain, never below 7.
    int expected = 90;
    for (int i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps.at(i), expected) << "step " << i;
        const int position = ahead.at(i + 1);
        if (2000 - position < 610 && expected > 7)
            expected -= 7;
    }
}

TEST(VisualBrowserLayoutTest, ArrowKeysMoveAndExtendTheSelectionWithinTheList) {
    const struct {
        const char* what;
        ArrowKey key;
        bool shift;
        QList<int> selection;
        int row;
        QList<int> expected;
        int scrollTo;
    } cases[] = {
        {"right", ArrowKey::Right, false, {4}, 4, {5}, 5},
        {"right on the last card", ArrowKey::Right, false, {49}, 49, {49}, 49},
        {"left on the first card", ArrowKey::Left, false, {0}, 0, {0}, 0},
        {"down ten", ArrowKey::Down, false, {4}, 4, {14}, 14},
        {"down past the end", ArrowKey::Down, false, {45}, 45, {49}, 49},
        {"up past the start", ArrowKey::Up, false, {3}, 3, {0}, 0},
        {"nothing selected", ArrowKey::Left, false, {}, -1, {0}, 0},
        {"shift right extends", ArrowKey::Right, true, {4, 5}, 4, {4, 5, 6}, 6},
        {"shift right shrinks from the front", ArrowKey::Right, true, {4, 5, 6}, 6, {5, 6}, 5},
        {"shift right at the end", ArrowKey::Right, true, {48, 49}, 48, {48, 49}, 49},
        {"shift left extends", ArrowKey::Left, true, {4, 5}, 5, {3, 4, 5}, 3},
        {"shift left shrinks from the back", ArrowKey::Left, true, {4, 5, 6}, 4, {4, 5}, 5},
        {"shift down adds ten from the last",
         ArrowKey::Down,
         true,
         {4},
         4,
         {4, 5, 6, 7, 8, 9, 10, 11, 12, 13},
         13},
        {"shift up near the start", ArrowKey::Up, true, {3}, 3, {0, 1, 2, 3}, 0},
    };
    for (const auto& c : cases) {
        const KeySelection next = selectionAfterKey(c.key, c.shift, c.selection, c.row, 50);
        EXPECT_EQ(std::make_pair(next.selection, next.scrollTo), std::make_pair(c.expected, c.scrollTo))
            << c.what;
    }
}

TEST(VisualBrowserLayoutTest, TypeAheadFindsTheFirstNameStartingWithTheTextInAnyCase) {
    const QStringList names{QStringLiteral("Apple Pie"), QStringLiteral("cheese cake"),
                            QStringLiteral("Cherry Tart"), QStringLiteral("Chili")};
    const struct {
        const char* text;
        int match;
    } cases[] = {{"ch", 1}, {"CHER", 2}, {"chil", 3}, {"a", 0}, {"x", -1}, {"", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(typeAheadMatch(names, QLatin1String(c.text)), c.match) << c.text;
}

TEST(VisualBrowserImageCacheTest, APictureIsReadOnceAndAgainWhenItsRecipeChanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.jpg"));
    QImage source(400, 200, QImage::Format_RGB32);
    source.fill(Qt::darkGreen);
    ASSERT_TRUE(source.save(path, "JPEG"));

    VisualBrowserImageCache cache;
    QSignalSpy ready(&cache, &VisualBrowserImageCache::imageReady);
    const QDateTime monday(QDate(2026, 3, 2), QTime(9, 0));
    const auto first = VisualBrowserImageCache::key(path, QSize(100, 100), monday);
    QImage image;
    EXPECT_FALSE(cache.request(first, &image));
    EXPECT_FALSE(cache.request(first, &image)) << "asked twice while reading";
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_EQ(ready.count(), 1);
    ASSERT_TRUE(cache.request(first, &image));
    EXPECT_EQ(image.size(), QSize(100, 50)) << "fits the card, proportions kept";

    const auto changed = VisualBrowserImageCache::key(path, QSize(100, 100), monday.addSecs(60));
    EXPECT_FALSE(cache.request(changed, &image));
    ASSERT_TRUE(ready.wait(5000));

    const auto missing =
        VisualBrowserImageCache::key(dir.filePath(QStringLiteral("none.jpg")), QSize(100, 100), monday);
    EXPECT_FALSE(cache.request(missing, &image));
    ASSERT_TRUE(ready.wait(5000));
    ASSERT_TRUE(cache.request(missing, &image));
    EXPECT_TRUE(image.isNull()) << "an unreadable file is the placeholder, and is not read again";
}

// Rows of the test's own: titles, pictures by file or given, "new" marks, and a selection
// the source keeps (recording what the strip asked for).
class ListContent : public VisualBrowserContent {
public:
    QList<VisualBrowserCard> rows;
    QList<int> selection;
    QList<QPair<QList<int>, int>> asked;

    int count() const override { return int(rows.size()); }
    VisualBrowserCard cardAt(int row) const override { return rows.value(row); }
    QString nameAt(int row) const override { return rows.value(row).title; }
    QList<int> selectionIndexes() const override { return selection; }
    void setSelectionIndexes(const QList<int>& chosen, int selectedRow) override {
        asked.append({chosen, selectedRow});
        selection = chosen;
        emit selectionChanged();
    }
    void selectFromElsewhere(const QList<int>& chosen) {
        selection = chosen;
        emit selectionChanged();
    }
};

class ContentStripTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ListContent m_content;
    std::unique_ptr<VisualBrowser> m_strip;

    void SetUp() override {
        Scheduler::instance().setManualTime(QDateTime(QDate(2026, 3, 1), QTime(12, 0)));
        QImage red(80, 60, QImage::Format_RGB32);
        red.fill(Qt::red);
        ASSERT_TRUE(red.save(m_dir.filePath(QStringLiteral("red.png"))));
        QImage given(40, 30, QImage::Format_ARGB32_Premultiplied);
        given.fill(Qt::blue);
        auto card = [](const char* title, const QString& path, const QImage& picture, bool isNew) {
            VisualBrowserCard c;
            c.title = QString::fromUtf8(title);
            c.picturePath = path;
            c.picture = picture;
            c.markedAsNew = isNew;
            return c;
        };
        m_content.rows = {card("Letter", m_dir.filePath(QStringLiteral("red.png")), {}, false),
                          card("Index Card", {}, given, true),
                          card("Photo", m_dir.filePath(QStringLiteral("missing.png")), {}, false),
                          card("Postcard", {}, {}, false)};
        m_strip = std::make_unique<VisualBrowser>();
        m_strip->resize(900, 190 + m_strip->horizontalScrollBar()->sizeHint().height());
        m_strip->show();
        m_strip->setContent(&m_content);
    }
    void TearDown() override {
        m_strip.reset();
        Scheduler::instance().cancelAll();
        Scheduler::instance().setAutomaticTime();
    }
    QList<int> selectedCards() const {
        QList<int> cards;
        for (int index : m_strip->existingIndexes())
            if (m_strip->itemAtIndex(index)->isSelected())
                cards.append(index);
        return cards;
    }
};

TEST_F(ContentStripTest, CardsShowTheRowsTheirPicturesAndMarks) {
    ASSERT_EQ(m_strip->existingIndexes(), (QList<int>{0, 1, 2, 3}));
    QStringList titles;
    QList<bool> badges;
    for (int index : m_strip->existingIndexes()) {
        titles << m_strip->itemAtIndex(index)->title();
        badges << m_strip->itemAtIndex(index)->showsNewBadge();
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Letter"), QStringLiteral("Index Card"),
                                   QStringLiteral("Photo"), QStringLiteral("Postcard")}));
    EXPECT_EQ(badges, (QList<bool>{false, true, false, false}));
    // A picture given is shown at once, none is the placeholder; files are read off the
    // main thread, an unreadable one ending as the placeholder.
    EXPECT_TRUE(m_strip->itemAtIndex(1)->hasImage());
    EXPECT_TRUE(m_strip->itemAtIndex(3)->hasImage());
    QSignalSpy ready(m_strip->imageCache(), &VisualBrowserImageCache::imageReady);
    while (!m_strip->itemAtIndex(0)->hasImage() || !m_strip->itemAtIndex(2)->hasImage())
        ASSERT_TRUE(ready.wait(5000));
    const struct {
        int card;
        QColor color;
    } centres[] = {{0, Qt::red}, {1, Qt::blue}};
    for (const auto& c : centres) {
        const QImage painted = m_strip->itemAtIndex(c.card)->grab().toImage();
        EXPECT_EQ(painted.pixelColor(painted.width() / 2, (painted.height() - 22) / 2), c.color) << c.card;
    }
}

TEST_F(ContentStripTest, TheSelectionIsTheSourcesBothWays) {
    m_content.selectFromElsewhere({2});
    EXPECT_EQ(selectedCards(), QList<int>{2});

    const QPoint first = m_strip->itemAtIndex(0)->geometry().center();
    QTest::mouseClick(m_strip->viewport(), Qt::LeftButton, Qt::ControlModifier, first);
    QTest::keyClick(m_strip.get(), Qt::Key_Right);
    QTest::keyClicks(m_strip.get(), QStringLiteral("po"));
    const QList<QPair<QList<int>, int>> expected{{{0}, 0}, {{1}, 1}, {{2}, 2}, {{3}, 3}};
    EXPECT_EQ(m_content.asked, expected) << "click (any modifier: only that card), right arrow, type-ahead";
    EXPECT_EQ(selectedCards(), QList<int>{3});
}

TEST_F(ContentStripTest, ABurstOfChangesShowsTheLastOnceTheGuardEnds) {
    m_strip->showContent([this] { m_content.rows.removeLast(); });
    EXPECT_EQ(m_strip->numberOfObjects(), 3);
    QStringList ran;
    m_strip->showContent([&] { ran << QStringLiteral("first"); });
    m_strip->showContent([&] {
        ran << QStringLiteral("last");
        m_content.rows = m_content.rows.mid(0, 1);
    });
    Scheduler::instance().advance(0.079);
    EXPECT_EQ(m_strip->numberOfObjects(), 3);
    Scheduler::instance().advance(0.002);
    EXPECT_EQ(ran, QStringList{QStringLiteral("last")});
    EXPECT_EQ(m_strip->existingIndexes(), QList<int>{0});
}

} // namespace
