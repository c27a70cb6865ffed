#include "grocery/GroceryPageLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

namespace {

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
    document.setHtml(html);
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
