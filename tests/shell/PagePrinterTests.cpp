// The GUI's printer port on a real engine page: what the user chose in the print dialog
// (here a PDF file) receives the document; a cancelled dialog prints nothing.
#include "platform/HtmlPage.h"
#include "shell/QtPagePrinter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

// Waits for the signal the spy watches; false when it never came (a bound for a loaded
// machine, never reached when all is well).
bool waitForSignal(QSignalSpy& spy) {
    return !spy.isEmpty() || spy.wait(30000);
}

bool loadPage(HtmlPage& page) {
    QSignalSpy loaded(&page, &HtmlPage::loadFinished);
    page.loadHTMLString(QStringLiteral("<html><body><h1>Lentil Soup</h1><p>Simmer.</p></body></html>"));
    return waitForSignal(loaded) && loaded.first().at(0).toBool();
}

TEST(QtPagePrinterTest, PrintsTheChosenPrinterOrNothingWhenCancelled) {
    QTemporaryDir folder;
    HtmlPage page;
    ASSERT_TRUE(loadPage(page));
    QtPagePrinter printer;
    const QString output = folder.filePath(QStringLiteral("printed.pdf"));

    // The dialog cancelled: nothing is printed and the page can print again.
    printer.setPrinterChooser([](QPrinter&) { return false; });
    QSignalSpy finished(&page, &HtmlPage::printFinished);
    page.print(&printer);
    ASSERT_TRUE(waitForSignal(finished));
    EXPECT_FALSE(finished.takeFirst().at(0).toBool());

    // An offscreen page (no view shows it) is printed and keeps no view afterwards.
    // The print dialog opens on the paper the document was made for: a 4 by 6 inch card.
    const QPageLayout card(QPageSize(QSizeF(432, 288), QPageSize::Point), QPageLayout::Portrait, QMarginsF());
    QSizeF offered;
    printer.setPrinterChooser([&output, &offered](QPrinter& chosen) {
        offered = chosen.pageLayout().fullRect(QPageLayout::Point).size();
        chosen.setOutputFormat(QPrinter::PdfFormat);
        chosen.setOutputFileName(output);
        chosen.setResolution(96); // pages are drawn at the printer's resolution: keep them small
        return true;
    });
    page.print(&printer, card);
    ASSERT_TRUE(waitForSignal(finished));
    EXPECT_TRUE(finished.takeFirst().at(0).toBool());
    EXPECT_EQ(offered, QSizeF(432, 288));
    QFile pdf(output);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the hidden view
    EXPECT_EQ(QWebEngineView::forPage(page.page()), nullptr);

    // A page that a view shows is printed through that view, which keeps it.
    QWebEngineView view;
    view.setPage(page.page());
    QFile::remove(output);
    page.print(&printer);
    ASSERT_TRUE(waitForSignal(finished));
    EXPECT_TRUE(finished.takeFirst().at(0).toBool());
    EXPECT_TRUE(QFile::exists(output));
    EXPECT_EQ(QWebEngineView::forPage(page.page()), &view);
}

} // namespace
