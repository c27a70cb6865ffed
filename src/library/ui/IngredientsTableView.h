#pragma once

#include <QTableView>

#include <functional>

class IngredientsTableModel;
class QLineEdit;
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
    // Parses the lines and appends the ingredients they hold, selected; false when none.
    bool pasteIngredients(const QString& text);
    // A cell editor's text field: a paste of several lines into it becomes new rows.
    void watchEditor(QLineEdit* field);

signals:
    // The scale button was pressed.
    void openScalingAssistant();

protected:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startEditing(int row, int column, bool openList = false);
    void pasteIntoEditor(QLineEdit* field, const QString& text);
    void updateSpans();
    void selectRows(const QList<int>& rows);

    IngredientsTableModel* m_model = nullptr;
    std::function<QStringList(const QString&)> m_autoFill;
    QMenu* m_menu = nullptr;
};
