#pragma once

#include <QListWidget>

class PrintingController;

// The print window's list of printing themes (thumbnail and name). The left and right
// arrow keys choose the previous and next card format instead of moving in this list.
class PrintingThemeTableView : public QListWidget {
    Q_OBJECT
public:
    explicit PrintingThemeTableView(PrintingController* controller, QWidget* parent = nullptr);

    // The controller's theme rows, with its row to select.
    void reloadRows();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    PrintingController* m_controller; // the window's controller outlives the window
};
