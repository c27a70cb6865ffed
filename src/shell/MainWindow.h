#pragma once

#include <QMainWindow>

// The library window. Until a library is open it says so.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};
