#include "PrintView.h"

#include "RecipeDisplayController.h"

#include "platform/HtmlPage.h"

#include <QDir>
#include <QPageSize>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <cmath>

namespace {

constexpr double kCssPixelsPerPoint = 4.0 / 3.0; // 96 CSS pixels to the inch, 72 points
constexpr int kFourBySixWidth = 432;

QString number(double value) {
    return QString::number(value, 'f', 3);
}

} // namespace

// The document of the cards and the engine page that prints it.
struct PrintView::Document {
    std::unique_ptr<HtmlPage> page;
    bool busy = false;
};

PrintView::PrintView(const QString& jobFolder, QObject* parent) : QObject(parent), m_jobFolder(jobFolder) {}

PrintView::~PrintView() = default;

void PrintView::addCardStack(const CardStack& stack) {
    m_stacks.append(stack);
}

int PrintView::cardCount() const {
    int count = 0;
    for (const CardStack& stack : m_stacks)
        count += static_cast<int>(stack.pageFiles.size());
    return count;
}

QSizeF PrintView::sheetSize(bool metricUnits) const {
    if (m_stacks.isEmpty())
        return {};
    const CardStack& first = m_stacks.first();
    if (first.pageWidth <= 0 || first.pageHeight <= 0)
        return {};
    if (metricUnits && first.pageWidth != kFourBySixWidth)
        return QSizeF(595.44, 841.68);
    return QSizeF(first.pageWidth, first.pageHeight);
}

QPageLayout PrintView::pageLayout(bool metricUnits) const {
    const QSizeF sheet = sheetSize(metricUnits);
    if (sheet.isEmpty())
        return {};
    // A page size is kept upright; a card wider than tall is the same sheet turned.
    const bool landscape = sheet.width() > sheet.height();
    const QSizeF upright = landscape ? sheet.transposed() : sheet;
    // Points are whole numbers in a page size; millimetres keep 595.44 by 841.68.
    const QSizeF millimetres = upright * (25.4 / 72.0);
    return QPageLayout(QPageSize(millimetres, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Point);
}

QString PrintView::documentHtml(bool metricUnits) const {
    const QSizeF sheet = sheetSize(metricUnits);
    // Each card is laid out at its width in CSS pixels; the sheet is that many points, so
    // the card is scaled to fill it. The sheet box is a hair shorter than the page so that
    // rounding never spills a sheet onto a page of its own. A sheet contains its card
    // strictly (its size is its own, its card is painted within it), which lets the engine
    // print each page without painting the cards of the others (without it, the time per page
    // grows with the number of cards).
    const double sheetWidth = sheet.width() * kCssPixelsPerPoint;
    const double sheetHeight = std::floor(sheet.height() * kCssPixelsPerPoint) - 1;
    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Print</title><style>\n"
                       "@page { size: %1pt %2pt; margin: 0; }\n"
                       "html, body { margin: 0; padding: 0; background: white; }\n"
                       ".sheet { position: relative; width: %3px; height: %4px; overflow: hidden;"
                       " contain: strict;"
                       " break-after: page; page-break-after: always; }\n"
                       ".sheet:last-child { break-after: auto; page-break-after: auto; }\n"
                       "iframe { position: absolute; top: 0; left: 0; border: 0; transform-origin: 0 0; }\n"
                       "</style></head><body>\n")
            .arg(number(sheet.width()), number(sheet.height()), number(sheetWidth), number(sheetHeight));
    for (const CardStack& stack : m_stacks) {
        const double scale = stack.pageWidth > 0 ? sheetWidth / stack.pageWidth : 1.0;
        for (const QString& file : stack.pageFiles) {
            html +=
                QStringLiteral("<div class=\"sheet\"><iframe scrolling=\"no\" src=\"%1\" style=\"width: %2px;"
                               " height: %3px; transform: scale(%4);\"></iframe></div>\n")
                    .arg(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded))
                    .arg(stack.pageWidth)
                    .arg(stack.pageHeight)
                    .arg(number(scale));
        }
    }
    html += QLatin1String("</body></html>\n");
    return html;
}

void PrintView::loadDocument(bool metricUnits, std::function<void(HtmlPage*)> loaded) {
    auto fail = [this, loaded] { QTimer::singleShot(0, this, [loaded] { loaded(nullptr); }); };
    if (cardCount() == 0 || sheetSize(metricUnits).isEmpty() || (m_document && m_document->busy)) {
        qWarning("error the print view has no cards to print or is printing");
        fail();
        return;
    }
    QDir().mkpath(m_jobFolder);
    const QString path = QDir(m_jobFolder).filePath(QStringLiteral("Print.html"));
    QSaveFile file(path);
    const QByteArray bytes = RecipeDisplayController::displayFileBytes(documentHtml(metricUnits));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qWarning("error could not write %s: %s", qPrintable(path), qPrintable(file.errorString()));
        fail();
        return;
    }
    if (!m_document)
        m_document = std::make_unique<Document>();
    if (!m_document->page)
        m_document->page = std::make_unique<HtmlPage>(HtmlPage::Content::Local);
    m_document->busy = true;
    HtmlPage* page = m_document->page.get();
    // Many cards take longer to load than one page.
    page->setLoadTimeout(HtmlPage::DefaultLoadTimeout + 200 * cardCount());
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(page, &HtmlPage::loadFinished, this, [this, page, connection, loaded](bool ok) {
        disconnect(*connection);
        if (!ok) {
            qWarning("error could not load the print document");
            m_document->busy = false;
        }
        loaded(ok ? page : nullptr);
    });
    page->loadFileURL(path);
}

void PrintView::writePdf(const QString& path, bool metricUnits, std::function<void(bool)> done) {
    const QPageLayout layout = pageLayout(metricUnits);
    loadDocument(metricUnits, [this, path, layout, done](HtmlPage* page) {
        if (!page) {
            if (done)
                done(false);
            return;
        }
        page->printToPdf(path, layout, [this, done](bool ok) {
            m_document->busy = false;
            if (done)
                done(ok);
        });
    });
}

void PrintView::print(PagePrinter* printer, bool metricUnits, std::function<void(bool)> done) {
    loadDocument(metricUnits, [this, printer, metricUnits, done](HtmlPage* page) {
        if (!page) {
            if (done)
                done(false);
            return;
        }
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(page, &HtmlPage::printFinished, this, [this, connection, done](bool ok) {
            disconnect(*connection);
            m_document->busy = false;
            if (done)
                done(ok);
        });
        page->print(printer, pageLayout(metricUnits));
    });
}
