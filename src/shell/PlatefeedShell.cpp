#include "shell/PlatefeedShell.h"

#include "library/AppController.h"
#include "library/GroupEditorController.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/PreferencesController.h"
#include "library/RecipeEditorController.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "library/ui/GroupEditorSheet.h"
#include "library/ui/SidebarOutlineView.h"
#include "platform/Alerts.h"
#include "platform/Keyring.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "share/PlatefeedGroupEditing.h"
#include "share/PlatefeedManager.h"
#include "share/ui/PlatefeedPage.h"
#include "shell/MainMenuController.h"
#include "shell/MainWindow.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The sheet's OK and Cancel wait while the platefeed page's request runs.
void setSheetButtonsEnabled(GroupEditorSheet* sheet, bool enabled) {
    sheet->okButton()->setEnabled(enabled);
    sheet->cancelButton()->setEnabled(enabled);
}

// The final page of publishing has only OK: the platefeed is published by then.
void setSheetCancelShown(GroupEditorSheet* sheet, bool shown) {
    sheet->cancelButton()->setVisible(shown);
}

} // namespace

PlatefeedShell::PlatefeedShell(AppController& app, MainMenuController& shell)
    : QObject(&app), m_app(app), m_shell(shell), m_keyring(std::make_unique<SecretServiceKeyring>()) {
    connect(&app, &AppController::libraryOpened, this, &PlatefeedShell::libraryOpened);
    if (app.session())
        libraryOpened();
}

PlatefeedShell::~PlatefeedShell() {
    // The group editor may outlive this object: it no longer asks the manager.
    if (m_groupEditor && m_groupEditor->platefeeds() == m_groupEditing.get())
        m_groupEditor->setPlatefeeds(nullptr);
}

bool PlatefeedShell::openLink(const QString& argument) {
    if (PlatefeedManager::addressFromLink(argument).isEmpty())
        return false;
    if (m_manager) {
        m_manager->performWithURL(argument);
        // The subscription's questions and its new group are seen in the library window.
        m_shell.showMainWindow();
    } else {
        m_pendingLinks.append(argument);
    }
    return true;
}

void PlatefeedShell::libraryOpened() {
    LibrarySession* session = m_app.session();
    if (m_manager || !session)
        return;
    m_manager = new PlatefeedManager(*session, this);
    PlatefeedManager* manager = m_manager;
    m_shell.setPlatefeedManager(manager);
    Keyring& keyring = *m_keyring;
    PlatefeedManager::moveOldCredentials(keyring, [manager, &keyring] {
        manager->loadAccount(keyring, [manager](bool complete) {
            if (complete)
                manager->connectToMobileMeIfNotConnected({});
        });
    });
    manager->startTimers();

    SidebarTreeController* tree = m_app.sidebarTreeController();
    connect(manager, &PlatefeedManager::sidebarChanged, tree, &SidebarTreeController::rearrangeObjects);
    if (RecipeEditorController* editor = m_app.recipeEditorController())
        editor->setPlatefeedUnsubscriber(
            [manager](const QList<ManagedObject*>& recipes) { manager->unsubscribeRecipes(recipes); });
    if (GroupEditorController* groups = m_app.groupEditorController()) {
        m_groupEditing = std::make_unique<PlatefeedGroupEditing>(*manager);
        groups->setPlatefeeds(m_groupEditing.get());
        m_groupEditor = groups;
        connect(groups, &GroupEditorController::stopPublishingRequested, this,
                &PlatefeedShell::withdrawDeletedGroup);
        connect(groups, &GroupEditorController::platefeedUnpublished, tree, [tree, session] {
            session->save();
            tree->rearrangeObjects();
        });
        connect(groups, &GroupEditorController::deleteSubscribedPlatefeedRequested, manager,
                [manager, session](GroupsManagedObject* group) {
                    manager->deleteSubscribedPlatefeed(group);
                    session->save();
                });
    }
    if (SideBarDragController* drags = m_app.sideBarDragController()) {
        drags->setPlatefeedCopier(
            [manager](ManagedObject* recipe) { return manager->recipeByCopyingAndLinkingRecipe(recipe); });
        connect(drags, &SideBarDragController::checkPublishedPlatefeedsRequested, manager,
                &PlatefeedManager::checkPublishedPlatefeeds);
        connect(drags, &SideBarDragController::regroupPlatefeedsRequested, manager,
                &PlatefeedManager::collectOrSeperatePlatefeedGroups);
    }
    if (PreferencesController* preferences = m_app.preferencesController())
        connect(preferences, &PreferencesController::platefeedCollectionRefreshRequested, manager,
                &PlatefeedManager::collectOrSeperatePlatefeedGroups);
    // Published platefeeds follow a save 3 seconds later (several saves, one check).
    connect(session->context(), &ObjectContext::didSave, this, [this] {
        if (m_checkAfterSave && Scheduler::instance().isScheduled(m_checkAfterSave))
            return;
        m_checkAfterSave = Scheduler::instance().schedule(
            3.0, [this] { m_manager->checkPublishedPlatefeeds(); }, this);
    });

    if (MainWindow* window = m_shell.mainWindow()) {
        SidebarOutlineView* sidebar = window->sidebar();
        connect(manager, &PlatefeedManager::connectedChanged, sidebar,
                &SidebarOutlineView::setShowsPublishedMarks);
        connect(sidebar, &SidebarOutlineView::resetPlatefeedRequested, manager,
                [manager, session](GroupsManagedObject* group) {
                    manager->resetSubscribedPlatefeed(group);
                    session->save();
                    manager->checkSubscribedPlatefeeds();
                });
        // The sidebar's Unpublish and the group editor's are one: the editor's.
        if (GroupEditorController* groups = m_app.groupEditorController())
            connect(sidebar, &SidebarOutlineView::unpublishGroupRequested, groups,
                    &GroupEditorController::unpublishPlatefeed);
        // The new subscription is selected once the sidebar shows it.
        connect(manager, &PlatefeedManager::subscriptionAdded, sidebar,
                [sidebar](GroupsManagedObject* group) {
                    Scheduler::instance().schedule(
                        1.0,
                        [sidebar, group] {
                            if (!group->isDeleted())
                                sidebar->selectGroup(group);
                        },
                        sidebar);
                });
        if (GroupEditorSheet* sheet = m_shell.groupEditorSheet()) {
            m_page = new PlatefeedPage(*manager, keyring, *session);
            PlatefeedPage* page = m_page;
            sheet->setPlatefeedPage(
                page, [page]() -> QWidget* { return page->focusField(); },
                [page] { return page->okAction(); });
            if (GroupEditorController* groups = m_app.groupEditorController())
                page->setTitleValidator(
                    [groups](const QString& title) { return groups->validateEntryString(title); });
            connect(page, &PlatefeedPage::busyChanged, sheet,
                    [sheet](bool busy) { setSheetButtonsEnabled(sheet, !busy); });
            connect(page, &PlatefeedPage::stepShown, sheet, [sheet](PlatefeedPage::Step step) {
                setSheetCancelShown(sheet, step != PlatefeedPage::Step::Published);
            });
            // Cancel comes back on the other pages and when the sheet opens next.
            connect(sheet, &QDialog::finished, sheet, [sheet] { setSheetCancelShown(sheet, true); });
            for (const GroupEditorController::Page other :
                 {GroupEditorController::Page::Group, GroupEditorController::Page::SmartGroup,
                  GroupEditorController::Page::GroceryList})
                if (QAction* action = sheet->pageAction(other))
                    connect(action, &QAction::triggered, sheet,
                            [sheet] { setSheetCancelShown(sheet, true); });
            connect(page, &PlatefeedPage::closeRequested, this, [this] {
                if (GroupEditorController* groups = m_app.groupEditorController())
                    groups->closeWindow();
            });
            connect(sidebar, &SidebarOutlineView::publishGroupRequested, page,
                    [sheet, page](GroupsManagedObject* group) {
                        sheet->openPlatefeedPage();
                        page->startPublishing(group);
                    });
        }
    }
    for (const QString& link : std::as_const(m_pendingLinks))
        manager->performWithURL(link);
    m_pendingLinks.clear();
}

void PlatefeedShell::withdrawDeletedGroup(GroupsManagedObject* group) {
    if (!group || !m_manager)
        return;
    const QString name = group->stringValue(QStringLiteral("name"));
    m_manager->stopPublishingPlatefeed(group, [this, name](bool ok) {
        LibrarySession* session = m_app.session();
        if (ok || !session)
            return;
        AlertRequest request;
        request.messageText = tr("The platefeed “%1” could not be withdrawn.").arg(name);
        request.informativeText = tr("The group has been deleted, but your WebDAV space did not answer: "
                                     "the platefeed is still published and its subscribers are not told "
                                     "that it ended.");
        request.buttonTitles = {tr("OK")};
        session->alerts().runModal(request);
    });
}
