#include "SmartGroupPredicateEditor.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using Row = SmartGroupRules::Row;
using Operator = SmartGroupRules::Operator;

// The display words are stored in English; the pop-up shows them translated.
QString wordTitle(const QString& word) {
    return QCoreApplication::translate("SmartGroupRules", word.toUtf8().constData());
}

QToolButton* rowButton(const QString& text, const QString& objectName, const QString& toolTip,
                       QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(text);
    button->setToolTip(toolTip);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(26, 24);
    return button;
}

} // namespace

SmartGroupPredicateEditor::SmartGroupPredicateEditor(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SmartGroupPredicateEditor"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);

    auto* matchLine = new QHBoxLayout;
    matchLine->setSpacing(6);
    matchLine->addWidget(new QLabel(tr("Match"), this));
    m_compound = new QComboBox(this);
    m_compound->setObjectName(QStringLiteral("compoundPopUp"));
    m_compound->addItem(tr("all"), int(SmartGroupRules::Compound::All));
    m_compound->addItem(tr("any"), int(SmartGroupRules::Compound::Any));
    matchLine->addWidget(m_compound);
    matchLine->addWidget(new QLabel(tr("of the following rules:"), this));
    matchLine->addStretch(1);
    layout->addLayout(matchLine);
    connect(m_compound, &QComboBox::currentIndexChanged, this, [this] {
        if (m_updating)
            return;
        m_rules.setCompound(SmartGroupRules::Compound(m_compound->currentData().toInt()));
        changed();
    });

    m_unreadableNote = new QLabel(
        tr("This rule cannot be shown as rows. It is kept as it is unless you change the rows."), this);
    m_unreadableNote->setObjectName(QStringLiteral("unreadableRuleNote"));
    m_unreadableNote->setWordWrap(true);
    QPalette notePalette = m_unreadableNote->palette();
    notePalette.setColor(QPalette::WindowText, notePalette.color(QPalette::PlaceholderText));
    m_unreadableNote->setPalette(notePalette);
    m_unreadableNote->hide();
    layout->addWidget(m_unreadableNote);

    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(6);
    layout->addLayout(m_rowsLayout);
    layout->addStretch(1);

    rebuildRows();
}

bool SmartGroupPredicateEditor::setRuleText(const QString& text) {
    SmartGroupRules read;
    QString error;
    const bool ok = read.fromRuleText(text, &error);
    m_rules = read; // one default row when the text could not be read
    m_hasUnreadableText = !ok && !text.trimmed().isEmpty();
    m_unreadableText = m_hasUnreadableText ? text : QString();
    if (m_hasUnreadableText)
        qWarning() << "the rule editor cannot show the rule" << text << ":" << error;
    m_unreadableNote->setVisible(m_hasUnreadableText);
    rebuildRows();
    return ok;
}

QString SmartGroupPredicateEditor::ruleText() const {
    return m_hasUnreadableText ? m_unreadableText : m_rules.toRuleText();
}

void SmartGroupPredicateEditor::reset() {
    m_rules.reset();
    m_hasUnreadableText = false;
    m_unreadableText.clear();
    m_unreadableNote->hide();
    rebuildRows();
}

void SmartGroupPredicateEditor::refresh() {
    // The rows are rebuilt from what the text holds. Should the text not read back, the
    // rows stay as they are rather than falling back to a default row.
    SmartGroupRules read;
    QString error;
    if (read.fromRuleText(m_rules.toRuleText(), &error))
        m_rules = read;
    else
        qWarning() << "the rule editor could not read its own rule:" << error;
    rebuildRows();
}

QComboBox* SmartGroupPredicateEditor::displayWordBox(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).word : nullptr;
}

QComboBox* SmartGroupPredicateEditor::operatorBox(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).op : nullptr;
}

QComboBox* SmartGroupPredicateEditor::valueBox(int row) const {
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).valueChoice->isHidden())
        return nullptr;
    return m_rows.at(row).valueChoice;
}

QLineEdit* SmartGroupPredicateEditor::valueField(int row) const {
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).valueText->isHidden())
        return nullptr;
    return m_rows.at(row).valueText;
}

QAbstractButton* SmartGroupPredicateEditor::removeButton(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).remove : nullptr;
}

QAbstractButton* SmartGroupPredicateEditor::addButton(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).add : nullptr;
}

SmartGroupPredicateEditor::RowWidgets SmartGroupPredicateEditor::makeRow(const Row& rule) {
    RowWidgets widgets;
    widgets.row = new QWidget(this);
    widgets.row->setObjectName(QStringLiteral("ruleRow"));
    auto* layout = new QHBoxLayout(widgets.row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    widgets.word = new QComboBox(widgets.row);
    widgets.word->setObjectName(QStringLiteral("displayWordPopUp"));
    for (const QString& word : SmartGroupRules::displayWords())
        widgets.word->addItem(wordTitle(word), word);
    widgets.word->setMinimumWidth(150);
    widgets.op = new QComboBox(widgets.row);
    widgets.op->setObjectName(QStringLiteral("operatorPopUp"));
    widgets.op->setMinimumWidth(140);
    widgets.valueChoice = new QComboBox(widgets.row);
    widgets.valueChoice->setObjectName(QStringLiteral("valuePopUp"));
    widgets.valueChoice->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    widgets.valueText = new QLineEdit(widgets.row);
    widgets.valueText->setObjectName(QStringLiteral("valueField"));
    widgets.valueText->setMinimumWidth(120);
    widgets.remove = rowButton(QStringLiteral("\u2212"), QStringLiteral("removeRuleButton"),
                               tr("Remove this rule"), widgets.row);
    widgets.add = rowButton(QStringLiteral("+"), QStringLiteral("addRuleButton"),
                            tr("Add a rule after this one"), widgets.row);

    layout->addWidget(widgets.word);
    layout->addWidget(widgets.op);
    layout->addWidget(widgets.valueChoice, 1);
    layout->addWidget(widgets.valueText, 1);
    layout->addWidget(widgets.remove);
    layout->addWidget(widgets.add);
    showRowValues(widgets, rule);

    QWidget* row = widgets.row;
    connect(widgets.word, &QComboBox::currentIndexChanged, this, [this, row] { rowEdited(row, true); });
    connect(widgets.op, &QComboBox::currentIndexChanged, this, [this, row] { rowEdited(row, false); });
    connect(widgets.valueChoice, &QComboBox::currentIndexChanged, this,
            [this, row] { rowEdited(row, false); });
    connect(widgets.valueText, &QLineEdit::textChanged, this, [this, row] { rowEdited(row, false); });
    connect(widgets.remove, &QAbstractButton::clicked, this, [this, row] { removeRow(row); });
    connect(widgets.add, &QAbstractButton::clicked, this, [this, row] { insertRowAfter(row); });
    return widgets;
}

void SmartGroupPredicateEditor::showRowValues(RowWidgets& widgets, const Row& rule) {
    const bool wasUpdating = m_updating;
    m_updating = true;
    widgets.word->setCurrentIndex(widgets.word->findData(rule.displayWord));

    widgets.op->clear();
    for (Operator op : SmartGroupRules::operatorsForDisplayWord(rule.displayWord))
        widgets.op->addItem(SmartGroupRules::operatorTitle(op), int(op));
    widgets.op->setCurrentIndex(qMax(0, widgets.op->findData(int(rule.op))));

    const QList<SmartGroupRules::ValueOption> options =
        SmartGroupRules::valueOptionsForDisplayWord(rule.displayWord);
    widgets.valueChoice->clear();
    for (const SmartGroupRules::ValueOption& option : options)
        widgets.valueChoice->addItem(option.title, option.value);
    if (options.isEmpty()) {
        widgets.valueText->setText(rule.value);
    } else {
        widgets.valueChoice->setCurrentIndex(qMax(0, widgets.valueChoice->findData(rule.value)));
        widgets.valueText->clear();
    }
    widgets.valueChoice->setVisible(!options.isEmpty());
    widgets.valueText->setVisible(options.isEmpty());
    m_updating = wasUpdating;
}

Row SmartGroupPredicateEditor::rowFromWidgets(const RowWidgets& widgets) const {
    Row rule;
    rule.displayWord = widgets.word->currentData().toString();
    rule.op = Operator(widgets.op->currentData().toInt());
    rule.value = widgets.valueChoice->isHidden() ? widgets.valueText->text()
                                                 : widgets.valueChoice->currentData().toString();
    return rule;
}

void SmartGroupPredicateEditor::rebuildRows() {
    // The old rows may hold the button whose click led here: they are deleted later.
    for (const RowWidgets& widgets : std::as_const(m_rows)) {
        m_rowsLayout->removeWidget(widgets.row);
        widgets.row->hide();
        widgets.row->deleteLater();
    }
    m_rows.clear();
    for (const Row& rule : m_rules.rows()) {
        RowWidgets widgets = makeRow(rule);
        m_rowsLayout->addWidget(widgets.row);
        m_rows.append(widgets);
    }
    showCompound();
    updateButtons();
}

void SmartGroupPredicateEditor::showCompound() {
    const bool wasUpdating = m_updating;
    m_updating = true;
    m_compound->setCurrentIndex(m_compound->findData(int(m_rules.compound())));
    m_updating = wasUpdating;
}

void SmartGroupPredicateEditor::updateButtons() {
    const bool removable = m_rows.size() > 1;
    for (const RowWidgets& widgets : std::as_const(m_rows))
        widgets.remove->setEnabled(removable);
}

int SmartGroupPredicateEditor::indexOfRow(const QWidget* row) const {
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).row == row)
            return i;
    return -1;
}

void SmartGroupPredicateEditor::rowEdited(QWidget* row, bool wordChanged) {
    if (m_updating)
        return;
    const int index = indexOfRow(row);
    if (index < 0)
        return;
    RowWidgets& widgets = m_rows[index];
    Row rule;
    if (wordChanged) {
        // Another word offers other operators and values: the row starts from its defaults.
        rule = SmartGroupRules::defaultRow(widgets.word->currentData().toString());
        showRowValues(widgets, rule);
    } else {
        rule = rowFromWidgets(widgets);
    }
    m_rules.setRow(index, rule);
    changed();
}

void SmartGroupPredicateEditor::insertRowAfter(QWidget* row) {
    const int index = indexOfRow(row);
    if (index < 0)
        return;
    const bool hadOneRow = m_rows.size() == 1;
    const Row rule = SmartGroupRules::defaultRow();
    m_rules.insertRow(index + 1, rule);
    RowWidgets widgets = makeRow(rule);
    m_rowsLayout->insertWidget(m_rowsLayout->indexOf(m_rows.at(index).row) + 1, widgets.row);
    m_rows.insert(index + 1, widgets);
    updateButtons();
    widgets.word->setFocus();
    changed();
    if (hadOneRow)
        scheduleRefresh();
}

void SmartGroupPredicateEditor::removeRow(QWidget* row) {
    const int index = indexOfRow(row);
    if (index < 0 || m_rows.size() <= 1)
        return;
    m_rules.removeRow(index);
    const RowWidgets widgets = m_rows.takeAt(index);
    // The row holds the button being clicked.
    m_rowsLayout->removeWidget(widgets.row);
    widgets.row->hide();
    widgets.row->deleteLater();
    updateButtons();
    changed();
    if (m_rows.size() == 2)
        scheduleRefresh();
}

void SmartGroupPredicateEditor::changed() {
    if (m_hasUnreadableText) {
        m_hasUnreadableText = false;
        m_unreadableText.clear();
        m_unreadableNote->hide();
    }
    emit ruleChanged();
}

// The row structure shown is made to match the stored text, at the next turn of the event
// loop, once the click that changed the rows is over.
void SmartGroupPredicateEditor::scheduleRefresh() {
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshScheduled = false;
        refresh();
    });
}
