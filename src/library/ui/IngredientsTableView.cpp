#include "IngredientsTableView.h"

#include "library/IngredientsTableModel.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>

namespace {

// Editors of the cells: a plain line for quantities and titles, an editable list of earlier
// values (15 shown, completing as the user types) for the other columns.
class IngredientCellDelegate : public QStyledItemDelegate {
public:
    explicit IngredientCellDelegate(IngredientsTableView* view) : QStyledItemDelegate(view), m_view(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        const bool title = index.data(IngredientsTableModel::IsGroupTitleRole).toBool();
        if (title || index.column() == IngredientsTableModel::QuantityColumn) {
            QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
            m_view->watchEditor(qobject_cast<QLineEdit*>(editor));
            return editor;
        }
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMaxVisibleItems(15);
        box->addItems(m_view->autoFillValuesForColumn(index.column()));
        box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        box->completer()->setCompletionMode(QCompleter::InlineCompletion);
        m_view->watchEditor(box->lineEdit());
        return box;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            box->setEditText(index.data(Qt::EditRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, box->currentText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        // A title's editor covers the whole row it spans.
        if (index.data(IngredientsTableModel::IsGroupTitleRole).toBool())
            editor->setGeometry(m_view->visualRect(index).united(
                m_view->visualRect(index.siblingAtColumn(IngredientsTableModel::MethodColumn))));
    }

private:
    IngredientsTableView* m_view;
};

} // namespace

IngredientsTableView::IngredientsTableView(QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("ingredientsTableView"));
    setItemDelegate(new IngredientCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDragDropOverwriteMode(false);
    setDropIndicatorShown(true);
    setTabKeyNavigation(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    horizontalHeader()->setStretchLastSection(true);

    m_menu = new QMenu(this);
    m_menu->addAction(tr("Add Ingredient Above"), this, &IngredientsTableView::addIngredientAboveSelection);
    m_menu->addAction(tr("Add Ingredient Below"), this, &IngredientsTableView::addIngredientBelowSelection);
    m_menu->addAction(tr("Add Ingredient Group"), this, &IngredientsTableView::addIngredientGroup);
    m_menu->addAction(tr("Convert to Ingredient Group"), this,
                      &IngredientsTableView::convertSelectedIngredientsToGroups);
    m_menu->addSeparator();
    m_menu->addAction(tr("Delete Ingredients"), this, &IngredientsTableView::deleteSelectedIngredients);
}

void IngredientsTableView::setIngredientsModel(IngredientsTableModel* model) {
    m_model = model;
    setModel(model);
    if (!model)
        return;
    horizontalHeader()->resizeSection(IngredientsTableModel::QuantityColumn, 70);
    horizontalHeader()->resizeSection(IngredientsTableModel::MeasurementColumn, 110);
    horizontalHeader()->resizeSection(IngredientsTableModel::NameColumn, 200);
    connect(model, &QAbstractItemModel::modelReset, this, &IngredientsTableView::updateSpans);
    connect(model, &QAbstractItemModel::rowsInserted, this, &IngredientsTableView::updateSpans);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &IngredientsTableView::updateSpans);
    connect(model, &QAbstractItemModel::dataChanged, this, &IngredientsTableView::updateSpans);
    connect(model, &IngredientsTableModel::rowsDropped, this, &IngredientsTableView::selectRows);
    updateSpans();
}

void IngredientsTableView::setAutoFillProvider(std::function<QStringList(const QString&)> provider) {
    m_autoFill = std::move(provider);
}

QString IngredientsTableView::autoFillFileForColumn(int column) {
    switch (column) {
    case IngredientsTableModel::MeasurementColumn:
        return QStringLiteral("Measurements.plist");
    case IngredientsTableModel::NameColumn:
        return QStringLiteral("IngredientTitles.plist");
    case IngredientsTableModel::MethodColumn:
        return QStringLiteral("Methods.plist");
    default:
        return {};
    }
}

QStringList IngredientsTableView::autoFillValuesForColumn(int column) const {
    const QString file = autoFillFileForColumn(column);
    return m_autoFill && !file.isEmpty() ? m_autoFill(file) : QStringList();
}

void IngredientsTableView::updateSpans() {
    if (!m_model)
        return;
    clearSpans();
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_model->isGroupTitleRow(row))
            setSpan(row, 0, 1, IngredientsTableModel::ColumnCount);
}

QList<int> IngredientsTableView::selectedRowIndexes() const {
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void IngredientsTableView::selectRows(const QList<int>& rows) {
    if (!m_model || !selectionModel())
        return;
    QItemSelection selection;
    for (int row : rows)
        selection.select(m_model->index(row, 0), m_model->index(row, IngredientsTableModel::ColumnCount - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty())
        selectionModel()->setCurrentIndex(m_model->index(rows.first(), 0), QItemSelectionModel::NoUpdate);
}

void IngredientsTableView::startEditing(int row, int column, bool openList) {
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    if (m_model->isGroupTitleRow(row))
        column = IngredientsTableModel::QuantityColumn;
    const QModelIndex index = m_model->index(row, column);
    selectRows({row});
    setCurrentIndex(index);
    scrollTo(index);
    edit(index);
    if (openList)
        if (auto* box = qobject_cast<QComboBox*>(indexWidget(index) ? indexWidget(index) : focusWidget()))
            QTimer::singleShot(0, box, [box] { box->showPopup(); });
}

void IngredientsTableView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    const QModelIndex index = currentIndex();
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (!m_model || !index.isValid())
        return;
    const int row = index.row();
    const int column = index.column();
    m_model->endEditingRow(row);
    const bool title = m_model->isGroupTitleRow(row);
    const int last = IngredientsTableModel::ColumnCount - 1;
    if (hint == QAbstractItemDelegate::EditNextItem) {
        if (!title && column < last) {
            startEditing(row, column + 1, true);
            return;
        }
        if (row == m_model->rowCount() - 1)
            m_model->addIngredientAtIndex(m_model->rowCount());
        startEditing(row + 1, IngredientsTableModel::QuantityColumn);
    } else if (hint == QAbstractItemDelegate::EditPreviousItem) {
        if (column > 0 && !title) {
            startEditing(row, column - 1);
            return;
        }
        if (row > 0)
            startEditing(row - 1, m_model->isGroupTitleRow(row - 1) ? 0 : last);
    }
}

void IngredientsTableView::endEditing() {
    if (state() != QAbstractItemView::EditingState)
        return;
    QWidget* editor = focusWidget();
    while (editor && editor->parentWidget() != viewport())
        editor = editor->parentWidget();
    if (!editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// Lines pasted into the table go through the ingredient parser, as dropped text does, and
// the new rows are appended and selected.
bool IngredientsTableView::pasteIngredients(const QString& text) {
    if (!m_model || text.trimmed().isEmpty())
        return false;
    const int first = m_model->rowCount();
    const int added = m_model->appendIngredientsFromText(text);
    if (added <= 0)
        return false;
    QList<int> rows;
    for (int row = first; row < first + added; ++row)
        rows.append(row);
    selectRows(rows);
    scrollTo(m_model->index(rows.last(), 0));
    return true;
}

void IngredientsTableView::watchEditor(QLineEdit* field) {
    if (!field)
        return;
    field->installEventFilter(this);
    // A paste from the field's own menu: the lines it brought are taken out of the cell.
    connect(field, &QLineEdit::textEdited, this, [this, field](const QString& text) {
        if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
            return;
        const QString pasted = QApplication::clipboard()->text();
        pasteIntoEditor(field, text.contains(pasted) && !pasted.isEmpty() ? pasted : text);
    });
}

// The cell's editor closes without keeping what it holds; the pasted lines become rows.
void IngredientsTableView::pasteIntoEditor(QLineEdit* field, const QString& text) {
    QWidget* editor = field;
    while (editor && editor->parentWidget() != viewport())
        editor = editor->parentWidget();
    if (editor)
        QTableView::closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    pasteIngredients(text);
    setFocus(Qt::OtherFocusReason);
}

bool IngredientsTableView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        const QString text = QApplication::clipboard()->text();
        if (auto* field = qobject_cast<QLineEdit*>(watched);
            field && (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))) {
            pasteIntoEditor(field, text);
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

// One click on a measurement, ingredient or method cell edits it with its list open.
void IngredientsTableView::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (!m_model || event->button() != Qt::LeftButton || event->modifiers() != Qt::NoModifier ||
        state() == QAbstractItemView::EditingState)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || index.column() == IngredientsTableModel::QuantityColumn ||
        m_model->isGroupTitleRow(index.row()))
        return;
    startEditing(index.row(), index.column(), true);
}

void IngredientsTableView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste) && state() != QAbstractItemView::EditingState) {
        pasteIngredients(QApplication::clipboard()->text());
        return;
    }
    if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Backspace) {
        if (state() != QAbstractItemView::EditingState) {
            deleteSelectedIngredients();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void IngredientsTableView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid() && !selectedRowIndexes().contains(index.row()))
        selectRows({index.row()});
    m_menu->popup(event->globalPos());
}

void IngredientsTableView::addIngredientAboveSelection() {
    if (m_model)
        startEditing(m_model->addIngredientAboveSelection(selectedRowIndexes()), 0);
}

void IngredientsTableView::addIngredientBelowSelection() {
    if (m_model)
        startEditing(m_model->addIngredientBelowSelection(selectedRowIndexes()), 0);
}

void IngredientsTableView::appendIngredient() {
    if (m_model)
        startEditing(m_model->addIngredientAtIndex(m_model->rowCount()), 0);
}

void IngredientsTableView::deleteSelectedIngredients() {
    if (!m_model)
        return;
    endEditing();
    m_model->deleteIngredients(selectedRowIndexes());
}

void IngredientsTableView::addIngredientGroup() {
    if (m_model)
        startEditing(m_model->addIngredientGroup(selectedRowIndexes()), 0);
}

void IngredientsTableView::convertSelectedIngredientsToGroups() {
    if (!m_model)
        return;
    endEditing();
    const QList<int> rows = selectedRowIndexes();
    m_model->convertIngredientsToGroups(rows);
    selectRows(rows);
}

QWidget* IngredientsTableView::makeControlButtons(QWidget* parent) {
    auto* bar = new QWidget(parent);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto addButton = [&](const QString& text, const QString& tip, const QString& name) {
        auto* button = new QToolButton(bar);
        button->setText(text);
        button->setToolTip(tip);
        button->setObjectName(name);
        button->setMinimumWidth(30);
        layout->addWidget(button);
        return button;
    };
    connect(addButton(QStringLiteral("+"), tr("Add an ingredient at the end"),
                      QStringLiteral("addIngredientButton")),
            &QToolButton::clicked, this, &IngredientsTableView::appendIngredient);
    connect(addButton(QStringLiteral("−"), tr("Delete the selected ingredients"),
                      QStringLiteral("deleteIngredientButton")),
            &QToolButton::clicked, this, &IngredientsTableView::deleteSelectedIngredients);
    connect(addButton(tr("Scale…"), tr("Scale this recipe to another yield"),
                      QStringLiteral("scaleRecipeButton")),
            &QToolButton::clicked, this, &IngredientsTableView::openScalingAssistant);
    QToolButton* more = addButton(QStringLiteral("⚙"), tr("More ingredient commands"),
                                  QStringLiteral("ingredientMenuButton"));
    more->setMenu(m_menu);
    more->setPopupMode(QToolButton::InstantPopup);
    layout->addStretch(1);
    return bar;
}
