#include "WeeklyPlannerNoteEditor.h"

#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"
#include "planner/WeeklyPlannerDates.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

WeeklyPlannerNoteEditor::WeeklyPlannerNoteEditor(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("WeeklyPlannerNoteEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("noteText"));
    m_text->setAcceptRichText(false);
    QFont font(QStringLiteral("Chalkboard"), 18);
    font.setStyleHint(QFont::Fantasy);
    m_text->setFont(font);
    layout->addWidget(m_text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(tr("Save"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &WeeklyPlannerNoteEditor::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    resize(420, 300);
}

void WeeklyPlannerNoteEditor::setManagedObjectController(
    ControllerForWeeklyPlanerDateManagedObject* controller) {
    m_controller = controller;
    controller->setParent(this);
    setWindowTitle(tr("Note for %1").arg(plannerdates::noteDate(controller->date())));
    m_text->setPlainText(controller->note());
    m_text->setFocus();
}

void WeeklyPlannerNoteEditor::save() {
    if (m_controller) {
        m_controller->setNote(m_text->toPlainText());
        emit noteSaved();
    }
    close();
}
