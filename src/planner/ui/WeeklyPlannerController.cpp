#include "WeeklyPlannerController.h"

#include "CalendarListTableView.h"
#include "DayOfWeekTableView.h"
#include "MenuForWeekDayButtons.h"
#include "WeeklyPlannerNoteEditor.h"
#include "library/LibrarySession.h"
#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"
#include "planner/WeeklyPlannerDates.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"

#include <QDateEdit>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString kPulledDownKey = QStringLiteral("weeklyPlannerPulledDown");
}

WeeklyPlannerController::WeeklyPlannerController(LibrarySession* session, QWidget* parent)
    : QWidget(parent), m_session(&LibrarySession::require(session, "WeeklyPlannerController")),
      m_records(m_session->context()) {
    setObjectName(QStringLiteral("WeeklyPlanner"));
    buildPanel();
    // Recipes renamed or deleted elsewhere show on the days the next time they are drawn.
    connect(m_session->context(), &ObjectContext::objectsDidChange, this, [this] {
        if (isVisible())
            fireCaculateDates();
    });
    caculateDates();
}

WeeklyPlannerController::~WeeklyPlannerController() {
    for (const QPointer<WeeklyPlannerNoteEditor>& editor : std::as_const(m_editors))
        delete editor.data();
}

void WeeklyPlannerController::buildPanel() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(6);

    auto* top = new QHBoxLayout;
    m_month = new QLabel(this);
    m_month->setObjectName(QStringLiteral("monthField"));
    QFont monthFont = m_month->font();
    monthFont.setBold(true);
    monthFont.setPointSizeF(monthFont.pointSizeF() * 1.3);
    m_month->setFont(monthFont);
    top->addWidget(m_month);
    top->addStretch(1);
    const std::array<QString, 3> texts{QStringLiteral("◀"), tr("Today"), QStringLiteral("▶")};
    const std::array<QString, 3> tips{tr("Previous Week"), tr("This Week"), tr("Next Week")};
    for (int segment = 0; segment < 3; ++segment) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("weekSegment%1").arg(segment));
        button->setText(texts.at(static_cast<size_t>(segment)));
        button->setToolTip(tips.at(static_cast<size_t>(segment)));
        connect(button, &QToolButton::clicked, this, [this, segment] { weekSelectoinButtons(segment); });
        top->addWidget(button);
        m_weekButtons.at(static_cast<size_t>(segment)) = button;
    }
    m_datePicker = new QDateEdit(this);
    m_datePicker->setObjectName(QStringLiteral("WeeklyPlannerDatePickerCell"));
    m_datePicker->setCalendarPopup(true);
    m_datePicker->setDate(plannerdates::today());
    connect(m_datePicker, &QDateEdit::userDateChanged, this, &WeeklyPlannerController::datePicked);
    top->addWidget(m_datePicker);
    layout->addLayout(top);

    auto* body = new QHBoxLayout;
    body->setSpacing(4);
    for (int tag = 1; tag <= 7; ++tag) {
        const size_t index = static_cast<size_t>(tag - 1);
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        auto* title = new QToolButton(this);
        title->setObjectName(QStringLiteral("dayTitle%1").arg(tag));
        title->setAutoRaise(true);
        title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        title->setToolTip(tr("Note and day menu"));
        connect(title, &QToolButton::clicked, this, [this, tag] { weekdayButtonMenu(tag); });
        column->addWidget(title);
        auto* note = new QLabel(this);
        note->setObjectName(QStringLiteral("dayNote%1").arg(tag));
        note->setTextFormat(Qt::PlainText);
        QFont noteFont = note->font();
        noteFont.setItalic(true);
        note->setFont(noteFont);
        note->setMinimumWidth(10);
        // The line is kept when empty, so the day columns start at one height.
        note->setFixedHeight(note->fontMetrics().height());
        column->addWidget(note);
        auto* controller = new ControllerForWeeklyPlanerDateManagedObject(&m_records, this);
        auto* table = new DayOfWeekTableView(this);
        table->setObjectName(QStringLiteral("dayTable%1").arg(tag));
        table->setAlerts(&m_session->alerts());
        table->setDayLookup([this](const QDate& date) { return tableForDate(date); });
        table->setMinimumWidth(60);
        connect(table, &DayOfWeekTableView::recipesSelected, this, &WeeklyPlannerController::selectRecipes);
        connect(table, &DayOfWeekTableView::dayChanged, this, &WeeklyPlannerController::fireCaculateDates);
        column->addWidget(table, 1);
        body->addLayout(column, 1);
        m_days.at(index) = controller;
        m_tables.at(index) = table;
        m_titles.at(index) = title;
        m_notes.at(index) = note;
    }
    auto* listColumn = new QVBoxLayout;
    auto* listTitle = new QLabel(tr("Planned Dates"), this);
    listColumn->addWidget(listTitle);
    m_calendar = new CalendarListTableView(this);
    m_calendar->setFixedWidth(130);
    connect(m_calendar, &CalendarListTableView::dateChosen, this,
            [this](const QDate& date) { selectWeekOfDay(date, true); });
    listColumn->addWidget(m_calendar, 1);
    body->addLayout(listColumn);
    layout->addLayout(body, 1);
}

void WeeklyPlannerController::setWeekOffset(int offset) {
    m_weekOffset = offset;
    caculateDates();
}

void WeeklyPlannerController::caculateDates() {
    if (m_pendingCalculation) {
        Scheduler::instance().cancel(m_pendingCalculation);
        m_pendingCalculation = 0;
    }
    m_week = plannerdates::weekDates(plannerdates::today(), m_weekOffset);
    m_month->setText(plannerdates::monthTitle(m_week.first()));
    for (size_t index = 0; index < 7; ++index) {
        ControllerForWeeklyPlanerDateManagedObject* day = m_days.at(index);
        day->setDate(m_week.at(static_cast<int>(index)));
        m_tables.at(index)->setManagedObjectController(day);
        const QString note = day->note();
        QLabel* noteLabel = m_notes.at(index);
        noteLabel->setText(note.section(QLatin1Char('\n'), 0, 0));
        noteLabel->setToolTip(note);
    }
    updateTitles();
    m_calendar->reload(m_records);
}

void WeeklyPlannerController::updateTitles() {
    m_longTitles = window() ? window()->width() > kLongTitleWidth : true;
    const QDate todayDate = plannerdates::today();
    for (size_t index = 0; index < 7 && index < size_t(m_week.size()); ++index) {
        const QDate date = m_week.at(static_cast<int>(index));
        QToolButton* title = m_titles.at(index);
        title->setText(plannerdates::dayTitle(date, m_longTitles));
        QPalette palette = title->palette();
        palette.setColor(QPalette::ButtonText, date == todayDate ? QColor::fromRgbF(0.4f, 0.6f, 1.0f)
                                                                 : QColor::fromRgbF(0.2f, 0.2f, 0.2f));
        title->setPalette(palette);
        QFont font = title->font();
        font.setBold(date == todayDate);
        title->setFont(font);
        title->setProperty("isToday", date == todayDate);
    }
}

void WeeklyPlannerController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (window() && (window()->width() > kLongTitleWidth) != m_longTitles)
        updateTitles();
}

void WeeklyPlannerController::fireCaculateDates() {
    if (m_pendingCalculation)
        return;
    m_pendingCalculation = Scheduler::instance().schedule(
        0.01,
        [this] {
            m_pendingCalculation = 0;
            caculateDates();
        },
        this);
}

void WeeklyPlannerController::weekSelectoinButtons(int segment) {
    if (segment == 0)
        --m_weekOffset;
    else if (segment == 2)
        ++m_weekOffset;
    else
        m_weekOffset = 0;
    caculateDates();
    if (segment == 1)
        if (DayOfWeekTableView* table = tableForDate(plannerdates::today()))
            table->flashTableBackground();
    const QSignalBlocker blocker(m_datePicker);
    const QDate shown = plannerdates::today().addDays(qint64(m_weekOffset) * 7);
    m_datePicker->setDate(shown);
    m_calendar->selectDateClosestToDate(shown);
}

void WeeklyPlannerController::selectWeekOfDay(const QDate& date, bool highlightTableView) {
    if (!date.isValid())
        return;
    m_weekOffset = plannerdates::weekOffsetForDate(date, plannerdates::today());
    caculateDates();
    if (highlightTableView)
        if (DayOfWeekTableView* table = tableForDate(date))
            table->flashTableBackground();
}

void WeeklyPlannerController::datePicked(const QDate& date) {
    m_calendar->selectDateClosestToDate(date);
    if (m_pendingPick)
        Scheduler::instance().cancel(m_pendingPick);
    m_pendingPick = Scheduler::instance().schedule(
        0.1,
        [this, date] {
            m_pendingPick = 0;
            selectWeekOfDay(date, true);
        },
        this);
}

DayOfWeekTableView* WeeklyPlannerController::tableForDate(const QDate& date) const {
    const int index = static_cast<int>(m_week.indexOf(date));
    return index < 0 ? nullptr : m_tables.at(static_cast<size_t>(index));
}

MenuForWeekDayButtons* WeeklyPlannerController::makeWeekdayMenu(int tag) {
    const bool canPrint = m_dayPrinter && !recipesOfDay(tag).isEmpty();
    auto* menu = new MenuForWeekDayButtons(!dayController(tag)->note().isEmpty(), canPrint);
    connect(menu, &MenuForWeekDayButtons::editNote, this, [this, tag] { editNote(tag); });
    connect(menu, &MenuForWeekDayButtons::deleteNote, this, [this, tag] { deleteNote(tag); });
    connect(menu, &MenuForWeekDayButtons::printDay, this, [this, tag] {
        const QList<ManagedObject*> recipes = recipesOfDay(tag);
        if (m_dayPrinter && !recipes.isEmpty())
            m_dayPrinter(recipes);
    });
    return menu;
}

QList<ManagedObject*> WeeklyPlannerController::recipesOfDay(int tag) {
    QList<ManagedObject*> recipes;
    if (tag < 1 || tag > 7)
        return recipes;
    for (const PlannedRecipe& planned : dayController(tag)->storedRecipes())
        if (ManagedObject* recipe = m_records.recipeWithUniqueID(planned.uniqueID))
            recipes.append(recipe);
    return recipes;
}

void WeeklyPlannerController::weekdayButtonMenu(int tag) {
    if (tag < 1 || tag > 7)
        return;
    MenuForWeekDayButtons* menu = makeWeekdayMenu(tag);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QFont font = menu->font();
    font.setPointSize(11);
    menu->setFont(font);
    QToolButton* title = dayTitle(tag);
    menu->popup(title->mapToGlobal(QPoint(0, title->height())));
}

WeeklyPlannerNoteEditor* WeeklyPlannerController::openNoteEditor(const QDate& date) const {
    return m_editors.value(date).data();
}

WeeklyPlannerNoteEditor* WeeklyPlannerController::editNote(int tag) {
    const QDate date = dayController(tag)->date();
    if (WeeklyPlannerNoteEditor* open = openNoteEditor(date)) {
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* editor = new WeeklyPlannerNoteEditor(window());
    editor->setWindowFlag(Qt::Window);
    auto* controller = new ControllerForWeeklyPlanerDateManagedObject(&m_records);
    controller->setDate(date);
    editor->setManagedObjectController(controller);
    connect(editor, &WeeklyPlannerNoteEditor::noteSaved, this, &WeeklyPlannerController::caculateDates);
    m_editors.insert(date, editor);
    // The window grows from a small frame to its size.
    const QSize full = editor->size();
    editor->resize(full / 4);
    editor->show();
    Scheduler::instance().schedule(
        0.2, [editor, full] { editor->resize(full); }, editor);
    return editor;
}

void WeeklyPlannerController::deleteNote(int tag) {
    ControllerForWeeklyPlanerDateManagedObject* day = dayController(tag);
    const QDate date = day->date();
    day->deleteNote();
    if (WeeklyPlannerNoteEditor* open = openNoteEditor(date))
        open->close();
    caculateDates();
}

void WeeklyPlannerController::selectRecipes(const QStringList& uniqueIDs) {
    if (!m_recipeSelector)
        return;
    QList<ManagedObject*> recipes;
    for (const QString& uniqueID : uniqueIDs)
        if (ManagedObject* recipe = m_records.recipeWithUniqueID(uniqueID))
            recipes.append(recipe);
    if (!recipes.isEmpty())
        m_recipeSelector(recipes);
}

void WeeklyPlannerController::setMainWindow(QMainWindow* window) {
    m_window = window;
}

int WeeklyPlannerController::panelHeightForAvailableHeight(int availableHeight) {
    return std::clamp(availableHeight * 3 / 10, 200, 380);
}

bool WeeklyPlannerController::isPlannerOpen() const {
    return m_open;
}

void WeeklyPlannerController::toggleWeeklyPlanner() {
    if (isPlannerOpen())
        closePlanner();
    else
        openPlanner();
}

void WeeklyPlannerController::openPlanner() {
    if (!m_window || isPlannerOpen())
        return;
    if (!m_dock) {
        m_dock = new QDockWidget(m_window);
        m_dock->setObjectName(QStringLiteral("WeeklyPlannerDock"));
        m_dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
        m_dock->setTitleBarWidget(new QWidget(m_dock));
        m_dock->setWidget(this);
        m_window->addDockWidget(Qt::BottomDockWidgetArea, m_dock);
    }
    const QScreen* screen = m_window->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const int height = panelHeightForAvailableHeight(available.height());
    setMinimumHeight(height);
    m_dock->show();
    m_open = true;
    // The window grows downwards by the panel's height, moving up where the screen ends.
    QRect frame = m_window->geometry();
    const int grown = std::clamp(available.height() - frame.height(), 0, height);
    frame.setHeight(frame.height() + grown);
    if (frame.bottom() > available.bottom())
        frame.moveBottom(available.bottom());
    m_grownBy = grown;
    m_window->setGeometry(frame);
    setMinimumHeight(0);
    caculateDates();
    UserDefaults::setObjectForKey(true, kPulledDownKey);
    emit plannerToggled(true);
}

void WeeklyPlannerController::closePlanner() {
    if (!m_dock || !isPlannerOpen())
        return;
    m_dock->hide();
    m_open = false;
    if (m_window && m_grownBy > 0) {
        QRect frame = m_window->geometry();
        frame.setHeight(std::max(m_window->minimumHeight(), frame.height() - m_grownBy));
        m_window->setGeometry(frame);
    }
    m_grownBy = 0;
    UserDefaults::setObjectForKey(false, kPulledDownKey);
    emit plannerToggled(false);
}
