#include "QtPagePrinter.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

QtPagePrinter::QtPagePrinter(QWidget* dialogParent) : m_dialogParent(dialogParent) {}

bool QtPagePrinter::choosePrinter(QPrinter& printer) const {
    if (m_chooser)
        return m_chooser(printer);
    QPrintDialog dialog(&printer, m_dialogParent);
    return dialog.exec() == QDialog::Accepted;
}

void QtPagePrinter::printPage(QWebEnginePage* page, const QPageLayout& layout,
                              std::function<void(bool)> done) {
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    if (layout.isValid())
        printer->setPageLayout(layout);
    if (!page || !choosePrinter(*printer)) {
        QTimer::singleShot(0, [done = std::move(done)] { done(false); });
        return;
    }
    // The engine prints through a view. A page that no view shows (an offscreen page) is
    // lent to a hidden view for the print; the view lets go of it when it is destroyed.
    QWebEngineView* view = QWebEngineView::forPage(page);
    const bool borrowed = view == nullptr;
    if (borrowed) {
        view = new QWebEngineView;
        view->setPage(page);
    }
    QObject::connect(
        view, &QWebEngineView::printFinished, view,
        [view, borrowed, printer, done = std::move(done)](bool ok) {
            if (borrowed)
                view->deleteLater();
            done(ok);
        },
        Qt::SingleShotConnection);
    view->print(printer.get());
}
