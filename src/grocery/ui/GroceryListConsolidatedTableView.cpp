#include "GroceryListConsolidatedTableView.h"

#include "GroceryTableModels.h"

#include "grocery/GroceryController.h"

#include <QComboBox>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

// The aisle pop-up of a row: an empty first item, then the categories in file order.
// Choosing an item stores it at once.
class AislePopupDelegate final : public QStyledItemDelegate {
public:
    AislePopupDelegate(GroceryController* controller, QObject* parent)
        : QStyledItemDelegate(parent), m_controller(controller) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* popup = new QComboBox(parent);
        popup->setObjectName(QStringLiteral("aislePopup"));
        popup->addItem(QString());
        popup->addItems(m_controller->categoryNames());
        connect(popup, &QComboBox::activated, this, [this, popup] {
            auto* self = const_cast<AislePopupDelegate*>(this);
            emit self->commitData(popup);
            emit self->closeEditor(popup);
        });
        QTimer::singleShot(0, popup, &QComboBox::showPopup);
        return popup;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* popup = static_cast<QComboBox*>(editor);
        const int position = index.data(Qt::EditRole).toInt();
        popup->setCurrentIndex(position >= 0 && position < popup->count() ? position : 0);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentIndex(), Qt::EditRole);
    }

private:
    GroceryController* m_controller;
};

} // namespace

GroceryListConsolidatedTableView::GroceryListConsolidatedTableView(GroceryController* controller,
                                                                   QWidget* parent)
    : QTableView(parent), m_controller(controller), m_model(new GroceryConsolidatedModel(controller, this)) {
    setObjectName(QStringLiteral("groceryConsolidatedTable"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setItemDelegateForColumn(GroceryConsolidatedModel::AisleColumn, new AislePopupDelegate(controller, this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(GroceryConsolidatedModel::NeededColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(GroceryConsolidatedModel::NameColumn, QHeaderView::Stretch);
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
        if (section == GroceryConsolidatedModel::NeededColumn)
            toggleAllNeeded();
    });
    // The aisle pop-up opens with one click.
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == GroceryConsolidatedModel::AisleColumn)
            edit(index);
    });
    setColumnWidth(GroceryConsolidatedModel::AisleColumn, 150);
}

void GroceryListConsolidatedTableView::toggleAllNeeded() {
    m_controller->setAllNeeded(!m_model->allNeeded());
}
