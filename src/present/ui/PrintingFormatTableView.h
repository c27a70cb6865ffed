#pragma once

#include <QListWidget>

class PrintingController;

// The print window's card formats of the chosen theme, as pictures with their names.
class PrintingFormatTableView : public QListWidget {
    Q_OBJECT
public:
    explicit PrintingFormatTableView(PrintingController* controller, QWidget* parent = nullptr);

    // The controller's format rows (no row selected until the controller selects one).
    void reloadRows();
    // Shows row as the selected one and scrolls to it, without telling the controller.
    void showSelectedRow(int row);

private:
    PrintingController* m_controller; // the window's controller outlives the window
};
