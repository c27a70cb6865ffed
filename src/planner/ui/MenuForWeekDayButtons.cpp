#include "MenuForWeekDayButtons.h"

MenuForWeekDayButtons::MenuForWeekDayButtons(bool hasNote, bool canPrint, QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("MenuForWeekDayButtons"));
    m_edit = addAction(hasNote ? tr("Edit Note...") : tr("Add Note..."));
    m_edit->setObjectName(QStringLiteral("editNote"));
    m_delete = addAction(tr("Delete Note"));
    m_delete->setObjectName(QStringLiteral("deleteNote"));
    m_delete->setEnabled(hasNote);
    addSeparator();
    m_print = addAction(tr("Print..."));
    m_print->setObjectName(QStringLiteral("printMenu"));
    m_print->setEnabled(canPrint);
    connect(m_edit, &QAction::triggered, this, &MenuForWeekDayButtons::editNote);
    connect(m_delete, &QAction::triggered, this, &MenuForWeekDayButtons::deleteNote);
    connect(m_print, &QAction::triggered, this, &MenuForWeekDayButtons::printDay);
}
