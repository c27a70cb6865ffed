#include "RestoreBackupWindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

RestoreBackupWindow::RestoreBackupWindow(const QList<LibraryBackups::Entry>& backups, QWidget* parent)
    : QDialog(parent), m_backups(backups), m_list(new QTreeWidget(this)) {
    setWindowTitle(tr("Restore from Backup"));
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(backups.isEmpty() ? tr("There are no backups of this library yet. A backup is made "
                                          "after the first save of each day.")
                                     : tr("Choose the backup that replaces your library:"),
                   this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_list->setHeaderLabels({tr("Date"), tr("Recipes")});
    m_list->setRootIsDecorated(false);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    for (const LibraryBackups::Entry& entry : backups) {
        const QString date = QLocale().toString(entry.date, QLocale::LongFormat);
        auto* item = new QTreeWidgetItem(m_list);
        // Copies kept before a restore can be several a day; their time tells them apart.
        item->setText(0, entry.beforeRestore
                             ? tr("%1, %2 (before a restore)")
                                   .arg(date, QLocale().toString(entry.time, QLocale::ShortFormat))
                             : date);
        item->setText(1, entry.recipes < 0 ? tr("unreadable") : QLocale().toString(entry.recipes));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        if (entry.recipes < 0)
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
    layout->addWidget(m_list);

    auto* buttons = new QDialogButtonBox(this);
    m_restore = buttons->addButton(tr("Restore…"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    m_restore->setEnabled(false);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
        m_restore->setEnabled(row >= 0 && m_backups.value(row).recipes >= 0);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
        if (row < 0)
            return;
        m_chosen = m_backups.value(row);
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (m_list->topLevelItemCount() > 0 && backups.first().recipes >= 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    resize(520, 320);
}
