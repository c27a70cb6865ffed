#pragma once

#include "measure/SmartMeasurementsController.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QTableView>

#include <functional>

class ManagedObject;

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
    void setNameEditable(std::function<bool(const ManagedObject*)> editable) { m_nameEditable = std::move(editable); }
    // Called after a name was written.
    void setNameEdited(std::function<void(ManagedObject*)> edited) { m_nameEdited = std::move(edited); }

    // Saves the library after the rules changed, when the application has one open.
    static void saveLibrary();

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

// The matches (spellings) of the selected measurement rule in the preferences window. A
// required match carries a unit key the converter looks for: it can be neither renamed
// nor removed.
class MeasurementMatchesTableView : public QTableView {
    Q_OBJECT
public:
    explicit MeasurementMatchesTableView(QWidget* parent = nullptr);

    void setController(SmartMeasurementsController* controller);
    // The rule whose matches are shown (null: none, and add does nothing).
    void setSmartMeasurement(ManagedObject* smartMeasurement);
    ManagedObject* smartMeasurement() const { return m_smartMeasurement; }
    // Reads the rule's matches again.
    void reloadData();

    ManagedObject* recordAtRow(int row) const { return m_model->recordAt(row); }
    QList<ManagedObject*> selectedRecords() const;
    void selectRecord(ManagedObject* record);

public Q_SLOTS:
    // A new match of the rule shown, whose name is edited 0.1 s later.
    void add();
    // Removes the selected matches; the controller tells the user about required ones.
    void remove();
    void editSelectedRow();

private:
    void editRecordLater(ManagedObject* record);

    QPointer<SmartMeasurementsController> m_controller;
    MeasurementRecordsModel* m_model;
    ManagedObject* m_smartMeasurement = nullptr;
};
