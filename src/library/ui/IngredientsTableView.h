#pragma once

#include <QTableView>

#include <functional>

class IngredientsTableModel;
class QMenu;
class QWidget;

// The editable ingredient list of the recipe editor: quantity, measurement, ingredient and
// method, title rows spanning the row, earlier values offered in the last three columns.
// Tab and Shift-Tab walk the cells and rows (a new row appears after the last), rows are
// reordered by dragging and ingredient text dropped from elsewhere is appended.
class IngredientsTableView : public QTableView {
    Q_OBJECT
public:
    explicit IngredientsTableView(QWidget* parent = nullptr);

    void setIngredientsModel(IngredientsTableModel* model);
    IngredientsTableModel* ingredientsModel() const { return m_model; }
    // Where the lists of earlier values come from (the file name of each column's list).
    void setAutoFillProvider(std::function<QStringList(const QString& fileName)> provider);
    static QString autoFillFileForColumn(int column);
    QStringList autoFillValuesForColumn(int column) const;

    QList<int> selectedRowIndexes() const;
    // Commits the cell being edited, if any, and closes its editor.
    void endEditing();

    // The commands of the table's menu and buttons.
    void addIngredientAboveSelection();
    void addIngredientBelowSelection();
    void appendIngredient();
    void deleteSelectedIngredients();
    void addIngredientGroup();
    void convertSelectedIngredientsToGroups();
    // The buttons under the table: add, delete, scale and the commands menu.
    QWidget* makeControlButtons(QWidget* parent);
    QMenu* commandsMenu() const { return m_menu; }

signals:
    // The scale button was pressed.
    void openScalingAssistant();

protected:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void startEditing(int row, int column, bool openList = false);
    void updateSpans();
    void selectRows(const QList<int>& rows);

    IngredientsTableModel* m_model = nullptr;
    std::function<QStringList(const QString&)> m_autoFill;
    QMenu* m_menu = nullptr;
};
