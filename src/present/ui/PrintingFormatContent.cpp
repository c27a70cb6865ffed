#include "PrintingFormatContent.h"

PrintingFormatContent::PrintingFormatContent(PrintingController* controller, QObject* parent)
    : VisualBrowserContent(parent), m_controller(controller) {
    connect(controller, &PrintingController::formatSelected, this, &VisualBrowserContent::selectionChanged);
}

void PrintingFormatContent::reload() {
    m_rows = m_controller->formatRows();
}

VisualBrowserCard PrintingFormatContent::cardAt(int row) const {
    VisualBrowserCard card;
    if (row < 0 || row >= m_rows.size())
        return card;
    card.title = m_rows.at(row).shownName;
    card.picturePath = m_rows.at(row).thumbnailPath;
    return card;
}

QString PrintingFormatContent::nameAt(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).shownName : QString();
}

QList<int> PrintingFormatContent::selectionIndexes() const {
    const int row = m_controller->selectedFormatRow();
    if (row < 0 || row >= m_rows.size())
        return {};
    return {row};
}

void PrintingFormatContent::setSelectionIndexes(const QList<int>& rows, int selectedRow) {
    // One format at a time: the row the strip moved to (or, without one, the last chosen).
    const int row = selectedRow >= 0 && rows.contains(selectedRow) ? selectedRow
                    : rows.isEmpty()                               ? -1
                                                                   : rows.constLast();
    if (row < 0 || row >= m_rows.size() || row == m_controller->selectedFormatRow())
        return;
    m_controller->selectFormat(row);
}
