// The planner panel in a library window: recipes dropped from the recipe list onto a day
// and moved or copied to the next, week navigation from a Wednesday, the planned-dates list
// across a daylight-saving change, and the note editor.
#include "PlannerSupport.h"
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "library/RecipesArrayController.h"
#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"
#include "planner/ui/CalendarListTableView.h"
#include "planner/ui/DayOfWeekTableView.h"
#include "planner/ui/MenuForWeekDayButtons.h"
#include "planner/ui/WeeklyPlannerController.h"
#include "planner/ui/WeeklyPlannerNoteEditor.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "shell/MainWindow.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDockWidget>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>

#include <memory>

using testsupport::insertRecipe;

namespace {

class PlannerPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_library.isOpen()) << m_library.error().toStdString();
        // A Wednesday.
        Scheduler::instance().setManualTime(QDateTime(QDate(2026, 12, 9), QTime(12, 0), Qt::LocalTime));
        m_soup = insertRecipe(m_library.context(), QStringLiteral("Soup"));
        insertRecipe(m_library.context(), QStringLiteral("Pie"));
        m_library.recipes().rearrangeObjects();
        m_window = std::make_unique<MainWindow>();
        m_window->resize(1200, 700);
        m_window->setRecipesArrayController(&m_library.recipes());
        m_planner = new WeeklyPlannerController(m_library.session(), m_window.get());
        m_planner->setMainWindow(m_window.get());
        m_window->show();
        m_planner->openPlanner();
    }

    // Drops data on a day's column below its rows, as a mouse release there does.
    void drop(DayOfWeekTableView* table, const QMimeData* data,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* viewport = table->viewport();
        // A drop reaches the widget that took the drag when it entered.
        QDragEnterEvent enter(QPoint(4, viewport->height() - 2), Qt::CopyAction | Qt::MoveAction, data,
                              Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(viewport, &enter);
        QDropEvent event(QPointF(4, viewport->height() - 2), Qt::CopyAction | Qt::MoveAction, data,
                         Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(viewport, &event);
    }
    QStringList rows(int tag) {
        QStringList names;
        for (int row = 0; row < m_planner->dayTable(tag)->count(); ++row)
            names.append(m_planner->dayTable(tag)->item(row)->text());
        return names;
    }

    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    testsupport::TestSession m_library{m_dir.filePath(QStringLiteral("Panel.library")), m_alerts};
    RecipesManagedObject* m_soup = nullptr;
    std::unique_ptr<MainWindow> m_window;
    WeeklyPlannerController* m_planner = nullptr; // the window owns it
};

TEST_F(PlannerPanelTest, DragFromTheListOntoADayThenMoveAndCopy) {
    auto* dock = m_window->findChild<QDockWidget*>(QStringLiteral("WeeklyPlannerDock"));
    ASSERT_NE(dock, nullptr);
    EXPECT_EQ(m_window->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("weeklyPlannerPulledDown")));

    RecipesArrayController& list = m_library.recipes();
    const int soupRow = list.rowOfObject(m_soup);
    ASSERT_GE(soupRow, 0);
    std::unique_ptr<QMimeData> fromList(list.mimeData({list.index(soupRow, 0)}));
    ASSERT_NE(fromList, nullptr);
    drop(m_planner->dayTable(2), fromList.get()); // Monday
    EXPECT_EQ(rows(2), QStringList{QStringLiteral("Soup")});

    // To Tuesday without a modifier key: it moves, and Monday's record goes.
    std::unique_ptr<QMimeData> fromMonday(m_planner->dayTable(2)->mimeDataForRows({0}));
    drop(m_planner->dayTable(3), fromMonday.get());
    EXPECT_TRUE(rows(2).isEmpty());
    EXPECT_EQ(rows(3), QStringList{QStringLiteral("Soup")});
    EXPECT_EQ(m_planner->dayController(2)->managedObject(), nullptr);

    // To Wednesday with Ctrl held: a copy.
    std::unique_ptr<QMimeData> fromTuesday(m_planner->dayTable(3)->mimeDataForRows({0}));
    drop(m_planner->dayTable(4), fromTuesday.get(), Qt::ControlModifier);
    EXPECT_EQ(rows(3), QStringList{QStringLiteral("Soup")});
    EXPECT_EQ(rows(4), QStringList{QStringLiteral("Soup")});
    Scheduler::instance().advance(0.1);
    EXPECT_EQ(m_planner->calendarList()->count(), 2);

    // Delete in a day removes the row.
    m_planner->dayTable(4)->setCurrentRow(0);
    m_planner->dayTable(4)->deleteItems();
    EXPECT_TRUE(rows(4).isEmpty());

    m_planner->closePlanner();
    EXPECT_FALSE(dock->isVisible());
    EXPECT_FALSE(UserDefaults::boolForKey(QStringLiteral("weeklyPlannerPulledDown")));
}

TEST_F(PlannerPanelTest, WednesdayWeekTitlesAndWeekButtons) {
    EXPECT_EQ(m_planner->weekDates().first(), QDate(2026, 12, 6));
    EXPECT_EQ(m_planner->weekDates().last(), QDate(2026, 12, 12));
    const QLocale locale;
    EXPECT_EQ(m_planner->monthField()->text(), locale.standaloneMonthName(12) + QStringLiteral(" 2026"));
    for (int tag = 1; tag <= 7; ++tag) {
        const bool today = tag == 4;
        EXPECT_EQ(m_planner->dayTitle(tag)->property("isToday").toBool(), today) << tag;
        EXPECT_EQ(m_planner->dayTitle(tag)->palette().color(QPalette::ButtonText),
                  today ? QColor::fromRgbF(0.4f, 0.6f, 1.0f) : QColor::fromRgbF(0.2f, 0.2f, 0.2f))
            << tag;
    }
    // Long titles in a window wider than 1170 (here the panel on its own: the offscreen
    // screen is narrower than that), short ones otherwise.
    WeeklyPlannerController wide(m_library.session());
    wide.resize(1300, 300);
    wide.caculateDates();
    EXPECT_TRUE(wide.dayTitle(4)->text().startsWith(locale.dayName(Qt::Wednesday, QLocale::LongFormat) +
                                                    QLatin1Char(',')));
    m_window->resize(1000, 700);
    m_planner->caculateDates();
    EXPECT_TRUE(m_planner->dayTitle(4)->text().startsWith(
        locale.dayName(Qt::Wednesday, QLocale::ShortFormat) + QLatin1Char(',')));

    m_planner->weekSelectoinButtons(0);
    EXPECT_EQ(m_planner->weekOffset(), -1);
    EXPECT_EQ(m_planner->weekDates().first(), QDate(2026, 11, 29));
    EXPECT_EQ(m_planner->monthField()->text(), locale.standaloneMonthName(11) + QStringLiteral(" 2026"));
    m_planner->weekSelectoinButtons(2);
    m_planner->weekSelectoinButtons(2);
    EXPECT_EQ(m_planner->weekDates().first(), QDate(2026, 12, 13));
    m_planner->weekSelectoinButtons(1);
    EXPECT_EQ(m_planner->weekOffset(), 0);
    EXPECT_TRUE(m_planner->dayTable(4)->isFlashing());
}

TEST_F(PlannerPanelTest, PlannedDateThreeWeeksAheadAcrossDaylightSaving) {
    const testsupport::TimeZoneScope zone("America/New_York");
    Scheduler::instance().setManualTime(QDateTime(QDate(2026, 10, 21), QTime(23, 30), Qt::LocalTime));
    m_planner->caculateDates();
    ControllerForWeeklyPlanerDateManagedObject later(&m_planner->records());
    later.setDate(QDate(2026, 11, 11)); // clocks go back on Nov 1
    later.setNote(QStringLiteral("Birthday"));
    m_planner->caculateDates();
    ASSERT_EQ(m_planner->calendarList()->count(), 1);
    EXPECT_EQ(m_planner->calendarList()->item(0)->toolTip(), QStringLiteral("Birthday"));
    m_planner->calendarList()->setCurrentRow(0);
    EXPECT_EQ(m_planner->weekOffset(), 3);
    EXPECT_TRUE(m_planner->dayTable(4)->isFlashing());
    EXPECT_EQ(m_planner->dayNote(4)->text(), QStringLiteral("Birthday"));

    // The date picker: the nearest planned date is selected, the week follows 0.1 s later.
    m_planner->weekSelectoinButtons(1);
    m_planner->datePicked(QDate(2026, 11, 20));
    EXPECT_EQ(m_planner->weekOffset(), 0);
    Scheduler::instance().advance(0.1);
    EXPECT_EQ(m_planner->weekOffset(), 4);
}

// A day's Print... is offered for a day with recipes once printing is wired, and hands the
// day's recipes over in the day's order.
TEST_F(PlannerPanelTest, ADaysPrintHandsOverItsRecipes) {
    ManagedObject* pie = m_library.recipes().arrangedObjects().at(0);
    ASSERT_EQ(pie->stringValue(QStringLiteral("name")), QStringLiteral("Pie"));
    m_planner->dayController(2)->dropRecipes(
        {m_soup->stringValue(QStringLiteral("uniqueID")), pie->stringValue(QStringLiteral("uniqueID"))}, -1,
        &m_alerts);
    std::unique_ptr<MenuForWeekDayButtons> menu(m_planner->makeWeekdayMenu(2));
    EXPECT_FALSE(menu->printAction()->isEnabled()); // nobody prints yet

    QList<QList<ManagedObject*>> printed;
    m_planner->setDayPrinter([&printed](const QList<ManagedObject*>& recipes) { printed.append(recipes); });
    menu.reset(m_planner->makeWeekdayMenu(3));
    EXPECT_FALSE(menu->printAction()->isEnabled()); // an empty day
    menu.reset(m_planner->makeWeekdayMenu(2));
    ASSERT_TRUE(menu->printAction()->isEnabled());
    menu->printAction()->trigger();
    EXPECT_EQ(printed, (QList<QList<ManagedObject*>>{{m_soup, pie}}));
}

TEST_F(PlannerPanelTest, OneNoteEditorPerDate) {
    std::unique_ptr<MenuForWeekDayButtons> menu(m_planner->makeWeekdayMenu(3));
    EXPECT_FALSE(menu->deleteNoteAction()->isEnabled());
    EXPECT_FALSE(menu->printAction()->isEnabled());
    WeeklyPlannerNoteEditor* editor = m_planner->editNote(3);
    EXPECT_EQ(m_planner->editNote(3), editor);
    EXPECT_EQ(editor->windowTitle(),
              QStringLiteral("Note for ") + QLocale().monthName(12) + QStringLiteral("  8 2026"));
    editor->textView()->setPlainText(QStringLiteral("Shopping"));
    editor->save();
    EXPECT_EQ(m_planner->dayController(3)->note(), QStringLiteral("Shopping"));
    EXPECT_EQ(m_planner->dayNote(3)->text(), QStringLiteral("Shopping"));
    menu.reset(m_planner->makeWeekdayMenu(3));
    EXPECT_TRUE(menu->deleteNoteAction()->isEnabled());

    WeeklyPlannerNoteEditor* second = m_planner->editNote(3);
    EXPECT_EQ(second->textView()->toPlainText(), QStringLiteral("Shopping"));
    m_planner->deleteNote(3);
    EXPECT_EQ(m_planner->dayController(3)->managedObject(), nullptr);
    EXPECT_EQ(m_planner->calendarList()->count(), 0);
}

} // namespace
