// The print window's formats shown in the strip of the visual browser: the rows as cards,
// a card click choosing the format as the list did, and the theme list's arrow keys moving
// the choice and the strip.
#include "common/LibraryRecords.h"
#include "common/RecordingMailHandOver.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "library/VisualBrowserImageCache.h"
#include "library/ui/VisualBrowserItem.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "present/PrintingController.h"
#include "present/ui/PrintingFormatTableView.h"
#include "present/ui/PrintingThemeTableView.h"
#include "present/ui/PrintingWindow.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

class PrintingFormatStripTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_resources = m_dir.filePath(QStringLiteral("Resources"));
    ScriptedAlerts m_alerts;
    RecordingMailHandOver m_mail;
    testsupport::TestSession m_library{m_dir.filePath(QStringLiteral("Library.library")), m_alerts};
    std::unique_ptr<PrintingController> m_printing;
    std::unique_ptr<PrintingWindow> m_window;

    void SetUp() override {
        ASSERT_TRUE(m_library.isOpen()) << qPrintable(m_library.error());
        for (const char* key : {"selectedPrintingTheme", "selectedPrintingFormat", "printSizeOffset",
                                "enableAlternateTheme", "makePlainTextEmails"})
            UserDefaults::removeObjectForKey(QString::fromLatin1(key));
        Scheduler::instance().setManualTime(QDateTime(QDate(2026, 3, 1), QTime(12, 0)));
        // Brown's formats as the file system lists them; Letter's card is wider.
        makeFormat(QStringLiteral("Brown"), QStringLiteral("4x6 Index Card"), 432, Qt::red);
        makeFormat(QStringLiteral("Brown"), QStringLiteral("4x6 Photo"), 432, Qt::green);
        makeFormat(QStringLiteral("Brown"), QStringLiteral("Letter"), 612, Qt::blue);
        makeFormat(QStringLiteral("Sky"), QStringLiteral("Letter"), 612, Qt::yellow);
        m_printing = std::make_unique<PrintingController>(m_library.session(), &m_mail, nullptr, m_resources,
                                                          m_dir.filePath(QStringLiteral("Support")));
        m_printing->setMetricUnits(true);
        m_window = std::make_unique<PrintingWindow>(m_printing.get(), nullptr);
    }
    void TearDown() override {
        m_window.reset();
        m_printing.reset();
        Scheduler::instance().cancelAll();
        Scheduler::instance().setAutomaticTime();
    }

    void makeFormat(const QString& theme, const QString& format, int cardWidth, Qt::GlobalColor thumb) {
        const QString folder =
            m_resources + QStringLiteral("/Themes/") + theme + QStringLiteral("/Print Templates/") + format;
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/Template.html"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("<html><style>/*pageWidth:%1*/</style></html>").arg(cardWidth).toUtf8());
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(thumb);
        ASSERT_TRUE(picture.save(folder + QStringLiteral("/thumb.png")));
    }

    PrintingFormatTableView* strip() const { return m_window->formatTableView(); }
    QStringList cardTitles() const {
        QStringList titles;
        for (int index : strip()->existingIndexes())
            titles << strip()->itemAtIndex(index)->title();
        return titles;
    }
    int selectedCard() const {
        int selected = -1;
        for (int index : strip()->existingIndexes())
            if (strip()->itemAtIndex(index)->isSelected()) {
                EXPECT_EQ(selected, -1) << "one card selected at most";
                selected = index;
            }
        return selected;
    }
    void open(const QString& storedFormat) {
        UserDefaults::setObjectForKey(storedFormat, QStringLiteral("selectedPrintingFormat"));
        m_printing->printObjects({testsupport::insertRecipe(m_library.context(), QStringLiteral("Soup"))});
        Scheduler::instance().advance(0.1);
    }
};

TEST_F(PrintingFormatStripTest, TheFormatsAreCardsWithTheirPicturesAndTheStoredOneIsChosen) {
    open(QStringLiteral("Letter"));
    ASSERT_TRUE(m_window->isVisible());
    EXPECT_EQ(strip()->numberOfObjects(), 3);
    EXPECT_EQ(cardTitles(), (QStringList{QStringLiteral("4x6 Index Card"), QStringLiteral("4x6 Photo"),
                                         QStringLiteral("A4")}));
    EXPECT_EQ(selectedCard(), 2);
    ASSERT_GT(strip()->stripWidth(), strip()->viewport()->width()) << "three cards are wider than the column";
    EXPECT_EQ(strip()->scrollOffset(), strip()->stripWidth() - strip()->viewport()->width())
        << "the chosen format, the last, in view";

    // The thumbnails arrive from the strip's readers: each card shows its own.
    QSignalSpy ready(strip()->imageCache(), &VisualBrowserImageCache::imageReady);
    for (int waited = 0;
         waited < 3 && !(strip()->itemAtIndex(0)->hasImage() && strip()->itemAtIndex(1)->hasImage() &&
                         strip()->itemAtIndex(2)->hasImage());
         ++waited)
        ASSERT_TRUE(ready.wait(5000));
    const struct {
        int card;
        QColor color;
    } thumbs[] = {{0, Qt::red}, {1, Qt::green}, {2, Qt::blue}};
    for (const auto& t : thumbs) {
        VisualBrowserItem* card = strip()->itemAtIndex(t.card);
        const QImage painted = card->grab().toImage();
        EXPECT_EQ(painted.pixelColor(painted.width() / 2, (painted.height() - 22) / 2), t.color) << t.card;
    }
}

TEST_F(PrintingFormatStripTest, ClickingACardChoosesItsFormatAndFitsTheWindowToItsCard) {
    open(QStringLiteral("4x6 Index Card"));
    ASSERT_EQ(selectedCard(), 0);
    const int narrow = m_window->width();
    QSignalSpy previews(m_printing.get(), &PrintingController::previewStarted);

    VisualBrowserItem* a4 = strip()->itemAtIndex(2);
    QTest::mouseClick(strip()->viewport(), Qt::LeftButton, {}, a4->geometry().center());
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("selectedPrintingFormat")), QStringLiteral("Letter"));
    EXPECT_EQ(m_printing->selectedFormatRow(), 2);
    EXPECT_EQ(previews.size(), 1) << "the preview is made again";
    EXPECT_EQ(m_window->width(), narrow + 612 - 432);
    EXPECT_EQ(selectedCard(), 2);

    // The chosen card again changes nothing.
    QTest::mouseClick(strip()->viewport(), Qt::LeftButton, {}, a4->geometry().center());
    EXPECT_EQ(previews.size(), 1);
}

TEST_F(PrintingFormatStripTest, TheThemeListsArrowKeysMoveTheChoiceAndTheStripFollows) {
    open(QStringLiteral("4x6 Index Card"));
    // Three cards are wider than the column: the strip scrolls to show the chosen one.
    ASSERT_GT(strip()->stripWidth(), strip()->viewport()->width());
    ASSERT_EQ(strip()->scrollOffset(), 0);
    const struct {
        int key;
        int row;
        const char* stored;
    } presses[] = {{Qt::Key_Right, 1, "4x6 Photo"},
                   {Qt::Key_Right, 2, "Letter"},
                   {Qt::Key_Right, 2, "Letter"},
                   {Qt::Key_Left, 1, "4x6 Photo"}};
    for (const auto& p : presses) {
        QTest::keyClick(m_window->themeTableView(), Qt::Key(p.key));
        Scheduler::instance().advance(1.0); // the animated scroll ends
        EXPECT_EQ(selectedCard(), p.row) << p.stored;
        EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("selectedPrintingFormat")),
                  QLatin1String(p.stored));
        const int centred = VisualBrowserLayout::centredOffset(
            p.row, strip()->objectWidth(), strip()->viewport()->width(), strip()->stripWidth());
        EXPECT_EQ(strip()->scrollOffset(), centred) << p.stored;
    }

    // Another theme: its formats, the stored one chosen and scrolled to.
    m_window->themeTableView()->setCurrentRow(1);
    Scheduler::instance().advance(1.0);
    EXPECT_EQ(cardTitles(), QStringList{QStringLiteral("A4")});
    EXPECT_EQ(selectedCard(), 0);
    EXPECT_EQ(strip()->scrollOffset(), 0);
}

} // namespace
