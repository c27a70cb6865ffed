#pragma once

#include "library/LibraryBackups.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// File › Restore from Backup…: the library's backups by date with their recipe counts; the
// chosen one is handed back when the user clicks "Restore…".
class RestoreBackupWindow : public QDialog {
    Q_OBJECT
public:
    RestoreBackupWindow(const QList<LibraryBackups::Entry>& backups, QWidget* parent = nullptr);

    // The backup chosen, valid after the window was accepted.
    const LibraryBackups::Entry& chosen() const { return m_chosen; }

private:
    QList<LibraryBackups::Entry> m_backups;
    LibraryBackups::Entry m_chosen;
    QTreeWidget* m_list;
    QPushButton* m_restore;
};
