#include "PrintingFormatTableView.h"

#include "present/PrintingController.h"
#include "present/ui/PrintingFormatContent.h"

PrintingFormatTableView::PrintingFormatTableView(PrintingController* controller, QWidget* parent)
    : VisualBrowser(parent), m_controller(controller),
      m_formats(new PrintingFormatContent(controller, this)) {
    setObjectName(QStringLiteral("printingFormatTableView"));
    setContent(m_formats);
    // Rows shown late (a burst of theme changes) still end at the chosen format.
    connect(this, &VisualBrowser::contextChanged, this,
            [this] { showSelectedRow(m_controller->selectedFormatRow()); });
}

void PrintingFormatTableView::reloadRows() {
    showContent([this] { m_formats->reload(); });
}

// A strip not yet on screen has no width to centre a card in: it centres the chosen one
// a moment after it is shown and whenever its size changes, once the window's layout has
// settled.
void PrintingFormatTableView::showEvent(QShowEvent* event) {
    VisualBrowser::showEvent(event);
    centreSelectedRow();
}

void PrintingFormatTableView::resizeEvent(QResizeEvent* event) {
    VisualBrowser::resizeEvent(event);
    centreSelectedRow();
}

void PrintingFormatTableView::centreSelectedRow() {
    const int row = m_controller->selectedFormatRow();
    if (row >= 0 && row < numberOfObjects())
        delayedScrollToObjectAtIndex(row, false);
}

void PrintingFormatTableView::showSelectedRow(int row) {
    // The cards follow the controller's selection through the content; the strip moves.
    if (row >= 0 && row < numberOfObjects())
        scrollToObjectAtIndex(row, isVisible());
}
