#pragma once

#include "library/SmartGroupRules.h"

#include <QList>
#include <QWidget>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;

// The rule editor of smart groups: a "Match all/any of the following rules:" line and one
// row per rule with the display word, the operators that word offers, its value (a pop-up
// when the word has fixed values, a text field otherwise) and buttons to remove the row or
// to add one after it. The rows are a view of a SmartGroupRules model; the rule is read and
// written in its stored text form.
class SmartGroupPredicateEditor : public QWidget {
    Q_OBJECT
public:
    explicit SmartGroupPredicateEditor(QWidget* parent = nullptr);

    // Shows a stored rule. Text the rows cannot show leaves one default row and returns
    // false; that text is still what ruleText() answers until a row is changed, so opening
    // and saving such a group does not replace its rule.
    bool setRuleText(const QString& text);
    QString ruleText() const;
    // One default row, matching all.
    void reset();

    const SmartGroupRules& rules() const { return m_rules; }
    int rowCount() const { return int(m_rows.size()); }

    QComboBox* compoundBox() const { return m_compound; }
    QComboBox* displayWordBox(int row) const;
    QComboBox* operatorBox(int row) const;
    // The value pop-up, or null when the row's word takes a typed value.
    QComboBox* valueBox(int row) const;
    // The value text field, or null when the row's word offers fixed values.
    QLineEdit* valueField(int row) const;
    QAbstractButton* removeButton(int row) const;
    QAbstractButton* addButton(int row) const;

public slots:
    // Reads the rule again from its own text and shows the rows that text holds.
    void refresh();

signals:
    // The user changed the compound or a row, or added or removed a row.
    void ruleChanged();

private:
    struct RowWidgets {
        QWidget* row = nullptr;
        QComboBox* word = nullptr;
        QComboBox* op = nullptr;
        QComboBox* valueChoice = nullptr;
        QLineEdit* valueText = nullptr;
        QAbstractButton* remove = nullptr;
        QAbstractButton* add = nullptr;
    };

    RowWidgets makeRow(const SmartGroupRules::Row& rule);
    void showRowValues(RowWidgets& widgets, const SmartGroupRules::Row& rule);
    void rebuildRows();
    void updateButtons();
    void showCompound();
    int indexOfRow(const QWidget* row) const;
    SmartGroupRules::Row rowFromWidgets(const RowWidgets& widgets) const;
    void rowEdited(QWidget* row, bool wordChanged);
    void insertRowAfter(QWidget* row);
    void removeRow(QWidget* row);
    void changed();
    void scheduleRefresh();

    SmartGroupRules m_rules;
    QList<RowWidgets> m_rows;
    QComboBox* m_compound = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    QLabel* m_unreadableNote = nullptr;
    // A stored rule the rows could not show; kept until the user changes the rows.
    QString m_unreadableText;
    bool m_hasUnreadableText = false;
    bool m_refreshScheduled = false;
    bool m_updating = false;
};
