#pragma once

#include "library/ui/VisualBrowser.h"

class PrintingController;
class PrintingFormatContent;

// The print window's card formats of the chosen theme: the strip of cards of the visual
// browser, a picture and a name for each format. Choosing a card chooses the format.
class PrintingFormatTableView : public VisualBrowser {
    Q_OBJECT
public:
    explicit PrintingFormatTableView(PrintingController* controller, QWidget* parent = nullptr);

    // The controller's format rows (no row selected until the controller selects one).
    void reloadRows();
    // Shows row as the selected one and scrolls to it, without telling the controller.
    void showSelectedRow(int row);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void centreSelectedRow();

    PrintingController* m_controller; // the window's controller outlives the window
    PrintingFormatContent* m_formats;
};
