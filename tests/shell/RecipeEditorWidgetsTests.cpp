// The recipe editor's own widgets: keyword completion, the directions' paste clean-up and
// degree signs, and the image wells' user changes.
#include "library/ui/DirectionsTextView.h"
#include "library/ui/RecipeEditorImageView.h"
#include "library/ui/RecipeEditorTagsTokenField.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// Pastes data into the directions and lets the next-turn conversion run.
void pasteAndSettle(DirectionsTextView& view, QMimeData* data) {
    Scheduler& scheduler = Scheduler::instance();
    scheduler.setManualTime(QDateTime::currentDateTime());
    QApplication::clipboard()->setMimeData(data);
    view.paste();
    EXPECT_TRUE(view.isNormalizationPending());
    scheduler.advance(0);
    EXPECT_FALSE(view.isNormalizationPending());
    scheduler.setAutomaticTime();
}

TEST(RecipeEditorTagsTokenField, CompletesTheLastTokenByItsBeginningIgnoringCaseAndDiacritics) {
    const QStringList keywords = {QStringLiteral("Crème brûlée"), QStringLiteral("Ice cream"),
                                  QStringLiteral("crêpes"), QStringLiteral("Cream"), QStringLiteral("Soup")};
    const QStringList expected = {QStringLiteral("Crème brûlée"), QStringLiteral("crêpes"),
                                  QStringLiteral("Cream")};
    using Field = RecipeEditorTagsTokenField;
    EXPECT_EQ(Field::completionsForSubstring(QStringLiteral("cre"), keywords), expected);
    EXPECT_EQ(Field::completionsForSubstring(QStringLiteral(" CRÉ"), keywords), expected);
    EXPECT_TRUE(Field::completionsForSubstring(QString(), keywords).isEmpty());
    EXPECT_TRUE(Field::completionsForSubstring(QStringLiteral("ream"), keywords).isEmpty());

    Field field;
    field.setTokens({QStringLiteral(" Soup "), QString(), QStringLiteral("Winter")});
    EXPECT_EQ(field.text(), QStringLiteral("Soup, Winter"));
    field.setText(QStringLiteral("Soup,Winter, cr"));
    field.insertCompletion(QStringLiteral("Crème brûlée"));
    EXPECT_EQ(field.tokens(), (QStringList{QStringLiteral("Soup"), QStringLiteral("Winter"),
                                           QStringLiteral("Crème brûlée")}));
}

TEST(DirectionsTextView, APastedWebPageBecomesACleanFragmentThatKeepsItsText) {
    QString body;
    for (int line = 0; line < 100000; ++line)
        body += QStringLiteral("<p>Line %1 of a long page that goes on and on.</p>\n").arg(line);
    ASSERT_GT(body.size(), 5'000'000);
    const QString page =
        QStringLiteral("<html><head><style>b { color: red }</style>"
                       "<script>alert('pasted')</script></head><body>"
                       "<p>Start <b>bold</b></p><table><tr><td>Cell one</td><td>Cell two</td></tr>"
                       "</table><img src=\"http://example.com/x.png\">") +
        body + QStringLiteral("<p>End</p></body></html>");
    DirectionsTextView view;
    view.setDirectionsHTML(QString());
    auto* data = new QMimeData;
    data->setHtml(page);
    data->setText(QStringLiteral("plain fallback"));
    pasteAndSettle(view, data);

    const QString fragment = view.directionsHTML();
    static const QRegularExpression excluded(
        QStringLiteral("<\\s*/?\\s*(html|head|body|span|p|li|ol|script|style|img|table|td|tr)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    EXPECT_FALSE(excluded.match(fragment).hasMatch());
    EXPECT_TRUE(fragment.contains(QLatin1String("<b>bold</b>")));
    const QString text = view.toPlainText();
    for (const char* kept : {"Start", "Cell one", "Cell two", "Line 0 of", "Line 99999 of", "End"})
        EXPECT_TRUE(text.contains(QLatin1String(kept))) << kept;
    EXPECT_FALSE(text.contains(QLatin1String("alert")));
    EXPECT_FALSE(text.contains(QLatin1String("color")));
    EXPECT_FALSE(text.contains(QLatin1String("plain fallback")));
}

TEST(DirectionsTextView, ADroppedWellMarkerIsBoldAfterTheNextTurnAndDegreesGoWhereTheCursorIs) {
    DirectionsTextView view;
    view.setDirectionsHTML(QStringLiteral("Mix well."));
    view.moveCursor(QTextCursor::End);
    auto* data = new QMimeData;
    data->setText(QStringLiteral(" [3] "));
    pasteAndSettle(view, data);
    EXPECT_EQ(view.directionsHTML(), QStringLiteral("Mix well. <b>[3]</b> "));
    EXPECT_EQ(view.textCursor().position(), view.toPlainText().size());

    view.setDirectionsHTML(QStringLiteral("Bake at 180 for"));
    QTextCursor cursor = view.textCursor();
    cursor.setPosition(11);
    view.setTextCursor(cursor);
    view.pasteDegrees(true);
    view.moveCursor(QTextCursor::End);
    view.insertPlainText(QStringLiteral(" 20 min at 350"));
    view.pasteDegrees(false);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("Bake at 180\u2103 for 20 min at 350\u2109"));
}

TEST(RecipeEditorImageView, UserChangesToAWellAreSignalledAndFormFillingIsNot) {
    RecipeEditorImageView view;
    QSignalSpy changed(&view, &RecipeEditorImageView::wellChanged);
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);

    view.setImageForWell(3, picture);
    view.clearAllWells();
    view.setImageForWell(3, picture);
    view.setImageForWell(13, picture);
    EXPECT_EQ(changed.count(), 0);

    QTest::keyClick(view.well(3), Qt::Key_Delete);
    QTest::keyClick(view.well(3), Qt::Key_Delete); // already empty: no change
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 3);
    EXPECT_TRUE(view.imageForWell(3).isNull());

    QApplication::clipboard()->setImage(picture);
    QTest::keySequence(view.well(5), QKeySequence::Paste);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 5);
    EXPECT_EQ(view.imageForWell(5).size(), picture.size());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dropped.png"));
    ASSERT_TRUE(picture.save(path));
    QMimeData dropped;
    dropped.setUrls({QUrl(QStringLiteral("https://example.com/remote.png")), QUrl::fromLocalFile(path)});
    // A drop goes to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.well(12), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.well(12), &drop);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 12);
    EXPECT_FALSE(view.imageForWell(12).isNull());

    const QImage drag = RecipeEditorImageView::dragPixmap(picture).toImage();
    ASSERT_EQ(drag.size(), QSize(100, 75));
    EXPECT_NEAR(qAlpha(drag.pixel(50, 37)), 153, 2);
}

} // namespace
