#include "BookmarksTableView.h"

#include "import/BookmarksModel.h"
#include "platform/Alerts.h"
#include "platform/Scheduler.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Draws the bookmark symbol in the first column.
class BookmarkIconDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == BookmarksModel::IconColumn) {
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->icon = QIcon::fromTheme(QStringLiteral("bookmarks"),
                                            QIcon::fromTheme(QStringLiteral("bookmark-new")));
            option->decorationSize = QSize(16, 16);
        }
    }
};

} // namespace

BookmarksTableView::BookmarksTableView(BookmarksModel* model, QWidget* parent)
    : QTableView(parent), m_model(model) {
    setObjectName(QStringLiteral("bookmarksTable"));
    setModel(model);
    setItemDelegateForColumn(BookmarksModel::IconColumn, new BookmarkIconDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // A click on the symbol or a double click opens a bookmark; a click on a selected name
    // or address, or F2, edits it in place.
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDragDropOverwriteMode(false);
    setShowGrid(false);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(BookmarksModel::IconColumn, QHeaderView::Fixed);
    horizontalHeader()->resizeSection(BookmarksModel::IconColumn, 24);
    horizontalHeader()->setSectionResizeMode(BookmarksModel::NameColumn, QHeaderView::ResizeToContents);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == BookmarksModel::IconColumn)
            emit bookmarkClicked(index.row());
    });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit bookmarkClicked(index.row()); });
    connect(model, &BookmarksModel::bookmarksMoved, this, [this](const QList<int>& rows) {
        clearSelection();
        for (int row : rows)
            selectionModel()->select(m_model->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    });
}

int BookmarksTableView::selectedRow() const {
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void BookmarksTableView::dropEvent(QDropEvent* event) {
    // Drops between rows only: a drop on a row's middle goes before or after it.
    const QModelIndex over = indexAt(event->position().toPoint());
    int row = m_model->rowCount();
    if (over.isValid()) {
        const QRect rect = visualRect(over);
        row = event->position().toPoint().y() < rect.center().y() ? over.row() : over.row() + 1;
    }
    if (event->source() == this)
        m_model->dropMimeData(event->mimeData(), Qt::MoveAction, row, 0, QModelIndex());
    // The model has moved the rows; the copy action keeps the view from removing the
    // dragged rows a second time.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

BookmarksPopover::BookmarksPopover(BookmarksModel* model, Alerts* alerts, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_model(model), m_alerts(alerts) {
    setObjectName(QStringLiteral("bookmarksPopover"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    m_stack = new QStackedWidget(this);
    m_table = new BookmarksTableView(model, m_stack);
    m_empty = new QLabel(tr("No Bookmarks"), m_stack);
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setEnabled(false);
    m_stack->addWidget(m_table);
    m_stack->addWidget(m_empty);
    layout->addWidget(m_stack, 1);

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(tr("New"), this);
    add->setObjectName(QStringLiteral("newBookmarkButton"));
    m_editButton = new QPushButton(tr("Edit"), this);
    m_editButton->setObjectName(QStringLiteral("editBookmarkButton"));
    m_deleteButton = new QPushButton(tr("Delete"), this);
    m_deleteButton->setObjectName(QStringLiteral("deleteBookmarkButton"));
    for (QPushButton* button : {add, m_editButton, m_deleteButton}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, &BookmarksPopover::newBookmark);
    connect(m_editButton, &QPushButton::clicked, this, &BookmarksPopover::editBookmark);
    connect(m_deleteButton, &QPushButton::clicked, this, &BookmarksPopover::deleteBookmark);

    // The row's context menu offers Edit and Delete, and only for a selected row.
    m_table->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* editAction = new QAction(tr("Edit"), m_table);
    auto* deleteAction = new QAction(tr("Delete"), m_table);
    m_table->addAction(editAction);
    m_table->addAction(deleteAction);
    connect(editAction, &QAction::triggered, this, &BookmarksPopover::editBookmark);
    connect(deleteAction, &QAction::triggered, this, &BookmarksPopover::deleteBookmark);

    connect(m_table, &BookmarksTableView::bookmarkClicked, this, [this](int row) {
        const QString address = m_model->bookmark(row).address;
        Scheduler::instance().schedule(
            0.1,
            [this, address] {
                hide();
                emit openBookmarkRequested(address);
            },
            this);
    });
    auto update = [this, editAction, deleteAction] {
        updateContents();
        const bool selected = m_table->selectedRow() >= 0;
        editAction->setEnabled(selected);
        deleteAction->setEnabled(selected);
        m_table->setContextMenuPolicy(selected ? Qt::ActionsContextMenu : Qt::NoContextMenu);
    };
    connect(model, &QAbstractItemModel::modelReset, this, update);
    connect(model, &QAbstractItemModel::rowsInserted, this, update);
    connect(model, &QAbstractItemModel::rowsRemoved, this, update);
    connect(model, &QAbstractItemModel::dataChanged, this, update);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, update);
    update();
}

void BookmarksPopover::updateContents() {
    const bool empty = m_model->rowCount() == 0;
    m_stack->setCurrentWidget(empty ? static_cast<QWidget*>(m_empty) : m_table);
    const bool selected = m_table->selectedRow() >= 0;
    m_editButton->setEnabled(selected);
    m_deleteButton->setEnabled(selected);
    if (isVisible())
        resize(sizeForRows());
}

QSize BookmarksPopover::sizeForRows() const {
    int widest = 0;
    for (const BookmarksModel::Bookmark& bookmark : m_model->bookmarks())
        widest = std::max(widest, m_table->fontMetrics().horizontalAdvance(bookmark.name));
    const int rows = m_model->rowCount();
    const int rowHeight = m_table->verticalHeader()->defaultSectionSize();
    const int buttons = m_editButton->sizeHint().height() + 12;
    const int width = std::max(std::clamp(widest, 100, 350) + 60, 260);
    const int height = std::min((rows == 0 ? 60 : rows * (rowHeight + 2) + 30) + buttons, 430);
    return {width, height};
}

void BookmarksPopover::showBelow(QWidget* anchor) {
    updateContents();
    resize(sizeForRows());
    if (anchor)
        move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
}

void BookmarksPopover::newBookmark() {
    const auto [title, address] = m_currentPage ? m_currentPage() : std::pair<QString, QString>();
    openEditor(tr("New Bookmark"), title, address, -1);
}

void BookmarksPopover::editBookmark() {
    const int row = m_table->selectedRow();
    if (row < 0)
        return;
    const BookmarksModel::Bookmark bookmark = m_model->bookmark(row);
    openEditor(tr("Edit Bookmark"), bookmark.name, bookmark.address, row);
}

void BookmarksPopover::deleteBookmark() {
    const int row = m_table->selectedRow();
    if (row < 0)
        return;
    const QString name = m_model->bookmark(row).name;
    if (m_alerts && m_alerts->ask(tr("Are you sure you want to delete “%1”?").arg(name), QString(),
                                  {tr("Delete"), tr("Cancel")}) != 0)
        return;
    m_model->removeBookmark(row);
}

void BookmarksPopover::openEditor(const QString& title, const QString& name, const QString& address,
                                  int row) {
    if (m_editor)
        m_editor->deleteLater();
    // The editor belongs to the window, not to the pop-over, which closes when it loses
    // the focus.
    auto* editor = new QDialog(parentWidget());
    m_editor = editor;
    editor->setObjectName(QStringLiteral("bookmarkEditor"));
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->setWindowTitle(title);
    auto* form = new QFormLayout(editor);
    m_nameField = new QLineEdit(name, editor);
    m_nameField->setObjectName(QStringLiteral("bookmarkName"));
    m_nameField->setMinimumWidth(320);
    m_addressField = new QLineEdit(address, editor);
    m_addressField->setObjectName(QStringLiteral("bookmarkAddress"));
    form->addRow(tr("Name:"), m_nameField);
    form->addRow(tr("Address:"), m_addressField);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, editor);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, editor, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, editor, [this, editor, row] {
        const QString newName = m_nameField->text().trimmed();
        const QString newAddress = m_addressField->text().trimmed();
        if (row < 0)
            m_model->appendBookmark(newName, newAddress);
        else
            m_model->replaceBookmark(row, newName, newAddress);
        editor->accept();
    });
    hide();
    editor->open();
}
