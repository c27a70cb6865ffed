#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class AppController;
class GroupEditorController;
class GroupsManagedObject;
class Keyring;
class MainMenuController;
class PlatefeedGroupEditing;
class PlatefeedManager;
class PlatefeedPage;

// Connects the platefeed manager to the running application once a library is open: the
// password store, the periodic checks, the sidebar's commands and marks, the group
// editor's platefeed page, deleting subscribed recipes and groups, the check after a save,
// and the application's subscription links handed over like documents.
class PlatefeedShell : public QObject {
    Q_OBJECT
public:
    PlatefeedShell(AppController& app, MainMenuController& shell);
    ~PlatefeedShell() override;

    PlatefeedManager* manager() const { return m_manager; }
    PlatefeedPage* page() const { return m_page; }
    // A subscription link: subscribes (once a library is open) and answers true; any
    // other argument answers false.
    bool openLink(const QString& argument);

private:
    void libraryOpened();
    // A published group is being deleted: its platefeed is withdrawn, and the user told when
    // that fails.
    void withdrawDeletedGroup(GroupsManagedObject* group);

    AppController& m_app;
    MainMenuController& m_shell;
    std::unique_ptr<Keyring> m_keyring;
    PlatefeedManager* m_manager = nullptr;
    std::unique_ptr<PlatefeedGroupEditing> m_groupEditing;
    QPointer<GroupEditorController> m_groupEditor; // the editor m_groupEditing is given to
    PlatefeedPage* m_page = nullptr;
    QStringList m_pendingLinks;
    int m_checkAfterSave = 0;
};
