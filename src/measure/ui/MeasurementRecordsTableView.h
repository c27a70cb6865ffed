#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QTableView>

#include <functional>

class ManagedObject;
class SmartMeasurementsController;

// The one-column model behind both tables of measurement rules: the names of a list of
// records (rules or matches), edited in place. Editing a name writes the record.
class MeasurementRecordsModel : public QAbstractTableModel {
public:
    MeasurementRecordsModel(QString header, QObject* parent = nullptr);

    // Shows records. The same records in the same order only redraw their names, so an
    // open editor and the selection stay; any other list resets the model.
    void setRecords(const QList<ManagedObject*>& records);
    const QList<ManagedObject*>& records() const { return m_records; }
    ManagedObject* recordAt(int row) const;

    // Whether a record's name may be edited (unset: every name may).
    void setNameEditable(std::function<bool(const ManagedObject*)> editable) {
        m_nameEditable = std::move(editable);
    }
    // Called after a name was written.
    void setNameEdited(std::function<void(ManagedObject*)> edited) { m_nameEdited = std::move(edited); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool isNameEditable(const ManagedObject* record) const;

    QString m_header;
    QList<ManagedObject*> m_records;
    std::function<bool(const ManagedObject*)> m_nameEditable;
    std::function<void(ManagedObject*)> m_nameEdited;
};

// What both tables of measurement rules share: one column of names edited in place, rows
// selected whole, and a new record's name opened for editing a moment after it appears.
class MeasurementRecordsTableView : public QTableView {
    Q_OBJECT
public:
    MeasurementRecordsTableView(const QString& header, const QString& objectName, QWidget* parent = nullptr);

    // Reads the records again, keeping the selection where the records still exist.
    virtual void reloadData() = 0;
    ManagedObject* recordAtRow(int row) const { return m_model->recordAt(row); }
    QList<ManagedObject*> selectedRecords() const;
    void selectRecord(ManagedObject* record);

public Q_SLOTS:
    void editSelectedRow();

protected:
    // Shows a record just added alone selected, saves, and opens its name for editing.
    void showAddedRecord(ManagedObject* record);
    // Shows records, selecting again those of the selection that are still there.
    void showRecords(const QList<ManagedObject*>& records);
    // Saves the library after the rules changed (nothing without a controller).
    void saveLibrary();

    MeasurementRecordsModel* m_model;
    QPointer<SmartMeasurementsController> m_controller;
};
