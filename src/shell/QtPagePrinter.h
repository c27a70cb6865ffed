#pragma once

#include "platform/PagePrinter.h"

#include <QPointer>

class QPrinter;
class QWidget;

// The printer port of the GUI: asks for the printer with the print dialog, then prints
// the page through the view that shows it (or a hidden view made for the occasion).
class QtPagePrinter final : public PagePrinter {
public:
    explicit QtPagePrinter(QWidget* dialogParent = nullptr);

    void printPage(QWebEnginePage* page, const QPageLayout& layout, std::function<void(bool)> done) override;

    // Chooses the printer and its settings; false when the user cancelled. The default
    // shows the print dialog. Tests choose a PDF file instead.
    using PrinterChooser = std::function<bool(QPrinter& printer)>;
    void setPrinterChooser(PrinterChooser chooser) { m_chooser = std::move(chooser); }

private:
    bool choosePrinter(QPrinter& printer) const;

    QPointer<QWidget> m_dialogParent;
    PrinterChooser m_chooser;
};
