#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QVariantList>

class MeasurementsConverter;
class ObjectContext;
class ManagedObject;

// The recipe editor's ingredient list: a working copy of the recipe's ingredient records
// (quantity, measurement, name, method, isGroupTitle, randomNumber and the transient
// presentError), shown as four columns whose identifiers are the record keys. A title row
// has one cell, its name, spanning the row. Nothing reaches the recipe until
// saveIngredients().
class IngredientsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { QuantityColumn, MeasurementColumn, NameColumn, MethodColumn, ColumnCount };
    enum Role { IsGroupTitleRole = Qt::UserRole + 1, PresentErrorRole };
    // The drag type of rows being reordered within the table.
    static QString selfRowIndexesType() { return QStringLiteral("application/x-larkspoon-selfRowIndexes"); }

    // context: the library whose measurement rules normalise quantities and measurements
    // (nullptr: the default rules). libraryPath: where "Measurements.plist" is read when
    // dropped text is parsed.
    explicit IngredientsTableModel(ObjectContext* context = nullptr, QObject* parent = nullptr);
    ~IngredientsTableModel() override;

    void setLibraryPath(const QString& path) { m_libraryPath = path; }

    // Reads the recipe's ingredientsArray into the working rows and normalises them.
    void fillInValuesFromRecipe(const ManagedObject* recipe);
    // Normalises every row, then writes the rows into the recipe's ingredientsArray.
    void saveIngredients(ManagedObject* recipe);

    // The working rows, in table order.
    const QVariantList& contextArray() const { return m_rows; }
    // Replaces the working rows as they are (the scaling assistant writes its results).
    void setContextArray(const QVariantList& rows);

    // quantity: graphical fractions typed out; measurement: the preferred writing for that
    // quantity. Absent keys stay absent; entries that are not records are kept as they are.
    void convertIngredientsToPreferredValues();
    static void convertIngredientToPreferredValues(QVariantMap& row, MeasurementsConverter& converter);
    // The rows as stored: normalised, and without the transient failure mark.
    static QVariantList rowsAsSaved(const QVariantList& rows, MeasurementsConverter& converter);

    // Row commands. Each returns the row that should now be selected and edited (-1: none).
    int addIngredientAtIndex(int index);
    // At the first selected row / after the last selected row; with no selection, at 0 /
    // at the end.
    int addIngredientAboveSelection(const QList<int>& selectedRows);
    int addIngredientBelowSelection(const QList<int>& selectedRows);
    // A title row above the selection (at 0 without one).
    int addIngredientGroup(const QList<int>& selectedRows);
    void deleteIngredients(const QList<int>& rows);
    // Each row becomes a title: isGroupTitle true, quantity, measurement and method removed.
    void convertIngredientsToGroups(const QList<int>& rows);

    // A cell's editing ended: the row's quantity and measurement are normalised and its
    // failure mark removed.
    void endEditingRow(int row);

    // Moves rows (kept in their relative order) to the gap before dropRow; returns the rows
    // they occupy afterwards.
    QList<int> moveRows(QList<int> rows, int dropRow);
    // Text dropped from elsewhere: its ingredient lines are parsed and appended at the end,
    // wherever the drop was. Returns the number of rows added.
    int appendIngredientsFromText(const QString& text);

    bool isGroupTitleRow(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    // The record key of a column.
    static QString keyForColumn(int column);

signals:
    // Rows were moved or appended by a drop; the view selects them.
    void rowsDropped(const QList<int>& rows);

private:
    MeasurementsConverter& converter();

    QPointer<ObjectContext> m_context;
    std::unique_ptr<MeasurementsConverter> m_converter;
    QString m_libraryPath;
    QVariantList m_rows;
};
