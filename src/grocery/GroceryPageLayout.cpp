#include "grocery/GroceryPageLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>

namespace {

// The inset of the page's text, as the template's padding gives it in a browser.
constexpr qreal kSideInsetPoints = 36;
constexpr qreal kTopInsetPoints = 18;

// US Letter in points, portrait, with the print margins of the list.
QPageLayout groceryPageLayout() {
    return QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 20, 0, 20),
                       QPageLayout::Point);
}

void setError(QString* error, const QString& message) {
    if (error)
        *error = message;
}

} // namespace

bool layOutGroceryPage(const QString& html, QPagedPaintDevice& device, QString* error) {
    if (!device.setPageLayout(groceryPageLayout())) {
        setError(error, QCoreApplication::translate("Grocery", "The printer does not take Letter pages."));
        return false;
    }
    QPainter painter;
    if (!painter.begin(&device)) {
        setError(error, QCoreApplication::translate("Grocery", "The grocery list could not be printed."));
        return false;
    }
    // Laid out at the device's resolution, one page's printable area at a time: the page is
    // 612 points wide with no side margins, so the text is as wide as the paper.
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&device);
    document.setDocumentMargin(0);
    // A browser ends a box at its last line break; the text engine would add an empty line
    // there, so the break is left out.
    QString adapted = html;
    adapted.replace(QLatin1String("<br></div>"), QLatin1String("</div>"));
    document.setHtml(adapted);
    // The text engine takes no padding from the style sheet: the page's side inset is set on
    // the document's frame instead.
    const qreal inset = kSideInsetPoints * device.logicalDpiX() / 72.0;
    QTextFrameFormat frame = document.rootFrame()->frameFormat();
    frame.setLeftMargin(inset);
    frame.setRightMargin(inset);
    frame.setTopMargin(kTopInsetPoints * device.logicalDpiY() / 72.0);
    document.rootFrame()->setFrameFormat(frame);
    const QSizeF page(device.width(), device.height());
    document.setPageSize(page);
    const int pages = document.pageCount();
    for (int index = 0; index < pages; ++index) {
        if (index > 0 && !device.newPage()) {
            setError(error, QCoreApplication::translate("Grocery", "The grocery list could not be printed."));
            return false;
        }
        painter.save();
        painter.translate(0, -index * page.height());
        document.drawContents(&painter, QRectF(QPointF(0, index * page.height()), page));
        painter.restore();
    }
    return painter.end();
}

bool writeGroceryPagePdf(const QString& html, const QString& path, QString* error) {
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("Larkspoon!"));
    writer.setResolution(300);
    return layOutGroceryPage(html, writer, error);
}
